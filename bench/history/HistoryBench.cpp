// The "History" window over a large store: a `Historydata` of ten million
// rows (255 meters, one snapshot a minute, 27 days) and a `caozuo` of one
// million.
//
//   build/bin/history-bench [--folder DIR] [--runs N]
//
// The store is made once in DIR (default: a folder under the system's temp
// folder) and reused by later runs; the day that the delete measurement
// removes is put back afterwards. Prints the time to open the window, to
// show the first rows of one-day searches, to delete one day, and the
// process's peak resident memory.

#include "Database.h"
#include "HistoryWindow.h"
#include "StartingDatabase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdio>
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
QString snapshotRows(int first, int last) {
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
               "100.0), printf('%.2f', 100 + a % 50), t from minute cross join meter")
        .arg(first)
        .arg(last)
        .arg(QLatin1String(FirstMinute))
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

bool run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(query.lastError().text()),
                 qPrintable(sql.left(200)));
    return false;
}

// Makes the large store in a child process, so its page cache does not
// count towards the measured process's memory.
bool makeStore(const QString& path) {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child > 0) {
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    int argc = 1;
    char name[] = "history-bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    StartingDatabase::Options options;
    options.meters = QList<int>();
    for (int meter = 1; meter <= Meters; ++meter)
        options.meters->append(meter);
    QString error;
    if (!StartingDatabase::create(part, options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        _exit(1);
    }
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(part);
        ok = db.open();
        // Indexes are dropped for the load and made again from their own
        // definitions afterwards: sorting once is far quicker.
        QStringList indexes;
        QSqlQuery list(db);
        ok = ok &&
             list.exec(QStringLiteral("select sql from sqlite_master where type='index' and "
                                      "tbl_name in ('Historydata','caozuo') and sql is not null"));
        while (ok && list.next())
            indexes << list.value(0).toString();
        list.finish();
        QSqlQuery names(db);
        ok = ok && names.exec(QStringLiteral(
                       "select name from sqlite_master where type='index' "
                       "and tbl_name in ('Historydata','caozuo') and sql is not null"));
        QStringList dropped;
        while (ok && names.next())
            dropped << names.value(0).toString();
        names.finish();
        for (const char* pragma :
             {"PRAGMA journal_mode=OFF", "PRAGMA synchronous=OFF", "PRAGMA cache_size=-262144"})
            ok = ok && run(db, QString::fromLatin1(pragma));
        for (const QString& index : dropped)
            ok = ok && run(db, QStringLiteral("drop index \"%1\"").arg(index));
        QElapsedTimer timer;
        timer.start();
        ok = ok && run(db, QStringLiteral("begin")) && run(db, snapshotRows(0, Minutes - 1)) &&
             run(db, logRows()) && run(db, QStringLiteral("commit"));
        for (const QString& index : indexes)
            ok = ok && run(db, index);
        ok = ok && run(db, QStringLiteral("PRAGMA journal_mode=WAL"));
        std::printf("made the store in %.1f s\n", timer.elapsed() / 1000.0);
        std::fflush(stdout);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    ok = ok && QFile::rename(part, path);
    _exit(ok ? 0 : 1);
}

double ms(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %7.1f ms   min %7.1f   max %7.1f   (%zu runs)\n", what,
                times[times.size() / 2], times.front(), times.back(), times.size());
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
    if (c.grid->model()->rowCount() == 0)
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

} // namespace

int main(int argc, char** argv) {
    QString folder = QDir::temp().filePath(QStringLiteral("rx7100-history-bench"));
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--folder")
            folder = QString::fromLocal8Bit(argv[i + 1]);
        else if (QByteArray(argv[i]) == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    QDir().mkpath(folder);
    const QString path = Database::filePath(folder);
    if (!QFile::exists(path)) {
        std::printf("making %s (10,000,080 snapshots, 1,000,000 log rows)...\n", qPrintable(path));
        std::fflush(stdout);
        if (!makeStore(path)) {
            std::fprintf(stderr, "could not make the store\n");
            return 1;
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!restoreDay(folder)) {
        std::fprintf(stderr, "could not put the delete measurement's day back\n");
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

    HistoryWindow window(folder);
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

    // "Delete record" with "All" over one day; the grid then shows what is
    // left of its last search (the same day, now empty).
    searchMs(window, HistoryWindow::SnapshotTab, DeleteDay, "All");
    const HistoryWindow::TabControls& c = window.controls(HistoryWindow::SnapshotTab);
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(c.deleteRecord, Qt::LeftButton);
    QApplication::processEvents();
    const double deleted = ms(timer);
    std::printf("%-44s %7.1f ms   (%d rows shown after)\n",
                "delete one day, all meters (367,455 rows)", deleted, c.grid->model()->rowCount());

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-44s %7.1f MB\n", "peak resident memory", usage.ru_maxrss / 1024.0);

    if (!restoreDay(folder)) {
        std::fprintf(stderr, "could not put the deleted day back\n");
        return 1;
    }
    return 0;
}
