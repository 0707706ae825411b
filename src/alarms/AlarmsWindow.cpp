#include "AlarmsWindow.h"

#include "AlarmJournal.h"
#include "AlarmReport.h"
#include "GridCopy.h"
#include "Station.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int DurationColumn = 3;

// "1:02:03": hours, minutes and seconds an alarm has lasted.
QString durationText(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QTableView* makeGrid(QStandardItemModel* model, const QString& name, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setAccessibleName(name);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    GridCopy::install(grid);
    return grid;
}

// The local midnight starting a typed "yyyy-mm-dd", in ms; nullopt when it is no date.
std::optional<qint64> dayStart(const QString& typed) {
    const QDate day = QDate::fromString(typed.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return std::nullopt;
    return day.startOfDay().toMSecsSinceEpoch();
}

} // namespace

AlarmsWindow::AlarmsWindow(Station& station, AccessLevel level, QWidget* parent)
    : QWidget(parent, Qt::Window), m_station(station), m_level(std::move(level)) {
    setWindowTitle(QStringLiteral("Alarms"));
    auto* layout = new QVBoxLayout(this);

    m_active = new QStandardItemModel(0, 5, this);
    m_active->setHorizontalHeaderLabels({QStringLiteral("Meter"), QStringLiteral("Alarm"),
                                         QStringLiteral("Since"), QStringLiteral("Duration"),
                                         QStringLiteral("Acknowledged")});
    layout->addWidget(new QLabel(QStringLiteral("Active alarms"), this));
    m_activeGrid = makeGrid(m_active, QStringLiteral("Active alarms"), this);
    layout->addWidget(m_activeGrid, 1);
    auto* actions = new QHBoxLayout;
    m_acknowledge = new QPushButton(QStringLiteral("Acknowledge"), this);
    m_acknowledge->setObjectName(QStringLiteral("acknowledge"));
    m_notices = new QCheckBox(QStringLiteral("Desktop notifications"), this);
    m_notices->setObjectName(QStringLiteral("desktopNotifications"));
    m_notices->setChecked(station.desktopNotices());
    actions->addWidget(m_acknowledge);
    actions->addStretch();
    actions->addWidget(m_notices);
    layout->addLayout(actions);

    layout->addWidget(new QLabel(QStringLiteral("Journal"), this));
    auto* row = new QHBoxLayout;
    m_from = addBox(row, QStringLiteral("Date"), QStringLiteral("from"));
    m_to = addBox(row, QStringLiteral("to"), QStringLiteral("to"));
    auto* lineLabel = new QLabel(QStringLiteral("Line"), this);
    m_line = new QComboBox(this);
    m_line->setObjectName(QStringLiteral("line"));
    m_line->setAccessibleName(QStringLiteral("Line"));
    m_line->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lineLabel->setBuddy(m_line);
    row->addWidget(lineLabel);
    row->addWidget(m_line);
    m_meter = addBox(row, QStringLiteral("Meter address"), QStringLiteral("meter"));
    m_meter->setText(QStringLiteral("All"));
    auto* search = new QPushButton(QStringLiteral("Search"), this);
    search->setObjectName(QStringLiteral("search"));
    row->addSpacing(12);
    row->addWidget(search);
    row->addStretch();
    layout->addLayout(row);
    m_journal = new QStandardItemModel(0, int(AlarmReport::header().size()), this);
    m_journal->setHorizontalHeaderLabels(AlarmReport::header());
    m_journalGrid = makeGrid(m_journal, QStringLiteral("Journal"), this);
    layout->addWidget(m_journalGrid, 2);
    m_status = new QLabel(this);
    m_status->setAccessibleDescription(QStringLiteral("Status"));
    layout->addWidget(m_status);

    const QDate today = QDate::currentDate();
    m_from->setText(today.toString(QStringLiteral("yyyy-MM-dd")));
    m_to->setText(today.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));

    connect(m_acknowledge, &QPushButton::clicked, this, &AlarmsWindow::acknowledge);
    connect(search, &QPushButton::clicked, this, &AlarmsWindow::search);
    connect(m_notices, &QCheckBox::toggled, this, [this](bool on) {
        const StoreWrite write = m_station.setDesktopNotices(on);
        if (!write.isDone()) {
            const QSignalBlocker quiet(m_notices);
            m_notices->setChecked(!on);
            m_status->setText(StoreWrite::failureNotice(write.reason));
        }
    });
    connect(&station, &Station::alarmEvent, this, &AlarmsWindow::showActive);
    // The durations of the active alarms grow while the window is open.
    m_tick = new QTimer(this);
    m_tick->setInterval(std::chrono::seconds(1));
    connect(m_tick, &QTimer::timeout, this, &AlarmsWindow::showDurations);
    m_tick->start();
    resize(900, 560);
}

QLineEdit* AlarmsWindow::addBox(QHBoxLayout* row, const QString& caption, const QString& name) {
    auto* label = new QLabel(caption, this);
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 24);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    return box;
}

QString AlarmsWindow::noticeText(const AlarmTracker::Event& event, const QString& lineName) {
    return QStringLiteral("%1, %2 meter %3")
        .arg(AlarmTracker::name(event.alarm),
             lineName.isEmpty() ? QStringLiteral("Line %1").arg(event.line) : lineName)
        .arg(event.address);
}

QString AlarmsWindow::statusText() const {
    return m_status->text();
}

void AlarmsWindow::showEvent(QShowEvent* event) {
    // Lines come and go while the window is hidden; the chosen one stays.
    const QVariant chosen = m_line->currentData();
    m_line->clear();
    m_line->addItem(QStringLiteral("All"));
    const QHash<int, QString>& names = m_station.lineNames();
    QList<int> numbers = names.keys();
    std::sort(numbers.begin(), numbers.end());
    for (int number : numbers)
        m_line->addItem(QString::number(number) + QStringLiteral("  ") + names.value(number),
                        number);
    m_line->setCurrentIndex(chosen.isValid() ? std::max(0, m_line->findData(chosen)) : 0);
    showActive();
    search();
    QWidget::showEvent(event);
}

void AlarmsWindow::showActive() {
    // The rows the operator picked stay picked across a refresh.
    QSet<qint64> picked;
    for (const QModelIndex& index : m_activeGrid->selectionModel()->selectedRows())
        picked.insert(m_open.value(index.row()).id);
    const AlarmJournal* journal = m_station.alarmJournal();
    m_open = journal ? journal->open() : QList<AlarmOccurrence>();
    m_active->setRowCount(0);
    const QTimeZone zone = QTimeZone::systemTimeZone();
    for (const AlarmOccurrence& alarm : m_open) {
        const QString line = m_station.lineNames().value(alarm.line);
        const QString acknowledged =
            alarm.acknowledgedAt ? QStringLiteral("%1 (level %2)")
                                       .arg(AlarmReport::timeText(*alarm.acknowledgedAt, zone))
                                       .arg(alarm.acknowledgedBy.value_or(0))
                                 : QString();
        m_active->appendRow(
            {new QStandardItem(QStringLiteral("%1 / %2")
                                   .arg(line.isEmpty() ? QString::number(alarm.line) : line)
                                   .arg(alarm.address)),
             new QStandardItem(alarm.alarm),
             new QStandardItem(AlarmReport::timeText(alarm.came, zone)), new QStandardItem(),
             new QStandardItem(acknowledged)});
        if (picked.contains(alarm.id))
            m_activeGrid->selectionModel()->select(m_active->index(m_active->rowCount() - 1, 0),
                                                   QItemSelectionModel::Select |
                                                       QItemSelectionModel::Rows);
    }
    showDurations();
    m_activeGrid->resizeColumnsToContents();
}

void AlarmsWindow::showDurations() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int row = 0; row < m_open.size(); ++row)
        m_active->setData(m_active->index(row, DurationColumn),
                          durationText(AlarmReport::seconds(m_open[row], now)));
}

void AlarmsWindow::acknowledge() {
    const QModelIndexList rows = m_activeGrid->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        m_status->setText(QStringLiteral("Pick the alarms to acknowledge."));
        return;
    }
    // Not asked for again: the level is the one logged in with, or 0. An
    // alarm is acknowledged by whoever watches, and the Login window opens
    // a parameter window, which stops the line it works on.
    const int level = m_level ? m_level() : 0;
    m_status->clear();
    for (const QModelIndex& index : rows) {
        const StoreWrite write = m_station.acknowledgeAlarm(m_open.value(index.row()), level);
        if (write.isRefused())
            m_status->setText(StoreWrite::failureNotice(write.reason));
    }
    showActive();
    search();
}

void AlarmsWindow::search() {
    const std::optional<qint64> from = dayStart(m_from->text());
    const std::optional<qint64> to = dayStart(m_to->text());
    if (!from || !to) {
        m_status->setText(QStringLiteral("Write the dates as yyyy-mm-dd."));
        return;
    }
    AlarmJournal::Search wanted{*from, *to, std::nullopt, std::nullopt, true};
    if (m_line->currentData().isValid())
        wanted.line = m_line->currentData().toInt();
    const QString meter = m_meter->text().trimmed();
    if (!meter.isEmpty() && meter != QLatin1String("All")) {
        bool ok = false;
        wanted.address = meter.toInt(&ok);
        if (!ok || *wanted.address < 1 || *wanted.address > 255) {
            m_status->setText(QStringLiteral("The meter is an address from 1 to 255, or All."));
            return;
        }
    }
    const AlarmJournal* journal = m_station.alarmJournal();
    const QList<QStringList> rows =
        AlarmReport::rows(journal ? journal->search(wanted) : QList<AlarmOccurrence>(),
                          QDateTime::currentMSecsSinceEpoch());
    m_journal->setRowCount(0);
    for (const QStringList& fields : rows) {
        QList<QStandardItem*> items;
        for (const QString& field : fields)
            items << new QStandardItem(field);
        m_journal->appendRow(items);
    }
    m_journalGrid->resizeColumnsToContents();
}
