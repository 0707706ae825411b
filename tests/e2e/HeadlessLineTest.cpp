#include "Broker.h"
#include "SimulatedLine.h"
#include "Subscriber.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The tool as a service runs it: its own process, no display at all.
class HeadlessTool {
public:
    explicit HeadlessTool(const QString& folder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "");
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(TOOL_PATH), {"--headless", "--folder", folder});
        m_process.waitForStarted(5000);
    }
    ~HeadlessTool() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    void signal(int number) const { ::kill(pid_t(m_process.processId()), number); }
    // Waits for the end, running the test's event loop meanwhile.
    bool ended(int ms) {
        return QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, ms);
    }
    int exitCode() const {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    // Everything it has logged so far.
    QString log() {
        m_log += QString::fromUtf8(m_process.readAllStandardError());
        return m_log;
    }
    bool logged(const QString& text, int ms) {
        return QTest::qWaitFor([&] { return log().contains(text); }, ms);
    }

private:
    QProcess m_process;
    QString m_log;
};

StartingDatabase::Options threeMeters(std::optional<PublishSettings> publish = {}) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    options.timer = 30;
    options.publish = publish;
    return options;
}

const QStringList Line{"--addresses", "1-3", "--baud", "115200", "--turnaround", "1"};

bool everyMeterStored(const ProgramFolder& folder) {
    return QTest::qWaitFor(
        [&] {
            return folder.column("select count(*) from yibiaodizhi where CreateTime is not null") ==
                   QStringList{"3"};
        },
        15000);
}

TEST(Headless, ReadsTheLineIntoTheDatabaseAndEndsCleanlyOnASignal) {
    const std::pair<int, const char*> cases[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}};
    for (const auto& [number, name] : cases) {
        SCOPED_TRACE(name);
        ProgramFolder folder(threeMeters());
        SimulatedLine line(folder.path(), Line);
        ASSERT_TRUE(line.started());
        HeadlessTool tool(folder.path());
        ASSERT_TRUE(everyMeterStored(folder));
        tool.signal(number);
        ASSERT_TRUE(tool.ended(10000));
        EXPECT_EQ(tool.exitCode(), 0);
        const QString log = tool.log();
        EXPECT_TRUE(log.contains(QStringLiteral("rx7100-tool: reading com1 -> %1/ports/com1 "
                                                "(9600,n,8,1), poll period 30 ms, meters 1,2,3; "
                                                "database %1/RX7100 PC TOOL.db\n")
                                     .arg(folder.path())))
            << log.toStdString();
        EXPECT_TRUE(log.contains("rx7100-tool: publishing is off\n"));
        EXPECT_TRUE(log.contains(QStringLiteral("rx7100-tool: stopping (%1)\n").arg(name)));
        EXPECT_TRUE(log.endsWith("rx7100-tool: stopped\n"));
        // Each line carries its time.
        EXPECT_TRUE(QRegularExpression("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                       "rx7100-tool: [^\\n]*\\n)+$")
                        .match(log)
                        .hasMatch());
    }
}

TEST(Headless, ALostPortIsLoggedAndReadingResumesWhenItIsBack) {
    ProgramFolder folder(threeMeters());
    std::optional<SimulatedLine> line(std::in_place, folder.path(), Line);
    ASSERT_TRUE(line->started());
    HeadlessTool tool(folder.path());
    ASSERT_TRUE(everyMeterStored(folder));
    const QString port = QStringLiteral("com1 -> %1/ports/com1").arg(folder.path());
    line->kill();
    EXPECT_TRUE(tool.logged(
        QStringLiteral("rx7100-tool: serial port lost: %1; trying again\n").arg(port), 5000))
        << tool.log().toStdString();
    line.emplace(folder.path(), Line);
    ASSERT_TRUE(line->started());
    EXPECT_TRUE(tool.logged(QStringLiteral("rx7100-tool: serial port back: %1\n").arg(port), 15000))
        << tool.log().toStdString();
    tool.signal(SIGTERM);
    ASSERT_TRUE(tool.ended(10000));
    EXPECT_EQ(tool.exitCode(), 0);
}

TEST(Headless, AFolderWithoutADatabaseEndsWithTheReason) {
    ProgramFolder folder({}, false);
    HeadlessTool tool(folder.path());
    ASSERT_TRUE(tool.ended(10000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.log().contains(
        QStringLiteral(": Invalid serial port!14 The database file %1 is missing.\n")
            .arg(QDir::toNativeSeparators(folder.databasePath()))))
        << tool.log().toStdString();
}

TEST(Headless, TheBrokerHearsOfflineWhetherItEndsOrIsKilled) {
    if (Broker::program().isEmpty())
        GTEST_SKIP() << Broker::skipReason().toStdString();
    Broker broker;
    ASSERT_TRUE(broker.start());
    // Ended, the tool says "offline" itself; killed, the broker says it for it.
    const struct {
        int signal;
        int exitCode;
        const char* station;
    } cases[] = {{SIGTERM, 0, "ended"}, {SIGKILL, -1, "killed"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        const QByteArray topic = QByteArray("plant/") + c.station;
        Subscriber subscriber(broker.port(), topic + "/#");
        ASSERT_TRUE(subscriber.waitForReady(5000));
        ProgramFolder folder(threeMeters(
            PublishSettings{true, "127.0.0.1", broker.port(), "plant", c.station, "", "", "", 1}));
        // Slow answers: at the signal, one is most likely still on its way.
        SimulatedLine line(folder.path(),
                           {"--addresses", "1-3", "--baud", "115200", "--turnaround", "15"});
        ASSERT_TRUE(line.started());
        HeadlessTool tool(folder.path());
        ASSERT_TRUE(everyMeterStored(folder));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return subscriber.payloads(topic + "/meter/3/reading").size() >= 2; }, 10000));
        tool.signal(c.signal);
        ASSERT_TRUE(tool.ended(10000));
        EXPECT_EQ(tool.exitCode(), c.exitCode);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return subscriber.payloads(topic + "/status").size() >= 2; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(subscriber.payloads(topic + "/status"), QByteArrayList({"online", "offline"}));
        if (c.signal == SIGTERM) {
            const QString log = tool.log();
            EXPECT_TRUE(log.contains(
                QStringLiteral("rx7100-tool: publishing to 127.0.0.1:%1\n").arg(broker.port())))
                << log.toStdString();
            EXPECT_EQ(log.count("connecting to the broker"), 1);
            EXPECT_FALSE(log.contains("delivered")) << log.toStdString();
            // The last reading stored went out, and "offline" after it.
            EXPECT_EQ(subscriber.messages().last().payload, QByteArray("offline"));
            for (int meter : {1, 2, 3}) {
                const QString total =
                    folder
                        .column(QStringLiteral("select Foward from yibiaodizhi where dizhi=%1")
                                    .arg(meter))
                        .value(0);
                const QByteArrayList readings =
                    subscriber.payloads(topic + "/meter/" + QByteArray::number(meter) + "/reading");
                ASSERT_FALSE(readings.isEmpty());
                EXPECT_TRUE(readings.last().contains("\"forward_total\":" + total.toLatin1() + ","))
                    << meter;
            }
        }
    }
}

} // namespace
