#pragma once

#include "LineSettingsEntry.h"
#include "SettingsTable.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

class IntervalTimer;
class SerialPort;

// The `kente` row as the setup window shows it.
struct SettingsTexts {
    QString com;
    QString baud;
    QString parity;
    QString timeout;
    QString interval;
    QString keepDays;
};

// Loads and saves the communication settings, and applies saved line
// settings to the shared serial port and poll timer.
class CommSettings {
public:
    CommSettings(QSqlDatabase db, SerialPort& port, IntervalTimer& pollTimer);

    // Runs a piece of work on the port and timer where they live (the
    // line's own thread) and waits for it; at once unless set.
    using LineRunner = std::function<void(const std::function<void()>& work)>;
    void setLineRunner(LineRunner runner) { m_onLine = std::move(runner); }

    // The stored row; all texts empty when there is none.
    SettingsTexts load() const;

    struct SaveResult {
        // The row as stored; nullopt when nothing was stored.
        std::optional<SettingsTexts> stored;
        // The port reopened with the new settings and the poll period set.
        bool applied = false;
        // Why the port did not open (a PortError code), 0 when it did or
        // was not reached.
        int portError = 0;
        // What the store said to the row; refused, nothing was applied.
        StoreWrite write;
    };
    // Stores the entry, then closes, reconfigures and reopens the port and
    // sets the poll period, stopping at the first failing step. An entry
    // that start-up could not read back is refused before anything changes.
    SaveResult saveLineSettings(const LineSettingsEntry& entry);

    // Stores a record interval of 0 to 32767 minutes; nullopt, with nothing
    // stored, for any other text.
    std::optional<StoreWrite> saveRecordInterval(const QString& text);
    // Days of snapshots to keep, 0 (all) to a century; nullopt for any
    // other text.
    static std::optional<int> keepDays(const QString& text);
    // Stores them as above.
    std::optional<StoreWrite> saveKeepDays(const QString& text);
    // Where the web status is served as stored: "127.0.0.1:9100", empty
    // when it is not.
    QString webListen() const { return m_table.web().listen; }
    // Whether `text` may be stored as where the web status is served:
    // ADDRESS:PORT, or empty for none.
    static bool isWebListen(const QString& text);
    // Stores it as above, keeping the certificate and key; nullopt, with
    // nothing stored, for any other text.
    std::optional<StoreWrite> saveWebListen(const QString& text);

private:
    int reopenPort(const std::optional<QString>& lineSettings, int com);

    SettingsTable m_table;
    SerialPort& m_port;
    IntervalTimer& m_pollTimer;
    LineRunner m_onLine = [](const std::function<void()>& work) { work(); };
};
