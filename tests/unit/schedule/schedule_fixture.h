// Plan files as an operator writes them: the header, then lines, UTF-8.
#ifndef TRXDESK_TESTS_SCHEDULE_FIXTURE_H
#define TRXDESK_TESTS_SCHEDULE_FIXTURE_H

#include "schedule/schedule_file_text.h"

#include <initializer_list>
#include <string>

namespace trx {

// Antenna 1 and 3 have operator-given names.
inline constexpr char ANTENNA_NAMES[ANTENNA_COUNT][ANTENNA_NAME_SIZE] = {"Dipol Nord", "",
                                                                         "Rhombus", ""};

inline std::string planText(std::initializer_list<const char*> lines, const char* end = "\r\n") {
    std::string text = std::string(PLAN_FILE_HEADER) + end;
    for (const char* line : lines) {
        text += std::string(line) + end;
    }
    return text;
}

inline SchedulePlan planOf(std::initializer_list<const char*> lines) {
    return readPlanFile(planText(lines), ANTENNA_NAMES).plan;
}

// Monday 4 January 2027, 00:00 UTC, and a time on a day after it.
inline UtcSeconds mondayAt(int dayOffset, int hours, int minutes, int seconds = 0) {
    return (UtcSeconds{dayFromDate(2027, 1, 4)} + dayOffset) * SECONDS_PER_DAY + hours * 3600 +
           minutes * 60 + seconds;
}

} // namespace trx

#endif
