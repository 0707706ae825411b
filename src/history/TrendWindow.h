#pragma once

#include "TrendData.h"
#include "TrendReader.h"
#include "UtcOffsets.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

// "Trend": one meter's flow rate and flow speed over a span of its
// snapshots, the forward totalizer on the right. Each value has an axis of
// its own, in its colour: m3/h and m/s share no scale. The mouse wheel zooms
// in time around the pointer, a dragged box zooms to it, a right click
// zooms out, "Reset zoom" shows the whole span again. Whatever span is
// shown is read again at the chart's width, so zooming in shows every
// detail the snapshots hold; a long span is read by the hour. The reads run
// on a thread of their own (TrendReader); each is drawn when it comes.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    // `first` and `last`: the span, clock seconds of stored time, both included.
    // `line`: the meter's, when given; an address may be on several lines.
    TrendWindow(const QString& programFolder, const QString& meter, qint64 first, qint64 last,
                std::optional<int> line = std::nullopt, QWidget* parent = nullptr);
    ~TrendWindow() override;

    QChartView* chartView() const { return m_view; }
    QPushButton* resetButton() const { return m_reset; }
    QPushButton* saveButton() const { return m_save; }
    // What the chart shows: the span in clock seconds, and the rows read for it.
    std::pair<qint64, qint64> shownSpan() const;
    const TrendData& shownData() const { return m_shown; }

    // Shows a span of time (clipped to the whole span), read again;
    // drawn() follows.
    void showSpan(qint64 first, qint64 last);
    void resetZoom();
    // The chart as a PNG file; false when it cannot be written.
    bool saveImage(const QString& path) const;

signals:
    // A span asked for is read and drawn.
    void drawn();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildChart();
    void draw(const TrendData& data);
    void take(int request, const TrendData& data);
    void showTitles();
    void fitValueAxes();
    void readShownSpan();
    void saveImageAs();
    int buckets() const;

    QString m_meter;
    QString m_meterName;
    std::optional<int> m_line;
    qint64 m_first;
    qint64 m_last;
    TrendReader m_reader;
    int m_wholeRequest = 0;
    int m_lastRequest = 0; // the shown span's; older answers are dropped
    bool m_wholeRead = false;
    TrendData m_whole; // the whole span, kept for "Reset zoom"
    UtcOffsets m_offsets;
    TrendData m_shown;

    QLabel* m_caption = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_save = nullptr;
    QChartView* m_view = nullptr;
    QChart* m_chart = nullptr;
    QDateTimeAxis* m_timeAxis = nullptr;
    // The value axes, by series.
    std::array<QValueAxis*, TrendData::SeriesCount> m_valueAxes{};
    // One empty series per value, named, for the legend; the drawn lines
    // follow it, one series per stretch without a gap.
    std::array<QLineSeries*, TrendData::SeriesCount> m_legend{};
    QList<QLineSeries*> m_lines;
    // Set while this window moves an axis, so the move is not taken for the user's.
    bool m_moving = false;
    // The user zoomed the value axes (a dragged box): a new read keeps them.
    bool m_valuesZoomed = false;
    QTimer m_reread;
};
