#include "StartupResult.h"

#include "PortError.h"

#include <QDir>

StartupResult StartupResult::portFailed(int code) {
    return {Cause::Port, code, {}};
}

StartupResult StartupResult::storeFailed(int code, StoreError::Fault fault, const QString& file) {
    using StoreError::Fault;
    Cause cause = Cause::DatabaseUnreadable;
    switch (fault) {
    case Fault::Missing:
        cause = Cause::DatabaseMissing;
        break;
    case Fault::Locked:
        cause = Cause::DatabaseLocked;
        break;
    case Fault::Damaged:
        cause = Cause::DatabaseDamaged;
        break;
    case Fault::NoTable:
    case Fault::NoRow:
        cause = Cause::SettingsMissing;
        break;
    case Fault::None:
    case Fault::Unreadable:
        break;
    }
    if (fault == Fault::None)
        fault = Fault::Unreadable;
    return {cause, code,
            QStringLiteral("The database file %1 %2.")
                .arg(QDir::toNativeSeparators(file), StoreError::faultText(fault))};
}

StartupResult StartupResult::badSetting(int code, const QString& file, const QString& setting,
                                        const QString& stored) {
    const QString number = code == StoreError::Overflow
                               ? QStringLiteral("a number from -32768 to 32767")
                               : QStringLiteral("a number");
    return {Cause::SettingsValue, code,
            QStringLiteral("The settings in the database file %1 hold '%2' as the %3, where %4 "
                           "belongs.")
                .arg(QDir::toNativeSeparators(file), stored, setting, number)};
}

QString StartupResult::message() const {
    if (m_cause == Cause::Port && m_code == PortError::NoSuchPort)
        return QStringLiteral("Invalid serial port!\r\nError code:8002\r\nError cause:");
    const QString message = QStringLiteral("Invalid serial port!") + QString::number(m_code);
    // What is wrong, or what to do about it, follows on a line of its own.
    const QString more = m_cause == Cause::Port ? PortError::hint(m_code) : m_detail;
    return more.isEmpty() ? message : message + QStringLiteral("\r\n") + more;
}
