#include "HistoryTab.h"

#include "BatchedDelete.h"
#include "DeleteRunner.h"

const HistoryTab::Texts& HistoryTab::snapshotTexts() {
    static const Texts texts{
        QStringLiteral("History data query"),
        QStringLiteral("Meter address"),
        {QStringLiteral("Meter Address"), QStringLiteral("Flow Rate"),
         QStringLiteral("Flow Rate Unit"), QStringLiteral("Flow Totalizer"),
         QStringLiteral("Reverse Flow Totalizer"), QStringLiteral("Totalizer Unit"),
         QStringLiteral("Alarm Status"), QStringLiteral("Flow Speed"),
         QStringLiteral("Span Percentage"), QStringLiteral("Eletrode Impedance"),
         QStringLiteral("Time"), QStringLiteral("Line")},
        {1400, 1000, 1400, 1500, 2200, 1500, 3000, 1000, 1500, 2200, 2800, 700}};
    return texts;
}

const HistoryTab::Texts& HistoryTab::operationLogTexts() {
    static const Texts texts{
        QStringLiteral("Meter parameter lookup"),
        QStringLiteral("Meter serial#:"),
        {QStringLiteral("Operation security level"), QStringLiteral("Meter serial#"),
         QStringLiteral("Meter parameter"), QStringLiteral("Current meter parameter"),
         QStringLiteral("New meter parameter"), QStringLiteral("Operation time")},
        {2800, 2800, 2800, 2800, 2800, 3800}};
    return texts;
}

HistoryTab::HistoryTab(const HistoryTable& table, const Texts& texts, QSqlDatabase db,
                       QString folder, Checkpointer& checkpointer, QObject* parent)
    : QObject(parent), m_table(table), m_texts(texts), m_db(std::move(db)),
      m_folder(std::move(folder)), m_checkpointer(checkpointer), m_model(texts.captions) {}

HistoryTab::~HistoryTab() {
    // A delete cut short keeps the batches it finished; it runs no further.
    delete m_delete;
}

void HistoryTab::load() {
    show(HistoryRows::firstRows(m_table, m_db));
}

void HistoryTab::search(const QString& from, const QString& to, const QString& filter,
                        std::optional<int> line) {
    show(HistoryRows::search(m_table, m_db, from, to, filter, line)
             .value_or(HistoryRows::none(m_table, m_db)));
}

void HistoryTab::deleteRecord(const QString& from, const QString& to, const QString& filter,
                              std::optional<int> line) {
    if (std::optional<BatchedDelete> job =
            BatchedDelete::range(m_table, m_db, from, to, filter, line))
        startDelete(std::move(*job));
    else if (m_shown)
        show(m_shown->refreshed());
}

void HistoryTab::deleteAll() {
    startDelete(BatchedDelete::all(m_table, m_db));
}

bool HistoryTab::isDeleting() const {
    return m_delete != nullptr;
}

DeleteRunner* HistoryTab::runningDelete() const {
    return m_delete;
}

void HistoryTab::show(HistoryRows rows) {
    m_shown = rows;
    m_model.show(std::move(rows));
}

void HistoryTab::startDelete(BatchedDelete job) {
    if (m_delete)
        return;
    auto* runner = new DeleteRunner(std::move(job), m_folder, m_checkpointer, this);
    m_delete = runner;
    connect(runner, &DeleteRunner::progress, this, &HistoryTab::deleteProgress);
    connect(runner, &DeleteRunner::finished, this, [this, runner] {
        runner->deleteLater();
        m_delete = nullptr;
        if (m_shown)
            show(m_shown->refreshed());
        emit deleteFinished();
    });
    emit deleteStarted();
    runner->start();
}
