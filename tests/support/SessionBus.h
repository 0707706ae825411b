#pragma once

#include <QProcess>
#include <QString>

// A D-Bus session bus of a test's own (dbus-daemon), ended with the object.
class SessionBus {
public:
    // dbus-daemon; empty when not installed.
    static QString program();
    static QString skipReason() {
        return QStringLiteral("dbus-daemon is not installed (Debian package dbus-daemon)");
    }

    SessionBus();
    ~SessionBus();

    // Where clients connect; empty when the bus did not start.
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
