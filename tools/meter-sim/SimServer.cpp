#include "SimServer.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace std::chrono_literals;
using std::chrono::microseconds;

namespace {

void complain(const QString& text) {
    std::fprintf(stderr, "meter-sim: %s\n", qPrintable(text));
}

// Stop signals arrive through a descriptor, so the loop ends cleanly and
// the link is removed; a handler could not do that safely.
int stopSignals() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0)
        return -1;
    return signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
}

} // namespace

SimServer::SimServer(const SimOptions& options)
    : m_options(options), m_line(options.addresses, options.silent, options.seed),
      m_pacer(options.baud, {options.corruptCrc, options.split, options.stray}, options.seed + 1),
      m_random(options.seed + 2) {
    m_byteTime = m_pacer.byteTime();
    // RTU ends a frame after 3.5 quiet characters; a timer cannot wait less
    // than about a millisecond anyway.
    m_silenceTime = std::max<microseconds>(m_pacer.byteTime(35) / 10, 1ms);
}

int SimServer::run() {
    const int stopFd = stopSignals();
    if (stopFd < 0) {
        complain(QStringLiteral("cannot catch stop signals"));
        return 1;
    }
    QString error;
    if (!m_log.open(m_options.logPath, &error) ||
        !m_replyLog.open(m_options.replyLogPath, &error) || !m_port.open(&error) ||
        (!m_options.linkPath.isEmpty() && !m_port.link(m_options.linkPath, &error))) {
        complain(error);
        ::close(stopFd);
        return 1;
    }
    std::printf("%s\n", qPrintable(m_port.slavePath()));
    std::fflush(stdout);

    m_modelTime = Clock::now();
    m_requestEnd = m_modelTime;
    m_lineFree = m_modelTime;
    for (;;) {
        runDue(Clock::now());

        timespec wait{};
        timespec* timeout = nullptr;
        if (const auto deadline = nextDeadline()) {
            const auto left = std::max<Clock::duration>(*deadline - Clock::now(), 0ns);
            const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(nanos / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(nanos % 1'000'000'000);
            timeout = &wait;
        }
        pollfd fds[2] = {{m_port.fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) {
            complain(QStringLiteral("poll failed"));
            break;
        }
        if (fds[1].revents & POLLIN)
            break;
        if (fds[0].revents & POLLIN)
            receive(Clock::now());
        else if (fds[0].revents & (POLLHUP | POLLERR))
            usleep(50'000); // should not happen while we hold the slave; don't spin if it does
    }
    m_port.close();
    ::close(stopFd);
    return 0;
}

void SimServer::receive(Clock::time_point now) {
    const QByteArray bytes = m_port.readAvailable();
    if (bytes.isEmpty())
        return;
    // The sender's port puts one frame on the line after the other.
    if (m_framer.isEmpty())
        m_frameStart = std::max(now, m_requestEnd);
    m_lastByte = now;
    for (const QByteArray& frame : m_framer.feed(bytes)) {
        accept(frame, now);
        m_frameStart = m_requestEnd;
    }
}

void SimServer::accept(const QByteArray& frame, Clock::time_point now) {
    m_log.append(frame);
    // A pseudo-terminal delivers at once; the request is on the line from
    // its first byte until its last would have arrived at the baud rate.
    const Clock::time_point start = m_frameStart;
    const auto lineTime = std::chrono::duration_cast<Clock::duration>(m_byteTime * frame.size());
    m_requestEnd = std::max(now, start + lineTime);
    if (start < m_lineFree) {
        garbleFrom(start);
        return; // no meter hears it while the line is taken
    }

    m_line.advance(std::chrono::duration<double>(m_requestEnd - m_modelTime).count());
    m_modelTime = m_requestEnd;
    const auto reply = m_line.handle(frame);
    if (!reply)
        return;
    const Clock::time_point begin = m_requestEnd + m_options.turnaround;
    m_lineFree = begin;
    const auto asSent = std::make_shared<QByteArray>(*reply);
    for (const TimedPiece& piece : m_pacer.pace(*reply)) {
        if (!piece.endsReply.isEmpty())
            *asSent = piece.endsReply; // with the CRC fault the pacer put in
        m_output.push_back(
            {begin + piece.at, piece.bytes, piece.offset, asSent, !piece.endsReply.isEmpty()});
        m_lineFree = begin + piece.at;
    }
}

void SimServer::garbleFrom(Clock::time_point start) {
    // A piece is due when its last byte has left the meter, so every piece
    // due after the collision began has bytes on the line with it.
    std::uniform_int_distribution<int> noise(1, 255);
    for (PendingOutput& output : m_output) {
        if (output.due <= start)
            continue;
        for (qsizetype i = 0; i < output.bytes.size(); ++i) {
            output.bytes[i] = static_cast<char>(output.bytes[i] ^ noise(m_random));
            if (output.offset >= 0 && output.reply)
                (*output.reply)[output.offset + i] = output.bytes[i];
        }
    }
}

void SimServer::runDue(Clock::time_point now) {
    if (!m_framer.isEmpty() && now >= m_lastByte + m_silenceTime) {
        if (const auto frame = m_framer.silence())
            accept(*frame, now);
    }
    while (!m_output.empty() && m_output.front().due <= now) {
        const PendingOutput& output = m_output.front();
        m_port.write(output.bytes);
        if (output.endsReply && output.reply)
            m_replyLog.appendStamped(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         Clock::now().time_since_epoch())
                                         .count(),
                                     *output.reply);
        m_output.pop_front();
    }
}

std::optional<SimServer::Clock::time_point> SimServer::nextDeadline() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point at) {
        if (!next || at < *next)
            next = at;
    };
    if (!m_framer.isEmpty())
        consider(m_lastByte + m_silenceTime);
    if (!m_output.empty())
        consider(m_output.front().due);
    return next;
}
