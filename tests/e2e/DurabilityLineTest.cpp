#include "SimulatedLine.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>

namespace {

// The station, reading and committing snapshots and log rows every few
// milliseconds, killed ten times at random moments: the file stays whole
// and keeps everything that was committed before each kill.
TEST(DurabilityOverALine, KillNineAtAnyMomentKeepsEveryCommittedRow) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2};
    options.timer = 20;
    ProgramFolder folder(options);
    SimulatedLine line(folder.path(), {"--addresses", "1-2", "--baud", "115200", "--seed", "6"});
    ASSERT_TRUE(line.started());
    std::mt19937 random(20260101);
    const auto count = [&](const char* table) {
        return folder.column(QStringLiteral("select count(*) from %1").arg(table))
            .value(0)
            .toLong();
    };
    long killedWithWork = 0;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const long history = count("Historydata");
        const long log = count("caozuo");
        QProcess driver;
        driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        driver.start(QStringLiteral(STATION_DRIVER_PATH), {folder.path()});
        ASSERT_TRUE(driver.waitForStarted(5000));
        QTest::qWait(std::uniform_int_distribution<int>(50, 600)(random));
        ::kill(pid_t(driver.processId()), SIGKILL);
        ASSERT_TRUE(driver.waitForFinished(5000));
        EXPECT_EQ(driver.exitStatus(), QProcess::CrashExit);

        // The last whole line the driver printed: what it had committed.
        const QStringList lines = QString::fromLatin1(driver.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        long snapshots = 0;
        long logRows = 0;
        if (!lines.isEmpty()) {
            const QStringList last = lines.last().split(QLatin1Char(' '));
            if (last.size() == 2) {
                snapshots = last[0].toLong();
                logRows = last[1].toLong();
            }
        }
        killedWithWork += logRows > 0 ? 1 : 0;
        EXPECT_EQ(folder.column("PRAGMA integrity_check"), QStringList({"ok"}));
        EXPECT_GE(count("Historydata"), history + 2 * snapshots);
        EXPECT_GE(count("caozuo"), log + logRows);
    }
    EXPECT_GE(killedWithWork, 5); // the kills did land in the middle of the work
}

} // namespace
