#include "CommSetupWindow.h"
#include "MainStation.h"
#include "MainWindow.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
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

struct SetupOnLine {
    ProgramFolder folder;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<MainWindow> window;

    SetupOnLine()
        : folder([] {
              StartingDatabase::Options options;
              options.meters = QList<int>{1, 2};
              options.timer = 40;
              return options;
          }()) {
        line = std::make_unique<SimulatedLine>(
            folder.path(), QStringList{"--addresses", "1-3", "--baud", "115200", "--seed", "5"});
        window = std::make_unique<MainWindow>(
            folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    }
    ~SetupOnLine() {
        window.reset(); // closes the port before the line goes away
        line.reset();
    }
    CommSetupWindow& setup() { return *window->loadedCommSetupWindow(); }
    void press(const char* objectName) {
        QTest::mouseClick(setup().findChild<QPushButton*>(objectName), Qt::LeftButton);
    }
    void saveTimeout(const QString& milliseconds) {
        press("lineModify");
        setup().findChild<QLineEdit*>("timeoutBox")->setText(milliseconds);
        press("lineSave");
    }
    void listChange(const QString& address, const QString& button) {
        setup().findChild<QLineEdit*>("addressBox")->setText(address);
        for (QPushButton* b : setup().findChildren<QPushButton*>())
            if (b->text() == button)
                QTest::mouseClick(b, Qt::LeftButton);
    }
    bool waitForRequests(qsizetype from, int address, int times) {
        return QTest::qWaitFor(
            [&] { return addressesOf(line->requests().mid(from)).count(address) >= times; }, 10000);
    }
};

TEST(SetupOverALine, PollPeriodAndMeterListChangedWhileReadingReachTheLine) {
    SetupOnLine tool;
    ASSERT_TRUE(tool.line->started());
    ASSERT_EQ(tool.window->load(), 0);
    tool.window->readMeterData();
    tool.window->communicationSetup();
    ASSERT_TRUE(tool.waitForRequests(0, 2, 2));

    // A period of 0 stops polling; the list changes while nothing is asked.
    tool.saveTimeout("0");
    ASSERT_FALSE(tool.setup().isEditingLineSettings()) << tool.setup().statusText().toStdString();
    QTest::qWait(200); // a request already on its way lands in the log
    const qsizetype stopped = tool.line->requests().size();
    tool.listChange("3", "Add");
    tool.listChange("1", "Delete");
    QTest::qWait(300);
    EXPECT_EQ(tool.line->requests().size(), stopped);

    // A new period starts it again over the new list, from its lowest address.
    tool.saveTimeout("30");
    ASSERT_FALSE(tool.setup().isEditingLineSettings()) << tool.setup().statusText().toStdString();
    ASSERT_TRUE(tool.waitForRequests(stopped, 3, 3));
    tool.window->stopReading();

    const QList<int> asked = addressesOf(tool.line->requests().mid(stopped));
    ASSERT_GE(asked.size(), 5);
    for (int i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], i % 2 == 0 ? 2 : 3) << i;
    for (const QString& hex : tool.line->requests().mid(stopped))
        EXPECT_EQ(hex.mid(2, 10), QStringLiteral("0300000018")); // the real-time read
    // Meter 3 answered and was stored; meter 1 is gone from the list.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !tool.folder.column("select MinuteAverage from yibiaodizhi where dizhi=3")
                        .value(0)
                        .isEmpty();
        },
        5000));
    EXPECT_EQ(tool.folder.column("select dizhi from yibiaodizhi order by dizhi"),
              QStringList({"2", "3"}));
}

} // namespace
