#include "schedule/schedule_window_rules.h"

#include <cstdio>

namespace trx {

std::string entryStateText(const EntryRow& row) {
    switch (row.state) {
    case EntryState::Planned:
        return "";
    case EntryState::Running:
        return "läuft";
    case EntryState::Done:
        return "erledigt";
    case EntryState::Failed:
        return "fehlgeschlagen: " + row.reason;
    case EntryState::Skipped:
        return "übersprungen";
    case EntryState::Hand:
        return "Hand";
    }
    return "";
}

std::vector<std::string> scheduleWindowLines(const ScheduleRunner& runner, UtcSeconds now) {
    const UtcSeconds today = UtcSeconds{dayOf(now)} * SECONDS_PER_DAY;
    const UtcSeconds until = today + UtcSeconds{SCHEDULE_WINDOW_DAYS + 1} * SECONDS_PER_DAY;
    std::vector<std::string> lines;
    for (const EntryRow& row : runner.rows(now, today, until)) {
        const ScheduleEntry& entry =
            runner.plan().entries[static_cast<size_t>(row.occurrence.entry)];
        char iso[32];
        formatIsoTime(row.occurrence.begin, iso, sizeof iso);
        char begin[8];
        char end[8];
        formatClock(row.occurrence.begin, begin, sizeof begin);
        formatClock(row.occurrence.end, end, sizeof end);
        char values[SCHEDULE_TEXT_SIZE];
        formatEntryValues(entry, true, values, sizeof values);
        // "2026-12-08" to "08.12."
        char line[SCHEDULE_TEXT_SIZE * 2];
        const std::string state = entryStateText(row);
        snprintf(line, sizeof line, "%.2s.%.2s.  %s-%s  %s%sZeile %d: %s", iso + 8, iso + 5, begin,
                 end, state.c_str(), state.empty() ? "" : "  ", entry.line, values);
        lines.emplace_back(line);
    }
    return lines;
}

std::string scheduleCountdownText(const ScheduleRunner& runner, UtcSeconds now) {
    if (!runner.enabled()) {
        return "Plan aus";
    }
    Occurrence next;
    if (!runner.nextChange(now, next)) {
        return "kein Eintrag geplant";
    }
    char clock[8];
    formatClock(next.begin, clock, sizeof clock);
    char wait[32];
    formatCountdown(next.change - now, wait, sizeof wait);
    char text[SCHEDULE_TEXT_SIZE];
    if (runner.inHand()) {
        snprintf(text, sizeof text, "Handbetrieb; nächster Eintrag %s UTC, Wechsel in %s", clock,
                 wait);
    } else if (next.change <= now) {
        snprintf(text, sizeof text, "Wechsel zu %s UTC läuft", clock);
    } else {
        snprintf(text, sizeof text, "Nächster Wechsel zu %s UTC in %s", clock, wait);
    }
    return text;
}

std::vector<std::string> scheduleProblemLines(const ScheduleRunner& runner) {
    std::vector<std::string> lines;
    if (runner.badLines() == 0) {
        lines.emplace_back("Datei in Ordnung");
        return lines;
    }
    char head[SCHEDULE_TEXT_SIZE];
    snprintf(head, sizeof head,
             "%d fehlerhafte Zeilen, die Datei wird nicht verwendet:", runner.badLines());
    lines.emplace_back(head);
    for (const PlanProblem& problem : runner.problems()) {
        lines.push_back(planProblemLine(problem));
    }
    return lines;
}

} // namespace trx
