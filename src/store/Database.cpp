#include "Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>

QString Database::filePath(const QString& folder) {
    return QDir(folder).filePath(fileName());
}

Database::Database(const QString& folder, const Options& options) {
    // Exports open connections on threads of their own.
    static std::atomic<int> connections = 0;
    m_name = QStringLiteral("rx7100-%1").arg(++connections);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                               .arg(options.busyTimeout.count()));
    m_db.setDatabaseName(QUrl::fromLocalFile(filePath(folder)).toString(QUrl::FullyEncoded) +
                         QStringLiteral("?mode=rw"));
    if (!m_db.open()) {
        bool ok = false;
        m_errorCode = m_db.lastError().nativeErrorCode().toInt(&ok);
        if (!ok || m_errorCode == 0)
            m_errorCode = 14; // SQLITE_CANTOPEN
        m_fault = QFileInfo::exists(filePath(folder)) ? StoreError::Fault::Unreadable
                                                      : StoreError::Fault::Missing;
        return;
    }
    // A stored reading costs no disk flush; a crash still keeps every
    // committed row. What must survive a power cut asks for full sync.
    QSqlQuery pragma(m_db);
    pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // A commit never copies the log back into the file: that copy and its
    // flushes would land on whichever commit crossed the threshold, a
    // stored reply's among them. A Checkpointer does it on its own thread.
    pragma.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    // The log file keeps the size it grew to when the log restarts: a
    // burst of deleting writes some 50 MB to it, and cutting such a file
    // back took the restarting commit 15-40 ms, often a stored reply's. The
    // space is used again by the next writes and given back at exit.
    pragma.exec(QStringLiteral("PRAGMA journal_size_limit=-1"));
    setFullSync(options.fullSync);
}

bool Database::setFullSync(bool on) {
    return QSqlQuery(m_db).exec(on ? QStringLiteral("PRAGMA synchronous=FULL")
                                   : QStringLiteral("PRAGMA synchronous=NORMAL"));
}

Database::~Database() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}
