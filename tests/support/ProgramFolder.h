#pragma once

#include "StartingDatabase.h"

#include <QTemporaryDir>

// A throw-away program folder, with a fresh database unless told otherwise.
class ProgramFolder {
public:
    explicit ProgramFolder(const StartingDatabase::Options& options = {}, bool withDatabase = true);

    QString path() const { return m_dir.path(); }
    QString databasePath() const;
    bool ok() const { return m_ok; }

    // Runs one statement on the database file directly; false on failure.
    bool exec(const QString& sql) const;
    // The first column of every row of a query, as text.
    QStringList column(const QString& sql) const;
    // The rows of a query, columns joined with '|'.
    QStringList rows(const QString& sql) const;

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};
