#pragma once

#include <QSqlDatabase>
#include <QString>

// One connection to the tool's database file in a program folder, under a
// name no other connection of the process has, so that a window closing
// and one opening never share one. The file is opened read-write only: a
// missing file is a failure, never a new empty database.
class Database {
public:
    static QString fileName() { return QStringLiteral("RX7100 PC TOOL.db"); }
    static QString filePath(const QString& folder);

    explicit Database(const QString& folder);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return m_errorCode == 0; }
    // 0, or SQLite's code for why the file could not be opened.
    int errorCode() const { return m_errorCode; }
    QSqlDatabase connection() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
    int m_errorCode = 0;
};
