#pragma once

#include "MeterLine.h"
#include "PtyPort.h"
#include "ReplyPacer.h"
#include "RequestFramer.h"
#include "RequestLog.h"
#include "SimOptions.h"

#include <chrono>
#include <deque>
#include <optional>

// Runs the simulated line on a pseudo-terminal until SIGINT, SIGTERM or
// SIGHUP: one poll() loop that sleeps until a byte arrives or the next
// timed step (end of a frame, a meter's answer, a piece of a reply) is due.
class SimServer {
public:
    explicit SimServer(const SimOptions& options);

    // The process exit code.
    int run();

private:
    using Clock = std::chrono::steady_clock;

    struct PendingRequest {
        Clock::time_point due;
        QByteArray frame;
    };
    struct PendingOutput {
        Clock::time_point due;
        QByteArray bytes;
        QByteArray endsReply;
    };

    void receive(Clock::time_point now);
    void accept(const QByteArray& frame, Clock::time_point now);
    void runDue(Clock::time_point now);
    void answer(const QByteArray& frame, Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline() const;

    SimOptions m_options;
    MeterLine m_line;
    ReplyPacer m_pacer;
    RequestFramer m_framer;
    RequestLog m_log;
    RequestLog m_replyLog;
    PtyPort m_port;

    std::chrono::microseconds m_byteTime{0};
    std::chrono::microseconds m_silenceTime{0};
    Clock::time_point m_modelTime;
    Clock::time_point m_frameStart;
    Clock::time_point m_lastByte;
    // The line is busy with a reply until then; the next one waits.
    Clock::time_point m_lineFree;
    std::deque<PendingRequest> m_requests;
    std::deque<PendingOutput> m_output;
};
