#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Tells the desktop through its notification server
// (org.freedesktop.Notifications on the session bus). The call does not
// wait for the server; a server that is missing or refuses is reported.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body);

signals:
    // The notification was not shown, and why.
    void failed(const QString& reason);

private:
    QDBusConnection m_bus;
};
