#include "schedule/schedule_timeline.h"
#include "schedule_fixture.h"

#include <gtest/gtest.h>

namespace trx {
namespace {

struct Taken {
    ScheduleStep::Kind kind;
    int entry;
    UtcSeconds at;
};

// Takes every step from `from` to `to` as the shell does: one timer to the next event.
std::vector<Taken> runBetween(ScheduleTimeline& timeline, UtcSeconds from, UtcSeconds to) {
    std::vector<Taken> taken;
    UtcSeconds now = from;
    while (now <= to) {
        const ScheduleStep step = timeline.take(now);
        if (step.kind != ScheduleStep::None) {
            taken.push_back({step.kind, step.occurrence.entry, now});
            continue;
        }
        const UtcSeconds next = timeline.nextEventTime(now);
        if (next <= now) {
            ADD_FAILURE() << "nothing taken, yet due at " << next;
            break;
        }
        now = next;
    }
    return taken;
}

void expectTaken(const std::vector<Taken>& taken, std::initializer_list<Taken> expected) {
    ASSERT_EQ(taken.size(), expected.size());
    size_t i = 0;
    for (const Taken& e : expected) {
        EXPECT_EQ(taken[i].kind, e.kind) << i;
        EXPECT_EQ(taken[i].entry, e.entry) << i;
        EXPECT_EQ(taken[i].at, e.at) << i;
        ++i;
    }
}

constexpr auto CHANGE = ScheduleStep::Change;
constexpr auto STANDBY = ScheduleStep::Standby;

TEST(ScheduleTimeline, ANightAcrossMidnightWithTheLeadAndAStandbyOnlyWhereAGapFollows) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({
        "23:00;01:00;1;9,5;;;;1000;;;",    // Monday night, belongs to Monday
        "01:00;02:00;2;6,1;;;;1000;;;",    // follows at once on Tuesday
        "02:00;02:30;2;6,1;;;2;1000;;;",   // and again
        "02:30;03:00;2;6,1;;;3;Bereit;;;", // a planned standby
    }));
    expectTaken(runBetween(timeline, mondayAt(0, 12, 0), mondayAt(1, 12, 0)),
                {{CHANGE, 0, mondayAt(0, 22, 59)},
                 {CHANGE, 1, mondayAt(1, 1, 0)}, // not before the previous end
                 {CHANGE, 2, mondayAt(1, 2, 0)},
                 {CHANGE, 3, mondayAt(1, 2, 30)},
                 {STANDBY, 3, mondayAt(1, 3, 0)}});
    // Monday morning follows no Sunday night: nothing runs.
    EXPECT_TRUE(runBetween(timeline, mondayAt(7, 0, 0), mondayAt(7, 12, 0)).empty());
}

TEST(ScheduleTimeline, WeekdaysAndTheLeadTimeDecideTheNextEvent) {
    ScheduleTimeline timeline(120);
    timeline.setPlan(planOf({"10:00;11:00;Mo,Mi;9,5;;;;1000;;;"}));
    EXPECT_EQ(timeline.nextEventTime(mondayAt(0, 8, 0)), mondayAt(0, 9, 58));
    EXPECT_EQ(timeline.nextEventTime(mondayAt(0, 12, 0)), mondayAt(2, 9, 58));
    EXPECT_EQ(timeline.nextEventTime(mondayAt(2, 12, 0)), mondayAt(7, 9, 58));
    EXPECT_EQ(ScheduleTimeline(99999).nextEventTime(0), NO_EVENT); // no plan, and the lead cut
}

TEST(ScheduleTimeline, SeasonsBeginAndEndOnTheirDaysAndAnEntryPastMidnightKeepsItsBeginDay) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({
        "23:00;01:00;t\xC3\xA4glich;9,5;;;;1000;;30.10.2027;", // summer's last night
        "23:30;01:00;t\xC3\xA4glich;6,1;;;;1000;31.10.2027;;",
        "08:00;09:00;t\xC3\xA4glich;7,1;;;;1000;01.03.2028;;", // next spring
    }));
    const UtcSeconds lastSummerDay = UtcSeconds{dayFromDate(2027, 10, 30)} * SECONDS_PER_DAY;
    const UtcSeconds firstWinterDay = lastSummerDay + SECONDS_PER_DAY;
    expectTaken(
        runBetween(timeline, lastSummerDay + 12 * 3600, firstWinterDay + 23 * 3600 + 59 * 60),
        {{CHANGE, 0, lastSummerDay + 22 * 3600 + 59 * 60},
         {STANDBY, 0, firstWinterDay + 3600},
         {CHANGE, 1, firstWinterDay + 23 * 3600 + 29 * 60}});
    // Past midnight on the first winter day the summer entry is still the one in force.
    const std::vector<Occurrence> inForce =
        timeline.occurrences(firstWinterDay + 1800, firstWinterDay + 1801);
    ASSERT_EQ(inForce.size(), 1u);
    EXPECT_EQ(inForce[0].entry, 0);
    EXPECT_EQ(inForce[0].day, dayFromDate(2027, 10, 30));

    ScheduleTimeline spring;
    spring.setPlan(planOf({"08:00;09:00;t\xC3\xA4glich;7,1;;;;1000;01.03.2028;;"}));
    EXPECT_EQ(spring.nextEventTime(lastSummerDay),
              UtcSeconds{dayFromDate(2028, 3, 1)} * SECONDS_PER_DAY + 7 * 3600 + 59 * 60);
}

TEST(ScheduleTimeline, AClockThatJumpsForwardStartsTheSkippedEntryAtOnceAndEndsWhatRan) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;1000;;;", "12:00;13:00;1;6,1;;;;1000;;;",
                             "14:00;15:00;1;7,1;;;;1000;;;"}));
    EXPECT_EQ(timeline.take(mondayAt(0, 9, 0)).kind, ScheduleStep::None);
    // Resumed from sleep at 12:30: the first entry is gone, the second starts now.
    const ScheduleStep resumed = timeline.take(mondayAt(0, 12, 30));
    EXPECT_EQ(resumed.kind, CHANGE);
    EXPECT_EQ(resumed.occurrence.entry, 1);
    EXPECT_FALSE(resumed.midEntry); // the plan ran before: no question, at once
    EXPECT_EQ(timeline.take(mondayAt(0, 12, 30)).kind, ScheduleStep::None);
    // Jumped over the third entry whole: what the plan started last goes to standby.
    const ScheduleStep later = timeline.take(mondayAt(0, 16, 0));
    EXPECT_EQ(later.kind, STANDBY);
    EXPECT_EQ(later.occurrence.entry, 1);
    EXPECT_EQ(timeline.take(mondayAt(0, 16, 0)).kind, ScheduleStep::None);
    EXPECT_EQ(timeline.nextEventTime(mondayAt(0, 16, 0)), mondayAt(7, 9, 59));
}

TEST(ScheduleTimeline, AClockSetBackDoesNothingAgain) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;1000;;;"}));
    expectTaken(runBetween(timeline, mondayAt(0, 9, 0), mondayAt(0, 10, 30)),
                {{CHANGE, 0, mondayAt(0, 9, 59)}});
    // Set back to 09:30 by a time server: the change is not repeated, the standby still comes.
    expectTaken(runBetween(timeline, mondayAt(0, 9, 30), mondayAt(0, 12, 0)),
                {{STANDBY, 0, mondayAt(0, 11, 0)}});
    expectTaken(runBetween(timeline, mondayAt(0, 9, 30), mondayAt(0, 12, 0)), {});
    // A reloaded plan with the same entry keeps it done; a changed one is a new entry.
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;1000;;;"}));
    EXPECT_EQ(timeline.take(mondayAt(0, 10, 0)).kind, ScheduleStep::None);
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;250;;;"}));
    EXPECT_EQ(timeline.take(mondayAt(0, 10, 0)).kind, CHANGE);
}

TEST(ScheduleTimeline, AStartInTheMiddleOfAnEntryBringsTheTransmitterIntoItAfterAsking) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;1000;;;", "11:00;12:00;1;6,1;;;;1000;;;"}));
    const ScheduleStep started = timeline.take(mondayAt(0, 10, 30));
    EXPECT_EQ(started.kind, CHANGE);
    EXPECT_EQ(started.occurrence.entry, 0);
    EXPECT_TRUE(started.midEntry);
    EXPECT_FALSE(timeline.take(mondayAt(0, 11, 0)).midEntry); // its follower on time

    ScheduleTimeline early; // started within the lead: the change is on time
    early.setPlan(timeline.plan());
    const ScheduleStep onTime = early.take(mondayAt(0, 9, 59, 30));
    EXPECT_EQ(onTime.kind, CHANGE);
    EXPECT_FALSE(onTime.midEntry);

    ScheduleTimeline switchedOn; // switched on in the middle after running a while
    switchedOn.setPlan(timeline.plan());
    EXPECT_EQ(switchedOn.take(mondayAt(0, 9, 0)).kind, ScheduleStep::None);
    switchedOn.restart();
    EXPECT_TRUE(switchedOn.take(mondayAt(0, 11, 30)).midEntry);
}

TEST(ScheduleTimeline, HandOperationLastsUntilTheNextChangeOrUntilThePlanIsRunAgain) {
    ScheduleTimeline timeline;
    timeline.setPlan(planOf({"10:00;11:00;1;9,5;;;;1000;;;", "13:00;14:00;1;6,1;;;;1000;;;"}));
    EXPECT_EQ(timeline.take(mondayAt(0, 9, 59)).kind, CHANGE);
    timeline.enterHand(mondayAt(0, 10, 15));
    EXPECT_TRUE(timeline.inHand());
    EXPECT_EQ(timeline.handUntil(), mondayAt(0, 12, 59));
    EXPECT_EQ(timeline.nextEventTime(mondayAt(0, 10, 15)), mondayAt(0, 12, 59));
    EXPECT_EQ(timeline.take(mondayAt(0, 11, 0)).kind, ScheduleStep::None); // no standby
    const ScheduleStep next = timeline.take(mondayAt(0, 12, 59));
    EXPECT_EQ(next.kind, CHANGE);
    EXPECT_EQ(next.occurrence.entry, 1);
    EXPECT_FALSE(timeline.inHand());

    timeline.enterHand(mondayAt(0, 13, 10));
    timeline.runNow(mondayAt(0, 13, 20)); // "Plan jetzt ausführen"
    EXPECT_FALSE(timeline.inHand());
    const ScheduleStep again = timeline.take(mondayAt(0, 13, 20));
    EXPECT_EQ(again.kind, CHANGE);
    EXPECT_EQ(again.occurrence.entry, 1);
}

} // namespace
} // namespace trx
