#include "CRC16.h"
#include "Frames.h"

#include <QProcess>
#include <QTest>
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The line is half duplex: a request while a meter turns round or answers
// reaches nobody and garbles the answer; then the line is free again.
TEST(MeterSim, RequestWhileTheLineIsTakenIsLostAndGarblesTheAnswer) {
    QProcess sim;
    // 9600 baud and a 20 ms turnaround: an answer takes the line for 75 ms.
    sim.start(METER_SIM_PATH, {"--addresses", "1,2", "--baud", "9600", "--turnaround", "20"});
    // It prints its terminal, already raw, first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.canReadLine(); }, 5000));
    const int port = ::open(sim.readLine().trimmed().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(port, 0);
    const auto readFrom = [port](qsizetype count, int ms = 3000) {
        QByteArray bytes;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                char chunk[256];
                bytes.append(chunk, std::max<qsizetype>(::read(port, chunk, sizeof chunk), 0));
                return bytes.size() >= count;
            },
            ms));
        return bytes;
    };
    const auto send = [port](const QByteArray& bytes) {
        EXPECT_EQ(::write(port, bytes.constData(), bytes.size()), bytes.size());
    };
    const QByteArray ask1 = Frames::readRequest(1, 0, 24);
    const QByteArray ask2 = Frames::readRequest(2, 0, 24);
    for (const bool duringTheAnswer : {false, true}) {
        // Meter 1's whole answer comes, garbled, and nothing of meter 2's.
        send(ask1);
        QByteArray answer = duringTheAnswer ? readFrom(1) : QByteArray();
        send(ask2);
        answer += readFrom(2 * 53 - answer.size(), 500);
        EXPECT_EQ(answer.size(), 53) << duringTheAnswer;
        EXPECT_FALSE(crcMatches(answer));
    }
    send(ask2);
    const QByteArray reply = readFrom(53);
    EXPECT_TRUE(crcMatches(reply) && reply.startsWith(QByteArray::fromHex("020330")));
    ::close(port);
    sim.kill();
    sim.waitForFinished();
}

// meter-sim as a device server on 127.0.0.1; it prints where it listens
// first. QProcess ends it on the way out.
struct TcpSim {
    explicit TcpSim(const QStringList& arguments) {
        process.start(METER_SIM_PATH, QStringList{"--tcp", "127.0.0.1:0"} + arguments);
        if (QTest::qWaitFor([&] { return process.canReadLine(); }, 5000))
            port = QString::fromLatin1(process.readLine().trimmed()).section(':', 1).toInt();
    }
    int connect() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        fcntl(fd, F_SETFL, O_NONBLOCK);
        return fd;
    }
    QProcess process;
    int port = 0;
};

// Up to `count` bytes; `closed` tells whether the server hung up.
QByteArray readFrom(int fd, qsizetype count, bool* closed) {
    QByteArray bytes;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            char chunk[256];
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            *closed = got == 0;
            bytes.append(chunk, std::max<ssize_t>(got, 0));
            return *closed || bytes.size() >= count;
        },
        3000));
    return bytes;
}

const QStringList Mbap{"--framing", "mbap"};
// Transaction 0x0102, unit 1, read registers 0 to 23.
const QByteArray MbapRead = QByteArray::fromHex("010200000006010300000018");

// RTU frames or Modbus TCP over the socket, in any pieces; the faults asked for.
TEST(MeterSim, AnswersOverTcp) {
    const QByteArray rtuRead = Frames::readRequest(1, 0, 24);
    const struct {
        const char* name;
        QStringList arguments;
        QByteArray request;
        QByteArray start; // of the reply, in hex
        qsizetype size;   // 0: the server hangs up
    } cases[] = {
        {"rtu", {}, rtuRead, "010330", 53},
        {"mbap", Mbap, MbapRead, "010200000033010330", 57},
        {"wrong tid", Mbap + QStringList{"--wrong-tid", "1"}, MbapRead, "010100000033010330", 57},
        {"exception", Mbap + QStringList{"--exception", "1:4"}, MbapRead, "010200000003018304", 9},
        {"not modbus", Mbap, QByteArray::fromHex("010200050006010300000018"), "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcpSim sim(c.arguments);
        const int fd = sim.connect();
        ::send(fd, c.request.constData(), 5, 0);
        QTest::qWait(20);
        ::send(fd, c.request.constData() + 5, c.request.size() - 5, 0);
        bool closed = false;
        const QByteArray reply = readFrom(fd, std::max<qsizetype>(c.size, 1), &closed);
        EXPECT_EQ(reply.toHex().left(c.start.size()), c.start);
        EXPECT_EQ(reply.size(), c.size);
        EXPECT_EQ(closed, c.size == 0);
        EXPECT_TRUE(c.request != rtuRead || crcMatches(reply));
        ::close(fd);
    }
}

// Four clients asking at once share the one bus: each request waits its
// turn and gets its own answer; a fifth client is turned away.
TEST(MeterSim, FourClientsShareTheBusAndAFifthIsRefused) {
    TcpSim sim(Mbap + QStringList{"--addresses", "1-4"});
    int fds[5];
    for (int& fd : fds)
        fd = sim.connect();
    bool closed = false;
    readFrom(fds[4], 1, &closed);
    EXPECT_TRUE(closed);
    for (int i = 0; i < 4; ++i) {
        const QByteArray ask = QByteArray(MbapRead).replace(6, 1, QByteArray(1, char(i + 1)));
        ::send(fds[i], ask.constData(), ask.size(), 0);
    }
    for (int i = 0; i < 4; ++i) {
        const QByteArray reply = readFrom(fds[i], 57, &closed);
        EXPECT_EQ(reply.size(), 57);
        EXPECT_EQ(reply.toHex().left(18), QByteArray("0102000000330") + char('1' + i) + "0330");
    }
    for (int fd : fds)
        ::close(fd);
}

} // namespace
