#include "SimServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

// What a device server typically accepts; more are closed at once.
constexpr std::size_t MaxClients = 4;

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
      m_random(options.seed + 2), m_gatewayRandom(options.seed + 3) {
    m_line.setExceptions(options.exceptions);
    m_line.setAlarms(options.alarms);
    m_byteTime = m_pacer.byteTime();
    // RTU ends a frame after 3.5 quiet characters; a timer cannot wait less
    // than about a millisecond anyway.
    m_silenceTime = std::max<microseconds>(m_pacer.byteTime(35) / 10, 1ms);
    // A TCP stream keeps no character timing, and the pieces of one frame
    // may come apart by a network's delays; a client's bytes that make no
    // frame end only after a much longer quiet.
    m_tcpQuiet = std::max<microseconds>(m_silenceTime, 100ms);
}

int SimServer::run() {
    const int stopFd = stopSignals();
    if (stopFd < 0) {
        complain(QStringLiteral("cannot catch stop signals"));
        return 1;
    }
    QString error;
    if (!m_log.open(m_options.logPath, &error) ||
        !m_replyLog.open(m_options.replyLogPath, &error) || !openLine(&error)) {
        complain(error);
        closeLine();
        ::close(stopFd);
        return 1;
    }

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
        const bool tcp = !m_options.tcpHost.isEmpty();
        std::vector<pollfd> fds{{stopFd, POLLIN, 0},
                                {tcp ? m_listener.fd() : m_port.fd(), POLLIN, 0}};
        for (const Client& client : m_clients)
            fds.push_back({client.link->fd(), POLLIN, 0});
        if (ppoll(fds.data(), fds.size(), timeout, nullptr) < 0 && errno != EINTR) {
            complain(QStringLiteral("poll failed"));
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (tcp) {
            // Clients in the order they connected; a new one joins after.
            std::vector<int> gone;
            for (std::size_t i = 0; i < m_clients.size(); ++i) {
                if (fds[i + 2].revents != 0 && !receiveFrom(m_clients[i], Clock::now()))
                    gone.push_back(m_clients[i].id);
            }
            std::erase_if(m_clients, [&gone](const Client& client) {
                return std::find(gone.begin(), gone.end(), client.id) != gone.end();
            });
            if (fds[1].revents & POLLIN)
                welcome();
        } else if (fds[1].revents & POLLIN) {
            receive(Clock::now());
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            usleep(50'000); // should not happen while we hold the slave; don't spin if it does
        }
    }
    closeLine();
    ::close(stopFd);
    return 0;
}

bool SimServer::openLine(QString* error) {
    if (m_options.tcpHost.isEmpty()) {
        if (!m_port.open(error) ||
            (!m_options.linkPath.isEmpty() && !m_port.link(m_options.linkPath, error)))
            return false;
        std::printf("%s\n", qPrintable(m_port.slavePath()));
    } else {
        if (!m_listener.listen(m_options.tcpHost, m_options.tcpPort, error))
            return false;
        if (!m_options.linkPath.isEmpty()) {
            // Written whole under another name, so a reader never sees half
            // of it; a terminal's old link is replaced, not written through.
            QSaveFile file(m_options.linkPath);
            QDir().mkpath(QFileInfo(m_options.linkPath).absolutePath());
            if (QFileInfo(m_options.linkPath).isSymLink())
                QFile::remove(m_options.linkPath);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(m_listener.address().toLatin1() + '\n') < 0 || !file.commit()) {
                *error = QStringLiteral("%1: %2").arg(m_options.linkPath, file.errorString());
                return false;
            }
            m_addressFile = m_options.linkPath;
        }
        std::printf("%s\n", qPrintable(m_listener.address()));
    }
    std::fflush(stdout);
    return true;
}

void SimServer::closeLine() {
    m_clients.clear();
    m_listener.close();
    if (!m_addressFile.isEmpty())
        QFile::remove(m_addressFile);
    m_port.close();
}

void SimServer::welcome() {
    for (int fd = m_listener.accept(); fd >= 0; fd = m_listener.accept()) {
        auto link = std::make_unique<TcpLink>(fd);
        if (m_clients.size() >= MaxClients) {
            complain(QStringLiteral("%1: refused, %2 clients are connected")
                         .arg(link->peer())
                         .arg(MaxClients));
            continue;
        }
        m_clients.push_back({m_nextClient++, std::move(link), {}, {}, {}});
    }
}

bool SimServer::receiveFrom(Client& client, Clock::time_point now) {
    bool closed = false;
    const QByteArray bytes = client.link->readAvailable(&closed);
    if (!bytes.isEmpty())
        client.lastByte = now;
    if (m_options.framing == SimOptions::Framing::Rtu) {
        for (const QByteArray& frame : client.rtu.feed(bytes))
            serve(client, frame, std::nullopt, now);
        return !closed;
    }
    for (const MbapRequest& request : client.mbap.feed(bytes))
        serve(client, request.rtu, request.transaction, now);
    if (!client.mbap.error().isEmpty()) {
        complain(QStringLiteral("%1: %2; closing the connection")
                     .arg(client.link->peer(), client.mbap.error()));
        return false;
    }
    return !closed;
}

void SimServer::serve(const Client& from, const QByteArray& frame,
                      std::optional<std::uint16_t> transaction, Clock::time_point now) {
    m_log.append(frame);
    // The device server holds a request until the bus is free and has been
    // quiet for a frame gap, then sends it whole at the baud rate.
    const Clock::time_point start = std::max(now, m_lineFree + m_silenceTime);
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(m_byteTime * frame.size());
    m_lineFree = answer(frame, end, from.id, transaction).value_or(end);
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

    if (const auto lineFree = answer(frame, m_requestEnd, 0, std::nullopt))
        m_lineFree = *lineFree;
}

std::optional<SimServer::Clock::time_point>
SimServer::answer(const QByteArray& frame, Clock::time_point requestEnd, int client,
                  std::optional<std::uint16_t> transaction) {
    m_line.advance(std::chrono::duration<double>(requestEnd - m_modelTime).count());
    m_modelTime = requestEnd;
    const auto reply = m_line.handle(frame);
    if (!reply)
        return std::nullopt;
    QByteArray bytes = *reply;
    // Modbus TCP leaves the device server once the meter's last byte is in;
    // its header never was on the bus.
    microseconds onTheBus{0};
    microseconds header{0};
    if (transaction) {
        const bool wrongTid = chance(m_options.wrongTid);
        const bool shortLength = chance(m_options.shortLength);
        bytes = MbapFramer::reply(static_cast<std::uint16_t>(*transaction - (wrongTid ? 1 : 0)),
                                  *reply, shortLength ? 1 : 0);
        onTheBus = m_pacer.byteTime(static_cast<int>(reply->size()));
        header = m_pacer.byteTime(static_cast<int>(bytes.size() - reply->size()));
    }
    const Clock::time_point begin = requestEnd + m_options.turnaround;
    Clock::time_point lineFree = begin;
    const auto asSent = std::make_shared<QByteArray>(bytes);
    std::vector<TimedPiece> pieces = m_pacer.pace(bytes);
    // A gateway checks the meter's whole reply before it answers, so its
    // Modbus TCP reply leaves in one piece; only --split cuts it.
    if (transaction && !m_options.split && pieces.size() > 1) {
        TimedPiece whole = pieces.back();
        whole.offset = pieces.front().offset;
        whole.bytes.clear();
        for (const TimedPiece& piece : pieces)
            whole.bytes += piece.bytes;
        pieces = {whole};
    }
    for (const TimedPiece& piece : pieces) {
        if (!piece.endsReply.isEmpty())
            *asSent = piece.endsReply; // with the CRC fault the pacer put in
        lineFree = begin + std::max(piece.at - header, onTheBus);
        m_output.push_back(
            {lineFree, piece.bytes, piece.offset, asSent, !piece.endsReply.isEmpty(), client});
    }
    return lineFree;
}

bool SimServer::chance(double probability) {
    return probability > 0.0 &&
           std::uniform_real_distribution<double>(0.0, 1.0)(m_gatewayRandom) < probability;
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
    for (Client& client : m_clients) {
        if (!client.rtu.isEmpty() && now >= client.lastByte + m_tcpQuiet) {
            if (const auto frame = client.rtu.silence())
                serve(client, *frame, std::nullopt, now);
        }
    }
    while (!m_output.empty() && m_output.front().due <= now) {
        const PendingOutput& output = m_output.front();
        send(output);
        if (output.endsReply && output.reply)
            m_replyLog.appendStamped(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         Clock::now().time_since_epoch())
                                         .count(),
                                     *output.reply);
        m_output.pop_front();
    }
}

void SimServer::send(const PendingOutput& output) {
    if (output.client == 0) {
        m_port.write(output.bytes);
        return;
    }
    // A client that has gone meanwhile misses its answer.
    for (Client& client : m_clients) {
        if (client.id == output.client)
            client.link->write(output.bytes);
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
    for (const Client& client : m_clients) {
        if (!client.rtu.isEmpty())
            consider(client.lastByte + m_tcpQuiet);
    }
    if (!m_output.empty())
        consider(m_output.front().due);
    return next;
}
