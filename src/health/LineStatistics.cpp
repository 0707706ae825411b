#include "LineStatistics.h"

#include <algorithm>
#include <vector>

void LineStatistics::Samples::add(double value) {
    ms.push_back(value);
    if (ms.size() > MedianWindow)
        ms.pop_front();
}

std::optional<double> LineStatistics::Samples::median() const {
    if (ms.empty())
        return std::nullopt;
    std::vector<double> sorted(ms.begin(), ms.end());
    const std::size_t middle = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(middle), sorted.end());
    if (sorted.size() % 2 == 1)
        return sorted[middle];
    const double upper = sorted[middle];
    const double lower = *std::max_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(middle));
    return (lower + upper) / 2;
}

std::optional<LineStatistics::ClosedPoll> LineStatistics::requestSent(int address,
                                                                      Clock::time_point now) {
    std::optional<ClosedPoll> closed = close();
    ++m_meters[address].requests;
    ++m_line.requests;
    m_open = Poll{address, now, false, true};
    return closed;
}

std::optional<LineStatistics::ClosedPoll> LineStatistics::lineTaken() {
    return close();
}

std::optional<LineStatistics::ClosedPoll> LineStatistics::close() {
    if (!m_open)
        return std::nullopt;
    const Poll poll = *m_open;
    m_open.reset();
    if (poll.decided)
        return std::nullopt; // its outcome was counted when the reply came
    if (poll.counted) {
        count(m_meters[poll.address], Outcome::NoReply);
        count(m_line, Outcome::NoReply);
    }
    return ClosedPoll{poll.address, Outcome::NoReply};
}

void LineStatistics::count(Counts& counts, Outcome outcome) const {
    switch (outcome) {
    case Outcome::Stored:
        ++counts.stored;
        break;
    case Outcome::CrcDropped:
        ++counts.crcDrops;
        break;
    case Outcome::NotStored:
        ++counts.notStored;
        break;
    case Outcome::NoReply:
        ++counts.noReply;
        break;
    }
}

bool LineStatistics::settle(int address, Outcome outcome, std::optional<Clock::time_point> arrived,
                            const QDateTime& wall) {
    const bool answersPoll = m_open && !m_open->decided && m_open->address == address;
    if (arrived) {
        // A good reply: the meter is there, asked or not.
        Counts& meter = m_meters[address];
        meter.lastReply = wall;
        m_line.lastReply = wall;
        if (answersPoll) {
            const double ms =
                std::chrono::duration<double, std::milli>(*arrived - m_open->sentAt).count();
            m_meterSamples[address].add(ms);
            m_lineSamples.add(ms);
        }
    }
    if (!answersPoll) {
        if (arrived)
            ++m_line.unaskedReplies;
        return false;
    }
    m_open->decided = true;
    if (m_open->counted) {
        count(m_meters[address], outcome);
        count(m_line, outcome);
    }
    return true;
}

bool LineStatistics::replyStored(int address, Clock::time_point now, const QDateTime& wall) {
    return settle(address, Outcome::Stored, now, wall);
}

bool LineStatistics::replyNotStored(int address, Clock::time_point now, const QDateTime& wall) {
    return settle(address, Outcome::NotStored, now, wall);
}

void LineStatistics::storeRefused(int address) {
    for (Counts* counts : {static_cast<Counts*>(&m_line), &m_meters[address]}) {
        if (counts->stored > 0) {
            --counts->stored;
            ++counts->notStored;
        }
    }
}

bool LineStatistics::replyDropped(int address) {
    return settle(address, Outcome::CrcDropped, std::nullopt, {});
}

LineStatistics::Counts LineStatistics::meter(int address) const {
    Counts counts = m_meters.value(address);
    counts.medianReplyMs = m_meterSamples.value(address).median();
    return counts;
}

LineStatistics::LineCounts LineStatistics::line(qsizetype bytesAwaitingReply) const {
    LineCounts counts = m_line;
    counts.medianReplyMs = m_lineSamples.median();
    counts.garbageBytes =
        std::max<qint64>(0, m_line.bytesReceived - m_replyBytes - bytesAwaitingReply);
    return counts;
}

std::optional<int> LineStatistics::openPoll() const {
    if (m_open && !m_open->decided)
        return m_open->address;
    return std::nullopt;
}

void LineStatistics::reset() {
    m_meters.clear();
    m_meterSamples.clear();
    m_line = {};
    m_lineSamples = {};
    m_replyBytes = 0;
    if (m_open)
        m_open->counted = false;
}
