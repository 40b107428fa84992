#include "schedule/schedule_sequencer.h"

#include <algorithm>

namespace trx {

namespace {

CommandSource scheduleSource() {
    CommandSource source;
    source.kind = SourceKind::Schedule;
    return source;
}

bool digitsHeld(const ScheduleEntry& entry, const RegisterMirror& mirror) {
    for (int i = 0; i < FREQUENCY_DIGIT_COUNT; ++i) {
        if (mirror[FrequencyDigit1 + i] != entry.digits[static_cast<size_t>(i)]) {
            return false;
        }
    }
    return true;
}

bool presetHeld(const ScheduleEntry& entry, const ScheduleEngine& engine) {
    const auto writes = engine.presetRegisters(entry.preset);
    return std::all_of(writes.begin(), writes.end(), [&](const RegisterWrite& w) {
        return engine.mirror()[w.address] == w.value;
    });
}

bool powerStage(int state) {
    return state >= STATE_P100 && state <= STATE_P1000;
}

// Registers whose echoed value must stay: the state moves on by itself (tune, then no power).
bool watched(int address) {
    return address != OperatingState && address != StatusRegister && address != PowerLevel;
}

} // namespace

bool entryInForce(const ScheduleEntry& entry, const ScheduleEngine& engine) {
    const RegisterMirror& m = engine.mirror();
    return (!entry.hasFrequency || digitsHeld(entry, m)) &&
           (entry.preset == KEEP || presetHeld(entry, engine)) &&
           (entry.program == KEEP || m[ProgramNumber] == entry.program) &&
           (entry.antenna == KEEP || m[Antenna] == entry.antenna) &&
           m[OperatingState] == entry.state;
}

bool onAirWithOtherValues(const ScheduleEntry& entry, const ScheduleEngine& engine) {
    return powerStage(engine.mirror()[OperatingState]) && !entryInForce(entry, engine);
}

ScheduleEntry standbyEntry() {
    return ScheduleEntry{}; // standby; every other value kept
}

ScheduleSequencer::ScheduleSequencer(ScheduleEngine& engine, int tuneSeconds)
    : engine_(engine), tuneSeconds_(std::clamp(tuneSeconds, 1, SCHEDULE_SECONDS_MAX)) {}

void ScheduleSequencer::planSteps(const ScheduleEntry& entry) {
    const RegisterMirror& m = engine_.mirror();
    const bool newFrequency = entry.hasFrequency && !digitsHeld(entry, m);
    const bool newPreset = entry.preset != KEEP && !presetHeld(entry, engine_);
    const bool newProgram = entry.program != KEEP && m[ProgramNumber] != entry.program;
    const bool newAntenna = entry.antenna != KEEP && m[Antenna] != entry.antenna;
    // Program, antenna and frequency change only in standby (the engine's own condition), so
    // even a change of program or antenna alone passes through it; a transmitter still
    // tuned goes back to its stage without a new tune.
    const bool full = newFrequency || newPreset;
    const bool anyValue = full || newProgram || newAntenna;
    stepCount_ = 0;
    const auto add = [&](bool wanted, ChangeStep step) {
        if (wanted) {
            steps_[static_cast<size_t>(stepCount_++)] = step;
        }
    };
    add(anyValue || entry.state == STATE_STANDBY, ChangeStep::Standby);
    add(newFrequency, ChangeStep::Frequency);
    add(newPreset, ChangeStep::Preset);
    add(newProgram, ChangeStep::Program);
    add(newAntenna, ChangeStep::Antenna);
    const bool tuned = (m[StatusRegister] & STATUS_READY) != 0 && m[StatusRegister] != NOT_REPORTED;
    add(powerStage(entry.state) && (full || !tuned), ChangeStep::Tune);
    add(powerStage(entry.state), ChangeStep::Power);
}

void ScheduleSequencer::begin(const ScheduleEntry& entry, SteadySeconds now) {
    entry_ = entry;
    began_ = now;
    retried_ = 0;
    tuneRequested_ = false;
    failure_ = ChangeFailure::None;
    foreignWrite_ = false;
    expected_.fill(NO_VALUE);
    stepIndex_ = 0;
    outcome_.reset();
    if (entryInForce(entry, engine_)) {
        phase_ = Phase::Idle;
        finish(ChangeOutcome::InForce, now);
        return;
    }
    planSteps(entry);
    phase_ = Phase::Issue;
    run(now);
}

bool ScheduleSequencer::holds(ChangeStep step) const {
    const RegisterMirror& m = engine_.mirror();
    switch (step) {
    case ChangeStep::Standby:
        return m[OperatingState] == STATE_STANDBY;
    case ChangeStep::Frequency:
        return digitsHeld(entry_, m);
    case ChangeStep::Preset:
        return presetHeld(entry_, engine_);
    case ChangeStep::Program:
        return m[ProgramNumber] == entry_.program;
    case ChangeStep::Antenna:
        return m[Antenna] == entry_.antenna;
    case ChangeStep::Tune:
        // Tuned, reported after the tune's echo: the ready bit and the state past tuning.
        return statusAfterEcho_ && (m[StatusRegister] & STATUS_READY) != 0 &&
               m[OperatingState] != STATE_TUNE && m[OperatingState] != STATE_STANDBY;
    case ChangeStep::Power:
        return m[OperatingState] == entry_.state;
    }
    return false;
}

// The transmitter refuses a value by reporting its own after the echo, so a step counts
// only once a report has followed its echo.
bool ScheduleSequencer::stepConfirmed() const {
    return echoed_ && reportAfterEcho_ && holds(step());
}

void ScheduleSequencer::issue(SteadySeconds now) {
    const ChangeStep current = step();
    if (!engine_.linkAlive()) {
        fail(current, ChangeFailure::LinkLost);
        return;
    }
    const CommandSource source = scheduleSource();
    CommandResult result;
    bool nothingToDo = false;
    switch (current) {
    case ChangeStep::Standby:
        nothingToDo = holds(current);
        if (!nothingToDo) {
            result = engine_.requestStandby(source);
        }
        break;
    case ChangeStep::Frequency:
        result = engine_.enterFrequency(entry_.digits, 0, source);
        break;
    case ChangeStep::Preset:
        result = engine_.sendPreset(entry_.preset, source);
        break;
    case ChangeStep::Program:
        result = engine_.selectProgram(entry_.program, source);
        break;
    case ChangeStep::Antenna:
        result = engine_.selectAntenna(entry_.antenna, source);
        break;
    case ChangeStep::Tune:
        tuneAt_ = now;
        tuneRequested_ = true;
        result = engine_.requestState(STATE_TUNE, source);
        break;
    case ChangeStep::Power:
        result = engine_.requestState(entry_.state, source);
        break;
    }
    if (!result.accepted()) {
        fail(current, ChangeFailure::Refused, result.refusal);
        return;
    }
    awaited_ = result.lastWrite;
    echoed_ = nothingToDo;
    reportAfterEcho_ = nothingToDo;
    echoReportNext_ = false;
    statusAfterEcho_ = false;
    // The power stage shares the tune's time, unless it is tried again on its own.
    const bool sharesTune = current == ChangeStep::Power && tuneRequested_ &&
                            (retried_ & (1u << static_cast<int>(current))) == 0;
    deadline_ = (sharesTune ? tuneAt_ : now) + tuneSeconds_;
    phase_ = Phase::Waiting;
}

void ScheduleSequencer::run(SteadySeconds now) {
    wantsRun_ = false;
    if (phase_ == Phase::Idle) {
        return;
    }
    if (foreignWrite_) {
        finish(ChangeOutcome::Hand, now);
        return;
    }
    // Each pass takes a step further or returns; a change has at most MAX_CHANGE_STEPS.
    for (int pass = 0; pass <= 4 * MAX_CHANGE_STEPS; ++pass) {
        if (failure_ != ChangeFailure::None && !handleFailure(now)) {
            return;
        }
        switch (phase_) {
        case Phase::Idle:
            return;
        case Phase::Retry:
            if (now < retryAt_) {
                return;
            }
            phase_ = Phase::Issue;
            break;
        case Phase::Issue:
            issue(now);
            break;
        case Phase::Waiting:
            if (stepConfirmed()) {
                if (stepIndex_ + 1 < stepCount_) {
                    ++stepIndex_;
                    phase_ = Phase::Issue;
                } else if (entryInForce(entry_, engine_)) {
                    finish(ChangeOutcome::Done, now);
                    return;
                } else {
                    // Each step held its value, yet not all stayed: one of them was undone.
                    fail(step(), ChangeFailure::Rejected);
                }
            } else if (now >= deadline_) {
                fail(step(), ChangeFailure::NotReported);
            } else {
                return;
            }
            break;
        }
    }
}

void ScheduleSequencer::fail(ChangeStep step, ChangeFailure failure, Refusal refusal) {
    if (failure_ == ChangeFailure::None) {
        failure_ = failure;
        failedStep_ = step;
        refusal_ = refusal;
    }
    wantsRun_ = true;
}

// A first failure of a step waits for its retry (true); a second one ends the change in
// standby (false).
bool ScheduleSequencer::handleFailure(SteadySeconds now) {
    const ChangeFailure failure = failure_;
    failure_ = ChangeFailure::None;
    const unsigned bit = 1u << static_cast<int>(failedStep_);
    if ((retried_ & bit) == 0) {
        retried_ |= bit;
        stepIndex_ = indexOf(failedStep_);
        // What later steps had confirmed is asked for again after the retried one.
        for (int r = 0; r < REGISTER_COUNT; ++r) {
            if (static_cast<int>(owner_[static_cast<size_t>(r)]) >= static_cast<int>(failedStep_)) {
                expected_[static_cast<size_t>(r)] = NO_VALUE;
            }
        }
        retryAt_ = now + RETRY_SECONDS;
        phase_ = Phase::Retry;
        return true;
    }
    // A transmitter on a wrong frequency or antenna is worse than a silent one.
    engine_.requestStandby(scheduleSource());
    finish(ChangeOutcome::Failed, now);
    outcome_->step = failedStep_;
    outcome_->failure = failure;
    outcome_->refusal = refusal_;
    return false;
}

void ScheduleSequencer::finish(ChangeOutcome::Result result, SteadySeconds now) {
    ChangeOutcome outcome;
    outcome.result = result;
    outcome.step = step();
    outcome.began = began_;
    outcome.ended = now;
    outcome_ = outcome;
    phase_ = Phase::Idle;
    foreignWrite_ = false;
    wantsRun_ = false;
}

int ScheduleSequencer::indexOf(ChangeStep step) const {
    for (int i = 0; i < stepCount_; ++i) {
        if (steps_[static_cast<size_t>(i)] == step) {
            return i;
        }
    }
    return 0;
}

SteadySeconds ScheduleSequencer::nextDeadline() const {
    switch (phase_) {
    case Phase::Idle:
        return NO_EVENT;
    case Phase::Retry:
        return retryAt_;
    case Phase::Issue:
        return began_; // only between two steps of one run(): at once
    case Phase::Waiting:
        break;
    }
    return deadline_;
}

std::optional<ChangeOutcome> ScheduleSequencer::takeOutcome() {
    std::optional<ChangeOutcome> outcome = outcome_;
    outcome_.reset();
    return outcome;
}

bool ScheduleSequencer::takeOverride() {
    const bool overridden = overridden_;
    overridden_ = false;
    return overridden;
}

void ScheduleSequencer::linkLost(const RegisterMirror&) {
    if (running() && phase_ != Phase::Retry) {
        fail(step(), ChangeFailure::LinkLost);
    }
}

void ScheduleSequencer::reported(int address, int, const RegisterMirror& registers) {
    if (!running()) {
        return;
    }
    if (echoReportNext_) {
        echoReportNext_ = false; // the echo itself, applied as a report
        return;
    }
    if (echoed_) {
        reportAfterEcho_ = true;
        statusAfterEcho_ = statusAfterEcho_ || address == StatusRegister;
    }
    const int wanted = expected_[static_cast<size_t>(address)];
    if (wanted != NO_VALUE && registers[address] != wanted) {
        fail(owner_[static_cast<size_t>(address)], ChangeFailure::Rejected);
    }
    wantsRun_ = true;
}

void ScheduleSequencer::writeSent(const LineWrite& write, const RegisterMirror&) {
    if (write.source.kind == SourceKind::Panel || write.source.kind == SourceKind::Control) {
        overridden_ = true;
        if (running()) {
            foreignWrite_ = true;
            wantsRun_ = true;
        }
    }
}

void ScheduleSequencer::writeEchoed(const LineWrite& write, const RegisterMirror&) {
    if (!running() || write.source.kind != SourceKind::Schedule) {
        return;
    }
    echoReportNext_ = true;
    if (watched(write.address)) {
        expected_[static_cast<size_t>(write.address)] = write.value;
        owner_[static_cast<size_t>(write.address)] = step();
    }
    if (phase_ == Phase::Waiting && write.sequence == awaited_) {
        echoed_ = true;
    }
    wantsRun_ = true;
}

void ScheduleSequencer::echoMissing(const LineWrite& write, const RegisterMirror&) {
    if (phase_ == Phase::Waiting && !echoed_ && write.sequence <= awaited_) {
        fail(step(), ChangeFailure::NoEcho);
    }
}

} // namespace trx
