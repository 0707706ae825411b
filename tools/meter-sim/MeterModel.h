#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <random>

// The holding registers of one simulated meter. Registers 0 to 23 follow a
// model of flow that moves with time; 24 to 101 are parameters that keep
// what is written to them.
class MeterModel {
public:
    static constexpr int RegisterCount = 102;
    static constexpr int FirstParameter = 24;

    MeterModel(std::uint8_t address, std::uint32_t seed);

    std::uint8_t address() const { return m_address; }

    // The alarm flags no longer come and go at random: flag i (0 to 4) is
    // raised for the next `replies[i]` real-time replies, for good when -1.
    void fixAlarms(const std::array<int, 5>& replies);
    // A real-time reply went out: the fixed alarms count it.
    void realtimeReplied();

    // Moves the flow model on by `seconds` of real time.
    void advance(double seconds);

    std::uint16_t registerValue(int reg) const { return m_registers.at(reg); }
    // `count` registers from `first`, two bytes each, high byte first.
    QByteArray readBytes(int first, int count) const;
    // Stores parameters; the caller keeps `first`..`first + count - 1` within 24..101.
    void writeRegisters(int first, const std::vector<std::uint16_t>& values);

    float floatAt(int reg) const;
    std::uint32_t u32At(int reg) const;
    // A ten-character text as the tool shows it: the last stored byte first.
    QString text10At(int reg) const;

    // The forward total in m3, whole and decimal part together.
    double forwardTotal() const { return static_cast<double>(m_forwardWhole) + m_forwardFraction; }

private:
    void setU16(int reg, std::uint16_t value) { m_registers[reg] = value; }
    void setU32(int reg, std::uint32_t value);
    void setFloat(int reg, float value);
    void setText10(int reg, const QString& text);
    void setDefaultParameters();

    double flowAt(double t) const;
    double flowIntegral(double from, double to) const;
    void addForward(double cubicMetres);
    void stepAlarms(double seconds);
    void publish();

    std::uint8_t m_address = 1;
    std::mt19937 m_random;
    std::array<std::uint16_t, RegisterCount> m_registers{};
    double m_time = 0.0;

    // Flow in m3/h: a base with two slow waves on top, each meter its own.
    double m_baseFlow = 12.0;
    double m_waveDepth[2] = {0.15, 0.05};
    double m_wavePeriod[2] = {120.0, 11.0};
    double m_wavePhase[2] = {0.0, 0.0};
    double m_impedanceBase = 1800.0;

    std::uint64_t m_forwardWhole = 0;
    double m_forwardFraction = 0.0;
    std::uint32_t m_reverseWhole = 0;
    float m_reverseFraction = 0.0f;
    std::array<bool, 5> m_alarms{};
    std::optional<std::array<int, 5>> m_fixedAlarms;
};
