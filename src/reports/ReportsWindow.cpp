#include "ReportsWindow.h"

#include "ConsumptionCsv.h"
#include "Database.h"
#include "RealtimeMap.h"
#include "ReportChart.h"
#include "ReportJob.h"
#include "ReportPdf.h"
#include "ReportStore.h"
#include "ReportTable.h"
#include "VolumeUnit.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QDateEdit* dateEdit(const QDate& date, const char* name, QWidget* parent) {
    auto* edit = new QDateEdit(date, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setMinimumDate(QDate(2000, 1, 1)); // no store holds anything older
    return edit;
}

} // namespace

ReportsWindow::ReportsWindow(QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(programFolder)) {
    setWindowTitle(QStringLiteral("Reports"));
    QList<ConsumptionReport::Meter> listed;
    {
        Database database(m_folder);
        if (database.isOpen()) {
            listed = ReportStore::listedMeters(database.connection());
            m_station = ReportStore::stationName(database.connection());
        }
    }

    auto* form = new QFormLayout;
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("kind"));
    m_kind->addItems({QStringLiteral("Consumption"), QStringLiteral("Alarms")});
    form->addRow(QStringLiteral("Report"), m_kind);
    const QDate today = QDate::currentDate();
    m_from = dateEdit(QDate(today.year(), today.month(), 1), "from", this);
    m_to = dateEdit(today, "to", this);
    auto* range = new QHBoxLayout;
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(m_to);
    range->addStretch();
    form->addRow(QStringLiteral("From"), range);
    m_by = new QComboBox(this);
    m_by->setObjectName(QStringLiteral("by"));
    m_by->addItems({QStringLiteral("Hour"), QStringLiteral("Day"), QStringLiteral("Week"),
                    QStringLiteral("Month")});
    m_by->setCurrentIndex(int(PeriodKind::Day));
    form->addRow(QStringLiteral("By"), m_by);
    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("unit"));
    m_unit->addItem(QStringLiteral("Meter's unit"), QString());
    for (const char16_t* unit : RealtimeMap::totalizerUnits)
        if (VolumeUnit::cubicMetres(unit))
            m_unit->addItem(QString::fromUtf16(unit), QString::fromUtf16(unit));
    form->addRow(QStringLiteral("Unit"), m_unit);
    m_meters = new QListWidget(this);
    m_meters->setObjectName(QStringLiteral("meters"));
    for (const ConsumptionReport::Meter& meter : listed) {
        auto* item = new QListWidgetItem(
            QStringLiteral("Line %1, meter %2").arg(meter.line).arg(meter.address), m_meters);
        item->setData(Qt::UserRole, QPoint(meter.line, meter.address));
        item->setCheckState(Qt::Checked);
    }
    m_meters->setMaximumHeight(m_meters->fontMetrics().height() * 6);
    form->addRow(QStringLiteral("Meters"), m_meters);

    m_show = new QPushButton(QStringLiteral("Show"), this);
    m_csv = new QPushButton(QStringLiteral("Export CSV..."), this);
    m_pdf = new QPushButton(QStringLiteral("Export PDF..."), this);
    m_csv->setEnabled(false);
    m_pdf->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->hide();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    auto* buttons = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_show, m_csv, m_pdf, m_progress})
        buttons->addWidget(widget);
    buttons->addWidget(m_status, 1);

    m_model = new QStandardItemModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_chart = new QChartView(new QChart, this);
    m_chart->setObjectName(QStringLiteral("chart"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_table);
    splitter->addWidget(m_chart);
    m_chart->setMinimumHeight(250);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    resize(900, 700);

    connect(m_show, &QPushButton::clicked, this, &ReportsWindow::showReport);
    connect(m_csv, &QPushButton::clicked, this, [this] { exportAs(ReportRequest::Format::Csv); });
    connect(m_pdf, &QPushButton::clicked, this, [this] { exportAs(ReportRequest::Format::Pdf); });
}

ReportsWindow::~ReportsWindow() = default;

ReportRequest ReportsWindow::request() const {
    ReportRequest request;
    request.kind = m_kind->currentIndex() == 0 ? ReportRequest::Kind::Consumption
                                               : ReportRequest::Kind::Alarms;
    request.from = m_from->date();
    request.to = m_to->date();
    request.by = PeriodKind(m_by->currentIndex());
    request.unit = m_unit->currentData().toString();
    return request;
}

QList<ConsumptionReport::Meter> ReportsWindow::checkedMeters() const {
    QList<ConsumptionReport::Meter> meters;
    for (int i = 0; i < m_meters->count(); ++i) {
        const QListWidgetItem* item = m_meters->item(i);
        if (item->checkState() == Qt::Checked) {
            const QPoint meter = item->data(Qt::UserRole).toPoint();
            meters << ConsumptionReport::Meter{meter.x(), meter.y()};
        }
    }
    return meters;
}

void ReportsWindow::showReport() {
    const ReportRequest asked = request();
    if (asked.to < asked.from) {
        m_status->setText(QStringLiteral("The range ends before it starts."));
        return;
    }
    const QList<ConsumptionReport::Meter> meters = checkedMeters();
    if (meters.isEmpty()) {
        m_status->setText(QStringLiteral("Tick at least one meter."));
        return;
    }
    if (asked.kind == ReportRequest::Kind::Alarms) {
        showAlarms(asked, meters);
        return;
    }
    // A table of hundreds of thousands of rows would hold the window up for
    // minutes and take gigabytes; a file takes any length.
    const qsizetype rows = ReportStore::periodCount(asked) * meters.size();
    if (rows > MostRowsShown) {
        m_status->setText(
            QStringLiteral("That is %1 rows, more than the window shows: choose a shorter range, "
                           "a longer period or fewer meters, or write it to a file with "
                           "rx7100-tool --report.")
                .arg(QLocale().toString(rows)));
        return;
    }
    m_shownRequest = asked;
    m_show->setEnabled(false);
    m_progress->setRange(0, int(meters.size()));
    m_progress->setValue(0);
    m_progress->show();
    m_status->setText(QStringLiteral("Working out the report..."));
    m_job = std::make_unique<ReportJob>(m_folder, asked, meters);
    connect(m_job.get(), &ReportJob::progressed, m_progress, &QProgressBar::setValue);
    connect(m_job.get(), &ReportJob::finished, this, &ReportsWindow::shown);
    m_job->start();
}

void ReportsWindow::shown(const ConsumptionReport::Result& result) {
    m_job.reset();
    m_show->setEnabled(true);
    m_progress->hide();
    m_shown = result;
    showTable(ReportTable::consumption(result, m_shownRequest.by));
    // Bars too many to tell apart are not drawn; the table has them all.
    m_chart->setVisible(ReportStore::periodCount(m_shownRequest) <= MostBarsDrawn);
    if (m_chart->isVisible())
        ReportChart::fill(*m_chart->chart(), result, m_shownRequest.by);
    const bool ok = result.error.isEmpty();
    m_status->setText(ok ? QString()
                         : QStringLiteral("Cannot read the store: %1").arg(result.error));
    m_csv->setEnabled(ok);
    m_pdf->setEnabled(ok);
    emit reportShown();
}

void ReportsWindow::showAlarms(const ReportRequest& asked,
                               const QList<ConsumptionReport::Meter>& meters) {
    // The journal holds a row per alarm that came: small enough to read here.
    Database database(m_folder);
    if (!database.isOpen()) {
        m_status->setText(
            QStringLiteral("Cannot open the store (SQLite error %1)").arg(database.errorCode()));
        return;
    }
    m_shownRequest = asked;
    m_alarms = ReportStore::alarms(database.connection(), asked);
    m_alarms.rows.removeIf([&meters](const QStringList& row) {
        return !meters.contains(
            ConsumptionReport::Meter{row.value(0).toInt(), row.value(1).toInt()});
    });
    showTable(m_alarms);
    m_chart->hide();
    m_status->setText(m_alarms.rows.isEmpty() ? QStringLiteral("No alarm in the range.")
                                              : QString());
    m_csv->setEnabled(true);
    m_pdf->setEnabled(true);
    emit reportShown();
}

void ReportsWindow::showTable(const ReportTable& table) {
    m_model->clear();
    m_model->setHorizontalHeaderLabels(table.header);
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        QList<QStandardItem*> items;
        for (const QString& text : table.rows[r]) {
            auto* item = new QStandardItem(text);
            if (table.totalRows.contains(int(r))) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            items << item;
        }
        m_model->appendRow(items);
    }
    m_table->resizeColumnsToContents();
}

QString ReportsWindow::exportCsv(const QString& path) const {
    if (m_shownRequest.kind == ReportRequest::Kind::Alarms)
        return m_alarms.writeCsv(path);
    return ConsumptionCsv::write(path, m_shown);
}

QString ReportsWindow::exportPdf(const QString& path) const {
    const QStringList lines{
        QStringLiteral("Station: %1").arg(m_station),
        QStringLiteral("Range: %1").arg(ReportStore::rangeText(m_shownRequest))};
    if (m_shownRequest.kind == ReportRequest::Kind::Alarms)
        return ReportPdf::write(path, ReportStore::title(m_shownRequest), lines, m_alarms);
    // A chart of its own: the shown one stays in its view.
    QChart chart;
    ReportChart::fill(chart, m_shown, m_shownRequest.by);
    return ReportPdf::write(path, ReportStore::title(m_shownRequest), lines,
                            ReportTable::consumption(m_shown, m_shownRequest.by), &chart);
}

void ReportsWindow::exportAs(ReportRequest::Format format) {
    const bool csv = format == ReportRequest::Format::Csv;
    const QString path = QFileDialog::getSaveFileName(
        this, csv ? QStringLiteral("Export CSV") : QStringLiteral("Export PDF"), QString(),
        csv ? QStringLiteral("CSV files (*.csv)") : QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    const QString error = csv ? exportCsv(path) : exportPdf(path);
    m_status->setText(error.isEmpty() ? QStringLiteral("Written: %1").arg(path) : error);
}
