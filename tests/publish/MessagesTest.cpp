#include "MessageQueue.h"
#include "ReadingMessage.h"
#include "Topics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

Reading fullReading() {
    Reading r;
    r.address = 7;
    r.flowRate = "-3.10";
    r.flowRateUnit = "m3/h";
    r.forwardTotal = "4294967295.25";
    r.reverseTotal = "0.00";
    r.totalizerUnit = "m3";
    r.status = "Communication OK,Excitation Alarm,Empty Pipe Alarm";
    r.flowSpeed = "1.25";
    r.spanPercentage = "12.30";
    r.electrodeImpedance = "1024.00";
    r.time = QDateTime(QDate(2026, 12, 6), QTime(10, 11, 12, 987), QTimeZone(3600));
    return r;
}

TEST(ReadingMessage, CarriesEveryStoredValueUnderItsKeyNumbersAsTheirDigits) {
    EXPECT_EQ(ReadingMessage::json(fullReading()),
              QByteArray("{\"meter\":7,\"time\":\"2026-12-06T10:11:12+01:00\","
                         "\"flow_rate\":-3.10,\"forward_total\":4294967295.25,"
                         "\"reverse_total\":0.00,\"flow_speed\":1.25,\"span_percent\":12.30,"
                         "\"electrode_impedance\":1024.00,\"flow_rate_unit\":\"m3/h\","
                         "\"totalizer_unit\":\"m3\","
                         "\"alarms\":\"Communication OK,Excitation Alarm,Empty Pipe Alarm\"}"));
}

TEST(ReadingMessage, MissingValuesAndOddTextsStillMakeValidJson) {
    Reading blank; // a listed meter that never answered
    blank.address = 3;
    Reading odd = fullReading();
    odd.flowRate = "";      // blanked at start-up
    odd.flowSpeed = "1,25"; // no JSON number: never pasted in as it is
    odd.spanPercentage = "nan";
    odd.forwardTotal = "007";
    odd.status = QString::fromUtf8("Alarm \"A\"\\B\n\x01 é");
    odd.totalizerUnit = std::nullopt;

    const struct {
        Reading reading;
        const char* key;
        QJsonValue expected;
    } cases[] = {
        {blank, "meter", 3},
        {blank, "time", QJsonValue::Null},
        {blank, "flow_rate", QJsonValue::Null},
        {blank, "alarms", QJsonValue::Null},
        {odd, "flow_rate", QJsonValue::Null},
        {odd, "flow_speed", QJsonValue::Null},
        {odd, "span_percent", QJsonValue::Null},
        {odd, "forward_total", QJsonValue::Null},
        {odd, "totalizer_unit", QJsonValue::Null},
        {odd, "alarms", QString::fromUtf8("Alarm \"A\"\\B\n\x01 é")},
        {odd, "reverse_total", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(ReadingMessage::json(c.reading), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        const QJsonObject object = document.object();
        EXPECT_EQ(object.size(), 11);
        EXPECT_EQ(object.value(QLatin1String(c.key)), c.expected);
    }
}

TEST(ReadingMessage, TimeIsLocalWithItsOffsetToTheSecond) {
    const QDate day(2026, 3, 1);
    const struct {
        QDateTime time;
        const char* text;
    } cases[] = {
        {QDateTime(day, QTime(0, 0), QTimeZone(0)), "2026-03-01T00:00:00+00:00"},
        {QDateTime(day, QTime(23, 59, 59, 999), QTimeZone(-(3 * 3600 + 1800))),
         "2026-03-01T23:59:59-03:30"},
        {QDateTime(day, QTime(8, 5, 9), QTimeZone(5 * 3600 + 2700)), "2026-03-01T08:05:09+05:45"},
        {QDateTime(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadingMessage::timeText(c.time), QByteArray(c.text));

    // Local time carries this computer's offset at that moment.
    const QDateTime local(day, QTime(12, 0));
    const QDateTime back =
        QDateTime::fromString(QString::fromLatin1(ReadingMessage::timeText(local)), Qt::ISODate);
    EXPECT_EQ(back.toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
}

TEST(ReadingMessage, JsonNumbers) {
    for (const char* yes : {"0", "-0", "0.00", "12.34", "-3.10", "4294967295.25", "1e5", "2.5E-3"})
        EXPECT_TRUE(ReadingMessage::isJsonNumber(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", "-", "01", "1.", ".5", "+1", "1,5", "nan", "inf", "1e", "1 ", "0x1"})
        EXPECT_FALSE(ReadingMessage::isJsonNumber(QString::fromLatin1(no))) << no;
}

TEST(ReadingMessage, SnapshotIsAnArrayOfTheRowsCopied) {
    Reading silent;
    silent.address = 9;
    EXPECT_EQ(ReadingMessage::snapshotJson({}), QByteArray("[]"));
    const QByteArray json = ReadingMessage::snapshotJson({fullReading(), silent});
    const QJsonArray rows = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(json,
              '[' + ReadingMessage::json(fullReading()) + ',' + ReadingMessage::json(silent) + ']');
    EXPECT_EQ(rows[1].toObject().value("meter"), 9);
}

PublishSettings settings(const QString& prefix, const QString& station) {
    return {true, "broker", 1883, prefix, station, "", "", "", 1};
}

TEST(Topics, StationLevelsUnderThePrefix) {
    const Topics topics(settings("plant/rx7100", "line-4"));
    EXPECT_EQ(topics.reading(7), QByteArray("plant/rx7100/line-4/meter/7/reading"));
    EXPECT_EQ(topics.meterStatus(255), QByteArray("plant/rx7100/line-4/meter/255/status"));
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
    const struct {
        const char* name;
        PublishSettings settings;
        bool usable;
    } cases[] = {
        {"starting values", settings("rx7100", ""), true},
        {"no host", with([](auto& s) { s.host = " "; }), false},
        {"port 0", with([](auto& s) { s.port = 0; }), false},
        {"port 65536", with([](auto& s) { s.port = 65536; }), false},
        {"qos 2", with([](auto& s) { s.qos = 2; }), false},
        {"qos 0", with([](auto& s) { s.qos = 0; }), true},
        {"empty prefix", settings("", "a"), false},
        {"wildcard prefix", settings("plant/#", "a"), false},
        {"plus in prefix", settings("pl+ant", "a"), false},
        {"prefix ends in /", settings("plant/", "a"), false},
        {"empty level", settings("plant//rx", "a"), false},
        {"station with a level", settings("rx7100", "a/b"), false},
        {"wildcard station", settings("rx7100", "+"), false},
        {"blanks are fine", settings("my plant", "line 4"), true},
        {"password without user", with([](auto& s) { s.password = "x"; }), false},
        {"user without password", with([](auto& s) { s.username = "x"; }), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Topics::problem(c.settings).isEmpty(), c.usable) << c.name;
}

TEST(MessageQueue, KeepsOrderDropsTheOldestWhenFullAndCountsThem) {
    MessageQueue queue(3);
    const auto message = [](const char* payload) {
        return OutgoingMessage{"t", payload, 1, false};
    };
    EXPECT_TRUE(queue.push(message("1"))); // was empty: the taker must be told
    EXPECT_FALSE(queue.push(message("2")));
    queue.push(message("3"));
    queue.push(message("4"));
    queue.push(message("5"));
    EXPECT_EQ(queue.size(), 3);
    EXPECT_EQ(queue.dropped(), 2);

    // Unacknowledged ones go back in front; over the limit the oldest go.
    std::vector<OutgoingMessage> taken = queue.take(2);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].payload, "3");
    queue.push(message("6"));
    queue.pushFront(std::move(taken));
    std::vector<OutgoingMessage> all = queue.take(10);
    QByteArrayList payloads;
    for (const OutgoingMessage& m : all)
        payloads << m.payload;
    EXPECT_EQ(payloads, QByteArrayList({"4", "5", "6"}));
    EXPECT_EQ(queue.dropped(), 3);
    EXPECT_TRUE(queue.take(1).empty());
}

} // namespace
