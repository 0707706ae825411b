#pragma once

#include <chrono>

// When a line that gives no byte at all is closed and reopened: after
// StalledPolls polls without a byte, then again after each further stretch
// without one, the stretches doubling from FirstStretch to LongestStretch.
// It never gives up: an adapter whose driver wedged may come to life only
// on a fresh open, however long that takes. Any byte starts it over.
class SilenceWatchdog {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int StalledPolls = 20;
    static constexpr std::chrono::milliseconds FirstStretch = std::chrono::seconds(2);
    static constexpr std::chrono::milliseconds LongestStretch = std::chrono::minutes(1);

    // A request went out at `now`; true when the line is to be reopened.
    bool pollSent(Clock::time_point now);
    void byteArrived();

    // How long the line must stay quiet after the last reopen before the
    // next one; FirstStretch before any reopen.
    std::chrono::milliseconds stretch() const { return m_stretch; }

private:
    int m_pollsWithoutBytes = 0;
    bool m_reopened = false; // since the last byte
    Clock::time_point m_lastReopen;
    std::chrono::milliseconds m_stretch = FirstStretch;
};
