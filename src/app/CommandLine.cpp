#include "CommandLine.h"

#include "StoredLine.h"
#include "WholeNumber.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString FolderOption = QStringLiteral("folder");
const QString HeadlessOption = QStringLiteral("headless");
const QString ExportOption = QStringLiteral("export");
const QString FromOption = QStringLiteral("from");
const QString ToOption = QStringLiteral("to");
const QString MeterOption = QStringLiteral("meter");
const QString SerialOption = QStringLiteral("serial");
const QString LineOption = QStringLiteral("line");
const QString SeparatorOption = QStringLiteral("separator");
const QString OutOption = QStringLiteral("out");

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
    parser.addOptions({
        {ExportOption,
         QStringLiteral("Write the rows the History window's search finds to a CSV file and\n"
                        "end, without a window: the meters' snapshots (history) or the\n"
                        "parameter operation log (log). Exit code 0 when written, 1 for a bad\n"
                        "option or date, 2 when the database cannot be read, 3 when the file\n"
                        "cannot be written; a failed export leaves no file."),
         QStringLiteral("history|log")},
        {FromOption, QStringLiteral("Export from this day's 00:00."), QStringLiteral("yyyy-mm-dd")},
        {ToOption, QStringLiteral("Export up to this day's 00:00, included."),
         QStringLiteral("yyyy-mm-dd")},
        {MeterOption, QStringLiteral("Export one meter's snapshots only."), QStringLiteral("N")},
        {SerialOption, QStringLiteral("Export one meter serial number's log rows only."),
         QStringLiteral("S")},
        {LineOption, QStringLiteral("Export one line's snapshots only (1 to 16)."),
         QStringLiteral("N")},
        {SeparatorOption, QStringLiteral("comma (the default), or semicolon with decimal commas."),
         QStringLiteral("comma|semicolon")},
        {OutOption, QStringLiteral("The CSV file to write."), QStringLiteral("FILE")},
    });
}

// The export options, checked; nullopt with the reason when they do not fit.
std::optional<ExportRequest> readExport(const QCommandLineParser& parser, QString* error) {
    const QString kind = parser.value(ExportOption);
    ExportRequest request;
    if (kind == QLatin1String("history")) {
        request.table = &HistoryTable::snapshots();
    } else if (kind == QLatin1String("log")) {
        request.table = &HistoryTable::operationLog();
    } else {
        *error = QStringLiteral("--export takes history or log, not '%1'.").arg(kind);
        return std::nullopt;
    }
    for (const QString& option : {FromOption, ToOption, OutOption}) {
        if (parser.value(option).isEmpty()) {
            *error = QStringLiteral("--export needs --%1.").arg(option);
            return std::nullopt;
        }
    }
    request.from = parser.value(FromOption);
    request.to = parser.value(ToOption);
    for (const QString& option : {FromOption, ToOption}) {
        if (!HistoryTable::dayStart(parser.value(option))) {
            *error = QStringLiteral("--%1 is not a date (yyyy-mm-dd): '%2'.")
                         .arg(option, parser.value(option));
            return std::nullopt;
        }
    }
    const bool snapshots = request.table == &HistoryTable::snapshots();
    const QString& filterOption = snapshots ? MeterOption : SerialOption;
    // The log's rows have no meter address and no line.
    for (const QString& option :
         snapshots ? QStringList{SerialOption} : QStringList{MeterOption, LineOption}) {
        if (parser.isSet(option)) {
            *error = QStringLiteral("--%1 does not go with --export %2.").arg(option, kind);
            return std::nullopt;
        }
    }
    if (parser.isSet(LineOption)) {
        const QString line = parser.value(LineOption);
        request.line = WholeNumber::parse(line, 1, StoredLine::MaxLines);
        if (!request.line) {
            *error = QStringLiteral("--line takes a line number from 1 to %1, not '%2'.")
                         .arg(StoredLine::MaxLines)
                         .arg(line);
            return std::nullopt;
        }
    }
    // As the window's filter box: not given means every meter.
    request.filter =
        parser.isSet(filterOption) ? parser.value(filterOption) : QStringLiteral("All");
    const QString separator = parser.value(SeparatorOption);
    if (separator == QLatin1String("semicolon")) {
        request.separator = CsvWriter::Separator::Semicolon;
    } else if (!separator.isEmpty() && separator != QLatin1String("comma")) {
        *error = QStringLiteral("--separator takes comma or semicolon, not '%1'.").arg(separator);
        return std::nullopt;
    }
    request.path = parser.value(OutOption);
    return request;
}

} // namespace

bool CommandLine::needsDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"-h", "-?", "--help", "--help-all", "-v", "--version", "--headless"})
            if (std::strcmp(argv[i], option) == 0)
                return false;
        if (std::strcmp(argv[i], "--export") == 0 || std::strncmp(argv[i], "--export=", 9) == 0)
            return false;
    }
    return true;
}

bool CommandLine::displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
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
        const QStringList unknown = parser.unknownOptionNames();
        *error = unknown.isEmpty() ? parser.errorText()
                                   : QStringLiteral("unknown option %1%2")
                                         .arg(unknown[0].size() == 1 ? "-" : "--", unknown[0]);
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
    if (parser.isSet(ExportOption)) {
        if (line.m_headless) {
            *error = QStringLiteral("--export does not go with --headless.");
            return std::nullopt;
        }
        line.m_export = readExport(parser, error);
        if (!line.m_export)
            return std::nullopt;
    } else {
        for (const QString& option : {FromOption, ToOption, MeterOption, SerialOption, LineOption,
                                      SeparatorOption, OutOption}) {
            if (parser.isSet(option)) {
                *error = QStringLiteral("--%1 goes with --export only.").arg(option);
                return std::nullopt;
            }
        }
    }
    return line;
}
