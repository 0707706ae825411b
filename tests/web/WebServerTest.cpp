#include "WebServer.h"
#include "Broker.h"
#include "RequestGate.h"
#include "StationStateBox.h"

#include <QElapsedTimer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// What came back for one raw request: everything the server sent before
// it closed (or the wait ran out).
QByteArray ask(quint16 port, const QByteArray& request, int waitMs = 5000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(waitMs))
        return "not connected";
    socket.write(request);
    QByteArray answer;
    QElapsedTimer waited;
    waited.start();
    while (socket.state() == QAbstractSocket::ConnectedState && waited.elapsed() < waitMs) {
        socket.waitForReadyRead(100);
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

QByteArray get(const QByteArray& target, const QByteArray& more = {}) {
    return "GET " + target + " HTTP/1.1\r\nHost: station\r\n" + more + "\r\n";
}

} // namespace

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto state = std::make_shared<StationState>();
        state->version = 1;
        state->station = QStringLiteral("pumphouse");
        box.put(state);
    }
    StationStateBox box;
};

TEST_F(WebServerTest, OnlyReadsOfKnownPathsAreAnswered) {
    WebServer server(box);
    ASSERT_EQ(server.start({}), QString());
    const struct {
        QByteArray request;
        QByteArray statusLine;
    } cases[] = {
        {get("/metrics"), "HTTP/1.1 200 OK"},
        {get("/api/v1/station?x=1"), "HTTP/1.1 200 OK"},
        {"HEAD /metrics HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK"},
        {get("/nothing"), "HTTP/1.1 404 Not Found"},
        {get("/api/v1/../metrics"), "HTTP/1.1 400 Bad Request"},
        {get("/api/v1/%2E%2e/metrics"), "HTTP/1.1 400 Bad Request"},
        {get("metrics"), "HTTP/1.1 400 Bad Request"},
        {"POST /metrics HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 405 Method Not Allowed"},
        {"GET /metrics HTTP/2.0\r\n\r\n", "HTTP/1.1 400 Bad Request"},
        {get("/metrics", "no colon here\r\n"), "HTTP/1.1 400 Bad Request"},
        {get("/metrics") + get("/metrics"), "HTTP/1.1 400 Bad Request"}, // pipelined
        {get("/", "X-Big: " + QByteArray(RequestGate::MostHeadBytes, 'a') + "\r\n"),
         "HTTP/1.1 431 Request Header Fields Too Large"},
    };
    for (const auto& c : cases) {
        const QByteArray answer = ask(server.port(), c.request);
        EXPECT_TRUE(answer.startsWith(c.statusLine + "\r\n"))
            << c.request.left(60).toStdString() << " -> " << answer.left(80).toStdString();
    }
    // HEAD: GET's length, without the body.
    const QByteArray head = ask(server.port(), "HEAD /metrics HTTP/1.1\r\n\r\n");
    const QByteArray metrics = ask(server.port(), get("/metrics"));
    const qsizetype headEnd = metrics.indexOf("\r\n\r\n") + 4;
    EXPECT_EQ(head, metrics.left(headEnd));
    EXPECT_TRUE(head.contains("Content-Length: " + QByteArray::number(metrics.size() - headEnd)));
    EXPECT_EQ(server.counts().served, 5);
    EXPECT_EQ(server.counts().refused, 9);
}

// Any address but the loopback one needs the token; with a certificate
// and key, only HTTPS is spoken.
TEST_F(WebServerTest, TokenAndTlsGuardOtherAddresses) {
    WebServer server(box);
    WebSettings settings;
    settings.address = QHostAddress(QHostAddress::AnyIPv4);
    EXPECT_TRUE(server.start(settings).contains("needs a token"));
    settings.token = "s3cret";
    ASSERT_EQ(server.start(settings), QString());
    const struct {
        QByteArray authorization;
        QByteArray statusLine;
    } cases[] = {
        {{}, "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Bearer s3cre\r\n", "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Bearer s3creT\r\n", "HTTP/1.1 401 Unauthorized"},
        {"Authorization: Basic s3cret\r\n", "HTTP/1.1 401 Unauthorized"},
        {"Authorization: bearer s3cret\r\n", "HTTP/1.1 200 OK"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(ask(server.port(), get("/metrics", c.authorization)).startsWith(c.statusLine))
            << c.authorization.toStdString();
    EXPECT_TRUE(ask(server.port(), get("/metrics")).contains("WWW-Authenticate: Bearer"));
    EXPECT_TRUE(ask(server.port(), get("/")).startsWith("HTTP/1.1 200 OK")); // no data in it

    QTemporaryDir dir;
    if (!Broker::makeCertificates(dir.path()))
        GTEST_SKIP() << "openssl is needed for the HTTPS case";
    settings.certificateFile = dir.filePath("server.crt");
    settings.keyFile = dir.filePath("server.crt"); // not a key
    EXPECT_TRUE(server.start(settings).contains("not a PEM RSA or EC key"));
    settings.keyFile = dir.filePath("server.key");
    ASSERT_EQ(server.start(settings), QString());
    EXPECT_FALSE(ask(server.port(), get("/metrics", "Authorization: Bearer s3cret\r\n"), 1000)
                     .startsWith("HTTP"));
    QSslSocket tls;
    QSslConfiguration trust = tls.sslConfiguration();
    trust.setCaCertificates(QSslCertificate::fromPath(dir.filePath("ca.crt")));
    tls.setSslConfiguration(trust);
    tls.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(tls.waitForEncrypted(5000)) << tls.errorString().toStdString();
    tls.write(get("/metrics", "Authorization: Bearer s3cret\r\n"));
    ASSERT_TRUE(tls.waitForReadyRead(5000));
    EXPECT_TRUE(tls.readAll().startsWith("HTTP/1.1 200 OK"));
}

// Hundreds of connections that never finish a request neither shut out a
// client that asks at once nor stay longer than the request time.
TEST_F(WebServerTest, IdleConnectionsMakeWayAndTimeOut) {
    WebServer server(box);
    ASSERT_EQ(server.start({}), QString());
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < RequestGate::MostConnections + 44; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, server.port());
        ASSERT_TRUE(idle.back()->waitForConnected(5000));
        idle.back()->write("GET /metrics HTTP/1.1\r\nHost: "); // and no more
        idle.back()->flush();
    }
    EXPECT_TRUE(ask(server.port(), get("/metrics")).startsWith("HTTP/1.1 200 OK"));
    const auto closed = [&] {
        return std::count_if(idle.begin(), idle.end(), [](const auto& socket) {
            return socket->state() == QAbstractSocket::UnconnectedState;
        });
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed() >= 45; }, 3000)) << closed();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed() == qsizetype(idle.size()); },
                                int(RequestGate::RequestTime.count()) + 5000))
        << closed();
    EXPECT_EQ(server.counts().dropped, qint64(idle.size()));
}
