#include "FakeSerialPort.h"
#include "LiveGridModel.h"
#include "MainStation.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"

#include <QTableView>
#include <gtest/gtest.h>

namespace {

// Takes the message box's text instead of showing it.
class CapturedMessages {
public:
    CapturedMessages() {
        MessageBox::setHandler([this](QWidget*, const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
    }
    ~CapturedMessages() { MessageBox::setHandler({}); }
    QStringList titles;
    QStringList texts;
};

struct Started {
    CapturedMessages messages;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<MainWindow> window;
    int code = 0;

    explicit Started(const ProgramFolder& folder, int openResult = PortError::None) {
        auto fake = std::make_unique<FakeSerialPort>();
        fake->openResult = openResult;
        port = fake.get();
        window = std::make_unique<MainWindow>(folder.path(), std::move(fake));
        code = window->load();
    }
    LiveGridModel& grid() { return window->station().liveGrid(); }
};

StartingDatabase::Options settings(std::optional<int> noe, std::optional<QString> baud,
                                   std::optional<int> timer = {}) {
    StartingDatabase::Options options;
    options.noe = noe;
    options.settings = baud;
    options.timer = timer;
    return options;
}

TEST(Startup, OpensThePortWithTheStoredLineSettings) {
    StartingDatabase::Options options = settings(1, QStringLiteral("19200"), 250);
    options.com = 3;
    ProgramFolder folder(options);
    Started started(folder);
    EXPECT_EQ(started.code, 0);
    EXPECT_TRUE(started.messages.texts.isEmpty());
    EXPECT_EQ(started.port->calls, QStringList({"open 3", "settings 19200,o,8,1"}));
    EXPECT_EQ(started.window->station().pollPeriod(), 250);
    EXPECT_EQ(started.grid().rowCount(), 1);
}

TEST(Startup, ParityCodeOutsideTheListLeavesThePortDefaults) {
    ProgramFolder folder(settings(3, QStringLiteral("19200")));
    Started started(folder);
    EXPECT_EQ(started.code, 0);
    EXPECT_TRUE(started.messages.texts.isEmpty());
    EXPECT_EQ(started.port->lineSettings(), QStringLiteral("9600,n,8,1"));
}

TEST(Startup, FailuresShowOneMessageAndStopThere) {
    struct Case {
        const char* name;
        std::function<void(ProgramFolder&)> spoil;
        int openResult;
        QString text;
        bool portOpened;
    };
    const Case cases[] = {
        {"timer above 32767", [](ProgramFolder& f) { f.exec("update kente set timer=40000"); }, 0,
         "Invalid serial port!6", false},
        {"timer not a number", [](ProgramFolder& f) { f.exec("update kente set timer='abc'"); }, 0,
         "Invalid serial port!13", false},
        {"no settings row", [](ProgramFolder& f) { f.exec("delete from kente"); }, 0,
         "Invalid serial port!3021", false},
        {"no settings table", [](ProgramFolder& f) { f.exec("drop table kente"); }, 0,
         "Invalid serial port!3704", false},
        {"port missing", [](ProgramFolder&) {}, PortError::NoSuchPort,
         "Invalid serial port!\r\nError code:8002\r\nError cause:", false},
        {"port busy", [](ProgramFolder&) {}, PortError::PortBusy, "Invalid serial port!8005",
         false},
        {"baud text not a number",
         [](ProgramFolder& f) { f.exec("update kente set settings='fast'"); }, 0,
         "Invalid serial port!8015", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        c.spoil(folder);
        Started started(folder, c.openResult);
        EXPECT_EQ(started.messages.titles, QStringList({"Serial port error"}));
        EXPECT_EQ(started.messages.texts, QStringList({c.text}));
        EXPECT_EQ(started.port->isOpen(), c.portOpened);
        EXPECT_EQ(started.grid().rowCount(), 0); // the grid is never loaded
    }
}

TEST(Startup, MissingDatabaseGivesSQLiteCodeAndAnEmptyGrid) {
    ProgramFolder folder({}, false);
    Started started(folder);
    EXPECT_EQ(started.messages.texts, QStringList({"Invalid serial port!14"}));
    EXPECT_EQ(started.grid().rowCount(), 0);
    EXPECT_FALSE(started.port->isOpen());
    EXPECT_FALSE(QFileInfo::exists(folder.databasePath()));
}

TEST(Startup, MissingRealPortGivesCode8002) {
    // The real port with nothing behind com1 in any of the places it is looked for.
    ProgramFolder folder;
    QTemporaryDir nowhere;
    CapturedMessages messages;
    MainWindow window(folder.path(),
                      std::make_unique<QtSerialPort>(PortLocator(QStringList{
                          nowhere.filePath("ports/com%1"), nowhere.filePath("ttyUSB%2")})));
    EXPECT_EQ(window.load(), 8002);
    EXPECT_EQ(
        messages.texts,
        QStringList({QStringLiteral("Invalid serial port!\r\nError code:8002\r\nError cause:")}));
}

TEST(Startup, BlanksEveryReadingAndKeepsTheAddresses) {
    StartingDatabase::Options options;
    options.meters = QList<int>{11, 9, 10};
    ProgramFolder folder(options);
    folder.exec("update yibiaodizhi set MinuteAverage='1.00',danwei1='l/s',Foward='2.00',"
                "Reverse='3.00',danwei2='l',zhuangtai='Communication OK',liusu='1.00',"
                "baifenbi='2.00',dianzu='3.00',CreateTime='2026-01-01 00:00:00'");
    Started started(folder);
    EXPECT_EQ(folder.rows("select * from yibiaodizhi order by dizhi"),
              QStringList({"9||||||||||NULL", "10||||||||||NULL", "11||||||||||NULL"}));
    LiveGridModel& grid = started.grid();
    ASSERT_EQ(grid.rowCount(), 3);
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        shown << grid.index(row, 0).data().toString();
        for (int column = 1; column < LiveGridModel::ColumnCount; ++column)
            EXPECT_EQ(grid.index(row, column).data().toString(), QString());
    }
    EXPECT_EQ(shown, QStringList({"9", "10", "11"}));
    EXPECT_EQ(grid.currentAddress(), 9);
}

} // namespace
