#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

// What the command line asks of the simulated line.
struct SimOptions {
    std::vector<std::uint8_t> addresses{1};
    std::set<std::uint8_t> silent;
    QString linkPath;
    QString logPath;
    QString replyLogPath;
    int baud = 9600;
    std::chrono::milliseconds turnaround{5};
    double corruptCrc = 0.0;
    bool split = false;
    double stray = 0.0;
    std::uint32_t seed = 0;
    bool seedGiven = false; // otherwise the program picks one at random
    bool help = false;

    // `arguments` without the program name. On a mistake: nothing, and
    // `error` says what was wrong.
    static std::optional<SimOptions> parse(const QStringList& arguments, QString* error);
    static QString usage();
};
