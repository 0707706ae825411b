#include "Discovery.h"
#include "MessageQueue.h"
#include "ReadingMessage.h"
#include "Topics.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

Reading fullReading() {
    return {.address = 7,
            .flowRate = "-3.10",
            .flowRateUnit = "m3/h",
            .forwardTotal = "4294967295.25",
            .reverseTotal = "0.00",
            .totalizerUnit = "m3",
            .status = "Communication OK,Excitation Alarm",
            .flowSpeed = "1.25",
            .spanPercentage = "12.30",
            .electrodeImpedance = "1024.00",
            .time = QDateTime(QDate(2026, 12, 6), QTime(10, 11, 12, 987),
                              QTimeZone(-(3 * 3600 + 1800)))};
}

// Numbers go as their digits; missing values and texts that are no JSON
// number are null, and odd alarm texts are escaped.
TEST(ReadingMessage, EveryStoredValueUnderItsKey) {
    Reading blank; // a listed meter that never answered
    blank.address = 3;
    blank.line = 12;
    Reading odd = fullReading();
    odd.flowRate = "";      // blanked at start-up
    odd.flowSpeed = "1,25"; // no JSON number: never pasted in as it is
    odd.forwardTotal = "007";
    odd.status = QString::fromUtf8("Alarm \"A\"\\B\n\x01 é");
    odd.totalizerUnit = std::nullopt;
    const std::pair<Reading, const char*> cases[] = {
        {fullReading(),
         R"({"line":1,"line_name":"Pump \"A\"","meter":7,"time":"2026-12-06T10:11:12-03:30",)"
         R"("flow_rate":-3.10,)"
         R"("forward_total":4294967295.25,"reverse_total":0.00,"flow_speed":1.25,)"
         R"("span_percent":12.30,"electrode_impedance":1024.00,"flow_rate_unit":"m3/h",)"
         R"("totalizer_unit":"m3","alarms":"Communication OK,Excitation Alarm"})"},
        {blank, R"({"line":12,"line_name":"","meter":3,"time":null,"flow_rate":null,)"
                R"("forward_total":null,)"
                R"("reverse_total":null,"flow_speed":null,"span_percent":null,)"
                R"("electrode_impedance":null,"flow_rate_unit":null,"totalizer_unit":null,)"
                R"("alarms":null})"},
        {odd, R"({"line":1,"line_name":"Pump \"A\"","meter":7,)"
              R"("time":"2026-12-06T10:11:12-03:30","flow_rate":null,)"
              R"("forward_total":null,"reverse_total":0.00,"flow_speed":null,)"
              R"("span_percent":12.30,"electrode_impedance":1024.00,"flow_rate_unit":"m3/h",)"
              R"("totalizer_unit":null,"alarms":"Alarm \"A\"\\B\u000a\u0001 é"})"},
    };
    const QHash<int, QString> names{{1, "Pump \"A\""}};
    for (const auto& [reading, json] : cases)
        EXPECT_EQ(QString::fromUtf8(ReadingMessage::json(reading, names.value(reading.line))),
                  QString::fromUtf8(json));
    EXPECT_EQ(ReadingMessage::snapshotJson({}, names), QByteArray("[]"));
    EXPECT_EQ(ReadingMessage::snapshotJson({fullReading(), blank}, names),
              '[' + ReadingMessage::json(fullReading(), names[1]) + ',' +
                  ReadingMessage::json(blank, {}) + ']');
}

// Local time with its offset to the second, never "Z".
TEST(ReadingMessage, TimeIsLocalWithItsOffsetToTheSecond) {
    const QDate day(2026, 3, 1);
    EXPECT_EQ(ReadingMessage::timeText(QDateTime(day, QTime(0, 0), QTimeZone(0))),
              QByteArray("2026-03-01T00:00:00+00:00"));
    const QDateTime local(day, QTime(12, 0));
    EXPECT_EQ(
        QDateTime::fromString(QString::fromLatin1(ReadingMessage::timeText(local)), Qt::ISODate),
        local);
}

TEST(ReadingMessage, JsonNumbers) {
    for (const char* yes : {"0", "-0", "0.00", "-3.10", "4294967295.25", "1e5", "2.5E-3"})
        EXPECT_TRUE(ReadingMessage::isJsonNumber(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", "-", "01", "1.", ".5", "+1", "1,5", "nan", "1e", "1 ", "0x1"})
        EXPECT_FALSE(ReadingMessage::isJsonNumber(QString::fromLatin1(no))) << no;
}

PublishSettings settings(const QString& prefix, const QString& station) {
    return {true, "broker", 1883, prefix, station, "", "", "", 1};
}

TEST(Topics, StationLevelsUnderThePrefix) {
    const Topics topics(settings("plant/rx7100", "line-4"));
    EXPECT_EQ(topics.reading(1, 7), QByteArray("plant/rx7100/line-4/line/1/meter/7/reading"));
    EXPECT_EQ(topics.meterStatus(16, 255),
              QByteArray("plant/rx7100/line-4/line/16/meter/255/status"));
    EXPECT_EQ(topics.stationStatus(), QByteArray("plant/rx7100/line-4/status"));
    EXPECT_EQ(topics.snapshot(), QByteArray("plant/rx7100/line-4/snapshot"));
    EXPECT_EQ(Topics(settings("rx7100", "")).station(), QSysInfo::machineHostName());
}

TEST(Topics, SettingsThatCannotBeUsed) {
    const auto with = [](auto change) {
        PublishSettings s = settings("rx7100", "");
        change(s);
        return s;
    };
    const std::pair<PublishSettings, bool> cases[] = {
        {settings("rx7100", ""), true},
        {with([](auto& s) { s.host = " "; }), false},
        {with([](auto& s) { s.port = 0; }), false},
        {with([](auto& s) { s.port = 65536; }), false},
        {with([](auto& s) { s.qos = 2; }), false},
        {with([](auto& s) { s.qos = 0; }), true},
        {with([](auto& s) { s.password = "x"; }), false}, // a password without a user
        {with([](auto& s) { s.username = "x"; }), true},
        {settings("", "a"), false},
        {settings("plant/#", "a"), false},
        {settings("pl+ant", "a"), false},
        {settings("plant/", "a"), false},
        {settings("plant//rx", "a"), false},
        {settings("rx7100", "a/b"), false},
        {settings("rx7100", "+"), false},
        {settings("my plant", "line 4"), true},
    };
    for (const auto& [s, usable] : cases)
        EXPECT_EQ(Topics::problem(s).isEmpty(), usable)
            << s.topicPrefix.toStdString() << ' ' << s.station.toStdString();
}

// Each config has what Home Assistant needs to make an entity of it, reads
// a key the reading message has, and gives a device class only to a unit
// Home Assistant accepts for it.
TEST(Discovery, ConfigsCarryTheKeysHomeAssistantRequires) {
    const Topics topics(settings("plant", "north 1"));
    const QJsonObject message = QJsonDocument::fromJson(ReadingMessage::json({}, {})).object();
    const QRegularExpression form(
        "^homeassistant/(sensor|binary_sensor)/north_1_l2_m7/(\\w+)/config$");
    // flow unit, totalizer unit: flow rate's state class, unit and device class | the totals'
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"m3/h", "Kl", "measurement m³/h volume_flow_rate|total_increasing Kl "},
        {"gal/s", "m3", "measurement gal/s |total_increasing m³ water"},
        {"CFM", "l", "measurement ft³/min volume_flow_rate|total_increasing L water"},
        {"", "", "measurement  |total_increasing  "},
    };
    for (const auto& [flowUnit, totalUnit, expected] : cases) {
        const auto configs = Discovery(topics).configs({2, 7, "Pump", flowUnit, totalUnit});
        QSet<QString> uniqueIds;
        QMap<QString, QString> seen, templates; // by object
        for (qsizetype i = 0; i < configs.size(); ++i) {
            const auto match = form.match(QString::fromUtf8(configs[i].topic));
            ASSERT_TRUE(match.hasMatch() && configs[i].retain) << configs[i].topic.toStdString();
            const QJsonObject json = QJsonDocument::fromJson(configs[i].payload).object();
            const QString object = match.captured(2);
            EXPECT_EQ(json["availability_topic"].toString() + json["payload_available"].toString() +
                          json["payload_not_available"].toString() + ' ' +
                          json["device"]["identifiers"][0].toString() + ' ' +
                          json["device"]["name"].toString(),
                      "plant/north 1/statusonlineoffline rx7100_north_1_l2_m7 Pump meter 7");
            EXPECT_EQ(json["state_topic"].toString(), object == "no_reply"
                                                          ? "plant/north 1/line/2/meter/7/status"
                                                          : "plant/north 1/line/2/meter/7/reading");
            EXPECT_EQ(json["payload_on"].toString(), object == "no_reply" ? "no reply" : "");
            templates[object] = json["value_template"].toString();
            const QString key =
                QRegularExpression("value_json\\.(\\w+)").match(templates[object]).captured(1);
            EXPECT_TRUE(message.contains(key) || object == "no_reply") << object.toStdString();
            uniqueIds << json["unique_id"].toString();
            seen[object] = json["state_class"].toString() + ' ' +
                           json["unit_of_measurement"].toString() + ' ' +
                           json["device_class"].toString();
        }
        EXPECT_EQ(uniqueIds.size(), 10);
        EXPECT_EQ(seen["flow_rate"] + '|' + seen["forward_total"], expected);
        EXPECT_EQ(seen["flow_speed"] + '|' + seen["empty_pipe_alarm"] + '|' + seen["no_reply"],
                  "measurement m/s speed|  problem|  problem");
        EXPECT_TRUE(
            templates["empty_pipe_alarm"].contains("'Empty Pipe Alarm' in (value_json.alarms"));
    }
}

TEST(MessageQueue, KeepsOrderDropsTheOldestWhenFullAndCountsThem) {
    MessageQueue queue(3);
    const auto push = [&](const char* payload) {
        return queue.push(OutgoingMessage{"t", payload, 1, false});
    };
    const auto payloads = [](const std::vector<OutgoingMessage>& messages) {
        QByteArrayList all;
        for (const OutgoingMessage& m : messages)
            all << m.payload;
        return all;
    };
    EXPECT_TRUE(push("1")); // was empty: the taker must be told
    EXPECT_FALSE(push("2"));
    for (const char* payload : {"3", "4", "5"})
        push(payload);
    EXPECT_EQ(queue.dropped(), 2);
    // Unacknowledged ones go back in front; over the limit the oldest go.
    std::vector<OutgoingMessage> taken = queue.take(2);
    EXPECT_EQ(payloads(taken), QByteArrayList({"3", "4"}));
    push("6");
    queue.pushFront(std::move(taken));
    EXPECT_EQ(payloads(queue.take(10)), QByteArrayList({"4", "5", "6"}));
    EXPECT_EQ(queue.dropped(), 3);
}

} // namespace
