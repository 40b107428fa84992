#include "schedule/schedule_file_text.h"

#include "schedule/schedule_cell_text.h"
#include "schedule/schedule_csv_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace trx {

const char PLAN_FILE_HEADER[] = "Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;Programm;Antenne;"
                                "Betrieb;g\xC3\xBCltig ab;g\xC3\xBCltig bis;Bemerkung";

namespace {

constexpr char COMMENT = '#';
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

enum PlanColumn : int {
    COLUMN_BEGIN,
    COLUMN_END,
    COLUMN_DAYS,
    COLUMN_FREQUENCY,
    COLUMN_PRESET,
    COLUMN_PROGRAM,
    COLUMN_ANTENNA,
    COLUMN_OPERATION,
    COLUMN_FIRST_DAY,
    COLUMN_LAST_DAY,
    COLUMN_REMARK,
    PLAN_COLUMN_COUNT,
};
// The remark may be left out, header and lines alike.
constexpr int REQUIRED_COLUMNS = COLUMN_REMARK;

// Column names as the texts of the program are written: CP1252.
constexpr const char* COLUMN_NAMES[PLAN_COLUMN_COUNT] = {
    "Beginn UTC", "Ende UTC", "Tage",      "Frequenz MHz", "Taste",    "Programm",
    "Antenne",    "Betrieb",  "gültig ab", "gültig bis",   "Bemerkung"};

class Problems {
  public:
    explicit Problems(PlanReading& reading) : reading_(reading) {}

    void add(int line, const std::string& text) {
        if (badLines_.insert(line).second) {
            ++reading_.badLines;
        }
        if (reading_.problems.size() < static_cast<size_t>(PLAN_PROBLEM_MAX)) {
            reading_.problems.push_back({line, text});
        }
    }

  private:
    PlanReading& reading_;
    std::set<int> badLines_;
};

std::string quoted(std::string_view text) {
    std::string out = "„";
    out.append(text);
    out += "“";
    return out;
}

std::string columnText(int column, const std::string& why) {
    return std::string(COLUMN_NAMES[column]) + ": " + why;
}

class LineReader {
  public:
    LineReader(int line, Problems& problems,
               const char (&antennaNames)[ANTENNA_COUNT][ANTENNA_NAME_SIZE])
        : line_(line), problems_(problems), antennaNames_(antennaNames) {}

    bool read(const std::vector<std::string>& fields, ScheduleEntry& entry) {
        entry.line = line_;
        fields_ = &fields;
        readTimes(entry);
        readDaysColumn(entry);
        readPower(entry);
        readFrequency(entry);
        readSmall(COLUMN_PRESET, 1, PRESET_COUNT, entry.preset, "1 bis 4 oder leer");
        readSmall(COLUMN_PROGRAM, 0, PROGRAM_COUNT, entry.program, "0 bis 15 oder leer");
        readAntenna(entry);
        readSeason(entry);
        return ok_;
    }

  private:
    std::string_view cell(int column) const {
        return trimmed((*fields_)[static_cast<size_t>(column)]);
    }
    void fault(int column, const std::string& why) {
        problems_.add(line_, columnText(column, why));
        ok_ = false;
    }
    void unknown(int column, const char* allowed) {
        fault(column, quoted(cell(column)) + " unbekannt (" + allowed + ")");
    }

    void readTimes(ScheduleEntry& entry) {
        int begin = 0;
        int end = 0;
        const bool beginOk = readTimeColumn(COLUMN_BEGIN, begin);
        const bool endOk = readTimeColumn(COLUMN_END, end);
        if (beginOk && begin == MINUTES_PER_DAY) {
            fault(COLUMN_BEGIN, "24:00 gibt es nur als Ende");
        } else if (beginOk && endOk) {
            entry.beginMinute = begin;
            // An end at or before the begin is on the next day; 00:00 to 24:00 is a whole day.
            entry.minutes = end > begin ? end - begin : end + MINUTES_PER_DAY - begin;
            if (entry.minutes > MINUTES_PER_DAY || end == begin) {
                fault(COLUMN_END, "gleich dem Beginn");
            }
        }
    }
    bool readTimeColumn(int column, int& minute) {
        switch (readTime(cell(column), minute)) {
        case TimeRead::Ok:
            return true;
        case TimeRead::NoSuchTime:
            fault(column, quoted(cell(column)) + " gibt es nicht");
            return false;
        case TimeRead::NotATime:
            break;
        }
        fault(column, quoted(cell(column)) + " ist keine Uhrzeit (HH:MM)");
        return false;
    }

    void readDaysColumn(ScheduleEntry& entry) {
        entry.days = readDays(cell(COLUMN_DAYS));
        if (entry.days == 0) {
            unknown(COLUMN_DAYS, "1234567, täglich oder Mo,Di,...");
        }
    }

    void readPower(ScheduleEntry& entry) {
        const std::string_view text = cell(COLUMN_OPERATION);
        for (const PowerStageName& word : powerStageNames) {
            if (sameWord(text, word.text)) {
                entry.state = word.state;
                return;
            }
        }
        unknown(COLUMN_OPERATION, "100, 250, 1000 oder Bereit");
    }

    void readFrequency(ScheduleEntry& entry) {
        const std::string_view text = cell(COLUMN_FREQUENCY);
        if (text.empty()) {
            // A planned standby may keep the frequency; a stage needs one to tune to.
            if (entry.state != STATE_STANDBY) {
                fault(COLUMN_FREQUENCY, "fehlt (zum Abstimmen nötig)");
            }
            return;
        }
        const FrequencyEntry read = looksLikeDecimal(text)
                                        ? readFrequencyEntry(std::string(text).c_str())
                                        : FrequencyEntry{FrequencyEntry::Zero, {}};
        if (!looksLikeDecimal(text)) {
            fault(COLUMN_FREQUENCY, quoted(text) + " ist keine Zahl");
        } else if (read.kind != FrequencyEntry::Digits) {
            fault(COLUMN_FREQUENCY, quoted(text) + " liegt nicht zwischen 1,5 und 29,99999");
        } else {
            entry.hasFrequency = true;
            entry.digits = read.digits;
        }
    }

    // Empty keeps the value; else first..first+count-1, stored from 0.
    void readSmall(int column, int first, int count, int& value, const char* allowed) {
        const std::string_view text = cell(column);
        int number = 0;
        if (text.empty()) {
            value = KEEP;
        } else if (readSmallNumber(text, number) && number >= first && number < first + count) {
            value = number - first;
        } else {
            unknown(column, allowed);
        }
    }

    void readAntenna(ScheduleEntry& entry) {
        const std::string_view text = cell(COLUMN_ANTENNA);
        int number = 0;
        if (text.empty()) {
            entry.antenna = KEEP;
            return;
        }
        if (readSmallNumber(text, number) && number >= 1 && number <= ANTENNA_COUNT) {
            entry.antenna = number - 1;
            return;
        }
        for (int a = 0; a < ANTENNA_COUNT; ++a) {
            const char* name = antennaNames_[a];
            const std::string_view given(name, strnlen(name, ANTENNA_NAME_SIZE));
            if (!trimmed(given).empty() && sameWord(text, trimmed(given))) {
                entry.antenna = a;
                return;
            }
        }
        unknown(COLUMN_ANTENNA, "1 bis 4, ihr Name oder leer");
    }

    bool readDateColumn(int column, UtcDay& day) {
        const std::string_view text = cell(column);
        if (text.empty()) {
            return true;
        }
        switch (readDate(text, day)) {
        case DateRead::Ok:
            return true;
        case DateRead::NoSuchDate:
            fault(column, quoted(text) + " gibt es nicht");
            return false;
        case DateRead::NotADate:
            break;
        }
        fault(column, quoted(text) + " ist kein Datum (TT.MM.JJJJ)");
        return false;
    }

    void readSeason(ScheduleEntry& entry) {
        if (readDateColumn(COLUMN_FIRST_DAY, entry.firstDay) &&
            readDateColumn(COLUMN_LAST_DAY, entry.lastDay) && entry.lastDay < entry.firstDay) {
            fault(COLUMN_LAST_DAY, "liegt vor „gültig ab“");
        }
    }

    int line_;
    Problems& problems_;
    const char (&antennaNames_)[ANTENNA_COUNT][ANTENNA_NAME_SIZE];
    const std::vector<std::string>* fields_ = nullptr;
    bool ok_ = true;
};

bool isHeader(const std::vector<std::string>& fields) {
    if (fields.size() < static_cast<size_t>(REQUIRED_COLUMNS)) {
        return false;
    }
    for (size_t c = 0; c < fields.size(); ++c) {
        const std::string_view field = trimmed(fields[c]);
        if (c < static_cast<size_t>(PLAN_COLUMN_COUNT)
                ? !sameWord(field, COLUMN_NAMES[c]) && !(c == COLUMN_REMARK && field.empty())
                : !field.empty()) {
            return false;
        }
    }
    return true;
}

bool blankFields(const std::vector<std::string>& fields) {
    return std::all_of(fields.begin(), fields.end(),
                       [](const std::string& f) { return trimmed(f).empty(); });
}

} // namespace

PlanReading readPlanFile(std::string_view bytes,
                         const char (&antennaNames)[ANTENNA_COUNT][ANTENNA_NAME_SIZE]) {
    PlanReading reading;
    Problems problems(reading);
    if (bytes.size() > PLAN_FILE_MAX_BYTES) {
        problems.add(0, "Die Datei ist größer als 4 MB.");
        return reading;
    }
    if (bytes.starts_with(BYTE_ORDER_MARK)) {
        bytes.remove_prefix(BYTE_ORDER_MARK.size());
    }
    std::vector<ScheduleEntry> entries;
    std::string text;
    std::vector<std::string> fields;
    bool headerSeen = false;
    int line = 0;
    while (!bytes.empty()) {
        ++line;
        const size_t newline = bytes.find('\n');
        std::string_view raw = bytes.substr(0, newline);
        bytes.remove_prefix(newline == std::string_view::npos ? bytes.size() : newline + 1);
        if (raw.ends_with('\r')) {
            raw.remove_suffix(1);
        }
        size_t badAt = 0;
        char why[80];
        why[0] = '\0';
        if (raw.size() > PLAN_LINE_MAX_BYTES) {
            snprintf(why, sizeof why, "länger als %zu Bytes", PLAN_LINE_MAX_BYTES);
        } else if (raw.find('\0') != std::string_view::npos) {
            snprintf(why, sizeof why, "%s", "enthält ein Nullzeichen");
        } else if (!cp1252FromUtf8Line(raw, text, badAt)) {
            // Excel's plain "CSV" is Windows-1252; "CSV UTF-8" is what the plan needs.
            snprintf(why, sizeof why, "kein UTF-8 (Byte %zu; als CSV UTF-8 speichern)", badAt + 1);
        }
        if (why[0] != '\0') {
            problems.add(line, why);
            headerSeen = true; // a bad first line is named once, not again as no header
            continue;
        }
        if (trimmed(text).empty() || trimmed(text).front() == COMMENT) {
            continue;
        }
        if (!splitFields(text, fields)) {
            problems.add(line, "Anführungszeichen nicht geschlossen");
            continue;
        }
        if (blankFields(fields)) {
            continue; // Excel's empty rows: ";;;;;;;;;;"
        }
        if (!headerSeen) {
            headerSeen = true;
            if (isHeader(fields)) {
                continue;
            }
            problems.add(line, "Kopfzeile erwartet: Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;"
                               "Programm;Antenne;Betrieb;gültig ab;gültig bis;Bemerkung");
            continue;
        }
        if (fields.size() < static_cast<size_t>(REQUIRED_COLUMNS) ||
            !std::all_of(fields.begin() + std::min<size_t>(fields.size(), PLAN_COLUMN_COUNT),
                         fields.end(), [](const std::string& f) { return trimmed(f).empty(); })) {
            snprintf(why, sizeof why, "%zu Spalten statt %d", fields.size(), PLAN_COLUMN_COUNT);
            problems.add(line, why);
            continue;
        }
        ScheduleEntry entry;
        if (LineReader(line, problems, antennaNames).read(fields, entry)) {
            if (entries.size() == static_cast<size_t>(PLAN_ENTRY_MAX)) {
                problems.add(line, "mehr als 10000 Einträge");
                break;
            }
            entries.push_back(entry);
        }
    }
    if (!headerSeen) {
        problems.add(0, "Die Datei hat keine Kopfzeile.");
    }
    for (const PlanOverlap& overlap : findOverlaps(entries)) {
        problems.add(overlap.laterLine, "überschneidet sich am " +
                                            std::string(DAY_NAMES[overlap.weekday - 1]) +
                                            " mit Zeile " + std::to_string(overlap.earlierLine));
    }
    if (reading.badLines == 0) {
        reading.plan.entries = std::move(entries);
    }
    return reading;
}

std::string planProblemLine(const PlanProblem& problem) {
    if (problem.line == 0) {
        return problem.text;
    }
    return "Zeile " + std::to_string(problem.line) + ": " + problem.text;
}

} // namespace trx
