#include "LineHealth.h"
#include "MessageBox.h"
#include "PortLocator.h"
#include "PortRecovery.h"
#include "QtSerialPort.h"
#include "SerialPort.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Where meter-sim links its line: the ports/comN link, or a device path
// the lookup finds when there is no link.
class PortLossOverALine : public testing::TestWithParam<QString> {};

TEST_P(PortLossOverALine, LostDeviceIsRetriedByItsOwnPathAndResumesByItself) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1};
    options.timer = 40;
    ProgramFolder folder(options);
    const QDir dir(folder.path());
    // A pseudo-terminal nobody answers on, standing in for a built-in port
    // such as /dev/ttyS0 that the lookup would find after a lost adapter.
    const int builtIn = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    const auto closer = qScopeGuard([builtIn] { ::close(builtIn); });
    ASSERT_TRUE(::grantpt(builtIn) == 0 && ::unlockpt(builtIn) == 0);
    ASSERT_TRUE(QFile::link(QString::fromLatin1(::ptsname(builtIn)), dir.filePath("ttyS0")));
    const QStringList simArguments{"--addresses", "1", "--baud", "115200"};
    auto line = std::make_unique<SimulatedLine>(folder.path(), simArguments, QString(), GetParam());
    ASSERT_TRUE(line->started());
    MainWindow main(folder.path(), std::make_unique<QtSerialPort>(PortLocator(
                                       {dir.filePath("ports/com%1"), dir.filePath("ttyUSB%2"),
                                        dir.filePath("ttyS%2")})));
    ASSERT_TRUE(main.load().isOk());
    Station& station = main.station();
    const auto stats = [&] { return station.health().statistics(); };
    main.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats().line().stored >= 3; }, 5000));
    const QString port = station.port().description();
    EXPECT_EQ(port, "com1 -> " + dir.filePath(GetParam()));

    // The adapter vanishes mid-read, and its path with it.
    const QString lostNotice = "Notice:Serial port lost (" + port + "), retrying";
    line.reset();
    ASSERT_FALSE(QFileInfo(dir.filePath(GetParam())).isSymLink());
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.statusText() == lostNotice; }, 5000));
    EXPECT_FALSE(station.port().isOpen());
    EXPECT_EQ(stats().line().portLosses, 1);

    // Two retries while it is gone, never on the built-in port that the
    // lookup would take now.
    QTest::qWait(6500);
    EXPECT_FALSE(station.port().isOpen());
    EXPECT_EQ(station.port().description(), port);
    EXPECT_EQ(main.statusText(), lostNotice);

    // The same device path again: polling resumes by itself.
    const qint64 storedBefore = stats().line().stored;
    line = std::make_unique<SimulatedLine>(folder.path(), simArguments, QString(), GetParam());
    ASSERT_TRUE(line->started());
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats().line().stored > storedBefore; }, 12000));
    EXPECT_EQ(main.statusText(), "Notice:Serial port is back (" + port + ")");
    EXPECT_TRUE(station.isReading());
    char byte;
    EXPECT_LE(::read(builtIn, &byte, 1), 0); // nothing was written to it
    main.stopReading();
}

INSTANTIATE_TEST_SUITE_P(Devices, PortLossOverALine, testing::Values("ports/com1", "ttyUSB0"),
                         [](const auto& info) {
                             return info.index == 0 ? "PortsLink" : "DeviceNode";
                         });

TEST(SilentLine, IsReopenedAgainAndAgainAndToldSilent) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1};
    options.timer = 40;
    // The line is up, but no meter on it answers address 1.
    ToolOnLine tool(options, {"--addresses", "9", "--baud", "115200"});
    ASSERT_TRUE(tool.load());
    Station& station = tool.window->station();
    const auto stats = [&] { return station.health().statistics(); };
    const QString port = station.port().description();
    tool.window->readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats().line().watchdogReopens >= 2; }, 15000));
    EXPECT_EQ(tool.window->statusText(), PortRecovery::silentNotice(port));
    EXPECT_EQ(station.port().description(), port);
    EXPECT_EQ(stats().line().portLosses, 0);
    tool.window->stopReading();
}

TEST(PortLock, SecondToolOnTheSameDeviceIsRefusedWhateverItsName) {
    ToolOnLine first({}, {"--addresses", "1", "--baud", "115200"});
    ASSERT_TRUE(first.load());
    // Another program folder whose com3 is another link to the same device.
    ProgramFolder other;
    ASSERT_TRUE(QDir(other.path()).mkpath("ports"));
    const QString device = QFileInfo(first.folder.path() + "/ports/com1").symLinkTarget();
    ASSERT_TRUE(QFile::link(device, other.path() + "/ports/com3"));
    ASSERT_TRUE(other.exec("update kente set com=3"));
    QString shown;
    MessageBox::setHandler([&](QWidget*, const QString&, const QString& text) { shown = text; });
    MainWindow second(other.path(), std::make_unique<QtSerialPort>(PortLocator(other.path())));
    EXPECT_FALSE(second.load().isOk());
    MessageBox::setHandler({});
    EXPECT_TRUE(shown.startsWith("Invalid serial port!8005")) << shown.toStdString();
    EXPECT_FALSE(second.station().port().isOpen());
    EXPECT_TRUE(first.window->station().port().isOpen());
}

} // namespace
