#pragma once

#include "StoreError.h"
#include "StoreWrite.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

// The one row of `kente`, each value as the text it is stored as (empty
// for no value): the windows show it as it stands, and each reader turns
// it into what it needs.
struct StoredSettings {
    QString port;           // `com`, 1 to 10
    QString baud;           // `settings`, the baud rate alone
    QString parity;         // `noe`: 0 none, 1 odd, 2 even
    QString pollPeriod;     // `timer`, milliseconds
    QString recordInterval; // `timesj`, minutes
    QString keepDays;       // days of snapshots kept, 0 for all
};

// Where the web status is served, as stored: empty texts when it is not.
struct StoredWeb {
    QString listen; // "127.0.0.1:8080"
    QString certificateFile;
    QString keyFile;
    bool operator==(const StoredWeb&) const = default;
};

// `kente`: the port, baud text, parity code, poll period and record interval.
class SettingsTable {
public:
    struct Read {
        // 0; StoreError::NoCurrentRow when the table has no row,
        // StoreError::RowSetClosed when it cannot be read.
        int error = 0;
        // What is wrong with the file when the row cannot be read.
        StoreError::Fault fault = StoreError::Fault::None;
        StoredSettings settings;
    };

    // A stored whole number as start-up keeps it, in a 16-bit number (a
    // fraction rounds half to even): 0, StoreError::TypeMismatch for a
    // value that is no number, StoreError::Overflow for one beyond 16 bits.
    static int toInt16(const QString& stored, int* value);

    explicit SettingsTable(QSqlDatabase db) : m_db(std::move(db)) {}

    Read read() const;

    // Writes the line settings into the row, committed with full sync. A
    // port or parity left nullopt keeps what is stored.
    StoreWrite storeLineSettings(const QString& baud, std::optional<int> com, int timer,
                                 std::optional<int> noe);
    // Writes the record interval in minutes, as above.
    StoreWrite storeRecordInterval(int minutes);
    // Writes how many days of snapshots are kept (0: all), as above.
    StoreWrite storeKeepDays(int days);
    // Where the web status is served; all empty when it is not, or the
    // row cannot be read.
    StoredWeb web() const;
    StoreWrite storeWeb(const StoredWeb& web);

    // Whether a new alarm is also told on the desktop; off when the store
    // cannot say.
    bool desktopNotices() const;
    StoreWrite storeDesktopNotices(bool on);

private:
    QSqlDatabase m_db;
};
