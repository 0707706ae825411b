#include "RollupBench.h"

#include "BenchStore.h"
#include "Database.h"
#include "MeterTable.h"
#include "RollupBuild.h"
#include "RollupConsumption.h"
#include "RollupFolder.h"
#include "StartingDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>
#include <cstdio>
#include <limits>

namespace {

constexpr int YearMeters = 32;
constexpr int YearMinutes = 365 * 24 * 60;
const QDate firstDay(2025, 1, 1);

void verdict(bool met, const char* what, double figure, const char* unit) {
    std::printf("  %-8s %s: %.1f %s\n", met ? "met" : "NOT met", what, figure, unit);
}

QString yearRows() {
    const qint64 start = QDateTime(firstDay, QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    // Minute by minute, each minute's meters together, as snapshots come.
    return QStringLiteral(
               "with recursive m(i) as (select 0 union all select i+1 from m where i<%1) "
               "insert into Historydata (dizhi,MinuteAverage,danwei1,Foward,Reverse,danwei2,"
               "zhuangtai,liusu,baifenbi,dianzu,CreateTime,line,read_at) select d.dizhi,"
               "printf('%.2f',d.dizhi+(i%60)/10.0),'m3/h',printf('%.3f',i*0.05*d.dizhi),"
               "printf('%.3f',i*0.001),'m3','Communication OK','1.00','50.0','100',"
               "datetime(%2+i*60,'unixepoch','localtime'),1,(%2+i*60)*1000 from m cross join "
               "(select dizhi from yibiaodizhi order by dizhi) d")
        .arg(YearMinutes - 1)
        .arg(start);
}

// The build on its worker thread to the end, while this thread's event loop
// turns and a log row is written each second, as a window's would be.
bool timeBuild(const QString& folder) {
    {
        Database db(folder);
        QSqlQuery query(db.connection());
        if (!query.exec("delete from rollups") || !query.exec("update rollup_state set through=0"))
            return false;
    }
    Database ui(folder, Database::Options{std::chrono::milliseconds(100)});
    QElapsedTimer timer;
    timer.start();
    double tenMillionS = 0;
    qint64 rows = 0;
    QString error;
    double longestStallMs = 0;
    qint64 lastTickNs = timer.nsecsElapsed();
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longestStallMs = std::max(longestStallMs, (now - lastTickNs) / 1e6 - 5);
        lastTickNs = now;
    });
    QTimer writer;
    writer.setInterval(1000);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        QSqlQuery(ui.connection()).exec("insert into caozuo (xiangmu) values ('bench')");
    });
    RollupBuild build(folder);
    QObject::connect(&build, &RollupBuild::progress, [&](qint64 done, qint64) {
        if (!tenMillionS && done >= 10'000'000)
            tenMillionS = timer.elapsed() / 1000.0;
        rows = done;
    });
    QObject::connect(&build, &RollupBuild::finished, [&](const QString& why) {
        error = why;
        QCoreApplication::quit();
    });
    ticker.start();
    writer.start();
    QCoreApplication::exec();
    const double seconds = timer.elapsed() / 1000.0;
    if (!error.isEmpty()) {
        std::fprintf(stderr, "build failed: %s\n", qPrintable(error));
        return false;
    }
    std::printf("built the rollups of %lld rows in %.1f s (first ten million in %.1f s)\n",
                static_cast<long long>(rows), seconds, tenMillionS);
    verdict(10'000'000 / tenMillionS > 1e6, "build rows/s over 1,000,000", 1e7 / tenMillionS,
            "rows/s");
    verdict(longestStallMs < 50, "longest event-loop stall while building, under 50 ms",
            longestStallMs, "ms");
    return true;
}

bool timeConsumption(const QString& folder, int runs) {
    Database db(folder);
    RollupConsumption consumption(db.connection());
    const QTimeZone berlin("Europe/Berlin");
    std::vector<double> months;
    std::vector<double> days;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int meter = 1; meter <= YearMeters; ++meter)
            if (consumption
                    .rows(1, meter,
                          {PeriodKind::Month, berlin, firstDay, firstDay.addDays(364), 60000, {}})
                    .size() != 12)
                return false;
        months.push_back(ms(timer));
        timer.start();
        if (consumption
                .rows(1, 7, {PeriodKind::Day, berlin, firstDay, firstDay.addDays(364), 60000, {}})
                .size() != 365)
            return false;
        days.push_back(ms(timer));
    }
    report("consumption by month, 32 meters, a year", months);
    report("consumption by day, one meter, a year", days);
    std::sort(months.begin(), months.end());
    std::sort(days.begin(), days.end());
    verdict(months[months.size() / 2] < 200, "by month for 32 meters under 200 ms",
            months[months.size() / 2], "ms");
    verdict(days[days.size() / 2] < 100, "by day for one meter under 100 ms", days[days.size() / 2],
            "ms");
    return true;
}

// One snapshot of 255 meters, then its fold, timed alone.
bool timeUpkeep(const QString& folder, int runs) {
    const QString path = Database::filePath(folder);
    removeStore(path);
    StartingDatabase::Options options;
    options.meters = QList<int>();
    for (int meter = 1; meter <= 255; ++meter)
        options.meters->append(meter);
    QString error;
    if (!StartingDatabase::create(path, options, &error))
        return false;
    Database db(folder);
    MeterTable meters(db.connection());
    RollupFolder rollups(db.connection());
    std::vector<double> times;
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (int run = 0; run < std::max(runs, 20); ++run) {
        QSqlQuery update(db.connection());
        update.prepare("update yibiaodizhi set MinuteAverage='12.5',Foward=?,Reverse='0',"
                       "danwei2='m3',zhuangtai='Communication OK',read_at=?");
        update.addBindValue(QString::number(run * 1.25, 'f', 3));
        update.addBindValue(start + run * 60000LL);
        if (!update.exec() || !meters.snapshot().isDone())
            return false;
        QElapsedTimer timer;
        timer.start();
        const RollupFolder::Progress folded = rollups.fold(std::numeric_limits<qint64>::max());
        times.push_back(ms(timer));
        if (!folded.error.isEmpty() || folded.folded != 255)
            return false;
    }
    report("upkeep of one snapshot of 255 meters", times);
    std::sort(times.begin(), times.end());
    verdict(times[times.size() / 2] < 2, "upkeep of 255 meters under 2 ms", times[times.size() / 2],
            "ms");
    return true;
}

} // namespace

bool measureRollups(const QString& folder, int runs) {
    const QString year = QDir(folder).filePath(QStringLiteral("rollups"));
    QDir().mkpath(year);
    const QString path = Database::filePath(year);
    if (!QFile::exists(path)) {
        std::printf("making %s (%d snapshots)...\n", qPrintable(path), YearMeters * YearMinutes);
        std::fflush(stdout);
        if (!makeStore(path, YearMeters, {yearRows()}))
            return false;
    }
    return inChildProcess(ChildApp::Core, [&] {
        const QString upkeep = QDir(folder).filePath(QStringLiteral("rollups-upkeep"));
        QDir().mkpath(upkeep);
        return timeBuild(year) && timeConsumption(year, runs) && timeUpkeep(upkeep, runs);
    });
}
