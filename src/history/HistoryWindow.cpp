#include "HistoryWindow.h"

#include "Checkpointer.h"
#include "Database.h"
#include "ExportJob.h"
#include "GridCopy.h"
#include "HistoryTab.h"
#include "LineTable.h"
#include "MeterTable.h"
#include "StoredTime.h"
#include "TrendWindow.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The snapshot grid's last column: each row's line.
const int LineColumn = int(HistoryTab::snapshotTexts().captions.size()) - 1;

QLineEdit* addBox(QHBoxLayout* row, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    auto* box = new QLineEdit(parent);
    label->setBuddy(box);
    box->setAccessibleName(caption);
    row->addWidget(label);
    row->addWidget(box);
    return box;
}

QPushButton* addButton(QHBoxLayout* row, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    row->addWidget(button);
    return button;
}

const QString CommaFilter = QStringLiteral("CSV, comma separated (*.csv)");
const QString SemicolonFilter = QStringLiteral("CSV, semicolon separated, decimal comma (*.csv)");

std::optional<HistoryWindow::ExportTarget> askExportFile(QWidget* parent,
                                                         const QString& suggested) {
    // Spreadsheets in locales that write a decimal comma read the semicolon form.
    QString filter = QLocale().decimalPoint() == QLatin1String(",") ? SemicolonFilter : CommaFilter;
    QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Export CSV"), suggested,
                                     CommaFilter + QStringLiteral(";;") + SemicolonFilter, &filter);
    if (path.isEmpty())
        return std::nullopt;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    return HistoryWindow::ExportTarget{path, filter == SemicolonFilter
                                                 ? CsvWriter::Separator::Semicolon
                                                 : CsvWriter::Separator::Comma};
}

std::optional<QString> askMeter(QWidget* parent, const QStringList& meters) {
    bool ok = false;
    const QString meter = QInputDialog::getItem(
        parent, QStringLiteral("Trend"),
        QStringLiteral("The filter holds every meter. Chart which meter address?"), meters, 0, true,
        &ok);
    if (!ok || meter.trimmed().isEmpty())
        return std::nullopt;
    return meter.trimmed();
}

qint64 clockOf(const QString& storedTime) {
    const QByteArray text = storedTime.toLatin1();
    return StoredTime::clockSeconds({text.constData(), std::size_t(text.size())}).value_or(0);
}

} // namespace

HistoryWindow::HistoryWindow(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(programFolder),
      m_database(std::make_unique<Database>(programFolder)),
      // Only when a delete asks: the main window's checkpoints run anyway.
      m_checkpointer(std::make_unique<Checkpointer>(programFolder, std::chrono::milliseconds(0))),
      m_questions{askExportFile, askMeter}, m_exportFolder(QDir::homePath()) {
    setWindowTitle(QStringLiteral("History"));

    m_tab[SnapshotTab] =
        std::make_unique<HistoryTab>(HistoryTable::snapshots(), HistoryTab::snapshotTexts(),
                                     m_database->connection(), programFolder, *m_checkpointer);
    m_tab[OperationLogTab] =
        std::make_unique<HistoryTab>(HistoryTable::operationLog(), HistoryTab::operationLogTexts(),
                                     m_database->connection(), programFolder, *m_checkpointer);

    m_tabs = new QTabWidget(this);
    for (int index : {SnapshotTab, OperationLogTab})
        m_tabs->addTab(makeTab(index), m_tab[index]->texts().title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    // Load: the earliest rows of each table, and the range from today to
    // tomorrow in the date boxes. A store that cannot be opened leaves the
    // grids empty and the buttons without effect.
    m_tab[SnapshotTab]->load();
    const QDate today = QDate::currentDate();
    for (TabControls& controls : m_controls) {
        controls.date->setText(today.toString(QStringLiteral("yyyy-MM-dd")));
        controls.to->setText(today.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
    }
    m_tab[OperationLogTab]->load();

    const int wanted = m_controls[SnapshotTab].grid->horizontalHeader()->length() + 80;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() * 9 / 10 : wanted;
    resize(std::min(wanted, room), 520);
}

HistoryWindow::~HistoryWindow() = default;

QWidget* HistoryWindow::makeTab(int index) {
    HistoryTab& tab = *m_tab[index];
    TabControls& controls = m_controls[index];
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);

    controls.date = addBox(row, QStringLiteral("Date"), page);
    controls.to = addBox(row, QStringLiteral("to"), page);
    controls.filter = addBox(row, tab.texts().filterCaption, page);
    controls.filter->setText(QStringLiteral("All"));
    const int dateWidth =
        controls.date->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 24;
    controls.date->setFixedWidth(dateWidth);
    controls.to->setFixedWidth(dateWidth);
    controls.filter->setFixedWidth(dateWidth + 20);
    if (index == SnapshotTab) {
        m_lineChoice = new QWidget(page);
        auto* choice = new QHBoxLayout(m_lineChoice);
        choice->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(QStringLiteral("Line"), m_lineChoice);
        controls.line = new QComboBox(m_lineChoice);
        controls.line->setAccessibleName(QStringLiteral("Line"));
        controls.line->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        label->setBuddy(controls.line);
        choice->addWidget(label);
        choice->addWidget(controls.line);
        m_lineChoice->hide();
        row->addWidget(m_lineChoice);
    }
    row->addSpacing(12);
    controls.search = addButton(row, QStringLiteral("Search"), page);
    controls.exportCsv = addButton(row, QStringLiteral("Export CSV..."), page);
    if (index == SnapshotTab)
        controls.trend = addButton(row, QStringLiteral("Trend"), page);
    controls.deleteRecord = addButton(row, QStringLiteral("Delete record"), page);
    controls.deleteAll = addButton(row, QStringLiteral("Delete all"), page);
    controls.progress = new QProgressBar(page);
    controls.progress->setAccessibleName(QStringLiteral("Delete progress"));
    controls.progress->setRange(0, 100);
    controls.progress->setFormat(QStringLiteral("Deleting %p%"));
    controls.progress->setMinimumWidth(
        controls.progress->fontMetrics().horizontalAdvance(QStringLiteral("Deleting 100%")) + 48);
    controls.progress->hide();
    row->addWidget(controls.progress);
    row->addStretch();

    controls.grid = new QTableView(page);
    controls.grid->setModel(&tab.model());
    controls.grid->setAccessibleName(tab.texts().title);
    controls.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    controls.grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    controls.grid->verticalHeader()->setDefaultSectionSize(controls.grid->fontMetrics().height() +
                                                           8);
    GridCopy::install(controls.grid);
    layout->addWidget(controls.grid);

    // A new binding resets the header's sections, so the widths go on again.
    connect(&tab.model(), &QAbstractItemModel::modelReset, this,
            [this, index] { applyColumns(index); });
    connect(controls.search, &QPushButton::clicked, this, [this, index] { search(index); });
    connect(controls.exportCsv, &QPushButton::clicked, this, [this, index] { exportCsv(index); });
    if (controls.trend)
        connect(controls.trend, &QPushButton::clicked, this, &HistoryWindow::trend);
    connect(controls.deleteRecord, &QPushButton::clicked, this,
            [this, index] { deleteRecord(index); });
    connect(controls.deleteAll, &QPushButton::clicked, this, [this, index] { deleteAll(index); });
    connect(&tab, &HistoryTab::deleteStarted, this, [this, index] { showDeleting(index, true); });
    connect(&tab, &HistoryTab::deleteProgress, controls.progress, &QProgressBar::setValue);
    connect(&tab, &HistoryTab::deleteFinished, this, [this, index] { showDeleting(index, false); });
    applyColumns(index);
    return page;
}

void HistoryWindow::applyColumns(int index) {
    // The widths were chosen for a smaller font than ours; a caption is
    // never cut, so a column is at least as wide as its caption, and a
    // value shown is never cut either: a total cut short reads as another.
    QTableView* grid = m_controls[index].grid;
    const QAbstractItemView* view = grid;
    const QList<int>& widths = m_tab[index]->texts().widthsTwips;
    QHeaderView* header = grid->horizontalHeader();
    const int columns = std::min<int>(widths.size(), grid->model()->columnCount());
    for (int column = 0; column < columns; ++column)
        grid->setColumnWidth(
            column, std::max({pixelsOfTwips(widths[column]), header->sectionSizeHint(column),
                              view->sizeHintForColumn(column)}));
}

void HistoryWindow::search(int index) {
    const TabControls& controls = m_controls[index];
    m_tab[index]->search(controls.date->text(), controls.to->text(), controls.filter->text(),
                         chosenLine(index));
}

void HistoryWindow::exportCsv(int index) {
    const TabControls& controls = m_controls[index];
    if (m_exports[index])
        return;
    ExportRequest request;
    request.table =
        index == SnapshotTab ? &HistoryTable::snapshots() : &HistoryTable::operationLog();
    request.from = controls.date->text();
    request.to = controls.to->text();
    request.filter = controls.filter->text();
    request.line = chosenLine(index);
    const std::optional<QString> from = HistoryTable::dayStart(request.from);
    const std::optional<QString> to = HistoryTable::dayStart(request.to);
    if (!from || !to) {
        notify(QStringLiteral("Write the dates as yyyy-mm-dd."), true);
        return;
    }
    const QString name =
        QStringLiteral("%1-%2-to-%3.csv")
            .arg(index == SnapshotTab ? QStringLiteral("history") : QStringLiteral("operation-log"),
                 from->left(10), to->left(10));
    const std::optional<ExportTarget> target =
        m_questions.exportFile(this, QDir(m_exportFolder).filePath(name));
    if (!target)
        return;
    m_exportFolder = QFileInfo(target->path).absolutePath();
    request.path = target->path;
    request.separator = target->separator;

    auto* job = new ExportJob(m_folder, request, this);
    auto* progress = new QProgressDialog(QStringLiteral("Exporting rows..."),
                                         QStringLiteral("Cancel"), 0, 1000, this);
    progress->setWindowTitle(QStringLiteral("Export CSV"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setMinimumDuration(300);
    connect(job, &ExportJob::progressed, progress, [progress](qint64 rows, int permille) {
        progress->setLabelText(QStringLiteral("%1 rows written").arg(QLocale().toString(rows)));
        progress->setValue(permille);
    });
    connect(progress, &QProgressDialog::canceled, job, &ExportJob::cancel);
    connect(job, &ExportJob::finished, this, [this, index, job, progress](const ExportResult& r) {
        progress->deleteLater();
        job->deleteLater();
        exportFinished(index, r);
    });
    m_exports[index] = job;
    controls.exportCsv->setEnabled(false);
    job->start();
}

void HistoryWindow::exportFinished(int index, const ExportResult& result) {
    m_exports[index] = nullptr;
    m_controls[index].exportCsv->setEnabled(true);
    if (result.written())
        notify(QStringLiteral("Exported %1 rows.").arg(QLocale().toString(result.rows)), false);
    else if (result.outcome != ExportResult::Outcome::Cancelled)
        notify(result.error, true);
}

void HistoryWindow::trend() {
    const TabControls& controls = m_controls[SnapshotTab];
    const std::optional<QString> from = HistoryTable::dayStart(controls.date->text());
    const std::optional<QString> to = HistoryTable::dayStart(controls.to->text());
    if (!from || !to) {
        notify(QStringLiteral("Write the dates as yyyy-mm-dd."), true);
        return;
    }
    // A chart shows one meter: the filter's, else the selected row's, else
    // the one the operator names; with several lines, of the chosen line,
    // else the selected row's, else line 1.
    QString meter = controls.filter->text().trimmed();
    const bool lines = m_lineChoice->isVisible();
    std::optional<int> line = lines ? chosenLine(SnapshotTab) : std::nullopt;
    const QModelIndexList selected = controls.grid->selectionModel()->selectedRows();
    if (lines && !line)
        line = selected.isEmpty() ? 1 : selected.first().siblingAtColumn(LineColumn).data().toInt();
    if (HistoryTable::meansEveryone(controls.filter->text())) {
        if (!selected.isEmpty()) {
            meter = selected.first().siblingAtColumn(0).data().toString();
        } else {
            QStringList meters;
            for (int address : MeterTable(m_database->connection()).addresses(line.value_or(1)))
                meters << QString::number(address);
            const std::optional<QString> asked = m_questions.meter(this, meters);
            if (!asked)
                return;
            meter = *asked;
        }
    }
    auto* chart = new TrendWindow(m_folder, meter, clockOf(*from), clockOf(*to), line, this);
    chart->show();
}

void HistoryWindow::notify(const QString& text, bool problem) {
    m_lastNotice = text;
    auto* box = new QMessageBox(problem ? QMessageBox::Warning : QMessageBox::Information,
                                windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void HistoryWindow::deleteRecord(int index) {
    const TabControls& controls = m_controls[index];
    m_tab[index]->deleteRecord(controls.date->text(), controls.to->text(), controls.filter->text(),
                               chosenLine(index));
}

void HistoryWindow::deleteAll(int index) {
    m_tab[index]->deleteAll();
}

void HistoryWindow::showDeleting(int index, bool deleting) {
    // The tab's buttons wait for the delete; the other tab works meanwhile.
    const TabControls& controls = m_controls[index];
    for (QPushButton* button : {controls.search, controls.deleteRecord, controls.deleteAll})
        button->setEnabled(!deleting);
    controls.progress->setValue(0);
    controls.progress->setVisible(deleting);
    if (!deleting && m_closeWhenDone && !m_tab[SnapshotTab]->isDeleting() &&
        !m_tab[OperationLogTab]->isDeleting())
        close();
}

void HistoryWindow::listLines() {
    // Lines are added and removed while this window is hidden, so the list
    // is read again each time it shows; the chosen line stays while it is
    // there. With one line there is nothing to choose: the tab looks as it
    // did before lines.
    QComboBox* box = m_controls[SnapshotTab].line;
    const QVariant chosen = box->currentData();
    box->clear();
    box->addItem(QStringLiteral("All"));
    const QList<StoredLine> lines = LineTable(m_database->connection()).lines();
    for (const StoredLine& line : lines)
        box->addItem(QString::number(line.number) + QStringLiteral("  ") + line.name, line.number);
    box->setCurrentIndex(chosen.isValid() ? std::max(0, box->findData(chosen)) : 0);
    m_lineChoice->setVisible(lines.size() > 1);
    // The line of each row, last as in an export, where there are lines to tell apart.
    m_controls[SnapshotTab].grid->setColumnHidden(LineColumn, lines.size() < 2);
}

std::optional<int> HistoryWindow::chosenLine(int index) const {
    const QComboBox* box = m_controls[index].line;
    if (!box || !box->currentData().isValid())
        return std::nullopt;
    return box->currentData().toInt();
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    // A delete the operator started is carried through: the window hides
    // and closes for good once it is done.
    if (m_tab[SnapshotTab]->isDeleting() || m_tab[OperationLogTab]->isDeleting()) {
        m_closeWhenDone = true;
        hide();
        event->ignore();
        return;
    }
    m_closeWhenDone = false;
    QWidget::closeEvent(event);
}

void HistoryWindow::showEvent(QShowEvent* event) {
    // Shown again before its delete was done: it stays.
    m_closeWhenDone = false;
    listLines();
    QWidget::showEvent(event);
}
