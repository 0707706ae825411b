#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// When each meter's alarms came and went, from every stored reply and
// every time a meter is marked silent. The five alarm flags of the
// real-time record, and "No Reply" from the moment a meter is marked silent
// until it answers again. Keeps only what is active now.
class AlarmTracker {
public:
    enum class Alarm { Excitation, LowBattery, EmptyPipe, ExceedUpper, ExceedLower, NoReply };
    static constexpr int AlarmCount = 6;

    // "Excitation Alarm", ..., "No Reply": as the status text and the
    // journal name them.
    static QString name(Alarm alarm);
    // The alarm so named; nullopt for any other text.
    static std::optional<Alarm> named(const QString& name);

    struct Event {
        int line = 1;
        int address = 0;
        Alarm alarm = Alarm::NoReply;
        bool came = true; // false: went
        qint64 at = 0;    // ms since the epoch, UTC
        bool operator==(const Event&) const = default;
    };

    // A stored reply of the meter with its status text ("Communication
    // OK,Empty Pipe Alarm"): the alarms that came and went with it, No
    // Reply going when it was silent.
    QList<Event> replied(int line, int address, const QString& status, qint64 at);
    // The meter was marked silent: No Reply comes; its other alarms stay as
    // they were last seen.
    QList<Event> silent(int line, int address, qint64 at);
    // The meter is no longer listed: whatever it had goes.
    QList<Event> removed(int line, int address, qint64 at);

    struct Active {
        int line = 1;
        int address = 0;
        Alarm alarm = Alarm::NoReply;
        qint64 since = 0;
    };
    // Every alarm active now, by line, meter and alarm.
    QList<Active> active() const;
    // Takes an alarm as active since then, as the last run left it: no
    // event now; the next reply or silence says whether it lasts.
    void resume(const Active& alarm);

private:
    using Since = std::array<qint64, AlarmCount>; // 0: not active
    QList<Event> change(int line, int address, const std::array<bool, AlarmCount>& now,
                        const std::array<bool, AlarmCount>& touched, qint64 at);

    QMap<std::pair<int, int>, Since> m_meters;
};
