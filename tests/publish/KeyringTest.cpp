#include "Keyring.h"
#include "BrokerPassword.h"
#include "CredentialsFile.h"
#include "Database.h"
#include "ProgramFolder.h"
#include "PublishTable.h"
#include "SessionBus.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// gnome-keyring's Secret Service, unlocked, on a session bus of the test's
// own, so the user's own keyring is never touched. Once per process, in an
// executable of its own: Qt and GLib each read the bus's address only once.
class KeyringTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString keyring = QStandardPaths::findExecutable("gnome-keyring-daemon");
        if (SessionBus::program().isEmpty() || keyring.isEmpty()) {
            skip = keyring.isEmpty() ? "gnome-keyring-daemon is not installed (Debian package "
                                       "gnome-keyring)"
                                     : SessionBus::skipReason();
            return;
        }
        home = new QTemporaryDir;
        bus = new SessionBus;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus->address());
        environment.insert("HOME", home->path());
        environment.insert("XDG_DATA_HOME", home->filePath("data"));
        environment.insert("XDG_RUNTIME_DIR", home->filePath("run"));
        QDir(home->path()).mkdir("run");
        daemon = new QProcess;
        daemon->setProcessEnvironment(environment);
        // --foreground: it stays our child, so it ends with the test.
        daemon->start(keyring, {"--foreground", "--unlock", "--components=secrets"});
        daemon->write("unlock"); // a fresh login keyring gets this password
        daemon->closeWriteChannel();
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP"); // a KDE one would send QtKeychain to KWallet
        qunsetenv("DESKTOP_SESSION");
        const QDBusConnection watch = QDBusConnection::connectToBus(bus->address(), "watch");
        served = QTest::qWaitFor(
            [&] { return watch.interface()->isServiceRegistered("org.freedesktop.secrets"); },
            10000);
    }

    static void TearDownTestSuite() {
        delete daemon; // kills it and waits
        delete bus;
        delete home;
    }

    void SetUp() override {
        if (!skip.isEmpty())
            GTEST_SKIP() << skip.toStdString();
        ASSERT_TRUE(served) << "no Secret Service: " << daemon->readAllStandardError().constData();
    }

    static inline QString skip;
    static inline bool served = false;
    static inline QTemporaryDir* home = nullptr;
    static inline SessionBus* bus = nullptr;
    static inline QProcess* daemon = nullptr;
};

// What is written is read back; an empty password removes the entry, and
// a keyring without one has nothing to give, which is not a failure.
TEST_F(KeyringTest, KeepsThePasswordUntilAnEmptyOneRemovesIt) {
    for (const char* password : {"s3cret", "", ""}) {
        QString problem;
        EXPECT_TRUE(Keyring::write(password, &problem)) << qPrintable(problem);
        EXPECT_EQ(Keyring::read(&problem), password) << qPrintable(problem);
    }
}

// An older database's clear password moves to the keyring, which then holds
// the only copy: blanked in the database, no file left behind.
TEST_F(KeyringTest, OldClearPasswordMovesToTheKeyring) {
    StartingDatabase::Options options;
    options.publish = PublishTable::startingSettings();
    options.publish->password = "old secret";
    const ProgramFolder folder(options);
    Database db(folder.path());
    PublishTable table(db.connection());
    const QString file = BrokerPassword::folderFile(folder.path());
    QString problem;
    ASSERT_TRUE(CredentialsFile::create(file, "stale", &problem)) << qPrintable(problem);
    BrokerPassword password(folder.path(), {}, true);
    EXPECT_EQ(password.load(table), "old secret");
    EXPECT_EQ(table.storedPassword(), "");
    EXPECT_EQ(password.notes(), QStringList());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(Keyring::read(&problem), "old secret") << qPrintable(problem);
    // The next start finds it there.
    BrokerPassword again(folder.path(), {}, true);
    EXPECT_EQ(again.load(table), "old secret");
}

} // namespace
