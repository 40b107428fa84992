// The plan file: the journal's conventions (UTF-8 with or without a byte-order mark, ';',
// CR LF or LF, a decimal comma or point, a header line, '#' comment lines), so that it can be
// written in Excel or any editor. Read from bytes; the shell reads the disk.
#ifndef TRXDESK_SCHEDULE_FILE_TEXT_H
#define TRXDESK_SCHEDULE_FILE_TEXT_H

#include "protocol/settings.h"
#include "schedule/schedule_plan_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// The header line, UTF-8.
extern const char PLAN_FILE_HEADER[];

// What is read at all: a longer file, a longer line or more entries are refused by name.
constexpr size_t PLAN_FILE_MAX_BYTES = 4 * 1024 * 1024;
constexpr size_t PLAN_LINE_MAX_BYTES = 1024;
constexpr int PLAN_ENTRY_MAX = 10000;
// Problems named one by one; beyond them only counted.
constexpr int PLAN_PROBLEM_MAX = 100;

struct PlanProblem {
    int line = 0;     // from 1; 0: the file as a whole
    std::string text; // German, CP1252: "Programm: »16« unbekannt (0 bis 15 oder leer)"
};

struct PlanReading {
    // Every entry, in file order; empty when any line was bad (the caller keeps its plan).
    SchedulePlan plan;
    std::vector<PlanProblem> problems; // at most PLAN_PROBLEM_MAX
    int badLines = 0;                  // every bad line, named or not; the file counts as one
    bool usable() const { return badLines == 0; }
};

// Checks the whole file and names every bad line. An antenna may be given by the operator's
// name for it (CP1252, as in the settings) as well as by its number 1..4.
PlanReading readPlanFile(std::string_view bytes,
                         const char (&antennaNames)[ANTENNA_COUNT][ANTENNA_NAME_SIZE]);

// "Zeile 12: Programm: ..." or the file's own problem alone, CP1252.
std::string planProblemLine(const PlanProblem& problem);

// What the shell knows of the file on disk without reading it; a different stamp means
// read it again.
struct PlanFileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t writeTime = 0; // in the file system's own units
    bool operator==(const PlanFileStamp&) const = default;
};

} // namespace trx

#endif
