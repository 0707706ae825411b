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
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(PortLossOverALine, LostLineIsToldRetriedAndResumedByItself) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1};
    options.timer = 40;
    ToolOnLine tool(options, {"--addresses", "1", "--baud", "115200", "--seed", "9"});
    ASSERT_TRUE(tool.load());
    MainWindow& main = *tool.window;
    MainStation& station = main.station();
    const LineStatistics& stats = station.health().statistics();
    main.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.line().stored >= 3; }, 5000));
    const QString port = station.port().description();
    EXPECT_EQ(port, "com1 -> " + tool.folder.path() + "/ports/com1");

    // The adapter vanishes mid-read; its link points at nothing now.
    tool.line.kill();
    ASSERT_TRUE(QFileInfo(tool.folder.path() + "/ports/com1").isSymLink());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !station.port().isOpen(); }, 5000));
    EXPECT_EQ(main.statusText(), PortRecovery::lostNotice(port));
    EXPECT_EQ(stats.line().portLosses, 1);

    // While it is gone: no busy loop (measured, not asserted), no other device.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(3000);
    std::printf("CPU while the port is gone: %.2f%% of one core over %.1f s\n",
                100.0 * (cpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0),
                double(wall.elapsed()) / 1000.0);
    EXPECT_FALSE(station.port().isOpen());
    EXPECT_EQ(station.port().description(), port);

    // A simulator on the same ports/com1 again: polling resumes by itself.
    const qint64 storedBefore = stats.line().stored;
    SimulatedLine again(tool.folder.path(), {"--addresses", "1", "--baud", "115200"});
    ASSERT_TRUE(again.started());
    wall.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats.line().stored > storedBefore; }, 15000));
    std::printf("Polling resumed %.1f s after the line came back\n",
                double(wall.elapsed()) / 1000.0);
    EXPECT_EQ(main.statusText(), PortRecovery::backNotice(port));
    EXPECT_TRUE(station.isReading());
    main.stopReading();
}

TEST(PortLossOverALine, SecondToolOnTheSameDeviceIsRefusedWhateverItsName) {
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
    EXPECT_NE(second.load(), 0);
    MessageBox::setHandler({});
    EXPECT_TRUE(shown.startsWith("Invalid serial port!8005")) << shown.toStdString();
    EXPECT_FALSE(second.station().port().isOpen());
    EXPECT_TRUE(first.window->station().port().isOpen());
}

} // namespace
