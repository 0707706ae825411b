#include "TrendWindow.h"

#include "StoredTime.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono_literals;

// A zoom settles before the span is read again.
constexpr auto RereadDelay = 120ms;
// The shortest span the wheel zooms to.
constexpr qint64 ShortestSpan = 60;
// One wheel notch shows this share of the span.
constexpr double WheelZoom = 0.8;

struct SeriesLook {
    const char* name;
    QColor color;
};
const std::array<SeriesLook, TrendData::SeriesCount> looks{{
    {"Flow rate", QColor(0x1f, 0x77, 0xb4)},
    {"Flow speed", QColor(0x2c, 0xa0, 0x2c)},
    {"Forward totalizer", QColor(0xd6, 0x27, 0x28)},
}};

qint64 clockOf(const QDateTime& time) {
    const QByteArray text = StoredTime::text(time.toLocalTime()).toLatin1();
    return StoredTime::clockSeconds({text.constData(), std::size_t(text.size())}).value_or(0);
}

QString dayText(qint64 clock) {
    return StoredTime::text(StoredTime::localTime(clock)).left(10);
}

// Time labels that say enough for the span shown.
QString timeFormat(qint64 span) {
    if (span > 3 * 86400)
        return QStringLiteral("yyyy-MM-dd");
    if (span > 6 * 3600)
        return QStringLiteral("MM-dd HH:mm");
    return QStringLiteral("HH:mm:ss");
}

// Enough decimals to tell the ticks of a range apart, no more.
QString labelFormat(double low, double high) {
    const double span = high - low;
    if (span >= 50)
        return QStringLiteral("%.0f");
    if (span >= 5)
        return QStringLiteral("%.1f");
    return QStringLiteral("%.2f");
}

QString withUnit(const char* name, const QString& unit) {
    return unit.isEmpty() ? QString::fromLatin1(name)
                          : QStringLiteral("%1 (%2)").arg(QLatin1String(name), unit);
}

} // namespace

TrendWindow::TrendWindow(const QString& programFolder, const QString& meter, qint64 first,
                         qint64 last, std::optional<int> line, QWidget* parent)
    : QWidget(parent, Qt::Window), m_meter(meter.trimmed()), m_line(line), m_first(first),
      m_last(std::max(first, last)), m_reader(programFolder, m_meter, line) {
    setWindowTitle(QStringLiteral("Trend"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    m_caption = new QLabel(this);
    m_caption->setAccessibleName(QStringLiteral("Trend caption"));
    row->addWidget(m_caption, 1);
    m_reset = new QPushButton(QStringLiteral("Reset zoom"), this);
    m_save = new QPushButton(QStringLiteral("Save image..."), this);
    row->addWidget(m_reset);
    row->addWidget(m_save);

    buildChart();
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setRubberBand(QChartView::RectangleRubberBand);
    m_view->viewport()->installEventFilter(this);
    m_view->setAccessibleName(QStringLiteral("Trend chart"));
    layout->addWidget(m_view, 1);
    auto* hint = new QLabel(
        QStringLiteral(
            "Mouse wheel: zoom in time.  Drag a box: zoom to it.  Right click: zoom out."),
        this);
    hint->setEnabled(false);
    layout->addWidget(hint);

    connect(m_reset, &QPushButton::clicked, this, &TrendWindow::resetZoom);
    connect(m_save, &QPushButton::clicked, this, &TrendWindow::saveImageAs);
    m_reread.setSingleShot(true);
    m_reread.setInterval(RereadDelay);
    connect(&m_reread, &QTimer::timeout, this, &TrendWindow::readShownSpan);
    connect(m_timeAxis, &QDateTimeAxis::rangeChanged, this, [this] {
        if (!m_moving)
            m_reread.start();
    });
    for (QValueAxis* axis : m_valueAxes)
        connect(axis, &QValueAxis::rangeChanged, this, [this, axis](qreal low, qreal high) {
            axis->setLabelFormat(labelFormat(low, high));
            if (!m_moving)
                m_valuesZoomed = true;
        });

    resize(1000, 600);
    m_meterName = m_line ? QStringLiteral("%1 on line %2").arg(m_meter).arg(*m_line) : m_meter;
    connect(&m_reader, &TrendReader::read, this, &TrendWindow::take);
    m_lastRequest = m_wholeRequest = m_reader.request(m_first, m_last, buckets());
    resetZoom();
    m_chart->setTitle(
        QStringLiteral("Meter %1, %2 to %3").arg(m_meterName, dayText(m_first), dayText(m_last)));
    m_valueAxes[TrendData::FlowRate]->setTitleText(QStringLiteral("Flow rate"));
    m_valueAxes[TrendData::ForwardTotal]->setTitleText(QStringLiteral("Forward totalizer"));
    m_caption->setText(QStringLiteral("Reading..."));
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::showTitles() {
    const QString span = QStringLiteral("%1 to %2").arg(dayText(m_first), dayText(m_last));
    const QString hourly = m_whole.hourly ? QStringLiteral(", by the hour") : QString();
    if (!m_whole.error.isEmpty())
        m_chart->setTitle(QStringLiteral("Meter %1, %2: %3").arg(m_meterName, span, m_whole.error));
    else if (m_whole.rows == 0)
        m_chart->setTitle(QStringLiteral("Meter %1: no snapshots from %2").arg(m_meterName, span));
    else
        m_chart->setTitle(QStringLiteral("Meter %1, %2%3").arg(m_meterName, span, hourly));
    m_valueAxes[TrendData::FlowRate]->setTitleText(withUnit("Flow rate", m_whole.flowRateUnit));
    m_valueAxes[TrendData::ForwardTotal]->setTitleText(
        withUnit("Forward totalizer", m_whole.totalizerUnit));
}

void TrendWindow::take(int request, const TrendData& data) {
    if (request == m_wholeRequest) {
        m_whole = data;
        m_wholeRead = true;
        showTitles();
    }
    if (request != m_lastRequest)
        return;
    draw(data);
    emit drawn();
}

void TrendWindow::buildChart() {
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_timeAxis = new QDateTimeAxis(m_chart);
    m_timeAxis->setTickCount(7);
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    for (int series = 0; series < TrendData::SeriesCount; ++series) {
        auto* axis = new QValueAxis(m_chart);
        axis->setLabelsColor(looks[series].color);
        axis->setTitleBrush(looks[series].color);
        axis->setGridLineVisible(series == TrendData::FlowRate);
        m_chart->addAxis(axis, series == TrendData::ForwardTotal ? Qt::AlignRight : Qt::AlignLeft);
        m_valueAxes[series] = axis;
    }
    for (int series = 0; series < TrendData::SeriesCount; ++series) {
        auto* legend = new QLineSeries(m_chart);
        legend->setName(QString::fromLatin1(looks[series].name));
        legend->setPen(QPen(looks[series].color, 2));
        m_chart->addSeries(legend);
        legend->attachAxis(m_timeAxis);
        legend->attachAxis(m_valueAxes[series]);
        m_legend[series] = legend;
    }
}

int TrendWindow::buckets() const {
    // About one bucket per pixel column of the plot, two points each.
    const int width = m_chart ? int(m_chart->plotArea().width()) : 0;
    return width > 100 ? width : 1000;
}

std::pair<qint64, qint64> TrendWindow::shownSpan() const {
    return {clockOf(m_timeAxis->min()), clockOf(m_timeAxis->max())};
}

void TrendWindow::draw(const TrendData& data) {
    m_shown = data;
    // Adding a series may fit the axes to it; the shown ranges are kept.
    m_moving = true;
    const QDateTime timeMin = m_timeAxis->min();
    const QDateTime timeMax = m_timeAxis->max();
    std::array<std::pair<qreal, qreal>, TrendData::SeriesCount> values;
    for (int series = 0; series < TrendData::SeriesCount; ++series)
        values[series] = {m_valueAxes[series]->min(), m_valueAxes[series]->max()};
    for (QLineSeries* line : std::as_const(m_lines)) {
        m_chart->removeSeries(line);
        delete line;
    }
    m_lines.clear();
    for (int series = 0; series < TrendData::SeriesCount; ++series) {
        QValueAxis* valueAxis = m_valueAxes[series];
        for (const TrendReduction::Line& points : data.lines[std::size_t(series)]) {
            QList<QPointF> drawn;
            drawn.reserve(qsizetype(points.size()));
            for (const TrendReduction::Point& point : points)
                drawn << QPointF(double(m_offsets.msecsSinceEpoch(point.clock)), point.value);
            auto* line = new QLineSeries;
            line->setPen(QPen(looks[series].color, 1.5));
            line->replace(drawn);
            m_chart->addSeries(line);
            line->attachAxis(m_timeAxis);
            line->attachAxis(valueAxis);
            for (QLegendMarker* marker : m_chart->legend()->markers(line))
                marker->setVisible(false);
            m_lines << line;
        }
    }
    m_timeAxis->setRange(timeMin, timeMax);
    for (int series = 0; series < TrendData::SeriesCount; ++series)
        m_valueAxes[series]->setRange(values[series].first, values[series].second);
    m_moving = false;
    const auto [first, last] = shownSpan();
    // The hours keep no flow speed: its axis says so rather than show nothing.
    m_valueAxes[TrendData::FlowSpeed]->setTitleText(
        data.hourly ? QStringLiteral("Flow speed (m/s), not kept by the hour")
                    : QStringLiteral("Flow speed (m/s)"));
    m_caption->setText(QStringLiteral("%1 %2 from %3 to %4")
                           .arg(QLocale().toString(data.rows),
                                data.hourly ? QStringLiteral("hours (lowest and highest flow)")
                                            : QStringLiteral("snapshots"),
                                StoredTime::text(StoredTime::localTime(first)),
                                StoredTime::text(StoredTime::localTime(last))));
    if (!m_valuesZoomed)
        fitValueAxes();
}

void TrendWindow::fitValueAxes() {
    m_moving = true;
    for (int series = 0; series < TrendData::SeriesCount; ++series) {
        double low = INFINITY;
        double high = -INFINITY;
        for (const TrendReduction::Line& line : m_shown.lines[std::size_t(series)])
            for (const TrendReduction::Point& point : line) {
                low = std::min(low, point.value);
                high = std::max(high, point.value);
            }
        if (!std::isfinite(low)) {
            low = 0;
            high = 1;
        } else if (low == high) {
            low -= 1;
            high += 1;
        }
        m_valueAxes[series]->setRange(low, high);
        m_valueAxes[series]->applyNiceNumbers();
    }
    m_moving = false;
}

void TrendWindow::showSpan(qint64 first, qint64 last) {
    first = std::max(first, m_first);
    last = std::min(last, m_last);
    if (last - first < ShortestSpan) {
        const qint64 middle = (first + last) / 2;
        first = std::max(m_first, middle - ShortestSpan / 2);
        last = std::min(m_last, first + ShortestSpan);
    }
    m_moving = true;
    m_timeAxis->setFormat(timeFormat(last - first));
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(m_offsets.msecsSinceEpoch(first)),
                         QDateTime::fromMSecsSinceEpoch(m_offsets.msecsSinceEpoch(last)));
    m_moving = false;
    m_reread.stop();
    readShownSpan();
}

void TrendWindow::readShownSpan() {
    const auto [first, last] = shownSpan();
    m_timeAxis->setFormat(timeFormat(last - first));
    if (first <= m_first && last >= m_last && m_wholeRead) {
        m_lastRequest = m_wholeRequest;
        draw(m_whole);
        emit drawn();
        return;
    }
    m_lastRequest = first <= m_first && last >= m_last ? m_wholeRequest
                                                       : m_reader.request(first, last, buckets());
}

void TrendWindow::resetZoom() {
    m_valuesZoomed = false;
    m_moving = true;
    m_timeAxis->setFormat(timeFormat(m_last - m_first));
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(m_offsets.msecsSinceEpoch(m_first)),
                         QDateTime::fromMSecsSinceEpoch(m_offsets.msecsSinceEpoch(m_last)));
    m_moving = false;
    m_reread.stop();
    m_lastRequest = m_wholeRequest;
    draw(m_whole);
}

bool TrendWindow::saveImage(const QString& path) const {
    return m_view->grab().save(path, "PNG");
}

void TrendWindow::saveImageAs() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save image"),
        QStringLiteral("trend-meter-%1-%2.png").arg(m_meter, dayText(m_first)),
        QStringLiteral("PNG images (*.png)"));
    if (!path.isEmpty())
        saveImage(path);
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view->viewport() || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    // Zooms in time around the pointer, keeping the value axes.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const double notches = wheel->angleDelta().y() / 120.0;
    const QRectF plot = m_chart->plotArea();
    if (notches == 0 || plot.width() <= 0)
        return true;
    const QPointF at = m_view->mapToScene(wheel->position().toPoint());
    const double share = std::clamp((at.x() - plot.left()) / plot.width(), 0.0, 1.0);
    const auto [first, last] = shownSpan();
    const double span = double(last - first);
    const double anchor = double(first) + share * span;
    const double zoomed = span * std::pow(WheelZoom, notches);
    const qint64 newFirst = qint64(std::llround(anchor - share * zoomed));
    showSpan(newFirst, newFirst + qint64(std::llround(zoomed)));
    return true;
}
