#pragma once

#include "LineStatistics.h"

#include <QMainWindow>
#include <QTimer>
#include <chrono>

class Station;
class LineStatisticsModel;
class QLabel;
class QTableView;

// "Line statistics": the counts per meter and for each line, live while
// the window is shown, with a Reset of them all.
class LineStatisticsWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds RefreshInterval{500};

    explicit LineStatisticsWindow(Station& station, QWidget* parent = nullptr);

    QTableView* table() const { return m_table; }
    LineStatisticsModel& model() { return *m_model; }
    // The line-wide counts below the table, as shown.
    QString summaryText() const;

    void refresh();
    void reset();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A gateway line's own counts, as a further line of its summary.
    static QString gatewayCounts(const LineStatistics::LineCounts& counts);

    Station& m_station;
    LineStatisticsModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QTimer m_refresh;
};
