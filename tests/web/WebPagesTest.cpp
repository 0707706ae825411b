#include "WebPages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

const QDateTime at1011(QDate(2026, 12, 8), QTime(10, 11, 12), Qt::OffsetFromUTC, 3600);
const qint64 alarmSince = 1796720000000;

// Two lines, a silent meter, names to escape, value texts that are no numbers.
StationState station() {
    StationState state;
    state.station = "Pump \"house\"\nNorth";
    state.toolVersion = "1.4.0";
    state.startedAt = at1011;
    StationState::Line well{1, "Well \"A\" \\ east", "com1 -> /dev/ttyUSB0", "ok", 2, {}};
    well.counts.requests = 40;
    StationState::Line reservoir{2, "Reservoir", "gw:502", "silent", 0, {}};
    reservoir.counts.medianReplyMs = 41.5;
    reservoir.counts.exceptions[2] = 3;
    state.lines = {well, reservoir};
    const QString total = "4294967295.25";
    Reading full{1, 1, "12.30", "m3/h", total, "0", "m3", "OK", "1.2", "----", "", at1011};
    Reading silent{1, 2, {}, {}, "7.5", {}, "m3", {}, {}, {}, {}, {}};
    state.meters = {{full, {}}, {silent, "No reply since 10:11:12 (3 polls)"}};
    state.alarms = {{1, 1, "Empty Pipe Alarm", alarmSince, alarmSince + 60000, 2},
                    {1, 2, "No Reply", alarmSince, {}, {}}};
    return state;
}

QJsonValue at(const QByteArray& json, const char* path) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QJsonValue value = document.isArray() ? QJsonValue(document.array()) : document.object();
    for (const QString& step : QString::fromLatin1(path).split('/'))
        value = value.isArray() ? value[step.toInt()] : value[step];
    return value;
}

} // namespace

TEST(WebPages, JsonKeepsTextsNullsAndTimesWithOffset) {
    const StationState state = station();
    const QByteArray stationDoc = WebPages::stationJson(state), lines = WebPages::linesJson(state),
                     meters = WebPages::metersJson(state), alarms = WebPages::alarmsJson(state);
    const struct {
        const QByteArray& document;
        const char* path;
        QJsonValue expected;
    } cases[] = {
        {stationDoc, "startedAt", "2026-12-08T10:11:12+01:00"},
        {stationDoc, "lastSnapshot", QJsonValue()},
        {lines, "1/counts/medianReplyMs", 41.5},
        {lines, "1/counts/exceptions/2", 3},
        {meters, "0/forwardTotal", "4294967295.25"},
        {meters, "0/spanPercentage", "----"},
        {meters, "0/electrodeImpedance", QJsonValue()},
        {meters, "1/flowRate", QJsonValue()},
        {meters, "1/noReply", "No reply since 10:11:12 (3 polls)"},
        {alarms, "0/acknowledged", true},
        {alarms, "1/acknowledgedAt", QJsonValue()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(at(c.document, c.path), c.expected) << c.path;
    // An alarm's time comes with its offset from UTC.
    const QString since = at(alarms, "0/since").toString();
    EXPECT_TRUE(
        QRegularExpression("T\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$").match(since).hasMatch());
    EXPECT_EQ(QDateTime::fromString(since, Qt::ISODate).toMSecsSinceEpoch(), alarmSince);
}

TEST(WebPages, MetricsSamples) {
    const QByteArray text = WebPages::metrics(station());
    for (
        const char* line : {
            R"(rx7100_info{station="Pump \"house\"\nNorth",version="1.4.0"} 1)",
            R"(rx7100_line_info{line="1",name="Well \"A\" \\ east",port="com1 -> /dev/ttyUSB0"} 1)",
            R"(rx7100_line_health{line="2",state="silent"} 1)",
            R"(rx7100_line_requests_total{line="1"} 40)",
            R"(rx7100_line_exceptions_total{line="2",code="2"} 3)",
            R"(rx7100_line_median_reply_seconds{line="2"} 0.0415)",
            R"(rx7100_flow_rate{line="1",meter="1",unit="m3/h"} 12.30)",
            R"(rx7100_forward_total{line="1",meter="1",unit="m3"} 4294967295.25)",
            R"(rx7100_meter_up{line="1",meter="2"} 0)",
            R"(rx7100_meter_last_reading_timestamp_seconds{line="1",meter="1"} 1796721072)",
            R"(rx7100_alarm_active{line="1",meter="1",alarm="empty_pipe"} 1)",
            R"(rx7100_alarm_active{line="1",meter="1",alarm="no_reply"} 0)",
        })
        EXPECT_TRUE(text.contains('\n' + QByteArray(line) + '\n')) << line;
    // "----" and an empty text give no sample, rather than NaN or a broken line.
    for (const char* absent : {R"(rx7100_span_percent{line="1",meter="1"})",
                               R"(rx7100_electrode_impedance_ohms{line="1",meter="1"})", "NaN"})
        EXPECT_FALSE(text.contains(absent)) << absent;
}

TEST(WebPages, MetricsPassPromtool) {
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(promtool, {"check", "metrics"});
    check.write(WebPages::metrics(station()));
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.readAll(), QByteArray());
    EXPECT_EQ(check.exitCode(), 0);
}
