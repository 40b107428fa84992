#include "schedule/schedule_runner.h"

#include <cstdio>

namespace trx {

namespace {

constexpr size_t STATES_KEPT = 256;
// How far ahead the plan line looks for the next entry before asking the timeline.
constexpr UtcSeconds STATUS_LOOK_AHEAD = UtcSeconds{8} * SECONDS_PER_DAY;

} // namespace

ScheduleRunner::ScheduleRunner(ScheduleEngine& engine, ScheduleNotices& notices, int leadSeconds,
                               int tuneSeconds)
    : engine_(engine), notices_(notices), timeline_(leadSeconds), sequencer_(engine, tuneSeconds) {}

bool ScheduleRunner::load(PlanReading reading, UtcSeconds now) {
    char text[SCHEDULE_TEXT_SIZE];
    problems_ = std::move(reading.problems);
    badLines_ = reading.badLines;
    if (badLines_ > 0) {
        snprintf(text, sizeof text, "Datei mit %d fehlerhaften Zeilen nicht verwendet (%s)",
                 badLines_, planLoaded_ ? "bisheriger Plan bleibt" : "kein Plan");
        notices_.journal(text);
        snprintf(text, sizeof text, "file %d bad lines", badLines_);
        notices_.event(text);
        std::string told;
        for (const PlanProblem& p : problems_) {
            told += planProblemLine(p);
        }
        const bool tell = told != toldProblems_;
        toldProblems_ = std::move(told);
        return tell;
    }
    toldProblems_.clear();
    const UtcDay today = dayOf(now);
    int inForce = 0;
    for (const ScheduleEntry& e : reading.plan.entries) {
        inForce += e.firstDay <= today && today <= e.lastDay ? 1 : 0;
    }
    timeline_.setPlan(reading.plan);
    planLoaded_ = true;
    snprintf(text, sizeof text, "geladen: %zu Einträge, %d in Kraft", reading.plan.entries.size(),
             inForce);
    notices_.journal(text);
    snprintf(text, sizeof text, "loaded %zu %d", reading.plan.entries.size(), inForce);
    notices_.event(text);
    return false;
}

void ScheduleRunner::setEnabled(bool on, UtcSeconds now) {
    if (on == enabled_) {
        return;
    }
    enabled_ = on;
    if (on) {
        // Switched on, the plan brings the transmitter into the entry in force, asking first
        // when it is on air with other values: a start in the middle.
        timeline_.runNow(now);
        timeline_.restart();
    } else if (sequencer_.running()) {
        // Switched off mid-change: nothing more goes out; the transmitter stays as it is.
        abandoned_ = true;
        remember(current_ ? current_->begin : now, EntryState::Hand);
        current_.reset();
    }
    notices_.journal(on ? "eingeschaltet" : "ausgeschaltet");
    notices_.event(on ? "on" : "off");
}

std::optional<ScheduleRunner::Question> ScheduleRunner::poll(UtcSeconds now) {
    if (!enabled_) {
        return std::nullopt;
    }
    if (sequencer_.running() && !abandoned_) {
        sequencer_.run(now);
        if (const auto outcome = sequencer_.takeOutcome()) {
            finished(*outcome, now);
        }
        if (sequencer_.running()) {
            return std::nullopt;
        }
    }
    // The operator or a client wrote while an entry of the plan was on air: hand operation.
    if (sequencer_.takeOverride() && !timeline_.inHand() && entryOnAir(now)) {
        timeline_.enterHand(now);
        char until[8];
        formatClock(timeline_.handUntil(), until, sizeof until);
        char text[SCHEDULE_TEXT_SIZE];
        snprintf(text, sizeof text, "Handbetrieb bis %s UTC", until);
        notices_.journal(text);
        notices_.event("hand");
        for (auto& [begin, row] : states_) {
            if (row.occurrence.begin <= now && now < row.occurrence.end) {
                row.state = EntryState::Hand;
            }
        }
    }
    const ScheduleStep step = timeline_.take(now);
    switch (step.kind) {
    case ScheduleStep::None:
        break;
    case ScheduleStep::Change: {
        const ScheduleEntry& entry = timeline_.entryOf(step.occurrence);
        if (step.midEntry && onAirWithOtherValues(entry, engine_)) {
            return Question{step.occurrence};
        }
        begin(step.occurrence, entry, now);
        break;
    }
    case ScheduleStep::Standby:
        current_ = step.occurrence;
        currentIsStandby_ = true;
        abandoned_ = false;
        sequencer_.begin(standbyEntry(), now);
        if (const auto outcome = sequencer_.takeOutcome()) {
            finished(*outcome, now);
        }
        break;
    }
    return std::nullopt;
}

void ScheduleRunner::confirm(const Question& question, bool takeOver, UtcSeconds now) {
    if (!takeOver) {
        timeline_.enterHand(now);
        notices_.journal("Bediener behält den Sender: Handbetrieb bis zum nächsten Eintrag");
        notices_.event("hand");
        remember(question.occurrence.begin, EntryState::Hand);
        states_[question.occurrence.begin].occurrence = question.occurrence;
        return;
    }
    begin(question.occurrence, timeline_.entryOf(question.occurrence), now);
}

void ScheduleRunner::begin(const Occurrence& occurrence, const ScheduleEntry& entry,
                           UtcSeconds now) {
    current_ = occurrence;
    currentIsStandby_ = false;
    char values[SCHEDULE_TEXT_SIZE];
    formatEntryValues(entry, true, values, sizeof values);
    char clock[8];
    formatClock(occurrence.begin, clock, sizeof clock);
    char text[SCHEDULE_TEXT_SIZE * 2];
    snprintf(text, sizeof text, "Wechsel begonnen: Zeile %d, %s UTC %s", entry.line, clock, values);
    notices_.journal(text);
    char iso[32];
    formatIsoTime(occurrence.begin, iso, sizeof iso);
    snprintf(text, sizeof text, "begin %s", iso);
    notices_.event(text);
    states_[occurrence.begin].occurrence = occurrence;
    remember(occurrence.begin, EntryState::Running);
    abandoned_ = false;
    sequencer_.begin(entry, now);
    if (const auto outcome = sequencer_.takeOutcome()) {
        finished(*outcome, now);
    }
}

void ScheduleRunner::finished(const ChangeOutcome& outcome, UtcSeconds now) {
    char text[SCHEDULE_TEXT_SIZE * 2];
    const bool standby = currentIsStandby_;
    const UtcSeconds begin = current_ ? current_->begin : now;
    switch (outcome.result) {
    case ChangeOutcome::Done:
        snprintf(text, sizeof text, "%s nach %lld s",
                 standby ? "Ende: Sender auf Bereit" : "Wechsel fertig",
                 static_cast<long long>(outcome.ended - outcome.began));
        notices_.journal(text);
        ++changesOk_;
        notices_.event(standby ? "standby" : "done");
        if (!standby) {
            remember(begin, EntryState::Done);
        }
        break;
    case ChangeOutcome::InForce:
        notices_.journal(standby ? "Ende: Sender schon auf Bereit" : "Eintrag schon in Kraft");
        if (!standby) {
            remember(begin, EntryState::Done);
        }
        break;
    case ChangeOutcome::Failed: {
        char reason[SCHEDULE_TEXT_SIZE];
        formatChangeFailure(outcome.failure, outcome.refusal, reason, sizeof reason);
        snprintf(text, sizeof text, "Wechsel fehlgeschlagen, Sender auf Bereit: Schritt %s, %s",
                 changeStepName(outcome.step), reason);
        notices_.journal(text);
        snprintf(text, sizeof text, "failed %s %s", changeStepWord(outcome.step),
                 changeFailureWord(outcome.failure));
        notices_.event(text);
        ++changesFailed_;
        char clock[8];
        formatClock(begin, clock, sizeof clock);
        snprintf(text, sizeof text, "Plan: FEHLER %s UTC %s", clock, changeStepName(outcome.step));
        alarm_ = text;
        snprintf(text, sizeof text, "%s: %s", changeStepName(outcome.step), reason);
        remember(begin, EntryState::Failed, text);
        break;
    }
    case ChangeOutcome::Hand:
        timeline_.enterHand(now);
        char until[8];
        formatClock(timeline_.handUntil(), until, sizeof until);
        snprintf(text, sizeof text, "Handbetrieb bis %s UTC (Wechsel abgebrochen)", until);
        notices_.journal(text);
        notices_.event("hand");
        remember(begin, EntryState::Hand);
        break;
    }
    current_.reset();
}

bool ScheduleRunner::runNow(UtcSeconds now) {
    if (!enabled_) {
        return false; // nothing would run: the operator switches the plan on first
    }
    timeline_.runNow(now);
    sequencer_.takeOverride();
    notices_.journal("jetzt ausführen");
    notices_.event("now");
    return true;
}

void ScheduleRunner::acknowledge() {
    if (!alarm_.empty()) {
        alarm_.clear();
        notices_.journal("Alarm quittiert");
        notices_.event("acknowledged");
    }
}

UtcSeconds ScheduleRunner::nextWake(UtcSeconds now) const {
    if (!enabled_) {
        return NO_EVENT;
    }
    return std::min(timeline_.nextEventTime(now), sequencer_.nextDeadline());
}

bool ScheduleRunner::nextChange(UtcSeconds now, Occurrence& next) const {
    for (const Occurrence& o : timeline_.occurrences(now, now + STATUS_LOOK_AHEAD)) {
        if (o.begin > now && !timeline_.changeDone(o)) {
            next = o;
            return true;
        }
    }
    const UtcSeconds at = timeline_.nextEventTime(now);
    if (at == NO_EVENT) {
        return false;
    }
    const auto far = timeline_.occurrences(at, at + SECONDS_PER_DAY);
    if (far.empty()) {
        return false;
    }
    next = far.front();
    return true;
}

void ScheduleRunner::formatStatus(UtcSeconds now, char* text, size_t size) const {
    if (!alarm_.empty()) {
        snprintf(text, size, "%s", alarm_.c_str());
        return;
    }
    if (!enabled_) {
        snprintf(text, size, "%s", "Plan aus");
        return;
    }
    char clock[8];
    if (timeline_.inHand()) {
        formatClock(timeline_.handUntil(), clock, sizeof clock);
        snprintf(text, size, "Plan: Hand bis %s", clock);
        return;
    }
    Occurrence next;
    if (!nextChange(now, next)) {
        snprintf(text, size, "%s", "Plan: nichts geplant");
        return;
    }
    char values[SCHEDULE_TEXT_SIZE];
    formatEntryValues(timeline_.entryOf(next), false, values, sizeof values);
    formatClock(next.begin, clock, sizeof clock);
    snprintf(text, size, "Plan: %s UTC %s", clock, values);
}

std::vector<EntryRow> ScheduleRunner::rows(UtcSeconds now, UtcSeconds from, UtcSeconds to) const {
    std::vector<EntryRow> out;
    for (const Occurrence& o : timeline_.occurrences(from, to)) {
        EntryRow row;
        row.occurrence = o;
        const auto known = states_.find(o.begin);
        if (known != states_.end() && known->second.occurrence.end == o.end) {
            row.state = known->second.state;
            row.reason = known->second.reason;
        } else if (o.end <= now || (o.begin <= now && !timeline_.changeDone(o))) {
            row.state = EntryState::Skipped;
        }
        out.push_back(std::move(row));
    }
    return out;
}

void ScheduleRunner::remember(UtcSeconds begin, EntryState state, std::string reason) {
    EntryRow& row = states_[begin];
    row.state = state;
    row.reason = std::move(reason);
    while (states_.size() > STATES_KEPT) {
        states_.erase(states_.begin());
    }
}

bool ScheduleRunner::entryOnAir(UtcSeconds now) const {
    for (const Occurrence& o : timeline_.occurrences(now, now + 1)) {
        if (o.begin <= now && timeline_.changeDone(o)) {
            return true;
        }
    }
    return false;
}

} // namespace trx
