#pragma once

#include "StoreError.h"

#include <QString>

// How start-up ended: its code, kept as operators and their notes know it,
// and the true cause, so that a missing file never reads as a port fault.
class StartupResult {
public:
    enum class Cause {
        None,
        Port,               // the serial port would not open or take the line settings
        DatabaseMissing,    // no database file
        DatabaseUnreadable, // a file that cannot be opened or read
        DatabaseLocked,     // another program holds the file
        DatabaseDamaged,    // not a database, or a damaged one
        SettingsMissing,    // no settings table, or no row in it
        SettingsValue,      // a stored setting that is no 16-bit number
    };

    StartupResult() = default;
    static StartupResult portFailed(int code);
    // The file or its settings row could not be read, for `fault`.
    static StartupResult storeFailed(int code, StoreError::Fault fault, const QString& file);
    // `stored`, kept as `setting`, is no number start-up can keep.
    static StartupResult badSetting(int code, const QString& file, const QString& setting,
                                    const QString& stored);

    bool isOk() const { return m_cause == Cause::None; }
    Cause cause() const { return m_cause; }
    int code() const { return m_code; }
    // The line naming the file and what is wrong with it; empty for the port.
    const QString& detail() const { return m_detail; }
    // The text of the "Serial port error" box.
    QString message() const;

private:
    StartupResult(Cause cause, int code, QString detail)
        : m_cause(cause), m_code(code), m_detail(std::move(detail)) {}

    Cause m_cause = Cause::None;
    int m_code = 0;
    QString m_detail;
};
