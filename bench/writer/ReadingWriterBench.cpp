// CPU per stored reading, the whole process's (both threads and the
// checkpoints) and the caller's thread alone up to the last hand-over: each reading in a commit of
// its own on the caller's thread, against the ReadingWriter's groups; as fast as they come, and at
// 630 replies/s (8 lines at 115200 baud at their limit).

#include "Checkpointer.h"
#include "Database.h"
#include "MeterTable.h"
#include "ReadingWriter.h"
#include "StartingDatabase.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <thread>

namespace {

using namespace std::chrono;

constexpr int Meters = 32;
constexpr int Burst = 20000;
constexpr int PacedRate = 630;
constexpr seconds PacedFor{5};

double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Reading reading(int i) {
    Reading made;
    made.address = i % Meters + 1;
    for (const ReadingValue& value : readingValues)
        made.*value.member = QString::number(i % 1000 + 0.25, 'f', 2);
    made.time = QDateTime::currentDateTime();
    return made;
}

// Hands `count` readings to `store`, all at once or paced; then `finish`.
void run(const char* name, bool paced, const std::function<void(const Reading&)>& store,
         const std::function<void()>& finish) {
    const int count = paced ? PacedRate * int(PacedFor.count()) : Burst;
    const double cpuBefore = cpuSeconds();
    const double callerBefore = cpuSeconds(RUSAGE_THREAD);
    const auto start = steady_clock::now();
    for (int i = 0; i < count; ++i) {
        if (paced)
            std::this_thread::sleep_until(start + microseconds(1'000'000 / PacedRate) * i);
        store(reading(i));
    }
    const double caller = cpuSeconds(RUSAGE_THREAD) - callerBefore;
    finish();
    const double wall = duration<double>(steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("%-22s %-6s %6d readings: %6.1f us CPU each, %5.1f us of it the caller's, "
                "%5.1f%% of a core\n",
                name, paced ? "630/s" : "burst", count, cpu / count * 1e6, caller / count * 1e6,
                cpu / wall * 100);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    StartingDatabase::Options options;
    options.meters = QList<int>();
    for (int address = 1; address <= Meters; ++address)
        options.meters->append(address);
    QString error;
    if (!StartingDatabase::create(Database::filePath(dir.path()), options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const Checkpointer checkpointer(dir.path());
    for (const bool paced : {false, true}) {
        // The floor: making the readings and, paced, waking up for each.
        run(
            "nothing stored", paced, [](const Reading&) {}, [] {});
        {
            Database db(dir.path(), Database::Options{milliseconds(100), false});
            MeterTable table(db.connection());
            run(
                "one commit each", paced, [&](const Reading& r) { table.storeReading(r); }, [] {});
        }
        ReadingWriter writer(dir.path());
        run(
            "ReadingWriter groups", paced, [&](const Reading& r) { writer.store(r); },
            [&] { writer.flush(); });
    }
    return 0;
}
