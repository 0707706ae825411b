#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// One `caozuo` row per parameter write: who, which meter, which
// parameter, the value as read and the value written, and when.
struct OperationLogRow {
    int quanxian = 0;
    QString bianma;
    QString xiangmu;
    QString dudao;
    QString xieru;
    QDateTime riqi;
};

class OperationLog {
public:
    explicit OperationLog(QSqlDatabase db) : m_db(std::move(db)) {}

    // Appends the row, columns in table order; false when the store refused.
    bool append(const OperationLogRow& row);

private:
    QSqlDatabase m_db;
};
