#include "CommandLine.h"
#include "ProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(CommandLine, FolderOptionAndWhatIsRefused) {
    const std::tuple<QStringList, const char*, bool> cases[] = {
        {{}, "", true},
        {{"--folder", "/srv/meters"}, "/srv/meters", true},
        {{"--folder=relative dir"}, "relative dir", true},
        {{"--folder"}, "", false},
        {{"--folder="}, "", false},
        {{"--fold", "/x"}, "", false},
        {{"/srv/meters"}, "", false},
    };
    for (const auto& [arguments, folder, accepted] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QString error;
        const auto line = CommandLine::parse(QStringList{"rx7100-tool"} + arguments, &error);
        ASSERT_EQ(line.has_value(), accepted);
        if (line)
            EXPECT_EQ(line->folder(), QString::fromLatin1(folder));
        else
            EXPECT_FALSE(error.isEmpty());
    }
}

TEST(CommandLine, Headless) {
    const std::pair<QStringList, bool> cases[] = {
        {{}, false},
        {{"--headless"}, true},
        {{"--folder", "/srv/meters", "--headless"}, true},
    };
    for (const auto& [arguments, headless] : cases) {
        QString error;
        const auto line = CommandLine::parse(QStringList{"rx7100-tool"} + arguments, &error);
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->headless(), headless) << arguments.join(' ').toStdString();
    }
    QString error;
    EXPECT_FALSE(CommandLine::parse({"rx7100-tool", "--headless=yes"}, &error).has_value());
}

TEST(CommandLine, OnlyHelpVersionAndHeadlessGoWithoutADisplay) {
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{}, true},
        {{"--folder", "/x"}, true},
        {{"--help"}, false},
        {{"-h"}, false},
        {{"--folder", "/x", "--version"}, false},
        {{"-v"}, false},
        {{"--folder", "--help-me"}, true},
        {{"--folder", "/x", "--headless"}, false},
        {{"--export", "history"}, false},
        {{"--export=log"}, false},
        {{"--exported"}, true},
    };
    for (auto [arguments, display] : cases) {
        arguments.insert(arguments.begin(), "rx7100-tool");
        EXPECT_EQ(
            CommandLine::needsDisplay(int(arguments.size()), const_cast<char**>(arguments.data())),
            display)
            << arguments.size();
    }
}

TEST(CommandLine, ExportOptionsAndWhatIsRefused) {
    const QStringList range{"--from", "2026-01-01", "--to", "2026-01-31", "--out", "x.csv"};
    const std::tuple<QStringList, bool, const char*> cases[] = {
        // arguments, accepted, filter
        {QStringList{"--export", "history"} + range, true, "All"},
        {QStringList{"--export", "history", "--meter", "7"} + range, true, "7"},
        {QStringList{"--export", "log", "--serial", "All"} + range, true, "All"},
        {QStringList{"--export", "history", "--headless"} + range, false, ""},
        {QStringList{"--export", "log", "--serial", "S 1", "--separator", "semicolon"} + range,
         true, "S 1"},
        {QStringList{"--export", "log", "--meter", "7"} + range, false, ""},
        {QStringList{"--export", "history", "--serial", "S1"} + range, false, ""},
        {QStringList{"--export", "both"} + range, false, ""},
        {QStringList{"--export", "history", "--separator", "tab"} + range, false, ""},
        {{"--export", "history", "--from", "2026-01-01", "--to", "2026-01-31"}, false, ""},
        {{"--export", "history", "--from", "2026-02-30", "--to", "2026-03-01", "--out", "x"},
         false,
         ""},
        {{"--export", "history", "--from", "01/02/2026", "--to", "2026-03-01", "--out", "x"},
         false,
         ""},
        {range, false, ""},
    };
    for (const auto& [arguments, accepted, filter] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QString error;
        const auto line = CommandLine::parse(QStringList{"rx7100-tool"} + arguments, &error);
        ASSERT_EQ(line.has_value(), accepted) << error.toStdString();
        if (!line) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(line->exportRequest());
        EXPECT_EQ(line->exportRequest()->filter, QString::fromLatin1(filter));
    }
}

// Without a display, one line instead of the platform plugin's abort.
TEST(CommandLine, WithoutADisplayABadOptionOrAWindowEndsWithOneLine) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const std::pair<QStringList, QByteArray> cases[] = {
        {{"--bogus"}, "unknown option --bogus\n"},
        {{"--headless", "-x"}, "unknown option -x\n"},
        {{}, "no display: open it on a desktop, or run --headless\n"},
    };
    for (const auto& [arguments, said] : cases) {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(RX7100_TOOL_PATH), arguments);
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), 1);
        EXPECT_EQ(tool.readAllStandardError(), said);
    }
}

// The tool itself, run as a script would, with no display at all.
TEST(CommandLine, ExportRunsWithoutADisplayAndExitsWithWhatHappened) {
    ProgramFolder folder;
    ASSERT_TRUE(folder.exec(
        QStringLiteral("insert into Historydata (dizhi,MinuteAverage,CreateTime) values "
                       "('1','1.50','2026-01-10 10:00:00'),('2','2.50','2026-01-10 10:00:00')")));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("out.csv"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Kolkata"));

    const QByteArray header = "Meter Address,Flow Rate,Flow Rate Unit,Flow Totalizer,Reverse Flow "
                              "Totalizer,Totalizer Unit,Alarm Status,Flow Speed (m/s),Span "
                              "Percentage (%),Electrode Impedance (ohm),Time\r\n";
    const std::tuple<const char*, QStringList, int, QByteArray> cases[] = {
        {"one meter",
         {"--from", "2026-01-10", "--to", "2026-01-11", "--meter", "2"},
         0,
         header + "2,2.50,,,,,,,,,2026-01-10T10:00:00+05:30\r\n"},
        {"an empty result", {"--from", "2026-02-01", "--to", "2026-02-02"}, 0, header},
        {"a bad date", {"--from", "2026-01-10", "--to", "2026-13-01"}, 1, {}},
        {"an unwritable path",
         {"--from", "2026-01-10", "--to", "2026-01-11", "--out", out.filePath("no/such/x.csv")},
         3,
         {}},
        {"no database",
         {"--from", "2026-01-10", "--to", "2026-01-11", "--folder", out.path()},
         2,
         {}},
    };
    for (const auto& [what, arguments, code, expected] : cases) {
        SCOPED_TRACE(what);
        QFile::remove(file);
        QProcess tool;
        tool.setProcessEnvironment(environment);
        QStringList all{"--export", "history", "--folder", folder.path(), "--out", file};
        all += arguments; // a later --folder or --out wins
        tool.start(QStringLiteral(RX7100_TOOL_PATH), all);
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), code);
        const QByteArray errors = tool.readAllStandardError();
        if (code == 0) {
            EXPECT_EQ(errors, QByteArray());
            QFile written(file);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(written.readAll(), expected);
        } else {
            EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
            EXPECT_TRUE(QDir(out.path())
                            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)
                            .isEmpty());
        }
    }
}

} // namespace
