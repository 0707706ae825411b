#include "HistoryTab.h"

#include "Record.h"

const HistoryTab::Texts& HistoryTab::snapshotTexts() {
    static const Texts texts{QStringLiteral("History data query"),
                             QStringLiteral("Meter address"),
                             {QStringLiteral("Meter Address"), QStringLiteral("Flow Rate"),
                              QStringLiteral("Flow Rate Unit"), QStringLiteral("Flow Totalizer"),
                              QStringLiteral("Reverse Flow Totalizer"),
                              QStringLiteral("Totalizer Unit"), QStringLiteral("Alarm Status"),
                              QStringLiteral("Flow Speed"), QStringLiteral("Span Percentage"),
                              QStringLiteral("Eletrode Impedance"), QStringLiteral("Time")},
                             {1400, 1000, 1400, 1500, 2200, 1500, 3000, 1000, 1500, 2200, 2800}};
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

HistoryTab::HistoryTab(const HistoryTable& table, const Texts& texts, QSqlDatabase db)
    : m_table(table), m_texts(texts), m_db(std::move(db)), m_model(texts.captions),
      m_shown(table.noRows()) {}

void HistoryTab::load() {
    show(m_table.firstRows());
}

void HistoryTab::search(const QString& from, const QString& to, const QString& filter) {
    show(m_table.search(from, to, filter).value_or(m_table.noRows()));
}

void HistoryTab::deleteRecord(const QString& from, const QString& to, const QString& filter) {
    if (const std::optional<BoundStatement> statement = m_table.rangedDelete(from, to, filter))
        carryOut(*statement);
    show(m_shown);
}

void HistoryTab::deleteAll() {
    carryOut(m_table.deleteAll());
    show(m_shown);
}

void HistoryTab::show(const BoundStatement& statement) {
    m_shown = statement;
    m_model.bind(m_db, statement);
}

void HistoryTab::carryOut(const BoundStatement& statement) {
    m_model.release();
    Record(statement.sql, m_db, statement.values);
}
