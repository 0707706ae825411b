#include "CommSetupWindow.h"
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "ProgramFolder.h"
#include "RecordInterval.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString PortNotice = QStringLiteral("Notice:Invalid serial port!");

class CommSetupWindowTest : public ::testing::Test {
protected:
    // A fresh window on meters 3 and 12, record interval 5.
    void load(StartingDatabase::Options options = {}) {
        window.reset();
        options.meters = options.meters.value_or(QList<int>{3, 12});
        options.timesj = options.timesj.value_or(5);
        folder = std::make_unique<ProgramFolder>(options);
        port.close();
        port.calls.clear();
        window = std::make_unique<CommSetupWindow>(folder->path(), port, pollTimer, recordInterval,
                                                   [this] { ++reloads; });
        window->show();
    }

    template <typename T = QWidget> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    bool visible(const char* name) const { return child(name)->isVisibleTo(window.get()); }
    // The view-mode labels: port, baud, parity, timeout.
    QString labels() const {
        QStringList texts;
        for (const char* name : {"portLabel", "baudLabel", "parityLabel", "timeoutLabel"})
            texts << child<QLabel>(name)->text();
        return texts.join('|');
    }
    QString kente() const {
        return folder->rows("select com,settings,noe,timer,timesj from kente")[0];
    }
    QStringList stored() const {
        return folder->column("select dizhi from yibiaodizhi order by dizhi");
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    // Saves com2, 19200 baud, odd parity and this timeout.
    void saveLine(const QString& timeout) {
        click("lineModify");
        child<QComboBox>("portList")->setCurrentText(QStringLiteral("com2"));
        child<QComboBox>("baudList")->setCurrentText(QStringLiteral("19200"));
        child<QComboBox>("parityList")->setCurrentText(QStringLiteral("ODD"));
        child<QLineEdit>("timeoutBox")->setText(timeout);
        click("lineSave");
    }
    void listChange(const QString& address, const QString& button) {
        child<QLineEdit>("addressBox")->setText(address);
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->text() == button)
                QTest::mouseClick(b, Qt::LeftButton);
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
    const std::tuple<int, const char*, const char*> cases[] = {{2, "4|19200|EVEN|300", "EVEN"},
                                                               {3, "4|19200||300", "NONE"}};
    for (const auto& [noe, shown, listed] : cases) {
        SCOPED_TRACE(noe);
        load({.meters = {},
              .com = 4,
              .settings = "19200",
              .noe = noe,
              .timer = 300,
              .timesj = 7,
              .publish = {}});
        EXPECT_EQ(labels(), shown);
        EXPECT_EQ(recordInterval.text(), QStringLiteral("7"));
        EXPECT_FALSE(child("intervalBox")->isEnabled() || visible("lineSave") ||
                     visible("recordSave"));
        click("lineModify");
        EXPECT_FALSE(visible("lineModify") || visible("portLabel"));
        EXPECT_EQ(child<QComboBox>("portList")->currentText(), QStringLiteral("com4"));
        EXPECT_EQ(child<QComboBox>("baudList")->currentText(), QStringLiteral("19200"));
        EXPECT_EQ(child<QComboBox>("parityList")->currentText(), listed);
        EXPECT_EQ(child<QLineEdit>("timeoutBox")->text(), QStringLiteral("300"));
    }
}

TEST_F(CommSetupWindowTest, SaveStoresTheRowThenReopensThePortOrRefusesATimeout) {
    // A timeout start-up could not read back is refused before anything is
    // stored; a port that will not open stays stored. Either way the Save
    // ends in edit mode with the notice.
    const std::tuple<const char*, int, bool> cases[] = {
        {"150", 0, true},   {"150", PortError::NoSuchPort, true},
        {"32767", 0, true}, {"0", 0, true},
        {"", 0, false},     {"32768", 0, false},
        {"1a", 0, false},   {"99999999999999999999", 0, false},
    };
    for (const auto& [timeout, openResult, stores] : cases) {
        SCOPED_TRACE(std::string(timeout) + " " + std::to_string(openResult));
        load();
        port.openResult = openResult;
        pollTimer.setInterval(std::chrono::milliseconds(500));
        const QString before = kente();
        saveLine(timeout);
        if (stores) {
            EXPECT_EQ(kente(), QStringLiteral("2|19200|1|%1|5").arg(timeout));
            EXPECT_EQ(labels(), QStringLiteral("2|19200|ODD|%1").arg(timeout));
            EXPECT_EQ(port.calls, QStringList({"close", "settings 19200,o,8,1", "open 2"}));
        } else {
            EXPECT_EQ(kente(), before);
            EXPECT_TRUE(port.calls.isEmpty());
        }
        const bool applied = stores && openResult == 0;
        EXPECT_EQ(port.isOpen(), applied);
        EXPECT_EQ(pollTimer.interval().count(), applied ? QString(timeout).toInt() : 500);
        EXPECT_EQ(window->isEditingLineSettings(), !applied);
        EXPECT_EQ(window->statusText(), applied ? QString() : PortNotice);
    }
    // How to fix a port that may not be opened follows the notice.
    load();
    port.openResult = PortError::NoPermission;
    saveLine("150");
    EXPECT_EQ(window->statusText(),
              PortNotice + " This user may not open the serial port: add your user to the "
                           "dialout group, then log in again.");
    EXPECT_TRUE(window->isEditingLineSettings());
    port.openResult = PortError::None;

    // The notice stays through a later good Save.
    load();
    saveLine("");
    child<QLineEdit>("timeoutBox")->setText(QStringLiteral("200"));
    click("lineSave");
    EXPECT_FALSE(window->isEditingLineSettings());
    EXPECT_EQ(kente(), QStringLiteral("2|19200|1|200|5"));
    EXPECT_EQ(window->statusText(), PortNotice);
}

TEST_F(CommSetupWindowTest, RecordFrameStoresOnlyWhatTheCounterCanReach) {
    const std::pair<const char*, const char*> cases[] = {
        {"12", "12"}, {"0", "0"}, {"", "5"}, {"32768", "5"}};
    for (const auto& [interval, stored] : cases) {
        SCOPED_TRACE(interval);
        load();
        click("recordModify");
        child<QLineEdit>("intervalBox")->setText(interval);
        EXPECT_EQ(recordInterval.text(), interval); // seen before it is saved
        click("recordSave");
        const bool saved = QString(stored) == interval;
        EXPECT_EQ(folder->column("select timesj from kente"), QStringList({stored}));
        EXPECT_EQ(child("intervalBox")->isEnabled(), !saved);
        EXPECT_EQ(visible("recordModify"), saved);
        EXPECT_EQ(window->statusText(),
                  saved ? QString() : QStringLiteral("Notice:Invalid record interval!"));
        EXPECT_TRUE(port.calls.isEmpty());
    }
}

TEST_F(CommSetupWindowTest, ListChangesKeepItInOrderAndRefuseWhatIsNoMeter) {
    load();
    // Box text, button, list after, notice, live grid reloaded.
    const std::tuple<const char*, const char*, const char*, bool, bool> steps[] = {
        {"", "Add", "3,12", false, false},       {"", "Delete", "3,12", false, false},
        {"0", "Add", "3,12", true, false},       {"256", "Add", "3,12", true, false},
        {"abc", "Add", "3,12", true, false},     {"3 or 1=1", "Delete", "3,12", true, false},
        {"5", "Add", "3,5,12", false, true}, // takes the notice away
        {"5", "Add", "3,5,12", false, true}, // a duplicate: nothing added, nothing said
        {"99", "Delete", "3,5,12", false, true},
    };
    for (const auto& [text, button, list, notice, reloaded] : steps) {
        SCOPED_TRACE(std::string(button) + " '" + text + "'");
        const int before = reloads;
        listChange(text, button);
        EXPECT_EQ(stored().join(','), list);
        EXPECT_EQ(reloads, before + reloaded);
        EXPECT_EQ(window->statusText(),
                  notice ? QStringLiteral("Notice:Invalid meter address!") : QString());
    }
    EXPECT_EQ(folder->rows("select * from yibiaodizhi where dizhi=5"),
              QStringList({"5||||||||||NULL"}));

    auto* grid = child<QTableView>("addressGrid");
    grid->selectRow(2); // picking a row fills the box
    EXPECT_EQ(child<QLineEdit>("addressBox")->text(), QStringLiteral("12"));
    listChange(child<QLineEdit>("addressBox")->text(), "Delete");
    EXPECT_EQ(stored(), QStringList({"3", "5"}));
    EXPECT_EQ(grid->model()->rowCount(), 2);
}

} // namespace

TEST_F(CommSetupWindowTest, PublishFrameShowsStoresAndHandsOnWhatCanBeUsed) {
    load();
    PublishSettings given;
    const auto listen = [this, &given] {
        QObject::connect(window.get(), &CommSetupWindow::publishSettingsSaved,
                         [&given](const PublishSettings& saved) { given = saved; });
    };
    const QString startingRow = QStringLiteral("0|localhost|1883|rx7100|||||1");
    const auto row = [this] { return folder->rows("select * from publish").value(0); };
    EXPECT_EQ(row(), startingRow);
    EXPECT_EQ(child<QLineEdit>("brokerPort")->text(), QStringLiteral("1883"));
    EXPECT_FALSE(child("brokerHost")->isEnabled() || visible("publishSave"));

    // Enabled, host, port, prefix, station, user, password; stored row or
    // nothing stored and the notice.
    const struct {
        bool enabled;
        const char* host;
        const char* port;
        const char* prefix;
        const char* station;
        const char* user;
        const char* password;
        const char* stored;
        const char* notice;
    } cases[] = {
        {true, "broker.plant", "8883", "plant/rx", "line'4", "me", "p\"w",
         "1|broker.plant|8883|plant/rx|line'4|me|p\"w||1", ""},
        // Each refusal of the settings' check shows; one is enough here.
        {true, "b", "1883", "rx", "a/b", "", "", nullptr, "the station must be one topic level"},
        // Switched off, the rest may stay unfinished.
        {false, "", "", "", "", "", "", "0||0||||||1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " " + c.port + " " + c.prefix + " " + c.station);
        load();
        listen();
        given = {};
        click("publishModify");
        EXPECT_TRUE(child("brokerHost")->isEnabled());
        child<QCheckBox>("publishEnabled")->setChecked(c.enabled);
        child<QLineEdit>("brokerHost")->setText(c.host);
        child<QLineEdit>("brokerPort")->setText(c.port);
        child<QLineEdit>("topicPrefix")->setText(c.prefix);
        child<QLineEdit>("station")->setText(c.station);
        child<QLineEdit>("brokerUser")->setText(c.user);
        child<QLineEdit>("brokerPassword")->setText(c.password);
        click("publishSave");
        if (c.stored) {
            EXPECT_EQ(row(), QString::fromUtf8(c.stored));
            EXPECT_EQ(given.host, QString::fromLatin1(c.host));
            EXPECT_EQ(given.enabled, c.enabled);
            EXPECT_FALSE(visible("publishSave"));
            EXPECT_EQ(window->statusText(), QString());
        } else {
            EXPECT_EQ(row(), startingRow);
            EXPECT_TRUE(given.host.isEmpty());
            EXPECT_TRUE(visible("publishSave"));
            EXPECT_TRUE(window->statusText().startsWith(
                CommSetupWindow::publishNotice(QString::fromLatin1(c.notice))));
        }
        EXPECT_TRUE(port.calls.isEmpty());
    }

    // A good Save takes the notice of a bad one away; the next load shows it.
    load();
    click("publishModify");
    child<QCheckBox>("publishEnabled")->setChecked(true);
    child<QLineEdit>("brokerPort")->setText("0");
    click("publishSave");
    EXPECT_FALSE(window->statusText().isEmpty());
    child<QLineEdit>("brokerPort")->setText("1884");
    click("publishSave");
    EXPECT_EQ(window->statusText(), QString());
    window =
        std::make_unique<CommSetupWindow>(folder->path(), port, pollTimer, recordInterval, [] {});
    EXPECT_EQ(child<QLineEdit>("brokerPort")->text(), QStringLiteral("1884"));
}
