#include "Broker.h"
#include "CommSetupWindow.h"
#include "ReadingMessage.h"
#include "SimulatedLine.h"
#include "Station.h"
#include "Subscriber.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A Save in the publish frame moves to the new broker at once; there each
// stored reading arrives once, in storing order, and a silent meter's
// status is "no reply", the others' "online". Alarms are journaled and
// published as they come and go: the silent meter's No Reply, and an empty
// pipe for a meter's first four replies. Home Assistant's configs stay on the
// broker, with the units the meters gave, until a meter is removed.
TEST(PublishOverALine, SavedSettingsMoveToABrokerThatGetsEveryReadingAsStored) {
    if (Broker::program().isEmpty())
        GTEST_SKIP() << Broker::skipReason().toStdString();
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "moved/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    options.timer = 50;
    options.publish = PublishSettings{
        true, "127.0.0.1", Broker::freePort(), "plant", "line-4", "", "", "", 1, true};
    ToolOnLine tool(
        options, {"--addresses", "1-3", "--silent", "2", "--alarm", "3:3:4", "--baud", "115200"});
    ASSERT_TRUE(tool.load());
    Station& station = tool.window->station();
    tool.window->communicationSetup();
    CommSetupWindow* setup = tool.window->loadedCommSetupWindow();
    QTest::mouseClick(setup->findChild<QPushButton*>("publishModify"), Qt::LeftButton);
    setup->findChild<QLineEdit*>("brokerPort")->setText(QString::number(broker.port()));
    setup->findChild<QLineEdit*>("topicPrefix")->setText("moved");
    QTest::mouseClick(setup->findChild<QPushButton*>("publishSave"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return station.publisher().state() == Publisher::State::Connected; }, 15000));
    EXPECT_EQ(tool.window->brokerText(),
              QStringLiteral("Publishing to 127.0.0.1:%1").arg(broker.port()));

    QMap<int, QByteArrayList> stored; // each meter's reading messages
    QObject::connect(&station, &Station::readingStored, [&](const Reading& row) {
        stored[row.address] << ReadingMessage::json(row, QStringLiteral("Line 1"));
    });
    station.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored[3].size() >= 20; }, 20000));
    station.stopReading();
    QTest::qWait(100); // a reply on its way
    const auto topic = [](int meter, const char* leaf) {
        return "moved/line-4/line/1/meter/" + QByteArray::number(meter) + leaf;
    };
    const auto arrived = [&](int meter) { return subscriber.payloads(topic(meter, "/reading")); };
    ASSERT_TRUE(subscriber.waitFor(
        [&](const auto&) {
            return arrived(1).size() >= stored[1].size() && arrived(3).size() >= stored[3].size() &&
                   subscriber.payloads(topic(2, "/alarm")).size() +
                           subscriber.payloads(topic(3, "/alarm")).size() >=
                       3;
        },
        10000));
    for (int meter : {1, 2, 3}) {
        EXPECT_EQ(arrived(meter), stored.value(meter)) << meter;
        EXPECT_EQ(subscriber.payloads(topic(meter, "/status")),
                  QByteArrayList{meter == 2 ? "no reply" : "online"});
    }
    EXPECT_EQ(subscriber.payloads("moved/line-4/status"), QByteArrayList{"online"});
    QStringList alarms;
    for (const Subscriber::Message& message : subscriber.messages())
        if (message.topic.endsWith("/alarm")) {
            const QJsonObject event = QJsonDocument::fromJson(message.payload).object();
            alarms << QStringLiteral("%1 %2 %3")
                          .arg(event["meter"].toInt())
                          .arg(event["alarm"].toString(), event["event"].toString());
        }
    alarms.sort();
    EXPECT_EQ(alarms, QStringList({"2 No Reply came", "3 Empty Pipe Alarm came",
                                   "3 Empty Pipe Alarm went"}));
    EXPECT_EQ(tool.folder.rows("select address,alarm,went is null from alarm_journal order by "
                               "address"),
              QStringList({"2|No Reply|1", "3|Empty Pipe Alarm|0"}));

    // Configs by meter, as a subscriber that comes later gets them.
    const auto retained = [&](int count) {
        Subscriber late(broker.port(), "homeassistant/#");
        EXPECT_TRUE(late.waitFor([&](const auto& got) { return got.size() >= count; }, 10000));
        QTest::qWait(200); // any that should not be there
        QMap<QString, int> meters;
        for (const Subscriber::Message& message : late.messages()) {
            EXPECT_TRUE(message.retained && !message.payload.isEmpty());
            meters[message.topic.split('/').at(2)]++;
            if (message.topic.endsWith("/flow_rate/config")) { // meter 2 never gave its units
                EXPECT_EQ(
                    QJsonDocument::fromJson(message.payload)["unit_of_measurement"].toString(),
                    message.topic.contains("_m2/") ? "" : "m³/h");
            }
        }
        return meters;
    };
    const QMap<QString, int> all{{"line-4_l1_m1", 10}, {"line-4_l1_m2", 10}, {"line-4_l1_m3", 10}};
    EXPECT_EQ(retained(30), all);
    setup->findChild<QLineEdit*>("addressBox")->setText("3");
    setup->deleteMeter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return station.publisher().waiting() == 0; }, 10000));
    QMap<QString, int> left = all;
    left.remove("line-4_l1_m3");
    EXPECT_EQ(retained(20), left);
}

} // namespace
