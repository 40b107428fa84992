// When the plan acts: its entries laid on the calendar against a clock handed in, what is due
// now and when the next thing is (one timer to it, no polling). Clock jumps are met by
// remembering what was done by occurrence (an entry on the day it begins), not by time.
#ifndef TRXDESK_SCHEDULE_TIMELINE_RULES_H
#define TRXDESK_SCHEDULE_TIMELINE_RULES_H

#include "app/schedule_settings.h"
#include "schedule/schedule_plan_rules.h"

#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace trx {

// How far ahead a next event is looked for (a plan of next season's entries only).
constexpr int LOOK_AHEAD_DAYS = 400;
constexpr UtcSeconds NO_EVENT = std::numeric_limits<UtcSeconds>::max();

// One entry on the day it begins.
struct Occurrence {
    int entry = -1; // index into the plan's entries
    UtcDay day = 0;
    UtcSeconds begin = 0;
    UtcSeconds end = 0;
    UtcSeconds change = 0;     // the later of begin - lead and the previous entry's end
    bool standbyAtEnd = false; // no entry follows at once: standby at its end
};

struct ScheduleStep {
    enum Kind : uint8_t { None, Change, Standby };
    Kind kind = None;
    Occurrence occurrence;
    // The plan came into force (start, switched on) after this entry's begin: the shell asks
    // the operator before it overrides a transmitter that is on air with other values.
    bool midEntry = false;
};

class ScheduleTimeline {
  public:
    explicit ScheduleTimeline(int leadSeconds = SCHEDULE_DEFAULT_SECONDS);

    // A new plan. What was done stays done where the new plan has the same values at the
    // same begin and end.
    void setPlan(const SchedulePlan& plan);
    const SchedulePlan& plan() const { return plan_; }
    const ScheduleEntry& entryOf(const Occurrence& occurrence) const;

    // The panel started or the plan was switched on: a change due at once, past its
    // entry's begin, is a start in the middle.
    void restart() { looked_ = false; }

    // What to do now, at most one step; taken, it counts as done and is never due again.
    // A change whose begin was skipped by the clock but whose end is ahead is due at once;
    // an entry skipped whole is not started, but whatever the plan started last is ended.
    ScheduleStep take(UtcSeconds now);
    // When take() next has a step: `now` when one is due, NO_EVENT when none within
    // LOOK_AHEAD_DAYS.
    UtcSeconds nextEventTime(UtcSeconds now) const;
    // The occurrences that touch [from, to), by begin: the window's list, the status line.
    std::vector<Occurrence> occurrences(UtcSeconds from, UtcSeconds to) const;
    bool changeDone(const Occurrence& occurrence) const;

    // Someone else wrote while the plan runs: nothing is done until the next change.
    void enterHand(UtcSeconds now);
    bool inHand() const { return hand_; }
    UtcSeconds handUntil() const { return handUntil_; }
    // "Plan jetzt ausführen": hand operation ends and the entry in force, or the next one
    // when none is, is taken again.
    void runNow(UtcSeconds now);

  public:
    // What was done of one occurrence, kept by its begin.
    struct Mark {
        UtcSeconds end;
        ScheduleEntry entry;
        bool standbyDone; // its change was done, and its end's standby too
    };

  private:
    std::vector<Occurrence> laid(UtcDay first, UtcDay last) const;
    std::vector<Occurrence> around(UtcSeconds now) const;
    UtcSeconds firstChangeAfter(UtcSeconds now) const;
    const Mark* markOf(const Occurrence& occurrence) const;
    void markChange(const Occurrence& occurrence, UtcSeconds now);
    void markStandby(const Occurrence& occurrence);
    void unmark(const Occurrence& occurrence);

    int leadSeconds_;
    SchedulePlan plan_;
    std::vector<int> byBegin_;              // entry indices by begin minute
    std::multimap<UtcSeconds, Mark> marks_; // by begin
    bool looked_ = false;
    bool hand_ = false;
    UtcSeconds handUntil_ = 0;
};

} // namespace trx

#endif
