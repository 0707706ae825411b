// One history snapshot with 255 meters listed, into a history that already
// holds a million rows: the insert runs once a record interval on the user
// interface thread, so it must stay well inside a frame.

#include "Checkpointer.h"
#include "Database.h"
#include "MeterTable.h"
#include "StartingDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int Meters = 255;
constexpr int HistoryRows = 1'000'000;

// Every meter with a reading, and a million history rows of a year of
// snapshots, made in one transaction from a recursive count.
bool fill(const QString& folder) {
    QList<int> meters;
    for (int address = 1; address <= Meters; ++address)
        meters << address;
    StartingDatabase::Options options;
    options.meters = meters;
    QString error;
    if (!StartingDatabase::create(Database::filePath(folder), options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    Database db(folder);
    QSqlDatabase connection = db.connection();
    QSqlQuery query(connection);
    const bool ok =
        connection.transaction() &&
        query.exec(QStringLiteral(
            "update yibiaodizhi set MinuteAverage='12.50',danwei1='m3/h',Foward='100.25',"
            "Reverse='3.50',danwei2='m3',zhuangtai='Communication OK',liusu='1.50',"
            "baifenbi='42.00',dianzu='1800.00',CreateTime='2024-06-01 12:00:00'")) &&
        query.exec(QStringLiteral(
                       "insert into Historydata with recursive n(i) as (select 0 union all "
                       "select i+1 from n where i<HISTORY-1) select cast(i%METERS+1 as text),"
                       "printf('%.2f',(i%997)/10.0),'m3/h',printf('%.2f',i/100.0),'0.00','m3',"
                       "'Communication OK','1.50','42.00','1800.00',"
                       "strftime('%Y-%m-%d %H:%M:%S','2023-01-01',(i/METERS)||' minutes'),1 from n")
                       .replace(QLatin1String("HISTORY"), QString::number(HistoryRows))
                       .replace(QLatin1String("METERS"), QString::number(Meters))) &&
        connection.commit();
    if (!ok)
        std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
    return ok;
}

QString& folder() {
    static QString path;
    return path;
}

// The snapshot's own cost: the insert and its commit. The store's
// automatic checkpoint is held off and run between iterations, untimed.
void SnapshotInsert(benchmark::State& state) {
    Database db(folder());
    MeterTable meters(db.connection());
    QSqlQuery pragma(db.connection());
    pragma.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    for (auto _ : state) {
        if (!meters.snapshot().isDone()) {
            state.SkipWithError("snapshot failed");
            return;
        }
        state.PauseTiming();
        pragma.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        state.ResumeTiming();
    }
    state.counters["rows/snapshot"] = Meters;
}

// As the tool runs it: the commit never checkpoints, and the station's
// Checkpointer copies the log back on its own thread meanwhile.
void SnapshotBesideCheckpoints(benchmark::State& state) {
    Database db(folder());
    MeterTable meters(db.connection());
    Checkpointer checkpointer(folder());
    for (auto _ : state) {
        if (!meters.snapshot().isDone()) {
            state.SkipWithError("snapshot failed");
            return;
        }
    }
    state.counters["rows/snapshot"] = Meters;
}

} // namespace

BENCHMARK(SnapshotInsert)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(SnapshotBesideCheckpoints)->Unit(benchmark::kMillisecond)->Iterations(200);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // Made once for every run; each run appends 255 rows per iteration.
    QTemporaryDir dir;
    QElapsedTimer made;
    made.start();
    if (!dir.isValid() || !fill(dir.path())) {
        std::fprintf(stderr, "cannot make the database\n");
        return 1;
    }
    std::fprintf(stderr, "%d meters, %d history rows made in %lld ms\n", Meters, HistoryRows,
                 static_cast<long long>(made.elapsed()));
    folder() = dir.path();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
