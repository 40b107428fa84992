// The season schedule's costs: loading and checking a 2,000-entry plan (two seasons of a
// thousand ten-minute entries each), the next events of a week as the shell's one timer
// takes them, and the reader's worst cases (every entry at one time, seasons a day long;
// a file of nothing but bad lines).
#include "schedule/schedule_file_text.h"
#include "schedule/schedule_timeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace trx;
using Clock = std::chrono::steady_clock;

constexpr int ENTRIES_PER_SEASON = 1000;
constexpr int ENTRY_MINUTES = 10;
constexpr int TRIALS = 30;
constexpr int SMOKE_TRIALS = 2;
constexpr char NAMES[ANTENNA_COUNT][ANTENNA_NAME_SIZE] = {"Nord", "Ost", "Sued", "West"};

std::string header() {
    return std::string("\xEF\xBB\xBF") + PLAN_FILE_HEADER + "\r\n";
}

// Entry i of a season: weekday i % 7, the (i / 7)th ten minutes of that day.
std::string seasonalPlan() {
    std::string text = header();
    char line[160];
    const char* seasons[2][2] = {{"01.11.2026", "28.03.2027"}, {"29.03.2027", "31.10.2027"}};
    for (const auto& season : seasons) {
        for (int i = 0; i < ENTRIES_PER_SEASON; ++i) {
            const int begin = (i / 7) * ENTRY_MINUTES;
            const int end = begin + ENTRY_MINUTES;
            snprintf(line, sizeof line,
                     "%02d:%02d;%02d:%02d;%d;%d,%05d;%d;%d;%d;%s;%s;%s;Programm %d\r\n", begin / 60,
                     begin % 60, end / 60, end % 60, i % 7 + 1, 2 + i % 27, (i * 37) % 100000,
                     i % 4 + 1, i % 16, i % 4 + 1,
                     i % 3 == 0   ? "1000"
                     : i % 3 == 1 ? "250"
                                  : "100",
                     season[0], season[1], i);
            text += line;
        }
    }
    return text;
}

// Every entry at 12:00 on every day, each in a season of its own single day.
std::string sameTimePlan(int entries) {
    std::string text = header();
    char line[128];
    int y = 2027;
    int m = 1;
    int d = 1;
    for (int i = 0; i < entries; ++i) {
        snprintf(line, sizeof line,
                 "12:00;13:00;t\xC3\xA4glich;9,5;;;;1000;%02d.%02d.%04d;%02d.%02d.%04d;\r\n", d, m,
                 y, d, m, y);
        text += line;
        if (!dateExists(y, m, ++d)) {
            d = 1;
            y += m == 12 ? 1 : 0;
            m = m % 12 + 1;
        }
    }
    return text;
}

std::string badPlan(int lines) {
    std::string text = header();
    for (int i = 0; i < lines; ++i) {
        text += "12:00;13:00;t\xC3\xA4glich;9,5;;;;1000;;;\r\n"; // each overlaps the first
    }
    return text;
}

struct Figure {
    double bestMs;
    double medianMs;
};

template <typename Work> Figure measure(int trials, Work work) {
    std::vector<double> ms;
    for (int t = 0; t < trials; ++t) {
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

} // namespace

int main() {
    const int trials = std::getenv("TRX_BENCH_SMOKE") != nullptr ? SMOKE_TRIALS : TRIALS;

    const std::string plan = seasonalPlan();
    PlanReading reading;
    const Figure load = measure(trials, [&] { reading = readPlanFile(plan, NAMES); });
    std::printf("plan of %zu entries, %zu bytes: %s\n", reading.plan.entries.size(), plan.size(),
                reading.usable() ? "usable" : "NOT usable");
    std::printf("load and check 2000 entries: best %.2f ms, median %.2f ms\n", load.bestMs,
                load.medianMs);

    // A week of the winter season, as the timer takes it: one take and one next event each.
    ScheduleTimeline timeline;
    timeline.setPlan(reading.plan);
    const UtcSeconds monday = UtcSeconds{dayFromDate(2027, 1, 4)} * SECONDS_PER_DAY;
    int events = 0;
    const Figure week = measure(1, [&] {
        UtcSeconds now = monday;
        while (now < monday + 7 * SECONDS_PER_DAY) {
            if (timeline.take(now).kind != ScheduleStep::None) {
                ++events;
                continue;
            }
            now = timeline.nextEventTime(now);
        }
    });
    std::printf("next events over a week: %d steps in %.1f ms, %.1f us per step\n", events,
                week.bestMs, events > 0 ? week.bestMs * 1000.0 / events : 0.0);

    const std::string crowded = sameTimePlan(2000);
    const Figure sameTime = measure(trials, [&] { reading = readPlanFile(crowded, NAMES); });
    std::printf("2000 entries at one time, one-day seasons (%s): median %.2f ms\n",
                reading.usable() ? "usable" : "NOT usable", sameTime.medianMs);

    const std::string bad = badPlan(PLAN_ENTRY_MAX);
    const Figure worst = measure(trials, [&] { reading = readPlanFile(bad, NAMES); });
    std::printf("10000 lines all overlapping (%d bad lines named as %zu): median %.2f ms\n",
                reading.badLines, reading.problems.size(), worst.medianMs);
    return 0;
}
