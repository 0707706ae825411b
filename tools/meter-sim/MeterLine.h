#pragma once

#include "MeterModel.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

// The meters sharing one line: takes a complete request frame and gives
// the bytes the addressed meter puts on the line, if any.
class MeterLine {
public:
    MeterLine(const std::vector<std::uint8_t>& addresses, const std::set<std::uint8_t>& silent,
              std::uint32_t seed);

    // The reply, CRC included; nothing for a bad CRC, a meter that is not
    // there or keeps quiet, a broadcast, or a request of the wrong length.
    std::optional<QByteArray> handle(const QByteArray& request);

    // These meters answer every request with their exception code instead.
    void setExceptions(const std::map<std::uint8_t, std::uint8_t>& codes) { m_exceptions = codes; }

    // These meters' alarm flags, as MeterModel::fixAlarms takes them.
    void setAlarms(const std::map<std::uint8_t, std::array<int, 5>>& alarms);

    void advance(double seconds);

    const MeterModel* meter(std::uint8_t address) const;

private:
    std::optional<QByteArray> answer(MeterModel& meter, const QByteArray& request);

    std::map<std::uint8_t, MeterModel> m_meters;
    std::set<std::uint8_t> m_silent;
    std::map<std::uint8_t, std::uint8_t> m_exceptions;
};
