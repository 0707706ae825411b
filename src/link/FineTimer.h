#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class QSocketNotifier;

// A single-shot timer to the microsecond. A QTimer counts in whole
// milliseconds, and the waits of the line are shorter than that (a frame
// gap at 115200 baud is 1.75 ms). It runs on a Linux timerfd that the event
// loop watches, so a timeout costs one wake-up and nothing else; where no
// timerfd can be had it falls back to a QTimer, rounding up.
class FineTimer : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    explicit FineTimer(QObject* parent = nullptr);
    ~FineTimer() override;

    // A time already past times out at the next turn of the event loop.
    void startAt(Clock::time_point when);
    void start(std::chrono::microseconds after) { startAt(Clock::now() + after); }
    void stop();
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    void expired();

    void disarm();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_fallback;
    bool m_active = false;
    Clock::time_point m_deadline;
};
