#include "PollingCycle.h"

#include "Frames.h"
#include "PollCursor.h"
#include "SerialExchange.h"

PollingCycle::PollingCycle(SerialExchange& exchange, PollCursor& cursor, QObject* parent)
    : QObject(parent), m_exchange(exchange), m_cursor(cursor) {}

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
    if (*address >= 1 && *address <= 255)
        m_exchange.send(
            Frames::readRequest(static_cast<std::uint8_t>(*address), ReplyKind::RealTime));
    m_cursor.moveToNext();
}
