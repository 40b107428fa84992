// The season schedule as the program holds it: its entries (one line of the plan file each)
// and the calendar they are read against (UTC days, ISO weekdays, seasons).
#ifndef TRXDESK_SCHEDULE_PLAN_RULES_H
#define TRXDESK_SCHEDULE_PLAN_RULES_H

#include "protocol/transmitter_vocabulary.h"

#include <array>
#include <cstdint>
#include <vector>

namespace trx {

// UTC seconds since 1970-01-01 00:00; the clock is always handed in.
using UtcSeconds = int64_t;
// UTC days since 1970-01-01.
using UtcDay = int32_t;

constexpr int SECONDS_PER_MINUTE = 60;
constexpr int MINUTES_PER_DAY = 24 * 60;
constexpr int SECONDS_PER_DAY = MINUTES_PER_DAY * SECONDS_PER_MINUTE;
constexpr int DAYS_PER_WEEK = 7;
// Bit n-1 of a day mask is ISO weekday n (1 = Monday).
constexpr uint8_t EVERY_DAY = 0x7F;

// An empty preset, program or antenna cell: the transmitter keeps what it has.
constexpr int KEEP = -1;
// Season bounds of an entry without them.
constexpr UtcDay NO_FIRST_DAY = INT32_MIN;
constexpr UtcDay NO_LAST_DAY = INT32_MAX;

struct ScheduleEntry {
    int line = 0;        // its line in the plan file, from 1
    int beginMinute = 0; // 0..1439 after midnight UTC
    int minutes = 0;     // 1..1440; an entry may run past midnight into the next day
    uint8_t days = EVERY_DAY;
    bool hasFrequency = false;
    std::array<int, FREQUENCY_DIGIT_COUNT> digits{}; // registers 1..7, when hasFrequency
    int preset = KEEP;                               // 0..3
    int program = KEEP;                              // 0..15
    int antenna = KEEP;                              // 0..3
    int state = STATE_STANDBY;                       // STATE_STANDBY or STATE_P100..STATE_P1000
    UtcDay firstDay = NO_FIRST_DAY;                  // season, both days included
    UtcDay lastDay = NO_LAST_DAY;
};

// A plan's entries in file order; no two of them are on air at once on any day.
struct SchedulePlan {
    std::vector<ScheduleEntry> entries;
};

// The day of a moment and the ISO weekday (1 = Monday) of a day.
UtcDay dayOf(UtcSeconds time);
int isoWeekday(UtcDay day);
// The day of a valid Gregorian date.
UtcDay dayFromDate(int year, int month, int day);
bool dateExists(int year, int month, int day);
// The entry begins on `day` (its weekday and season; past midnight it still belongs to it).
bool beginsOn(const ScheduleEntry& entry, UtcDay day);
// An entry's own values are the same (times, days and season aside).
bool sameValues(const ScheduleEntry& a, const ScheduleEntry& b);

// Two entries on air at once: `laterLine` begins on ISO `weekday` while `earlierLine` runs.
struct PlanOverlap {
    int earlierLine;
    int laterLine;
    int weekday;
};
// Every entry that overlaps an entry of a smaller line number on some day, named once with
// the first such entry found; seasons and entries past midnight count.
std::vector<PlanOverlap> findOverlaps(const std::vector<ScheduleEntry>& entries);

} // namespace trx

#endif
