#include "Publisher.h"
#include "Broker.h"
#include "ReadingMessage.h"
#include "Subscriber.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
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
    bool waitForState(Publisher& publisher, Publisher::State state, int ms = 10000) {
        return QTest::qWaitFor([&] { return publisher.state() == state; }, ms);
    }
};

TEST_F(PublisherTest, ReadingsSnapshotsAndStatesArriveOnTheirTopics) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));

    Publisher publisher;
    publisher.apply(at(broker.port()));
    for (int n = 0; n < 3; ++n)
        publisher.publishReading(reading(2, n));
    publisher.meterSilent(2);
    publisher.meterSilent(2); // said once
    publisher.publishSnapshot({reading(2, 9), reading(5, 0)});
    ASSERT_TRUE(waitForState(publisher, Publisher::State::Connected));
    EXPECT_EQ(publisher.statusText(),
              QStringLiteral("Publishing to 127.0.0.1:%1").arg(broker.port()));

    ASSERT_TRUE(subscriber.waitFor([](const auto& all) { return all.size() >= 7; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList{"online"});
    EXPECT_EQ(
        subscriber.payloads("test/st/meter/2/reading"),
        QByteArrayList({ReadingMessage::json(reading(2, 0)), ReadingMessage::json(reading(2, 1)),
                        ReadingMessage::json(reading(2, 2))}));
    EXPECT_EQ(subscriber.payloads("test/st/meter/2/status"),
              QByteArrayList({"online", "no reply"}));
    EXPECT_EQ(subscriber.payloads("test/st/snapshot"),
              QByteArrayList{ReadingMessage::snapshotJson({reading(2, 9), reading(5, 0)})});
    EXPECT_EQ(publisher.waiting(), 0);

    // Statuses are retained: a late subscriber learns them at once.
    Subscriber late(broker.port(), "test/#");
    ASSERT_TRUE(late.waitFor([](const auto& all) { return all.size() >= 2; }, 5000));
    QTest::qWait(100);
    for (const Subscriber::Message& m : late.messages())
        EXPECT_TRUE(m.retained) << m.topic.toStdString();
    EXPECT_EQ(late.payloads("test/st/status"), QByteArrayList{"online"});
    EXPECT_EQ(late.payloads("test/st/meter/2/status"), QByteArrayList{"no reply"});

    // Saved again unchanged, the connection stays; switched off, it ends.
    publisher.apply(at(broker.port()));
    EXPECT_EQ(publisher.state(), Publisher::State::Connected);
    PublishSettings off = at(broker.port());
    off.enabled = false;
    publisher.apply(off);
    EXPECT_EQ(publisher.state(), Publisher::State::Off);
    ASSERT_TRUE(
        subscriber.waitFor([](const auto& all) { return all.last().payload == "offline"; }, 5000));
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList({"online", "offline"}));
}

TEST_F(PublisherTest, MessagesWaitForABrokerThatComesLater) {
    Broker broker; // its port is free until it starts
    Publisher publisher;
    publisher.apply(at(broker.port()));
    for (int n = 0; n < 5; ++n)
        publisher.publishReading(reading(1, n));
    ASSERT_TRUE(waitForState(publisher, Publisher::State::Unreachable));
    EXPECT_EQ(publisher.statusText(), QStringLiteral("Broker unreachable, 6 waiting"));
    EXPECT_EQ(publisher.detail(), QStringLiteral("connection refused"));

    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    ASSERT_TRUE(waitForState(publisher, Publisher::State::Connected, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.waiting() == 0; }, 5000));
    // Retained before the subscriber came or sent after: the status and every reading.
    ASSERT_TRUE(subscriber.waitFor([](const auto& all) { return all.size() >= 6; }, 5000));
    EXPECT_EQ(subscriber.payloads("test/st/meter/1/reading").size(), 5);
}

TEST_F(PublisherTest, AWrongPasswordIsRefusedTheRightOneConnects) {
    Broker broker(Broker::Options{false, "station", "s3cret"});
    ASSERT_TRUE(broker.start());
    const struct {
        const char* user;
        const char* password;
        Publisher::State state;
        const char* detail;
    } cases[] = {
        {"station", "wrong", Publisher::State::Unreachable, "connection refused: not authorised."},
        {"", "", Publisher::State::Unreachable, "connection refused: not authorised."},
        {"station", "s3cret", Publisher::State::Connected, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        PublishSettings settings = at(broker.port());
        settings.username = c.user;
        settings.password = c.password;
        Publisher publisher;
        publisher.apply(settings);
        publisher.publishReading(reading(1, 1));
        ASSERT_TRUE(waitForState(publisher, c.state));
        if (c.detail) {
            EXPECT_EQ(publisher.detail(), QString::fromLatin1(c.detail));
        }
    }
}

TEST_F(PublisherTest, TlsTrustsTheGivenAuthorityOnly) {
    Broker broker(Broker::Options{false, {}, {}, true});
    if (broker.tlsPort() == 0)
        GTEST_SKIP() << "openssl is not installed: no certificates for a TLS broker";
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    const struct {
        QString caFile;
        Publisher::State state;
        const char* detail;
    } cases[] = {
        {broker.caFile(), Publisher::State::Connected, nullptr},
        {broker.otherCaFile(), Publisher::State::Unreachable, nullptr},
        {broker.caFile() + ".missing", Publisher::State::Unreachable, "the CA file "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caFile.toStdString());
        PublishSettings settings = at(broker.tlsPort());
        settings.caFile = c.caFile;
        Publisher publisher;
        publisher.apply(settings);
        publisher.publishReading(reading(4, 1));
        ASSERT_TRUE(waitForState(publisher, c.state));
        // Delivered before this publisher goes, while it is connected.
        if (c.state == Publisher::State::Connected) {
            ASSERT_TRUE(subscriber.waitFor(
                [](const QList<Subscriber::Message>& all) {
                    return std::any_of(all.begin(), all.end(), [](const Subscriber::Message& m) {
                        return m.topic == "test/st/meter/4/reading";
                    });
                },
                5000));
        }
        if (c.detail) {
            EXPECT_TRUE(publisher.detail().startsWith(c.detail))
                << publisher.detail().toStdString();
        }
    }
    EXPECT_EQ(subscriber.payloads("test/st/meter/4/reading"),
              QByteArrayList{ReadingMessage::json(reading(4, 1))});
}

TEST_F(PublisherTest, FinishSendsWhatWaitsThenOfflineAndSaysGoodbye) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), "test/st/#");
    ASSERT_TRUE(subscriber.waitForReady(5000));
    Publisher publisher;
    publisher.apply(at(broker.port()));
    for (int n = 0; n < 200; ++n)
        publisher.publishReading(reading(1, n));
    QSignalSpy finished(&publisher, &Publisher::finished);
    publisher.finish(5s);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(0).at(0).toLongLong(), 0);

    ASSERT_TRUE(subscriber.waitFor(
        [](const auto& all) { return !all.isEmpty() && all.last().payload == "offline"; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(subscriber.payloads("test/st/meter/1/reading").size(), 200);
    // A clean goodbye: "offline" is said once, not again by the will.
    EXPECT_EQ(subscriber.payloads("test/st/status"), QByteArrayList({"online", "offline"}));
}

TEST_F(PublisherTest, FinishWithoutABrokerGivesUpAfterItsBudget) {
    Publisher publisher;
    publisher.apply(at(Broker::freePort()));
    publisher.publishReading(reading(1, 1));
    QSignalSpy finished(&publisher, &Publisher::finished);
    publisher.finish(300ms);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.at(0).at(0).toLongLong(), 2); // the meter's status and its reading
}

TEST_F(PublisherTest, OffAndUnusableSettingsPublishNothing) {
    Publisher publisher;
    PublishSettings off = at(1883);
    off.enabled = false;
    publisher.apply(off);
    publisher.publishReading(reading(1, 1));
    EXPECT_EQ(publisher.state(), Publisher::State::Off);
    EXPECT_EQ(publisher.statusText(), QString());
    EXPECT_EQ(publisher.waiting(), 0);

    PublishSettings wildcard = at(1883);
    wildcard.station = "#";
    publisher.apply(wildcard);
    publisher.publishReading(reading(1, 1));
    EXPECT_EQ(publisher.state(), Publisher::State::Invalid);
    EXPECT_TRUE(publisher.statusText().startsWith("Not publishing: the station"));
    EXPECT_EQ(publisher.waiting(), 0);
}

} // namespace
