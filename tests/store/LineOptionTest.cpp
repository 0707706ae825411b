#include "LineOption.h"
#include "ProgramFolder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(LineOption, KeysOverTheStartingLineOrAOneLineError) {
    using enum StoredLine::Transport;
    const StartingDatabase::Line base{{2, "Line 2", "2", "9600", 0, 500, 150}, {1}};
    const std::tuple<const char*, StoredLine, QList<int>> good[] = {
        {"name=Pump house;port=COM3;baud=19200;parity=even;period=200;timeout=80;meters=1-3,7;",
         {2, "Pump house", "3", "19200", 2, 200, 80},
         {1, 2, 3, 7}},
        {" port = /dev/ttyUSB4 ; meters=7,2-3,3,255 ",
         {2, "Line 2", "/dev/ttyUSB4", "9600", 0, 500, 150},
         {2, 3, 7, 255}},
        {"", base.settings, base.meters},
        {"transport=modbus-tcp;host=10.0.0.5",
         {2, "Line 2", "", "9600", 0, 500, 500, ModbusTcp, "10.0.0.5", 502},
         {1}},
        {"transport=RTU-TCP;host=gw;tcp-port=4001;connect-timeout=900;gap=20;connect-pause=7;"
         "timeout=80",
         {2, "Line 2", "", "9600", 0, 500, 80, RtuOverTcp, "gw", 4001, 900, 20, 7},
         {1}},
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
        {"speed=9600", "speed \"9600\" is no key (name, port, baud, parity, period, timeout, "
                       "meters, transport, host, tcp-port, connect-timeout, gap, connect-pause)"},
        {"transport=can", "transport \"can\" is none of serial, rtu-tcp, modbus-tcp"},
        {"transport=modbus-tcp", "host is needed for a gateway line"},
        {"transport=rtu-tcp;host=gw", "tcp-port is needed for transport rtu-tcp"},
        {"tcp-port=65536", "tcp-port \"65536\" is no whole number from 1 to 65535"},
        {"connect-timeout=0", "connect-timeout \"0\" is no whole number from 1 to 32767"},
        {"transport=modbus-tcp;host=gw;port=com2",
         "port is for a serial line; a gateway line has host and tcp-port"},
        {"connect-pause=5",
         "connect-pause is for a gateway line (transport=rtu-tcp or modbus-tcp)"},
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
    QString error;
    EXPECT_FALSE(LineOption::parse("transport=modbus-tcp", {{1, {}, {}, {}}, {}}, &error));
    EXPECT_EQ(error, "line 1 is the station's serial line: its transport is serial");
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
    for (const QStringList& bad :
         {QStringList{"--line", "", "--line", "parity=mark"}, seventeen, {"--keep-days", "-1"}}) {
        EXPECT_EQ(makeDb(bad), 2);
        EXPECT_FALSE(QFile::exists(folder.databasePath()));
    }
    ASSERT_EQ(makeDb({"--baud", "4800", "--keep-days", "30", "--meters", "4,2", "--line",
                      "name=Tank;period=300", "--line", "port=/dev/ttyUSB1;meters=2", "--line",
                      "transport=modbus-tcp;host=gw;meters=3"}),
              0);
    EXPECT_EQ(folder.rows("select com,settings,timer,line_name,keep_days from kente"),
              QStringList({"1|4800|300|Tank|30"}));
    EXPECT_EQ(folder.rows("select number,name,port,baud,parity,poll_period,reply_timeout,"
                          "transport,host,tcp_port from lines"),
              QStringList({"2|Line 2|/dev/ttyUSB1|9600|0|500|150|serial||0",
                           "3|Line 3||9600|0|500|500|modbus-tcp|gw|502"}));
    EXPECT_EQ(folder.rows("select line,dizhi from yibiaodizhi order by line,dizhi"),
              QStringList({"1|2", "1|4", "2|2", "3|3"}));
}

} // namespace
