#include "LiveGridModel.h"

#include "LatestReadings.h"
#include "MeterCursor.h"
#include "MeterTable.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QPalette>

namespace {

// The grid shows a reading's values but the reverse totalizer, between the
// address and the time.
struct Column {
    const char* caption;
    int widthTwips;
    std::optional<QString> Reading::*value; // nullptr: the address or the time
};

constexpr Column columns[LiveGridModel::ColumnCount] = {
    {"Meter Address", 1400, nullptr},
    {"Flow Rate", 1000, &Reading::flowRate},
    {"Flow Rate Unit", 1400, &Reading::flowRateUnit},
    {"Flow Totalizer", 1400, &Reading::forwardTotal},
    {"Totalizer Unit", 1400, &Reading::totalizerUnit},
    {"Alarm Status", 5000, &Reading::status},
    {"Flow Speed (m/s)", 1700, &Reading::flowSpeed},
    {"Span Percentage (%)", 1800, &Reading::spanPercentage},
    {"Electrode Impedance (ohm)", 2200, &Reading::electrodeImpedance},
    {"Time", 3000, nullptr},
};
constexpr int AddressColumn = LiveGridModel::AddressColumn;
constexpr int TimeColumn = LiveGridModel::TimeColumn;

QString cellText(const Reading& reading, int column) {
    if (column == AddressColumn)
        return QString::number(reading.address);
    if (column == TimeColumn)
        return reading.time.isValid() ? MeterTable::timeText(reading.time) : QString();
    return (reading.*columns[column].value).value_or(QString());
}

} // namespace

QList<int> LiveGridModel::widthsTwips() {
    QList<int> widths;
    for (const Column& column : columns)
        widths << column.widthTwips;
    return widths;
}

QString LiveGridModel::timeSample() {
    return MeterTable::timeText(QDateTime(QDate(2000, 12, 28), QTime(20, 8, 48)));
}

LiveGridModel::LiveGridModel(const LatestReadings& readings, MeterCursor& cursor, int line,
                             QObject* parent)
    : QAbstractTableModel(parent), m_readings(readings), m_cursor(cursor), m_line(line),
      m_changed(readings.count(), 0) {
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameInterval);
    connect(&m_frame, &QTimer::timeout, this, &LiveGridModel::showFrame);
    connect(&readings, &LatestReadings::aboutToLoad, this, &LiveGridModel::beginResetModel);
    connect(&readings, &LatestReadings::loaded, this, [this] {
        // What was waiting for a frame belongs to the rows just replaced.
        m_changed = QList<quint16>(m_readings.count(), 0);
        m_cursorMoved = false;
        m_frame.stop();
        endResetModel();
        emit currentRowChanged(cursorRow());
    });
    connect(&readings, &LatestReadings::updated, this, &LiveGridModel::readingUpdated);
    connect(&readings, &LatestReadings::noReplyChanged, this, [this](int row) {
        markChanged(row, quint16((1u << shownColumns()) - 1)); // the whole row
    });
    // A reload tells the cursor at once, above.
    connect(&cursor, &MeterCursor::moved, this, [this](int address) {
        m_cursorAddress = address;
        markCursorMoved();
    });
}

void LiveGridModel::readingUpdated(int row, const Reading& before) {
    const Reading& now = m_readings.at(row);
    quint16 changed = 0;
    for (int column = AddressColumn + 1; column < ColumnCount; ++column)
        if (cellText(now, column) != cellText(before, column))
            changed |= quint16(1u << (column + m_lead));
    markChanged(row, changed);
}

void LiveGridModel::markChanged(int row, quint16 columns) {
    if (columns == 0)
        return;
    m_changed[row] |= columns;
    startFrame();
}

void LiveGridModel::markCursorMoved() {
    m_cursorMoved = true;
    startFrame();
}

void LiveGridModel::startFrame() {
    // Without a window (headless, or before one is shown) nobody hears a
    // frame: the loop need not wake for it. What changed meanwhile is told
    // with the first frame after a view came.
    if (m_frame.isActive())
        return;
    if (isSignalConnected(QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged)) ||
        isSignalConnected(QMetaMethod::fromSignal(&LiveGridModel::currentRowChanged)) ||
        isSignalConnected(QMetaMethod::fromSignal(&LiveGridModel::frameShown)))
        m_frame.start();
}

void LiveGridModel::showFrame() {
    // One notice per run of neighbouring changed cells: a view repaints the
    // rectangle a notice spans.
    bool shown = false;
    for (int row = 0; row < m_changed.size(); ++row) {
        const quint16 changed = std::exchange(m_changed[row], quint16(0));
        shown = shown || changed != 0;
        for (int column = 0; column < shownColumns();) {
            if (!(changed & (1u << column))) {
                ++column;
                continue;
            }
            int last = column;
            while (last + 1 < shownColumns() && (changed & (1u << (last + 1))))
                ++last;
            emit dataChanged(index(row, column), index(row, last));
            column = last + 1;
        }
    }
    if (shown)
        emit frameShown();
    if (std::exchange(m_cursorMoved, false))
        emit currentRowChanged(cursorRow());
}

int LiveGridModel::cursorRow() const {
    return m_cursorAddress < 0 ? -1 : m_readings.rowOf(m_line, m_cursorAddress);
}

void LiveGridModel::setLineNames(QHash<int, QString> names) {
    beginResetModel();
    m_lead = names.size() > 1 ? 1 : 0;
    m_lineNames = std::move(names);
    endResetModel();
}

QString LiveGridModel::text(const Reading& reading, int column) const {
    return column < m_lead ? m_lineNames.value(reading.line) : cellText(reading, column - m_lead);
}

void LiveGridModel::setCurrentRow(int row) {
    // The row this model said the cursor is on, coming back from the view:
    // the cursor may be further on by now, on its line's thread, and must
    // not be taken back.
    if (row == cursorRow() || row < 0 || row >= m_readings.count() ||
        m_readings.at(row).line != m_line)
        return;
    const int address = m_readings.at(row).address;
    MeterCursor* cursor = &m_cursor;
    QMetaObject::invokeMethod(cursor, [cursor, address] { cursor->moveTo(address); });
}

int LiveGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_readings.count();
}

int LiveGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownColumns();
}

QVariant LiveGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_readings.count())
        return {};
    const Reading& reading = m_readings.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(reading, index.column());
    const QString silent = m_readings.noReplyText(reading.line, reading.address);
    if (role == Qt::ToolTipRole) {
        // A silent meter says since when; the alarm column, which may be
        // cut short, shows its whole text.
        QStringList lines;
        if (!silent.isEmpty())
            lines << silent;
        if (index.column() == statusColumn() && !text(reading, index.column()).isEmpty())
            lines << text(reading, index.column());
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    if (silent.isEmpty())
        return {};
    switch (role) {
    case Qt::AccessibleDescriptionRole:
        return silent;
    case Qt::ForegroundRole:
        // The palette's own colour for what is not live, so it suits any theme.
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                   ? QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text)
                   : QColor(Qt::gray);
    case Qt::FontRole: {
        QFont font;
        font.setItalic(true);
        return font;
    }
    default:
        return {};
    }
}

QVariant LiveGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < shownColumns() &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return section < m_lead ? QStringLiteral("Line")
                                : QString::fromLatin1(columns[section - m_lead].caption);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags LiveGridModel::flags(const QModelIndex& index) const {
    // Every column is read-only, the time included: a reading's time is
    // what the meter's reply was stored at, not something to type over.
    return QAbstractTableModel::flags(index) & ~Qt::ItemIsEditable;
}
