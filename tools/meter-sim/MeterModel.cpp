#include "MeterModel.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace {

// Real-time registers.
constexpr int FlowRate = 0;
constexpr int FlowUnit = 2;
constexpr int ForwardWhole = 3;
constexpr int ForwardFraction = 5;
constexpr int TotalUnit = 7;
constexpr int ReverseWhole = 8;
constexpr int ReverseFraction = 10;
constexpr int FirstAlarm = 13;
constexpr int FlowSpeed = 18;
constexpr int SpanPercent = 20;
constexpr int Impedance = 22;

// Parameters the flow model reads or mirrors.
constexpr int MeterSize = 24;
constexpr int Span = 31;
constexpr int TotalizerPreset = 83;
constexpr int ReverseTotalizerPreset = 85;

// An alarm shows up about once in half an hour per flag and clears in
// about twenty seconds, so a poll now and then catches one.
constexpr double MeanTimeBetweenAlarms = 1800.0;
constexpr double MeanAlarmDuration = 20.0;

double uniform(std::mt19937& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

// Floats of the decimal part must stay below 1 even after rounding to single.
float belowOne(double fraction) {
    const auto value = static_cast<float>(fraction);
    return value < 1.0f ? value : std::nextafter(1.0f, 0.0f);
}

} // namespace

MeterModel::MeterModel(std::uint8_t address, std::uint32_t seed)
    : m_address(address), m_random(seed ^ (0x9E3779B9u * (address + 1u))) {
    m_baseFlow = uniform(m_random, 8.0, 20.0);
    m_waveDepth[0] = uniform(m_random, 0.10, 0.20);
    m_waveDepth[1] = uniform(m_random, 0.03, 0.08);
    m_wavePeriod[0] = uniform(m_random, 60.0, 180.0);
    m_wavePeriod[1] = uniform(m_random, 7.0, 20.0);
    m_wavePhase[0] = uniform(m_random, 0.0, 2.0 * std::numbers::pi);
    m_wavePhase[1] = uniform(m_random, 0.0, 2.0 * std::numbers::pi);
    m_impedanceBase = uniform(m_random, 1200.0, 2400.0);
    m_forwardWhole = static_cast<std::uint64_t>(uniform(m_random, 1000.0, 50000.0));
    m_forwardFraction = uniform(m_random, 0.0, 1.0);
    m_reverseWhole = static_cast<std::uint32_t>(uniform(m_random, 0.0, 50.0));
    m_reverseFraction = belowOne(uniform(m_random, 0.0, 1.0));

    setDefaultParameters();
    publish();
}

void MeterModel::setDefaultParameters() {
    setFloat(MeterSize, 50.0f);
    setU16(26, 1);         // language: English
    setU16(27, m_address); // meter address
    setU16(28, 4);         // 9600 baud
    setU16(29, 5);         // communication interval
    setU16(30, 7);         // flow rate unit: CMH
    setFloat(Span, 60.0f); // m3/h at 100 %
    setU16(33, 0);         // forward
    setFloat(34, 0.0f);    // zero point
    setFloat(36, 0.5f);    // cutoff
    setU16(38, 3);         // damping
    setU16(39, 6);         // totalizer unit: cubic m
    setU16(40, 0);         // reverse flow disabled
    setU16(41, 0);         // frequency output
    setFloat(42, 1.0f);    // K factor
    setU32(44, 1000);      // pulse width

    setFloat(46, 1000.0f); // frequency output span
    setFloat(48, 50.0f);   // duty cycle
    setFloat(50, 500.0f);  // EPD threshold
    setFloat(52, 1.0f);    // sensor factor
    setFloat(54, 1.0f);    // user factor
    setU16(56, 1);         // excitation mode 2
    setText10(57, QStringLiteral("SN2024%1").arg(m_address, 4, 10, QLatin1Char('0')));
    setU16(62, 0); // linearization off
    const float xs[5] = {0.5f, 1.0f, 2.0f, 4.0f, 8.0f};
    const float ys[5] = {1.02f, 1.01f, 1.0f, 0.995f, 0.99f};
    for (int i = 0; i < 5; ++i) {
        const int reg = i < 2 ? 63 + 4 * i : 71 + 4 * (i - 2);
        setFloat(reg, xs[i]);
        setFloat(reg + 2, ys[i]);
    }

    // 83 to 86 mirror the totalizers and are refreshed by publish().
    setU16(87, 1);        // measurement interval
    setFloat(88, 2.5f);   // threshold for the 5 s measurement
    setFloat(90, 123.4f); // transducer factor, shown divided by ten
    setU16(92, 0);        // sleep off
    setText10(95, QStringLiteral("RX71%1").arg(m_address, 6, 10, QLatin1Char('0')));
    setU16(100, 0); // no parity
    setU16(101, 0); // empty pipe detection enabled
}

void MeterModel::advance(double seconds) {
    if (seconds > 0.0) {
        addForward(flowIntegral(m_time, m_time + seconds) / 3600.0);
        stepAlarms(seconds);
        m_time += seconds;
    }
    publish();
}

double MeterModel::flowAt(double t) const {
    double factor = 1.0;
    for (int i = 0; i < 2; ++i)
        factor += m_waveDepth[i] *
                  std::sin(2.0 * std::numbers::pi * t / m_wavePeriod[i] + m_wavePhase[i]);
    return m_baseFlow * factor;
}

// Exact integral of flowAt, so a long idle stretch costs nothing and loses nothing.
double MeterModel::flowIntegral(double from, double to) const {
    double sum = to - from;
    for (int i = 0; i < 2; ++i) {
        const double w = 2.0 * std::numbers::pi / m_wavePeriod[i];
        sum += m_waveDepth[i] *
               (std::cos(w * from + m_wavePhase[i]) - std::cos(w * to + m_wavePhase[i])) / w;
    }
    return m_baseFlow * sum;
}

void MeterModel::addForward(double cubicMetres) {
    m_forwardFraction += cubicMetres;
    const double carry = std::floor(m_forwardFraction);
    m_forwardFraction -= carry;
    // The register is 32 bits wide; the counter wraps as a real one would.
    m_forwardWhole = (m_forwardWhole + static_cast<std::uint64_t>(carry)) & 0xFFFFFFFFu;
}

void MeterModel::fixAlarms(const std::array<int, 5>& replies) {
    m_fixedAlarms = replies;
    for (std::size_t i = 0; i < m_alarms.size(); ++i)
        m_alarms[i] = replies[i] != 0;
    publish();
}

void MeterModel::realtimeReplied() {
    if (!m_fixedAlarms)
        return;
    for (std::size_t i = 0; i < m_alarms.size(); ++i) {
        int& left = (*m_fixedAlarms)[i];
        left -= left > 0 ? 1 : 0;
        m_alarms[i] = left != 0;
        setU16(FirstAlarm + int(i), m_alarms[i] ? 1 : 0);
    }
}

void MeterModel::stepAlarms(double seconds) {
    if (m_fixedAlarms)
        return;
    const double raise = 1.0 - std::exp(-seconds / MeanTimeBetweenAlarms);
    const double clear = 1.0 - std::exp(-seconds / MeanAlarmDuration);
    for (bool& alarm : m_alarms)
        alarm = alarm ? uniform(m_random, 0.0, 1.0) >= clear : uniform(m_random, 0.0, 1.0) < raise;
}

void MeterModel::publish() {
    // A little jitter on the shown rate, as a real converter has.
    const double flow = flowAt(m_time) * (1.0 + uniform(m_random, -0.003, 0.003));
    setFloat(FlowRate, static_cast<float>(flow));
    setU16(FlowUnit, 7);  // m3/h
    setU16(TotalUnit, 6); // m3
    setU32(ForwardWhole, static_cast<std::uint32_t>(m_forwardWhole));
    setFloat(ForwardFraction, belowOne(m_forwardFraction));
    setU32(ReverseWhole, m_reverseWhole);
    setFloat(ReverseFraction, m_reverseFraction);
    setU16(12, 0);
    for (int i = 0; i < 5; ++i)
        setU16(FirstAlarm + i, m_alarms[i] ? 1 : 0);

    // Speed and span follow the meter size and span parameters as set now.
    const double diameter = floatAt(MeterSize) / 1000.0;
    const double area = std::numbers::pi * diameter * diameter / 4.0;
    const double speed = area > 0.0 ? flow / 3600.0 / area : 0.0;
    setFloat(FlowSpeed, static_cast<float>(speed));
    const double span = floatAt(Span);
    setFloat(SpanPercent, static_cast<float>(span > 0.0 ? 100.0 * flow / span : 0.0));
    const double drift = 0.05 * std::sin(2.0 * std::numbers::pi * m_time / 600.0);
    setFloat(Impedance, static_cast<float>(m_impedanceBase * (1.0 + drift)));

    setU32(TotalizerPreset, static_cast<std::uint32_t>(m_forwardWhole));
    setU32(ReverseTotalizerPreset, m_reverseWhole);
}

QByteArray MeterModel::readBytes(int first, int count) const {
    QByteArray bytes;
    bytes.reserve(count * 2);
    for (int reg = first; reg < first + count; ++reg) {
        bytes.append(static_cast<char>(m_registers.at(reg) >> 8));
        bytes.append(static_cast<char>(m_registers.at(reg) & 0xFF));
    }
    return bytes;
}

void MeterModel::writeRegisters(int first, const std::vector<std::uint16_t>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        m_registers.at(first + static_cast<int>(i)) = values[i];

    // Writing the totalizer parameters presets the running totals.
    const int last = first + static_cast<int>(values.size()) - 1;
    if (first <= TotalizerPreset + 1 && last >= TotalizerPreset) {
        m_forwardWhole = u32At(TotalizerPreset);
        m_forwardFraction = 0.0;
    }
    if (first <= ReverseTotalizerPreset + 1 && last >= ReverseTotalizerPreset) {
        m_reverseWhole = u32At(ReverseTotalizerPreset);
        m_reverseFraction = 0.0f;
    }
    publish();
}

void MeterModel::setU32(int reg, std::uint32_t value) {
    m_registers[reg] = static_cast<std::uint16_t>(value >> 16);
    m_registers[reg + 1] = static_cast<std::uint16_t>(value & 0xFFFF);
}

void MeterModel::setFloat(int reg, float value) {
    setU32(reg, std::bit_cast<std::uint32_t>(value));
}

void MeterModel::setText10(int reg, const QString& text) {
    // Stored last character first: byte 0 of the field holds the tenth character.
    const QByteArray latin = text.toLatin1().leftJustified(10, ' ', true);
    for (int i = 0; i < 5; ++i) {
        const auto high = static_cast<std::uint8_t>(latin[9 - 2 * i]);
        const auto low = static_cast<std::uint8_t>(latin[8 - 2 * i]);
        m_registers[reg + i] = static_cast<std::uint16_t>(high << 8 | low);
    }
}

std::uint32_t MeterModel::u32At(int reg) const {
    return static_cast<std::uint32_t>(m_registers.at(reg)) << 16 | m_registers.at(reg + 1);
}

float MeterModel::floatAt(int reg) const {
    return std::bit_cast<float>(u32At(reg));
}

QString MeterModel::text10At(int reg) const {
    const QByteArray bytes = readBytes(reg, 5);
    QString text;
    for (int i = bytes.size() - 1; i >= 0; --i)
        text.append(QChar::fromLatin1(bytes[i]));
    return text;
}
