#include "MainWindow.h"
#include "FakeSerialPort.h"
#include "LiveGridModel.h"
#include "MainStation.h"
#include "ProgramFolder.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartingDatabase::Options options;
        options.meters = QList<int>{3, 1, 2};
        options.timer = 250;
        m_folder = std::make_unique<ProgramFolder>(options);
        auto port = std::make_unique<FakeSerialPort>();
        m_port = port.get();
        window = std::make_unique<MainWindow>(m_folder->path(), std::move(port));
        ASSERT_EQ(window->load(), 0);
        window->show();
    }

    QPushButton* button(const QString& text) const {
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    bool shown(const QString& text) const { return button(text)->isVisibleTo(window.get()); }
    MainStation& station() { return window->station(); }

    std::unique_ptr<ProgramFolder> m_folder;
    FakeSerialPort* m_port = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, CaptionButtonsAndNames) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("RX7100 PC TOOL Ver0.17"));
    const QStringList order{"Read Meter Data", "Communication Setup", "Meter Parameter Setup",
                            "History", "Exit"};
    int lastX = -1;
    for (const QString& text : order) {
        QPushButton* b = button(text);
        ASSERT_NE(b, nullptr) << text.toStdString();
        EXPECT_EQ(b->accessibleName(), text);
        EXPECT_GT(b->x(), lastX) << text.toStdString();
        lastX = b->x();
    }
    EXPECT_FALSE(shown("Stop Reading"));
    EXPECT_FALSE(window->liveGridView()->accessibleName().isEmpty());
}

TEST_F(MainWindowTest, GridCaptionsWidthsAndReadOnlyColumns) {
    const QStringList captions{"Meter Address",
                               "Flow Rate",
                               "Flow Rate Unit",
                               "Flow Totalizer",
                               "Totalizer Unit",
                               "Alarm Status",
                               "Flow Speed (m/s)",
                               "Span Percentage (%)",
                               "Electrode Impedance (ohm)",
                               "Time"};
    const int widths[] = {1400, 1000, 1400, 1400, 1400, 5000, 1700, 1800, 2200, 3000};
    QTableView* view = window->liveGridView();
    auto* model = view->model();
    ASSERT_EQ(model->columnCount(), 10);
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_EQ(view->columnWidth(c),
                  std::max(widths[c] / 15, view->horizontalHeader()->sectionSizeHint(c)));
        EXPECT_GE(view->columnWidth(c), widths[c] / 15);
        EXPECT_FALSE(model->flags(model->index(0, c)) & Qt::ItemIsEditable);
    }
    // A reload keeps the widths.
    station().callDataGrid1();
    EXPECT_EQ(view->columnWidth(5), 5000 / 15);
    EXPECT_GE(view->columnWidth(8), view->horizontalHeader()->sectionSizeHint(8));
}

TEST_F(MainWindowTest, ReadStopAndParameterSetupMoveBetweenStates) {
    IntervalTimer& poll = station().pollTimer();
    IntervalTimer& snapshot = station().snapshotTimer();
    EXPECT_EQ(poll.interval(), 0);
    EXPECT_FALSE(snapshot.isEnabled());
    EXPECT_FALSE(poll.isTicking());

    QTest::mouseClick(button("Read Meter Data"), Qt::LeftButton);
    EXPECT_TRUE(shown("Stop Reading"));
    EXPECT_FALSE(shown("Read Meter Data"));
    EXPECT_EQ(poll.interval(), 250);
    EXPECT_TRUE(poll.isTicking());
    EXPECT_TRUE(snapshot.isEnabled());
    EXPECT_EQ(snapshot.interval(), 60000);
    EXPECT_TRUE(snapshot.isTicking());

    QTest::mouseClick(button("Stop Reading"), Qt::LeftButton);
    EXPECT_TRUE(shown("Read Meter Data"));
    EXPECT_FALSE(shown("Stop Reading"));
    EXPECT_EQ(poll.interval(), 0);
    EXPECT_FALSE(poll.isTicking());
    EXPECT_FALSE(snapshot.isEnabled());
    EXPECT_EQ(snapshot.interval(), 0);

    QTest::mouseClick(button("Read Meter Data"), Qt::LeftButton);
    QTest::mouseClick(button("Meter Parameter Setup"), Qt::LeftButton);
    EXPECT_TRUE(shown("Read Meter Data"));
    EXPECT_FALSE(poll.isTicking());
    EXPECT_FALSE(snapshot.isTicking());
}

TEST_F(MainWindowTest, HintsStayInTheStatusBar) {
    const std::pair<const char*, const char*> hints[] = {
        {"Communication Setup", "Notice:Communication Setup"},
        {"Read Meter Data", "Notice:Connect Meter"},
        {"Meter Parameter Setup", "Notice:Meter Parameter Setup"},
        {"History", "Notice:History"},
        {"Exit", "Notice:Exit"},
    };
    for (const auto& [text, hint] : hints) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button(text), &enter);
        EXPECT_EQ(window->statusText(), QString::fromLatin1(hint));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button(text), &leave);
        EXPECT_EQ(window->statusText(), QString::fromLatin1(hint));
    }
}

TEST_F(MainWindowTest, GridRowIsThePollCursor) {
    LiveGridModel& grid = station().liveGrid();
    EXPECT_EQ(grid.currentAddress(), 1);
    QTableView* view = window->liveGridView();
    view->selectRow(2);
    EXPECT_EQ(grid.currentAddress(), 3);
    grid.moveToNext();
    EXPECT_EQ(view->currentIndex().row(), 0);
    station().callDataGrid1();
    EXPECT_EQ(grid.currentAddress(), 1);
}

} // namespace
