#include "Broker.h"
#include "Chromium.h"
#include "CredentialsFile.h"
#include "SimulatedLine.h"
#include "Subscriber.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The tool as a service runs it: its own process, no display at all.
class HeadlessTool {
public:
    explicit HeadlessTool(const QString& folder, const QStringList& more = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "");
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(TOOL_PATH),
                        QStringList{"--headless", "--folder", folder} + more);
    }
    ~HeadlessTool() {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    // Waits for the end: the exit code, -1 if killed, -2 if still running.
    int exitCode() {
        if (!QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, 10000))
            return -2;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    int endBy(int signal) {
        ::kill(pid_t(m_process.processId()), signal);
        return exitCode();
    }
    // Everything it has logged so far.
    QString log() { return m_log += QString::fromUtf8(m_process.readAllStandardError()); }
    bool logged(const QString& text) {
        return QTest::qWaitFor([&] { return log().contains(text); }, 15000);
    }

private:
    QProcess m_process;
    QString m_log;
};

TEST(Headless, AFolderWithoutADatabaseEndsWithTheReason) {
    ProgramFolder folder({}, false);
    HeadlessTool tool(folder.path());
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.log().contains(
        QStringLiteral(": Invalid serial port!14 The database file %1 is missing.\n")
            .arg(QDir::toNativeSeparators(folder.databasePath()))))
        << tool.log().toStdString();
}

// Reading into the database and publishing, through a lost port; ended,
// the tool sends what waits and says "offline" itself; killed, the broker
// says it for it.
TEST(Headless, ReadsAndPublishesThroughALostPortAndEndsCleanlyOnASignal) {
    if (Broker::program().isEmpty())
        GTEST_SKIP() << Broker::skipReason().toStdString();
    Broker broker;
    ASSERT_TRUE(broker.start());
    // Slow answers: at the signal, one is most likely still on its way.
    const QStringList arguments{"--addresses",  "1-3", "--baud",  "115200",
                                "--turnaround", "15",  "--alarm", "1:2"};
    for (const int signal : {SIGINT, SIGKILL}) {
        const QByteArray topic = "plant/" + QByteArray::number(signal);
        Subscriber subscriber(broker.port(), topic + "/#");
        ASSERT_TRUE(subscriber.waitForReady(5000));
        StartingDatabase::Options options;
        options.meters = QList<int>{1, 2, 3};
        options.timer = 30;
        options.publish = PublishSettings{
            true, "127.0.0.1", broker.port(), "plant", QString::number(signal), "", "", "", 1};
        ProgramFolder folder(options);
        auto line = std::make_unique<SimulatedLine>(folder.path(), arguments);
        ASSERT_TRUE(line->started());
        HeadlessTool tool(folder.path());
        const QString port = QStringLiteral("com1 -> %1/ports/com1").arg(folder.path());
        if (signal == SIGINT) {
            ASSERT_TRUE(tool.logged("rx7100-tool: reading " + port));
            line.reset();
            EXPECT_TRUE(
                tool.logged(QStringLiteral("serial port lost: %1; trying again\n").arg(port)));
            line = std::make_unique<SimulatedLine>(folder.path(), arguments);
            ASSERT_TRUE(line->started());
            EXPECT_TRUE(
                tool.logged(QStringLiteral("rx7100-tool: serial port back: %1\n").arg(port)));
        }
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return folder.column(
                           "select count(*) from yibiaodizhi where CreateTime is not null") ==
                           QStringList{"3"} &&
                       subscriber.payloads(topic + "/line/1/meter/3/reading").size() >= 2;
            },
            15000));
        EXPECT_EQ(tool.endBy(signal), signal == SIGINT ? 0 : -1);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return subscriber.payloads(topic + "/status").size() >= 2; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(subscriber.payloads(topic + "/status"), QByteArrayList({"online", "offline"}));
        if (signal == SIGKILL)
            continue;
        const QString log = tool.log();
        EXPECT_TRUE(
            log.contains(QStringLiteral("rx7100-tool: reading %1 (9600,n,8,1), poll period 30 "
                                        "ms, meters 1,2,3; database %2/RX7100 PC TOOL.db\n")
                             .arg(port, folder.path())));
        EXPECT_TRUE(log.contains(
            QStringLiteral("rx7100-tool: publishing to 127.0.0.1:%1\n").arg(broker.port())));
        EXPECT_TRUE(log.contains("rx7100-tool: alarm came: Low Battery Alarm, line 1 meter 1\n"));
        EXPECT_TRUE(log.contains("rx7100-tool: stopping (SIGINT)\n"));
        EXPECT_TRUE(log.endsWith("rx7100-tool: stopped\n")) << log.toStdString();
        EXPECT_EQ(log.count("connecting to the broker"), 1);
        // Each line carries its time.
        EXPECT_TRUE(QRegularExpression("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                       "rx7100-tool: [^\\n]*\\n)+$")
                        .match(log)
                        .hasMatch());
        // The last reading stored went out, and "offline" after it.
        EXPECT_EQ(subscriber.messages().last().payload, QByteArray("offline"));
        for (const char* meter : {"1", "2", "3"}) {
            const QByteArray total =
                folder.column(QStringLiteral("select Foward from yibiaodizhi where dizhi=") + meter)
                    .value(0)
                    .toLatin1();
            const QByteArrayList readings =
                subscriber.payloads(topic + "/line/1/meter/" + meter + "/reading");
            EXPECT_TRUE(
                readings.value(readings.size() - 1).contains("\"forward_total\":" + total + ","))
                << meter;
        }
    }
}

} // namespace

namespace {

const QByteArray Token = "t0ken-of-the-station";

// The body of a GET with the token, or the whole answer when it is not a 200.
QByteArray fetch(int port, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!socket.waitForConnected(5000))
        return "not connected";
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + Token +
                 "\r\n\r\n");
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000)) {
    }
    const QByteArray answer = socket.readAll();
    const qsizetype body = answer.indexOf("\r\n\r\n");
    return answer.startsWith("HTTP/1.1 200 ") && body > 0 ? answer.mid(body + 4) : answer;
}

} // namespace

// The service's web status shows what the station stores: every meter's
// reading in the JSON API, as metrics Prometheus takes, and on the page
// opened with the token in a browser.
TEST(Headless, ServesItsStatusOverHttp) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    options.timer = 30;
    ProgramFolder folder(options);
    SimulatedLine line(folder.path(), {"--addresses", "1-3", "--baud", "115200", "--alarm", "2:3"});
    ASSERT_TRUE(line.started());
    const int port = Broker::freePort();
    QString problem;
    ASSERT_TRUE(CredentialsFile::create(folder.path() + "/http-token", Token, &problem));
    HeadlessTool tool(folder.path(), {"--http", QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(
        tool.logged(QStringLiteral("web status at http://127.0.0.1:%1/ (token)\n").arg(port)))
        << tool.log().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return folder.column("select count(*) from yibiaodizhi where CreateTime is not null") ==
                   QStringList{"3"};
        },
        15000));
    QTest::qWait(1000); // the state is taken twice a second

    const QJsonArray meters = QJsonDocument::fromJson(fetch(port, "/api/v1/meters")).array();
    ASSERT_EQ(meters.size(), 3) << fetch(port, "/api/v1/meters").toStdString();
    for (const QJsonValue& meter : meters) {
        const QString address = QString::number(meter["address"].toInt());
        EXPECT_EQ(meter["line"].toInt(), 1);
        EXPECT_FALSE(meter["forwardTotal"].toString().isEmpty()) << address.toStdString();
        EXPECT_FALSE(meter["time"].isNull()) << address.toStdString();
    }
    EXPECT_TRUE(fetch(port, "/api/v1/alarms").contains("\"Empty Pipe Alarm\""));

    const QByteArray metrics = fetch(port, "/metrics");
    EXPECT_TRUE(metrics.contains("rx7100_line_requests_total{line=\"1\"}"))
        << metrics.toStdString();
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (!promtool.isEmpty()) {
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        check.write(metrics);
        check.closeWriteChannel();
        ASSERT_TRUE(check.waitForFinished(10000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    }

    if (Chromium::program().isEmpty())
        GTEST_SKIP() << Chromium::skipReason().toStdString();
    const QUrl page(QStringLiteral("http://127.0.0.1:%1/#token=%2").arg(port).arg(Token));
    const QString dom = QString::fromUtf8(Chromium::dumpDom(page));
    for (const QJsonValue& meter : meters) {
        const QString row = QStringLiteral("data-meter=\"1-%1\"").arg(meter["address"].toInt());
        const qsizetype at = dom.indexOf(row);
        ASSERT_GE(at, 0) << row.toStdString() << "\n" << dom.toStdString();
        const QString shown = dom.mid(at, dom.indexOf("</tr>", at) - at);
        EXPECT_TRUE(shown.contains(meter["totalizerUnit"].toString())) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QRegularExpression("class=\"n forward\"[^>]*>[0-9.]+ " +
                                                      meter["totalizerUnit"].toString())))
            << shown.toStdString();
    }
    EXPECT_TRUE(dom.contains("Empty Pipe Alarm"));
    EXPECT_TRUE(dom.contains("<p id=\"notice\" role=\"status\"></p>")); // nothing went wrong
    QDir().mkpath(ARTEFACT_DIR);
    EXPECT_TRUE(Chromium::screenshot(page, ARTEFACT_DIR "/status-page-phone.png"));
    EXPECT_EQ(tool.endBy(SIGTERM), 0);
}
