#pragma once

#include "LineSettings.h"

#include <QObject>
#include <QString>
#include <chrono>

class IntervalTimer;
class PollCursor;
class SerialExchange;

// One real-time request per poll tick, to the meter under the poll cursor.
//
// The poll period is a floor: the line is half duplex, so a request never
// goes out while the answer to the last one can still arrive. After each
// request the poll timer is held until that answer is complete and the line
// has been quiet for a frame gap (counted from when the answer was seen
// complete), or until the line time of request and answer and the line's
// reply timeout have passed, whichever comes first. A period longer than that
// sends one request a tick, as always; an answer that comes early never
// brings the next request before its tick.
class PollingCycle : public QObject {
    Q_OBJECT
public:
    // What a meter is given beyond the line time of request and answer
    // until the line's stored timeout is applied: as much as a new line
    // starts with.
    static constexpr std::chrono::milliseconds DefaultReplyTimeout{150};
    // How often a line whose port is closed (lost, being reopened) looks
    // again: a short poll period would otherwise spin on a port that is
    // not there.
    static constexpr std::chrono::milliseconds ClosedPortPause{100};

    // Runs on the ticks of `pollTimer`, which it holds as above.
    PollingCycle(SerialExchange& exchange, PollCursor& cursor, IntervalTimer& pollTimer,
                 QObject* parent = nullptr);

    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }
    // Quiet kept after a reply beyond the frame gap before the next request.
    void setRequestGap(std::chrono::milliseconds gap) { m_requestGap = gap; }

    // The poll timer's tick: empty the buffer, then ask the next meter.
    void tick();

    // Sends the real-time request to the cursor's meter and moves the
    // cursor on. A failed send is the exchange's to report (sendFailed);
    // polling goes on regardless.
    void Send_Dowith();

private:
    void replyComplete();
    const LineSettings& line();

    SerialExchange& m_exchange;
    PollCursor& m_cursor;
    IntervalTimer& m_pollTimer;
    std::chrono::milliseconds m_replyTimeout = DefaultReplyTimeout;
    std::chrono::milliseconds m_requestGap{0};
    // The port's settings, parsed once for each text the port reports.
    QString m_lineText;
    LineSettings m_line;
};
