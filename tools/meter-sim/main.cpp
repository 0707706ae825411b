#include "SimOptions.h"
#include "SimServer.h"

#include <QStringList>
#include <cstdio>
#include <random>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QString error;
    auto options = SimOptions::parse(arguments, &error);
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
