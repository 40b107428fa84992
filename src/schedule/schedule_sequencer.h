// One change of the schedule, step by step through the engine's operations: standby,
// frequency, preset, program, antenna, then tune and the power stage, each waiting for its
// echo. Pure: it hears the engine's announcements as a listener, and acts only when the
// shell calls run() (a listener must not call back into the engine) after each byte or tick
// it handed the engine while wantsRun(), and at nextDeadline().
#ifndef TRXDESK_SCHEDULE_CHANGE_RULES_H
#define TRXDESK_SCHEDULE_CHANGE_RULES_H

#include "app/schedule_settings.h"
#include "schedule/schedule_change_text.h"
#include "schedule/schedule_engine.h"
#include "schedule/schedule_timeline.h"

#include <array>
#include <optional>

namespace trx {

// The sequencer's clock: seconds of a clock that does not jump (the shell's tick count), so
// that a wall clock set back or forth mid-change neither stretches nor cuts its deadlines;
// an outcome's began and ended give the change's duration.
using SteadySeconds = int64_t;

// A failed step is tried once more after this long.
constexpr int RETRY_SECONDS = 10;
constexpr int MAX_CHANGE_STEPS = CHANGE_STEP_COUNT;

// The transmitter reports every value the entry asks for (empty cells ask for nothing).
bool entryInForce(const ScheduleEntry& entry, const ScheduleEngine& engine);
// It is on air (a power stage) with other values: a start in the middle of an entry asks the
// operator before it takes the transmitter over.
bool onAirWithOtherValues(const ScheduleEntry& entry, const ScheduleEngine& engine);
// The entry at the end of an entry that nothing follows at once: standby, nothing else.
ScheduleEntry standbyEntry();

struct ChangeOutcome {
    enum Result : uint8_t {
        Done,    // every value reported
        InForce, // nothing to do: left alone
        Failed,  // `step` failed twice for `failure`; the transmitter was put into standby
        Hand,    // the operator or a client wrote meanwhile: given up, nothing undone
    };
    Result result = Done;
    ChangeStep step = ChangeStep::Standby;
    ChangeFailure failure = ChangeFailure::None;
    Refusal refusal = Refusal::None; // when failure is Refused
    SteadySeconds began = 0;
    SteadySeconds ended = 0;
};

class ScheduleSequencer final : public LineListener {
  public:
    // The engine must outlive this.
    explicit ScheduleSequencer(ScheduleEngine& engine, int tuneSeconds = SCHEDULE_DEFAULT_SECONDS);

    // Starts a change to the entry's values; a change still running is given up. An entry
    // in force ends at once with the outcome InForce. Takes the first step at once.
    void begin(const ScheduleEntry& entry, SteadySeconds now);
    // Takes what is due: the next step after a confirmed one, a retry, a deadline.
    void run(SteadySeconds now);
    bool wantsRun() const { return wantsRun_; }
    // When run() must be called even if nothing is heard; NO_EVENT when idle.
    SteadySeconds nextDeadline() const;
    bool running() const { return phase_ != Phase::Idle; }
    ChangeStep step() const { return steps_[static_cast<size_t>(stepIndex_)]; }

    // A finished change's outcome, once.
    std::optional<ChangeOutcome> takeOutcome();
    // Whether the operator or a control-port client wrote since last asked: while an entry
    // is in force the plan goes into hand operation.
    bool takeOverride();

    void linkLost(const RegisterMirror& registers) override;
    void portReopened(const RegisterMirror& registers) override { linkLost(registers); }
    void resetWhileDown(const RegisterMirror& registers) override { linkLost(registers); }
    void reported(int address, int previous, const RegisterMirror& registers) override;
    void writeSent(const LineWrite& write, const RegisterMirror& registers) override;
    void writeEchoed(const LineWrite& write, const RegisterMirror& registers) override;
    void echoMissing(const LineWrite& write, const RegisterMirror& registers) override;

  private:
    enum class Phase : uint8_t {
        Idle,
        Issue,   // the current step goes on the line at the next run
        Waiting, // for its echo and a report after it
        Retry,   // a failed step waits for its second try
    };
    static constexpr int NO_VALUE = -1;

    void planSteps(const ScheduleEntry& entry);
    void issue(SteadySeconds now);
    bool holds(ChangeStep step) const;
    bool stepConfirmed() const;
    void fail(ChangeStep step, ChangeFailure failure, Refusal refusal = Refusal::None);
    bool handleFailure(SteadySeconds now);
    void finish(ChangeOutcome::Result result, SteadySeconds now);
    int indexOf(ChangeStep step) const;

    ScheduleEngine& engine_;
    int tuneSeconds_;
    ScheduleEntry entry_;
    std::array<ChangeStep, MAX_CHANGE_STEPS> steps_{};
    int stepCount_ = 0;
    int stepIndex_ = 0;
    Phase phase_ = Phase::Idle;
    unsigned retried_ = 0; // bit per ChangeStep
    uint32_t awaited_ = 0; // sequence of the current step's last write
    bool echoed_ = false;
    bool echoReportNext_ = false; // the next report is the echo itself
    bool reportAfterEcho_ = false;
    bool statusAfterEcho_ = false;
    SteadySeconds began_ = 0;
    SteadySeconds tuneAt_ = 0;
    bool tuneRequested_ = false;
    SteadySeconds deadline_ = 0;
    SteadySeconds retryAt_ = 0;
    // Values the transmitter echoed for this change, and whose step wrote them: a later
    // report of another value is the transmitter's refusal.
    std::array<int, REGISTER_COUNT> expected_{};
    std::array<ChangeStep, REGISTER_COUNT> owner_{};
    ChangeFailure failure_ = ChangeFailure::None;
    ChangeStep failedStep_ = ChangeStep::Standby;
    Refusal refusal_ = Refusal::None;
    bool foreignWrite_ = false;
    bool overridden_ = false;
    bool wantsRun_ = false;
    std::optional<ChangeOutcome> outcome_;
};

} // namespace trx

#endif
