#include "Broker.h"
#include "FakeSerialPort.h"
#include "ProgramFolder.h"
#include "ReportsWindow.h"
#include "Station.h"
#include "Subscriber.h"

#include <QBarSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QTimeZone berlin("Europe/Berlin");
constexpr qint64 stepMs = 10 * 60000; // the record interval

qint64 at(int month, int day, int hour) {
    return QDateTime(QDate(2026, month, day), QTime(hour, 0), berlin).toMSecsSinceEpoch();
}

// Snapshots every ten minutes of 1 m3 forward and 0.5 m3 reverse, as the
// station stores them in Berlin: the local text, and the moment unless
// `oldRows`. `total` gives meter's forward total and unit at step n; no
// unit leaves the step out.
template <typename Total>
bool store(const ProgramFolder& folder, int meter, qint64 from, qint64 to, bool oldRows,
           Total total) {
    QStringList values;
    for (qint64 t = from, n = 0; t <= to; t += stepMs, ++n) {
        const auto [forward, unit] = total(t, n);
        if (unit.isEmpty())
            continue;
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(t, berlin);
        values << QStringLiteral("('%1','%2','%3','%4','%5',%6)")
                      .arg(meter)
                      .arg(forward, 0, 'f', 2)
                      .arg(meter == 1 ? 100 + n * 0.5 : 0.0, 0, 'f', 2)
                      .arg(unit, local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                           oldRows ? QStringLiteral("NULL") : QString::number(t));
    }
    return folder.exec(QStringLiteral("insert into Historydata "
                                      "(dizhi,Foward,Reverse,danwei2,CreateTime,read_at) values ") +
                       values.join(u','));
}

using Step = std::pair<double, QString>;

// A store with a glitch, a reset, the autumn day, a wrap, a gap and a unit
// changed on the way, and the spring day in rows without their moment.
void fill(const ProgramFolder& folder) {
    // Read five minutes past: every edge of the range lies between readings.
    const qint64 off = 5 * 60000;
    // Stored in time order, as a station stores them.
    ASSERT_TRUE(
        store(folder, 1, at(3, 28, 23) + off, at(3, 30, 1), true, [](qint64, qint64 n) -> Step {
            return {100.0 + n, "m3"};
        }));
    const qint64 glitch = at(10, 23, 8) + off, reset = at(10, 24, 12) + off;
    const qint64 wrap = at(10, 26, 12) + off, first = at(10, 22, 23) + off, last = at(10, 28, 1);
    ASSERT_TRUE(store(folder, 1, first, last, false, [&](qint64 t, qint64 n) -> Step {
        if (t > at(10, 27, 6) && t < at(10, 27, 12))
            return {0, {}};
        if (t == glitch)
            return {999999, "m3"};
        return {t < reset ? 5000.0 + n : double(n - (reset - first) / stepMs + 1), "m3"};
    }));
    // Litres from noon on the 24th.
    ASSERT_TRUE(store(folder, 2, first, last, false, [&](qint64 t, qint64 n) -> Step {
        return t < reset ? Step{2000.0 + n, "m3"} : Step{(2000.0 + n) * 1000, "l"};
    }));
    // Past 4294967295 at noon on the 26th.
    ASSERT_TRUE(store(folder, 3, first, last, false, [&](qint64, qint64 n) -> Step {
        const double base = 4294967296.0 - double((wrap - first) / stepMs) + 0.5;
        return {std::fmod(base + n, 4294967296.0), "m3"};
    }));
}

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::make_unique<ProgramFolder>(
            StartingDatabase::Options{QList<int>{1, 2, 3}, {}, {}, {}, {}, 10, {}});
        fill(*folder);
    }

    // The tool's exit code; the rows written, without the header.
    int report(const QStringList& arguments, QStringList* rows = nullptr) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        // Qt's Gui wants one, or says so on standard error.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), out.path());
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(RX7100_TOOL_PATH),
                   QStringList{"--report"} + arguments + QStringList{"--folder", folder->path()});
        EXPECT_TRUE(tool.waitForFinished(60000));
        errors = tool.readAllStandardError();
        QFile file(out.filePath("r.csv"));
        if (rows && file.open(QIODevice::ReadOnly)) {
            *rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
            EXPECT_EQ(rows->takeFirst(), "Line,Meter Address,Period Start,Period End,Forward,"
                                         "Reverse,Net,Unit,Notes");
            EXPECT_EQ(rows->takeLast(), "");
        }
        return tool.exitCode();
    }
    QStringList csv(const char* by, const char* from, const char* to, QStringList more = {}) {
        QStringList rows;
        EXPECT_EQ(report(QStringList{"consumption", "--by", by, "--from", from, "--to", to, "--out",
                                     out.filePath("r.csv")} +
                             more,
                         &rows),
                  0)
            << errors.toStdString();
        return rows;
    }

    std::unique_ptr<ProgramFolder> folder;
    QTemporaryDir out;
    QByteArray errors;
};

TEST_F(ReportCommand, DaysOfAWeekWithEveryMark) {
    EXPECT_EQ(csv("day", "2026-10-23", "2026-10-27"),
              QStringList({
                  "1,1,2026-10-23T00:00:00+02:00,2026-10-24T00:00:00+02:00,144,72,72,m3,glitch",
                  "1,1,2026-10-24T00:00:00+02:00,2026-10-25T00:00:00+02:00,144,72,72,m3,reset",
                  "1,1,2026-10-25T00:00:00+02:00,2026-10-26T00:00:00+01:00,150,75,75,m3,",
                  "1,1,2026-10-26T00:00:00+01:00,2026-10-27T00:00:00+01:00,144,72,72,m3,",
                  "1,1,2026-10-27T00:00:00+01:00,2026-10-28T00:00:00+01:00,144,72,72,m3,estimated",
                  "1,2,2026-10-23T00:00:00+02:00,2026-10-24T00:00:00+02:00,144000,0,144000,l,",
                  "1,2,2026-10-24T00:00:00+02:00,2026-10-25T00:00:00+02:00,144000,0,144000,l,",
                  "1,2,2026-10-25T00:00:00+02:00,2026-10-26T00:00:00+01:00,150000,0,150000,l,",
                  "1,2,2026-10-26T00:00:00+01:00,2026-10-27T00:00:00+01:00,144000,0,144000,l,",
                  "1,2,2026-10-27T00:00:00+01:00,2026-10-28T00:00:00+01:00,144000,0,144000,l,",
                  "1,3,2026-10-23T00:00:00+02:00,2026-10-24T00:00:00+02:00,144,0,144,m3,",
                  "1,3,2026-10-24T00:00:00+02:00,2026-10-25T00:00:00+02:00,144,0,144,m3,",
                  "1,3,2026-10-25T00:00:00+02:00,2026-10-26T00:00:00+01:00,150,0,150,m3,",
                  "1,3,2026-10-26T00:00:00+01:00,2026-10-27T00:00:00+01:00,144,0,144,m3,wrap",
                  "1,3,2026-10-27T00:00:00+01:00,2026-10-28T00:00:00+01:00,144,0,144,m3,",
              }));
    // A unit chosen, one meter.
    EXPECT_EQ(
        csv("day", "2026-10-25", "2026-10-25", {"--meter", "2", "--unit", "m3"}),
        QStringList({"1,2,2026-10-25T00:00:00+02:00,2026-10-26T00:00:00+01:00,150,0,150,m3,"}));
}

TEST_F(ReportCommand, HoursOfTheDaylightSavingDays) {
    // The day, its hours, and the hour that is left out or comes twice.
    for (const auto& [day, hours, row, start, end] :
         {std::tuple{"2026-03-29", 23, 1, "2026-03-29T01:00:00+01:00", "2026-03-29T03:00:00+02:00"},
          std::tuple{"2026-10-25", 25, 2, "2026-10-25T02:00:00+02:00",
                     "2026-10-25T02:00:00+01:00"}}) {
        SCOPED_TRACE(day);
        const QStringList rows = csv("hour", day, day, {"--meter", "1"});
        ASSERT_EQ(rows.size(), hours);
        EXPECT_TRUE(rows[row].startsWith(QStringLiteral("1,1,%1,%2,").arg(start, end)))
            << rows[row].toStdString();
        EXPECT_TRUE(rows[row + 1].startsWith(QStringLiteral("1,1,%1,").arg(end)));
        for (const QString& row : rows)
            EXPECT_TRUE(row.endsWith(QLatin1String(",6,3,3,m3,"))) << row.toStdString();
    }
}

TEST_F(ReportCommand, PdfAndWhatIsRefused) {
    const QString pdf = out.filePath("r.pdf");
    ASSERT_EQ(report({"consumption", "--from", "2026-10-24", "--to", "2026-10-26", "--out", pdf}),
              0)
        << errors.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GT(bytes.size(), 10000);
    // The title in the document's information, in UTF-16.
    const QByteArray title = QStringEncoder(QStringConverter::Utf16BE)(u"Consumption by day");
    EXPECT_TRUE(bytes.contains(title));
    const QStringList range{"--from", "2026-10-24", "--to", "2026-10-26", "--out"};
    const std::pair<QStringList, int> failures[] = {
        {QStringList{"consumption", "--to", "2026-10-23"} + range.mid(2) + QStringList{pdf}, 1},
        {QStringList{"alarms", "--by", "day"} + range + QStringList{pdf}, 1},
        {QStringList{"consumption", "--by", "hour", "--from", "2000-01-01", "--to", "2099-12-31",
                     "--out", pdf},
         1},
        {QStringList{"consumption"} + range + QStringList{out.filePath("no/such.pdf")}, 3},
    };
    // The alarm journal, empty here.
    ASSERT_EQ(report(QStringList{"alarms"} + range + QStringList{out.filePath("a.csv")}), 0);
    QFile alarms(out.filePath("a.csv"));
    ASSERT_TRUE(alarms.open(QIODevice::ReadOnly));
    EXPECT_EQ(alarms.readAll(), "Line,Meter Address,Alarm,Came,Went,Duration (s),Acknowledged,"
                                "Acknowledged By\r\n");
    for (const auto& [arguments, code] : failures) {
        EXPECT_EQ(report(arguments), code);
        EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
    }
}

TEST_F(ReportCommand, TheWindowFillsItsTableAndChart) {
    ReportsWindow window(folder->path());
    window.findChild<QDateEdit*>("from")->setDate(QDate(2026, 10, 23));
    window.findChild<QDateEdit*>("to")->setDate(QDate(2026, 10, 24));
    window.show();
    QSignalSpy shown(&window, &ReportsWindow::reportShown);
    window.showReport();
    ASSERT_TRUE(shown.wait(30000));
    // Two days and a total for each of the three meters.
    const QAbstractItemModel* table = window.table()->model();
    ASSERT_EQ(table->rowCount(), 9);
    EXPECT_EQ(table->index(2, 2).data(), "Total");
    EXPECT_EQ(table->index(2, 4).data(), "288");
    const auto series = window.chartView()->chart()->series();
    ASSERT_EQ(series.size(), 1);
    EXPECT_EQ(static_cast<QBarSeries*>(series[0])->count(), 3);

    // Years by the hour: refused before any work, the table kept.
    window.findChild<QDateEdit*>("from")->setDate(QDate(2020, 1, 1));
    window.findChild<QComboBox*>("by")->setCurrentIndex(int(PeriodKind::Hour));
    window.showReport();
    EXPECT_TRUE(window.findChild<QLabel*>("status")->text().contains("more than the window shows"));
    EXPECT_EQ(table->rowCount(), 9);
    window.findChild<QDateEdit*>("from")->setDate(QDate(2026, 10, 23));

    // The journal over the same days, the unticked meter's alarm left out.
    for (const int meter : {1, 3})
        ASSERT_TRUE(folder->exec(
            QStringLiteral("insert into alarm_journal (line,address,alarm,came,went) values "
                           "(1,%1,'Empty Pipe Alarm',%2,%3)")
                .arg(meter)
                .arg(at(10, 23, 10))
                .arg(at(10, 23, 12))));
    window.findChild<QListWidget*>("meters")->item(2)->setCheckState(Qt::Unchecked);
    window.findChild<QComboBox*>("kind")->setCurrentIndex(1);
    window.showReport();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->index(0, 2).data(), "Empty Pipe Alarm");
    EXPECT_EQ(table->index(0, 5).data(), "7200");
    ASSERT_EQ(window.exportCsv(out.filePath("a.csv")), QString());
    QFile csv(out.filePath("a.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count("Empty Pipe Alarm"), 1);
}

// A day's consumption is kept by the broker for a subscriber that comes later.
TEST(DayConsumption, RetainedOnTheBroker) {
    if (Broker::program().isEmpty())
        GTEST_SKIP() << Broker::skipReason().toStdString();
    Broker broker;
    ASSERT_TRUE(broker.start());
    StartingDatabase::Options options{QList<int>{1}, {}, {}, {}, {}, 10, {}};
    options.publish =
        PublishSettings{true, "127.0.0.1", broker.port(), "plant", "s", "", "", "", 1};
    ProgramFolder folder(options);
    // Steady in June, whatever the zone.
    store(folder, 1, at(6, 8, 0), at(6, 12, 0), false, [](qint64, qint64 n) -> Step {
        return {100.0 + n, "m3"};
    });
    Station station(folder.path(), std::make_unique<FakeSerialPort>());
    ASSERT_TRUE(station.startUp().isOk());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return station.publisher().state() == Publisher::State::Connected; }, 15000));
    station.publishDayConsumption(QDate(2026, 6, 10));
    Subscriber subscriber(broker.port(), "plant/s/line/1/meter/1/consumption/day");
    ASSERT_TRUE(subscriber.waitFor([](const auto& got) { return !got.isEmpty(); }, 15000));
    const Subscriber::Message message = subscriber.messages().front();
    EXPECT_TRUE(message.retained);
    EXPECT_EQ(message.payload, R"({"date":"2026-06-10","forward":144,"net":72,"notes":"",)"
                               R"("reverse":72,"unit":"m3"})");
}

} // namespace
