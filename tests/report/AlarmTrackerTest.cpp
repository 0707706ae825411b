#include "AlarmTracker.h"

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

} // namespace
