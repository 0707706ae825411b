#pragma once

#include <QObject>

class PollCursor;
class SerialExchange;

// One real-time request per poll tick, to the meter under the poll cursor.
class PollingCycle : public QObject {
    Q_OBJECT
public:
    PollingCycle(SerialExchange& exchange, PollCursor& cursor, QObject* parent = nullptr);

    // The poll timer's tick: empty the buffer, then ask the next meter.
    void tick();

    // Sends the real-time request to the cursor's meter and moves the
    // cursor on. Send failures are ignored: polling goes on regardless.
    void Send_Dowith();

private:
    SerialExchange& m_exchange;
    PollCursor& m_cursor;
};
