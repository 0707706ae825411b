#include "CommandLine.h"
#include "ProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(CommandLine, OptionsAndWhatIsRefused) {
    const QStringList range{"--from", "2026-01-01", "--to", "2026-01-31", "--out", "x.csv"};
    const QStringList history = QStringList{"--export", "history"} + range;
    struct Case {
        QStringList arguments;
        bool accepted;
        const char* folder = "";
        bool headless = false;
        const char* filter = "-"; // no export
        std::optional<int> line = std::nullopt;
        const char* credentials = "";
    };
    const Case cases[] = {
        {{}, true},
        {{"--folder=relative dir", "--headless"}, true, "relative dir", true},
        {{"--folder="}, false},
        {{"--headless", "--credentials", "/run/c"}, true, "", true, "-", {}, "/run/c"},
        {{"--credentials", "/run/c"}, false},
        {{"--headless", "--credentials="}, false},
        {{"/srv/meters"}, false},
        {history, true, "", false, "All"},
        {history + QStringList{"--meter", "7"}, true, "", false, "7"},
        {history + QStringList{"--line", "16"}, true, "", false, "All", 16},
        {QStringList{"--export", "log", "--serial", "S 1", "--separator", "semicolon"} + range,
         true, "", false, "S 1"},
        {history + QStringList{"--headless"}, false},
        {QStringList{"--export", "log", "--meter", "7"} + range, false},
        {QStringList{"--export", "log", "--line", "1"} + range, false},
        {history + QStringList{"--line", "0"}, false},
        {history + QStringList{"--line", "17"}, false},
        {history + QStringList{"--line", "2x"}, false},
        {{"--line", "2"}, false},
        {QStringList{"--export", "both"} + range, false},
        {history + QStringList{"--separator", "tab"}, false},
        {{"--export", "history", "--from", "2026-01-01", "--to", "2026-01-31"}, false},
        {{"--export", "history", "--from", "2026-02-30", "--to", "2026-03-01", "--out", "x"},
         false},
        {range, false},
        {{"--headless", "--http", "0.0.0.0:8080", "--http-token", "/run/t"}, true, "", true},
        {{"--http", "127.0.0.1:http"}, false},
        {{"--http", ":8080", "--http-cert", "c.pem"}, false}, // without its key
        {history + QStringList{"--http", ":8080"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QString error;
        const auto line = CommandLine::parse(QStringList{"rx7100-tool"} + c.arguments, &error);
        ASSERT_EQ(line.has_value(), c.accepted) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), c.accepted);
        if (!line)
            continue;
        EXPECT_EQ(line->folder(), QString::fromLatin1(c.folder));
        EXPECT_EQ(line->headless(), c.headless);
        EXPECT_EQ(line->credentials(), QString::fromLatin1(c.credentials));
        EXPECT_EQ(line->exportRequest() ? line->exportRequest()->filter : "-", c.filter);
        EXPECT_EQ(line->exportRequest() ? line->exportRequest()->line : std::nullopt, c.line);
    }
}

TEST(CommandLine, OnlyHelpVersionAndHeadlessGoWithoutADisplay) {
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{"--folder", "/x", "--version"}, false},
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

// The tool run by a script with no display: one line of error, the export's outcome as exit code.
TEST(CommandLine, WithoutADisplayTheToolEndsWithWhatHappened) {
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
    const QStringList export_{"--export", "history", "--folder",   folder.path(), "--out",
                              file,       "--from",  "2026-01-10", "--to",        "2026-01-11"};
    const std::tuple<QStringList, int, QByteArray> cases[] = {
        // arguments (a later --folder, --out or --to wins), exit code, what it says
        {{"--bogus"}, 1, "unknown option --bogus\n"},
        {{"--headless", "-x"}, 1, "unknown option -x\n"},
        {{}, 1, "no display: open it on a desktop, or run --headless\n"},
        {export_ + QStringList{"--to", "2026-13-01"}, 1, "one line"},
        {export_ + QStringList{"--folder", out.path()}, 2, "one line"},
        {export_ + QStringList{"--out", out.filePath("no/such/x.csv")}, 3, "one line"},
        {export_ + QStringList{"--meter", "2"}, 0, ""},
    };
    for (const auto& [arguments, code, said] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        // Nothing written so far, not even part of a file.
        EXPECT_TRUE(
            QDir(out.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(RX7100_TOOL_PATH), arguments);
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), code);
        const QByteArray errors = tool.readAllStandardError();
        if (said == "one line")
            EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
        else
            EXPECT_EQ(errors, said);
    }
    QFile written(file); // the header, then meter 2 only in the zone given
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().split('\n').mid(1),
              QByteArrayList({"2,2.50,,,,,,,,,2026-01-10T10:00:00+05:30,1\r", ""}));
}

} // namespace
