#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <chrono>
#include <deque>
#include <optional>

// Counts of the polling cycle, per meter and for the whole line.
//
// Each real-time request opens a poll that ends with exactly one outcome:
// its meter's reply stored, its reply dropped for a bad CRC, its reply
// taken whole but not stored (the store refused it), or no reply by the
// time the next sender took the line. So the outcomes add up to the
// requests sent, less the one poll still open.
class LineStatistics {
public:
    using Clock = std::chrono::steady_clock;

    enum class Outcome { Stored, CrcDropped, NotStored, NoReply };

    struct Counts {
        qint64 requests = 0;
        qint64 stored = 0;
        qint64 crcDrops = 0;
        qint64 notStored = 0;
        qint64 noReply = 0;
        QDateTime lastReply;
        // Request to the reply's last byte, over the latest replies.
        std::optional<double> medianReplyMs;
    };

    struct LineCounts : Counts {
        qint64 bytesReceived = 0;
        // Bytes that never became a complete reply: noise, stray bytes,
        // replies cut short or run together.
        qint64 garbageBytes = 0;
        // Complete replies of a meter that was not the one asked.
        qint64 unaskedReplies = 0;
        qint64 watchdogReopens = 0;
        // Requests the port would not take (closed, or refusing writes).
        qint64 requestsNotSent = 0;
        // Replies still arriving when the reply timeout was up.
        qint64 lateReplies = 0;
        qint64 portLosses = 0;
        qint64 storeFailures = 0;
        // From a gateway: replies to an earlier request (late, or another
        // unit's), garbled replies, and Modbus exceptions by their code.
        qint64 staleReplies = 0;
        qint64 garbledReplies = 0;
        QMap<int, qint64> exceptions;
    };

    struct ClosedPoll {
        int address;
        Outcome outcome;
    };

    // How many reply times each median is taken over.
    static constexpr std::size_t MedianWindow = 101;

    // A real-time request went to `address`; the poll before it ends.
    std::optional<ClosedPoll> requestSent(int address, Clock::time_point now);
    // Another sender took the line: the open poll ends.
    std::optional<ClosedPoll> lineTaken();

    // A complete real-time reply from `address` came in at `now`. Returns
    // true when it answered the open poll.
    bool replyStored(int address, Clock::time_point now, const QDateTime& wall);
    bool replyNotStored(int address, Clock::time_point now, const QDateTime& wall);
    // A reply counted stored that the store then refused: not stored.
    void storeRefused(int address);
    // A complete-length real-time reply whose CRC did not match.
    bool replyDropped(int address);

    void bytesReceived(qsizetype count) { m_line.bytesReceived += count; }
    // Bytes that formed a complete reply of any kind, good CRC or not.
    void replyBytes(qsizetype count) { m_replyBytes += count; }
    void watchdogReopened() { ++m_line.watchdogReopens; }
    void requestNotSent() { ++m_line.requestsNotSent; }
    void replyLate() { ++m_line.lateReplies; }
    void portLost() { ++m_line.portLosses; }
    void storeFailed() { ++m_line.storeFailures; }
    void staleReply() { ++m_line.staleReplies; }
    void garbledReply() { ++m_line.garbledReplies; }
    void exceptionReply(int code) { ++m_line.exceptions[code]; }

    // The meters seen so far, ascending.
    QList<int> meters() const { return m_meters.keys(); }
    Counts meter(int address) const;
    // Bytes still in the receive buffer may yet form a reply: they are not
    // garbage while they wait.
    LineCounts line(qsizetype bytesAwaitingReply = 0) const;
    // The poll still waiting for its reply, if any.
    std::optional<int> openPoll() const;

    // Every count back to zero; an open poll stays open but uncounted.
    void reset();

private:
    struct Samples {
        std::deque<double> ms;
        void add(double value);
        std::optional<double> median() const;
    };
    struct Poll {
        int address = 0;
        Clock::time_point sentAt;
        bool decided = false;
        bool counted = true;
    };

    std::optional<ClosedPoll> close();
    bool settle(int address, Outcome outcome, std::optional<Clock::time_point> arrived,
                const QDateTime& wall);
    void count(Counts& counts, Outcome outcome) const;

    QMap<int, Counts> m_meters;
    QMap<int, Samples> m_meterSamples;
    LineCounts m_line;
    Samples m_lineSamples;
    qint64 m_replyBytes = 0;
    std::optional<Poll> m_open;
};
