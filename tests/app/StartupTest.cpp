#include "MessageBox.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "ToolTest.h"

namespace {

// Takes the message boxes' titles and texts instead of showing them.
class StartupTest : public ToolTest {
protected:
    void SetUp() override {
        MessageBox::setHandler([this](QWidget*, const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
    }
    void TearDown() override { MessageBox::setHandler({}); }
    QStringList titles, texts;
};

TEST_F(StartupTest, OpensThePortThenSetsTheStoredLineUnlessTheParityIsUnknown) {
    const std::tuple<int, QStringList, const char*> cases[] = {
        {1, {"open 3", "settings 19200,o,8,1"}, "19200,o,8,1"},
        {3, {"open 3"}, "9600,n,8,1"},
    };
    for (const auto& [noe, calls, line] : cases) {
        SCOPED_TRACE(noe);
        prepare({.meters = {},
                 .com = 3,
                 .settings = "19200",
                 .noe = noe,
                 .timer = 250,
                 .timesj = {},
                 .publish = {}});
        EXPECT_EQ(launch(), 0);
        EXPECT_EQ(port->calls, calls);
        EXPECT_EQ(port->lineSettings(), QString::fromLatin1(line));
        EXPECT_EQ(station().liveGrid().rowCount(), 1);
    }
    EXPECT_TRUE(texts.isEmpty());
}

TEST_F(StartupTest, FailuresShowOneMessageAndLeaveTheGridEmpty) {
    struct Case {
        const char* spoil; // nullptr: no database at all
        int openResult;
        const char* text;
        bool portOpened;
    };
    const Case cases[] = {
        {"update kente set timer=40000", 0, "Invalid serial port!6", false},
        {"update kente set timer='abc'", 0, "Invalid serial port!13", false},
        {"delete from kente", 0, "Invalid serial port!3021", false},
        {"drop table kente", 0, "Invalid serial port!3704", false},
        {"", PortError::PortBusy,
         "Invalid serial port!8005\r\nAnother program is using the serial port: close it, then "
         "try again.",
         false},
        {"", PortError::NoPermission,
         "Invalid serial port!8006\r\nThis user may not open the serial port: add your user to "
         "the dialout group, then log in again.",
         false},
        {"", PortError::CannotOpen, "Invalid serial port!8010", false},
        {"update kente set settings='fast'", 0, "Invalid serial port!8015", true},
        {nullptr, 0, "Invalid serial port!14", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        prepare({}, c.spoil != nullptr);
        if (c.spoil)
            folder->exec(c.spoil);
        titles.clear();
        texts.clear();
        launch(c.openResult);
        EXPECT_EQ(titles, QStringList({"Serial port error"}));
        EXPECT_EQ(texts, QStringList({c.text}));
        EXPECT_EQ(port->isOpen(), c.portOpened);
        EXPECT_EQ(station().liveGrid().rowCount(), 0);
    }
}

TEST_F(StartupTest, MissingRealPortGivesCode8002) {
    // The real port with nothing behind com1 in any of the places it is looked for.
    prepare();
    QTemporaryDir nowhere;
    MainWindow real(folder->path(),
                    std::make_unique<QtSerialPort>(PortLocator(QStringList{
                        nowhere.filePath("ports/com%1"), nowhere.filePath("ttyUSB%2")})));
    EXPECT_EQ(real.load(), 8002);
    EXPECT_EQ(texts, QStringList({"Invalid serial port!\r\nError code:8002\r\nError cause:"}));
}

} // namespace
