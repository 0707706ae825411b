#pragma once

#include "StoreError.h"

#include <QSqlDatabase>
#include <QString>
#include <chrono>

// One connection to the tool's database file in a program folder, under a
// name no other connection of the process has, so that a window closing
// and one opening never share one. The file is opened read-write only: a
// missing file is a failure, never a new empty database. Its commits never
// run a checkpoint (see Checkpointer).
class Database {
public:
    struct Options {
        // How long a statement waits for another program's lock before it
        // is refused with "database is locked".
        std::chrono::milliseconds busyTimeout{2000};
        // Every commit reaches the disk before it returns, so a power cut
        // cannot take it back. Off, a crash of the program still keeps
        // every commit; only the operating system's crash may lose the last.
        bool fullSync = false;
    };

    static QString fileName() { return QStringLiteral("RX7100 PC TOOL.db"); }
    static QString filePath(const QString& folder);

    explicit Database(const QString& folder) : Database(folder, Options()) {}
    Database(const QString& folder, const Options& options);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return m_errorCode == 0; }
    // 0, or SQLite's code for why the file could not be opened.
    int errorCode() const { return m_errorCode; }
    // Why it could not be opened: Missing or Unreadable; None when open.
    StoreError::Fault fault() const { return m_fault; }
    QSqlDatabase connection() const { return m_db; }

    // Switches full sync for the commits that follow (never inside a
    // transaction); false when the store refused.
    bool setFullSync(bool on);

private:
    QString m_name;
    QSqlDatabase m_db;
    int m_errorCode = 0;
    StoreError::Fault m_fault = StoreError::Fault::None;
};
