#include "Publisher.h"
#include "Broker.h"
#include "MqttClient.h"
#include "ReadingMessage.h"
#include "Subscriber.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

PublishSettings at(int port) {
    return {true, "127.0.0.1", port, "test", "st", "", "", "", 1};
}

Reading reading(int address, int n) {
    Reading r;
    r.address = address;
    r.flowRate = QStringLiteral("%1.25").arg(n);
    r.status = QStringLiteral("Communication OK");
    r.time = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    return r;
}

class PublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Broker::program().isEmpty())
            GTEST_SKIP() << Broker::skipReason().toStdString();
    }
    bool reach(Publisher::State state, int ms = 10000) {
        return QTest::qWaitFor([&] { return publisher.state() == state; }, ms);
    }
    Publisher publisher;
};

TEST_F(PublisherTest, ReadingsSnapshotsAndRetainedStatesArriveOnTheirTopics) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    publisher.apply(at(broker.port()));
    const QHash<int, QString> names{{1, "Pump house"}};
    publisher.setLineNames(names);
    for (int n = 0; n < 3; ++n)
        publisher.publishReading(reading(2, n));
    publisher.meterSilent(1, 2);
    publisher.meterSilent(1, 2); // said once
    publisher.publishSnapshot({reading(2, 9), reading(5, 0)});
    ASSERT_TRUE(reach(Publisher::State::Connected));
    EXPECT_EQ(publisher.statusText(),
              QStringLiteral("Publishing to 127.0.0.1:%1").arg(broker.port()));

    ASSERT_TRUE(subscriber.waitFor([](const auto& all) { return all.size() >= 7; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList{"online"});
    EXPECT_EQ(subscriber.payloads("test/st/line/1/meter/2/reading"),
              QByteArrayList({ReadingMessage::json(reading(2, 0), names[1]),
                              ReadingMessage::json(reading(2, 1), names[1]),
                              ReadingMessage::json(reading(2, 2), names[1])}));
    EXPECT_EQ(subscriber.payloads("test/st/line/1/meter/2/status"),
              QByteArrayList({"online", "no reply"}));
    EXPECT_EQ(subscriber.payloads("test/st/snapshot"),
              QByteArrayList{ReadingMessage::snapshotJson({reading(2, 9), reading(5, 0)}, names)});

    Subscriber late(broker.port(), "test/#");
    ASSERT_TRUE(late.waitFor([](const auto& all) { return all.size() >= 2; }, 5000));
    QTest::qWait(100);
    for (const Subscriber::Message& m : late.messages())
        EXPECT_TRUE(m.retained) << m.topic.toStdString();
    EXPECT_EQ(late.payloads("test/st/line/1/meter/2/status"), QByteArrayList{"no reply"});

    // Saved again unchanged, the connection stays; switched off, it ends.
    // Off, or with settings that cannot be used, nothing is queued.
    publisher.apply(at(broker.port()));
    EXPECT_EQ(publisher.state(), Publisher::State::Connected);
    PublishSettings off = at(broker.port());
    off.enabled = false;
    publisher.apply(off);
    EXPECT_EQ(publisher.state(), Publisher::State::Off);
    ASSERT_TRUE(
        subscriber.waitFor([](const auto& all) { return all.last().payload == "offline"; }, 5000));
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList({"online", "offline"}));
    publisher.publishReading(reading(2, 4));
    EXPECT_EQ(publisher.waiting(), 0);
    PublishSettings wildcard = at(broker.port());
    wildcard.station = "#";
    publisher.apply(wildcard);
    publisher.publishReading(reading(2, 5));
    EXPECT_EQ(publisher.waiting(), 0);
    EXPECT_TRUE(publisher.statusText().startsWith("Not publishing: the station"));
}

TEST_F(PublisherTest, MessagesWaitForABrokerThatComesLater) {
    // A reader whose session the broker keeps sees every message, however
    // soon after the broker's return the publisher gets through.
    Broker::Options persistent;
    persistent.persistent = true;
    Broker broker(persistent);
    ASSERT_TRUE(broker.start());
    {
        Subscriber away(broker.port(), "test/#", "reader");
        ASSERT_TRUE(away.waitForReady(5000));
    }
    broker.stop();

    publisher.apply(at(broker.port()));
    for (int n = 0; n < 5; ++n)
        publisher.publishReading(reading(1, n));
    ASSERT_TRUE(reach(Publisher::State::Unreachable));
    EXPECT_EQ(publisher.statusText(), QStringLiteral("Broker unreachable, 6 waiting"));
    EXPECT_EQ(publisher.detail(), QStringLiteral("connection refused"));

    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(reach(Publisher::State::Connected, 15000));
    Subscriber back(broker.port(), "test/#", "reader");
    const QByteArray topic = "test/st/line/1/meter/1/reading";
    ASSERT_TRUE(back.waitFor([&](const auto&) { return back.payloads(topic).size() >= 5; }, 5000))
        << back.payloads(topic).size();
    QByteArrayList expected;
    for (int n = 0; n < 5; ++n)
        expected << ReadingMessage::json(reading(1, n), {});
    EXPECT_EQ(back.payloads(topic), expected);
}

// Acknowledged (nothing waiting) only with the right user and, over TLS,
// the broker's own authority.
TEST_F(PublisherTest, WrongPasswordOrAuthorityIsRefused) {
    Broker broker(Broker::Options{"station", "s3cret", true});
    ASSERT_TRUE(broker.start());
    const QString refused = QStringLiteral("connection refused: not authorised.");
    const struct {
        const char* password;
        QString caFile;
        bool connects;
        QString detail;
    } cases[] = {
        {"wrong", {}, false, refused},
        {"", {}, false, refused},
        {"s3cret", {}, true, {}},
        {"s3cret", broker.caFile(), true, {}},
        {"s3cret", broker.otherCaFile(), false, {}},
        {"s3cret", broker.caFile() + ".missing", false, "the CA file "},
    };
    for (const auto& c : cases) {
        if (!c.caFile.isEmpty() && broker.tlsPort() == 0)
            continue; // no openssl, no certificates
        PublishSettings settings = at(c.caFile.isEmpty() ? broker.port() : broker.tlsPort());
        settings.username = *c.password ? "station" : "";
        settings.password = c.password;
        settings.caFile = c.caFile;
        Publisher one;
        one.apply(settings);
        one.publishReading(reading(1, 1));
        const auto state = c.connects ? Publisher::State::Connected : Publisher::State::Unreachable;
        ASSERT_TRUE(QTest::qWaitFor([&] { return one.state() == state; }, 10000))
            << c.password << c.caFile.toStdString();
        EXPECT_TRUE(one.detail().startsWith(c.detail)) << one.detail().toStdString();
        EXPECT_EQ(QTest::qWaitFor([&] { return one.waiting() == 0; }, c.connects ? 5000 : 0),
                  c.connects);
    }
}

TEST_F(PublisherTest, FinishSendsWhatWaitsThenSaysOfflineOnceOrGivesUpAfterItsBudget) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/st/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    for (int port : {broker.port(), Broker::freePort()}) {
        Publisher one;
        one.apply(at(port));
        for (int n = 0; n < 200; ++n)
            one.publishReading(reading(1, n));
        QSignalSpy finished(&one, &Publisher::finished);
        one.finish(port == broker.port() ? 5s : 300ms);
        ASSERT_TRUE(finished.wait(10000));
        // Without a broker: the meter's status and every reading are left.
        EXPECT_EQ(finished.at(0).at(0).toLongLong(), port == broker.port() ? 0 : 201);
    }
    ASSERT_TRUE(subscriber.waitFor(
        [](const auto& all) { return !all.isEmpty() && all.last().payload == "offline"; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(subscriber.payloads("test/st/line/1/meter/1/reading").size(), 200);
    // A clean goodbye: "offline" is said once, not again by the will.
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList({"online", "offline"}));
}

// A message the library refuses (a wildcard, broken UTF-8) is dropped, not left
// unanswered; once finish() gave up on an unreachable broker, no retry connects.
TEST_F(PublisherTest, ClientDropsRefusedMessagesAndStaysDownOnceFinished) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    MessageQueue queue;
    for (const char* topic : {"t/#", "t/\xff", "t/good"})
        queue.push({topic, "x", 1, false});
    MqttClient client(queue);
    client.start({at(broker.port()), "refusals", "t/status"});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return queue.size() == 0 && client.unacknowledged() == 0; }, 5000));

    QSignalSpy states(&client, &MqttClient::stateChanged);
    client.start({at(Broker::freePort()), "gone", "t/status"});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return states.size() >= 3; }, 5000)); // idle, connecting, down
    QSignalSpy finished(&client, &MqttClient::finished);
    client.finish(0ms);
    ASSERT_TRUE(finished.wait(5000));
    states.clear();
    QTest::qWait(int(2 * MqttClient::FirstRetry.count()));
    EXPECT_EQ(states.size(), 0);
}

} // namespace
