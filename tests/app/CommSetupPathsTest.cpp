#include "CommSetupWindow.h"
#include "FakeSerialPort.h"
#include "LiveGridModel.h"
#include "MainStation.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PollingCycle.h"
#include "ProgramFolder.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList column0(const QAbstractItemModel& model) {
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list << model.index(row, 0).data().toString();
    return list;
}

// The main window and its "Communication setup" window, on a fake port.
class CommSetupPathsTest : public ::testing::Test {
protected:
    void start(QList<int> meters, int timesj = 5) {
        StartingDatabase::Options options;
        options.meters = meters;
        options.timer = 250;
        options.timesj = timesj;
        folder = std::make_unique<ProgramFolder>(options);
        auto fake = std::make_unique<FakeSerialPort>();
        port = fake.get();
        window = std::make_unique<MainWindow>(folder->path(), std::move(fake));
        ASSERT_EQ(window->load(), 0);
        window->show();
    }
    // A visible button of the main window by its text, else one of the
    // setup window by its text or object name.
    void click(const QString& text) {
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            QWidget* top = b->window();
            if ((top == window.get() || (top == setup() && b->objectName().isEmpty())) &&
                b->text() == text && b->isVisibleTo(top))
                return QTest::mouseClick(b, Qt::LeftButton);
        }
        QTest::mouseClick(setup()->findChild<QPushButton*>(text), Qt::LeftButton);
    }
    void type(const char* box, const QString& text) {
        setup()->findChild<QLineEdit*>(box)->setText(text);
    }
    CommSetupWindow* setup() const { return window->loadedCommSetupWindow(); }
    MainStation& station() { return window->station(); }
    QStringList live() { return column0(station().liveGrid()); }
    int history() const { return folder->column("select count(*) from Historydata")[0].toInt(); }

    std::unique_ptr<ProgramFolder> folder;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(CommSetupPathsTest, HistoryAndParameterSetupReloadTheGridOnlyWhenTheWindowIsVisible) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"History", true, true},
        {"History", false, true},
        {"Meter Parameter Setup", true, false},
        {"Meter Parameter Setup", false, false},
    };
    for (const auto& [button, shown, readingAfter] : cases) {
        SCOPED_TRACE(std::string(button) + (shown ? " shown" : " hidden"));
        start({1, 2, 3});
        click("Read Meter Data");
        click("Communication Setup");
        EXPECT_TRUE(setup()->isVisible() && !setup()->isModal() && station().isReading());
        if (!shown)
            setup()->hide();
        station().liveGrid().setCurrentRow(2);
        click(button);
        EXPECT_EQ(station().liveGrid().currentAddress(), shown ? 1 : 3);
        ASSERT_NE(setup(), nullptr); // hidden, not closed
        EXPECT_FALSE(setup()->isVisible());
        EXPECT_EQ(station().isReading(), readingAfter);
    }
}

TEST_F(CommSetupPathsTest, AddedMeterIsListedInBothGridsAndPolledFromTheLowest) {
    start({3, 12});
    click("Communication Setup");
    station().polling().tick(); // the cursor has moved on to 12
    type("addressBox", "5");
    click("Add");
    EXPECT_EQ(column0(*setup()->findChild<QTableView*>("addressGrid")->model()),
              QStringList({"3", "5", "12"}));
    EXPECT_EQ(live(), QStringList({"3", "5", "12"}));
    station().polling().tick();
    QList<int> asked;
    for (const QByteArray& frame : port->written)
        asked << static_cast<std::uint8_t>(frame.at(0));
    EXPECT_EQ(asked, QList<int>({3, 3}));
}

TEST_F(CommSetupPathsTest, SaveWhileStoppedSetsPollingGoingWithoutTouchingTheButtons) {
    start({1});
    click("Communication Setup");
    port->calls.clear();
    click("lineModify");
    type("timeoutBox", "120");
    click("lineSave");
    EXPECT_EQ(port->calls, QStringList({"close", "settings 9600,n,8,1", "open 1"}));
    EXPECT_TRUE(station().pollTimer().isTicking());
    EXPECT_EQ(station().pollTimer().interval(), 120);
    EXPECT_FALSE(station().isReading() || station().snapshotTimer().isTicking());
    click("Read Meter Data"); // still the period read at start-up
    EXPECT_EQ(station().pollTimer().interval(), 250);
}

TEST_F(CommSetupPathsTest, RefusedTimeoutKeepsTheNextStartUpWorking) {
    start({1});
    click("Communication Setup");
    click("lineModify");
    type("timeoutBox", "40000");
    click("lineSave");
    EXPECT_EQ(setup()->statusText(), QStringLiteral("Notice:Invalid serial port!"));
    window.reset();
    QStringList messages;
    MessageBox::setHandler(
        [&](QWidget*, const QString&, const QString& text) { messages << text; });
    MainWindow again(folder->path(), std::make_unique<FakeSerialPort>());
    EXPECT_EQ(again.load(), 0);
    MessageBox::setHandler({});
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(CommSetupPathsTest, ClosedWindowLoadsAfreshOnItsNextUse) {
    start({1, 2});
    click("Communication Setup");
    click("lineModify");
    click("recordModify");
    type("intervalBox", "9"); // typed, not saved
    QPointer<CommSetupWindow> first = setup();
    station().liveGrid().setCurrentRow(1);
    first->close();
    EXPECT_EQ(setup(), nullptr);
    EXPECT_EQ(station().liveGrid().currentAddress(), 1); // the live grid was reloaded
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    click("Communication Setup");
    EXPECT_EQ(setup()->recordIntervalText(), QStringLiteral("5"));
    EXPECT_FALSE(setup()->isEditingLineSettings());
}

TEST_F(CommSetupPathsTest, ClosingTheMainWindowRunsTheSetupWindowsClosingSteps) {
    // Shown, hidden by "History", or loaded hidden by the snapshot timer.
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"shown", [this] { click("Communication Setup"); }},
        {"hidden",
         [this] {
             click("Communication Setup");
             click("History");
         }},
        {"never shown", [this] { station().snapshotTick(); }},
    };
    for (const auto& [name, load] : cases) {
        SCOPED_TRACE(name);
        start({1, 2});
        load();
        QPointer<CommSetupWindow> loaded = setup();
        folder->exec("insert into yibiaodizhi (dizhi) values (7)");
        window->close();
        EXPECT_EQ(live(), QStringList({"1", "2", "7"}));
        EXPECT_EQ(setup(), nullptr);
        window.reset(); // destroys a window still waiting for deletion first
        EXPECT_TRUE(loaded.isNull());
    }
}

TEST_F(CommSetupPathsTest, SnapshotTickReadsTheBoxLoadingTheWindowHidden) {
    start({1, 2, 3}, 2);
    click("Read Meter Data");
    station().snapshotTick();
    ASSERT_NE(setup(), nullptr);
    EXPECT_FALSE(setup()->isVisible());
    station().snapshotTick();
    EXPECT_EQ(history(), 3);

    click("recordModify");
    type("intervalBox", "1"); // counts from the next tick, saved or not
    station().snapshotTick();
    EXPECT_EQ(history(), 6);
    type("intervalBox", "");
    for (int minute = 0; minute < 40000; ++minute)
        station().snapshotTick();
    EXPECT_EQ(history(), 6);
    EXPECT_EQ(station().minuteCounter(), 32767);
    click("Stop Reading"); // only start-up and a snapshot reset the count
    click("Read Meter Data");
    EXPECT_EQ(station().minuteCounter(), 32767);
}

} // namespace
