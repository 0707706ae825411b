#pragma once

#include "StoreWrite.h"

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

    // Appends the row, columns in table order, committed with full sync: a
    // logged write survives a power cut. `rowId` receives the new row's id.
    StoreWrite append(const OperationLogRow& row, qint64* rowId = nullptr);

    // Takes back a row appended for a write that then could not be sent.
    StoreWrite withdraw(qint64 rowId);

private:
    QSqlDatabase m_db;
};
