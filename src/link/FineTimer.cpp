#include "FineTimer.h"

#include <QSocketNotifier>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

FineTimer::FineTimer(QObject* parent) : QObject(parent), m_fallback(this) {
    // steady_clock is CLOCK_MONOTONIC on Linux, so its time points can be
    // handed to the timerfd as they are.
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FineTimer::expired);
    } else {
        m_fallback.setSingleShot(true);
        m_fallback.setTimerType(Qt::PreciseTimer);
        connect(&m_fallback, &QTimer::timeout, this, &FineTimer::expired);
    }
}

FineTimer::~FineTimer() {
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void FineTimer::startAt(Clock::time_point when) {
    if (m_active && when == m_deadline)
        return;
    m_active = true;
    m_deadline = when;
    if (m_fd < 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now());
        m_fallback.start(std::max(left, std::chrono::milliseconds(0)));
        return;
    }
    // An all-zero value would disarm the timer; one nanosecond after the
    // clock's start is long past and fires at once.
    const std::int64_t ns = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count(), 1);
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    spec.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void FineTimer::stop() {
    if (!m_active)
        return;
    m_active = false;
    disarm();
}

void FineTimer::disarm() {
    if (m_fd < 0) {
        m_fallback.stop();
        return;
    }
    // Setting the timer, to anything, also clears an expiry not yet read.
    const itimerspec off{};
    ::timerfd_settime(m_fd, 0, &off, nullptr);
}

void FineTimer::expired() {
    // A wake-up for a time since replaced, or stopped, is not a timeout.
    if (!m_active || Clock::now() < m_deadline) {
        std::uint64_t stale = 0;
        if (m_fd >= 0) [[maybe_unused]]
            const auto got = ::read(m_fd, &stale, sizeof stale);
        return;
    }
    m_active = false;
    emit timeout();
    // Started again by the handler, the expiry is cleared already; if not,
    // clearing it here keeps the descriptor from waking the loop again.
    if (!m_active)
        disarm();
}
