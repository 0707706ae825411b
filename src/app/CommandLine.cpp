#include "CommandLine.h"

#include "StoredLine.h"
#include "VolumeUnit.h"
#include "WebSettings.h"
#include "WholeNumber.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString FolderOption = QStringLiteral("folder");
const QString HeadlessOption = QStringLiteral("headless");
const QString CredentialsOption = QStringLiteral("credentials");
const QString ExportOption = QStringLiteral("export");
const QString FromOption = QStringLiteral("from");
const QString ToOption = QStringLiteral("to");
const QString MeterOption = QStringLiteral("meter");
const QString SerialOption = QStringLiteral("serial");
const QString LineOption = QStringLiteral("line");
const QString SeparatorOption = QStringLiteral("separator");
const QString OutOption = QStringLiteral("out");
const QString ReportOption = QStringLiteral("report");
const QString ByOption = QStringLiteral("by");
const QString UnitOption = QStringLiteral("unit");
const QString HttpOption = QStringLiteral("http");
const QString HttpTokenOption = QStringLiteral("http-token");
const QString HttpCertOption = QStringLiteral("http-cert");
const QString HttpKeyOption = QStringLiteral("http-key");

// Whether argv holds --name or --name=...
bool hasOption(int argc, char** argv, const char* name) {
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strncmp(argv[i] + 2, name, length) == 0 &&
            (argv[i][2 + length] == 0 || argv[i][2 + length] == '='))
            return true;
    return false;
}

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
    parser.addOption(
        {CredentialsOption,
         QStringLiteral("With --headless: the MQTT broker's password is the first line of\n"
                        "FILE, which must be yours and mode 0600 (systemd's LoadCredential=\n"
                        "gives such a file)."),
         QStringLiteral("FILE")});
    parser.addOptions({
        {HttpOption,
         QStringLiteral("Serve a status page, a JSON API (/api/v1/...) and Prometheus metrics\n"
                        "(/metrics) there, read-only, as 127.0.0.1:8080; in place of the\n"
                        "stored setting. Any address but 127.0.0.1 or ::1 needs a token."),
         QStringLiteral("ADDRESS:PORT")},
        {HttpTokenOption,
         QStringLiteral("Every request must carry 'Authorization: Bearer TOKEN', TOKEN the\n"
                        "first line of FILE (yours, mode 0600). Without it, the data folder's\n"
                        "http-token file when there is one."),
         QStringLiteral("FILE")},
        {HttpCertOption, QStringLiteral("Serve HTTPS with this certificate (PEM)."),
         QStringLiteral("FILE")},
        {HttpKeyOption, QStringLiteral("The certificate's private key (PEM)."),
         QStringLiteral("FILE")},
    });
    parser.addOptions({
        {ExportOption,
         QStringLiteral("Write the rows the History window's search finds to a CSV file and\n"
                        "end, without a window: the meters' snapshots (history) or the\n"
                        "parameter operation log (log). Exit code 0 when written, 1 for a bad\n"
                        "option or date, 2 when the database cannot be read, 3 when the file\n"
                        "cannot be written; a failed export leaves no file."),
         QStringLiteral("history|log")},
        {ReportOption,
         QStringLiteral("Write a report to a CSV or PDF file and end, without a window: the\n"
                        "meters' consumption by period, or the alarm journal. Exit codes as\n"
                        "for --export."),
         QStringLiteral("consumption|alarms")},
        {FromOption, QStringLiteral("Export from this day's 00:00; report from this local day on."),
         QStringLiteral("yyyy-mm-dd")},
        {ToOption,
         QStringLiteral("Export up to this day's 00:00, included; report up to this local day,\n"
                        "all of it."),
         QStringLiteral("yyyy-mm-dd")},
        {ByOption, QStringLiteral("Report consumption by hour, day (the default), week or month."),
         QStringLiteral("hour|day|week|month")},
        {UnitOption,
         QStringLiteral("Report consumption in this unit (m3, l, gal, ...); by default each\n"
                        "meter's latest totalizer unit."),
         QStringLiteral("U")},
        {MeterOption, QStringLiteral("Export or report one meter only."), QStringLiteral("N")},
        {SerialOption, QStringLiteral("Export one meter serial number's log rows only."),
         QStringLiteral("S")},
        {LineOption, QStringLiteral("Export or report one line's meters only (1 to 16)."),
         QStringLiteral("N")},
        {SeparatorOption, QStringLiteral("comma (the default), or semicolon with decimal commas."),
         QStringLiteral("comma|semicolon")},
        {OutOption, QStringLiteral("The file to write: .csv, or .pdf for a report."),
         QStringLiteral("FILE")},
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

// The report options, checked; nullopt with the reason when they do not fit.
std::optional<ReportRequest> readReport(const QCommandLineParser& parser, QString* error) {
    const auto refuse = [error](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    const QString kind = parser.value(ReportOption);
    ReportRequest request;
    if (kind == QLatin1String("alarms"))
        request.kind = ReportRequest::Kind::Alarms;
    else if (kind != QLatin1String("consumption"))
        return refuse(QStringLiteral("--report takes consumption or alarms, not '%1'.").arg(kind));
    for (const QString& option : {FromOption, ToOption, OutOption})
        if (parser.value(option).isEmpty())
            return refuse(QStringLiteral("--report needs --%1.").arg(option));
    for (const QString& option : {SerialOption, SeparatorOption})
        if (parser.isSet(option))
            return refuse(QStringLiteral("--%1 does not go with --report.").arg(option));
    for (QDate* date : {&request.from, &request.to}) {
        const QString& option = date == &request.from ? FromOption : ToOption;
        *date = QDate::fromString(parser.value(option).trimmed(), QStringLiteral("yyyy-MM-dd"));
        if (!date->isValid())
            return refuse(QStringLiteral("--%1 is not a date (yyyy-mm-dd): '%2'.")
                              .arg(option, parser.value(option)));
    }
    if (request.to < request.from)
        return refuse(QStringLiteral("--to is before --from."));
    const bool alarms = request.kind == ReportRequest::Kind::Alarms;
    for (const QString& option : {ByOption, UnitOption})
        if (alarms && parser.isSet(option))
            return refuse(QStringLiteral("--%1 does not go with --report alarms.").arg(option));
    const QStringList periods{"hour", "day", "week", "month"};
    const QString by = parser.isSet(ByOption) ? parser.value(ByOption) : QStringLiteral("day");
    if (!periods.contains(by))
        return refuse(QStringLiteral("--by takes hour, day, week or month, not '%1'.").arg(by));
    request.by = PeriodKind(periods.indexOf(by));
    request.unit = parser.value(UnitOption);
    if (parser.isSet(UnitOption) && !VolumeUnit::cubicMetres(request.unit))
        return refuse(QStringLiteral("--unit takes a volume unit (m3, l, gal, ...), not '%1'.")
                          .arg(request.unit));
    if (parser.isSet(LineOption)) {
        request.line = WholeNumber::parse(parser.value(LineOption), 1, StoredLine::MaxLines);
        if (!request.line)
            return refuse(QStringLiteral("--line takes a line number from 1 to %1, not '%2'.")
                              .arg(StoredLine::MaxLines)
                              .arg(parser.value(LineOption)));
    }
    if (parser.isSet(MeterOption)) {
        request.meter = WholeNumber::parse(parser.value(MeterOption), 0, 255);
        if (!request.meter)
            return refuse(QStringLiteral("--meter takes an address from 0 to 255, not '%1'.")
                              .arg(parser.value(MeterOption)));
    }
    request.path = parser.value(OutOption);
    if (request.path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        request.format = ReportRequest::Format::Pdf;
    else if (!request.path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return refuse(
            QStringLiteral("--out takes a .csv or .pdf file, not '%1'.").arg(request.path));
    return request;
}

} // namespace

bool CommandLine::asksReport(int argc, char** argv) {
    return hasOption(argc, argv, "report");
}

bool CommandLine::needsDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"-h", "-?", "--help", "--help-all", "-v", "--version", "--headless"})
            if (std::strcmp(argv[i], option) == 0)
                return false;
    }
    return !hasOption(argc, argv, "export") && !hasOption(argc, argv, "report");
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
    line.m_credentials = parser.value(CredentialsOption);
    if (parser.isSet(CredentialsOption) && (!line.m_headless || line.m_credentials.isEmpty())) {
        *error = QStringLiteral("--credentials needs a file and goes with --headless.");
        return std::nullopt;
    }
    line.m_web = {parser.value(HttpOption).trimmed(), parser.value(HttpTokenOption),
                  parser.value(HttpCertOption), parser.value(HttpKeyOption)};
    if (parser.isSet(HttpOption) && !WebSettings::parse(line.m_web.listen, error))
        return std::nullopt;
    if (parser.isSet(HttpCertOption) != parser.isSet(HttpKeyOption)) {
        *error = QStringLiteral("--http-cert and --http-key go together.");
        return std::nullopt;
    }
    const bool web =
        parser.isSet(HttpOption) || parser.isSet(HttpTokenOption) || parser.isSet(HttpCertOption);
    if (web && (parser.isSet(ReportOption) || parser.isSet(ExportOption))) {
        *error = QStringLiteral("--http and its options do not go with --export or --report.");
        return std::nullopt;
    }
    if (parser.isSet(ReportOption)) {
        if (line.m_headless || parser.isSet(ExportOption)) {
            *error = QStringLiteral("--report does not go with --%1.")
                         .arg(line.m_headless ? HeadlessOption : ExportOption);
            return std::nullopt;
        }
        line.m_report = readReport(parser, error);
        if (!line.m_report)
            return std::nullopt;
    } else if (parser.isSet(ExportOption)) {
        if (line.m_headless) {
            *error = QStringLiteral("--export does not go with --headless.");
            return std::nullopt;
        }
        for (const QString& option : {ByOption, UnitOption}) {
            if (parser.isSet(option)) {
                *error = QStringLiteral("--%1 goes with --report only.").arg(option);
                return std::nullopt;
            }
        }
        line.m_export = readExport(parser, error);
        if (!line.m_export)
            return std::nullopt;
    } else {
        for (const QString& option : {FromOption, ToOption, MeterOption, SerialOption, LineOption,
                                      SeparatorOption, OutOption, ByOption, UnitOption}) {
            if (parser.isSet(option)) {
                *error = QStringLiteral("--%1 goes with --export or --report only.").arg(option);
                return std::nullopt;
            }
        }
    }
    return line;
}
