#include "AlarmTracker.h"
#include "AlarmReport.h"

#include <gtest/gtest.h>

namespace {

using Alarm = AlarmTracker::Alarm;
using Event = AlarmTracker::Event;

// One meter's replies and silences in turn, and what came and went with each.
TEST(AlarmTracker, AlarmsComeAndGoWithRepliesAndNoReplyWithSilence) {
    AlarmTracker tracker;
    const QString ok = QStringLiteral("Communication OK");
    const struct Step {
        const char* what;
        QString status; // empty: the meter is marked silent
        QList<Event> events;
    } steps[] = {
        {"all well", ok, {}},
        {"empty pipe and too high",
         ok + ",Empty Pipe Alarm,Exceed Upper Limit",
         {{2, 7, Alarm::EmptyPipe, true, 2}, {2, 7, Alarm::ExceedUpper, true, 2}}},
        {"the same again", ok + ",Empty Pipe Alarm,Exceed Upper Limit", {}},
        {"silent: its alarms stay", {}, {{2, 7, Alarm::NoReply, true, 4}}},
        {"silent still", {}, {}},
        {"back, the pipe full",
         ok + ",Exceed Upper Limit",
         {{2, 7, Alarm::EmptyPipe, false, 6}, {2, 7, Alarm::NoReply, false, 6}}},
        {"excitation, battery, too low",
         ok + ",Excitation Alarm,Low Battery Alarm,Exceed Lower Limit",
         {{2, 7, Alarm::Excitation, true, 7},
          {2, 7, Alarm::LowBattery, true, 7},
          {2, 7, Alarm::ExceedUpper, false, 7},
          {2, 7, Alarm::ExceedLower, true, 7}}},
    };
    qint64 at = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ++at;
        EXPECT_EQ(step.status.isEmpty() ? tracker.silent(2, 7, at)
                                        : tracker.replied(2, 7, step.status, at),
                  step.events);
    }
    ASSERT_EQ(tracker.active().size(), 3);
    EXPECT_EQ(tracker.active()[0].since, 7);
    EXPECT_EQ(tracker.removed(2, 7, 9).size(), 3);
    EXPECT_TRUE(tracker.active().isEmpty());
    EXPECT_EQ(AlarmTracker::name(Alarm::LowBattery), "Low Battery Alarm");
    EXPECT_EQ(AlarmTracker::name(Alarm::NoReply), "No Reply");
}

// The report's rows: times with the zone's offset, written out for UTC too;
// an active alarm without Went, lasting until now.
TEST(AlarmReport, RowsWithOffsetsAndDurationsToNowWhileActive) {
    EXPECT_EQ(AlarmReport::header().join(','),
              "Line,Meter Address,Alarm,Came,Went,Duration (s),Acknowledged,Acknowledged By");
    const qint64 noon = 1'750'000'000'000; // 2025-06-15T15:06:40Z
    const QList<AlarmOccurrence> journal{
        {1, 2, 7, "Empty Pipe Alarm", noon, noon + 90'500, noon + 1000, 0},
        {2, 1, 3, "No Reply", noon + 5000, {}, {}, {}},
    };
    const struct {
        QTimeZone zone;
        QList<QStringList> rows;
    } cases[] = {
        {QTimeZone(-3 * 3600 - 1800),
         {{"2", "7", "Empty Pipe Alarm", "2025-06-15T11:36:40-03:30", "2025-06-15T11:38:10-03:30",
           "90", "2025-06-15T11:36:41-03:30", "0"},
          {"1", "3", "No Reply", "2025-06-15T11:36:45-03:30", "", "55", "", ""}}},
        {QTimeZone::utc(),
         {{"2", "7", "Empty Pipe Alarm", "2025-06-15T15:06:40+00:00", "2025-06-15T15:08:10+00:00",
           "90", "2025-06-15T15:06:41+00:00", "0"},
          {"1", "3", "No Reply", "2025-06-15T15:06:45+00:00", "", "55", "", ""}}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(AlarmReport::rows(journal, noon + 60'000, test.zone), test.rows);
}

} // namespace
