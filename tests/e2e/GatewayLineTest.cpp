#include "Broker.h"
#include "CRC16.h"
#include "LineHealth.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "ParameterWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "RealtimeRecord.h"
#include "Ser2net.h"
#include "SerialPort.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A line of `meters` behind the gateway at host:port.
StartingDatabase::Line gatewayLine(int number, StoredLine::Transport transport, const QString& host,
                                   int port, QList<int> meters) {
    StartingDatabase::Line line = fastLine(number, std::move(meters));
    line.settings.transport = transport;
    line.settings.host = host;
    line.settings.tcpPort = port;
    line.settings.port.clear();
    line.settings.replyTimeout = StoredLine::GatewayReplyTimeout;
    return line;
}

// meter-sim as a Modbus TCP gateway on `port`, its logs in `logs`.
std::unique_ptr<SimulatedLine> mbapGateway(const QTemporaryDir& logs, int port,
                                           const QStringList& more) {
    return std::make_unique<SimulatedLine>(logs.path(),
                                           QStringList{"--baud", "115200", "--tcp",
                                                       QStringLiteral("127.0.0.1:%1").arg(port),
                                                       "--framing", "mbap"} +
                                               more,
                                           logs.path(), "listening");
}

// A logged reply as the meter put it on the bus: a Modbus TCP reply loses
// its header and gains the CRC.
QString onTheBus(const QString& hex, bool mbap) {
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return mbap ? QString::fromLatin1(withCrc(bytes.mid(6)).toHex().toUpper()) : hex;
}

// A serial line, an RTU-over-TCP line through ser2net and a Modbus TCP line
// read at once, each row stored exactly under its line; a silent meter
// behind a gateway costs its neighbours no poll; a late reply is dropped;
// a gateway that stops and comes back is told and read again by itself,
// the serial line never pausing; a refused connection and a name that does
// not resolve are each told by their cause.
TEST(GatewayLines, EachFramingStoresItsOwnAndAGatewayComesBackAlone) {
    if (Ser2net::program().isEmpty())
        GTEST_SKIP() << Ser2net::skipReason().toStdString();
    QTemporaryDir logs[4];
    const QStringList fast{"--baud", "115200", "--addresses"};
    SimulatedLine bus(logs[1].path(), fast + QStringList{"1-2", "--seed", "2"}, logs[1].path(),
                      "bus");
    Ser2net ser2net(logs[1].filePath("bus"), 115200);
    ASSERT_TRUE(bus.started() && ser2net.start());
    const int mbapPort = Broker::freePort();
    const int latePort = Broker::freePort();
    const int closedPort = Broker::freePort();
    auto mbap = mbapGateway(logs[2], mbapPort, {"--addresses", "1,3,5", "--silent", "5"});
    auto late = mbapGateway(logs[3], latePort, {"--addresses", "1", "--wrong-tid", "0.3"});
    ASSERT_TRUE(mbap->started() && late->started());
    using Transport = StoredLine::Transport;
    StartingDatabase::Options options;
    options.lines = {
        fastLine(1, {1, 2}),
        gatewayLine(2, Transport::RtuOverTcp, "127.0.0.1", ser2net.port(), {1, 2}),
        gatewayLine(3, Transport::ModbusTcp, "127.0.0.1", mbapPort, {1, 3, 5}),
        gatewayLine(4, Transport::ModbusTcp, "127.0.0.1", latePort, {1}),
        gatewayLine(5, Transport::ModbusTcp, "127.0.0.1", closedPort, {1}),
        gatewayLine(6, Transport::ModbusTcp, "no-such-gateway.invalid", 502, {1}),
    };
    options.lines[1].settings.connectPause = 200; // as some boxes need
    ProgramFolder folder(options);
    SimulatedLine serial(folder.path(), fast + QStringList{"1-2", "--seed", "1"}, logs[0].path());
    ASSERT_TRUE(serial.started());
    Station station(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    ASSERT_TRUE(station.startUp().isOk());
    ASSERT_EQ(station.lines().size(), 6u);
    const auto counts = [&](int line) {
        return station.lines()[line - 1]->health().statistics().line();
    };
    const auto meter = [&](int line, int address) {
        return station.lines()[line - 1]->health().statistics().meter(address);
    };
    const auto loss = [&](int number) {
        Line& line = *station.lines()[number - 1];
        return line.call([&line] { return line.isLost() ? line.port().lossText() : QString(); });
    };
    station.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return counts(1).stored >= 30 && counts(2).stored >= 30 && counts(3).stored >= 30 &&
                   counts(4).staleReplies >= 3 && !loss(6).isEmpty();
        },
        30000));
    EXPECT_EQ(loss(5),
              QStringLiteral("Gateway 127.0.0.1:%1 refused the connection").arg(closedPort));
    EXPECT_EQ(loss(6), "Gateway no-such-gateway.invalid:502 cannot be found: the host name does "
                       "not resolve");

    // The gateway goes; the serial line reads on meanwhile, and the
    // gateway's line by itself once it is back.
    // What the operator is told, taken on this thread as a window would.
    QStringList told;
    const LineHealth& health = station.lines()[1]->health();
    QObject::connect(&health, &LineHealth::lineLost, &station,
                     [&told](const QString&, const QString& loss) { told << loss; });
    QObject::connect(&health, &LineHealth::lineBack, &station,
                     [&told](const QString&, const QString& back) { told << back; });
    ser2net.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.isEmpty(); }, 5000));
    const qint64 serialBefore = counts(1).stored;
    QTest::qWait(1500);
    EXPECT_GT(counts(1).stored, serialBefore + 20);
    ASSERT_TRUE(ser2net.start());
    const qint64 gatewayBefore = counts(2).stored;
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts(2).stored > gatewayBefore + 5; }, 15000));
    const QString gateway = QStringLiteral("Gateway 127.0.0.1:%1 ").arg(ser2net.port());
    EXPECT_EQ(told, QStringList({gateway + "closed the connection", gateway + "is back"}));
    station.stopReading();

    // Meter 5 is silent; its neighbours answered every poll, and the
    // connection was never given up for it.
    EXPECT_GT(meter(3, 5).noReply, 3);
    EXPECT_EQ(meter(3, 1).noReply + meter(3, 3).noReply, 0);
    EXPECT_EQ(counts(3).portLosses + counts(3).watchdogReopens, 0);
    // A reply to an earlier request never stands for the current one.
    EXPECT_LE(std::abs(meter(4, 1).noReply - counts(4).staleReplies), 1); // the poll still open

    const SimulatedLine* simulators[] = {&serial, &bus, mbap.get(), late.get()};
    for (const QString& row : folder.rows("select line, dizhi, MinuteAverage from yibiaodizhi "
                                          "where line < 5 and MinuteAverage <> ''")) {
        const QStringList fields = row.split(QLatin1Char('|'));
        const int line = fields[0].toInt();
        QStringList flows;
        for (const QString& hex : simulators[line - 1]->replies())
            if (const auto reading = decodeRealtimeRecord(onTheBus(hex, line >= 3));
                reading && reading->address == fields[1].toInt())
                flows << reading->flowRate.value_or(QString());
        EXPECT_TRUE(flows.contains(fields[2])) << row.toStdString();
    }
    EXPECT_EQ(
        folder.rows("select count(*) from yibiaodizhi where line < 5 and MinuteAverage <> ''"),
        QStringList{"7"});
}

// Parameters read and written over each framing, logged as over a serial line.
class ParametersOverAGateway : public testing::TestWithParam<StoredLine::Transport> {};

TEST_P(ParametersOverAGateway, ReadWriteAndReadBack) {
    const bool mbap = GetParam() == StoredLine::Transport::ModbusTcp;
    if (!mbap && Ser2net::program().isEmpty())
        GTEST_SKIP() << Ser2net::skipReason().toStdString();
    QTemporaryDir logs;
    const int port = Broker::freePort();
    std::unique_ptr<SimulatedLine> gateway;
    std::unique_ptr<Ser2net> ser2net;
    if (mbap) {
        gateway = mbapGateway(logs, port, {"--addresses", "1"});
    } else {
        gateway = std::make_unique<SimulatedLine>(
            logs.path(), QStringList{"--baud", "115200", "--addresses", "1"}, logs.path(), "bus");
        ser2net = std::make_unique<Ser2net>(logs.filePath("bus"), 115200);
        ASSERT_TRUE(ser2net->start());
    }
    ASSERT_TRUE(gateway->started());
    StartingDatabase::Options options;
    options.lines = {fastLine(1, {1}),
                     gatewayLine(2, GetParam(), "127.0.0.1", mbap ? port : ser2net->port(), {1})};
    ToolOnLine tool(options, {"--addresses", "1", "--baud", "115200"});
    ASSERT_TRUE(tool.load());
    Line& line = *tool.window->station().lines()[1];
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return line.call([&] { return line.port().isOpen(); }); }, 5000));

    ParameterWindow* window = tool.openParameterWindow();
    ASSERT_TRUE(window && window->lineList());
    window->lineList()->setCurrentIndex(1);
    ParameterForm& form = window->form();
    const Parameter& damping = *ParameterTable::byRegister(MeterRegister::Damping);
    window->readButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.valueAsRead(damping).isEmpty(); }, 5000));
    form.allowWriteBox(damping)->click();
    form.setText(damping, "7");
    form.writeButton(damping)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.valueAsRead(damping) == "7"; }, 5000));
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(tool.folder.rows("select quanxian,bianma,xiangmu,xieru from caozuo"),
              QStringList{"2|RX71000001|Damping|7"});
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    EXPECT_EQ(gateway->requests().mid(gateway->requests().indexOf(blockReads[0])),
              blockReads + QStringList{"01060026000729C3"} + blockReads);
}

INSTANTIATE_TEST_SUITE_P(Framings, ParametersOverAGateway,
                         testing::Values(StoredLine::Transport::RtuOverTcp,
                                         StoredLine::Transport::ModbusTcp));

} // namespace
