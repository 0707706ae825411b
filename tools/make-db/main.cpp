// make-db: creates a starting database for the tool.
//   make-db [--if-missing] [--meters 1,2,3] [--com N] [--baud TEXT] [--parity N]
//           [--timer MS] [--timesj MIN] PATH

#include "StartingDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
    if (parser.isSet(QStringLiteral("baud")))
        options.settings = parser.value(QStringLiteral("baud"));
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
    if (!StartingDatabase::create(path, options, &error)) {
        std::fprintf(stderr, "make-db: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
