// The reading road under load: the real Qt serial port, the receive routine,
// the decoder, the store and the grid model, against meter-sim with 32 meters
// at each baud rate and poll period.
//
//   build/bin/poll-rate-bench [--seconds N] [--baud 9600,115200] [--periods 5,10,...]
//                             [--publish HOST:PORT]
//
// For each run it prints the share of requests whose reply was stored, the
// process CPU time per stored reply, the reading thread's own CPU time per
// stored reply, and the time from a reply's last byte leaving the simulator
// to its row being committed (both sides read the same monotonic clock).
// With --publish every run is made twice, without and with publishing each
// reading to that MQTT broker, and the second line says what publishing
// added on the reading thread.

#include "Database.h"
#include "HexText.h"
#include "MainStation.h"
#include "PortLocator.h"
#include "PublishTable.h"
#include "QtSerialPort.h"
#include "StartingDatabase.h"

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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int Meters = 32;
constexpr int TurnaroundMs = 5;

// Precise process CPU time; getrusage counts in scheduler ticks here.
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

struct Result {
    int requests = 0;
    int stored = 0;
    double cpuUsPerStored = 0;
    double threadCpuUsPerStored = 0;
    double latencyMedianMs = 0, latencyP99Ms = 0, latencyMaxMs = 0;
};

Result run(int baud, int periodMs, int seconds, const std::optional<PublishSettings>& publish) {
    Result result;
    QTemporaryDir dir;
    StartingDatabase::Options options;
    QList<int> meters;
    for (int m = 1; m <= Meters; ++m)
        meters << m;
    options.meters = meters;
    options.timer = periodMs;
    options.publish = publish;
    if (!StartingDatabase::create(Database::filePath(dir.path()), options))
        return result;

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(METER_SIM_PATH),
              {"--addresses", "1-32", "--baud", QString::number(baud), "--turnaround",
               QString::number(TurnaroundMs), "--seed", "1", "--link", dir.filePath("ports/com1"),
               "--log", dir.filePath("requests.log"), "--reply-log", dir.filePath("replies.log")});
    sim.waitForStarted();
    for (int i = 0; i < 500 && !QFileInfo::exists(dir.filePath("ports/com1")); ++i)
        QThread::msleep(10);

    std::vector<std::pair<QString, qint64>> commits;
    {
        MainStation station(dir.path(), std::make_unique<QtSerialPort>(PortLocator(dir.path())));
        if (station.startUp() != 0) {
            std::fprintf(stderr, "start-up failed\n");
            return result;
        }
        QObject::connect(&station, &MainStation::readingStored,
                         [&](int, const QString& hex) { commits.emplace_back(hex, nowNs()); });
        commits.reserve(100000);
        const auto connected = [&] {
            return station.publisher().state() == Publisher::State::Connected;
        };
        for (int i = 0; publish && i < 500 && !connected(); ++i)
            waitMs(10);
        if (publish && !connected())
            std::fprintf(stderr, "the broker at %s:%d does not answer\n", qPrintable(publish->host),
                         publish->port);
        const double cpuBefore = cpuSeconds();
        const double threadCpuBefore = threadCpuSeconds();
        station.readMeterData();
        waitMs(seconds * 1000);
        station.stopReading();
        waitMs(300); // the last reply on its way
        const double cpu = cpuSeconds() - cpuBefore;
        const double threadCpu = threadCpuSeconds() - threadCpuBefore;
        if (qEnvironmentVariableIsSet("BENCH_SPLIT")) {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::fprintf(stderr, "user %ld.%06ld sys %ld.%06ld\n", usage.ru_utime.tv_sec,
                         usage.ru_utime.tv_usec, usage.ru_stime.tv_sec, usage.ru_stime.tv_usec);
        }
        result.stored = int(commits.size());
        result.cpuUsPerStored = result.stored ? cpu * 1e6 / result.stored : 0;
        result.threadCpuUsPerStored = result.stored ? threadCpu * 1e6 / result.stored : 0;
    }
    sim.terminate();
    sim.waitForFinished(3000);

    result.requests = int(fileLines(dir.filePath("requests.log")).size());
    QHash<QString, qint64> sentAt;
    for (const QString& line : fileLines(dir.filePath("replies.log")))
        sentAt.insert(line.section(QLatin1Char(' '), 1),
                      line.section(QLatin1Char(' '), 0, 0).toLongLong());
    std::vector<double> latencies;
    for (const auto& [hex, at] : commits) {
        const auto found = sentAt.constFind(hex);
        if (found != sentAt.constEnd())
            latencies.push_back(double(at - *found) / 1e6);
    }
    result.latencyMedianMs = percentile(latencies, 0.5);
    result.latencyP99Ms = percentile(latencies, 0.99);
    result.latencyMaxMs =
        latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    return result;
}

QList<int> numbers(const QString& text) {
    QList<int> list;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list << item.toInt();
    return list;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 0;
    QList<int> bauds{9600, 115200};
    QList<int> periods{5, 10, 15, 20, 50, 75, 100, 200};
    std::optional<PublishSettings> publish;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds")
            seconds = args[i + 1].toInt();
        else if (args[i] == "--baud")
            bauds = numbers(args[i + 1]);
        else if (args[i] == "--periods")
            periods = numbers(args[i + 1]);
        else if (args[i] == "--publish") {
            publish = PublishTable::startingSettings();
            publish->enabled = true;
            publish->host = args[i + 1].section(QLatin1Char(':'), 0, 0);
            publish->port = args[i + 1].section(QLatin1Char(':'), 1).toInt();
            publish->station = QStringLiteral("bench");
        }
    }

    std::printf("%6s %6s %9s %8s %7s %8s %9s %12s %12s %10s %10s\n", "baud", "period", "needs>ms",
                "requests", "stored", "share", "target", "cpu/stored", "thread/st.", "lat p50",
                "lat p99");
    for (int baud : bauds) {
        // Request and reply on the line, ten bits a byte, plus the meter's
        // turnaround and 2 ms of slack.
        const double needsMs = (8 + 53) * 10.0 * 1000.0 / baud + TurnaroundMs + 2;
        for (int period : periods) {
            const int runSeconds =
                seconds > 0 ? seconds : std::clamp(Meters * period * 2 / 1000, 3, 10);
            const auto print = [&](const Result& r) {
                const double share = r.requests ? 100.0 * r.stored / r.requests : 0;
                const bool mustStoreAll = period > needsMs;
                std::printf("%6d %6d %9.1f %8d %7d %7.1f%% %9s %9.0f us %9.1f us %7.2f ms %7.2f ms",
                            baud, period, needsMs, r.requests, r.stored, share,
                            mustStoreAll ? (r.stored >= r.requests ? "all: ok" : "all: MISS") : "-",
                            r.cpuUsPerStored, r.threadCpuUsPerStored, r.latencyMedianMs,
                            r.latencyP99Ms);
            };
            const Result off = run(baud, period, runSeconds, std::nullopt);
            print(off);
            std::printf("\n");
            if (publish) {
                const Result on = run(baud, period, runSeconds, publish);
                print(on);
                std::printf("  publishing: %+.1f us a reading on the reading thread\n",
                            on.threadCpuUsPerStored - off.threadCpuUsPerStored);
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
