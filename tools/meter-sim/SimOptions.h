#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

// What the command line asks of the simulated line.
struct SimOptions {
    std::vector<std::uint8_t> addresses{1};
    std::set<std::uint8_t> silent;
    // Listen on TCP as a serial device server when set; port 0 picks one.
    QString tcpHost;
    int tcpPort = 0;
    enum class Framing { Rtu, Mbap } framing = Framing::Rtu;
    QString linkPath;
    QString logPath;
    QString replyLogPath;
    int baud = 9600;
    std::chrono::milliseconds turnaround{5};
    double corruptCrc = 0.0;
    bool split = false;
    double stray = 0.0;
    // Modbus TCP only: replies with an earlier transaction id, or a length
    // field shorter than what follows.
    double wrongTid = 0.0;
    double shortLength = 0.0;
    // Meters that answer every request with this exception code.
    std::map<std::uint8_t, std::uint8_t> exceptions;
    // Meters whose alarm flags are set rather than random: flag i raised
    // for that many real-time replies, -1 for good, 0 never.
    std::map<std::uint8_t, std::array<int, 5>> alarms;
    std::uint32_t seed = 0;
    bool seedGiven = false; // otherwise the program picks one at random
    bool help = false;

    // `arguments` without the program name. On a mistake: nothing, and
    // `error` says what was wrong.
    static std::optional<SimOptions> parse(const QStringList& arguments, QString* error);
    static QString usage();
};
