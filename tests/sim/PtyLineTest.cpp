#include "CRC16.h"
#include "Frames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Reads until `count` bytes are in or nothing more comes for a while.
QByteArray readFrom(int fd, int count) {
    QByteArray bytes;
    const auto giveUp = Clock::now() + std::chrono::seconds(3);
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

TEST(MeterSim, AnswersOverALinkedPseudoTerminal) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ports/com1"));
    const QString log = dir.filePath(QStringLiteral("requests.log"));
    // Left behind by a run that was killed: a link pointing nowhere.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("ports")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/pts/99"), link));
    QProcess sim;
    sim.start(QStringLiteral(METER_SIM_PATH),
              {QStringLiteral("--addresses"), QStringLiteral("1,2"), QStringLiteral("--link"), link,
               QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--log"), log});
    // However the test ends, the simulator goes with it.
    const auto killer = qScopeGuard([&sim] {
        sim.kill();
        sim.waitForFinished(3000);
    });
    const auto giveUp = Clock::now() + std::chrono::seconds(5);
    while (!sim.canReadLine() && Clock::now() < giveUp)
        sim.waitForReadyRead(100);
    const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
    ASSERT_FALSE(slave.isEmpty());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), slave);

    const int port = openPort(link);
    ASSERT_GE(port, 0);
    const QByteArray request = Frames::readRequest(1, 0, 24);
    ASSERT_TRUE(writeTo(port, request.left(3)) && writeTo(port, request.mid(3)));
    const QByteArray reply = readFrom(port, 53);
    ::close(port);
    ASSERT_EQ(reply.size(), 53);
    EXPECT_EQ(reply.left(3), QByteArray::fromHex("010330"));
    EXPECT_TRUE(crcMatches(reply));

    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(logFile.readAll(), QByteArray("01030000001845C0\n"));

    sim.terminate();
    EXPECT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link goes when the simulator stops";
}

} // namespace
