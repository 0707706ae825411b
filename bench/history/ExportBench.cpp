// The exports and the trend chart of history-bench: the CSV export of all
// ten million snapshots, and "Trend" on a year of one meter.

#include "ExportBench.h"

#include "BenchStore.h"
#include "CsvExport.h"
#include "Database.h"
#include "HistoryWindow.h"
#include "SchemaUpgrade.h"
#include "StartingDatabase.h"
#include "StoredTime.h"
#include "TrendWindow.h"

#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

// One year of one-minute snapshots of three meters, for the trend.
constexpr int TrendMeters = 3;
constexpr int TrendMinutes = 525600;
const char* const TrendFirstMinute = "2025-01-01 00:00:00";

QString trendRows() {
    return QStringLiteral(
               "insert into Historydata "
               "with recursive minute(m) as (select 0 union all select m + 1 from minute "
               "where m < %1), meter(a) as (select 1 union all select a + 1 from meter where a < "
               "%2) "
               "select cast(a as text), printf('%.2f', 20 + 10 * sin(m / 1440.0 * 6.2832) + "
               "((m * 7 + a * 13) % 300) / 100.0), 'm3/h', printf('%.2f', m * 0.3 + a), '0.00', "
               "'m3', 'Communication OK', printf('%.2f', 1.5 + sin(m / 10080.0 * 6.2832)), "
               "'42.00', '1800.00', strftime('%Y-%m-%d %H:%M:%S', '%3', '+' || m || ' minutes'), "
               "1, NULL from minute cross join meter")
        .arg(TrendMinutes - 1)
        .arg(TrendMeters)
        .arg(QLatin1String(TrendFirstMinute));
}

// The trend store's hour rollups, filled from its snapshots by SQL as the
// station's upkeep would (the forward total only grows here, so the hour's
// last is its largest).
const char* const TrendRollups =
    "insert into rollups (line,address,hour,first_at,last_at,last_forward,unit,flow_min,"
    "flow_max,flow_sum,samples) select 1, a, s / 3600 * 3600, min(s) * 1000, max(s) * 1000, "
    "max(fw), 'm3', min(f), max(f), sum(f), count(*) from (select cast(dizhi as integer) a, "
    "cast(strftime('%s', CreateTime, 'utc') as integer) s, cast(MinuteAverage as real) f, "
    "cast(Foward as real) fw from Historydata) group by a, s / 3600";

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Exports every snapshot of the large store to a CSV file in a child
// process, which reports its own time, CPU and peak memory; the file is
// removed afterwards.
bool measureExport(const QString& folder, CsvWriter::Separator separator) {
    return inChildProcess(ChildApp::Core, [&] {
        const QString path = QDir(folder).filePath(QStringLiteral("export.csv"));
        ExportRequest request;
        request.from = QStringLiteral("2024-03-01");
        request.to = QStringLiteral("2024-03-29");
        request.filter = QStringLiteral("All");
        request.separator = separator;
        request.path = path;
        ExportResult result;
        QElapsedTimer timer;
        rusage before{};
        {
            Database database(folder);
            getrusage(RUSAGE_SELF, &before);
            timer.start();
            result = CsvExport::run(database.connection(), request);
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const double cpu = cpuSeconds(after) - cpuSeconds(before);
        const double size = QFileInfo(path).size() / 1e6;
        QFile::remove(path);
        if (!result.written()) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(result.error));
            return false;
        }
        std::printf("%-44s %7.1f s   %8.0f rows/s   (%lld rows, %.0f MB, %s)\n",
                    separator == CsvWriter::Separator::Comma ? "export all snapshots, comma"
                                                             : "export all snapshots, semicolon",
                    seconds, result.rows / seconds, result.rows, size,
                    separator == CsvWriter::Separator::Comma ? "comma" : "semicolon");
        std::printf("%-44s %7.1f s   %8.0f rows per CPU second\n", "  its CPU time", cpu,
                    result.rows / cpu);
        std::printf("%-44s %7.1f MB\n", "  the exporting process's peak resident memory",
                    after.ru_maxrss / 1024.0);
        return true;
    });
}

void trendRuns(const QString& folder, int runs) {
    HistoryWindow window(folder);
    window.show();
    const HistoryWindow::TabControls& c = window.controls(HistoryWindow::SnapshotTab);
    c.date->setText(QStringLiteral("2025-01-01"));
    c.to->setText(QStringLiteral("2026-01-01"));
    c.filter->setText(QStringLiteral("2"));
    QApplication::processEvents();
    std::vector<double> times;
    std::vector<double> cpu;
    std::vector<double> busiest;
    qint64 rows = 0;
    std::size_t points = 0;
    for (int run = 0; run < runs; ++run) {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QElapsedTimer timer;
        timer.start();
        double turn = threadCpuMs();
        QTest::mouseClick(c.trend, Qt::LeftButton);
        double longest = threadCpuMs() - turn;
        TrendWindow* chart = window.findChildren<TrendWindow*>().value(0);
        if (!chart) {
            std::fprintf(stderr, "no trend window\n");
            return;
        }
        // Read on the trend's own thread; the window's thread turns its
        // loop meanwhile, each turn's processor time noted.
        bool drawn = false;
        QObject::connect(chart, &TrendWindow::drawn, [&drawn] { drawn = true; });
        while (!drawn) {
            turn = threadCpuMs();
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            longest = std::max(longest, threadCpuMs() - turn);
        }
        turn = threadCpuMs();
        QApplication::processEvents(); // the layout the new series asked for
        chart->chartView()->grab();    // the chart drawn, every series painted
        longest = std::max(longest, threadCpuMs() - turn);
        // To look at: RX_TREND_IMAGE=FILE.png keeps the first run's chart.
        if (run == 0 && qEnvironmentVariableIsSet("RX_TREND_IMAGE"))
            chart->saveImage(qEnvironmentVariable("RX_TREND_IMAGE"));
        times.push_back(ms(timer));
        busiest.push_back(longest);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        cpu.push_back((cpuSeconds(after) - cpuSeconds(before)) * 1000);
        if (run == 0)
            std::printf("%-44s %7.1f ms\n", "trend of a year of one meter, first time",
                        times.back());
        rows = chart->shownData().rows;
        points = 0;
        for (const auto& lines : chart->shownData().lines)
            for (const auto& line : lines)
                points += line.size();
        delete chart;
    }
    report("trend of a year of one meter, to the drawn chart", times);
    std::sort(times.begin(), times.end());
    std::printf("%-44s %s (target: under 100 ms)\n", "  the year's trend",
                times[times.size() / 2] < 100 ? "met" : "NOT met");
    report("  its CPU time", cpu);
    report("  the window's thread's longest turn (cpu)", busiest);
    std::sort(busiest.begin(), busiest.end());
    std::printf("%-44s %s (target: under 50 ms)\n", "  the window's thread",
                busiest.back() < 50 ? "met" : "NOT met");
    // The read and reduction alone, on a connection of its own.
    Database database(folder);
    std::vector<double> reads;
    std::vector<double> readsCpu;
    const qint64 first = *StoredTime::clockSeconds("2025-01-01 00:00:00");
    const qint64 last = *StoredTime::clockSeconds("2026-01-01 00:00:00");
    for (int run = 0; run < runs; ++run) {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QElapsedTimer timer;
        timer.start();
        const TrendData data =
            TrendData::read(database.connection(), QStringLiteral("2"), first, last, 1000);
        reads.push_back(ms(timer));
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        readsCpu.push_back((cpuSeconds(after) - cpuSeconds(before)) * 1000);
    }
    report("  of which reading and reducing the rows", reads);
    report("  their CPU time", readsCpu);
    std::printf("%-44s %lld %s read, %zu points drawn\n", "  its data", rows,
                rows < 100000 ? "hours" : "rows", points);
}

} // namespace

bool measureExports(const QString& folder) {
    return measureExport(folder, CsvWriter::Separator::Comma) &&
           measureExport(folder, CsvWriter::Separator::Semicolon);
}

bool makeTrendStore(const QString& folder) {
    QDir().mkpath(folder);
    const QString path = Database::filePath(folder);
    if (!QFile::exists(path)) {
        std::printf("making %s (a year of one-minute snapshots of 3 meters)...\n",
                    qPrintable(path));
        std::fflush(stdout);
        if (!makeStore(path, TrendMeters, {trendRows()}))
            return false;
    }
    // A store made before the rollups gains them, filled once.
    return inChildProcess(ChildApp::Core, [&] {
        Database database(folder);
        QSqlDatabase db = database.connection();
        QSqlQuery hours(db);
        if (!SchemaUpgrade::run(db).isDone() ||
            !hours.exec(QStringLiteral("select count(*) from rollups")) || !hours.next())
            return false;
        if (hours.value(0).toLongLong() > 0)
            return true;
        hours.finish();
        QElapsedTimer timer;
        timer.start();
        const bool filled = run(db, QString::fromLatin1(TrendRollups));
        std::printf("filled the trend store's rollups in %.1f s\n", timer.elapsed() / 1000.0);
        return filled;
    });
}

// "Trend" on the history tab for meter 2 over the trend store's year: the
// time from the press to the chart drawn, the rows read and the points drawn.
bool measureTrend(const QString& folder, int runs) {
    return inChildProcess(ChildApp::Widgets, [&] {
        trendRuns(folder, runs);
        return true;
    });
}
