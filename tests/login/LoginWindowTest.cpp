#include "LoginWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A shown login window with the code typed into its box.
struct Typed {
    LoginWindow window;
    QSignalSpy basic{&window, &LoginWindow::basicRequested};
    QSignalSpy full{&window, &LoginWindow::fullRequested};
    explicit Typed(const char* code) {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        window.codeBox()->setFocus();
        QTest::keyClicks(window.codeBox(), QString::fromLatin1(code));
    }
};

TEST(Login, RightCodesOpenTheirWindowAndLeaveTheBoxEmpty) {
    // The box takes digits only and hides them.
    for (const auto& [code, basic, full] :
         {std::tuple{"4626", 1, 0}, std::tuple{"7a2-4 1", 0, 1}}) {
        SCOPED_TRACE(code);
        Typed t(code);
        EXPECT_EQ(t.window.codeBox()->displayText(), QStringLiteral("****"));
        EXPECT_TRUE(t.window.okButton()->hasFocus());
        QTest::keyClick(t.window.okButton(), Qt::Key_Return);
        EXPECT_EQ(t.basic.count(), basic);
        EXPECT_EQ(t.full.count(), full);
        EXPECT_FALSE(t.window.isVisible());
        EXPECT_EQ(t.window.codeBox()->text(), QString());
    }
}

TEST(Login, WrongCodesGiveTheNoticeAndKeepTheTextAfterTheCornerButton) {
    for (const char* code : {"", "1234", "07241", "72410", "462"}) {
        SCOPED_TRACE(code);
        Typed t(code);
        t.window.ok();
        EXPECT_EQ(t.window.statusText(), "Notice: Worry password");
        EXPECT_EQ(t.window.codeBox()->text(), QString::fromLatin1(code));
        EXPECT_TRUE(t.window.isVisible());
        EXPECT_EQ(t.basic.count() + t.full.count(), 0);

        QTest::mouseClick(t.window.basicButton(), Qt::LeftButton);
        EXPECT_EQ(t.basic.count(), 1);
        EXPECT_FALSE(t.window.isVisible());
        t.window.show();
        EXPECT_EQ(t.window.codeBox()->text(), QString::fromLatin1(code));
        EXPECT_EQ(t.window.statusText(), "Notice: Worry password");
        t.window.codeBox()->setText(QStringLiteral("4626")); // a right code takes it away
        t.window.ok();
        EXPECT_EQ(t.window.statusText(), QString());
    }
}

} // namespace
