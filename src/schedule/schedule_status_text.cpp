#include "schedule/schedule_status_text.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

// "1000 W", or standby's name.
void formatStage(int state, char* text, size_t size) {
    for (const PowerStageName& stage : powerStageNames) {
        if (stage.state == state) {
            snprintf(text, size, state == STATE_STANDBY ? "%s" : "%s W", stage.text);
            return;
        }
    }
    snprintf(text, size, "%s", STANDBY_NAME);
}

// Appends " <part>" (or the part alone at the start) while it fits.
void append(char* text, size_t size, const char* part) {
    const size_t used = strlen(text);
    if (used + 1 < size) {
        snprintf(text + used, size - used, "%s%s", used > 0 ? " " : "", part);
    }
}

} // namespace

void formatEntryValues(const ScheduleEntry& entry, bool all, char* text, size_t size) {
    if (size == 0) {
        return;
    }
    text[0] = '\0';
    char part[32];
    if (entry.hasFrequency) {
        char digits[FREQUENCY_TEXT_SIZE];
        formatFrequencyDigits(entry.digits, digits, sizeof digits);
        snprintf(part, sizeof part, "%s MHz", digits);
        append(text, size, part);
    }
    if (all && entry.preset != KEEP) {
        snprintf(part, sizeof part, "Taste %d", entry.preset + 1);
        append(text, size, part);
    }
    if (all && entry.program != KEEP) {
        snprintf(part, sizeof part, "Programm %d", entry.program);
        append(text, size, part);
    }
    if (all && entry.antenna != KEEP) {
        snprintf(part, sizeof part, "Antenne %d", entry.antenna + 1);
        append(text, size, part);
    }
    formatStage(entry.state, part, sizeof part);
    append(text, size, part);
}

void formatClock(UtcSeconds time, char* text, size_t size) {
    const int64_t ofDay = ((time % SECONDS_PER_DAY) + SECONDS_PER_DAY) % SECONDS_PER_DAY;
    snprintf(text, size, "%02d:%02d", static_cast<int>(ofDay / 3600),
             static_cast<int>(ofDay / 60 % 60));
}

void formatIsoTime(UtcSeconds time, char* text, size_t size) {
    // Days to the civil date: H. Hinnant's civil_from_days.
    const int64_t days = dayOf(time);
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const int64_t ofDay = time - days * SECONDS_PER_DAY;
    snprintf(text, size, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(year), month,
             day, static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
             static_cast<int>(ofDay % 60));
}

void formatCountdown(UtcSeconds seconds, char* text, size_t size) {
    const long long s = seconds < 0 ? 0 : static_cast<long long>(seconds);
    if (s >= 3600) {
        snprintf(text, size, "%lld h %02lld min", s / 3600, s / 60 % 60);
    } else if (s >= 60) {
        snprintf(text, size, "%lld min %lld s", s / 60, s % 60);
    } else {
        snprintf(text, size, "%lld s", s);
    }
}

std::string badPlanMessage(const PlanReading& reading) {
    char head[SCHEDULE_TEXT_SIZE];
    snprintf(head, sizeof head,
             "Der Sendeplan hat %d fehlerhafte Zeile%s und wird nicht verwendet; der bisherige "
             "Plan bleibt in Kraft.\n\n",
             reading.badLines, reading.badLines == 1 ? "" : "n");
    std::string text = head;
    int shown = 0;
    for (const PlanProblem& problem : reading.problems) {
        if (shown++ == PLAN_PROBLEMS_IN_MESSAGE) {
            text += "…\n";
            break;
        }
        text += planProblemLine(problem);
        text += '\n';
    }
    text += "\nAlle Fehler zeigt das Fenster \"Sendeplan…\".";
    return text;
}

} // namespace trx
