#include "PollingCycle.h"

#include "Frames.h"
#include "IntervalTimer.h"
#include "PollCursor.h"
#include "SerialExchange.h"
#include "SerialPort.h"

PollingCycle::PollingCycle(SerialExchange& exchange, PollCursor& cursor, IntervalTimer& pollTimer,
                           QObject* parent)
    : QObject(parent), m_exchange(exchange), m_cursor(cursor), m_pollTimer(pollTimer) {
    connect(&m_pollTimer, &IntervalTimer::tick, this, &PollingCycle::tick);
    connect(&m_exchange, &SerialExchange::replyReceived, this, &PollingCycle::replyComplete);
}

const LineSettings& PollingCycle::line() {
    const QString text = m_exchange.port().lineSettings();
    if (text != m_lineText) {
        m_lineText = text;
        m_line = LineSettings::parse(text).value_or(LineSettings());
    }
    return m_line;
}

void PollingCycle::tick() {
    m_exchange.clearform1();
    Send_Dowith();
}

void PollingCycle::Send_Dowith() {
    // An empty list sends nothing: a request to address 0 would be a
    // broadcast that every meter on the line might answer at once.
    const std::optional<int> address = m_cursor.currentAddress();
    if (!address)
        return;
    if (!m_exchange.port().isOpen()) {
        m_pollTimer.holdUntil(IntervalTimer::Clock::now() + ClosedPortPause);
        m_cursor.moveToNext();
        return;
    }
    if (*address >= 1 && *address <= 255) {
        const QByteArray request =
            Frames::readRequest(static_cast<std::uint8_t>(*address), ReplyKind::RealTime);
        // Held before the send: an answer that comes at once must find the
        // hold there to cut short.
        const auto sent = IntervalTimer::Clock::now();
        const auto lineTime =
            line().characterTime(int(request.size()) + Frames::replyLength(request));
        m_pollTimer.holdUntil(sent + lineTime + m_replyTimeout);
        if (m_exchange.send(request) != 0)
            m_pollTimer.holdUntil(sent); // nothing went out to wait for
    }
    m_cursor.moveToNext();
}

void PollingCycle::replyComplete() {
    // Any complete reply frees the line, also a late one: the next request
    // waits a frame gap after it, and no longer than its tick.
    const auto frameGap =
        m_exchange.port().keepsFrameGap() ? std::chrono::microseconds(0) : line().frameGap();
    m_pollTimer.holdUntil(IntervalTimer::Clock::now() + frameGap + m_requestGap);
}
