// The "History" window over a large store: a `Historydata` of ten million
// rows (255 meters, one snapshot a minute, 27 days) and a `caozuo` of one
// million, with the main window's reading road polling 255 meters on
// meter-sim (115200 baud, period 15 ms) while the deletes run.
//
//   build/bin/history-bench [--folder DIR] [--runs N] [--poll-seconds N]
//                           [--delete-all-history] [--only window|export|trend|prune|rollups]
//
// The store is made once in DIR (default: a folder under the system's temp
// folder) and reused by later runs; what the measurements delete is put back
// afterwards. Prints the time to open the window and to show the first rows
// of one-day searches; scrolling a whole day to its end, and the process's
// peak resident memory after it; a one-day delete and a "Delete all" (of the
// log, or with --delete-all-history of the ten million snapshots, after
// which the next run makes the store again): how long they take, the
// longest the user-interface thread went without turning its event loop,
// and the replies stored meanwhile with their longest reply-to-commit time;
// then the reading road alone for N seconds (default 30) from a moment a
// checkpoint of a large log is due: reply-to-commit median, p99 and max
// of the replies sent from then on.
// Before those, each in a child process of its own: the CSV export of all
// ten million snapshots (rows/s, CPU, the exporting process's peak
// memory), and "Trend" on a year of one-minute snapshots of one meter,
// from a second store in DIR/trend, to the drawn chart (ExportBench.cpp).
// Then the station's own pruning of half of a 3-million-snapshot store
// with the road polling (DIR/prune, made anew each run): its length, the
// longest stall, and the store's size once as many snapshots came again.
// Then the hourly rollups over a year of one-minute snapshots of 32 meters
// in DIR/rollups (RollupBench.cpp). --only runs one of the five.

#include "BenchStore.h"
#include "Database.h"
#include "ExportBench.h"
#include "HistoryWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "RollupBench.h"
#include "StartingDatabase.h"
#include "Station.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Meters = 255;
constexpr int Minutes = 39216; // 255 x 39216 = 10,000,080 rows, 27.2 days
constexpr int LogRows = 1000000;
const char* const FirstMinute = "2024-03-01 00:00:00";

// `Historydata` rows for every meter at each minute in [first, last], in
// the order the snapshots would have stored them.
QString snapshotRows(int first, int last, const QString& firstMinute = FirstMinute) {
    return QStringLiteral(
               "insert into Historydata "
               "with recursive minute(m, t) as ("
               " select %1, strftime('%Y-%m-%d %H:%M:%S', '%3', '+%1 minutes')"
               " union all select m + 1, strftime('%Y-%m-%d %H:%M:%S', '%3', '+' || (m + 1) || "
               "' minutes') from minute where m < %2),"
               " meter(a) as (select 1 union all select a + 1 from meter where a < %4) "
               "select cast(a as text), printf('%.2f', ((m * 7 + a * 13) % 5000) / 100.0), "
               "'m3/h', printf('%.2f', m * 0.25 + a), '0.00', 'm3', 'Communication OK', "
               "printf('%.2f', ((m + a) % 300) / 100.0), printf('%.2f', ((m * 3 + a) % 10000) / "
               "100.0), printf('%.2f', 100 + a % 50), t, 1, NULL from minute cross join meter")
        .arg(first)
        .arg(last)
        .arg(firstMinute)
        .arg(Meters);
}

QString logRows() {
    return QStringLiteral(
               "insert into caozuo "
               "with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
               "select 1 + i % 2, printf('RX%08d', 20240000 + i % 40), "
               "case i % 5 when 0 then 'Flow range' when 1 then 'Flow totalizer unit' "
               "when 2 then 'Damping time' when 3 then 'Meter address' else 'Low flow cutoff' end, "
               "printf('%d', i % 97), printf('%d', (i + 1) % 97), "
               "strftime('%Y-%m-%d %H:%M:%S', '%2', '+' || (i * 2352 / 1000) || ' seconds') "
               "from n")
        .arg(LogRows - 1)
        .arg(QLatin1String(FirstMinute));
}

QString dayText(int day) {
    return QDate(2024, 3, 1).addDays(day).toString(QStringLiteral("yyyy-MM-dd"));
}

// Types the range and filter into the tab and presses "Search"; the time
// until the grid has painted its first rows.
double searchMs(HistoryWindow& window, int tab, int day, const QString& filter) {
    const HistoryWindow::TabControls& c = window.controls(tab);
    window.tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
    c.date->setText(dayText(day));
    c.to->setText(dayText(day + 1));
    c.filter->setText(filter);
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(c.search, Qt::LeftButton);
    QApplication::processEvents();
    const double elapsed = ms(timer);
    if (c.grid->model()->rowCount() == 0 && day < 27)
        std::fprintf(stderr, "no rows for %s %s\n", qPrintable(dayText(day)), qPrintable(filter));
    return elapsed;
}

// The rows of the delete measurement's day, 00:00 to 00:00 of the next.
constexpr int DeleteDay = 19;
constexpr int DeleteFirst = DeleteDay * 1440;
constexpr int DeleteLast = DeleteFirst + 1440;

qint64 deleteDayRows(QSqlDatabase& db) {
    QSqlQuery count(db);
    count.prepare(
        QStringLiteral("select count(*) from Historydata where CreateTime between ? and ?"));
    count.addBindValue(dayText(DeleteDay) + QStringLiteral(" 00:00:00"));
    count.addBindValue(dayText(DeleteDay + 1) + QStringLiteral(" 00:00:00"));
    return count.exec() && count.next() ? count.value(0).toLongLong() : -1;
}

// Puts the deleted day back, so the next run finds the same store.
bool restoreDay(const QString& folder) {
    Database database(folder);
    QSqlDatabase db = database.connection();
    if (deleteDayRows(db) == qint64(Meters) * (DeleteLast - DeleteFirst + 1))
        return true;
    QSqlQuery clear(db);
    clear.prepare(QStringLiteral("delete from Historydata where CreateTime between ? and ?"));
    clear.addBindValue(dayText(DeleteDay) + QStringLiteral(" 00:00:00"));
    clear.addBindValue(dayText(DeleteDay + 1) + QStringLiteral(" 00:00:00"));
    return clear.exec() && run(db, snapshotRows(DeleteFirst, DeleteLast));
}

// The longest the event loop went without turning: a 1 ms timer notes
// the largest gap between two of its ticks, in time and in the processor
// time the thread spent in it (on a busy machine the first grows while the
// thread waits for a processor; the second is the thread's own work).
class StallProbe {
public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        m_longestNs = m_longestCpuNs = 0;
        m_last.start();
        m_lastCpuNs = threadCpuNs();
        m_timer.start();
    }
    // The longest gap and the longest processor time of a gap, in ms.
    std::pair<double, double> stopMs() {
        m_timer.stop();
        tick();
        return {m_longestNs / 1e6, m_longestCpuNs / 1e6};
    }

private:
    static qint64 threadCpuNs() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    void tick() {
        const qint64 cpu = threadCpuNs();
        m_longestNs = std::max(m_longestNs, m_last.nsecsElapsed());
        m_longestCpuNs = std::max(m_longestCpuNs, cpu - m_lastCpuNs);
        m_last.start();
        m_lastCpuNs = cpu;
    }

    QTimer m_timer;
    QElapsedTimer m_last;
    qint64 m_lastCpuNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestCpuNs = 0;
};

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

enum Phase { Quiet, Baseline, DayDelete, AllDelete, CheckpointDue, Pruning };

// The main window's reading road on the bench's store, polling meter-sim's
// 255 meters; every stored reply is noted with the phase it fell in.
class ReadingRoad {
public:
    explicit ReadingRoad(const QString& folder) : m_folder(folder) {}
    ~ReadingRoad() {
        m_station.reset();
        m_sim.terminate();
        m_sim.waitForFinished(3000);
    }

    bool start() {
        {
            Database database(m_folder);
            QSqlDatabase db = database.connection();
            if (!run(db, QStringLiteral("update kente set com=1, settings='115200', timer=15")))
                return false;
        }
        const QDir dir(m_folder);
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start(QStringLiteral(METER_SIM_PATH),
                    {"--addresses", "1-255", "--baud", "115200", "--turnaround", "5", "--seed", "1",
                     "--link", dir.filePath("ports/com1"), "--reply-log",
                     dir.filePath("replies.log")});
        if (!m_sim.waitForStarted())
            return false;
        for (int i = 0; i < 500 && !QFileInfo::exists(dir.filePath("ports/com1")); ++i)
            QThread::msleep(10);
        m_station = std::make_unique<Station>(
            m_folder, std::make_unique<QtSerialPort>(PortLocator(m_folder)));
        if (!m_station->startUp().isOk())
            return false;
        QObject::connect(m_station.get(), &Station::readingReceived,
                         [this](const Reading&, const QString& hex) {
                             m_commits.push_back({hex, nowNs(), m_phase});
                         });
        m_commits.reserve(200000);
        m_station->readMeterData();
        return true;
    }
    void stop() { m_station->stopReading(); }
    Station& station() { return *m_station; }
    void setPhase(int phase) {
        m_phase = phase;
        m_phaseStarts.push_back({nowNs(), phase});
    }

    int stored(int phase) const {
        return int(std::count_if(m_commits.begin(), m_commits.end(),
                                 [phase](const Commit& c) { return c.phase == phase; }));
    }
    // Reply-to-commit times of the replies that left the simulator during
    // a phase, in ms, ascending. A reply sent before the phase began and
    // held up by the bench's own work on this thread does not count.
    std::vector<double> latencies(int phase) {
        m_sentAt.clear();
        for (const QString& line : fileLines(QDir(m_folder).filePath("replies.log")))
            m_sentAt.insert(line.section(QLatin1Char(' '), 1),
                            line.section(QLatin1Char(' '), 0, 0).toLongLong());
        std::vector<double> times;
        for (const Commit& commit : m_commits) {
            const auto found = m_sentAt.constFind(commit.hex);
            if (found != m_sentAt.constEnd() && phaseAt(*found) == phase)
                times.push_back(double(commit.at - *found) / 1e6);
        }
        std::sort(times.begin(), times.end());
        return times;
    }

private:
    int phaseAt(qint64 ns) const {
        int phase = Quiet;
        for (const auto& [since, started] : m_phaseStarts)
            if (since <= ns)
                phase = started;
        return phase;
    }

    struct Commit {
        QString hex;
        qint64 at;
        int phase;
    };
    QString m_folder;
    QProcess m_sim;
    std::unique_ptr<Station> m_station;
    std::vector<Commit> m_commits;
    QHash<QString, qint64> m_sentAt;
    int m_phase = 0;
    std::vector<std::pair<qint64, int>> m_phaseStarts;
};

// Waits, turning the event loop, until `done` holds.
template <typename Done> void waitFor(Done done) {
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

void waitMs(int ms) {
    QElapsedTimer timer;
    timer.start();
    waitFor([&] { return timer.elapsed() >= ms; });
}

// Presses a delete button and waits until the tab's buttons work again:
// at once when the delete runs inside the press.
void timeDelete(const char* what, QPushButton* button, ReadingRoad& road, Phase phase) {
    StallProbe probe;
    road.setPhase(phase);
    QElapsedTimer timer;
    timer.start();
    probe.start();
    QTest::mouseClick(button, Qt::LeftButton);
    waitFor([&] { return button->isEnabled(); });
    const double took = ms(timer);
    const auto [stall, cpu] = probe.stopMs();
    road.setPhase(Quiet);
    const std::vector<double> latencies = road.latencies(phase);
    std::printf("%-44s %9.1f ms   longest stall %6.1f ms (cpu %5.1f ms)   %4d replies stored "
                "meanwhile, reply-to-commit max %.1f ms\n",
                what, took, stall, cpu, road.stored(phase),
                latencies.empty() ? 0.0 : latencies.back());
    std::fflush(stdout);
}

qint64 count(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

// Puts the log's million rows back after a "Delete all".
bool restoreLog(const QString& folder) {
    Database database(folder);
    QSqlDatabase db = database.connection();
    if (count(db, QStringLiteral("select count(*) from caozuo")) == LogRows)
        return true;
    return run(db, QStringLiteral("delete from caozuo")) && run(db, logRows());
}

double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return QString::fromLatin1(statm.readAll()).section(QLatin1Char(' '), 1, 1).toLongLong() *
           double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The pruning store: 3 million snapshots of 255 meters over the 8.2 days
// before today, all held by the rollups; made anew for each run, since
// the run prunes it and its times follow the day.
constexpr int PruneMinutes = 11765;
constexpr int PruneKeepDays = 4;

QString pruneFirstMinute() {
    return QDateTime(QDate::currentDate().addDays(-8), QTime(0, 0))
        .addSecs(-60 * (PruneMinutes - 8 * 1440))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

qint64 storedBytes(QSqlDatabase& db) {
    return count(db, QStringLiteral("select page_count * page_size from pragma_page_count(), "
                                    "pragma_page_size()"));
}

// The station's own pruning of the older half of that store, keeping 4
// days, with the reading road polling: how long, the longest stall of the
// event loop, the replies stored meanwhile; then the store's size after as
// many snapshots again, which should reuse the freed pages.
bool measurePrune(const QString& folder) {
    qint64 before = 0;
    qint64 rows = 0;
    {
        Database database(folder);
        QSqlDatabase db = database.connection();
        if (!run(db, QStringLiteral("update kente set keep_days=%1").arg(PruneKeepDays)) ||
            !run(db, QStringLiteral("update rollup_state set through=(select max(rowid) from "
                                    "Historydata)")))
            return false;
        before = storedBytes(db);
        rows = count(db, QStringLiteral("select count(*) from Historydata"));
    }
    ReadingRoad road(folder);
    StallProbe probe;
    QElapsedTimer timer;
    timer.start();
    road.setPhase(Pruning);
    probe.start();
    if (!road.start()) {
        std::fprintf(stderr, "could not start the reading road on meter-sim\n");
        return false;
    }
    qint64 pruned = -1;
    QObject::connect(&road.station(), &Station::snapshotsPruned,
                     [&pruned](qint64 count, const QString&) { pruned = count; });
    waitFor([&] { return pruned >= 0; });
    const double took = ms(timer);
    const auto [stall, cpu] = probe.stopMs();
    road.setPhase(Quiet);
    road.stop();
    waitMs(300);
    const std::vector<double> latencies = road.latencies(Pruning);
    std::printf("%-44s %9.1f ms   longest stall %6.1f ms (cpu %5.1f ms)   %4d replies stored "
                "meanwhile, reply-to-commit max %.1f ms\n",
                qPrintable(QStringLiteral("prune %1 of %2 snapshots").arg(pruned).arg(rows)), took,
                stall, cpu, road.stored(Pruning), latencies.empty() ? 0.0 : latencies.back());
    std::printf("%-44s %s (target: under 50 ms)\n", "  longest stall while pruning",
                stall < 50 ? "met" : "NOT met");
    Database database(folder);
    QSqlDatabase db = database.connection();
    const qint64 afterPruning = storedBytes(db);
    const qint64 free = count(db, QStringLiteral("select freelist_count * page_size from "
                                                 "pragma_freelist_count(), pragma_page_size()"));
    // As many snapshots again, after the last ones.
    const int again = int(pruned / Meters);
    if (!run(db, snapshotRows(PruneMinutes, PruneMinutes + again - 1, pruneFirstMinute())))
        return false;
    const qint64 refilled = storedBytes(db);
    // Reused, the freed pages take the new rows: the store grows by far
    // less than they fill (index pages split as rows come in between).
    const qint64 grown = refilled - before;
    std::printf("%-44s %.0f MB before, %.0f MB after pruning (%.0f MB of it free), %.0f MB "
                "after %d snapshots again: grew %.0f MB, %s\n",
                "store size, steady state", before / 1e6, afterPruning / 1e6, free / 1e6,
                refilled / 1e6, again * Meters, grown / 1e6,
                grown < free / 10 ? "met (the freed pages reused)" : "NOT met (not reused)");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QString folder = QDir::temp().filePath(QStringLiteral("rx7100-history-bench"));
    int runs = 5;
    int pollSeconds = 30;
    bool deleteAllHistory = false;
    QByteArray only;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--delete-all-history")
            deleteAllHistory = true;
        else if (i + 1 >= argc)
            break;
        else if (arg == "--folder")
            folder = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--runs")
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--poll-seconds")
            pollSeconds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--only")
            only = argv[++i];
    }
    const auto wanted = [&only](const char* part) { return only.isEmpty() || only == part; };
    QDir().mkpath(folder);
    const QString path = Database::filePath(folder);
    if ((wanted("window") || wanted("export")) && !QFile::exists(path)) {
        std::printf("making %s (10,000,080 snapshots, 1,000,000 log rows)...\n", qPrintable(path));
        std::fflush(stdout);
        if (!makeStore(path, Meters, {snapshotRows(0, Minutes - 1), logRows()})) {
            std::fprintf(stderr, "could not make the store\n");
            return 1;
        }
    }

    const QString pruneFolder = QDir(folder).filePath(QStringLiteral("prune"));
    if (wanted("prune")) {
        QDir().mkpath(pruneFolder);
        std::printf("making the pruning store (3,000,075 snapshots)...\n");
        std::fflush(stdout);
        if (!makeStore(Database::filePath(pruneFolder), Meters,
                       {snapshotRows(0, PruneMinutes - 1, pruneFirstMinute())})) {
            std::fprintf(stderr, "could not make the pruning store\n");
            return 1;
        }
    }
    const QString trendFolder = QDir(folder).filePath(QStringLiteral("trend"));
    if ((wanted("export") && !measureExports(folder)) ||
        (wanted("trend") && !(makeTrendStore(trendFolder) && measureTrend(trendFolder, runs)))) {
        std::fprintf(stderr, "could not measure the export or the trend\n");
        return 1;
    }
    if (wanted("rollups") && !measureRollups(folder, runs)) {
        std::fprintf(stderr, "could not measure the rollups\n");
        return 1;
    }
    if (!wanted("window") && !wanted("prune"))
        return 0;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (wanted("prune")) {
        const bool pruned = measurePrune(pruneFolder);
        removeStore(Database::filePath(pruneFolder));
        if (!pruned)
            return 1;
    }
    if (!wanted("window"))
        return 0;
    if (!restoreDay(folder) || !restoreLog(folder)) {
        std::fprintf(stderr, "could not put the deleted rows back\n");
        return 1;
    }
    std::printf("store: %s (%.0f MB)\n", qPrintable(path), QFileInfo(path).size() / 1e6);

    std::vector<double> open;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<HistoryWindow>(folder);
        window->show();
        QApplication::processEvents();
        open.push_back(ms(timer));
        if (run == 0)
            std::printf("%-44s %7.1f ms\n", "open the window, first time", open.back());
    }
    report("open the window (construct, load, shown)", open);

    auto shown = std::make_unique<HistoryWindow>(folder);
    HistoryWindow& window = *shown;
    window.show();
    QApplication::processEvents();
    std::vector<double> oneMeter, allMeters, oneSerial, allSerials;
    for (int run = 0; run < runs; ++run) {
        const int day = 2 + (run * 4) % 24; // inside the store's 27 days
        oneMeter.push_back(searchMs(window, HistoryWindow::SnapshotTab, day,
                                    QString::number(1 + (16 + run * 40) % Meters)));
        allMeters.push_back(searchMs(window, HistoryWindow::SnapshotTab, day + 1, "All"));
        oneSerial.push_back(searchMs(window, HistoryWindow::OperationLogTab, day,
                                     QStringLiteral("RX%1").arg(20240003 + run)));
        allSerials.push_back(searchMs(window, HistoryWindow::OperationLogTab, day + 1, "All"));
    }
    report("one-day search, one meter, first rows", oneMeter);
    report("one-day search, all meters, first rows", allMeters);
    report("one-day log search, one serial, first rows", oneSerial);
    report("one-day log search, all serials, first rows", allSerials);

    // A whole day, all meters, scrolled to its last row as the view fetches.
    const HistoryWindow::TabControls& c = window.controls(HistoryWindow::SnapshotTab);
    searchMs(window, HistoryWindow::SnapshotTab, DeleteDay, "All");
    QAbstractItemModel* model = c.grid->model();
    QElapsedTimer scrolled;
    scrolled.start();
    while (model->canFetchMore({})) {
        const int before = model->rowCount();
        c.grid->scrollToBottom();
        QApplication::processEvents();
        if (model->rowCount() == before)
            model->fetchMore({});
    }
    c.grid->scrollToBottom();
    QApplication::processEvents();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-44s %7.1f ms   (%d rows)\n", "scroll a whole day to its end", ms(scrolled),
                model->rowCount());
    std::printf("%-44s %7.1f MB   (resident now %.1f MB)\n", "peak resident memory after it",
                usage.ru_maxrss / 1024.0, residentMb());
    std::fflush(stdout);

    auto polling = std::make_unique<ReadingRoad>(folder);
    ReadingRoad& road = *polling;
    if (!road.start()) {
        std::fprintf(stderr, "could not start the reading road on meter-sim\n");
        return 1;
    }
    waitMs(1000);
    {
        // What the machine itself costs: the same probe with only the road.
        StallProbe probe;
        road.setPhase(Baseline);
        probe.start();
        waitMs(5000);
        const auto [stall, cpu] = probe.stopMs();
        road.setPhase(Quiet);
        const std::vector<double> latencies = road.latencies(Baseline);
        std::printf("%-44s %9s      longest stall %6.1f ms (cpu %5.1f ms)   %4d replies stored "
                    "meanwhile, reply-to-commit max %.1f ms\n",
                    "polling alone for 5 s", "", stall, cpu, road.stored(Baseline),
                    latencies.empty() ? 0.0 : latencies.back());
    }

    // The log tab shows a day without rows, read to its end: a result still
    // being read, on either tab, would make an older tool's delete fail.
    searchMs(window, HistoryWindow::OperationLogTab, 40, "All");
    window.tabs()->setCurrentIndex(HistoryWindow::SnapshotTab);

    // "Delete record" with "All" over the day shown; the grid then shows
    // what is left of it (nothing).
    timeDelete("delete one day, all meters (367,455 rows)", c.deleteRecord, road, DayDelete);
    if (deleteAllHistory)
        timeDelete("\"Delete all\", 10 million snapshots", c.deleteAll, road, AllDelete);
    else
        timeDelete("\"Delete all\", 1 million log rows",
                   window.controls(HistoryWindow::OperationLogTab).deleteAll, road, AllDelete);

    // A large log waiting to be copied back, as a snapshot or a delete
    // leaves it; its checkpoint is due at the next commit.
    {
        QSqlDatabase filler =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filler"));
        filler.setDatabaseName(path);
        filler.open();
        run(filler, QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        run(filler, QStringLiteral("insert into caozuo (bianma,riqi) with recursive n(i) as "
                                   "(select 0 union all select i+1 from n where i<19999) "
                                   "select 'filler', '2000-01-01 00:00:00' from n"));
        filler.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));
    road.setPhase(CheckpointDue);
    waitMs(pollSeconds * 1000);
    road.stop();
    waitMs(300);
    const std::vector<double> due = road.latencies(CheckpointDue);
    if (!due.empty())
        std::printf("%-44s median %5.2f ms   p99 %5.2f ms   max %6.2f ms   (%zu replies, %d s)\n",
                    "reply-to-commit, checkpoint due", due[due.size() / 2],
                    due[std::min(due.size() - 1, due.size() * 99 / 100)], due.back(), due.size(),
                    pollSeconds);

    {
        Database database(folder);
        QSqlDatabase db = database.connection();
        run(db, QStringLiteral("delete from caozuo where bianma='filler'"));
    }
    if (deleteAllHistory) {
        // Every connection closed first, and the log and its index with the
        // file: a log left behind would be read into the next store.
        polling.reset();
        shown.reset();
        removeStore(path);
        std::printf("the store is made again on the next run\n");
        return 0;
    }
    if (!restoreDay(folder) || !restoreLog(folder)) {
        std::fprintf(stderr, "could not put the deleted rows back\n");
        return 1;
    }
    return 0;
}
