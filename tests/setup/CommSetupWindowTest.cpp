#include "CommSetupWindow.h"
#include "FakeSerialPort.h"
#include "IntervalTimer.h"
#include "ProgramFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QValidator>
#include <gtest/gtest.h>

namespace {

const QString PortNotice = QStringLiteral("Notice:Invalid serial port!");

class CommSetupWindowTest : public ::testing::Test {
protected:
    // A fresh window on meters 3 and 12, record interval 5.
    void load(StartingDatabase::Options options = {}) {
        delete window;
        options.meters = options.meters.value_or(QList<int>{3, 12});
        options.timesj = options.timesj.value_or(5);
        folder = std::make_unique<ProgramFolder>(options);
        port.calls.clear();
        window = new CommSetupWindow(folder->path(), port, pollTimer, [this] { ++reloads; });
        window->show();
    }
    void TearDown() override { delete window; }

    template <typename T = QWidget> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    bool visible(const char* name) const { return child(name)->isVisibleTo(window); }
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
    QStringList grid() const {
        QStringList list;
        auto* model = child<QTableView>("addressGrid")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            list << model->index(row, 0).data().toString();
        return list;
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void saveLine(const QString& com, const QString& baud, const QString& parity,
                  const QString& timeout) {
        click("lineModify");
        child<QComboBox>("portList")->setCurrentText(com);
        child<QComboBox>("baudList")->setCurrentText(baud);
        child<QComboBox>("parityList")->setCurrentText(parity);
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
    CommSetupWindow* window = nullptr;
};

TEST_F(CommSetupWindowTest, LoadShowsTheStoredRowAndModifyCarriesItIntoTheLists) {
    // A parity code outside the three shows nothing and leaves the list alone.
    const std::tuple<int, const char*, const char*> cases[] = {{2, "4|19200|EVEN|300", "EVEN"},
                                                               {3, "4|19200||300", "NONE"}};
    for (const auto& [noe, shown, listed] : cases) {
        SCOPED_TRACE(noe);
        load({.meters = {}, .com = 4, .settings = "19200", .noe = noe, .timer = 300, .timesj = 7});
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Communication setup"));
        EXPECT_EQ(labels(), shown);
        EXPECT_EQ(window->recordIntervalText(), QStringLiteral("7"));
        EXPECT_FALSE(child("intervalBox")->isEnabled());
        for (const char* edit : {"portList", "parityList", "timeoutBox", "lineSave", "recordSave"})
            EXPECT_FALSE(visible(edit)) << edit;
        EXPECT_EQ(grid(), QStringList({"3", "12"}));

        click("lineModify");
        EXPECT_TRUE(window->isEditingLineSettings());
        EXPECT_FALSE(visible("lineModify") || visible("portLabel"));
        EXPECT_EQ(child<QComboBox>("portList")->currentText(), QStringLiteral("com4"));
        EXPECT_EQ(child<QComboBox>("baudList")->currentText(), QStringLiteral("19200"));
        EXPECT_EQ(child<QComboBox>("parityList")->currentText(), listed);
        EXPECT_EQ(child<QLineEdit>("timeoutBox")->text(), QStringLiteral("300"));
    }
}

TEST_F(CommSetupWindowTest, SaveStoresTheRowBeforeReopeningThePort) {
    // A port that will not open stays stored; the Save ends there, in edit mode.
    const std::pair<int, int> cases[] = {{0, 150}, {PortError::NoSuchPort, 500}};
    for (const auto& [openResult, pollInterval] : cases) {
        SCOPED_TRACE(openResult);
        load();
        port.openResult = openResult;
        pollTimer.setInterval(500);
        saveLine("com2", "19200", "ODD", "150");
        EXPECT_EQ(kente(), QStringLiteral("2|19200|1|150|5"));
        EXPECT_EQ(labels(), QStringLiteral("2|19200|ODD|150"));
        EXPECT_EQ(port.calls, QStringList({"close", "settings 19200,o,8,1", "open 2"}));
        EXPECT_EQ(port.isOpen(), openResult == 0);
        EXPECT_EQ(pollTimer.interval(), pollInterval);
        EXPECT_EQ(window->isEditingLineSettings(), openResult != 0);
        EXPECT_EQ(window->statusText(), openResult ? PortNotice : QString());
    }
}

TEST_F(CommSetupWindowTest, SaveRefusesATimeoutStartUpCouldNotReadBack) {
    const std::pair<const char*, bool> cases[] = {{"", false},     {"32768", false},
                                                  {"1a", false},   {"99999999999999999999", false},
                                                  {"32767", true}, {"0", true}};
    for (const auto& [timeout, saved] : cases) {
        SCOPED_TRACE(timeout);
        load();
        pollTimer.setInterval(500);
        const QString before = kente();
        saveLine("com2", "19200", "ODD", timeout);
        EXPECT_EQ(window->isEditingLineSettings(), !saved);
        EXPECT_EQ(window->statusText(), saved ? QString() : PortNotice);
        EXPECT_EQ(pollTimer.interval(), saved ? QString(timeout).toInt() : 500);
        if (!saved) {
            EXPECT_EQ(kente(), before);
            EXPECT_TRUE(port.calls.isEmpty());
        }
    }
    // The notice stays through a later good Save.
    load();
    saveLine("com1", "9600", "NONE", "");
    child<QLineEdit>("timeoutBox")->setText(QStringLiteral("200"));
    click("lineSave");
    EXPECT_FALSE(window->isEditingLineSettings());
    EXPECT_EQ(kente(), QStringLiteral("1|9600|0|200|5"));
    EXPECT_EQ(window->statusText(), PortNotice);
}

TEST_F(CommSetupWindowTest, RecordFrameStoresOnlyWhatTheCounterCanReach) {
    const std::pair<const char*, const char*> cases[] = {
        {"12", "12"}, {"0", "0"}, {"", "5"}, {"32768", "5"}};
    for (const auto& [interval, stored] : cases) {
        SCOPED_TRACE(interval);
        load();
        click("recordModify");
        EXPECT_TRUE(child("intervalBox")->isEnabled());
        child<QLineEdit>("intervalBox")->setText(interval);
        EXPECT_EQ(window->recordIntervalText(), interval); // seen before it is saved
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

TEST_F(CommSetupWindowTest, AddAndDeleteKeepTheListInOrderAndReloadTheLiveGrid) {
    load();
    listChange("5", "Add");
    EXPECT_EQ(grid(), QStringList({"3", "5", "12"}));
    EXPECT_EQ(folder->rows("select * from yibiaodizhi where dizhi=5"),
              QStringList({"5||||||||||NULL"}));
    listChange("5", "Add"); // a duplicate: nothing added, nothing said
    EXPECT_EQ(stored(), QStringList({"3", "5", "12"}));

    child<QTableView>("addressGrid")->selectRow(2);
    EXPECT_EQ(child<QLineEdit>("addressBox")->text(), QStringLiteral("12"));
    listChange(child<QLineEdit>("addressBox")->text(), "Delete");
    listChange("99", "Delete"); // not listed
    EXPECT_EQ(grid(), QStringList({"3", "5"}));
    EXPECT_EQ(stored(), QStringList({"3", "5"}));
    EXPECT_EQ(window->statusText(), QString());
    EXPECT_EQ(reloads, 4);

    // A row put in by other means can still be picked and deleted.
    folder->exec("insert into yibiaodizhi (dizhi) values (0)");
    window->gridload();
    child<QTableView>("addressGrid")->selectRow(0);
    listChange(child<QLineEdit>("addressBox")->text(), "Delete");
    EXPECT_EQ(stored(), QStringList({"3", "5"}));
}

TEST_F(CommSetupWindowTest, AddressesThatAreNoMeterChangeNothing) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"", "Add", false},   {"", "Delete", false}, {"0", "Add", true},
        {"256", "Add", true}, {"abc", "Add", true},  {"3 or 1=1", "Delete", true},
    };
    for (const auto& [text, button, notice] : cases) {
        SCOPED_TRACE(std::string(button) + " '" + text + "'");
        load();
        const int before = reloads;
        listChange(text, button);
        EXPECT_EQ(stored(), QStringList({"3", "12"}));
        EXPECT_EQ(reloads, before);
        EXPECT_EQ(window->statusText(),
                  notice ? QStringLiteral("Notice:Invalid meter address!") : QString());
    }
    listChange("7", "Add"); // the next good change takes the notice away
    EXPECT_EQ(window->statusText(), QString());
}

TEST_F(CommSetupWindowTest, ControlsAreNamedAndBoxesTakeDigitsOnly) {
    load();
    for (QPushButton* b : window->findChildren<QPushButton*>())
        EXPECT_EQ(b->accessibleName(), b->text());
    EXPECT_FALSE(child("addressGrid")->accessibleName().isEmpty());
    for (const char* name :
         {"portList", "baudList", "parityList", "timeoutBox", "intervalBox", "addressBox"}) {
        QWidget* control = child(name);
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
        const QList<QLabel*> all = window->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](QLabel* label) {
            return label->buddy() == control;
        })) << name;
    }
    for (const char* name : {"timeoutBox", "intervalBox", "addressBox"}) {
        QString text = QStringLiteral("12a");
        int pos = 0;
        EXPECT_EQ(child<QLineEdit>(name)->validator()->validate(text, pos), QValidator::Invalid);
    }
}

} // namespace
