#pragma once

#include "StoreWrite.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// One `caozuo` row per parameter write: who, which meter, which
// parameter, the value as read and the value written, and when.
struct OperationLogRow {
    int level = 0;        // the window's security level, 1 basic or 2 full
    QString serial;       // the meter's serial number
    QString item;         // the parameter's name
    QString valueRead;    // the value as last read from the meter
    QString valueWritten; // the value sent
    QDateTime time;
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
