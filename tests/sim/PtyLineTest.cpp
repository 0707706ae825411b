#include "CRC16.h"
#include "Frames.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Reads until `count` bytes are in or `patience` has passed.
QByteArray readFrom(int fd, int count,
                    std::chrono::milliseconds patience = std::chrono::seconds(3)) {
    QByteArray bytes;
    const auto giveUp = Clock::now() + patience;
    while (bytes.size() < count && Clock::now() < giveUp) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char chunk[256];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0)
            bytes.append(chunk, got);
    }
    return bytes;
}

// Opens a port raw, as a serial port library would.
int openPort(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (fd >= 0 && tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

bool writeTo(int fd, const QByteArray& bytes) {
    return ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
}

// Starts meter-sim and gives the terminal it prints first; empty if none.
QString startSim(QProcess& sim, const QStringList& arguments) {
    sim.start(QStringLiteral(METER_SIM_PATH), arguments);
    const auto giveUp = Clock::now() + std::chrono::seconds(5);
    while (!sim.canReadLine() && Clock::now() < giveUp)
        sim.waitForReadyRead(100);
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

// The line is half duplex: a request that comes while a meter turns round
// or answers reaches nobody, and what is still to come of the answer is
// garbled. Then the line is free again.
TEST(MeterSim, RequestWhileTheLineIsTakenIsLostAndGarblesTheAnswer) {
    QTemporaryDir dir;
    QProcess sim;
    const auto killer = qScopeGuard([&sim] {
        sim.kill();
        sim.waitForFinished(3000);
    });
    // 9600 baud and a 20 ms turnaround: an answer takes the line for 75 ms.
    const QString slave = startSim(sim, {"--addresses", "1,2", "--baud", "9600", "--turnaround",
                                         "20", "--log", dir.filePath("requests.log")});
    ASSERT_FALSE(slave.isEmpty());
    const int port = openPort(slave);
    ASSERT_GE(port, 0);
    const auto closer = qScopeGuard([port] { ::close(port); });
    const QByteArray ask1 = Frames::readRequest(1, 0, 24);
    const QByteArray ask2 = Frames::readRequest(2, 0, 24);

    for (const bool duringTheAnswer : {false, true}) {
        SCOPED_TRACE(duringTheAnswer ? "during the answer" : "during the turnaround");
        QByteArray answer;
        if (duringTheAnswer) {
            ASSERT_TRUE(writeTo(port, ask1));
            answer = readFrom(port, 1);
            ASSERT_FALSE(answer.isEmpty());
            ASSERT_TRUE(writeTo(port, ask2));
        } else {
            ASSERT_TRUE(writeTo(port, ask1 + ask2)); // back to back
        }
        // What came before the second request is all that is intact.
        const qsizetype intact = answer.size();
        // The whole answer of meter 1 comes, and nothing from meter 2.
        answer += readFrom(port, 2 * 53 - int(answer.size()), std::chrono::milliseconds(500));
        ASSERT_EQ(answer.size(), 53);
        // Garbled from where the collision began: every byte differs.
        const QByteArray head = QByteArray::fromHex("010330");
        EXPECT_EQ(answer.left(head.left(intact).size()), head.left(intact));
        for (qsizetype i = intact; i < head.size(); ++i)
            EXPECT_NE(answer[i], head[i]) << i;
        EXPECT_FALSE(crcMatches(answer));
    }

    // A request once the line is quiet is answered as usual.
    ASSERT_TRUE(writeTo(port, ask2));
    const QByteArray reply = readFrom(port, 53);
    ASSERT_EQ(reply.size(), 53);
    EXPECT_TRUE(crcMatches(reply));
    EXPECT_EQ(reply.left(3), QByteArray::fromHex("020330"));

    // Every request reached the line, the lost ones too.
    QFile log(dir.filePath("requests.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count('\n'), 5);
}

} // namespace
