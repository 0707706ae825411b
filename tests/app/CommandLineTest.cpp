#include "CommandLine.h"

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
    };
    for (auto [arguments, display] : cases) {
        arguments.insert(arguments.begin(), "rx7100-tool");
        EXPECT_EQ(
            CommandLine::needsDisplay(int(arguments.size()), const_cast<char**>(arguments.data())),
            display)
            << arguments.size();
    }
}

} // namespace
