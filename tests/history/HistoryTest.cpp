#include "Checkpointer.h"
#include "Database.h"
#include "DeleteRunner.h"
#include "HistoryTab.h"
#include "HistoryWindow.h"
#include "ProgramFolder.h"
#include "TrendWindow.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QImage>
#include <QLegendMarker>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int Snapshots = HistoryWindow::SnapshotTab;
constexpr int Log = HistoryWindow::OperationLogTab;
using Controls = HistoryWindow::TabControls;
const QString All = QStringLiteral("All");

// Days around one fixed today, so a run across midnight still agrees.
QString day(int offset) {
    static const QDate today = QDate::currentDate();
    return today.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

// Waits for the tab's delete to end.
bool finishDelete(HistoryTab& tab) {
    return QSignalSpy(&tab, &HistoryTab::deleteFinished).wait(10000);
}

// Every row of a grid, fetched to its end, as "first column|time".
QStringList shown(QAbstractItemModel& model) {
    while (model.canFetchMore({}))
        model.fetchMore({});
    // The time: last but for the snapshots' line.
    int time = model.columnCount() - 1;
    time -= model.headerData(time, Qt::Horizontal).toString() == "Line";
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.index(row, 0).data().toString() + '|' +
                    model.index(row, time).data().toString();
    return rows;
}

// The snapshots tab on its own, its grid partly read while another connection (the main
// window's) goes on storing. More rows than the grid holds at once, a hundred a time.
TEST(HistoryTab, PartlyReadResultHoldsNoReadOpenAndReadsLetGoPagesAgain) {
    ProgramFolder folder;
    ASSERT_TRUE(folder.exec("insert into Historydata (dizhi,CreateTime) with recursive n(i) as "
                            "(select 0 union all select i+1 from n where i<4999) select "
                            "printf('%d', i % 100), '" +
                            day(0) + " 08:00:' || printf('%02d', i / 100) from n"));
    Database db(folder.path());
    Checkpointer checkpointer(folder.path(), std::chrono::milliseconds(0));
    HistoryTab tab(HistoryTable::snapshots(), HistoryTab::snapshotTexts(), db.connection(),
                   folder.path(), checkpointer);
    tab.search(day(0), day(1), All);
    ASSERT_TRUE(tab.model().canFetchMore({}));
    EXPECT_EQ(tab.model().headerData(0, Qt::Horizontal).toString(), "Meter Address");
    Database elsewhere(folder.path());
    const auto storeElsewhere = [&](const QString& key, const QString& time) {
        ASSERT_TRUE(QSqlQuery(elsewhere.connection())
                        .exec("insert into Historydata (dizhi,CreateTime) values ('" + key + "','" +
                              time + "')"));
    };
    // Commits never copy the log back; after a requested checkpoint the next commit restarts
    // it unless a read of the grid's holds on to it. The file is not cut back meanwhile.
    for (int row = 0; row < 3000; ++row)
        storeElsewhere(QString(600, QLatin1Char('x')), day(-2) + " 12:00:00");
    const QFileInfo log(folder.databasePath() + QStringLiteral("-wal"));
    const qint64 logged = log.size();
    ASSERT_GT(logged, 2500 * 4096);
    QSignalSpy caughtUp(&checkpointer, &Checkpointer::caughtUp);
    checkpointer.request();
    ASSERT_TRUE(caughtUp.wait(10000));
    storeElsewhere(QStringLiteral("B"), day(0) + " 23:00:00");
    QSqlQuery frames(elsewhere.connection());
    ASSERT_TRUE(frames.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && frames.next());
    EXPECT_LT(frames.value(1).toInt(), 100); // restarted: that one commit's frames
    EXPECT_EQ(QFileInfo(log.filePath()).size(), logged);

    // The grid still reads on to its end, its own rows, not the newer one; again after that.
    const QStringList rows = shown(tab.model());
    ASSERT_EQ(rows.size(), 5000);
    EXPECT_EQ(rows.first(), "0|" + day(0) + " 08:00:00");
    EXPECT_EQ(rows.last(), "99|" + day(0) + " 08:00:49");
    EXPECT_EQ(shown(tab.model()), rows);
    tab.search(day(0), day(1), All);
    EXPECT_EQ(shown(tab.model()).size(), 5001);
}

// Today's snapshots of meters 1 and 2 every ten minutes, two log rows today, one of each before.
class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Row i: meter i % 2 + 1 at ten-minute step i / 2.
        ASSERT_TRUE(folder.exec("insert into Historydata (dizhi,MinuteAverage,CreateTime) with "
                                "recursive n(i) as (select 0 union all select i+1 from n where "
                                "i<287) select i % 2 + 1, i / 2, datetime('" +
                                day(0) + "', '+' || (i / 2 * 600) || ' seconds') from n union " +
                                "all select '1', '9.00', '" + day(-1) + " 12:00:00'"));
        ASSERT_TRUE(folder.exec(QStringLiteral("insert into caozuo values "
                                               "(2,'S1','Damping:','3','7','%1 09:00:00'),"
                                               "(1,'S2','Language:','Chinese','English','%1 "
                                               "10:00:00'),(1,'S0','Damping:','1','2','%2')")
                                    .arg(day(0), day(-1) + " 12:00:00")));
        auto first = std::make_unique<HistoryWindow>(folder.path());
        window = std::make_unique<HistoryWindow>(folder.path());
        first.reset(); // leaves the second window's connection alone
        window->setQuestions({[this](QWidget*, const QString& suggested) {
                                  suggestions << suggested;
                                  return target;
                              },
                              [this](QWidget*, const QStringList& meters) {
                                  offered = meters;
                                  return meterAnswer;
                              }});
        window->show();
    }
    const Controls& tab(int index) const { return window->controls(index); }
    QList<TrendWindow*> trends() const { return window->findChildren<TrendWindow*>(); }

    ProgramFolder folder;
    QTemporaryDir out;
    std::optional<HistoryWindow::ExportTarget> target =
        HistoryWindow::ExportTarget{out.filePath("rows.csv"), CsvWriter::Separator::Semicolon};
    QStringList suggestions;
    std::optional<QString> meterAnswer;
    QStringList offered;
    std::unique_ptr<HistoryWindow> window;
};

TEST_F(HistoryWindowTest, BoxesDriveEachTabAndItsDelete) {
    for (int index : {Snapshots, Log}) {
        const Controls& c = tab(index);
        EXPECT_EQ(QStringList({c.date->text(), c.to->text(), c.filter->text()}),
                  QStringList({day(0), day(1), All}));
        EXPECT_FALSE(c.line && c.line->isVisible());               // one line: nothing to choose
        EXPECT_EQ(c.grid->isColumnHidden(11), index == Snapshots); // nor a line to show
        // Opened, it shows the oldest rows first.
        EXPECT_TRUE(shown(*c.grid->model()).value(0).endsWith(day(-1) + " 12:00:00"));
        QTest::mouseClick(c.search, Qt::LeftButton);
        EXPECT_EQ(shown(*c.grid->model()).size(), index == Snapshots ? 288 : 2);
        for (int column = 0; column < c.grid->model()->columnCount(); ++column)
            EXPECT_FALSE(c.grid->model()->index(0, column).flags() & Qt::ItemIsEditable);
    }

    // The typed filter reaches the delete; "Delete all" empties only its own table.
    tab(Snapshots).filter->setText(QStringLiteral("2"));
    QTest::mouseClick(tab(Snapshots).deleteRecord, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(window->tab(Snapshots)));
    EXPECT_EQ(folder.column("select distinct dizhi from Historydata"), QStringList({"1"}));
    QTest::mouseClick(tab(Log).deleteAll, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(window->tab(Log)));
    EXPECT_TRUE(tab(Log).deleteAll->isEnabled() && tab(Log).progress->isHidden());
    EXPECT_EQ(folder.column("select count(*) from caozuo"), QStringList({"0"}));

    // Another window's delete shows its progress and outlives a close.
    QPointer<HistoryWindow> closing = new HistoryWindow(folder.path());
    closing->setAttribute(Qt::WA_DeleteOnClose); // as the main window opens it
    closing->show();
    const Controls& c = closing->controls(Snapshots);
    QTest::mouseClick(c.deleteRecord, Qt::LeftButton);
    HistoryTab& running = closing->tab(Snapshots);
    ASSERT_TRUE(running.isDeleting());
    running.runningDelete()->setBatchRows(10);
    QSignalSpy progress(&running, &HistoryTab::deleteProgress);
    QSignalSpy finished(&running, &HistoryTab::deleteFinished);
    EXPECT_TRUE(c.progress->isVisible());
    for (QPushButton* button : {c.search, c.deleteRecord, c.deleteAll})
        EXPECT_FALSE(button->isEnabled());
    // The other tab goes on working meanwhile.
    EXPECT_TRUE(closing->controls(Log).search->isEnabled());

    // Closed mid-way it hides, carries the delete through, and then goes.
    ASSERT_TRUE(progress.wait(5000));
    EXPECT_TRUE(closing->close() == false && !closing->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing.isNull(); }, 10000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_GT(progress.count(), 2);
    EXPECT_EQ(folder.column("select count(*) from Historydata"), QStringList({"1"}));
}

// With a second line stored, the line chosen picks the snapshots search, export and delete take.
TEST_F(HistoryWindowTest, ExportWritesExactlyWhatSearchShowsOnEachTab) {
    ASSERT_TRUE(folder.exec("insert into lines (number,name) values (2,'Pumps')"));
    ASSERT_TRUE(folder.exec("update Historydata set line=2 where dizhi='2'"));
    window->hide(); // as while "Comm Setup" is open
    window->show();
    ASSERT_TRUE(tab(Snapshots).line->isVisible());
    tab(Snapshots).line->setCurrentIndex(tab(Snapshots).line->findText("2  Pumps"));
    const std::tuple<int, const char*, const char*, int> cases[] = {
        {Snapshots, "All", "history-", 144}, {Log, "S2", "operation-log-", 1}};
    for (const auto& [index, filter, name, count] : cases) {
        tab(index).filter->setText(QString::fromLatin1(filter));
        QTest::mouseClick(tab(index).exportCsv, Qt::LeftButton);
        ASSERT_TRUE(window->runningExport(index));
        EXPECT_FALSE(tab(index).exportCsv->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->runningExport(index); }, 10000));
        EXPECT_TRUE(tab(index).exportCsv->isEnabled());
        EXPECT_TRUE(QFileInfo(suggestions.last()).fileName().startsWith(name));

        QTest::mouseClick(tab(index).search, Qt::LeftButton);
        const qsizetype rows = shown(*tab(index).grid->model()).size();
        EXPECT_EQ(rows, count);
        if (index == Snapshots) { // each row's line, shown now that there are two
            EXPECT_FALSE(tab(index).grid->isColumnHidden(11));
            EXPECT_EQ(tab(index).grid->model()->index(0, 11).data().toString(), "2");
        }
        QFile file(target->path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        EXPECT_EQ(text.count('\n'), rows + 1);                    // and the header
        EXPECT_TRUE(text.left(text.indexOf('\n')).contains(';')); // the separator chosen
        EXPECT_EQ(window->lastNotice(), QStringLiteral("Exported %1 rows.").arg(rows));
    }

    QTest::mouseClick(tab(Snapshots).deleteRecord, Qt::LeftButton);
    ASSERT_TRUE(finishDelete(window->tab(Snapshots)));
    EXPECT_EQ(folder.column("select count(*) from Historydata"), QStringList({"145"}));

    // A date that cannot be read asks nothing and writes nothing.
    QFile::remove(target->path);
    suggestions.clear();
    tab(Snapshots).to->setText(QStringLiteral("2026-02-30"));
    QTest::mouseClick(tab(Snapshots).exportCsv, Qt::LeftButton);
    EXPECT_TRUE(suggestions.isEmpty() && !window->runningExport(Snapshots));
    EXPECT_TRUE(window->lastNotice().contains(QStringLiteral("yyyy-mm-dd")));
    EXPECT_FALSE(QFile::exists(target->path));
}

TEST_F(HistoryWindowTest, TrendChartsTheChosenMeterZoomsResetsAndSavesAnImage) {
    const Controls& history = tab(Snapshots);
    // Each span is read on a thread of its own, then drawn.
    const auto read = [](TrendWindow* trend, const std::function<void()>& ask) {
        QSignalSpy spy(trend, &TrendWindow::drawn);
        ask();
        return spy.wait(5000);
    };
    const auto press = [&]() -> TrendWindow* {
        const qsizetype before = trends().size();
        QTest::mouseClick(history.trend, Qt::LeftButton);
        TrendWindow* trend = trends().size() > before ? trends().last() : nullptr;
        return trend && read(trend, [] {}) ? trend : nullptr;
    };
    const auto rowsOf = [](TrendWindow* trend) { return trend ? trend->shownData().rows : -1; };

    history.filter->setText(QStringLiteral(" 2 "));
    EXPECT_EQ(rowsOf(press()), 144);
    // "All": the selected row's meter, without a question.
    history.filter->setText(All);
    QTest::mouseClick(history.search, Qt::LeftButton);
    history.grid->selectRow(0);
    EXPECT_EQ(rowsOf(press()), 144);
    EXPECT_TRUE(offered.isEmpty());

    // "All" and no row selected: the operator names one of the listed meters, or cancels.
    history.grid->clearSelection();
    EXPECT_EQ(press(), nullptr);
    EXPECT_EQ(offered, QStringList({"1"}));
    meterAnswer = QStringLiteral("1");
    TrendWindow* chart = press();
    ASSERT_TRUE(chart);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(chart));
    const auto [first, last] = chart->shownSpan();
    EXPECT_EQ(last - first, 86400);
    // The time below, a value axis for each series, the totalizer's on the right.
    QStringList axes;
    for (const QAbstractAxis* axis : chart->chartView()->chart()->axes())
        axes << QString::number(axis->alignment()) + axis->titleText();
    EXPECT_EQ(axes, QStringList({"64", "1Flow rate", "1Flow speed (m/s)", "2Forward totalizer"}));
    QApplication::processEvents(); // the legend laid out anew for the lines drawn
    qsizetype legends = 0;
    for (const QLegendMarker* marker : chart->chartView()->chart()->legend()->markers())
        legends += marker->isVisible() ? 1 : 0;
    EXPECT_EQ(legends, 3);

    // Two hours: only their rows are read, at full detail.
    ASSERT_TRUE(read(chart, [&] { chart->showSpan(first + 3600, first + 3 * 3600); }));
    EXPECT_EQ(chart->shownData().rows, 13);
    EXPECT_EQ(chart->shownData().lines[TrendData::FlowRate][0].size(), 13u);

    // A wheel notch forward zooms in around the pointer, then the span is read again.
    QWidget* viewport = chart->chartView()->viewport();
    const QPointF middle =
        chart->chartView()->mapFromScene(chart->chartView()->chart()->plotArea().center());
    QWheelEvent wheel(middle, viewport->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    const auto [zoomedFirst, zoomedLast] = chart->shownSpan();
    EXPECT_NEAR(double(zoomedLast - zoomedFirst), 0.8 * 7200, 2);
    EXPECT_GT(zoomedFirst, first + 3600);

    QTest::mouseClick(chart->resetButton(), Qt::LeftButton);
    EXPECT_EQ(chart->shownSpan(), std::make_pair(first, last));
    EXPECT_EQ(chart->shownData().rows, 144);
    // Each line once, none left from before the zoom, and a legend entry a series.
    qsizetype drawn = TrendData::SeriesCount;
    for (const auto& lines : chart->shownData().lines)
        drawn += qsizetype(lines.size());
    EXPECT_EQ(chart->chartView()->chart()->series().size(), drawn);
    const QString image = out.filePath(QStringLiteral("trend.png"));
    ASSERT_TRUE(chart->saveImage(image));
    EXPECT_EQ(QImage(image).size(), chart->chartView()->size());
}

} // namespace
