#pragma once

#include "StoreWrite.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

// Where and how readings are published: the one row of `publish`.
struct PublishSettings {
    bool enabled = false;
    QString host;
    int port = 0;
    QString topicPrefix;
    QString station; // empty: the computer's host name
    QString username;
    QString password;       // never stored here: see storedPassword()
    QString caFile;         // TLS when not empty
    int qos = 0;            // 0 or 1
    bool discovery = false; // Home Assistant's discovery configs

    bool operator==(const PublishSettings&) const = default;
};

// `publish`: a table newer than the others, so an older database may lack
// it; the tool adds it with its starting row and changes nothing else.
class PublishTable {
public:
    // The starting row as the schema gives it.
    static PublishSettings startingSettings();

    explicit PublishTable(QSqlDatabase db) : m_db(std::move(db)) {}

    // Adds the table and its starting row when the database has no such
    // table, and the starting row when the table has none. True when the
    // table is there afterwards.
    bool addIfMissing();

    // The stored row, without a password; nullopt when the table or its row
    // cannot be read.
    std::optional<PublishSettings> read() const;

    // Writes the row, adding it when the table has none. The password
    // column is written empty: the password is kept outside the database.
    StoreWrite store(const PublishSettings& settings);

    // A clear password an older version left in the row; empty when none.
    QString storedPassword() const;
    // Empties the password column, once its value is kept elsewhere.
    StoreWrite blankPassword();

private:
    QSqlDatabase m_db;
};
