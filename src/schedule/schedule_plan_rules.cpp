#include "schedule/schedule_plan_rules.h"

#include <algorithm>
#include <map>

namespace trx {

namespace {

// 1970-01-01 was a Thursday.
constexpr int EPOCH_WEEKDAY_OFFSET = 3;

int64_t floorDivide(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

UtcDay dayOf(UtcSeconds time) {
    return static_cast<UtcDay>(floorDivide(time, SECONDS_PER_DAY));
}

int isoWeekday(UtcDay day) {
    const int64_t shifted = int64_t{day} + EPOCH_WEEKDAY_OFFSET;
    return static_cast<int>(shifted - floorDivide(shifted, DAYS_PER_WEEK) * DAYS_PER_WEEK) + 1;
}

bool dateExists(int year, int month, int day) {
    constexpr int DAYS_IN_MONTH[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) {
        return false;
    }
    const int last = DAYS_IN_MONTH[month - 1] + (month == 2 && leapYear(year) ? 1 : 0);
    return day <= last;
}

UtcDay dayFromDate(int year, int month, int day) {
    // Days from civil, counting years from March so that the leap day comes last.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = static_cast<int>(floorDivide(y, 400));
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool beginsOn(const ScheduleEntry& entry, UtcDay day) {
    return day >= entry.firstDay && day <= entry.lastDay &&
           (entry.days & (1u << (isoWeekday(day) - 1))) != 0;
}

bool sameValues(const ScheduleEntry& a, const ScheduleEntry& b) {
    return a.hasFrequency == b.hasFrequency && (!a.hasFrequency || a.digits == b.digits) &&
           a.preset == b.preset && a.program == b.program && a.antenna == b.antenna &&
           a.state == b.state;
}

namespace {

constexpr int MINUTES_PER_WEEK = DAYS_PER_WEEK * MINUTES_PER_DAY;

// One stretch of an entry on the week's clock (minutes from Monday 00:00); an entry on air
// from Sunday into Monday is two pieces, both of its begin weekday.
struct WeekPiece {
    int start;
    int end;
    int entry;
    int weekday;
};

std::vector<WeekPiece> weekPieces(const std::vector<ScheduleEntry>& entries) {
    std::vector<WeekPiece> pieces;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ScheduleEntry& e = entries[i];
        for (int weekday = 1; weekday <= DAYS_PER_WEEK; ++weekday) {
            if ((e.days & (1u << (weekday - 1))) == 0) {
                continue;
            }
            const int start = (weekday - 1) * MINUTES_PER_DAY + e.beginMinute;
            const int end = start + e.minutes;
            const int entry = static_cast<int>(i);
            pieces.push_back({start, std::min(end, MINUTES_PER_WEEK), entry, weekday});
            if (end > MINUTES_PER_WEEK) {
                pieces.push_back({0, end - MINUTES_PER_WEEK, entry, weekday});
            }
        }
    }
    // At one start, the smaller line first: it is the one a later line is named against.
    std::sort(pieces.begin(), pieces.end(), [&](const WeekPiece& a, const WeekPiece& b) {
        return a.start != b.start ? a.start < b.start
                                  : entries[static_cast<size_t>(a.entry)].line <
                                        entries[static_cast<size_t>(b.entry)].line;
    });
    return pieces;
}

// Some day D begins `a` on `weekdayA` within its season while `b` begins on D + `offset`
// within its own.
bool seasonsMeet(const ScheduleEntry& a, int weekdayA, const ScheduleEntry& b, int offset) {
    constexpr int64_t MARGIN = DAYS_PER_WEEK + 1; // keeps the search inside UtcDay
    const int64_t lo = std::max(
        {int64_t{a.firstDay}, int64_t{b.firstDay} - offset, int64_t{NO_FIRST_DAY} + MARGIN});
    const int64_t hi =
        std::min({int64_t{a.lastDay}, int64_t{b.lastDay} - offset, int64_t{NO_LAST_DAY} - MARGIN});
    if (lo > hi) {
        return false;
    }
    const int64_t first =
        lo + (weekdayA - isoWeekday(static_cast<UtcDay>(lo)) + DAYS_PER_WEEK) % DAYS_PER_WEEK;
    return first <= hi;
}

} // namespace

std::vector<PlanOverlap> findOverlaps(const std::vector<ScheduleEntry>& entries) {
    std::vector<PlanOverlap> overlaps;
    std::vector<bool> named(entries.size(), false);
    const auto line = [&](const WeekPiece& p) {
        return entries[static_cast<size_t>(p.entry)].line;
    };
    // Whether `early` (the smaller line) and `late` meet on a real day; names `late` if so.
    const auto meet = [&](const WeekPiece& early, const WeekPiece& late) {
        // Pieces that meet on the week's clock begin at most a day apart.
        const int apart = (late.weekday - early.weekday + DAYS_PER_WEEK) % DAYS_PER_WEEK;
        const int offset = apart == DAYS_PER_WEEK - 1 ? -1 : apart;
        const auto lateIndex = static_cast<size_t>(late.entry);
        if (!seasonsMeet(entries[static_cast<size_t>(early.entry)], early.weekday,
                         entries[lateIndex], offset)) {
            return false;
        }
        named[lateIndex] = true;
        overlaps.push_back({line(early), line(late), late.weekday});
        return true;
    };
    // The pieces on the clock now, by end; and those of them not yet named, which alone can
    // still be named by a piece that begins later: so a file of many entries at one time
    // costs a comparison or two per piece, not one per piece on the clock.
    std::multimap<int, WeekPiece> active;
    std::vector<WeekPiece> unnamed;
    for (const WeekPiece& piece : weekPieces(entries)) {
        active.erase(active.begin(), active.upper_bound(piece.start));
        std::erase_if(unnamed, [&](const WeekPiece& p) {
            return p.end <= piece.start || named[static_cast<size_t>(p.entry)];
        });
        if (!named[static_cast<size_t>(piece.entry)]) {
            for (const auto& [end, other] : active) {
                if (line(other) < line(piece) && meet(other, piece)) {
                    break;
                }
            }
        }
        for (const WeekPiece& other : unnamed) {
            if (line(other) > line(piece) && !named[static_cast<size_t>(other.entry)]) {
                meet(piece, other);
            }
        }
        active.emplace(piece.end, piece);
        if (!named[static_cast<size_t>(piece.entry)]) {
            unnamed.push_back(piece);
        }
    }
    std::sort(overlaps.begin(), overlaps.end(),
              [](const PlanOverlap& a, const PlanOverlap& b) { return a.laterLine < b.laterLine; });
    return overlaps;
}

} // namespace trx
