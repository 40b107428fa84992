// Plan files of arbitrary bytes: the reader names what is wrong or gives a plan whose every
// entry is in range and overlaps none; the timeline lays any such plan out without fault.
#include "schedule/schedule_file_text.h"
#include "schedule/schedule_timeline.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>

namespace {

using namespace trx;

constexpr char NAMES[ANTENNA_COUNT][ANTENNA_NAME_SIZE] = {"Nord", "", "Sued", ""};
// A Monday in 2027 and a few moments around it, chosen by the input.
constexpr UtcSeconds MONDAY = 1799020800;
constexpr int LOOKS = 4;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkEntry(const ScheduleEntry& e) {
    check(e.beginMinute >= 0 && e.beginMinute < MINUTES_PER_DAY, "begin outside the day");
    check(e.minutes >= 1 && e.minutes <= MINUTES_PER_DAY, "length outside 1..1440 minutes");
    check(e.days != 0 && (e.days & ~EVERY_DAY) == 0, "no weekday or a weekday beyond 7");
    check(e.preset >= KEEP && e.preset < PRESET_COUNT, "preset out of range");
    check(e.program >= KEEP && e.program < PROGRAM_COUNT, "program out of range");
    check(e.antenna >= KEEP && e.antenna < ANTENNA_COUNT, "antenna out of range");
    check(e.state == STATE_STANDBY || (e.state >= STATE_P100 && e.state <= STATE_P1000),
          "operation neither standby nor a power stage");
    check(e.hasFrequency || e.state == STATE_STANDBY, "a power stage without a frequency");
    check(e.firstDay <= e.lastDay, "season ends before it begins");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const PlanReading reading = readPlanFile(bytes, NAMES);
    check(reading.problems.size() <= static_cast<size_t>(PLAN_PROBLEM_MAX), "too many problems");
    std::set<int> lines;
    for (const PlanProblem& p : reading.problems) {
        lines.insert(p.line);
        check(!p.text.empty(), "a problem without a reason");
    }
    check(reading.badLines >= static_cast<int>(lines.size()), "bad lines counted short");
    check(reading.usable() == reading.problems.empty(), "usable yet with problems");
    check(reading.usable() || reading.plan.entries.empty(), "a bad file gave a plan");
    if (!reading.usable()) {
        return 0;
    }
    for (const ScheduleEntry& e : reading.plan.entries) {
        checkEntry(e);
    }
    check(findOverlaps(reading.plan.entries).empty(), "a plan with overlapping entries");

    ScheduleTimeline timeline(size > 0 ? data[0] * 15 : SCHEDULE_DEFAULT_SECONDS);
    timeline.setPlan(reading.plan);
    UtcSeconds now = MONDAY + (size > 1 ? data[1] * 3600 : 0);
    for (int i = 0; i < LOOKS; ++i) {
        const ScheduleStep step = timeline.take(now);
        if (step.kind == ScheduleStep::Change) {
            check(step.occurrence.change <= now && now < step.occurrence.end,
                  "a change taken outside its time");
        }
        const UtcSeconds next = timeline.nextEventTime(now);
        check(next >= now, "next event in the past");
        check(step.kind != ScheduleStep::None || next > now, "due now, yet nothing taken");
        now = next == NO_EVENT ? now + 86400 : next;
    }
    return 0;
}
