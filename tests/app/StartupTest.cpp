#include "Database.h"
#include "MessageBox.h"
#include "ToolTest.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <optional>
#include <utility>

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
    const std::pair<int, QStringList> cases[] = {
        {1, {"open 3", "settings 19200,o,8,1"}},
        {3, {"open 3"}},
    };
    for (const auto& [noe, calls] : cases) {
        prepare({{}, 3, "19200", noe, 250, {}, {}}); // port 3 at 19200, polled every 250 ms
        EXPECT_EQ(launch(), 0);
        EXPECT_EQ(port->calls, calls) << noe;
        EXPECT_EQ(station().readings().count(), 1);
    }
    EXPECT_TRUE(texts.isEmpty());
}

TEST_F(StartupTest, FailuresShowOneMessageWithTheirCauseAndLeaveTheGridEmpty) {
    // A statement or what becomes of the file, what opening the port gives, the text.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"update kente set timer=40000", 0,
         "Invalid serial port!6\r\nThe settings in the database file %1 hold '40000' as the poll "
         "period, where a number from -32768 to 32767 belongs."},
        {"update kente set com='abc'", 0,
         "Invalid serial port!13\r\nThe settings in the database file %1 hold 'abc' as the port "
         "number, where a number belongs."},
        {"delete from kente", 0,
         "Invalid serial port!3021\r\nThe database file %1 has no settings row in table kente."},
        {"drop table kente", 0,
         "Invalid serial port!3704\r\nThe database file %1 has no table kente."},
        {"garbage", 0,
         "Invalid serial port!3704\r\nThe database file %1 is damaged or is no database."},
        {"lock", 0,
         "Invalid serial port!3704\r\nThe database file %1 is locked by another program."},
        {"remove", 0, "Invalid serial port!14\r\nThe database file %1 is missing."},
        {"folder", 0,
         "Invalid serial port!14\r\nThe database file %1 cannot be opened for reading and "
         "writing."},
        {"", PortError::PortBusy,
         "Invalid serial port!8005\r\nAnother program is using the serial port: close it, then "
         "try again."},
        {"", PortError::CannotOpen, "Invalid serial port!8010"},
        {"", PortError::NoSuchPort, "Invalid serial port!\r\nError code:8002\r\nError cause:"},
        {"update kente set settings='fast'", 0, "Invalid serial port!8015"},
    };
    for (const auto& [spoiling, openResult, message] : cases) {
        prepare();
        const QString spoil = QString::fromLatin1(spoiling), file = folder->databasePath();
        const QString text = QString::fromLatin1(message).arg(QDir::toNativeSeparators(file));
        SCOPED_TRACE(text.toStdString());
        if (spoil == "remove" || spoil == "folder" || spoil == "garbage")
            QFile::remove(file);
        if (spoil == "folder")
            QDir().mkdir(file);
        if (QFile garbage(file); spoil == "garbage" && garbage.open(QIODevice::WriteOnly))
            garbage.write(QByteArray(4096, 'x'));
        std::optional<Database> holder; // another program's, holding the file
        if (spoil == "lock") {
            holder.emplace(folder->path());
            QSqlQuery(holder->connection()).exec("PRAGMA locking_mode=EXCLUSIVE");
            QSqlQuery(holder->connection()).exec("BEGIN EXCLUSIVE");
        } else if (spoil.contains(' ')) {
            folder->exec(spoil);
        }
        launch(openResult);
        EXPECT_EQ(std::exchange(titles, {}), QStringList({"Serial port error"}));
        EXPECT_EQ(std::exchange(texts, {}), QStringList({text}));
        EXPECT_EQ(port->isOpen(), text.endsWith("8015")); // only a line the port cannot take
        EXPECT_EQ(station().readings().count(), 0);
    }
}

} // namespace
