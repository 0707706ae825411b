#include "Broker.h"
#include "CommSetupWindow.h"
#include "MainStation.h"
#include "ReadingMessage.h"
#include "SimulatedLine.h"
#include "Subscriber.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QList<int> Meters{1, 2, 3};
// A fast line, so a thousand readings take a few seconds.
const QStringList FastLine{"--addresses",  "1-3", "--baud", "1000000",
                           "--turnaround", "0",   "--seed", "5"};

PublishSettings to(int port, const QString& user = {}, const QString& password = {}) {
    return {true, "127.0.0.1", port, "plant", "line-4", user, password, "", 1};
}

StartingDatabase::Options station(const PublishSettings& publish, int pollPeriod) {
    StartingDatabase::Options options;
    options.meters = Meters;
    options.timer = pollPeriod;
    options.publish = publish;
    return options;
}

// Every reading message a meter's row was stored as, in storing order.
struct StoredReadings {
    explicit StoredReadings(MainStation& station) {
        connection = QObject::connect(&station, &MainStation::readingStored, [&](int address) {
            if (const Reading* row = station.liveGrid().meterReading(address))
                payloads[address] << ReadingMessage::json(*row);
            ++count;
        });
    }
    ~StoredReadings() { QObject::disconnect(connection); }
    QMetaObject::Connection connection;
    QMap<int, QByteArrayList> payloads;
    int count = 0;
};

QByteArray readingTopic(int meter) {
    return QByteArray("plant/line-4/meter/") + QByteArray::number(meter) + "/reading";
}

class PublishLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Broker::program().isEmpty())
            GTEST_SKIP() << Broker::skipReason().toStdString();
    }
    static bool reachState(ToolOnLine& tool, Publisher::State state, int ms = 15000) {
        return QTest::qWaitFor([&] { return tool.window->station().publisher().state() == state; },
                               ms);
    }
    // Reads until `count` more readings are stored.
    static bool readFor(ToolOnLine& tool, const StoredReadings& stored, int count, int ms) {
        const int target = stored.count + count;
        tool.window->readMeterData();
        return QTest::qWaitFor([&] { return stored.count >= target; }, ms);
    }
};

TEST_F(PublishLineTest, AThousandReadingsOfThreeMetersArriveInOrderAsStored) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "plant/line-4/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    ToolOnLine tool(station(to(broker.port()), 3), FastLine);
    ASSERT_TRUE(tool.load());
    ASSERT_TRUE(reachState(tool, Publisher::State::Connected));
    EXPECT_EQ(tool.window->brokerText(),
              QStringLiteral("Publishing to 127.0.0.1:%1").arg(broker.port()));

    StoredReadings stored(tool.window->station());
    ASSERT_TRUE(readFor(tool, stored, 1000, 60000));
    tool.window->stopReading();
    QTest::qWait(100); // a reply on its way
    const int total = stored.count;
    ASSERT_TRUE(subscriber.waitFor(
        [&](const auto&) {
            int arrived = 0;
            for (int meter : Meters)
                arrived += int(subscriber.payloads(readingTopic(meter)).size());
            return arrived >= total;
        },
        20000));

    for (int meter : Meters) {
        SCOPED_TRACE(meter);
        const QByteArrayList arrived = subscriber.payloads(readingTopic(meter));
        EXPECT_GT(arrived.size(), 100);
        EXPECT_EQ(arrived, stored.payloads.value(meter)); // each once, in order
        // The last one holds the row's values, as stored.
        const QJsonObject last = QJsonDocument::fromJson(arrived.last()).object();
        const QStringList row = tool.folder.rows(
            QStringLiteral("select Foward,danwei1 from yibiaodizhi where dizhi=%1").arg(meter));
        EXPECT_EQ(QString::number(last.value("forward_total").toDouble(), 'f', 2) + '|' +
                      last.value("flow_rate_unit").toString(),
                  row.value(0));
    }
    EXPECT_EQ(subscriber.payloads("plant/line-4/status"), QByteArrayList{"online"});
}

TEST_F(PublishLineTest, ASilentMetersStatusBecomesNoReply) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    // The wait below serves events only every 10 ms: a period well above
    // the line's 12 ms lets each reply be read before the next tick.
    ToolOnLine tool(station(to(broker.port()), 50),
                    {"--addresses", "1-3", "--silent", "2", "--baud", "115200"});
    ASSERT_TRUE(tool.load());
    ASSERT_TRUE(reachState(tool, Publisher::State::Connected));
    StoredReadings stored(tool.window->station());
    ASSERT_TRUE(readFor(tool, stored, 20, 10000));
    tool.window->stopReading();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tool.window->station().publisher().waiting() == 0; }, 10000));

    // What a subscriber coming now learns: the retained states.
    Subscriber late(broker.port(), "plant/line-4/+/+/status");
    const auto state = [&late](int meter) {
        const QByteArrayList said = late.payloads(QByteArray("plant/line-4/meter/") +
                                                  QByteArray::number(meter) + "/status");
        return said.isEmpty() ? QByteArray() : said.last();
    };
    ASSERT_TRUE(late.waitFor([](const auto& all) { return all.size() >= 3; }, 5000));
    EXPECT_EQ(state(1), QByteArray("online"));
    EXPECT_EQ(state(2), QByteArray("no reply"));
    EXPECT_EQ(state(3), QByteArray("online"));
    EXPECT_TRUE(stored.payloads.value(2).isEmpty());
}

TEST_F(PublishLineTest, SavingThePublishFrameMovesToTheNewBrokerAtOnce) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "moved/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    ToolOnLine tool(station(to(Broker::freePort()), 20), FastLine);
    ASSERT_TRUE(tool.load());
    StoredReadings stored(tool.window->station());
    ASSERT_TRUE(readFor(tool, stored, 15, 10000));
    ASSERT_TRUE(reachState(tool, Publisher::State::Unreachable));

    tool.window->communicationSetup();
    CommSetupWindow* setup = tool.window->loadedCommSetupWindow();
    const auto box = [setup](const char* name) {
        return setup->findChild<QLineEdit*>(QString::fromLatin1(name));
    };
    QTest::mouseClick(setup->findChild<QPushButton*>("publishModify"), Qt::LeftButton);
    box("brokerPort")->setText(QString::number(broker.port()));
    box("topicPrefix")->setText("moved");
    QTest::mouseClick(setup->findChild<QPushButton*>("publishSave"), Qt::LeftButton);
    ASSERT_TRUE(reachState(tool, Publisher::State::Connected));
    EXPECT_EQ(tool.window->brokerText(),
              QStringLiteral("Publishing to 127.0.0.1:%1").arg(broker.port()));
    EXPECT_EQ(tool.folder.column("select port from publish"),
              QStringList{QString::number(broker.port())});

    // What waited goes to the new broker; new readings under the new topics.
    ASSERT_TRUE(readFor(tool, stored, 15, 10000));
    tool.window->stopReading();
    EXPECT_TRUE(subscriber.waitFor(
        [](const auto& all) {
            for (const Subscriber::Message& m : all)
                if (m.topic == "moved/line-4/meter/1/reading")
                    return true;
            return false;
        },
        10000));
}

} // namespace
