#pragma once

#include "IntervalTimer.h"
#include "ReplyKind.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

class SerialExchange;

// The timed read of a parameter window: the four block requests on four
// ticks of the read timer, then, on the fifth, the signal to take the
// values as read. Replies come back through the exchange to the block
// decoders; nothing here waits for them.
class ParameterReadSequence : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds Step{200};

    // `meterAddressText` gives the text of the window's meter address list
    // at the moment a request is built.
    ParameterReadSequence(SerialExchange& exchange, std::function<QString()> meterAddressText,
                          QObject* parent = nullptr);

    // Read step 0 and the timer on, from the beginning of an interval.
    void start();
    // One tick: s := step, step := s + 1; 0 to 3 send blocks 1 to 4, 4 ends
    // the sequence.
    void tick();

    int step() const { return m_step; }
    IntervalTimer& timer() { return m_timer; }

signals:
    // A request of this sequence did not go out; the sequence goes on.
    void requestFailed();
    // The fifth tick: every block has had its turn.
    void finished();

private:
    // `ReadMeter1` to `ReadMeter4`: one block read request to the meter of
    // the address list; false when it could not be built or handed over.
    bool readMeter(ReplyKind block);

    SerialExchange& m_exchange;
    std::function<QString()> m_meterAddressText;
    IntervalTimer m_timer;
    qint16 m_step = 0;
};
