#include "MeterLine.h"

#include "CRC16.h"

namespace {

constexpr std::uint8_t Broadcast = 0;
constexpr std::uint8_t ReadHolding = 3;
constexpr std::uint8_t WriteSingle = 6;
constexpr std::uint8_t WriteMultiple = 16;

constexpr std::uint8_t IllegalFunction = 1;
constexpr std::uint8_t IllegalAddress = 2;
constexpr std::uint8_t IllegalValue = 3;

// Standard limits of one read and one multiple write.
constexpr int MaxReadCount = 125;
constexpr int MaxWriteCount = 123;

std::uint8_t byteAt(const QByteArray& frame, int i) {
    return static_cast<std::uint8_t>(frame[i]);
}

int wordAt(const QByteArray& frame, int i) {
    return byteAt(frame, i) << 8 | byteAt(frame, i + 1);
}

QByteArray exception(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    QByteArray body;
    body.append(static_cast<char>(address));
    body.append(static_cast<char>(function | 0x80));
    body.append(static_cast<char>(code));
    return withCrc(body);
}

bool isParameterRange(int first, int count) {
    return first >= MeterModel::FirstParameter && first + count <= MeterModel::RegisterCount;
}

} // namespace

MeterLine::MeterLine(const std::vector<std::uint8_t>& addresses,
                     const std::set<std::uint8_t>& silent, std::uint32_t seed)
    : m_silent(silent) {
    for (std::uint8_t address : addresses)
        m_meters.try_emplace(address, address, seed);
}

void MeterLine::setAlarms(const std::map<std::uint8_t, std::array<int, 5>>& alarms) {
    for (const auto& [address, replies] : alarms)
        if (const auto it = m_meters.find(address); it != m_meters.end())
            it->second.fixAlarms(replies);
}

void MeterLine::advance(double seconds) {
    for (auto& [address, meter] : m_meters)
        meter.advance(seconds);
}

const MeterModel* MeterLine::meter(std::uint8_t address) const {
    const auto it = m_meters.find(address);
    return it == m_meters.end() ? nullptr : &it->second;
}

std::optional<QByteArray> MeterLine::handle(const QByteArray& request) {
    if (request.size() < 4 || !crcMatches(request))
        return std::nullopt;
    const std::uint8_t address = byteAt(request, 0);
    if (address == Broadcast) {
        // Every meter takes a broadcast write; none of them answers it.
        const std::uint8_t function = byteAt(request, 1);
        if (function == WriteSingle || function == WriteMultiple)
            for (auto& [each, meter] : m_meters)
                answer(meter, request);
        return std::nullopt;
    }
    const auto it = m_meters.find(address);
    if (it == m_meters.end() || m_silent.contains(address))
        return std::nullopt;
    if (const auto code = m_exceptions.find(address); code != m_exceptions.end())
        return exception(address, byteAt(request, 1), code->second);
    return answer(it->second, request);
}

std::optional<QByteArray> MeterLine::answer(MeterModel& meter, const QByteArray& request) {
    const std::uint8_t address = byteAt(request, 0);
    const std::uint8_t function = byteAt(request, 1);
    switch (function) {
    case ReadHolding: {
        if (request.size() != 8)
            return std::nullopt;
        const int first = wordAt(request, 2);
        const int count = wordAt(request, 4);
        if (count < 1 || count > MaxReadCount)
            return exception(address, function, IllegalValue);
        if (first + count > MeterModel::RegisterCount)
            return exception(address, function, IllegalAddress);
        QByteArray body;
        body.append(static_cast<char>(address));
        body.append(static_cast<char>(function));
        body.append(static_cast<char>(count * 2));
        body.append(meter.readBytes(first, count));
        if (first == 0)
            meter.realtimeReplied();
        return withCrc(body);
    }
    case WriteSingle: {
        if (request.size() != 8)
            return std::nullopt;
        const int reg = wordAt(request, 2);
        if (!isParameterRange(reg, 1))
            return exception(address, function, IllegalAddress);
        meter.writeRegisters(reg, {static_cast<std::uint16_t>(wordAt(request, 4))});
        return request;
    }
    case WriteMultiple: {
        if (request.size() < 9 || request.size() != 9 + byteAt(request, 6))
            return std::nullopt;
        const int first = wordAt(request, 2);
        const int count = wordAt(request, 4);
        if (count < 1 || count > MaxWriteCount || byteAt(request, 6) != count * 2)
            return exception(address, function, IllegalValue);
        if (!isParameterRange(first, count))
            return exception(address, function, IllegalAddress);
        std::vector<std::uint16_t> values;
        for (int i = 0; i < count; ++i)
            values.push_back(static_cast<std::uint16_t>(wordAt(request, 7 + 2 * i)));
        meter.writeRegisters(first, values);
        return withCrc(request.left(6));
    }
    default:
        return exception(address, function, IllegalFunction);
    }
}
