#include "SimOptions.h"

#include <QCommandLineParser>
#include <algorithm>

namespace {

// "1,2,5-8": addresses 1 to 255, in order, each once.
std::optional<std::vector<std::uint8_t>> parseAddresses(const QString& text) {
    std::set<std::uint8_t> found;
    for (const QString& item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        bool okLow = false;
        bool okHigh = false;
        const int low = ends.first().toInt(&okLow);
        const int high = ends.last().toInt(&okHigh);
        if (!okLow || !okHigh || low < 1 || high > 255 || low > high)
            return std::nullopt;
        for (int address = low; address <= high; ++address)
            found.insert(static_cast<std::uint8_t>(address));
    }
    return std::vector<std::uint8_t>(found.begin(), found.end());
}

std::optional<double> parseProbability(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < 0.0 || value > 1.0)
        return std::nullopt;
    return value;
}

std::optional<int> parseWhole(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// The options, their value names and the help text for each.
void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("A line of simulated flow meters on a pseudo-terminal, or behind a\n"
                       "serial device server on TCP (--tcp). Prints the terminal's path, or\n"
                       "the bound HOST:PORT, on the first line of standard output."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("addresses"),
         QStringLiteral("Meters on the line, e.g. 1,2,3 or 1-32 (default 1)."),
         QStringLiteral("list")},
        {QStringLiteral("link"),
         QStringLiteral("Symbolic link to the terminal, e.g. DIR/ports/com1; an old link is "
                        "replaced, the link removed on exit. With --tcp: a file holding "
                        "HOST:PORT, likewise."),
         QStringLiteral("path")},
        {QStringLiteral("tcp"),
         QStringLiteral("Listen on TCP as a serial device server instead, e.g. 127.0.0.1:0 (port 0 "
                        "picks a free one). Up to 4 clients share the one bus, served in turn."),
         QStringLiteral("host:port")},
        {QStringLiteral("framing"),
         QStringLiteral("With --tcp: rtu (RTU frames, CRC included) or mbap (Modbus TCP) "
                        "(default rtu)."),
         QStringLiteral("name")},
        {QStringLiteral("baud"),
         QStringLiteral("Line speed whose byte time is kept (default 9600)."), QStringLiteral("n")},
        {QStringLiteral("turnaround"),
         QStringLiteral("Meter reaction time before replying (default 5)."), QStringLiteral("ms")},
        {QStringLiteral("silent"), QStringLiteral("Meters on the line that never answer."),
         QStringLiteral("list")},
        {QStringLiteral("corrupt-crc"),
         QStringLiteral("Chance 0..1 of a reply with a wrong CRC (with mbap: a wrong "
                        "next-to-last byte)."),
         QStringLiteral("p")},
        {QStringLiteral("split"), QStringLiteral("Replies come in random pieces with gaps.")},
        {QStringLiteral("stray"), QStringLiteral("Chance 0..1 of stray bytes around a reply."),
         QStringLiteral("p")},
        {QStringLiteral("wrong-tid"),
         QStringLiteral("With mbap: chance 0..1 of a reply with the previous transaction id."),
         QStringLiteral("p")},
        {QStringLiteral("short-length"),
         QStringLiteral("With mbap: chance 0..1 of a reply whose length field is one short."),
         QStringLiteral("p")},
        {QStringLiteral("exception"),
         QStringLiteral("Meter ADDR answers every request with exception CODE (1 to 255); "
                        "may be repeated."),
         QStringLiteral("addr:code")},
        {QStringLiteral("alarm"),
         QStringLiteral("Meter ADDR raises alarm FLAG (1 excitation, 2 low battery, 3 empty pipe, "
                        "4 upper limit, 5 lower limit) for its first N real-time replies, for "
                        "good without N; its other flags stay clear. May be repeated."),
         QStringLiteral("addr:flag[:n]")},
        {QStringLiteral("seed"), QStringLiteral("Seed for the flow model and the faults."),
         QStringLiteral("n")},
        {QStringLiteral("log"),
         QStringLiteral("Each request received as a line of hex (file started afresh)."),
         QStringLiteral("file")},
        {QStringLiteral("reply-log"),
         QStringLiteral("Each reply as it left, a line of monotonic-clock nanoseconds and hex "
                        "(file started afresh)."),
         QStringLiteral("file")},
    });
}

} // namespace

QString SimOptions::usage() {
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

std::optional<SimOptions> SimOptions::parse(const QStringList& arguments, QString* error) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QStringList(QStringLiteral("meter-sim")) + arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error =
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    SimOptions options;
    options.help = parser.isSet(QStringLiteral("help"));
    options.split = parser.isSet(QStringLiteral("split"));
    QString name;
    const auto bad = [&](const QString& what) {
        *error = QStringLiteral("--%1 '%2': %3").arg(name, parser.value(name), what);
        return std::nullopt;
    };
    // Each given option, in the order listed here; --silent after
    // --addresses, whatever their order on the line.
    const auto given = [&](const char* option) {
        name = QString::fromLatin1(option);
        return parser.isSet(name);
    };
    if (given("addresses")) {
        const auto addresses = parseAddresses(parser.value(name));
        if (!addresses)
            return bad(QStringLiteral("expected addresses 1 to 255 such as 1,2,5-8"));
        options.addresses = *addresses;
    }
    if (given("silent")) {
        const auto silent = parseAddresses(parser.value(name));
        if (!silent)
            return bad(QStringLiteral("expected addresses 1 to 255"));
        for (std::uint8_t address : *silent) {
            if (std::find(options.addresses.begin(), options.addresses.end(), address) ==
                options.addresses.end())
                return bad(QStringLiteral("meter %1 is not on the line").arg(address));
        }
        options.silent = std::set<std::uint8_t>(silent->begin(), silent->end());
    }
    if (given("tcp")) {
        const QString text = parser.value(name);
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        QString host = text.left(std::max<qsizetype>(colon, 0));
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        const auto port = parseWhole(text.mid(colon + 1), 0, 65535);
        if (colon < 0 || host.isEmpty() || !port)
            return bad(QStringLiteral("expected HOST:PORT with a port from 0 to 65535"));
        options.tcpHost = host;
        options.tcpPort = *port;
    }
    if (given("framing")) {
        if (options.tcpHost.isEmpty())
            return bad(QStringLiteral("only with --tcp"));
        if (parser.value(name) == QLatin1String("mbap"))
            options.framing = Framing::Mbap;
        else if (parser.value(name) != QLatin1String("rtu"))
            return bad(QStringLiteral("expected rtu or mbap"));
    }
    for (const QString& item : parser.values(QStringLiteral("exception"))) {
        name = QStringLiteral("exception");
        const auto address = parseWhole(item.section(QLatin1Char(':'), 0, 0), 1, 255);
        const auto code = parseWhole(item.section(QLatin1Char(':'), 1), 1, 255);
        if (!address || !code) {
            *error =
                QStringLiteral("--exception '%1': expected ADDR:CODE, each 1 to 255").arg(item);
            return std::nullopt;
        }
        options.exceptions[static_cast<std::uint8_t>(*address)] = static_cast<std::uint8_t>(*code);
    }
    for (const QString& item : parser.values(QStringLiteral("alarm"))) {
        const QStringList parts = item.split(QLatin1Char(':'));
        const auto address = parseWhole(parts.value(0), 1, 255);
        const auto flag = parseWhole(parts.value(1), 1, 5);
        const auto replies = parts.size() == 3 ? parseWhole(parts[2], 1, 1'000'000) : -1;
        if (parts.size() > 3 || !address || !flag || !replies) {
            *error = QStringLiteral("--alarm '%1': expected ADDR:FLAG[:N], ADDR 1 to 255, FLAG 1 "
                                    "to 5, N from 1")
                         .arg(item);
            return std::nullopt;
        }
        options.alarms[static_cast<std::uint8_t>(*address)][std::size_t(*flag - 1)] = *replies;
    }
    for (const auto& [option, path] :
         {std::pair{"link", &options.linkPath}, std::pair{"log", &options.logPath},
          std::pair{"reply-log", &options.replyLogPath}}) {
        if (!given(option))
            continue;
        if (parser.value(name).isEmpty())
            return bad(QStringLiteral("expected a path"));
        *path = parser.value(name);
    }
    if (given("baud")) {
        const auto baud = parseWhole(parser.value(name), 50, 4'000'000);
        if (!baud)
            return bad(QStringLiteral("expected a speed from 50 to 4000000"));
        options.baud = *baud;
    }
    if (given("turnaround")) {
        const auto turnaround = parseWhole(parser.value(name), 0, 10'000);
        if (!turnaround)
            return bad(QStringLiteral("expected milliseconds from 0 to 10000"));
        options.turnaround = std::chrono::milliseconds(*turnaround);
    }
    for (const auto& [option, probability] :
         {std::pair{"corrupt-crc", &options.corruptCrc}, std::pair{"stray", &options.stray},
          std::pair{"wrong-tid", &options.wrongTid},
          std::pair{"short-length", &options.shortLength}}) {
        if (!given(option))
            continue;
        if (probability == &options.wrongTid || probability == &options.shortLength) {
            if (options.framing != Framing::Mbap)
                return bad(QStringLiteral("only with --framing mbap"));
        }
        const auto value = parseProbability(parser.value(name));
        if (!value)
            return bad(QStringLiteral("expected a probability from 0 to 1"));
        *probability = *value;
    }
    if (given("seed")) {
        bool ok = false;
        options.seed = parser.value(name).toUInt(&ok);
        if (!ok)
            return bad(QStringLiteral("expected a whole number from 0 to 4294967295"));
        options.seedGiven = true;
    }
    return options;
}
