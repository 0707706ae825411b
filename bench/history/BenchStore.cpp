#include "BenchStore.h"

#include "StartingDatabase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

bool run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(query.lastError().text()),
                 qPrintable(sql.left(200)));
    return false;
}

bool inChildProcess(ChildApp kind, const std::function<bool()>& work) {
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
    std::unique_ptr<QCoreApplication> app;
    if (kind == ChildApp::Widgets) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const bool ok = work();
    std::fflush(stdout);
    std::fflush(stderr);
    // Nothing of this process's own is torn down in the child.
    _exit(ok ? 0 : 1);
}

void removeStore(const QString& path) {
    for (const char* end : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(end));
}

bool makeStore(const QString& path, int meters, const QStringList& statements) {
    return inChildProcess(ChildApp::Core, [&] {
        const QString part = path + QStringLiteral(".part");
        QFile::remove(part);
        StartingDatabase::Options options;
        options.meters = QList<int>();
        for (int meter = 1; meter <= meters; ++meter)
            options.meters->append(meter);
        QString error;
        if (!StartingDatabase::create(part, options, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
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
            QStringList dropped;
            QSqlQuery list(db);
            ok = ok && list.exec(QStringLiteral(
                           "select name, sql from sqlite_master where type='index' and "
                           "tbl_name in ('Historydata','caozuo') and sql is not null"));
            while (ok && list.next()) {
                dropped << list.value(0).toString();
                indexes << list.value(1).toString();
            }
            list.finish();
            for (const char* pragma :
                 {"PRAGMA journal_mode=OFF", "PRAGMA synchronous=OFF", "PRAGMA cache_size=-262144"})
                ok = ok && run(db, QString::fromLatin1(pragma));
            for (const QString& index : dropped)
                ok = ok && run(db, QStringLiteral("drop index \"%1\"").arg(index));
            QElapsedTimer timer;
            timer.start();
            ok = ok && run(db, QStringLiteral("begin"));
            for (const QString& statement : statements)
                ok = ok && run(db, statement);
            ok = ok && run(db, QStringLiteral("commit"));
            for (const QString& index : indexes)
                ok = ok && run(db, index);
            ok = ok && run(db, QStringLiteral("PRAGMA journal_mode=WAL"));
            std::printf("made the store in %.1f s\n", timer.elapsed() / 1000.0);
            std::fflush(stdout);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
        removeStore(path); // and what an earlier store left beside it
        return ok && QFile::rename(part, path);
    });
}

double ms(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %7.1f ms   min %7.1f   max %7.1f   (%zu runs)\n", what,
                times[times.size() / 2], times.front(), times.back(), times.size());
}
