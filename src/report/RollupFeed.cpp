#include "RollupFeed.h"

#include "StoredTime.h"

#include <charconv>

namespace {

std::optional<double> number(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

} // namespace

RollupBuilder::Snapshot RollupFeed::snapshot(const HistoryRow& row) {
    RollupBuilder::Snapshot snapshot;
    snapshot.row = row.row;
    if (row.readAt)
        snapshot.instant = *row.readAt;
    else if (const auto clock = StoredTime::clockSeconds(row.createTime))
        snapshot.instant = StoredTime::localTime(*clock).toMSecsSinceEpoch();
    else
        snapshot.instant = m_latest;
    m_latest = std::max(m_latest, snapshot.instant);
    snapshot.forward = number(row.forward);
    snapshot.reverse = number(row.reverse);
    snapshot.flowRate = number(row.flowRate);
    if (row.unit != m_unitText) {
        m_unitText = row.unit;
        m_unit = QString::fromUtf8(row.unit.data(), qsizetype(row.unit.size()));
    }
    snapshot.unit = m_unit;
    if (row.status != m_statusText) {
        m_statusText = row.status;
        m_alarms = RollupBuilder::alarmsOf(row.status);
    }
    snapshot.alarms = m_alarms;
    return snapshot;
}
