#include "BasicParameterWindow.h"
#include "FakeSerialPort.h"
#include "HistoryWindow.h"
#include "LoginWindow.h"
#include "MainStation.h"
#include "MainWindow.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "ParameterWindow.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Records whether "Read Meter Data" showed at the moment the login window did.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(QPushButton* read) : m_read(read) {}
    std::optional<bool> readShownWhenLoginAppeared;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<LoginWindow*>(watched) &&
            !readShownWhenLoginAppeared)
            readShownWhenLoginAppeared = m_read->isVisible();
        return false;
    }

private:
    QPushButton* m_read;
};

class WindowPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartingDatabase::Options options;
        options.meters = QList<int>{1, 2};
        folder = std::make_unique<ProgramFolder>(options);
        auto fake = std::make_unique<FakeSerialPort>();
        port = fake.get();
        window = std::make_unique<MainWindow>(folder->path(), std::move(fake));
        ASSERT_EQ(window->load(), 0);
        window->show();
    }
    QPushButton* button(const QString& text) const {
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->text() == text && b->window() == window.get())
                return b;
        return nullptr;
    }
    void click(const QString& text) { QTest::mouseClick(button(text), Qt::LeftButton); }
    void logIn(const QString& code) {
        LoginWindow* login = window->loadedLoginWindow();
        login->codeBox()->setText(code);
        login->ok();
    }
    static void processDeletions() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<ProgramFolder> folder;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowPathsTest, ParameterSetupStopsReadingBeforeTheLoginAppears) {
    click("Read Meter Data");
    ShowWatcher watcher(button("Read Meter Data"));
    qApp->installEventFilter(&watcher);
    click("Meter Parameter Setup");
    qApp->removeEventFilter(&watcher);
    ASSERT_TRUE(window->loadedLoginWindow());
    EXPECT_TRUE(window->loadedLoginWindow()->isVisible());
    EXPECT_EQ(watcher.readShownWhenLoginAppeared, true);
    EXPECT_FALSE(window->station().isReading());
}

TEST_F(WindowPathsTest, FullCodeOpensTheParameterWindowWhichTakesBlockReplies) {
    click("Meter Parameter Setup");
    logIn(QStringLiteral("7241"));
    ParameterWindow* parameters = window->loadedParameterWindow();
    ASSERT_TRUE(parameters);
    EXPECT_TRUE(parameters->isVisible());
    EXPECT_FALSE(window->loadedLoginWindow()->isVisible());
    // Opening it set the line to the window's own settings.
    EXPECT_EQ(port->lineSettings(), QStringLiteral("9600,e,8,1"));

    // A block 1 reply arriving on the main window's port reaches its fields.
    port->deliver(replyFrame(44, {{28, u16(7)}}));
    const Parameter* damping = ParameterTable::find(QStringLiteral("Damping:"));
    ASSERT_TRUE(damping);
    EXPECT_EQ(parameters->form().text(*damping), QStringLiteral("7"));
}

TEST_F(WindowPathsTest, BasicWindowTalksAtTheMainLineAndTheFullAtItsOwn) {
    // As the main window's Save of 19200 baud, odd parity leaves the port.
    port->setLineSettings(QStringLiteral("19200,o,8,1"));
    click("Meter Parameter Setup");
    logIn(QStringLiteral("4626"));
    BasicParameterWindow* basic = window->loadedBasicParameterWindow();
    ASSERT_TRUE(basic);
    EXPECT_TRUE(basic->isVisible());
    basic->readButton()->click();
    EXPECT_EQ(port->lineSettings(), QStringLiteral("19200,o,8,1"));

    click("Meter Parameter Setup");
    logIn(QStringLiteral("7241"));
    ASSERT_TRUE(window->loadedParameterWindow());
    window->loadedParameterWindow()->readButton()->click();
    EXPECT_EQ(port->lineSettings(), QStringLiteral("9600,e,8,1"));

    // One block 3 reply fills both windows, the hidden serial box included;
    // the meter keeps the serial number last character first.
    port->deliver(replyFrame(60, {{48, QByteArray("10000017XR")}}));
    EXPECT_EQ(basic->serialNumberBox()->text(), QStringLiteral("RX71000001"));
    EXPECT_EQ(window->loadedParameterWindow()->form().text(ParameterTable::serialNumber()),
              QStringLiteral("RX71000001"));
}

TEST_F(WindowPathsTest, CornerButtonOpensTheBasicWindow) {
    click("Meter Parameter Setup");
    QTest::mouseClick(window->loadedLoginWindow()->basicButton(), Qt::LeftButton);
    ASSERT_TRUE(window->loadedBasicParameterWindow());
    EXPECT_TRUE(window->loadedBasicParameterWindow()->isVisible());
    EXPECT_FALSE(window->loadedParameterWindow());
}

TEST_F(WindowPathsTest, HistoryKeepsReadingAndCommunicationSetupHidesIt) {
    click("Read Meter Data");
    click("History");
    ASSERT_TRUE(window->loadedHistoryWindow());
    EXPECT_TRUE(window->loadedHistoryWindow()->isVisible());
    EXPECT_TRUE(window->station().isReading());
    click("Communication Setup");
    EXPECT_FALSE(window->loadedHistoryWindow()->isVisible());
    window->station().stopReading();
}

TEST_F(WindowPathsTest, ClosingTheMainWindowUnloadsEveryWindow) {
    click("History");
    click("Meter Parameter Setup");
    logIn(QStringLiteral("7241"));
    click("Meter Parameter Setup");
    logIn(QStringLiteral("4626"));
    click("Communication Setup");
    window->close();
    processDeletions();
    EXPECT_FALSE(window->loadedHistoryWindow());
    EXPECT_FALSE(window->loadedLoginWindow());
    EXPECT_FALSE(window->loadedParameterWindow());
    EXPECT_FALSE(window->loadedBasicParameterWindow());
    EXPECT_FALSE(window->loadedCommSetupWindow());
}

TEST_F(WindowPathsTest, ClosedWindowLoadsAfreshOnItsNextUse) {
    click("Meter Parameter Setup");
    window->loadedLoginWindow()->codeBox()->setText(QStringLiteral("12"));
    window->loadedLoginWindow()->close();
    processDeletions();
    EXPECT_FALSE(window->loadedLoginWindow());
    click("Meter Parameter Setup");
    EXPECT_EQ(window->loadedLoginWindow()->codeBox()->text(), QString());
}

} // namespace
