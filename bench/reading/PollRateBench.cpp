// The reading road under load, side by side with a plain loop over Qt's own
// Modbus client, on the same simulated half-duplex line in the same run.
//
//   build/bin/poll-rate-bench [--seconds N] [--baud 9600,115200]
//                             [--periods 1,5,10,...] [--meters N] [--turnaround MS]
//                             [--publish HOST:PORT] [--window]
//                             [--lines N [--lose-one | --lose-adapter] [--scrape RATE]]
//   build/bin/poll-rate-bench --gateway [--seconds N] [--meters N] [--baud 115200]
//
// The tool's side is the real Qt serial port, the receive routine, the
// decoder, the store and the grid model, polling meter-sim at each poll
// period. "tool link" is the same port, exchange and polling cycle with the
// reply decoded but not stored: the line's share of the cost, to set beside
// the Qt side, which stores nothing either. "bare floor" asks, checks,
// decodes and stores the same way with blocking waits on one thread and no
// event loop: what any design that stores every reply at once costs at
// least. The Qt side is
// QModbusRtuSerialClient asking the same meters in turn for the same
// registers: request, wait for the reply, next request.
// For each it prints replies a second, their share of the line's physical
// maximum, the share of requests answered and stored, CPU time and
// wake-ups of the thread per reply, and the time from a reply's last byte
// leaving the simulator to its row being committed (the Qt client: to its
// reply being finished), both sides reading the same monotonic clock.
// With --publish each tool row is run again publishing every reading to
// that MQTT broker ("tool+mqtt"); "thread/r" is the reading thread's own
// CPU time per reply, without the publisher's thread, so the two rows say
// what publishing adds where it could slow reading.
// With --window each tool row is run again with the main window shown and
// reading ("tool+win", "+window" with --lines; offscreen unless a display is
// set), to set what the window costs per reply beside the road alone.
// With --scrape RATE each station run of --lines is run again with the
// station's state taken for the web server on 127.0.0.1 and its /metrics
// asked RATE times a second, a new connection each, by a blocking client on
// a thread of its own: each line's share beside the run without, scrapes
// answered of those asked, their latency and size, and the CPU a scrape
// costs the server's thread, and the whole process beside the run without.
// With --gateway one station line of 32 meters (at 115200 baud unless told)
// is read through the real start-up once each way a line reaches its bus:
// its own serial port, RTU over TCP through ser2net in front of the
// meter-sim terminal, and Modbus TCP to meter-sim's own gateway; then
// QModbusTcpClient loops over the same kind of gateway. Each row gives
// replies a second, their share of the bus's physical maximum, the share of
// requests stored, the whole process's CPU per stored reply and its peak
// memory; "its link" is the Modbus TCP line's port, exchange and polling
// cycle alone, decoding but not storing, with its thread's CPU and
// wake-ups a reply. Then whether the gateway lines meet their targets
// against the serial line and against Qt's client.

#include "CRC16.h"
#include "Database.h"
#include "Frames.h"
#include "GatewayPort.h"
#include "HexText.h"
#include "IntervalTimer.h"
#include "LineSettings.h"
#include "LineTable.h"
#include "LocalClock.h"
#include "MainWindow.h"
#include "MeterTable.h"
#include "PollCursor.h"
#include "PollingCycle.h"
#include "PortLocator.h"
#include "PublishTable.h"
#include "QtSerialPort.h"
#include "RealtimeRecord.h"
#include "Ser2net.h"
#include "SerialExchange.h"
#include "StartingDatabase.h"
#include "Station.h"
#include "StationStateBox.h"
#include "StationStateBuilder.h"
#include "WebServer.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#ifdef HAVE_QT_MODBUS
#include <QModbusRtuSerialClient>
#include <QModbusTcpClient>
#include <QSerialPort>
#endif

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct Setup {
    int meters = 32;
    int turnaroundMs = 5;
    std::optional<PublishSettings> publish; // publishing every reading, when set
    bool lostAdapter = false; // the lost line has no simulator at all, not silent meters
};

// Precise CPU time of the whole process; getrusage counts in scheduler ticks.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The calling thread's own CPU time: the reading thread's, without the
// publisher's.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Times the thread went to sleep waiting and was woken: its wake-ups.
long wakeUps() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

// Request and reply on the line, the meter's turnaround and the quiet gap
// before the next request: the shortest time one reply can take.
double physicalMsPerReply(int baud, const Setup& setup) {
    LineSettings line;
    line.baud = baud;
    const auto lineTime = line.characterTime(8 + 53) + line.frameGap();
    return double(lineTime.count()) / 1000.0 + setup.turnaroundMs;
}

struct Result {
    bool ran = false;
    int requests = 0;
    int replies = 0; // stored by the tool, finished without error by the Qt client
    double seconds = 0;
    double cpuUsPerReply = 0;
    double threadCpuUsPerReply = 0;
    double wakeUpsPerReply = 0;
    double cpuSeconds = 0; // the whole process's over the run
    double latencyMedianMs = 0, latencyP99Ms = 0, latencyMaxMs = 0;
};

// meter-sim as `com` of the program folder in `dir`, logging its requests
// and replies beside it; with `silent`, none of its meters answers. With
// `tcpFraming` ("rtu" or "mbap") it serves on TCP instead, and its port
// link is a file holding the HOST:PORT it took. True once that link is there.
bool startSim(QProcess& sim, const QTemporaryDir& dir, int com, int baud, const Setup& setup,
              bool silent, const QString& tcpFraming = {}) {
    const QString port = dir.filePath(QStringLiteral("ports/com%1").arg(com));
    const QString meters = QStringLiteral("1-%1").arg(setup.meters);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulated meters stand in for hardware that never waits for a
    // processor; on a busy machine they would answer late and cost both
    // sides replies. Where real-time priority is refused, they run as
    // they are.
    sim.setChildProcessModifier([] {
        sched_param priority{};
        priority.sched_priority = 10;
        sched_setscheduler(0, SCHED_FIFO, &priority);
    });
    QStringList arguments{"--addresses",  meters,
                          "--baud",       QString::number(baud),
                          "--turnaround", QString::number(setup.turnaroundMs),
                          "--seed",       QString::number(com),
                          "--link",       port,
                          "--log",        dir.filePath(QStringLiteral("requests-%1.log").arg(com)),
                          "--reply-log",  dir.filePath(QStringLiteral("replies-%1.log").arg(com))};
    if (silent)
        arguments << "--silent" << meters;
    if (!tcpFraming.isEmpty())
        arguments << "--tcp"
                  << "127.0.0.1:0"
                  << "--framing" << tcpFraming;
    sim.start(QStringLiteral(METER_SIM_PATH), arguments);
    sim.waitForStarted();
    for (int i = 0; i < 500 && !QFileInfo::exists(port); ++i)
        QThread::msleep(10);
    return QFileInfo::exists(port);
}

// meter-sim as com1 of a fresh program folder, logging requests and replies.
class Line {
public:
    Line(int baud, const Setup& setup, std::optional<int> pollPeriod) {
        StartingDatabase::Options options;
        QList<int> meters;
        for (int m = 1; m <= setup.meters; ++m)
            meters << m;
        options.meters = meters;
        options.settings = QString::number(baud);
        options.timer = pollPeriod.value_or(0);
        options.publish = setup.publish;
        if (!StartingDatabase::create(Database::filePath(m_dir.path()), options))
            return;
        m_up = startSim(m_sim, m_dir, 1, baud, setup, false);
    }
    ~Line() {
        m_sim.terminate();
        m_sim.waitForFinished(3000);
    }

    bool isUp() const { return m_up; }
    QString folder() const { return m_dir.path(); }
    QString portPath() const { return m_dir.filePath("ports/com1"); }

    // Fills the figures that come from the simulator's logs.
    void finish(Result& result, const std::vector<std::pair<QString, qint64>>& received) {
        m_sim.terminate();
        m_sim.waitForFinished(3000);
        result.requests = int(fileLines(m_dir.filePath("requests-1.log")).size());
        QHash<QString, qint64> sentAt;
        for (const QString& line : fileLines(m_dir.filePath("replies-1.log")))
            sentAt.insert(line.section(QLatin1Char(' '), 1),
                          line.section(QLatin1Char(' '), 0, 0).toLongLong());
        std::vector<double> latencies;
        for (const auto& [hex, at] : received) {
            const auto found = sentAt.constFind(hex);
            if (found != sentAt.constEnd())
                latencies.push_back(double(at - *found) / 1e6);
        }
        result.latencyMedianMs = percentile(latencies, 0.5);
        result.latencyP99Ms = percentile(latencies, 0.99);
        result.latencyMaxMs =
            latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    }

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
    bool m_up = false;
};

// Runs `start`, lets the loop turn for `seconds`, runs `stop`, and gives the
// last replies on their way a moment; CPU and wake-ups over all of it.
void measure(Result& result, int seconds, const std::function<void()>& start,
             const std::function<void()>& stop, const std::function<int()>& replies,
             bool turnLoop = true) {
    const double cpuBefore = cpuSeconds();
    const double threadCpuBefore = threadCpuSeconds();
    const long wakeUpsBefore = wakeUps();
    const auto began = std::chrono::steady_clock::now();
    start(); // without a loop to turn, `start` runs the whole time itself
    if (turnLoop)
        waitMs(seconds * 1000);
    stop();
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (turnLoop)
        waitMs(300);
    const double cpu = cpuSeconds() - cpuBefore;
    const double threadCpu = threadCpuSeconds() - threadCpuBefore;
    const long woken = wakeUps() - wakeUpsBefore;
    result.replies = replies();
    result.ran = true;
    result.cpuSeconds = cpu;
    if (result.replies > 0) {
        result.cpuUsPerReply = cpu * 1e6 / result.replies;
        result.threadCpuUsPerReply = threadCpu * 1e6 / result.replies;
        result.wakeUpsPerReply = double(woken) / result.replies;
    }
}

// Each reply a side took in, as hex, and when.
using Received = std::vector<std::pair<QString, qint64>>;

// Runs one side on a fresh line: `side` sets itself up and measures, noting
// every reply it takes in; the simulator's logs then give the rest.
Result onFreshLine(int baud, const Setup& setup, std::optional<int> pollPeriod,
                   const std::function<void(Line&, Result&, Received&)>& side) {
    Result result;
    Line line(baud, setup, pollPeriod);
    if (!line.isUp())
        return result;
    Received received;
    received.reserve(100000);
    side(line, result, received);
    line.finish(result, received);
    return result;
}

Result runTool(int baud, int periodMs, int seconds, const Setup& setup) {
    return onFreshLine(baud, setup, periodMs, [&](Line& line, Result& result, Received& commits) {
        Station station(line.folder(), std::make_unique<QtSerialPort>(PortLocator(line.folder())));
        if (!station.startUp().isOk()) {
            std::fprintf(stderr, "start-up failed\n");
            return;
        }
        QObject::connect(
            &station, &Station::readingReceived,
            [&](const Reading&, const QString& hex) { commits.emplace_back(hex, nowNs()); });
        const auto connected = [&] {
            return station.publisher().state() == Publisher::State::Connected;
        };
        for (int i = 0; setup.publish && i < 500 && !connected(); ++i)
            waitMs(10);
        if (setup.publish && !connected())
            std::fprintf(stderr, "the broker at %s:%d does not answer\n",
                         qPrintable(setup.publish->host), setup.publish->port);
        measure(
            result, seconds, [&] { station.readMeterData(); }, [&] { station.stopReading(); },
            [&] { return int(commits.size()); });
    });
}

// The same with the main window shown: its grid follows every reading.
Result runWindow(int baud, int periodMs, int seconds, const Setup& setup) {
    return onFreshLine(baud, setup, periodMs, [&](Line& line, Result& result, Received& commits) {
        MainWindow window(line.folder(),
                          std::make_unique<QtSerialPort>(PortLocator(line.folder())));
        if (!window.load().isOk()) {
            std::fprintf(stderr, "start-up failed\n");
            return;
        }
        window.show();
        waitMs(300); // shown and drawn once
        QObject::connect(
            &window.station(), &Station::readingReceived,
            [&](const Reading&, const QString& hex) { commits.emplace_back(hex, nowNs()); });
        measure(
            result, seconds, [&] { window.readMeterData(); }, [&] { window.stopReading(); },
            [&] { return int(commits.size()); });
    });
}

// Meters 1 to N in turn.
class CountingCursor : public PollCursor {
public:
    explicit CountingCursor(int meters) : m_meters(meters) {}
    std::optional<int> currentAddress() const override { return m_current; }
    void moveToNext() override { m_current = m_current % m_meters + 1; }

private:
    int m_meters;
    int m_current = 1;
};

Result runLink(int baud, int periodMs, int seconds, const Setup& setup) {
    return onFreshLine(baud, setup, periodMs, [&](Line& line, Result& result, Received& decoded) {
        QtSerialPort port{PortLocator(line.folder())};
        port.setPortNumber(1);
        if (port.openEmptied() != 0 || port.setLineSettings(QStringLiteral("%1,n,8,1").arg(baud)))
            return;
        SerialExchange exchange(port);
        CountingCursor cursor(setup.meters);
        IntervalTimer pollTimer;
        PollingCycle polling(exchange, cursor, pollTimer);
        QObject::connect(&exchange, &SerialExchange::replyReceived,
                         [&](ReplyKind, const QString& hex) {
                             if (decodeRealtimeRecord(hex))
                                 decoded.emplace_back(hex, nowNs());
                         });
        measure(
            result, seconds, [&] { pollTimer.setInterval(std::chrono::milliseconds(periodMs)); },
            [&] { pollTimer.setInterval(std::chrono::milliseconds(0)); },
            [&] { return int(decoded.size()); });
    });
}

// The floor of any design: the same requests, receive check, decoder and
// store, on this thread with blocking waits and no event loop, as a reader
// thread of its own could do it. Two waits a reply: the first byte, then
// the rest once it can have arrived; the frame gap is slept through.
Result runBare(int baud, int seconds, const Setup& setup) {
    return onFreshLine(baud, setup, 1, [&](Line& line, Result& result, Received& stored) {
        const int fd = ::open(QFile::encodeName(line.portPath()).constData(),
                              O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, baud == 9600 ? B9600 : B115200);
        ::tcsetattr(fd, TCSANOW, &tio);
        Database db(line.folder(), Database::Options{std::chrono::milliseconds(100), false});
        MeterTable meters(db.connection());
        LocalClock clock;
        LineSettings settings;
        settings.baud = baud;
        using Clock = std::chrono::steady_clock;
        const auto sleepUntil = [](Clock::time_point when) {
            const auto ns =
                std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch())
                    .count();
            const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        };
        int address = 1;
        measure(
            result, seconds,
            [&] {
                const auto end = Clock::now() + std::chrono::seconds(seconds);
                QByteArray reply;
                while (Clock::now() < end) {
                    const QByteArray request =
                        Frames::readRequest(std::uint8_t(address), ReplyKind::RealTime);
                    const int expected = Frames::replyLength(request);
                    address = address % setup.meters + 1;
                    if (::write(fd, request.constData(), size_t(request.size())) != request.size())
                        continue;
                    const auto giveUp = Clock::now() +
                                        settings.characterTime(int(request.size()) + expected) +
                                        std::chrono::milliseconds(20);
                    reply.clear();
                    while (reply.size() < expected && Clock::now() < giveUp) {
                        if (reply.isEmpty()) {
                            pollfd wait{fd, POLLIN, 0};
                            ::poll(&wait, 1,
                                   int(std::chrono::ceil<std::chrono::milliseconds>(giveUp -
                                                                                    Clock::now())
                                           .count()));
                        } else {
                            sleepUntil(Clock::now() +
                                       settings.characterTime(expected - int(reply.size())) +
                                       std::chrono::microseconds(100));
                        }
                        char chunk[256];
                        const ssize_t got = ::read(fd, chunk, sizeof chunk);
                        if (got > 0)
                            reply.append(chunk, got);
                    }
                    if (reply.size() == expected && crcMatches(reply)) {
                        const QString hex = HexText::fromBytes(reply);
                        if (std::optional<Reading> reading = decodeRealtimeRecord(hex)) {
                            reading->time = clock.now();
                            if (meters.storeReading(*reading).isDone())
                                stored.emplace_back(hex, nowNs());
                        }
                    }
                    sleepUntil(Clock::now() + settings.frameGap());
                }
            },
            [] {}, [&] { return int(stored.size()); }, false);
        ::close(fd);
    });
}

#ifdef HAVE_QT_MODBUS
// QModbusRtuSerialClient (or QModbusTcpClient to a gateway) asking meters
// 1 to N in turn for the record's registers: request, wait for the reply,
// next request.
class QtClientLoop {
public:
    QtClientLoop(const QString& portPath, int baud, int meters, Received& finished)
        : m_client(std::make_unique<QModbusRtuSerialClient>()), m_meters(meters),
          m_finished(finished) {
        m_client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, portPath);
        m_client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, baud);
        m_client->setConnectionParameter(QModbusDevice::SerialParityParameter,
                                         QSerialPort::NoParity);
        m_client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter,
                                         QSerialPort::Data8);
        m_client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter,
                                         QSerialPort::OneStop);
        // The same patience as the tool's: line time and 20 ms of turnaround.
        LineSettings settings;
        settings.baud = baud;
        m_client->setTimeout(
            int(std::chrono::ceil<std::chrono::milliseconds>(settings.characterTime(61)).count()) +
            20);
        m_client->setNumberOfRetries(0);
    }
    struct Gateway {
        QString host;
        int port = 0;
    };
    // Modbus TCP to a gateway, with a gateway line's patience.
    QtClientLoop(const Gateway& gateway, int meters, Received& finished)
        : m_client(std::make_unique<QModbusTcpClient>()), m_meters(meters), m_finished(finished) {
        m_client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, gateway.host);
        m_client->setConnectionParameter(QModbusDevice::NetworkPortParameter, gateway.port);
        m_client->setTimeout(StoredLine::GatewayReplyTimeout);
        m_client->setNumberOfRetries(0);
    }
    ~QtClientLoop() { m_client->disconnectDevice(); }

    // A TCP client connects in the background: waits until it has.
    bool connect() {
        if (m_client->connectDevice()) {
            for (int i = 0; i < 300 && m_client->state() == QModbusDevice::ConnectingState; ++i)
                waitMs(10);
            if (m_client->state() == QModbusDevice::ConnectedState)
                return true;
        }
        std::fprintf(stderr, "Qt client: %s\n", qPrintable(m_client->errorString()));
        return false;
    }
    void start() {
        m_running = true;
        ask();
    }
    void stop() { m_running = false; }

private:
    void ask() {
        if (!m_running)
            return;
        const int server = m_address;
        m_address = m_address % m_meters + 1;
        QModbusReply* reply = m_client->sendReadRequest(
            QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 24), server);
        if (!reply) {
            QTimer::singleShot(1, [this] { ask(); });
            return;
        }
        const auto done = [this, reply, server] {
            if (reply->error() == QModbusDevice::NoError) {
                const QModbusResponse pdu = reply->rawResult();
                QByteArray frame;
                frame.append(char(server)).append(char(pdu.functionCode())).append(pdu.data());
                m_finished.emplace_back(HexText::fromBytes(withCrc(frame)), nowNs());
            }
            reply->deleteLater();
            ask();
        };
        if (reply->isFinished())
            QTimer::singleShot(0, done);
        else
            QObject::connect(reply, &QModbusReply::finished, done);
    }

    std::unique_ptr<QModbusClient> m_client;
    int m_meters;
    Received& m_finished;
    bool m_running = false;
    int m_address = 1;
};

Result runQtClient(int baud, int seconds, const Setup& setup) {
    return onFreshLine(baud, setup, std::nullopt,
                       [&](Line& line, Result& result, Received& finished) {
                           QtClientLoop loop(line.portPath(), baud, setup.meters, finished);
                           if (!loop.connect())
                               return;
                           measure(
                               result, seconds, [&] { loop.start(); }, [&] { loop.stop(); },
                               [&] { return int(finished.size()); });
                       });
}
#endif

// A station of N lines: meter-sims as com1 to comN of one fresh program
// folder, each line stored with the same meters, baud and poll period. With
// `lostLine`, that line's meters are all silent for the run.
class SimLines {
public:
    SimLines(int count, int baud, const Setup& setup, int pollPeriod, int lostLine) {
        StartingDatabase::Options options;
        QList<int> meters;
        for (int m = 1; m <= setup.meters; ++m)
            meters << m;
        options.meters = meters;
        options.settings = QString::number(baud);
        options.timer = pollPeriod;
        for (int n = 2; n <= count; ++n) {
            StoredLine line = LineTable::startingLine(n);
            line.baud = QString::number(baud);
            line.pollPeriod = pollPeriod;
            // Port numbers stop at com10; lines past it name their link's path.
            if (n > 10)
                line.port = portPath(n);
            options.lines.append({line, meters});
        }
        if (!StartingDatabase::create(Database::filePath(m_dir.path()), options))
            return;
        m_up = true;
        for (int n = 1; n <= count; ++n) {
            m_sims.push_back(std::make_unique<QProcess>());
            // An adapter that is gone: no device behind the line's port at all.
            if (n == lostLine && setup.lostAdapter)
                continue;
            m_up = startSim(*m_sims.back(), m_dir, n, baud, setup, n == lostLine) && m_up;
        }
    }
    ~SimLines() { stop(); }

    bool isUp() const { return m_up; }
    QString folder() const { return m_dir.path(); }
    QString portPath(int n) const { return m_dir.filePath(QStringLiteral("ports/com%1").arg(n)); }
    // Requests each line's meter-sim took in, line 1 first; stops them.
    std::vector<int> requests() {
        stop();
        std::vector<int> counts;
        for (size_t n = 1; n <= m_sims.size(); ++n)
            counts.push_back(
                int(fileLines(m_dir.filePath(QStringLiteral("requests-%1.log").arg(n))).size()));
        return counts;
    }

private:
    void stop() {
        for (const auto& sim : m_sims) {
            sim->terminate();
            sim->waitForFinished(3000);
        }
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_sims;
    bool m_up = false;
};

// What a scraper of /metrics saw, and what the server's thread spent.
struct Scrapes {
    int asked = 0;
    int done = 0; // answered 200 with the whole body
    std::vector<double> latencyMs;
    qint64 bodyBytes = 0;  // of those done
    double scraperCpu = 0; // seconds, the scraper's own thread
    double serverCpu = 0;  // seconds, the server's thread
};

// GET /metrics `rate` times a second, evenly spaced, for `seconds`, on a
// thread of its own: blocking sockets, a new connection each scrape. A
// scrape that runs late makes the next one go at once: none is skipped.
class Scraper {
public:
    Scraper(quint16 port, int rate, int seconds) : m_port(port), m_rate(rate), m_seconds(seconds) {}
    ~Scraper() { join(); }
    void start() {
        m_thread = std::thread([this] { run(); });
    }
    // Waits for the last scrape; the figures are whole after it.
    void join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    Scrapes& figures() { return m_figures; }

private:
    void run() {
        const double cpuBefore = threadCpuSeconds();
        const qint64 began = nowNs();
        m_figures.asked = m_rate * m_seconds;
        m_figures.latencyMs.reserve(size_t(m_figures.asked));
        for (int i = 0; i < m_figures.asked; ++i) {
            const qint64 at = began + qint64(i) * 1'000'000'000 / m_rate;
            const timespec when{time_t(at / 1'000'000'000), long(at % 1'000'000'000)};
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
            const qint64 sent = nowNs();
            const qint64 body = scrape();
            if (body < 0)
                continue;
            m_figures.latencyMs.push_back(double(nowNs() - sent) / 1e6);
            m_figures.bodyBytes += body;
            ++m_figures.done;
        }
        m_figures.scraperCpu = threadCpuSeconds() - cpuBefore;
    }

    // The body's length when answered 200 in full, else -1.
    qint64 scrape() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        const timeval patience{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(m_port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const QByteArray request =
            "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port) + "\r\n\r\n";
        QByteArray reply;
        qint64 headerEnd = -1, length = -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) ==
                request.size()) {
            // To the server's close, or to the end of the body it announced.
            char chunk[65536];
            for (ssize_t got; (got = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) {
                reply.append(chunk, got);
                if (headerEnd < 0 && (headerEnd = reply.indexOf("\r\n\r\n")) >= 0) {
                    const qint64 field = reply.left(headerEnd).toLower().indexOf("content-length:");
                    if (field >= 0)
                        length =
                            reply.mid(field + 15, 12).split('\r').value(0).trimmed().toLongLong();
                }
                if (headerEnd >= 0 && length >= 0 && reply.size() >= headerEnd + 4 + length)
                    break;
            }
        }
        ::close(fd);
        const qint64 body = reply.size() - headerEnd - 4;
        if (!reply.startsWith("HTTP/1.1 200") || headerEnd < 0 || (length >= 0 && body != length))
            return -1;
        return body;
    }

    quint16 m_port;
    int m_rate;
    int m_seconds;
    Scrapes m_figures;
    std::thread m_thread;
};

// The CPU clock of the thread `object` lives on, asked on that thread.
bool cpuClockOf(QObject* object, clockid_t& clock) {
    int error = -1;
    if (object)
        QMetaObject::invokeMethod(
            object, [&] { error = pthread_getcpuclockid(pthread_self(), &clock); },
            Qt::BlockingQueuedConnection);
    return error == 0;
}

double cpuSecondsOf(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One side of a station run: each line's replies and requests, the whole
// process's CPU and its peak resident memory; with scraping, the scrapes.
struct StationResult {
    bool ran = false;
    double seconds = 0;
    std::vector<int> replies; // line 1 first
    std::vector<int> requests;
    double cpuUsPerReply = 0;
    long peakKb = 0;
    double cpuSeconds = 0;
    Scrapes scrapes;
};

// The process's peak resident set so far (VmHWM), in kB.
long peakResidentKb() {
    for (const QString& line : fileLines(QStringLiteral("/proc/self/status")))
        if (line.startsWith(QLatin1String("VmHWM:")))
            return line.section(QLatin1Char(':'), 1)
                .trimmed()
                .section(QLatin1Char(' '), 0, 0)
                .toLong();
    return 0;
}

// Starts the peak anew, so each run's is its own (Linux 4.0 and later).
void resetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Measures `start` to `stop` over N lines; `replies` gives each line's count.
// `requests` (called once, after) each line's requests as its simulator logged them.
void measureLines(StationResult& result, int seconds, const std::function<void()>& start,
                  const std::function<void()>& stop,
                  const std::function<std::vector<int>()>& replies,
                  const std::function<std::vector<int>()>& requests) {
    Result whole;
    resetPeakResident();
    measure(whole, seconds, start, stop, [&] {
        int total = 0;
        for (int count : replies())
            total += count;
        return total;
    });
    result.ran = true;
    result.seconds = whole.seconds;
    result.cpuUsPerReply = whole.cpuUsPerReply;
    result.cpuSeconds = whole.cpuSeconds;
    result.peakKb = peakResidentKb();
    result.replies = replies();
    result.requests = requests();
}

// With `window`, the station is the shown main window's, its grid following
// every reading. With `scrapeRate`, the station's state is taken for a web
// server on 127.0.0.1, whose /metrics a scraper asks that often a second.
StationResult runStation(int lines, int baud, int periodMs, int seconds, const Setup& setup,
                         int lostLine, bool window = false, int scrapeRate = 0) {
    StationResult result;
    SimLines sims(lines, baud, setup, periodMs, lostLine);
    if (!sims.isUp())
        return result;
    std::unique_ptr<MainWindow> shown;
    std::unique_ptr<Station> own;
    const auto port = [&] { return std::make_unique<QtSerialPort>(PortLocator(sims.folder())); };
    if (window)
        shown = std::make_unique<MainWindow>(sims.folder(), port());
    else
        own = std::make_unique<Station>(sims.folder(), port());
    Station& station = window ? shown->station() : *own;
    QObject::connect(&station, &Station::lineNotStarted,
                     [](const QString& why) { std::fprintf(stderr, "%s\n", qPrintable(why)); });
    const bool started = window ? shown->load().isOk() : station.startUp().isOk();
    if (!started || int(station.lines().size()) != lines) {
        std::fprintf(stderr, "start-up failed\n");
        return result;
    }
    if (shown) {
        shown->show();
        waitMs(300); // shown and drawn once
    }
    StationStateBox box;
    std::optional<StationStateBuilder> builder;
    std::optional<WebServer> server;
    std::optional<Scraper> scraper;
    clockid_t serverClock{};
    double serverCpuBefore = 0;
    if (scrapeRate > 0) {
        builder.emplace(station, box);
        builder->start();
        server.emplace(box);
        if (const QString error = server->start(WebSettings()); !error.isEmpty()) {
            std::fprintf(stderr, "the web server did not start: %s\n", qPrintable(error));
            return result;
        }
        // Its dispatcher is the one object sure to live on its thread.
        if (!cpuClockOf(server->serverThread()->eventDispatcher(), serverClock)) {
            std::fprintf(stderr, "the web server's thread cannot be reached\n");
            return result;
        }
        scraper.emplace(server->port(), scrapeRate, seconds);
    }
    std::vector<int> stored(size_t(lines), 0);
    QObject::connect(&station, &Station::readingStored, [&](const Reading& row) {
        if (row.line >= 1 && row.line <= lines)
            ++stored[size_t(row.line - 1)];
    });
    measureLines(
        result, seconds,
        [&] {
            station.readMeterData();
            if (scraper) {
                serverCpuBefore = cpuSecondsOf(serverClock);
                scraper->start();
            }
        },
        [&] {
            station.stopReading();
            if (scraper) {
                scraper->join();
                scraper->figures().serverCpu = cpuSecondsOf(serverClock) - serverCpuBefore;
            }
        },
        [&] { return stored; }, [&] { return sims.requests(); });
    if (scraper)
        result.scrapes = scraper->figures();
    return result;
}

#ifdef HAVE_QT_MODBUS
StationResult runQtClients(int lines, int baud, int seconds, const Setup& setup, int lostLine) {
    StationResult result;
    SimLines sims(lines, baud, setup, 1, lostLine);
    if (!sims.isUp())
        return result;
    std::vector<Received> finished(static_cast<size_t>(lines));
    std::vector<std::unique_ptr<QtClientLoop>> loops;
    for (int n = 1; n <= lines; ++n) {
        if (n == lostLine && setup.lostAdapter)
            continue; // its client could not connect
        finished[size_t(n - 1)].reserve(100000);
        loops.push_back(std::make_unique<QtClientLoop>(sims.portPath(n), baud, setup.meters,
                                                       finished[size_t(n - 1)]));
        if (!loops.back()->connect())
            return result;
    }
    measureLines(
        result, seconds,
        [&] {
            for (const auto& loop : loops)
                loop->start();
        },
        [&] {
            for (const auto& loop : loops)
                loop->stop();
        },
        [&] {
            std::vector<int> counts;
            for (const Received& replies : finished)
                counts.push_back(int(replies.size()));
            return counts;
        },
        [&] { return sims.requests(); });
    return result;
}
#endif

// --gateway: how a line reaches its bus. Line 2 of a fresh program folder
// is the measured line, over its own serial port, through ser2net as RTU
// over TCP, or as Modbus TCP to meter-sim's gateway; line 1, which a
// station always has on a serial port, lists no meters and idles, the same
// in each run.
enum class Reach { Serial, RtuOverTcp, ModbusTcp };

class ReachedLine {
public:
    static constexpr int Measured = 2;

    ReachedLine(Reach reach, int baud, const Setup& setup) {
        QDir(m_dir.path()).mkpath(QStringLiteral("ports"));
        if (!startSim(m_idle, m_dir, 1, baud, setup, false))
            return;
        StoredLine line = LineTable::startingLine(Measured);
        line.baud = QString::number(baud);
        line.pollPeriod = 1;
        switch (reach) {
        case Reach::Serial:
            if (!startSim(m_bus, m_dir, Measured, baud, setup, false))
                return;
            break;
        case Reach::RtuOverTcp:
            if (!startSim(m_bus, m_dir, Measured, baud, setup, false))
                return;
            m_ser2net = std::make_unique<Ser2net>(portPath(), baud);
            if (!m_ser2net->start()) {
                std::fprintf(
                    stderr, "ser2net did not start: %s\n",
                    qPrintable(Ser2net::program().isEmpty() ? Ser2net::skipReason() : QString()));
                return;
            }
            m_host = QStringLiteral("127.0.0.1");
            m_port = m_ser2net->port();
            break;
        case Reach::ModbusTcp: {
            if (!startSim(m_bus, m_dir, Measured, baud, setup, false, QStringLiteral("mbap")))
                return;
            const QString address = fileLines(portPath()).value(0).trimmed();
            m_host = address.section(QLatin1Char(':'), 0, 0);
            m_port = address.section(QLatin1Char(':'), 1).toInt();
            if (m_port <= 0)
                return;
            break;
        }
        }
        if (reach != Reach::Serial) {
            line.transport = reach == Reach::ModbusTcp ? StoredLine::Transport::ModbusTcp
                                                       : StoredLine::Transport::RtuOverTcp;
            line.port.clear();
            line.host = m_host;
            line.tcpPort = m_port;
            line.replyTimeout = StoredLine::GatewayReplyTimeout;
        }
        StartingDatabase::Options options;
        options.meters = QList<int>();
        options.settings = QString::number(baud);
        options.timer = 1000;
        QList<int> meters;
        for (int m = 1; m <= setup.meters; ++m)
            meters << m;
        options.lines.append({line, meters});
        m_up = StartingDatabase::create(Database::filePath(m_dir.path()), options);
    }
    ~ReachedLine() { stop(); }

    bool isUp() const { return m_up; }
    QString folder() const { return m_dir.path(); }
    QString host() const { return m_host; }
    int port() const { return m_port; }
    // The measured line's requests as its meter-sim logged them; stops it.
    std::vector<int> requests() {
        stop();
        return {
            int(fileLines(m_dir.filePath(QStringLiteral("requests-%1.log").arg(Measured))).size())};
    }

private:
    QString portPath() const { return m_dir.filePath(QStringLiteral("ports/com%1").arg(Measured)); }
    void stop() {
        m_ser2net.reset();
        for (QProcess* sim : {&m_bus, &m_idle}) {
            sim->terminate();
            sim->waitForFinished(3000);
        }
    }

    QTemporaryDir m_dir;
    QProcess m_idle; // line 1's
    QProcess m_bus;
    std::unique_ptr<Ser2net> m_ser2net;
    QString m_host;
    int m_port = 0; // the gateway's; 0 on a serial line
    bool m_up = false;
};

// The station reading its measured line alone, through the real start-up.
StationResult runReached(Reach reach, int baud, int seconds, const Setup& setup) {
    StationResult result;
    ReachedLine bus(reach, baud, setup);
    if (!bus.isUp())
        return result;
    Station station(bus.folder(), std::make_unique<QtSerialPort>(PortLocator(bus.folder())));
    QObject::connect(&station, &Station::lineNotStarted,
                     [](const QString& why) { std::fprintf(stderr, "%s\n", qPrintable(why)); });
    ::Line* measured = station.startUp().isOk() ? station.line(ReachedLine::Measured) : nullptr;
    if (!measured || measured->port().isGateway() != (reach != Reach::Serial)) {
        std::fprintf(stderr, "start-up failed%s\n",
                     measured ? ": the line was not read back as a gateway line" : "");
        return result;
    }
    // A gateway's connection is made on the line's thread; reading starts
    // once it is there.
    const auto open = [&] { return measured->call([&] { return measured->port().isOpen(); }); };
    for (int i = 0; i < 300 && !open(); ++i)
        waitMs(10);
    int stored = 0;
    QObject::connect(&station, &Station::readingStored, [&](const Reading& row) {
        if (row.line == ReachedLine::Measured)
            ++stored;
    });
    measureLines(
        result, seconds, [&] { station.readMeterData(); }, [&] { station.stopReading(); },
        [&] { return std::vector<int>{stored}; }, [&] { return bus.requests(); });
    return result;
}

// The Modbus TCP line's own share, to set beside Qt's client, which stores
// nothing either: the gateway port, exchange and polling cycle with each
// reply decoded, not stored, on this thread.
Result runGatewayLink(int baud, int seconds, const Setup& setup) {
    Result result;
    ReachedLine bus(Reach::ModbusTcp, baud, setup);
    if (!bus.isUp())
        return result;
    GatewayPort port({bus.host(), quint16(bus.port()), GatewayPort::Framing::ModbusTcp});
    port.setLineSettings(QStringLiteral("%1,n,8,1").arg(baud));
    port.open();
    for (int i = 0; i < 300 && !port.isOpen(); ++i)
        waitMs(10);
    if (!port.isOpen())
        return result;
    SerialExchange exchange(port);
    CountingCursor cursor(setup.meters);
    IntervalTimer pollTimer;
    PollingCycle polling(exchange, cursor, pollTimer);
    polling.setReplyTimeout(std::chrono::milliseconds(StoredLine::GatewayReplyTimeout));
    int decoded = 0;
    QObject::connect(&exchange, &SerialExchange::replyReceived, [&](ReplyKind, const QString& hex) {
        decoded += decodeRealtimeRecord(hex) ? 1 : 0;
    });
    measure(
        result, seconds, [&] { pollTimer.setInterval(std::chrono::milliseconds(1)); },
        [&] { pollTimer.setInterval(std::chrono::milliseconds(0)); }, [&] { return decoded; });
    result.requests = bus.requests().front();
    return result;
}

#ifdef HAVE_QT_MODBUS
StationResult runQtTcpClient(int baud, int seconds, const Setup& setup) {
    StationResult result;
    ReachedLine bus(Reach::ModbusTcp, baud, setup);
    if (!bus.isUp())
        return result;
    Received finished;
    finished.reserve(100000);
    QtClientLoop loop({bus.host(), bus.port()}, setup.meters, finished);
    if (!loop.connect())
        return result;
    measureLines(
        result, seconds, [&] { loop.start(); }, [&] { loop.stop(); },
        [&] { return std::vector<int>{int(finished.size())}; }, [&] { return bus.requests(); });
    return result;
}
#endif

struct ReachFigures {
    double perSecond = 0;
    double share = 0; // of the physical maximum
    double cpuUs = 0;
};

ReachFigures printReachRow(const char* who, const StationResult& r, double physicalMs) {
    ReachFigures figures;
    if (!r.ran || r.replies.empty()) {
        std::printf("%-14s (did not run)\n", who);
        return figures;
    }
    const int replies = r.replies.front();
    const int requests = r.requests.empty() ? 0 : r.requests.front();
    figures.perSecond = r.seconds > 0 ? replies / r.seconds : 0;
    figures.share = figures.perSecond * physicalMs / 1000.0;
    figures.cpuUs = r.cpuUsPerReply;
    std::printf("%-14s %9.1f %6.2f %7d/%-7d %6.1f%% %8.0f us %7.1f MB\n", who, figures.perSecond,
                figures.share, replies, requests, requests ? 100.0 * replies / requests : 0,
                figures.cpuUs, double(r.peakKb) / 1024.0);
    std::fflush(stdout);
    return figures;
}

void printCheck(const char* what, bool met, const QString& figures) {
    std::printf("  %-8s %s: %s\n", met ? "met" : "NOT met", what, qPrintable(figures));
}

// --gateway: the same meters reached each way in turn, then Qt's Modbus TCP
// client on the same kind of gateway, and the targets they are held to.
void runGateway(const QList<int>& bauds, int seconds, const Setup& setup) {
    const int runSeconds = seconds > 0 ? seconds : 5;
    for (int baud : bauds) {
        const double physicalMs = physicalMsPerReply(baud, setup);
        std::printf("\nOne line of %d meters at %d baud, %d ms turnaround: at most %.1f replies/s "
                    "(%.1f ms a reply)\n",
                    setup.meters, baud, setup.turnaroundMs, 1000.0 / physicalMs, physicalMs);
        std::printf("%-14s %9s %6s %15s %7s %11s %10s\n", "", "replies/s", "of max", "done/asked",
                    "share", "cpu/reply", "peak RSS");
        const ReachFigures serial =
            printReachRow("serial", runReached(Reach::Serial, baud, runSeconds, setup), physicalMs);
        const ReachFigures rtu = printReachRow(
            "rtu-tcp", runReached(Reach::RtuOverTcp, baud, runSeconds, setup), physicalMs);
        const ReachFigures mbap = printReachRow(
            "modbus-tcp", runReached(Reach::ModbusTcp, baud, runSeconds, setup), physicalMs);
        const Result link = runGatewayLink(baud, runSeconds, setup);
        printReachRow(
            "  its link",
            {link.ran, link.seconds, {link.replies}, {link.requests}, link.cpuUsPerReply, 0, 0, {}},
            physicalMs);
        if (link.ran)
            std::printf("%-14s (port, exchange, cycle, decoding: %.0f us and %.2f wake-ups of "
                        "its thread a reply)\n",
                        "", link.threadCpuUsPerReply, link.wakeUpsPerReply);
#ifdef HAVE_QT_MODBUS
        const ReachFigures qt =
            printReachRow("qt modbus-tcp", runQtTcpClient(baud, runSeconds, setup), physicalMs);
#else
        std::printf("%-14s (not built: Qt SerialBus was not found)\n", "qt modbus-tcp");
        const ReachFigures qt;
#endif
        std::printf("Targets:\n");
        printCheck("each gateway line >= 0.90 of the physical maximum",
                   rtu.share >= 0.9 && mbap.share >= 0.9,
                   QStringLiteral("rtu-tcp %1, modbus-tcp %2")
                       .arg(rtu.share, 0, 'f', 2)
                       .arg(mbap.share, 0, 'f', 2));
        printCheck("rtu-tcp CPU/reply <= 1.2 x serial's",
                   rtu.cpuUs > 0 && serial.cpuUs > 0 && rtu.cpuUs <= 1.2 * serial.cpuUs,
                   QStringLiteral("%1 us against %2 us (%3 x)")
                       .arg(rtu.cpuUs, 0, 'f', 0)
                       .arg(serial.cpuUs, 0, 'f', 0)
                       .arg(serial.cpuUs > 0 ? rtu.cpuUs / serial.cpuUs : 0, 0, 'f', 2));
        printCheck("modbus-tcp replies/s >= qt's, CPU/reply <= 0.75 x qt's",
                   mbap.perSecond > 0 && qt.perSecond > 0 && mbap.perSecond >= qt.perSecond &&
                       mbap.cpuUs <= 0.75 * qt.cpuUs,
                   QStringLiteral("%1 against %2 replies/s, %3 us against %4 us (%5 x)")
                       .arg(mbap.perSecond, 0, 'f', 1)
                       .arg(qt.perSecond, 0, 'f', 1)
                       .arg(mbap.cpuUs, 0, 'f', 0)
                       .arg(qt.cpuUs, 0, 'f', 0)
                       .arg(qt.cpuUs > 0 ? mbap.cpuUs / qt.cpuUs : 0, 0, 'f', 2));
        std::fflush(stdout);
    }
}

// Replies/s of the whole station, each line's share of its physical maximum
// (the lowest and highest, the lost line left out), replies stored of those
// asked, CPU per reply and peak memory; then each line's share. Gives the
// lowest share.
double printLinesRow(const char* who, const QString& period, const StationResult& r,
                     double physicalMs, int lostLine) {
    if (!r.ran) {
        std::printf("%-10s %6s  (did not run)\n", who, qPrintable(period));
        return 0;
    }
    int replies = 0, requests = 0;
    double least = 1e9, most = 0;
    QString shares;
    for (size_t n = 0; n < r.replies.size(); ++n) {
        const double share = r.seconds > 0 ? r.replies[n] / r.seconds * physicalMs / 1000.0 : 0;
        shares += QStringLiteral(" %1").arg(share, 0, 'f', 2);
        if (int(n) + 1 == lostLine)
            continue;
        replies += r.replies[n];
        requests += n < r.requests.size() ? r.requests[n] : 0;
        least = std::min(least, share);
        most = std::max(most, share);
    }
    std::printf("%-10s %6s %9.1f %6.2f %6.2f %7d/%-7d %6.1f%% %8.0f us %7.1f MB\n", who,
                qPrintable(period), r.seconds > 0 ? replies / r.seconds : 0, least, most, replies,
                requests, requests ? 100.0 * replies / requests : 0, r.cpuUsPerReply,
                double(r.peakKb) / 1024.0);
    if (lostLine >= 1 && size_t(lostLine) <= r.requests.size())
        shares += QStringLiteral(" (line %1 asked %2 times)")
                      .arg(lostLine)
                      .arg(r.requests[size_t(lostLine - 1)]);
    std::printf("%-10s %6s  each line:%s\n", "", "", qPrintable(shares));
    std::fflush(stdout);
    return least;
}

// The scrapes of a station run beside the same run without them: what a
// scrape costs the server's thread, and the whole process (the scraper's own
// thread taken out), and whether the lines kept up.
void printScrapes(const StationResult& plain, double plainLeast, const StationResult& scraped,
                  double scrapedLeast) {
    if (!scraped.ran)
        return;
    const Scrapes& s = scraped.scrapes;
    const double done = std::max(1, s.done);
    const double serverMs = s.serverCpu * 1000 / done;
    const double processMs = (scraped.cpuSeconds - plain.cpuSeconds - s.scraperCpu) * 1000 / done;
    std::printf("%-10s %d/%d done, latency %.2f / %.2f / %.2f ms (median / p99 / max), %.0f bytes "
                "a scrape\n",
                "scrapes", s.done, s.asked, percentile(s.latencyMs, 0.5),
                percentile(s.latencyMs, 0.99),
                s.latencyMs.empty() ? 0 : *std::max_element(s.latencyMs.begin(), s.latencyMs.end()),
                double(s.bodyBytes) / done);
    std::printf("%-10s %.3f ms on the server's thread; %.3f ms the whole process (its CPU with "
                "scraping less without, less the scraper's own %.3f ms)\n",
                "cpu/scrape", serverMs, processMs, s.scraperCpu * 1000 / done);
    std::printf("Targets:\n");
    printCheck("every line >= 0.90 of its maximum while scraped", s.done > 0 && scrapedLeast >= 0.9,
               QStringLiteral("lowest %1 (%2 without)")
                   .arg(scrapedLeast, 0, 'f', 2)
                   .arg(plainLeast, 0, 'f', 2));
    printCheck("a scrape < 2 ms of CPU", s.done > 0 && serverMs < 2,
               QStringLiteral("%1 ms on the server's thread, %2 ms the whole process")
                   .arg(serverMs, 0, 'f', 3)
                   .arg(processMs, 0, 'f', 3));
    std::fflush(stdout);
}

// --lines N: one station reading N lines at once, then N Qt clients at once.
// With `scrapeRate`, each station run again with its /metrics scraped.
void runLines(int lines, int lostLine, const QList<int>& bauds, const QList<int>& periods,
              int seconds, const QString& only, const Setup& setup, bool window, int scrapeRate) {
    for (int baud : bauds) {
        const double physicalMs = physicalMsPerReply(baud, setup);
        std::printf("\n%d lines at %d baud, %d meters each, %d ms turnaround: at most %.1f "
                    "replies/s a line (%.1f ms a reply)%s\n",
                    lines, baud, setup.meters, setup.turnaroundMs, 1000.0 / physicalMs, physicalMs,
                    lostLine
                        ? qPrintable(QStringLiteral("; line %1 %2, left out of the "
                                                    "figures")
                                         .arg(lostLine)
                                         .arg(setup.lostAdapter ? "without its adapter" : "silent"))
                        : "");
        std::printf("%-10s %6s %9s %6s %6s %15s %7s %11s %10s\n", "", "period", "replies/s", "min",
                    "max", "done/asked", "share", "cpu/reply", "peak RSS");
        const int runSeconds = seconds > 0 ? seconds : 5;
        for (int period : only == "qt" ? QList<int>() : periods) {
            const QString at = QStringLiteral("%1 ms").arg(period);
            const StationResult plain =
                runStation(lines, baud, period, runSeconds, setup, lostLine);
            const double plainLeast = printLinesRow("station", at, plain, physicalMs, lostLine);
            if (scrapeRate <= 0)
                continue;
            const StationResult scraped =
                runStation(lines, baud, period, runSeconds, setup, lostLine, false, scrapeRate);
            printScrapes(plain, plainLeast, scraped,
                         printLinesRow("+scrape", at, scraped, physicalMs, lostLine));
        }
        for (int period : window&& only != "qt" ? periods : QList<int>())
            printLinesRow("+window", QStringLiteral("%1 ms").arg(period),
                          runStation(lines, baud, period, runSeconds, setup, lostLine, true),
                          physicalMs, lostLine);
        if (only == "tool" || scrapeRate > 0)
            continue;
#ifdef HAVE_QT_MODBUS
        printLinesRow("Qt clients", QStringLiteral("-"),
                      runQtClients(lines, baud, runSeconds, setup, lostLine), physicalMs, lostLine);
#else
        std::printf("%-10s  (not built: Qt SerialBus was not found)\n", "Qt clients");
#endif
    }
}

QList<int> numbers(const QString& text) {
    QList<int> list;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list << item.toInt();
    return list;
}

void printRow(const char* who, const QString& period, const Result& r, double physicalMs,
              const char* verdict) {
    if (!r.ran) {
        std::printf("%-10s %6s  (did not run)\n", who, qPrintable(period));
        return;
    }
    const double perSecond = r.seconds > 0 ? r.replies / r.seconds : 0;
    const double share = perSecond * physicalMs / 1000.0;
    const double answered = r.requests ? 100.0 * r.replies / r.requests : 0;
    std::printf(
        "%-10s %6s %9.1f %6.2f %5d/%-5d %6.1f%% %-9s %8.0f us %8.0f us %7.2f %7.2f %7.2f %7.2f\n",
        who, qPrintable(period), perSecond, share, r.replies, r.requests, answered, verdict,
        r.cpuUsPerReply, r.threadCpuUsPerReply, r.wakeUpsPerReply, r.latencyMedianMs,
        r.latencyP99Ms, r.latencyMaxMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    // The window's row needs widgets; a machine without a display draws offscreen.
    bool withWindow = false;
    for (int i = 1; i < argc; ++i)
        withWindow = withWindow || qstrcmp(argv[i], "--window") == 0;
    if (withWindow && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = withWindow
                                                ? std::make_unique<QApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    Setup setup;
    int seconds = 0;
    QList<int> bauds{9600, 115200};
    bool baudGiven = false;
    QList<int> periods{1, 5, 10, 15, 20, 50, 75, 100, 200};
    QString only; // "tool" or "qt": one side alone, to look at it closely
    QStringList args = app->arguments();
    args.removeAll(QStringLiteral("--window"));
    // The last line's meters all silent: what one dead line costs the others.
    const bool loseOne = args.removeAll(QStringLiteral("--lose-one")) > 0;
    // One line reached each way a line can: serial, RTU over TCP, Modbus TCP.
    const bool gateway = args.removeAll(QStringLiteral("--gateway")) > 0;
    // The last line's adapter gone: its port is not there at all.
    setup.lostAdapter = args.removeAll(QStringLiteral("--lose-adapter")) > 0;
    int lines = 1;
    int scrapeRate = 0;
    bool periodsGiven = false;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds")
            seconds = args[i + 1].toInt();
        else if (args[i] == "--baud") {
            bauds = numbers(args[i + 1]);
            baudGiven = true;
        } else if (args[i] == "--periods") {
            periods = numbers(args[i + 1]);
            periodsGiven = true;
        } else if (args[i] == "--scrape")
            scrapeRate = std::clamp(args[i + 1].toInt(), 0, 1000);
        else if (args[i] == "--meters")
            setup.meters = std::clamp(args[i + 1].toInt(), 1, 247);
        else if (args[i] == "--turnaround")
            setup.turnaroundMs = std::max(0, args[i + 1].toInt());
        else if (args[i] == "--lines")
            lines = std::clamp(args[i + 1].toInt(), 1, int(StoredLine::MaxLines));
        else if (args[i] == "--only")
            only = args[i + 1];
        else if (args[i] == "--publish") {
            PublishSettings publish = PublishTable::startingSettings();
            publish.enabled = true;
            publish.host = args[i + 1].section(QLatin1Char(':'), 0, 0);
            publish.port = args[i + 1].section(QLatin1Char(':'), 1).toInt();
            publish.station = QStringLiteral("bench");
            setup.publish = publish;
        }
    }

    if (gateway) {
        runGateway(baudGiven ? bauds : QList<int>{115200}, seconds, setup);
        return 0;
    }
    if (lines > 1 || loseOne || setup.lostAdapter || scrapeRate > 0) {
        // Scraped, each period is run twice: the fastest alone unless told.
        runLines(lines, loseOne || setup.lostAdapter ? lines : 0, bauds,
                 scrapeRate > 0 && !periodsGiven ? QList<int>{1} : periods, seconds, only, setup,
                 withWindow, scrapeRate);
        return 0;
    }
    for (int baud : bauds) {
        const double physicalMs = physicalMsPerReply(baud, setup);
        std::printf("\n%d baud, %d meters, %d ms turnaround: at most %.1f replies/s (%.1f ms a "
                    "reply)\n",
                    baud, setup.meters, setup.turnaroundMs, 1000.0 / physicalMs, physicalMs);
        std::printf("%-10s %6s %9s %6s %11s %7s %-9s %11s %11s %7s %7s %7s %7s\n", "", "period",
                    "replies/s", "of max", "done/asked", "share", "", "cpu/reply", "thread/r",
                    "wakeups", "lat p50", "p99", "max ms");
        for (int period : only == "qt" ? QList<int>() : periods) {
            // Long enough for a few passes over the meters, at least 3 s.
            const int runSeconds =
                seconds > 0 ? seconds
                            : std::clamp(int(setup.meters * std::max<double>(period, physicalMs) *
                                             3 / 1000),
                                         3, 10);
            Setup plain = setup;
            plain.publish.reset();
            const Result r = runTool(baud, period, runSeconds, plain);
            const bool all = r.ran && r.requests > 0 && r.replies >= r.requests;
            printRow("tool", QStringLiteral("%1 ms").arg(period), r, physicalMs,
                     all ? "all: ok" : "all: MISS");
            if (withWindow) {
                const Result w = runWindow(baud, period, runSeconds, plain);
                const bool allShown = w.ran && w.requests > 0 && w.replies >= w.requests;
                printRow("tool+win", QStringLiteral("%1 ms").arg(period), w, physicalMs,
                         allShown ? "all: ok" : "all: MISS");
            }
            if (setup.publish) {
                const Result p = runTool(baud, period, runSeconds, setup);
                const bool allPublished = p.ran && p.requests > 0 && p.replies >= p.requests;
                printRow("tool+mqtt", QStringLiteral("%1 ms").arg(period), p, physicalMs,
                         allPublished ? "all: ok" : "all: MISS");
            }
        }
        if (only != "qt" && !periods.isEmpty()) {
            const int period = periods.first();
            const Result r = runLink(baud, period, seconds > 0 ? seconds : 5, setup);
            printRow("tool link", QStringLiteral("%1 ms").arg(period), r, physicalMs, "");
            printRow("bare floor", QStringLiteral("-"),
                     runBare(baud, seconds > 0 ? seconds : 5, setup), physicalMs, "");
        }
        if (only == "tool")
            continue;
#ifdef HAVE_QT_MODBUS
        const int qtSeconds = seconds > 0 ? seconds : 5;
        printRow("Qt client", QStringLiteral("-"), runQtClient(baud, qtSeconds, setup), physicalMs,
                 "");
#else
        std::printf("%-10s  (not built: Qt SerialBus was not found)\n", "Qt client");
#endif
    }
    return 0;
}
