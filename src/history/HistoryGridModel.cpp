#include "HistoryGridModel.h"

#include <QSqlQuery>

HistoryGridModel::HistoryGridModel(QStringList captions, QObject* parent)
    : QSqlQueryModel(parent), m_captions(std::move(captions)) {}

bool HistoryGridModel::bind(const QSqlDatabase& db, const BoundStatement& statement) {
    // Otherwise the new statement would read the old view of the file and
    // miss rows stored since.
    release();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!query.prepare(statement.sql))
        return false;
    for (const QVariant& value : statement.values)
        query.addBindValue(value);
    if (!query.exec())
        return false;
    setQuery(std::move(query));
    return true;
}

void HistoryGridModel::release() {
    clear();
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size())
        return m_captions.at(section);
    return QSqlQueryModel::headerData(section, orientation, role);
}
