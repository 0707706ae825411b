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
      m_pacer(options.baud, {options.corruptCrc, options.split, options.stray}, options.seed + 1) {
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
    if (m_framer.isEmpty())
        m_frameStart = now;
    m_lastByte = now;
    for (const QByteArray& frame : m_framer.feed(bytes)) {
        accept(frame, now);
        m_frameStart = now;
    }
}

void SimServer::accept(const QByteArray& frame, Clock::time_point now) {
    m_log.append(frame);
    // A pseudo-terminal delivers at once; the meter has the request only
    // when its last byte would have arrived at the baud rate.
    const auto lineTime = std::chrono::duration_cast<Clock::duration>(m_byteTime * frame.size());
    Clock::time_point received = std::max(now, m_frameStart + lineTime);
    if (!m_requests.empty())
        received = std::max(received, m_requests.back().due);
    m_requests.push_back({received + std::chrono::milliseconds(m_options.turnaroundMs), frame});
}

void SimServer::runDue(Clock::time_point now) {
    if (!m_framer.isEmpty() && now >= m_lastByte + m_silenceTime) {
        if (const auto frame = m_framer.silence())
            accept(*frame, now);
    }
    while (!m_requests.empty() && m_requests.front().due <= now) {
        const PendingRequest request = m_requests.front();
        m_requests.pop_front();
        answer(request.frame, now);
    }
    while (!m_output.empty() && m_output.front().due <= now) {
        m_port.write(m_output.front().bytes);
        if (!m_output.front().endsReply.isEmpty())
            m_replyLog.appendStamped(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         Clock::now().time_since_epoch())
                                         .count(),
                                     m_output.front().endsReply);
        m_output.pop_front();
    }
}

void SimServer::answer(const QByteArray& frame, Clock::time_point now) {
    m_line.advance(std::chrono::duration<double>(now - m_modelTime).count());
    m_modelTime = now;
    const auto reply = m_line.handle(frame);
    if (!reply)
        return;
    const Clock::time_point start = std::max(now, m_lineFree);
    for (const TimedPiece& piece : m_pacer.pace(*reply)) {
        m_output.push_back({start + piece.at, piece.bytes, piece.endsReply});
        m_lineFree = start + piece.at;
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
    if (!m_requests.empty())
        consider(m_requests.front().due);
    if (!m_output.empty())
        consider(m_output.front().due);
    return next;
}
