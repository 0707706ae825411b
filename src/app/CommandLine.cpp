#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString FolderOption = QStringLiteral("folder");
const QString HeadlessOption = QStringLiteral("headless");

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Reads RX7100 flow meters on a serial line, keeps their readings and sets them up.\n"
        "The database and the ports/ links live in the program's folder when it holds a\n"
        "database you may write, else in your data folder (~/.local/share/rx7100-tool)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({FolderOption,
                      QStringLiteral("Work in DIR: its database and its ports/ links."),
                      QStringLiteral("DIR")});
    parser.addOption(
        {HeadlessOption,
         QStringLiteral("No window: open the port and read at once, record the history and\n"
                        "publish as the database says, log to standard error; SIGTERM or\n"
                        "SIGINT ends it cleanly. For running as a service.")});
}

} // namespace

bool CommandLine::needsDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"-h", "-?", "--help", "--help-all", "-v", "--version", "--headless"})
            if (std::strcmp(argv[i], option) == 0)
                return false;
    }
    return true;
}

CommandLine CommandLine::process(const QCoreApplication& app) {
    QCommandLineParser parser;
    describe(parser);
    parser.process(app); // help, version and unknown options end here
    QString error;
    const std::optional<CommandLine> line = fromParser(parser, &error);
    if (!line) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(EXIT_FAILURE);
    }
    return *line;
}

std::optional<CommandLine> CommandLine::parse(const QStringList& arguments, QString* error) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    return fromParser(parser, error);
}

std::optional<CommandLine> CommandLine::fromParser(const QCommandLineParser& parser,
                                                   QString* error) {
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
        return std::nullopt;
    }
    CommandLine line;
    line.m_folder = parser.value(FolderOption);
    line.m_headless = parser.isSet(HeadlessOption);
    if (parser.isSet(FolderOption) && line.m_folder.isEmpty()) {
        *error = QStringLiteral("--folder needs a folder.");
        return std::nullopt;
    }
    return line;
}
