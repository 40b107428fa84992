// The season schedule running by itself, without a window: the plan in force and the file's
// problems, the switch, the timeline and one change at a time through the sequencer, hand
// operation, the alarm that waits for the operator, and what it tells the journal and the
// control port's subscribers. Pure: the shell hands in the time, calls poll() from its one
// timer and after announcements (never from inside one), and sets the timer to nextWake().
#ifndef TRXDESK_SCHEDULE_RUNNER_RULES_H
#define TRXDESK_SCHEDULE_RUNNER_RULES_H

#include "schedule/schedule_file_text.h"
#include "schedule/schedule_sequencer.h"
#include "schedule/schedule_status_text.h"
#include "schedule/schedule_timeline.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trx {

// What the runner tells: a journal line, a control-port event ("failed frequency no-echo"
// after "EVENT schedule "), and that what the panel shows has changed.
class ScheduleNotices {
  public:
    virtual ~ScheduleNotices() = default;
    virtual void journal(const char* text) = 0;
    virtual void event(const char* text) = 0;
};

// An entry's state as the window lists it.
enum class EntryState : uint8_t { Planned, Running, Done, Failed, Skipped, Hand };

struct EntryRow {
    Occurrence occurrence;
    EntryState state = EntryState::Planned;
    std::string reason; // Failed: "Frequenz: keine Quittung"
};

class ScheduleRunner final {
  public:
    // The engine and notices must outlive the runner.
    ScheduleRunner(ScheduleEngine& engine, ScheduleNotices& notices, int leadSeconds,
                   int tuneSeconds);

    // A file read: a usable one becomes the plan, a bad one leaves the plan as it was and
    // its problems are kept for the window. True when a bad file is new to the operator
    // (tell once).
    bool load(PlanReading reading, UtcSeconds now);
    const std::vector<PlanProblem>& problems() const { return problems_; }
    int badLines() const { return badLines_; }
    const SchedulePlan& plan() const { return timeline_.plan(); }

    void setEnabled(bool on, UtcSeconds now);
    bool enabled() const { return enabled_; }
    bool inHand() const { return timeline_.inHand(); }

    // A change taken up at the start in the middle of an entry while the transmitter is on
    // air with other values: the shell asks the operator and answers with confirm().
    struct Question {
        Occurrence occurrence;
    };
    // Takes what is due; returns a question to put to the operator, if any.
    std::optional<Question> poll(UtcSeconds now);
    void confirm(const Question& question, bool takeOver, UtcSeconds now);
    // "Plan jetzt ausführen": hand operation ends and the entry in force is taken again.
    // Refused (false) while the plan is off.
    bool runNow(UtcSeconds now);
    // The sequencer heard something it must act on: poll() soon.
    bool wantsPoll() const { return sequencer_.wantsRun(); }
    // When poll() must run next; NO_EVENT when nothing is ahead or the plan is off.
    UtcSeconds nextWake(UtcSeconds now) const;
    // The next entry whose change is still to come; false when none is ahead.
    bool nextChange(UtcSeconds now, Occurrence& next) const;

    // The alarm after a failed change, until the operator acknowledges it.
    bool alarm() const { return !alarm_.empty(); }
    const std::string& alarmText() const { return alarm_; }
    void acknowledge();

    int changesOk() const { return changesOk_; }
    int changesFailed() const { return changesFailed_; }

    // The panel's plan line: "Plan aus", "Plan: 03:00 UTC 9,50000 MHz 1000 W",
    // "Plan: Hand bis 04:00", "Plan: Fehler ..." while the alarm stands.
    void formatStatus(UtcSeconds now, char* text, size_t size) const;
    // The window's list: the entries touching [from, to) with their states at `now`; one
    // begun before `now` that the plan never took up was skipped.
    std::vector<EntryRow> rows(UtcSeconds now, UtcSeconds from, UtcSeconds to) const;

    // The listener to add to the engine: it only hears.
    LineListener& listener() { return sequencer_; }

  private:
    void begin(const Occurrence& occurrence, const ScheduleEntry& entry, UtcSeconds now);
    void finished(const ChangeOutcome& outcome, UtcSeconds now);
    void remember(UtcSeconds begin, EntryState state, std::string reason = {});
    bool entryOnAir(UtcSeconds now) const;

    ScheduleEngine& engine_;
    ScheduleNotices& notices_;
    ScheduleTimeline timeline_;
    ScheduleSequencer sequencer_;
    bool enabled_ = false;
    bool planLoaded_ = false;
    std::vector<PlanProblem> problems_;
    int badLines_ = 0;
    std::string toldProblems_; // the bad file the operator was told of
    std::string alarm_;
    std::optional<Occurrence> current_; // the occurrence the running change is for
    bool currentIsStandby_ = false;
    bool abandoned_ = false; // switched off mid-change: the sequencer's change is dropped
    std::map<UtcSeconds, EntryRow> states_; // by begin; the latest kept
    int changesOk_ = 0;
    int changesFailed_ = 0;
};

} // namespace trx

#endif
