#include "LineStatistics.h"
#include "MeterFreshness.h"
#include "StoreHealth.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Clock = LineStatistics::Clock;
using namespace std::chrono_literals;

// One event on the line, at a time in milliseconds from the start.
struct Event {
    enum Kind { Request, Stored, NotStored, BadCrc, OtherSender, Bytes, ReplyBytes, Reset } kind;
    int address = 0;
    int atMs = 0;
};

// Requests, stored, CRC drops, not stored, no reply.
using Expected = std::array<qint64, 5>;

struct StatisticsCase {
    const char* name;
    std::vector<Event> events;
    int meter;
    Expected meterCounts;
    Expected lineCounts;
    std::optional<double> meterMedianMs;
    qint64 unasked = 0;
    qint64 garbage = 0;
    qint64 awaiting = 0; // bytes still in the receive buffer
};

void play(LineStatistics& s, const std::vector<Event>& events) {
    const QDateTime wall(QDate(2026, 3, 4), QTime(5, 6, 7));
    const std::function<void(int, Clock::time_point)> act[] = {
        [&](int a, Clock::time_point at) { s.requestSent(a, at); },
        [&](int a, Clock::time_point at) { s.replyStored(a, at, wall); },
        [&](int a, Clock::time_point at) { s.replyNotStored(a, at, wall); },
        [&](int a, Clock::time_point) { s.replyDropped(a); },
        [&](int, Clock::time_point) { s.lineTaken(); },
        [&](int a, Clock::time_point) { s.bytesReceived(a); },
        [&](int a, Clock::time_point) { s.replyBytes(a); },
        [&](int, Clock::time_point) { s.reset(); },
    };
    for (const Event& e : events)
        act[e.kind](e.address, Clock::time_point{} + std::chrono::milliseconds(e.atMs));
}

Expected countsOf(const LineStatistics::Counts& c) {
    return {c.requests, c.stored, c.crcDrops, c.notStored, c.noReply};
}

TEST(LineStatistics, EachPollEndsInOneOutcome) {
    using E = Event;
    const StatisticsCase cases[] = {
        {"stored replies give the median request-to-last-byte time",
         {{E::Request, 1, 0},
          {E::Stored, 1, 70},
          {E::Request, 1, 500},
          {E::Stored, 1, 590},
          {E::Request, 1, 1000},
          {E::Stored, 1, 1080}},
         1,
         {3, 3, 0, 0, 0},
         {3, 3, 0, 0, 0},
         80.0},
        {"even count: the mean of the middle two",
         {{E::Request, 1, 0}, {E::Stored, 1, 60}, {E::Request, 1, 500}, {E::Stored, 1, 580}},
         1,
         {2, 2, 0, 0, 0},
         {2, 2, 0, 0, 0},
         70.0},
        {"a poll without reply ends when the next request goes",
         {{E::Request, 2, 0}, {E::Request, 3, 500}, {E::Stored, 3, 560}, {E::Request, 2, 1000}},
         2,
         {2, 0, 0, 0, 1},
         {3, 1, 0, 0, 1},
         std::nullopt},
        {"a bad CRC decides the poll, not a missing reply; a refused one is an answer",
         {{E::Request, 4, 0},
          {E::BadCrc, 4, 90},
          {E::Request, 4, 500},
          {E::NotStored, 4, 560},
          {E::Request, 4, 1000}},
         4,
         {3, 0, 1, 1, 0},
         {3, 0, 1, 1, 0},
         60.0},
        {"another meter's reply answers nobody's poll",
         {{E::Request, 1, 0}, {E::Stored, 9, 60}, {E::Request, 1, 500}},
         1,
         {2, 0, 0, 0, 1},
         {2, 0, 0, 0, 1},
         std::nullopt,
         1},
        {"a parameter window's frame ends the open poll",
         {{E::Request, 1, 0}, {E::OtherSender, 0, 100}, {E::Stored, 1, 150}},
         1,
         {1, 0, 0, 0, 1},
         {1, 0, 0, 0, 1},
         std::nullopt,
         1},
        {"a second reply in one poll counts once",
         {{E::Request, 1, 0}, {E::Stored, 1, 60}, {E::Stored, 1, 70}, {E::Request, 1, 500}},
         1,
         {2, 1, 0, 0, 0},
         {2, 1, 0, 0, 0},
         60.0,
         1},
        {"the poll open at a reset ends uncounted",
         {{E::Request, 1, 0}, {E::Reset, 0, 10}, {E::Request, 2, 500}, {E::Stored, 2, 560}},
         2,
         {1, 1, 0, 0, 0},
         {1, 1, 0, 0, 0},
         60.0},
        {"garbage is what never formed a complete reply",
         {{E::Bytes, 60, 0}, {E::ReplyBytes, 53, 0}, {E::Bytes, 5, 10}},
         1,
         {0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0},
         std::nullopt,
         0,
         12},
        {"a reply halfway in is not garbage; the rest of what came is",
         {{E::Bytes, 53, 0}, {E::ReplyBytes, 53, 0}, {E::Bytes, 9, 10}},
         1,
         {0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0},
         std::nullopt,
         0,
         4,
         5},
    };
    for (const StatisticsCase& c : cases) {
        SCOPED_TRACE(c.name);
        LineStatistics statistics;
        play(statistics, c.events);
        EXPECT_EQ(countsOf(statistics.meter(c.meter)), c.meterCounts);
        EXPECT_EQ(countsOf(statistics.line()), c.lineCounts);
        EXPECT_EQ(statistics.meter(c.meter).medianReplyMs, c.meterMedianMs);
        EXPECT_EQ(statistics.line().unaskedReplies, c.unasked);
        EXPECT_EQ(statistics.line(c.awaiting).garbageBytes, c.garbage);
        // The outcomes add up to the requests, less the poll still open.
        const LineStatistics::LineCounts line = statistics.line();
        EXPECT_EQ(line.requests, line.stored + line.crcDrops + line.notStored + line.noReply +
                                     (statistics.openPoll() ? 1 : 0));
    }
}

TEST(LineStatistics, MedianFollowsTheLatestReplies) {
    LineStatistics statistics;
    // Slow replies first, then a longer run of fast ones: the old ones age out.
    for (int i = 0; i < 300; ++i) {
        const Clock::time_point at = Clock::time_point{} + i * 1s;
        statistics.requestSent(1, at);
        statistics.replyStored(1, at + (i < 100 ? 400ms : 50ms), QDateTime::currentDateTime());
    }
    EXPECT_EQ(statistics.meter(1).medianReplyMs, 50.0);
}

struct FreshnessStep {
    enum Kind { Asked, Answered, Missed } kind;
    MeterFreshness::Change change;
    bool silentAfter;
};

TEST(MeterFreshness, SilentAfterThreeMissesOrNoneAnswerSinceReadingBegan) {
    using S = FreshnessStep;
    using C = MeterFreshness::Change;
    const struct {
        const char* name;
        std::vector<FreshnessStep> steps;
        QString text; // after the last step
    } cases[] = {
        {"never answered: silent at its first miss",
         {{S::Asked, C::None, false}, {S::Missed, C::FellSilent, true}},
         "No reply since 2026-01-02 03:04:00 (1 poll)"},
        {"three misses in a row; a reply between starts the count again",
         {{S::Answered, C::None, false},
          {S::Missed, C::None, false},
          {S::Missed, C::None, false},
          {S::Answered, C::None, false},
          {S::Missed, C::None, false},
          {S::Missed, C::None, false},
          {S::Missed, C::FellSilent, true},
          {S::Missed, C::None, true}},
         "No reply since 2026-01-02 03:05:00 (4 polls)"},
        {"a silent meter that answers is live again",
         {{S::Missed, C::FellSilent, true}, {S::Answered, C::AnswersAgain, false}},
         ""},
    };
    const QDateTime began(QDate(2026, 1, 2), QTime(3, 4));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MeterFreshness freshness;
        freshness.readingStarted(began);
        for (const FreshnessStep& step : c.steps) {
            MeterFreshness::Change change = MeterFreshness::Change::None;
            if (step.kind == S::Asked)
                freshness.asked(5, began.addSecs(30));
            else if (step.kind == S::Answered)
                change = freshness.answered(5, began.addSecs(60));
            else
                change = freshness.missed(5);
            EXPECT_EQ(change, step.change);
            EXPECT_EQ(freshness.isSilent(5), step.silentAfter);
        }
        EXPECT_EQ(freshness.noReplyText(5), c.text);
    }
}

TEST(MeterFreshness, WithoutReadingStartedTheFirstRequestMarksTheStart) {
    // Polling set going by a settings save alone, not by "Read Meter Data".
    MeterFreshness freshness;
    freshness.asked(2, QDateTime(QDate(2026, 1, 2), QTime(8, 0)));
    freshness.asked(2, QDateTime(QDate(2026, 1, 2), QTime(8, 1)));
    freshness.missed(2);
    freshness.missed(2);
    EXPECT_EQ(freshness.noReplyText(2), "No reply since 2026-01-02 08:00:00 (2 polls)");
    EXPECT_TRUE(freshness.noReplyText(3).isEmpty()); // never asked
}

TEST(StoreHealth, SaysOnceWhenWritingFailsAndOnceWhenItWorksAgain) {
    using C = StoreHealth::Change;
    const std::pair<StoreWrite, C> steps[] = {
        {StoreWrite::done(), C::None},
        {StoreWrite::noSuchRow(), C::None}, // a meter not listed: not a store fault
        {StoreWrite::refused(QStringLiteral("database or disk is full")), C::StartedFailing},
        {StoreWrite::refused(QStringLiteral("database is locked")), C::None},
        {StoreWrite::noSuchRow(), C::Recovered},
        {StoreWrite::refused(QStringLiteral("attempt to write a readonly database")),
         C::StartedFailing},
        {StoreWrite::done(), C::Recovered},
    };
    StoreHealth health;
    for (std::size_t i = 0; i < std::size(steps); ++i)
        EXPECT_EQ(health.record(steps[i].first), steps[i].second) << i;
    EXPECT_EQ(health.reason(), "attempt to write a readonly database");
    EXPECT_EQ(StoreHealth::failingNotice(health.reason()),
              "Notice: Database write failed: attempt to write a readonly database");
}

} // namespace
