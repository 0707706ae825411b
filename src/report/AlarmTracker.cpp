#include "AlarmTracker.h"

#include "RealtimeMap.h"

QString AlarmTracker::name(Alarm alarm) {
    const int index = int(alarm);
    if (index < int(RealtimeMap::alarmTexts.size()))
        return QString::fromUtf16(RealtimeMap::alarmTexts[std::size_t(index)]).mid(1);
    return QStringLiteral("No Reply");
}

std::optional<AlarmTracker::Alarm> AlarmTracker::named(const QString& text) {
    for (int i = 0; i < AlarmCount; ++i)
        if (name(Alarm(i)) == text)
            return Alarm(i);
    return std::nullopt;
}

void AlarmTracker::resume(const Active& alarm) {
    m_meters[{alarm.line, alarm.address}][std::size_t(alarm.alarm)] =
        std::max<qint64>(alarm.since, 1);
}

QList<AlarmTracker::Event> AlarmTracker::change(int line, int address,
                                                const std::array<bool, AlarmCount>& now,
                                                const std::array<bool, AlarmCount>& touched,
                                                qint64 at) {
    QList<Event> events;
    Since& since = m_meters[{line, address}];
    for (int i = 0; i < AlarmCount; ++i) {
        if (!touched[std::size_t(i)])
            continue;
        const bool was = since[std::size_t(i)] != 0;
        if (was == now[std::size_t(i)])
            continue;
        // A time of 0 would read as "not active": the epoch itself is moved on.
        since[std::size_t(i)] = now[std::size_t(i)] ? std::max<qint64>(at, 1) : 0;
        events << Event{line, address, Alarm(i), now[std::size_t(i)], at};
    }
    return events;
}

QList<AlarmTracker::Event> AlarmTracker::replied(int line, int address, const QString& status,
                                                 qint64 at) {
    std::array<bool, AlarmCount> now{};
    std::array<bool, AlarmCount> touched{};
    touched.fill(true);
    // The status lists its alarms after "Communication OK", each after a comma.
    const QStringList parts = status.split(QLatin1Char(','));
    for (int i = 0; i + 1 < AlarmCount; ++i)
        now[std::size_t(i)] = parts.contains(name(Alarm(i)));
    return change(line, address, now, touched, at);
}

QList<AlarmTracker::Event> AlarmTracker::silent(int line, int address, qint64 at) {
    std::array<bool, AlarmCount> now{};
    std::array<bool, AlarmCount> touched{};
    now[std::size_t(Alarm::NoReply)] = true;
    touched[std::size_t(Alarm::NoReply)] = true;
    return change(line, address, now, touched, at);
}

QList<AlarmTracker::Event> AlarmTracker::removed(int line, int address, qint64 at) {
    std::array<bool, AlarmCount> touched{};
    touched.fill(true);
    QList<Event> events = change(line, address, {}, touched, at);
    m_meters.remove({line, address});
    return events;
}

QList<AlarmTracker::Active> AlarmTracker::active() const {
    QList<Active> all;
    for (auto meter = m_meters.begin(); meter != m_meters.end(); ++meter)
        for (int i = 0; i < AlarmCount; ++i)
            if (const qint64 since = meter.value()[std::size_t(i)])
                all << Active{meter.key().first, meter.key().second, Alarm(i), since};
    return all;
}
