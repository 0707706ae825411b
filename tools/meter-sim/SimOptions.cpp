#include "SimOptions.h"

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

} // namespace

QString SimOptions::usage() {
    return QStringLiteral(
        "Usage: meter-sim [options]\n"
        "A line of simulated flow meters on a pseudo-terminal. Prints the\n"
        "terminal's path on the first line of standard output.\n"
        "\n"
        "  --addresses LIST    meters on the line, e.g. 1,2,3 or 1-32 (default 1)\n"
        "  --link PATH         symbolic link to the terminal, e.g. DIR/ports/com1;\n"
        "                      an old link is replaced, the link removed on exit\n"
        "  --baud N            line speed whose byte time is kept (default 9600)\n"
        "  --turnaround MS     meter reaction time before replying (default 5)\n"
        "  --silent LIST       meters on the line that never answer\n"
        "  --corrupt-crc P     chance 0..1 of a reply with a wrong CRC\n"
        "  --split             replies come in random pieces with gaps\n"
        "  --stray P           chance 0..1 of stray bytes around a reply\n"
        "  --seed N            seed for the flow model and the faults\n"
        "  --log FILE          each request received as a line of hex (file\n"
        "                      started afresh)\n"
        "  --reply-log FILE    each reply as it left, a line of monotonic-clock\n"
        "                      nanoseconds and hex (file started afresh)\n"
        "  --help              this text\n");
}

std::optional<SimOptions> SimOptions::parse(const QStringList& arguments, QString* error) {
    SimOptions options;
    const QStringList takesValue = {
        QStringLiteral("addresses"),  QStringLiteral("link"),   QStringLiteral("baud"),
        QStringLiteral("turnaround"), QStringLiteral("silent"), QStringLiteral("corrupt-crc"),
        QStringLiteral("stray"),      QStringLiteral("seed"),   QStringLiteral("log"),
        QStringLiteral("reply-log"),
    };
    std::optional<QString> silentText;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unexpected argument '%1'").arg(argument);
            return std::nullopt;
        }
        QString name = argument.mid(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }

        if (name == QLatin1String("help") || name == QLatin1String("split")) {
            if (value) {
                *error = QStringLiteral("--%1 takes no value").arg(name);
                return std::nullopt;
            }
            (name == QLatin1String("help") ? options.help : options.split) = true;
            continue;
        }
        if (!takesValue.contains(name)) {
            *error = QStringLiteral("unknown option '%1'").arg(argument);
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("--%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = arguments[++i];
        }

        const auto bad = [&](const QString& what) {
            *error = QStringLiteral("--%1 '%2': %3").arg(name, *value, what);
            return std::nullopt;
        };
        if (name == QLatin1String("addresses")) {
            const auto addresses = parseAddresses(*value);
            if (!addresses)
                return bad(QStringLiteral("expected addresses 1 to 255 such as 1,2,5-8"));
            options.addresses = *addresses;
        } else if (name == QLatin1String("silent")) {
            silentText = *value;
        } else if (name == QLatin1String("link")) {
            if (value->isEmpty())
                return bad(QStringLiteral("expected a path"));
            options.linkPath = *value;
        } else if (name == QLatin1String("log") || name == QLatin1String("reply-log")) {
            if (value->isEmpty())
                return bad(QStringLiteral("expected a file name"));
            (name == QLatin1String("log") ? options.logPath : options.replyLogPath) = *value;
        } else if (name == QLatin1String("baud")) {
            const auto baud = parseWhole(*value, 50, 4'000'000);
            if (!baud)
                return bad(QStringLiteral("expected a speed from 50 to 4000000"));
            options.baud = *baud;
        } else if (name == QLatin1String("turnaround")) {
            const auto turnaround = parseWhole(*value, 0, 10'000);
            if (!turnaround)
                return bad(QStringLiteral("expected milliseconds from 0 to 10000"));
            options.turnaroundMs = *turnaround;
        } else if (name == QLatin1String("corrupt-crc") || name == QLatin1String("stray")) {
            const auto probability = parseProbability(*value);
            if (!probability)
                return bad(QStringLiteral("expected a probability from 0 to 1"));
            (name == QLatin1String("stray") ? options.stray : options.corruptCrc) = *probability;
        } else if (name == QLatin1String("seed")) {
            bool ok = false;
            const uint seed = value->toUInt(&ok);
            if (!ok)
                return bad(QStringLiteral("expected a whole number from 0 to 4294967295"));
            options.seed = seed;
            options.seedGiven = true;
        }
    }

    // Checked last, so --silent may come before --addresses.
    if (silentText) {
        const auto silent = parseAddresses(*silentText);
        if (!silent) {
            *error = QStringLiteral("--silent '%1': expected addresses 1 to 255").arg(*silentText);
            return std::nullopt;
        }
        for (std::uint8_t address : *silent) {
            if (std::find(options.addresses.begin(), options.addresses.end(), address) ==
                options.addresses.end()) {
                *error = QStringLiteral("--silent: meter %1 is not on the line").arg(address);
                return std::nullopt;
            }
        }
        options.silent = std::set<std::uint8_t>(silent->begin(), silent->end());
    }
    return options;
}
