// make-db: creates a starting database for the tool.
//   make-db [--if-missing] [--meters 1,2,3] [--com N] [--baud TEXT] [--parity N]
//           [--timer MS] [--timesj MIN] [--keep-days N] [--broker HOST[:PORT]] [--station NAME]
//           [--topic-prefix PREFIX] [--qos 0|1] [--user NAME] [--password-file FILE]
//           [--ca-file FILE] [--line SETTINGS]... [--http ADDRESS:PORT]
//           [--http-cert FILE --http-key FILE] PATH

#include "LineOption.h"
#include "LineTable.h"
#include "StartingDatabase.h"
#include "Topics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

std::optional<int> intOption(const QCommandLineParser& parser, const QString& name, bool* ok) {
    if (!parser.isSet(name))
        return std::nullopt;
    bool converted = false;
    const int value = parser.value(name).toInt(&converted);
    if (!converted)
        *ok = false;
    return value;
}

// The publish options over the starting row; nullopt when none is given,
// and an error text for one that cannot be used.
std::optional<PublishSettings> publishOptions(const QCommandLineParser& parser, QString* error) {
    const QStringList names{"broker", "station",       "topic-prefix", "qos",
                            "user",   "password-file", "ca-file"};
    if (std::none_of(names.begin(), names.end(),
                     [&parser](const QString& name) { return parser.isSet(name); }))
        return std::nullopt;
    PublishSettings settings = PublishTable::startingSettings();
    if (parser.isSet("broker")) {
        // HOST, HOST:PORT or [IPv6]:PORT.
        QString host = parser.value("broker");
        const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
        if (colon > 0 && (host.count(QLatin1Char(':')) == 1 || host.at(colon - 1) == ']')) {
            bool ok = false;
            settings.port = host.mid(colon + 1).toInt(&ok);
            if (!ok)
                settings.port = 0;
            host.truncate(colon);
        }
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        settings.host = host;
        settings.enabled = true;
    }
    if (parser.isSet("station"))
        settings.station = parser.value("station");
    if (parser.isSet("topic-prefix"))
        settings.topicPrefix = parser.value("topic-prefix");
    if (parser.isSet("qos")) {
        bool ok = false;
        settings.qos = parser.value("qos").toInt(&ok);
        if (!ok)
            settings.qos = -1;
    }
    if (parser.isSet("user"))
        settings.username = parser.value("user");
    if (parser.isSet("password-file")) {
        // From a file, so the password shows in no process list.
        QFile file(parser.value("password-file"));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1").arg(file.fileName());
            return std::nullopt;
        }
        settings.password = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n'));
        settings.password.remove(QLatin1Char('\r'));
    }
    if (parser.isSet("ca-file"))
        settings.caFile = parser.value("ca-file");
    const QString problem = Topics::problem(settings);
    if (settings.enabled && !problem.isEmpty())
        *error = problem;
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates a starting RX7100 tool database."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("if-missing"), QStringLiteral("Do nothing when PATH exists.")},
        {QStringLiteral("meters"), QStringLiteral("Listed meter addresses."),
         QStringLiteral("list")},
        {QStringLiteral("com"), QStringLiteral("Port number."), QStringLiteral("n")},
        {QStringLiteral("baud"), QStringLiteral("Baud rate text."), QStringLiteral("text")},
        {QStringLiteral("parity"), QStringLiteral("0 none, 1 odd, 2 even."), QStringLiteral("n")},
        {QStringLiteral("timer"), QStringLiteral("Poll period in ms."), QStringLiteral("ms")},
        {QStringLiteral("timesj"), QStringLiteral("Record interval in minutes."),
         QStringLiteral("min")},
        {QStringLiteral("keep-days"),
         QStringLiteral("Days of history snapshots kept once summed by the hour (0: all)."),
         QStringLiteral("days")},
        {QStringLiteral("broker"),
         QStringLiteral("Publish every reading to this MQTT broker (port 1883 unless given)."),
         QStringLiteral("host[:port]")},
        {QStringLiteral("station"),
         QStringLiteral("The station's topic level (default: the host name)."),
         QStringLiteral("name")},
        {QStringLiteral("topic-prefix"), QStringLiteral("Topics begin with it (default rx7100)."),
         QStringLiteral("prefix")},
        {QStringLiteral("qos"), QStringLiteral("MQTT QoS 0 or 1 (default 1)."),
         QStringLiteral("n")},
        {QStringLiteral("user"), QStringLiteral("User name at the broker."),
         QStringLiteral("name")},
        {QStringLiteral("password-file"),
         QStringLiteral("The broker password: the first line of FILE."), QStringLiteral("file")},
        {QStringLiteral("ca-file"), QStringLiteral("CA certificate: TLS to the broker."),
         QStringLiteral("file")},
        {QStringLiteral("http"),
         QStringLiteral("Serve the status page, JSON API and metrics there (another address "
                        "than 127.0.0.1 needs a token: see rx7100-tool --help)."),
         QStringLiteral("address:port")},
        {QStringLiteral("http-cert"), QStringLiteral("Certificate for HTTPS (PEM)."),
         QStringLiteral("file")},
        {QStringLiteral("http-key"), QStringLiteral("Its private key (PEM)."),
         QStringLiteral("file")},
        {QStringLiteral("line"),
         QStringLiteral("One line of the station, once per line, line 1 first (at most %1): "
                        "keys name, port (comN or a device path), baud, parity (none, odd, "
                        "even), period (ms), timeout (ms) and meters (such as 1-3,7), "
                        "separated by ';'. Keys left out keep the starting values; on line 1 "
                        "those of --com, --baud, --parity, --timer and --meters. Lines 2 on "
                        "may reach their bus through a gateway: transport (serial, rtu-tcp, "
                        "modbus-tcp), host, tcp-port (%2 for modbus-tcp unless given), "
                        "connect-timeout (ms), gap (ms between a reply and the next request) "
                        "and connect-pause (ms before the first request), in place of port; "
                        "its timeout is %3 ms unless given.")
             .arg(StoredLine::MaxLines)
             .arg(StoredLine::ModbusTcpPort)
             .arg(StoredLine::GatewayReplyTimeout),
         QStringLiteral("settings")},
    });
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Database file."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString path = parser.positionalArguments().first();
    if (parser.isSet(QStringLiteral("if-missing")) && QFileInfo::exists(path))
        return 0;

    bool ok = true;
    StartingDatabase::Options options;
    options.com = intOption(parser, QStringLiteral("com"), &ok);
    options.noe = intOption(parser, QStringLiteral("parity"), &ok);
    options.timer = intOption(parser, QStringLiteral("timer"), &ok);
    options.timesj = intOption(parser, QStringLiteral("timesj"), &ok);
    options.keepDays = intOption(parser, QStringLiteral("keep-days"), &ok);
    if (options.keepDays && *options.keepDays < 0) {
        std::fprintf(stderr, "make-db: --keep-days takes 0 or more days\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("baud")))
        options.settings = parser.value(QStringLiteral("baud"));
    if (parser.isSet(QStringLiteral("http")) || parser.isSet(QStringLiteral("http-cert")) ||
        parser.isSet(QStringLiteral("http-key")))
        options.web = StoredWeb{parser.value(QStringLiteral("http")),
                                parser.value(QStringLiteral("http-cert")),
                                parser.value(QStringLiteral("http-key"))};
    if (parser.isSet(QStringLiteral("meters"))) {
        QList<int> meters;
        for (const QString& item :
             parser.value(QStringLiteral("meters")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool converted = false;
            meters << item.trimmed().toInt(&converted);
            ok = ok && converted;
        }
        options.meters = meters;
    }
    if (!ok) {
        std::fprintf(stderr, "make-db: a number option holds no number\n");
        return 2;
    }
    QString error;
    const QStringList lineTexts = parser.values(QStringLiteral("line"));
    if (lineTexts.size() > StoredLine::MaxLines) {
        std::fprintf(stderr, "make-db: at most %d lines\n", StoredLine::MaxLines);
        return 2;
    }
    for (qsizetype i = 0; i < lineTexts.size(); ++i) {
        // A line starts as the schema's, with meter 1 listed.
        StartingDatabase::Line base{LineTable::startingLine(int(i) + 1), {1}};
        if (i == 0) {
            if (options.com)
                base.settings.port = QString::number(*options.com);
            base.settings.baud = options.settings.value_or(base.settings.baud);
            base.settings.parity = options.noe.value_or(base.settings.parity);
            base.settings.pollPeriod = options.timer.value_or(base.settings.pollPeriod);
            base.meters = options.meters.value_or(base.meters);
        }
        const std::optional<StartingDatabase::Line> line =
            LineOption::parse(lineTexts[i], base, &error);
        if (!line) {
            std::fprintf(stderr, "make-db: --line %d: %s\n", int(i) + 1, qPrintable(error));
            return 2;
        }
        options.lines << *line;
    }
    options.publish = publishOptions(parser, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "make-db: publishing: %s\n", qPrintable(error));
        return 2;
    }
    if (!StartingDatabase::create(path, options, &error)) {
        std::fprintf(stderr, "make-db: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
