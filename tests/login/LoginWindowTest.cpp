#include "LoginWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct Shown {
    LoginWindow window;
    QSignalSpy basic{&window, &LoginWindow::basicRequested};
    QSignalSpy full{&window, &LoginWindow::fullRequested};
    Shown() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void type(const QString& text) {
        window.codeBox()->setFocus();
        QTest::keyClicks(window.codeBox(), text);
    }
};

TEST(Login, RightCodesOpenTheirWindowAndLeaveTheBoxEmpty) {
    struct Case {
        const char* code;
        int basic;
        int full;
    };
    for (const Case& c : {Case{"4626", 1, 0}, Case{"7241", 0, 1}}) {
        Shown s;
        s.type(QString::fromLatin1(c.code));
        EXPECT_TRUE(s.window.okButton()->hasFocus()) << c.code;
        QTest::keyClick(s.window.okButton(), Qt::Key_Return);
        EXPECT_EQ(s.basic.count(), c.basic) << c.code;
        EXPECT_EQ(s.full.count(), c.full) << c.code;
        EXPECT_FALSE(s.window.isVisible());
        EXPECT_EQ(s.window.codeBox()->text(), QString());
        EXPECT_EQ(s.window.statusText(), QString());
    }
}

TEST(Login, WrongCodesGiveTheNoticeAndKeepTheText) {
    for (const char* code : {"", "1234", "07241", "72410", "462"}) {
        Shown s;
        s.type(QString::fromLatin1(code));
        s.window.ok();
        EXPECT_EQ(s.window.statusText(), QStringLiteral("Notice: Worry password")) << code;
        EXPECT_EQ(s.window.codeBox()->text(), QString::fromLatin1(code));
        EXPECT_TRUE(s.window.isVisible());
        EXPECT_EQ(s.basic.count() + s.full.count(), 0);
    }
}

TEST(Login, CornerButtonOpensBasicAndKeepsAWrongCodeForNextTime) {
    Shown s;
    s.type(QStringLiteral("999"));
    s.window.ok();
    QTest::mouseClick(s.window.basicButton(), Qt::LeftButton);
    EXPECT_EQ(s.basic.count(), 1);
    EXPECT_FALSE(s.window.isVisible());
    s.window.show();
    EXPECT_EQ(s.window.codeBox()->text(), QStringLiteral("999"));
    EXPECT_EQ(s.window.statusText(), QStringLiteral("Notice: Worry password"));
}

TEST(Login, BoxTakesDigitsOnlyAndHidesThem) {
    Shown s;
    s.type(QStringLiteral("7a2-4 1"));
    EXPECT_EQ(s.window.codeBox()->text(), QStringLiteral("7241"));
    EXPECT_EQ(s.window.codeBox()->displayText(), QStringLiteral("****"));
}

TEST(Login, ControlsHaveNamesAndPicturesWithoutText) {
    LoginWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Login"));
    EXPECT_EQ(window.codeBox()->accessibleName(), QStringLiteral("Input password:"));
    EXPECT_EQ(window.okButton()->accessibleName(), QStringLiteral("OK"));
    EXPECT_EQ(window.basicButton()->accessibleName(), QStringLiteral("Basic parameter setup"));
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{window.okButton(), window.basicButton()}) {
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_FALSE(button->icon().isNull());
    }
}

} // namespace
