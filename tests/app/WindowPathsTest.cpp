#include "BasicParameterWindow.h"
#include "HistoryWindow.h"
#include "LoginWindow.h"
#include "ParameterWindow.h"
#include "ToolTest.h"

#include <QPointer>
#include <QToolButton>

namespace {

using WindowPathsTest = ToolTest;

TEST_F(WindowPathsTest, ClosedSetupWindowLoadsAfreshAndTheMainWindowUnloadsEveryWindow) {
    start({1, 2});
    click("Communication Setup");
    click("lineModify", setup());
    click("recordModify", setup());
    type("intervalBox", "9"); // typed, not saved
    QPointer<CommSetupWindow> first = setup();
    station().cursor().moveTo(2); // the grid's second row
    first->close();
    EXPECT_EQ(setup(), nullptr);
    EXPECT_EQ(station().cursor().currentAddress(), 1);                 // the live grid was reloaded
    EXPECT_EQ(station().recordInterval().text(), QStringLiteral("5")); // the typed 9 went too
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    click("History");
    click("Meter Parameter Setup");
    window->loadedLoginWindow()->codeBox()->setText(QStringLiteral("7241"));
    window->loadedLoginWindow()->ok();
    click("Meter Parameter Setup");
    QTest::mouseClick(window->loadedLoginWindow()->basicButton(), Qt::LeftButton);
    ASSERT_TRUE(window->loadedBasicParameterWindow());
    click("Communication Setup");
    EXPECT_FALSE(setup()->isEditingLineSettings());
    EXPECT_FALSE(window->loadedHistoryWindow()->isVisible());
    folder->exec("insert into yibiaodizhi (dizhi) values (7)");
    window->close();
    EXPECT_EQ(window->liveGrid().index(2, 0).data(), "7"); // setup's closing step
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(setup() || window->loadedHistoryWindow() || window->loadedLoginWindow() ||
                 window->loadedParameterWindow() || window->loadedBasicParameterWindow());
}

TEST_F(WindowPathsTest, HistoryAndParameterSetupHideTheSetupWindowReloadingTheGridIfShown) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"History", true, true},
        {"History", false, true},
        {"Meter Parameter Setup", true, false},
        {"Meter Parameter Setup", false, false},
    };
    for (const auto& [name, shown, readingAfter] : cases) {
        SCOPED_TRACE(std::string(name) + (shown ? " shown" : " hidden"));
        start({1, 2, 3});
        click("Read Meter Data");
        click("Communication Setup");
        EXPECT_TRUE(setup()->isVisible() && !setup()->isModal() && station().isReading());
        if (!shown)
            setup()->hide();
        station().cursor().moveTo(3);
        click(name);
        EXPECT_EQ(station().cursor().currentAddress(), shown ? 1 : 3);
        ASSERT_NE(setup(), nullptr); // hidden, not closed
        EXPECT_FALSE(setup()->isVisible());
        EXPECT_EQ(station().isReading(), readingAfter);
    }
}

TEST_F(WindowPathsTest, SaveWhileStoppedSetsPollingGoingWithoutTouchingTheButtons) {
    start({1}, 250);
    click("Communication Setup");
    click("lineModify", setup());
    type("timeoutBox", "120");
    click("lineSave", setup());
    EXPECT_TRUE(station().pollTimer().isTicking());
    EXPECT_EQ(station().pollTimer().interval().count(), 120);
    EXPECT_FALSE(station().isReading() || station().snapshotTimer().isTicking());
    click("Read Meter Data"); // still the period read at start-up
    EXPECT_EQ(station().pollTimer().interval().count(), 250);
}

} // namespace
