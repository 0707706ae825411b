#include "DesktopNotifier.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A notification server that shows nothing and keeps what it was asked.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        shown << QStringList{app, summary, body, QString::number(hints.value("urgency").toInt())}
                     .join('|');
        return uint(shown.size());
    }
};

// A notification reaches the server on a real session bus of the test's
// own; with no server there, the notifier says why.
TEST(DesktopNotifier, NotifiesTheServerOnTheBusOrSaysWhyNot) {
    if (SessionBus::program().isEmpty())
        GTEST_SKIP() << SessionBus::skipReason().toStdString();
    const SessionBus bus;
    const QString address = bus.address();
    ASSERT_FALSE(address.isEmpty());
    for (const bool served : {true, false}) {
        const QString tag = served ? "served" : "unserved";
        QDBusConnection receiver = QDBusConnection::connectToBus(address, "receiver-" + tag);
        NotificationServer server;
        if (served) {
            ASSERT_TRUE(receiver.registerService("org.freedesktop.Notifications") &&
                        receiver.registerObject("/org/freedesktop/Notifications", &server,
                                                QDBusConnection::ExportAllSlots));
        }
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "sender-" + tag));
        QStringList failures;
        QObject::connect(&notifier, &DesktopNotifier::failed,
                         [&](const QString& reason) { failures << reason; });
        notifier.notify("Meter alarm", "Empty Pipe Alarm, Line 1 meter 2");
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !server.shown.isEmpty() || !failures.isEmpty(); }, 5000));
        EXPECT_EQ(server.shown,
                  served ? QStringList{"RX7100 PC TOOL|Meter alarm|Empty Pipe Alarm, Line 1 meter "
                                       "2|2"}
                         : QStringList());
        EXPECT_EQ(failures.size(), served ? 0 : 1);
        if (!served) {
            EXPECT_TRUE(failures.value(0).contains("org.freedesktop.Notifications"))
                << failures.value(0).toStdString();
            continue;
        }
        receiver.unregisterObject("/org/freedesktop/Notifications");
        receiver.unregisterService("org.freedesktop.Notifications");
    }
}

} // namespace

#include "DesktopNotifierTest.moc"
