#include "LineOption.h"
#include "ProgramFolder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(LineOption, KeysOverTheStartingLineOrAOneLineError) {
    const StartingDatabase::Line base{{2, "Line 2", "2", "9600", 0, 500, 150, {}}, {1}};
    const std::tuple<const char*, StoredLine, QList<int>> good[] = {
        {"name=Pump house;port=COM3;baud=19200;parity=even;period=200;timeout=80;meters=1-3,7;",
         {2, "Pump house", "3", "19200", 2, 200, 80, {}},
         {1, 2, 3, 7}},
        {" port = /dev/ttyUSB4 ; meters=7,2-3,3,255 ",
         {2, "Line 2", "/dev/ttyUSB4", "9600", 0, 500, 150, {}},
         {2, 3, 7, 255}},
        {"", base.settings, base.meters},
    };
    for (const auto& [text, settings, meters] : good) {
        QString error;
        const std::optional<StartingDatabase::Line> line = LineOption::parse(text, base, &error);
        ASSERT_TRUE(line) << text << qPrintable(error);
        EXPECT_EQ(line->settings, settings) << text;
        EXPECT_EQ(line->meters, meters) << text;
    }
    const QString list = "is no list of addresses from 1 to 255 such as 1-3,7";
    const QString port = "is neither comN (N from 1 to 255) nor a device path";
    const std::pair<const char*, QString> bad[] = {
        {"speed=9600",
         "speed \"9600\" is no key (name, port, baud, parity, period, timeout, meters)"},
        {"port=ttyUSB0", "port \"ttyUSB0\" " + port},
        {"port=com0", "port \"com0\" " + port},
        {"parity=mark", "parity \"mark\" is none of none, odd, even"},
        {"baud=0", "baud \"0\" is no whole number above 0"},
        {"period=0", "period \"0\" is no whole number from 1 to 32767"},
        {"timeout=32768", "timeout \"32768\" is no whole number from 1 to 32767"},
        {"meters=3-1", "meters \"3-1\" " + list},
        {"meters=256", "meters \"256\" " + list},
        {"meters=1-2-3", "meters \"1-2-3\" " + list},
        {"name=", "name \"\" is empty"},
        {"name=a;name=b", "name is given twice"},
        {"name=a;port", "\"port\" is no key=value"},
    };
    for (const auto& [text, expected] : bad) {
        QString error;
        EXPECT_FALSE(LineOption::parse(text, base, &error)) << text;
        EXPECT_EQ(error, expected);
    }
}

// Line 1 takes the older options under its keys; a bad line or a 17th writes nothing.
TEST(LineOption, MakeDbWritesEveryLineOrNothing) {
    ProgramFolder folder({}, false);
    const auto makeDb = [&](QStringList arguments) {
        return QProcess::execute(MAKE_DB_PATH, arguments << folder.databasePath());
    };
    QStringList seventeen;
    for (int line = 1; line <= 17; ++line)
        seventeen << "--line"
                  << "";
    for (const QStringList& bad : {QStringList{"--line", "", "--line", "parity=mark"}, seventeen}) {
        EXPECT_EQ(makeDb(bad), 2);
        EXPECT_FALSE(QFile::exists(folder.databasePath()));
    }
    ASSERT_EQ(makeDb({"--baud", "4800", "--meters", "4,2", "--line", "name=Tank;period=300",
                      "--line", "port=/dev/ttyUSB1;meters=2"}),
              0);
    EXPECT_EQ(folder.rows("select com,settings,timer,line_name from kente"),
              QStringList({"1|4800|300|Tank"}));
    EXPECT_EQ(
        folder.rows("select number,name,port,baud,parity,poll_period,reply_timeout from lines"),
        QStringList({"2|Line 2|/dev/ttyUSB1|9600|0|500|150"}));
    EXPECT_EQ(folder.rows("select line,dizhi from yibiaodizhi order by line,dizhi"),
              QStringList({"1|2", "1|4", "2|2"}));
}

} // namespace
