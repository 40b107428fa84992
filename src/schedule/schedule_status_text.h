// What the season schedule says of itself, in German (CP1252): an entry's values, the
// panel's plan line, the window's state of each entry and the message about a bad file.
#ifndef TRXDESK_SCHEDULE_STATUS_TEXT_H
#define TRXDESK_SCHEDULE_STATUS_TEXT_H

#include "schedule/schedule_file_text.h"
#include "schedule/schedule_plan_rules.h"

#include <cstddef>
#include <string>
#include <vector>

namespace trx {

constexpr size_t SCHEDULE_TEXT_SIZE = 160;
// Bad lines the operator's message names; the window lists all of them.
constexpr int PLAN_PROBLEMS_IN_MESSAGE = 3;

// "9,50000 MHz 1000 W", "Bereit", "9,50000 MHz Taste 2 Programm 3 Antenne 1 250 W"; with
// `all` false only the frequency and the power stage.
void formatEntryValues(const ScheduleEntry& entry, bool all, char* text, size_t size);
// "03:00" of a moment's UTC time of day.
void formatClock(UtcSeconds time, char* text, size_t size);
// "2026-12-08T03:00:00Z"
void formatIsoTime(UtcSeconds time, char* text, size_t size);
// "1 h 05 min", "4 min 10 s", "12 s"
void formatCountdown(UtcSeconds seconds, char* text, size_t size);

// The message box about a plan file with bad lines: how many, the first few by line.
std::string badPlanMessage(const PlanReading& reading);

} // namespace trx

#endif
