#pragma once

#include "ConsumptionReport.h"
#include "ReportRequest.h"
#include "ReportTable.h"

#include <QWidget>
#include <memory>

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;
class ReportJob;

// "Reports": consumption by hour, day, week or month over a range of dates
// for the meters ticked, as a table with each meter's total and a bar
// chart, exported as CSV or PDF. The report is worked out on a thread of
// its own; the window stays responsive and shows how far it got.
class ReportsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr qsizetype MostRowsShown = 20'000;
    static constexpr qsizetype MostBarsDrawn = 400; // periods

    explicit ReportsWindow(QString programFolder, QWidget* parent = nullptr);
    ~ReportsWindow() override;

    // What the controls ask for now, without the file.
    ReportRequest request() const;
    QList<ConsumptionReport::Meter> checkedMeters() const;

    // Works the report out; reportShown() follows.
    void showReport();
    // The report shown, to a file; the reason when it cannot be written.
    QString exportCsv(const QString& path) const;
    QString exportPdf(const QString& path) const;

    QTableView* table() const { return m_table; }
    QChartView* chartView() const { return m_chart; }

signals:
    void reportShown();

private:
    void shown(const ConsumptionReport::Result& result);
    void exportAs(ReportRequest::Format format);
    void showAlarms(const ReportRequest& asked, const QList<ConsumptionReport::Meter>& meters);
    void showTable(const ReportTable& table);

    QString m_folder;
    QString m_station;
    QComboBox* m_kind = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_by = nullptr;
    QListWidget* m_meters = nullptr;
    QComboBox* m_unit = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_csv = nullptr;
    QPushButton* m_pdf = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
    QChartView* m_chart = nullptr;
    std::unique_ptr<ReportJob> m_job;
    ReportRequest m_shownRequest;
    ConsumptionReport::Result m_shown;
    ReportTable m_alarms; // the alarm journal as last shown
};
