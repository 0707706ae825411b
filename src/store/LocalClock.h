#pragma once

#include <QDateTime>

// The wall-clock time in this machine's zone, as
// QDateTime::currentDateTime() gives it, for the callers that stamp every
// reply. Qt asks the C library for the zone on every call, and the C
// library looks at /etc/localtime each time; here the zone's offset is
// looked up once a minute. Zones change their offset only at the start of
// a minute, so no time is stamped with an offset that no longer holds,
// and a zone changed on the machine shows within a minute.
class LocalClock {
public:
    QDateTime now();

    // The local time at a moment, milliseconds since 1970 UTC.
    QDateTime at(qint64 utcMs);

private:
    static constexpr qint64 MinuteMs = 60'000;
    qint64 m_minuteStartMs = 0;
    qint64 m_minuteEndMs = 0; // the offset holds from start until here
    int m_offsetSeconds = 0;
};
