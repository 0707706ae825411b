#include "HistoryWindow.h"
#include "ProgramFolder.h"
#include "StoredTime.h"
#include "TrendWindow.h"

#include <QApplication>
#include <QChartView>
#include <QDate>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QString day(int offset) {
    static const QDate today = QDate::currentDate();
    return today.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

// Today's snapshots of meters 1 and 2 every ten minutes, a flow rate that
// climbs and one empty reading of meter 2 at noon; yesterday's of meter 1;
// two log rows today.
class ExportAndTrendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        QStringList rows;
        for (int minute = 0; minute < 24 * 60; minute += 10) {
            const QString time = day(0) + QTime(0, 0).addSecs(minute * 60).toString(" hh:mm:ss");
            for (const char* meter : {"1", "2"}) {
                const bool silent = meter[0] == '2' && minute == 12 * 60;
                rows << QStringLiteral("('%1','%2','m3/h','%3','m3','%4','%5')")
                            .arg(meter, silent ? "" : QString::number(minute / 10.0, 'f', 2),
                                 silent ? "" : QString::number(1000 + minute, 'f', 2),
                                 silent ? "" : "0.50", time);
            }
        }
        rows << QStringLiteral("('1','9.00','m3/h','1.00','m3','9.00','%1 12:00:00')").arg(day(-1));
        ASSERT_TRUE(folder.exec(
            "insert into Historydata (dizhi,MinuteAverage,danwei1,Foward,danwei2,liusu,CreateTime) "
            "values " +
            rows.join(',')));
        ASSERT_TRUE(folder.exec(QStringLiteral("insert into caozuo values "
                                               "(2,'S1','Damping:','3','7','%1 09:00:00'),"
                                               "(1,'S2','Language:','Chinese','English','%1 "
                                               "10:00:00')")
                                    .arg(day(0))));
        window = std::make_unique<HistoryWindow>(folder.path());
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
    const HistoryWindow::TabControls& tab(int index) const { return window->controls(index); }
    QList<TrendWindow*> trends() const { return window->findChildren<TrendWindow*>(); }
    QStringList fileLines() const {
        QFile file(target->path);
        if (!file.open(QIODevice::ReadOnly))
            return {"(no file)"};
        return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    QStringList gridColumn0(int index) const {
        QAbstractItemModel* model = tab(index).grid->model();
        while (model->canFetchMore({}))
            model->fetchMore({});
        QStringList values;
        for (int row = 0; row < model->rowCount(); ++row)
            values << model->index(row, 0).data().toString();
        return values;
    }

    ProgramFolder folder;
    QTemporaryDir out;
    std::optional<HistoryWindow::ExportTarget> target =
        HistoryWindow::ExportTarget{out.filePath("rows.csv"), CsvWriter::Separator::Semicolon};
    QStringList suggestions;
    std::optional<QString> meterAnswer;
    QStringList offered;
    std::unique_ptr<HistoryWindow> window;
};

TEST_F(ExportAndTrendTest, ExportWritesExactlyWhatSearchShowsOnEachTab) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {HistoryWindow::SnapshotTab, "2", "history-"},
        {HistoryWindow::SnapshotTab, "All", "history-"},
        {HistoryWindow::OperationLogTab, "S2", "operation-log-"},
    };
    for (const auto& [index, filter, name] : cases) {
        SCOPED_TRACE(filter);
        QFile::remove(target->path);
        tab(index).filter->setText(QString::fromLatin1(filter));
        QTest::mouseClick(tab(index).exportCsv, Qt::LeftButton);
        ASSERT_TRUE(window->runningExport(index));
        EXPECT_FALSE(tab(index).exportCsv->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->runningExport(index); }, 10000));
        EXPECT_TRUE(tab(index).exportCsv->isEnabled());
        EXPECT_TRUE(QFileInfo(suggestions.last()).fileName().startsWith(name));

        QTest::mouseClick(tab(index).search, Qt::LeftButton);
        const QStringList shown = gridColumn0(index);
        QStringList lines = fileLines();
        ASSERT_FALSE(lines.isEmpty());
        lines.removeFirst(); // the header
        QStringList exported;
        for (const QString& line : lines)
            exported << line.section(';', 0, 0);
        EXPECT_EQ(exported, shown);
        EXPECT_EQ(window->lastNotice(), QStringLiteral("Exported %1 rows.").arg(shown.size()));
    }
    // Meter 2's noon row has empty values; decimals are commas.
    EXPECT_EQ(fileLines().size(), 2);

    // A date that cannot be read asks nothing and writes nothing.
    QFile::remove(target->path);
    suggestions.clear();
    tab(HistoryWindow::SnapshotTab).to->setText(QStringLiteral("2026-02-30"));
    QTest::mouseClick(tab(HistoryWindow::SnapshotTab).exportCsv, Qt::LeftButton);
    EXPECT_TRUE(suggestions.isEmpty());
    EXPECT_FALSE(window->runningExport(HistoryWindow::SnapshotTab));
    EXPECT_TRUE(window->lastNotice().contains(QStringLiteral("yyyy-mm-dd")));
    EXPECT_FALSE(QFile::exists(target->path));
}

TEST_F(ExportAndTrendTest, TrendChartsTheFilterTheSelectedRowOrTheNamedMeter) {
    const HistoryWindow::TabControls& history = tab(HistoryWindow::SnapshotTab);
    EXPECT_EQ(tab(HistoryWindow::OperationLogTab).trend, nullptr);
    const auto press = [&] {
        const qsizetype before = trends().size();
        QTest::mouseClick(history.trend, Qt::LeftButton);
        return trends().size() > before ? trends().last() : nullptr;
    };

    history.filter->setText(QStringLiteral(" 2 "));
    TrendWindow* two = press();
    ASSERT_TRUE(two);
    EXPECT_EQ(two->shownData().rows, 144);
    EXPECT_EQ(two->shownData().flowRateUnit, QStringLiteral("m3/h"));

    // "All": the selected row's meter, without a question.
    history.filter->setText(QStringLiteral("All"));
    QTest::mouseClick(history.search, Qt::LeftButton);
    history.grid->selectRow(0);
    const QString selectedMeter = history.grid->model()->index(0, 0).data().toString();
    TrendWindow* selected = press();
    ASSERT_TRUE(selected);
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_EQ(selected->shownData().rows, 144) << selectedMeter.toStdString();

    // "All" and no row selected: the operator names one of the listed meters, or cancels.
    history.grid->clearSelection();
    meterAnswer = std::nullopt;
    EXPECT_EQ(press(), nullptr);
    EXPECT_EQ(offered, QStringList({"1"}));
    meterAnswer = QStringLiteral("1");
    TrendWindow* named = press();
    ASSERT_TRUE(named);
    EXPECT_EQ(named->shownData().rows, 144);
    EXPECT_EQ(named->shownData().lines[TrendData::FlowRate].size(), 1u);
}

TEST_F(ExportAndTrendTest, TrendZoomsReadsAgainResetsAndSavesAnImage) {
    tab(HistoryWindow::SnapshotTab).filter->setText(QStringLiteral("1"));
    QTest::mouseClick(tab(HistoryWindow::SnapshotTab).trend, Qt::LeftButton);
    ASSERT_EQ(trends().size(), 1);
    TrendWindow& chart = *trends().first();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&chart));
    const auto [first, last] = chart.shownSpan();
    EXPECT_EQ(last - first, 86400);
    EXPECT_EQ(chart.shownData().rows, 144);
    // The time below, a value axis for each series, the totalizer's on the right.
    QStringList axes;
    for (const QAbstractAxis* axis : chart.chartView()->chart()->axes())
        axes << QString::number(axis->alignment()) + axis->titleText();
    EXPECT_EQ(axes, QStringList({"64", "1Flow rate (m3/h)", "1Flow speed (m/s)",
                                 "2Forward totalizer (m3)"}));
    EXPECT_EQ(chart.chartView()->chart()->series().size(), 6); // a legend and a line each

    // Two hours: only their rows are read, at full detail.
    chart.showSpan(first + 3600, first + 3 * 3600);
    EXPECT_EQ(chart.shownSpan(), std::make_pair(first + 3600, first + 3 * 3600));
    EXPECT_EQ(chart.shownData().rows, 13);
    EXPECT_EQ(chart.shownData().lines[TrendData::FlowRate][0].size(), 13u);

    // A wheel notch forward zooms in around the pointer, then the span is read again.
    QWidget* viewport = chart.chartView()->viewport();
    const QPointF middle =
        chart.chartView()->mapFromScene(chart.chartView()->chart()->plotArea().center());
    QWheelEvent wheel(middle, viewport->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    const auto [zoomedFirst, zoomedLast] = chart.shownSpan();
    EXPECT_NEAR(double(zoomedLast - zoomedFirst), 0.8 * 7200, 2);
    EXPECT_GT(zoomedFirst, first + 3600);

    QTest::mouseClick(chart.resetButton(), Qt::LeftButton);
    EXPECT_EQ(chart.shownSpan(), std::make_pair(first, last));
    EXPECT_EQ(chart.shownData().rows, 144);

    const QString image = out.filePath(QStringLiteral("trend.png"));
    ASSERT_TRUE(chart.saveImage(image));
    EXPECT_EQ(QImage(image).size(), chart.chartView()->size());
}

} // namespace
