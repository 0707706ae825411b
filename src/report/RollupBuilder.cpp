#include "RollupBuilder.h"

#include "AlarmTracker.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 HourMs = 3600 * 1000;
constexpr int forwardSeries = 0;
constexpr int reverseSeries = 1;

qint64 hourStart(qint64 instant) {
    return instant - (((instant % HourMs) + HourMs) % HourMs);
}

bool usable(const std::optional<double>& total) {
    return !total || (std::isfinite(*total) && *total >= 0);
}

} // namespace

quint8 RollupBuilder::alarmsOf(std::string_view status) {
    constexpr quint8 noReply = 1u << int(AlarmTracker::Alarm::NoReply);
    if (status.empty())
        return noReply;
    // Names are plain ASCII; the status lists them after commas.
    static const auto names = [] {
        std::array<QByteArray, AlarmTracker::AlarmCount - 1> all;
        for (int i = 0; i < AlarmTracker::AlarmCount - 1; ++i)
            all[std::size_t(i)] = AlarmTracker::name(AlarmTracker::Alarm(i)).toLatin1();
        return all;
    }();
    quint8 alarms = 0;
    std::size_t start = 0;
    while (start <= status.size()) {
        const std::size_t comma = std::min(status.find(',', start), status.size());
        const std::string_view part = status.substr(start, comma - start);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (part == std::string_view(names[i].constData(), std::size_t(names[i].size())))
                alarms |= quint8(1u << i);
        start = comma + 1;
    }
    return alarms;
}

RollupBuilder::RollupBuilder(int line, int address)
    : m_line(line), m_address(address), m_series{TotalizerSeries(QString::fromLatin1(VolumeUnit)),
                                                 TotalizerSeries(QString::fromLatin1(VolumeUnit))} {
}

RollupHour& RollupBuilder::hourAt(qint64 instant) {
    const qint64 start = hourStart(instant) / 1000;
    auto [it, made] = m_hours.try_emplace(start);
    if (made) {
        it->second.line = m_line;
        it->second.address = m_address;
        it->second.hour = start;
    }
    return it->second;
}

void RollupBuilder::settle(int series, const TotalizerSeries::Step& step) {
    if (step.segment && m_pendingRow[series])
        m_keptRow[series] = *m_pendingRow[series];
    if (m_replaying)
        return; // folded in already
    if (step.glitchAt)
        hourAt(*step.glitchAt).marks |= int(ConsumptionMark::Glitch);
    if (!step.segment)
        return;
    const auto& [from, to, volume, marks] = *step.segment;
    const auto add = [&](RollupHour& hour, double part, qint64 seen) {
        std::optional<double>& total = series == forwardSeries ? hour.forward : hour.reverse;
        total = total.value_or(0) + part;
        (series == forwardSeries ? hour.forwardSeenMs : hour.reverseSeenMs) += seen;
        hour.marks |= int(marks);
        if (seen > 0)
            hour.longestStepMs = std::max(hour.longestStepMs, to - from);
    };
    if (to == from) {
        add(hourAt(from), volume, 0);
        return;
    }
    for (qint64 lo = from; lo < to;) {
        const qint64 hi = std::min(to, hourStart(lo) + HourMs);
        add(hourAt(lo), volume * double(hi - lo) / double(to - from), hi - lo);
        lo = hi;
    }
}

void RollupBuilder::addAlarms(qint64 from, qint64 to) {
    if (!m_alarms || to <= from)
        return;
    for (qint64 lo = from; lo < to;) {
        const qint64 hi = std::min(to, hourStart(lo) + HourMs);
        RollupHour& hour = hourAt(lo);
        for (int a = 0; a < RollupHour::AlarmCount; ++a)
            if (m_alarms & (1u << a))
                hour.alarmSeconds[std::size_t(a)] += double(hi - lo) / 1000;
        lo = hi;
    }
}

void RollupBuilder::push(const Snapshot& given) {
    // A snapshot of no known time counts from the meter's last one.
    Snapshot snapshot = given;
    if (snapshot.instant <= 0)
        snapshot.instant = m_lastInstant.value_or(0);
    if ((m_lastInstant && snapshot.instant < *m_lastInstant) || snapshot.instant <= 0 ||
        !usable(snapshot.forward) || !usable(snapshot.reverse)) {
        ++m_dropped;
        return;
    }
    if (!m_replaying) {
        if (m_lastInstant)
            addAlarms(*m_lastInstant, snapshot.instant);
        RollupHour& hour = hourAt(snapshot.instant);
        if (!hour.firstAt) {
            hour.firstAt = snapshot.instant;
            hour.firstForward = snapshot.forward;
            hour.firstReverse = snapshot.reverse;
        }
        hour.lastAt = snapshot.instant;
        hour.lastForward = snapshot.forward;
        hour.lastReverse = snapshot.reverse;
        if (snapshot.forward || snapshot.reverse)
            hour.unit = snapshot.unit;
        if (snapshot.flowRate && std::isfinite(*snapshot.flowRate)) {
            const double flow = *snapshot.flowRate;
            hour.flowMin = std::min(hour.flowMin.value_or(flow), flow);
            hour.flowMax = std::max(hour.flowMax.value_or(flow), flow);
            hour.flowSum += flow;
            ++hour.samples;
        }
    }
    m_lastInstant = snapshot.instant;
    m_lastRow = snapshot.row;
    m_alarms = snapshot.alarms;
    const std::array<const std::optional<double>*, 2> totals{&snapshot.forward, &snapshot.reverse};
    for (int s : {forwardSeries, reverseSeries}) {
        if (!*totals[s])
            continue;
        const TotalizerSeries::Step step =
            m_series[s].push(snapshot.instant, **totals[s], snapshot.unit);
        if (!m_pendingRow[s] && !m_keptRow[s]) // the series' first reading is kept at once
            m_keptRow[s] = snapshot.row;
        else {
            settle(s, step);
            m_pendingRow[s] = snapshot.row;
        }
    }
}

void RollupBuilder::replay(const Snapshot& snapshot, qint64 forwardFrom, qint64 reverseFrom) {
    Snapshot part = snapshot;
    if (snapshot.row < forwardFrom)
        part.forward.reset();
    if (snapshot.row < reverseFrom)
        part.reverse.reset();
    m_replaying = true;
    push(part);
    m_replaying = false;
}

void RollupBuilder::finish() {
    for (int s : {forwardSeries, reverseSeries}) {
        settle(s, m_series[s].finish());
        m_keptRow[s] = 0;
        m_pendingRow[s].reset();
    }
}

QList<RollupHour> RollupBuilder::take() {
    QList<RollupHour> hours;
    hours.reserve(qsizetype(m_hours.size()));
    const qint64 last = m_lastRow.value_or(0);
    for (auto& [start, hour] : m_hours) {
        hour.forwardFrom = m_keptRow[forwardSeries] ? m_keptRow[forwardSeries] : last;
        hour.reverseFrom = m_keptRow[reverseSeries] ? m_keptRow[reverseSeries] : last;
        hours << std::move(hour);
    }
    m_hours.clear();
    return hours;
}
