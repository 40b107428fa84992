// One cell of the plan file as an operator may write it, read from the program's CP1252:
// times, weekdays, dates and small numbers.
#ifndef TRXDESK_SCHEDULE_CELL_TEXT_H
#define TRXDESK_SCHEDULE_CELL_TEXT_H

#include "schedule/schedule_plan_rules.h"

#include <cstdint>
#include <string_view>

namespace trx {

// The weekdays' short names, Monday first.
extern const char* const DAY_NAMES[DAYS_PER_WEEK];

std::string_view trimmed(std::string_view text);       // without blanks and tabs around it
bool sameWord(std::string_view a, std::string_view b); // ASCII letters in either case
// At most four decimal digits, nothing else.
bool readSmallNumber(std::string_view text, int& value);
// Digits with at most one decimal comma or point, nothing else.
bool looksLikeDecimal(std::string_view text);

enum class TimeRead { Ok, NotATime, NoSuchTime };
// "H:MM" or "HH:MM" in minutes after midnight, 24:00 (1440) included; ":00" seconds after
// it, as Excel writes a cell formatted as a time, are taken too.
TimeRead readTime(std::string_view text, int& minute);

// "1234567", "täglich" or "Mo,Di,...": a mask of ISO weekdays; 0 when not understood.
uint8_t readDays(std::string_view text);

enum class DateRead { Ok, NotADate, NoSuchDate };
// "TT.MM.JJJJ" (one-digit day and month too, as Excel may write them).
DateRead readDate(std::string_view text, UtcDay& day);

} // namespace trx

#endif
