#include "LineHealth.h"
#include "MainStation.h"
#include "MessageBox.h"
#include "PortLocator.h"
#include "PortRecovery.h"
#include "QtSerialPort.h"
#include "SerialPort.h"
#include "SimulatedLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A pseudo-terminal nobody answers on, standing in for a built-in port
// such as /dev/ttyS0 that the lookup would find after a lost adapter.
class BuiltInPort {
public:
    BuiltInPort() : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_device = QString::fromLatin1(::ptsname(m_master));
    }
    ~BuiltInPort() {
        if (m_master >= 0)
            ::close(m_master);
    }
    QString device() const { return m_device; }
    // Whether the tool wrote anything to it.
    bool written() const {
        char byte;
        return ::read(m_master, &byte, 1) > 0;
    }

private:
    int m_master;
    QString m_device;
};

struct LossCase {
    const char* name;
    // Where meter-sim links its line: the ports/comN link, or a device
    // path the lookup finds when there is no link.
    QString simLink;
};

void PrintTo(const LossCase& c, std::ostream* os) {
    *os << c.name;
}

class PortLossOverALine : public testing::TestWithParam<LossCase> {};

TEST_P(PortLossOverALine, LostDeviceIsRetriedByItsOwnPathAndResumesByItself) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1};
    options.timer = 40;
    ProgramFolder folder(options);
    const QDir dir(folder.path());
    BuiltInPort builtIn;
    ASSERT_FALSE(builtIn.device().isEmpty());
    ASSERT_TRUE(QFile::link(builtIn.device(), dir.filePath("ttyS0")));
    const QStringList simArguments{"--addresses", "1", "--baud", "115200"};
    auto line =
        std::make_unique<SimulatedLine>(folder.path(), simArguments, QString(), GetParam().simLink);
    ASSERT_TRUE(line->started());
    MainWindow main(folder.path(), std::make_unique<QtSerialPort>(PortLocator(
                                       {dir.filePath("ports/com%1"), dir.filePath("ttyUSB%2"),
                                        dir.filePath("ttyS%2")})));
    ASSERT_TRUE(main.load().isOk());
    MainStation& station = main.station();
    const LineStatistics& stats = station.health().statistics();
    main.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.line().stored >= 3; }, 5000));
    const QString port = station.port().description();
    EXPECT_EQ(port, "com1 -> " + dir.filePath(GetParam().simLink));

    // The adapter vanishes mid-read, and its path with it.
    line->stop();
    ASSERT_FALSE(QFileInfo(dir.filePath(GetParam().simLink)).isSymLink());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !station.port().isOpen(); }, 5000));
    EXPECT_EQ(main.statusText(), PortRecovery::lostNotice(port));
    EXPECT_EQ(stats.line().portLosses, 1);

    // While it is gone (two retries): no busy loop (measured, not asserted),
    // and never the built-in port that the lookup would take now.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(6500);
    std::printf("CPU while the port is gone: %.2f%% of one core over %.1f s\n",
                100.0 * (cpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0),
                double(wall.elapsed()) / 1000.0);
    EXPECT_FALSE(station.port().isOpen());
    EXPECT_EQ(station.port().description(), port);
    EXPECT_EQ(main.statusText(), PortRecovery::lostNotice(port));

    // The same device path again: polling resumes by itself.
    const qint64 storedBefore = stats.line().stored;
    line =
        std::make_unique<SimulatedLine>(folder.path(), simArguments, QString(), GetParam().simLink);
    ASSERT_TRUE(line->started());
    wall.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.line().stored > storedBefore; }, 12000));
    std::printf("Polling resumed %.1f s after the line came back\n",
                double(wall.elapsed()) / 1000.0);
    EXPECT_EQ(main.statusText(), PortRecovery::backNotice(port));
    EXPECT_TRUE(station.isReading());
    EXPECT_FALSE(builtIn.written());
    main.stopReading();
}

INSTANTIATE_TEST_SUITE_P(Devices, PortLossOverALine,
                         testing::Values(LossCase{"PortsLink", "ports/com1"},
                                         LossCase{"DeviceNode", "ttyUSB0"}),
                         [](const testing::TestParamInfo<LossCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SilentLine, IsReopenedAgainAndAgainAndToldSilent) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1};
    options.timer = 40;
    // The line is up, but no meter on it answers address 1.
    ToolOnLine tool(options, {"--addresses", "9", "--baud", "115200"});
    ASSERT_TRUE(tool.load());
    MainStation& station = tool.window->station();
    const LineStatistics& stats = station.health().statistics();
    const QString port = station.port().description();
    tool.window->readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.line().watchdogReopens >= 2; }, 15000));
    EXPECT_EQ(tool.window->statusText(), PortRecovery::silentNotice(port));
    EXPECT_EQ(station.port().description(), port);
    EXPECT_EQ(stats.line().portLosses, 0);
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
