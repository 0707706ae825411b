#include "HistoryWindow.h"
#include "HistoryTab.h"
#include "ProgramFolder.h"

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString day(int offset) {
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

// Today's rows for meters 1 and 2 and serials S1 and S2, and an older row
// in each table.
void storeRows(const ProgramFolder& folder) {
    for (const QString key : {"1", "2"}) {
        folder.exec(QStringLiteral("insert into Historydata (dizhi,Foward,CreateTime) values "
                                   "('%1','12.50','%2 09:00:00')")
                        .arg(key, day(0)));
        folder.exec(QStringLiteral("insert into caozuo values (2,'S%1','Flow range','10','20',"
                                   "'%2 09:00:00')")
                        .arg(key, day(0)));
    }
    folder.exec("insert into Historydata (dizhi,CreateTime) values ('1','2020-01-01 00:00:00')");
    folder.exec("insert into caozuo values (1,'S1','Flow range','1','2','2020-01-01 00:00:00')");
}

TEST(HistoryWindow, LoadCaptionsWidthsAndNames) {
    ProgramFolder folder;
    storeRows(folder);
    HistoryWindow window(folder.path());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("History"));
    const HistoryTab::Texts* texts[] = {&HistoryTab::snapshotTexts(),
                                        &HistoryTab::operationLogTexts()};
    for (int tab : {HistoryWindow::SnapshotTab, HistoryWindow::OperationLogTab}) {
        const HistoryWindow::TabControls& c = window.controls(tab);
        EXPECT_EQ(window.tabs()->tabText(tab), texts[tab]->title);
        EXPECT_EQ(c.grid->accessibleName(), texts[tab]->title);
        EXPECT_EQ(c.date->text(), day(0));
        EXPECT_EQ(c.to->text(), day(1));
        EXPECT_EQ(c.filter->text(), QStringLiteral("All"));

        // Each box is named by its caption, whose label is its buddy.
        const QList<QLabel*> labels = window.tabs()->widget(tab)->findChildren<QLabel*>();
        for (QLineEdit* box : {c.date, c.to, c.filter}) {
            const auto label = std::find_if(labels.begin(), labels.end(),
                                            [&](QLabel* l) { return l->buddy() == box; });
            ASSERT_NE(label, labels.end());
            EXPECT_EQ(box->accessibleName(), (*label)->text());
        }
        EXPECT_EQ(c.filter->accessibleName(), texts[tab]->filterCaption);
        for (QPushButton* button : {c.search, c.deleteRecord, c.deleteAll})
            EXPECT_EQ(button->accessibleName(), button->text());

        // Captions and widths hold at load, oldest row first, and after a
        // new binding.
        QAbstractItemModel* model = c.grid->model();
        EXPECT_EQ(model->rowCount(), 3);
        EXPECT_EQ(model->index(0, model->columnCount() - 1).data().toString(),
                  QStringLiteral("2020-01-01 00:00:00"));
        for (bool searched : {false, true}) {
            if (searched)
                QTest::mouseClick(c.search, Qt::LeftButton);
            ASSERT_EQ(model->columnCount(), texts[tab]->captions.size());
            for (int column = 0; column < model->columnCount(); ++column) {
                EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(),
                          texts[tab]->captions[column]);
                const int twips = texts[tab]->widthsTwips[column];
                EXPECT_EQ(
                    c.grid->columnWidth(column),
                    std::max(twips / 15, c.grid->horizontalHeader()->sectionSizeHint(column)));
                EXPECT_FALSE(model->flags(model->index(0, column)) & Qt::ItemIsEditable);
            }
        }
    }
}

TEST(HistoryWindow, TypedFilterAndDeletesGoThroughTheBoxes) {
    ProgramFolder folder;
    storeRows(folder);
    HistoryWindow window(folder.path());
    const HistoryWindow::TabControls& history = window.controls(HistoryWindow::SnapshotTab);
    const HistoryWindow::TabControls& log = window.controls(HistoryWindow::OperationLogTab);

    history.filter->clear();
    QTest::keyClicks(history.filter, QStringLiteral("2"));
    QTest::mouseClick(history.search, Qt::LeftButton);
    ASSERT_EQ(history.grid->model()->rowCount(), 1);
    EXPECT_EQ(history.grid->model()->index(0, 3).data().toString(), QStringLiteral("12.50"));

    QTest::mouseClick(history.deleteRecord, Qt::LeftButton);
    EXPECT_EQ(folder.column("select dizhi from Historydata"), QStringList({"1", "1"}));
    EXPECT_EQ(history.grid->model()->rowCount(), 0);

    QTest::mouseClick(log.deleteAll, Qt::LeftButton);
    EXPECT_TRUE(folder.column("select * from caozuo").isEmpty());
    EXPECT_EQ(log.grid->model()->rowCount(), 0);
    EXPECT_EQ(folder.column("select * from Historydata").size(), 2);
}

TEST(HistoryWindow, TwoWindowsAndAMissingDatabase) {
    ProgramFolder folder;
    storeRows(folder);
    auto first = std::make_unique<HistoryWindow>(folder.path());
    HistoryWindow second(folder.path());
    first.reset();
    QTest::mouseClick(second.controls(0).search, Qt::LeftButton);
    EXPECT_EQ(second.controls(0).grid->model()->rowCount(), 2);

    ProgramFolder empty({}, false);
    HistoryWindow missing(empty.path());
    for (int tab : {HistoryWindow::SnapshotTab, HistoryWindow::OperationLogTab}) {
        const HistoryWindow::TabControls& c = missing.controls(tab);
        for (QPushButton* button : {c.search, c.deleteRecord, c.deleteAll})
            QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(c.grid->model()->rowCount(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(empty.databasePath()));
}

} // namespace
