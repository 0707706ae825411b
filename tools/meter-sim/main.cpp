#include "SimOptions.h"
#include "SimServer.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <random>

int main(int argc, char** argv) {
    // For the program's name in the help text; the line runs a loop of its own.
    QCoreApplication app(argc, argv);
    QString error;
    auto options = SimOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "meter-sim: %s\nTry 'meter-sim --help'.\n", qPrintable(error));
        return 2;
    }
    if (options->help) {
        std::fputs(qPrintable(SimOptions::usage()), stdout);
        return 0;
    }
    if (!options->seedGiven)
        options->seed = std::random_device{}();
    SimServer server(*options);
    return server.run();
}
