#include "CsvExport.h"
#include "Database.h"
#include "ExportJob.h"
#include "LocalTimeText.h"
#include "ProgramFolder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QTimeZone Berlin("Europe/Berlin");
using Separator = CsvWriter::Separator;

TEST(LocalTimeText, OffsetsFollowTheZoneAcrossItsChanges) {
    const auto isoOf = [](const char* stored, const QTimeZone& zone) {
        std::string out;
        return LocalTimeText(zone).append(stored, out) ? out : "(none)";
    };
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Europe/Berlin", "2026-03-29 01:59:59", "2026-03-29T01:59:59+01:00"},
        {"Europe/Berlin", "2026-03-29 03:00:00", "2026-03-29T03:00:00+02:00"},
        {"Europe/Berlin", "2026-10-25 01:59:59", "2026-10-25T01:59:59+02:00"},
        {"Europe/Berlin", "2026-10-25 03:00:00", "2026-10-25T03:00:00+01:00"},
        {"Asia/Kolkata", "2026-06-01 12:00:00", "2026-06-01T12:00:00+05:30"},
        {"UTC", "2024-02-29 00:00:00", "2024-02-29T00:00:00+00:00"},
        {"UTC", "2024-02-30 00:00:00", "(none)"},
        {"UTC", "2000-02-29 00:00:00", "2000-02-29T00:00:00+00:00"},
        {"UTC", "2100-02-29 00:00:00", "(none)"},
        {"UTC", "2026-01-15 24:00:00", "(none)"},
        {"UTC", "2026-01-15 12:00:60", "(none)"},
        {"UTC", "2026-01-15 12:60:00", "(none)"},
        {"UTC", "", "(none)"},
    };
    for (const auto& [zone, stored, expected] : cases)
        EXPECT_EQ(isoOf(stored, QTimeZone(zone)), expected) << zone << " " << stored;
    for (int month = 1; month <= 12; ++month) { // its last day is a time, the next is not
        const QDate first(2026, month, 1);
        for (int day : {first.daysInMonth(), first.daysInMonth() + 1}) {
            const QString stored = first.toString("yyyy-MM-") + QString::number(day) + " 12:00:00";
            EXPECT_EQ(isoOf(qPrintable(stored), QTimeZone::utc()) == "(none)",
                      day > first.daysInMonth());
        }
    }

    // One converter over rows in time order never carries an offset past a change.
    LocalTimeText times(Berlin);
    std::string out;
    for (const char* stored : {"2026-10-24 23:59:59", "2026-10-25 01:59:59", "2026-10-25 03:00:00",
                               "2026-10-26 00:00:00"})
        times.append(stored, out += ' ');
    EXPECT_EQ(out, " 2026-10-24T23:59:59+02:00 2026-10-25T01:59:59+02:00"
                   " 2026-10-25T03:00:00+01:00 2026-10-26T00:00:00+01:00");
}

// Three meters' rows, the third on line 2, and two log rows, as the tool's own tables hold them.
class CsvExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.exec(QString::fromUtf8(
            "insert into Historydata (dizhi, MinuteAverage, danwei1, Foward, Reverse, danwei2, "
            "zhuangtai, liusu, baifenbi, dianzu, CreateTime) values ('1', '12.50', 'm3/h', "
            "'1234.56', '0.00', 'm3', "
            "'Communication OK,Empty Pipe Alarm', '1.25', '-3.10', '100.00', '2026-01-15 "
            "08:30:00'),"
            "('2', '', '', '', '', '', '', '', '', '', '2026-07-01 12:00:00'),"
            "('3', '7.00', 'm³/h', '-0.50', '1,5', '立方米', 'Say \"hi\"\r\nline 2', '.5', '1e3', "
            "'abc', '2026-08-01 00:00:00')")));
        ASSERT_TRUE(folder.exec("update Historydata set line=2 where dizhi='3'"));
        ASSERT_TRUE(folder.exec("insert into caozuo values (2, 'SN \"7\"', 'Damping:', '3;4', "
                                "'7.5', '2026-02-01 10:00:00'), (1, 'SN8', 'Language:', 'Chinese', "
                                "'English', '2026-02-01 10:00:05')"));
    }
    ExportRequest request(const HistoryTable& table, Separator separator) const {
        return {&table, "2026-01-01", "2026-08-01", "All", separator, out, {}};
    }
    ExportResult run(const ExportRequest& request, const std::atomic<bool>* cancel = nullptr) {
        return CsvExport::run(db.connection(), request, cancel, {}, Berlin);
    }
    QByteArray written() const {
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
    }
    QStringList filesBesideOut() const { return QDir(dir.path()).entryList(QDir::Files); }

    ProgramFolder folder;
    Database db{folder.path()};
    QTemporaryDir dir;
    QString out = dir.filePath(QStringLiteral("out.csv"));
};

TEST_F(CsvExportTest, KnownRowsByteForByte) {
    const QByteArray historyHeader =
        "Meter Address{}Flow Rate{}Flow Rate Unit{}Flow Totalizer{}Reverse Flow Totalizer{}"
        "Totalizer Unit{}Alarm Status{}Flow Speed (m/s){}Span Percentage (%){}"
        "Electrode Impedance (ohm){}Time{}Line\r\n";
    const QByteArray logHeader = "Operation security level{}Meter serial#{}Meter parameter{}"
                                 "Current meter parameter{}New meter parameter{}Operation time\r\n";
    const auto with = [](QByteArray header, char separator) {
        return header.replace("{}", QByteArray(1, separator));
    };
    const std::tuple<const HistoryTable*, Separator, int, QByteArray> cases[] = {
        {&HistoryTable::snapshots(), Separator::Comma, 3,
         with(historyHeader, ',') +
             "1,12.50,m3/h,1234.56,0.00,m3,\"Communication OK,Empty Pipe Alarm\",1.25,-3.10,"
             "100.00,2026-01-15T08:30:00+01:00,1\r\n"
             "2,,,,,,,,,,2026-07-01T12:00:00+02:00,1\r\n"
             "3,7.00,m³/h,-0.50,\"1,5\",立方米,\"Say \"\"hi\"\"\r\nline 2\",.5,1e3,abc,"
             "2026-08-01T00:00:00+02:00,2\r\n"},
        {&HistoryTable::snapshots(), Separator::Semicolon, 3,
         with(historyHeader, ';') +
             "1;12,50;m3/h;1234,56;0,00;m3;Communication OK,Empty Pipe Alarm;1,25;-3,10;"
             "100,00;2026-01-15T08:30:00+01:00;1\r\n"
             "2;;;;;;;;;;2026-07-01T12:00:00+02:00;1\r\n"
             "3;7,00;m³/h;-0,50;1,5;立方米;\"Say \"\"hi\"\"\r\nline 2\";,5;1e3;abc;"
             "2026-08-01T00:00:00+02:00;2\r\n"},
        {&HistoryTable::operationLog(), Separator::Semicolon, 2,
         with(logHeader, ';') +
             "2;\"SN \"\"7\"\"\";Damping:;\"3;4\";7.5;2026-02-01T10:00:00+01:00\r\n"
             "1;SN8;Language:;Chinese;English;2026-02-01T10:00:05+01:00\r\n"},
    };
    for (const auto& [table, separator, rows, expected] : cases) {
        const ExportResult result = run(request(*table, separator));
        EXPECT_EQ(result.rows, rows);
        EXPECT_EQ(written(), expected) << table->table().toStdString() << int(separator);
    }
}

TEST_F(CsvExportTest, FailuresAndCancelLeaveNoFileAndKeepAnOldOne) {
    ASSERT_TRUE(run(request(HistoryTable::snapshots(), Separator::Comma)).written());
    const QByteArray before = written();
    // Enough rows that the export looks at the cancel request before the end.
    ASSERT_TRUE(folder.exec("insert into Historydata (dizhi,CreateTime) with recursive n(i) as "
                            "(select 1 union all select i+1 from n where i<5000) "
                            "select '9', '2026-05-01 10:00:00' from n"));
    ASSERT_TRUE(folder.exec(QStringLiteral("drop table caozuo")));
    const std::atomic<bool> cancelled = true;
    ExportRequest blocked = request(HistoryTable::snapshots(), Separator::Comma);
    blocked.path = out + QStringLiteral("/inside.csv"); // a plain file stands for the folder
    using enum ExportResult::Outcome;
    ExportRequest badDate = request(HistoryTable::snapshots(), Separator::Comma);
    badDate.to = QStringLiteral("tomorrow");
    const std::tuple<ExportRequest, const std::atomic<bool>*, ExportResult::Outcome> cases[] = {
        {request(HistoryTable::snapshots(), Separator::Comma), &cancelled, Cancelled},
        {badDate, nullptr, BadDate},
        {blocked, nullptr, WriteFailed},
        {request(HistoryTable::operationLog(), Separator::Comma), nullptr, StoreFailed},
    };
    for (const auto& [req, cancel, outcome] : cases) {
        const ExportResult result = run(req, cancel);
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(written(), before);
        EXPECT_EQ(filesBesideOut(), QStringList({"out.csv"}));
    }
}

TEST_F(CsvExportTest, JobWithoutAStoreFailsAndCreatesNone) {
    ProgramFolder missing({}, false);
    ExportJob job(missing.path(), request(HistoryTable::snapshots(), Separator::Comma));
    QSignalSpy finished(&job, &ExportJob::finished);
    job.start();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(0).at(0).value<ExportResult>().outcome,
              ExportResult::Outcome::StoreFailed);
    EXPECT_FALSE(QFileInfo::exists(missing.databasePath()));
}

} // namespace
