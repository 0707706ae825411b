#include "ProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(MakeDb, PublishOptionsFillTheRowOrAreRefused) {
    const ProgramFolder dir({}, false);
    QFile password(dir.path() + "/password");
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("it's \"secret\"\r\nsecond line\n");
    password.close();
    const struct {
        QStringList arguments;
        const char* row; // none: refused
    } cases[] = {
        {{}, "0|localhost|1883|rx7100|||||1"},
        {{"--broker", "broker.plant"}, "1|broker.plant|1883|rx7100|||||1"},
        {{"--broker", "10.0.0.5:8883", "--station", "line-4", "--topic-prefix", "plant/north",
          "--qos", "0"},
         "1|10.0.0.5|8883|plant/north|line-4||||0"},
        {{"--broker", "[fd00::5]:1884"}, "1|fd00::5|1884|rx7100|||||1"},
        {{"--broker", "b", "--user", "me", "--password-file", password.fileName(), "--ca-file",
          "/etc/ssl/ca.pem"},
         "1|b|1883|rx7100||me|it's \"secret\"|/etc/ssl/ca.pem|1"},
        // Settings for later, publishing still off.
        {{"--station", "line-4"}, "0|localhost|1883|rx7100|line-4||||1"},
        {{"--broker", "b:x"}, nullptr},
        {{"--broker", "b", "--station", "a/b"}, nullptr},
        {{"--broker", "b", "--password-file", dir.path() + "/nothing"}, nullptr},
    };
    for (const auto& c : cases) {
        const ProgramFolder folder({}, false);
        QProcess makeDb;
        makeDb.start(QStringLiteral(MAKE_DB_PATH),
                     c.arguments + QStringList{folder.databasePath()});
        ASSERT_TRUE(makeDb.waitForFinished(10000));
        EXPECT_EQ(makeDb.exitCode(), c.row ? 0 : 2) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(QFile::exists(folder.databasePath()), c.row != nullptr);
        EXPECT_EQ(folder.rows("select * from publish").value(0),
                  c.row ? QString::fromUtf8(c.row) + "|0" : QString()); // discovery off
    }
}

} // namespace
