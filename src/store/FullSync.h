#pragma once

#include <QSqlDatabase>
#include <QString>

// Full sync on a connection for as long as it lives, then the connection's
// own setting again: the commits made meanwhile reach the disk before they
// return. Made and dropped outside any transaction.
class FullSync {
public:
    explicit FullSync(QSqlDatabase db);
    ~FullSync();
    FullSync(const FullSync&) = delete;
    FullSync& operator=(const FullSync&) = delete;

private:
    QSqlDatabase m_db;
    QString m_previous;
};
