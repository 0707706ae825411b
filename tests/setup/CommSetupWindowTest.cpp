#include "CommSetupWindow.h"
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "LineDialog.h"
#include "ProgramFolder.h"
#include "RecordInterval.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

class CommSetupWindowTest : public ::testing::Test {
protected:
    // A fresh window on meters 3 and 12, the settings row changed by `update`.
    void load(const QString& update = {}) {
        StartingDatabase::Options options;
        options.meters = QList<int>{3, 12};
        folder = std::make_unique<ProgramFolder>(options);
        ASSERT_TRUE(update.isEmpty() || folder->exec(update));
        port.calls.clear();
        window = std::make_unique<CommSetupWindow>(folder->path(), port, pollTimer, recordInterval,
                                                   [this] { ++reloads; });
    }

    template <typename T = QWidget> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    bool visible(const char* name) const { return child(name)->isVisibleTo(window.get()); }
    void type(const char* name, const QString& text) { child<QLineEdit>(name)->setText(text); }
    QString texts(std::initializer_list<const char*> names) const {
        QStringList all;
        for (const char* name : names)
            all << child(name)
                       ->property(child<QComboBox>(name) ? "currentText" : "text")
                       .toString();
        return all.join('|');
    }
    QString kente() const {
        return folder->rows("select com,settings,noe,timer,timesj from kente")[0];
    }

    std::unique_ptr<ProgramFolder> folder;
    FakeSerialPort port;
    IntervalTimer pollTimer;
    int reloads = 0;
    RecordInterval recordInterval;
    std::unique_ptr<CommSetupWindow> window;
};

TEST_F(CommSetupWindowTest, LoadShowsTheStoredRowAndModifyCarriesItIntoTheLists) {
    // A parity code outside the three shows nothing and leaves the list alone.
    for (auto [noe, shown, listed] : {std::tuple{2, "4|19200|EVEN|300", "com4|19200|EVEN|300"},
                                      {3, "4|19200||300", "com4|19200|NONE|300"}}) {
        load(QStringLiteral("update kente set com=4,settings='19200',noe=%1,timer=300,timesj=7,"
                            "keep_days=90")
                 .arg(noe));
        EXPECT_EQ(texts({"portLabel", "baudLabel", "parityLabel", "timeoutLabel"}), shown);
        EXPECT_EQ(texts({"brokerHost", "brokerPort", "topicPrefix", "keepDaysBox"}),
                  "localhost|1883|rx7100|90");
        EXPECT_EQ(recordInterval.text(), QStringLiteral("7"));
        EXPECT_FALSE(child("intervalBox")->isEnabled() || child("keepDaysBox")->isEnabled() ||
                     visible("lineSave") || visible("recordSave") ||
                     child("brokerHost")->isEnabled());
        window->modifyLineSettings();
        EXPECT_FALSE(visible("lineModify") || visible("portLabel"));
        EXPECT_EQ(texts({"portList", "baudList", "parityList", "timeoutBox"}), listed);
    }
}

// A timeout start-up could not read back is refused; a port that will not open stays
// stored. Either way: edit mode and the notice, which stays through a later good Save.
TEST_F(CommSetupWindowTest, SaveStoresTheRowThenReopensThePortOrRefusesATimeout) {
    const std::tuple<const char*, int, bool> cases[] = {
        {"150", 0, true},   {"150", PortError::NoSuchPort, true},
        {"32767", 0, true}, {"150", PortError::NoPermission, true},
        {"0", 0, true},     {"", 0, false},
        {"-1", 0, false},   {"32768", 0, false},
        {"1a", 0, false},   {"99999999999999999999", 0, false},
    };
    for (const auto& [timeout, openResult, stores] : cases) {
        SCOPED_TRACE(std::to_string(openResult) + timeout);
        load();
        port.openResult = openResult;
        pollTimer.setInterval(std::chrono::milliseconds(500));
        window->modifyLineSettings();
        child<QComboBox>("portList")->setCurrentText("com2");
        child<QComboBox>("baudList")->setCurrentText("19200");
        child<QComboBox>("parityList")->setCurrentText("ODD");
        type("timeoutBox", timeout);
        window->saveLineSettings();
        EXPECT_EQ(kente(), stores ? QStringLiteral("2|19200|1|%1|5").arg(timeout)
                                  : QStringLiteral("1|9600|0|500|5"));
        EXPECT_EQ(port.calls, stores ? QStringList({"close", "settings 19200,o,8,1", "open 2"})
                                     : QStringList());
        const bool applied = stores && openResult == 0;
        EXPECT_EQ(pollTimer.interval().count(), applied ? QString(timeout).toInt() : 500);
        EXPECT_EQ(window->isEditingLineSettings(), !applied);
        EXPECT_EQ(window->statusText(),
                  applied ? QString() : CommSetupWindow::portNotice(openResult));
    }
    type("timeoutBox", QStringLiteral("200"));
    window->saveLineSettings();
    EXPECT_EQ(kente(), QStringLiteral("2|19200|1|200|5"));
    EXPECT_EQ(window->statusText(), CommSetupWindow::invalidPortNotice());
}

TEST_F(CommSetupWindowTest, RecordFrameStoresOnlyWhatTheCounterCanReach) {
    // Interval, days and web address typed, then stored; the days and the
    // address are checked first, and all or none go.
    const std::tuple<const char*, const char*, const char*, const char*, QString> cases[] = {
        {"12", "30", " 0.0.0.0:9100", "12|30|0.0.0.0:9100", {}},
        {"0", "0", "", "0|0|", {}},
        {"", "30", "", "5|0|", CommSetupWindow::invalidIntervalNotice()},
        {"32768", "", "", "5|0|", CommSetupWindow::invalidKeepDaysNotice()},
        {"7", "36526", "", "5|0|", CommSetupWindow::invalidKeepDaysNotice()},
        {"7", "30", "pumphouse:9100", "5|0|", CommSetupWindow::invalidWebNotice()},
    };
    for (auto [interval, days, web, stored, notice] : cases) {
        load();
        window->modifyRecord();
        type("intervalBox", interval);
        type("keepDaysBox", days);
        type("webBox", web);
        EXPECT_EQ(recordInterval.text(), interval); // seen before it is saved
        window->saveRecord();
        EXPECT_EQ(folder->rows("select timesj,keep_days,http from kente"),
                  QStringList({QString::fromLatin1(stored)}));
        EXPECT_EQ(child("intervalBox")->isEnabled(), !notice.isEmpty());
        EXPECT_EQ(window->statusText(), notice);
    }
}

TEST_F(CommSetupWindowTest, ListChangesKeepItInOrderAndRefuseWhatIsNoMeter) {
    load();
    // Box text, added or deleted, list after, notice, live grid reloads so
    // far. A change takes the notice away; a duplicate is neither added nor told.
    const std::tuple<const char*, bool, const char*, bool, int> steps[] = {
        {"", true, "3,12", false, 0},         {"", false, "3,12", false, 0},
        {"0", true, "3,12", true, 0},         {"256", true, "3,12", true, 0},
        {"3 or 1=1", false, "3,12", true, 0}, {"5", true, "3,5,12", false, 1},
        {"5", true, "3,5,12", false, 2},      {"99", false, "3,5,12", false, 3},
    };
    for (const auto& [text, add, list, notice, reloaded] : steps) {
        type("addressBox", text);
        add ? window->addMeter() : window->deleteMeter();
        EXPECT_EQ(folder->column("select dizhi from yibiaodizhi order by dizhi").join(','), list);
        EXPECT_EQ(reloads, reloaded);
        EXPECT_EQ(window->statusText(),
                  notice ? CommSetupWindow::invalidAddressNotice() : QString());
    }
}

// Stored and handed on, or the notice and nothing stored; switched off, unfinished is fine.
TEST_F(CommSetupWindowTest, PublishFrameStoresAndHandsOnWhatCanBeUsed) {
    load();
    QSignalSpy handedOn(window.get(), &CommSetupWindow::publishSettingsSaved);
    const std::initializer_list<const char*> boxes{"brokerHost", "brokerPort", "topicPrefix",
                                                   "station",    "brokerUser", "brokerPassword"};
    const std::tuple<bool, const char*, const char*, const char*> cases[] = {
        {true, "b|1883|rx|a/b||", "0|localhost|1883|rx7100|||||1|0",
         "the station must be one topic level, without /, + or #"},
        {false, "|||||", "0||0||||||1|0", nullptr},
        {true, "host|8883|plant/rx|line4|me|pw", "1|host|8883|plant/rx|line4|me|||1|1", nullptr},
    };
    for (const auto& [enabled, entered, stored, notice] : cases) {
        window->modifyPublish();
        child<QCheckBox>("publishEnabled")->setChecked(enabled);
        child<QCheckBox>("publishDiscovery")->setChecked(enabled);
        const QStringList texts = QString::fromUtf8(entered).split('|');
        for (int i = 0; i < texts.size(); ++i)
            type(std::data(boxes)[i], texts[i]);
        window->savePublish();
        EXPECT_EQ(folder->rows("select * from publish"), QStringList{stored});
        EXPECT_EQ(visible("publishSave"), notice != nullptr);
        // Without a keyring the password goes to a file, which the notice names.
        const QString status = window->statusText();
        EXPECT_TRUE(notice ? status == CommSetupWindow::publishNotice(notice)
                           : status.isEmpty() || status.contains("mqtt-password"))
            << qPrintable(status);
    }
    EXPECT_EQ(handedOn.count(), 2); // what was stored
}

TEST(LineEntry, FieldsParseToALineOrANoticeNamingTheField) {
    const LineEntry good{"", "COM3", "19200", "EVEN", "200", "80", "7,1-3"};
    const std::tuple<int, LineEntry, const char*> cases[] = {
        {2, good, "Line 2|3|19200|2|200|80|1-3,7"},
        {2,
         {" Tank ", "/dev/serial/by-id/a", "9600", "NONE", "1", "1", ""},
         "Tank|/dev/serial/by-id/a|9600|0|1|1|"},
        {2,
         {"", "com11", "9600", "NONE", "1", "1", ""},
         "port \"com11\" is neither com1 to com10 nor a device path"},
        {1,
         {"", "/dev/ttyUSB0", "9600", "NONE", "1", "1", ""},
         "port \"/dev/ttyUSB0\" of line 1 is none of com1 to com10"},
        {2,
         {"", "tty", "9600", "NONE", "1", "1", ""},
         "port \"tty\" is neither comN (N from 1 to 255) nor a device path"},
        {2,
         {"", "com2", "9600", "NONE", "", "1", ""},
         "period \"\" is no whole number from 1 to 32767"},
        {2,
         {"", "com2", "9600", "NONE", "1", "1", "1;timeout=5"},
         "meters \"1;timeout=5\" holds a ';'"},
        {2,
         {"", "com2", "9600", "NONE", "1", "1", "3-1"},
         "meters \"3-1\" is no list of addresses from 1 to 255 such as 1-3,7"},
    };
    for (const auto& [number, entry, expected] : cases) {
        QString notice;
        const std::optional<StartingDatabase::Line> line = entry.parse(number, &notice);
        const StoredLine& s = line ? line->settings : StoredLine{};
        EXPECT_EQ(line
                      ? QStringList({s.name, s.port, s.baud, QString::number(s.parity),
                                     QString::number(s.pollPeriod), QString::number(s.replyTimeout),
                                     LineEntry::meterText(line->meters)})
                            .join('|')
                      : notice,
                  line ? expected : "Notice:Invalid line: " + QString(expected));
    }
}

// Add, Edit and Remove go through the dialog to the store, line 1 to its settings
// row and the address list; a bad field keeps the dialog open and stores nothing.
TEST_F(CommSetupWindowTest, LinesFrameAddsEditsAndRemovesStoredLines) {
    load();
    QSignalSpy changed(window.get(), &CommSetupWindow::linesChanged);
    auto* grid = child<QTableView>("lineGrid");
    const auto enter = [](LineDialog* dialog, const QString& texts) {
        const QStringList fields = texts.split('|');
        const char* names[] = {"lineName",   "linePort",    "lineBaud",  "lineParity",
                               "linePeriod", "lineTimeout", "lineMeters"};
        for (int i = 0; i < 7; ++i) {
            QWidget* field = dialog->findChild<QWidget*>(names[i]);
            field->setProperty(qobject_cast<QComboBox*>(field) ? "currentText" : "text", fields[i]);
        }
        dialog->accept();
    };
    const auto lines = [&] {
        return folder->rows("select number,name,port,baud,parity,poll_period,reply_timeout from "
                            "lines union all select 1,line_name,com,settings,noe,timer,"
                            "reply_timeout from kente order by 1");
    };
    const auto meters = [&] {
        return folder->rows("select line,group_concat(dizhi) from (select * from yibiaodizhi "
                            "order by line,dizhi) group by line");
    };
    grid->selectRow(0);
    EXPECT_FALSE(child("removeLine")->isEnabled());
    LineDialog* dialog = window->addLine();
    EXPECT_EQ(LineEntry::meterText({}), dialog->entry().meters);
    EXPECT_EQ(dialog->entry().port, "com2");
    enter(dialog, "Stage two|com11|19200|EVEN|200|80|1-3,7");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->noticeText().startsWith("Notice:Invalid line: port \"com11\""));
    EXPECT_EQ(lines().size(), 1);
    enter(dialog, "Stage two|/dev/serial/by-id/usb-a|19200|EVEN|200|80|1-3,7");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(lines(), QStringList({"1|Line 1|1|9600|0|500|150",
                                    "2|Stage two|/dev/serial/by-id/usb-a|19200|2|200|80"}));
    EXPECT_EQ(meters(), QStringList({"1|3,12", "2|1,2,3,7"}));
    EXPECT_EQ(grid->model()->index(1, 7).data(), "1-3,7");

    grid->selectRow(0);
    enter(window->editLine(), "Tank|com4|4800|ODD|300|90|3,5,8");
    EXPECT_EQ(kente(), "4|4800|1|300|5");
    EXPECT_EQ(lines().value(0), "1|Tank|4|4800|1|300|90");
    EXPECT_EQ(meters().value(0), "1|3,5,8");
    EXPECT_EQ(port.calls.last(), "open 4");
    EXPECT_EQ(texts({"portLabel", "timeoutLabel"}), "4|300");
    EXPECT_EQ(window->findChild<QTableView*>("addressGrid")->model()->rowCount(), 3);

    grid->selectRow(1);
    enter(window->editLine(), "|com2|9600|NONE|500|150|2-3,9");
    EXPECT_EQ(lines().value(1), "2|Line 2|2|9600|0|500|150");
    EXPECT_EQ(meters().value(1), "2|2,3,9");
    for (auto button : {QMessageBox::No, QMessageBox::Yes}) {
        QMessageBox* box = window->removeLine();
        EXPECT_EQ(box->text(), "Remove line 2 \"Line 2\" and its 3 meters?");
        box->button(button)->click();
    }
    EXPECT_EQ(lines().size(), 1);
    EXPECT_EQ(meters(), QStringList({"1|3,5,8"}));
    EXPECT_EQ(changed.count(), 4);

    for (int number = 2; number <= 16; ++number)
        folder->exec(
            QStringLiteral("insert into lines (number,port) values (%1,'%1')").arg(number));
    window->lineload();
    EXPECT_FALSE(child("addLine")->isEnabled());
    EXPECT_EQ(window->addLine(), nullptr);
}

// A gateway's fields, 502 and its timeout come with Modbus TCP; line 1 has no transport.
TEST_F(CommSetupWindowTest, LineDialogShowsTheChosenTransportsFields) {
    load();
    LineDialog* dialog = window->addLine();
    const auto shown = [&dialog](const char* name) {
        return dialog->findChild<QWidget*>(name)->isVisibleTo(dialog);
    };
    EXPECT_TRUE(shown("linePort") && !shown("lineHost") && !shown("lineGap"));
    dialog->findChild<QComboBox*>("lineTransport")->setCurrentText("Modbus TCP");
    EXPECT_TRUE(!shown("linePort") && shown("lineHost") && shown("lineGap"));
    EXPECT_EQ(dialog->entry().tcpPort + "|" + dialog->entry().timeout, "502|500");
    dialog->findChild<QLineEdit*>("lineHost")->setText("10.0.0.5");
    dialog->accept();
    auto* grid = child<QTableView>("lineGrid");
    EXPECT_EQ(grid->model()->index(1, 2).data(), "10.0.0.5:502 (Modbus TCP)");
    grid->selectRow(0);
    dialog = window->editLine();
    EXPECT_FALSE(shown("lineTransport"));
}

} // namespace
