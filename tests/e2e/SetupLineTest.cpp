#include "CommSetupWindow.h"
#include "SimulatedLine.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The meter address of each logged request.
QList<int> addressesOf(const QStringList& requests) {
    QList<int> addresses;
    for (const QString& hex : requests)
        addresses << hex.left(2).toInt(nullptr, 16);
    return addresses;
}

TEST(SetupOverALine, PollPeriodAndMeterListChangedWhileReadingReachTheLine) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2};
    options.timer = 40;
    ToolOnLine tool(options, {"--addresses", "1-3", "--baud", "115200", "--seed", "5"});
    ASSERT_TRUE(tool.load());
    tool.window->readMeterData();
    tool.window->communicationSetup();
    CommSetupWindow& setup = *tool.window->loadedCommSetupWindow();
    const auto press = [&](const char* name) {
        QTest::mouseClick(setup.findChild<QPushButton*>(name), Qt::LeftButton);
    };
    const auto saveTimeout = [&](const QString& milliseconds) {
        press("lineModify");
        setup.findChild<QLineEdit*>("timeoutBox")->setText(milliseconds);
        press("lineSave");
        return !setup.isEditingLineSettings();
    };
    const auto listChange = [&](const QString& address, const QString& button) {
        setup.findChild<QLineEdit*>("addressBox")->setText(address);
        for (QPushButton* b : setup.findChildren<QPushButton*>())
            if (b->text() == button)
                QTest::mouseClick(b, Qt::LeftButton);
    };
    const auto waitForRequests = [&](qsizetype from, int address, int times) {
        return QTest::qWaitFor(
            [&] { return addressesOf(tool.line.requests().mid(from)).count(address) >= times; },
            10000);
    };
    ASSERT_TRUE(waitForRequests(0, 2, 2));

    // A period of 0 stops polling; the list changes while nothing is asked.
    ASSERT_TRUE(saveTimeout("0")) << setup.statusText().toStdString();
    QTest::qWait(200); // a request already on its way lands in the log
    const qsizetype stopped = tool.line.requests().size();
    listChange("3", "Add");
    listChange("1", "Delete");
    QTest::qWait(300);
    EXPECT_EQ(tool.line.requests().size(), stopped);

    // A new period starts it again over the new list, from its lowest address.
    ASSERT_TRUE(saveTimeout("30")) << setup.statusText().toStdString();
    ASSERT_TRUE(waitForRequests(stopped, 3, 3));
    // Meter 3 answered and was stored. Waited for while polling goes on: at a
    // 30 ms period a slow machine may lose a few replies to the next tick.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !tool.folder.column("select MinuteAverage from yibiaodizhi where dizhi=3")
                        .value(0)
                        .isEmpty();
        },
        10000));
    tool.window->stopReading();

    const QList<int> asked = addressesOf(tool.line.requests().mid(stopped));
    ASSERT_GE(asked.size(), 5);
    for (int i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], i % 2 == 0 ? 2 : 3) << i;
    for (const QString& hex : tool.line.requests().mid(stopped))
        EXPECT_EQ(hex.mid(2, 10), QStringLiteral("0300000018")); // the real-time read
    // Meter 1 is gone from the list.
    EXPECT_EQ(tool.folder.column("select dizhi from yibiaodizhi order by dizhi"),
              QStringList({"2", "3"}));
}

} // namespace
