#include "ReadingWriter.h"
#include "Database.h"
#include "MeterTable.h"
#include "OperationLog.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

Reading reading(int address, const QString& flowRate) {
    Reading made;
    made.address = address;
    made.flowRate = flowRate;
    return made;
}

// The starting database lists meter 1 alone.
const QString latest = QStringLiteral("select MinuteAverage from yibiaodizhi");

TEST(ReadingWriter, FullGroupsGoAtOnceFlushCommitsTheRestAndSoDoesTheEnd) {
    ProgramFolder folder;
    QList<int> groups;
    {
        ReadingWriter writer(folder.path(), {1h, 4, 100ms});
        QObject::connect(&writer, &ReadingWriter::committed, [&](int size) { groups << size; });
        for (int i = 0; i < 10; ++i)
            writer.store(reading(1, QString::number(i)));
        EXPECT_TRUE(writer.flush().isDone());
        QCoreApplication::processEvents();
        writer.store(reading(1, "10"));
    }
    EXPECT_EQ(groups, QList<int>({4, 4, 2}));
    EXPECT_EQ(folder.column(latest), QStringList({"10"}));
}

// An unlisted meter is reported alone; a locked store refuses the whole
// group, and the next goes in once it is free, from any thread, by its age.
TEST(ReadingWriter, ReportsRowsNotStoredAndGoesOn) {
    ProgramFolder folder;
    ReadingWriter::Options options;
    options.busyTimeout = 0ms;
    ReadingWriter writer(folder.path(), options);
    QSignalSpy refused(&writer, &ReadingWriter::refused);
    writer.store(reading(9, "9"));
    writer.store(reading(1, "1"));
    EXPECT_TRUE(writer.flush().isDone());
    Database other(folder.path());
    ASSERT_TRUE(QSqlQuery(other.connection()).exec(QStringLiteral("begin immediate")));
    writer.store(reading(1, "2"));
    writer.store(reading(1, "2"));
    EXPECT_EQ(writer.flush().reason, QStringLiteral("database is locked"));
    ASSERT_TRUE(QSqlQuery(other.connection()).exec(QStringLiteral("rollback")));
    QCoreApplication::processEvents();
    ASSERT_EQ(refused.size(), 3);
    EXPECT_EQ(refused[0][0].value<Reading>().address, 9);
    EXPECT_EQ(refused[0][1].value<StoreWrite>().outcome, StoreWrite::Outcome::NoSuchRow);
    QSignalSpy stored(&writer, &ReadingWriter::stored);
    std::thread([&] { writer.store(reading(1, "3")); }).join();
    ASSERT_TRUE(stored.wait(10000));
    EXPECT_EQ(folder.column(latest), QStringList({"3"}));
}

// Run again as a child that is killed after its flush, snapshot and log row.
TEST(ReadingWriter, FlushedRowsOutliveAKill) {
    const QString child = qEnvironmentVariable("RX_WRITER_CHILD");
    if (!child.isEmpty()) {
        ReadingWriter writer(child, {1h, 256, 100ms});
        writer.store(reading(1, "12.5"));
        writer.flush();
        Database db(child);
        MeterTable(db.connection()).snapshot();
        OperationLog(db.connection()).append({2, "S1", "Language", "0", "1", {}});
        std::puts("flushed");
        std::fflush(stdout);
        std::this_thread::sleep_for(60s);
        return;
    }
    ProgramFolder folder;
    QProcess process;
    qputenv("RX_WRITER_CHILD", folder.path().toLocal8Bit());
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=ReadingWriter.FlushedRowsOutliveAKill")});
    qunsetenv("RX_WRITER_CHILD");
    QByteArray output;
    while (!output.contains("flushed") && process.waitForReadyRead(30000))
        output += process.readAllStandardOutput();
    process.kill();
    process.waitForFinished();
    EXPECT_EQ(folder.column(latest), QStringList({"12.5"}));
    EXPECT_EQ(
        folder.rows(QStringLiteral("select h.MinuteAverage,xiangmu from Historydata h,caozuo")),
        QStringList({"12.5|Language"}));
}

} // namespace
