#include "schedule_file_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace trx {

const char PLAN_FILE_HEADER[] = "Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;Programm;Antenne;"
                                "Betrieb;g\xC3\xBCltig ab;g\xC3\xBCltig bis;Bemerkung";

namespace {

constexpr char SEPARATOR = ';';
constexpr char QUOTE = '"';
constexpr char COMMENT = '#';
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr char REPLACEMENT = '?'; // a character outside CP1252's Latin-1 part

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

constexpr const char* DAY_NAMES[DAYS_PER_WEEK] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
constexpr char EVERY_DAY_WORD[] = "täglich";
constexpr char STANDBY_WORD[] = "Bereit";

struct PowerWord {
    const char* text;
    int state;
};
constexpr PowerWord POWER_WORDS[] = {
    {"100", STATE_P100}, {"250", STATE_P250}, {"1000", STATE_P1000}, {STANDBY_WORD, STATE_STANDBY}};

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

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A short decimal number; false for anything else.
bool readNumber(std::string_view text, int& value) {
    if (!allDigits(text) || text.size() > 4) {
        return false;
    }
    value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return true;
}

// The UTF-8 line as CP1252 (its Latin-1 part); false with the offset of the first byte that
// is not UTF-8.
bool cp1252FromUtf8Line(std::string_view line, std::string& out, size_t& badAt) {
    out.clear();
    for (size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        } else {
            badAt = i;
            return false;
        }
        if (i + static_cast<size_t>(length) > line.size()) {
            badAt = i;
            return false;
        }
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(line[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                badAt = i;
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            badAt = i;
            return false;
        }
        out += c <= 0xFF ? static_cast<char>(c) : REPLACEMENT;
        i += static_cast<size_t>(length);
    }
    return true;
}

// Fields of one line, unquoted; false when a quote is left open.
bool splitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quotedField = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quotedField) {
            if (c != QUOTE) {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == QUOTE) {
                fields.back() += QUOTE;
                ++i;
            } else {
                quotedField = false;
            }
        } else if (c == QUOTE) {
            quotedField = true;
        } else if (c == SEPARATOR) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quotedField;
}

enum class TimeRead { Ok, NotATime, NoSuchTime };

// "H:MM" or "HH:MM", 24:00 included (only an end may use it); ":00" seconds after it, as
// Excel writes a cell formatted as a time, are taken too.
TimeRead readTime(std::string_view text, int& minute) {
    if (text.size() > 5 && text.ends_with(":00") && text.find(':') != text.size() - 3) {
        text.remove_suffix(3);
    }
    const size_t colon = text.find(':');
    int hours = 0;
    int minutes = 0;
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3 ||
        !readNumber(text.substr(0, colon), hours) || !readNumber(text.substr(colon + 1), minutes)) {
        return TimeRead::NotATime;
    }
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0)) {
        return TimeRead::NoSuchTime;
    }
    minute = hours * 60 + minutes;
    return TimeRead::Ok;
}

// "1234567", "täglich" or "Mo,Di,...": a mask of ISO weekdays; 0 when not understood.
uint8_t readDays(std::string_view text) {
    if (sameWord(text, EVERY_DAY_WORD)) {
        return EVERY_DAY;
    }
    uint8_t mask = 0;
    if (allDigits(text)) {
        for (char c : text) {
            const int day = c - '0';
            if (day < 1 || day > DAYS_PER_WEEK || (mask & (1u << (day - 1))) != 0) {
                return 0;
            }
            mask |= static_cast<uint8_t>(1u << (day - 1));
        }
        return mask;
    }
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view name = trimmed(text.substr(0, comma));
        const auto* found = std::find_if(std::begin(DAY_NAMES), std::end(DAY_NAMES),
                                         [&](const char* day) { return sameWord(name, day); });
        if (found == std::end(DAY_NAMES) || (mask & (1u << (found - std::begin(DAY_NAMES)))) != 0) {
            return 0;
        }
        mask |= static_cast<uint8_t>(1u << (found - std::begin(DAY_NAMES)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) {
            return 0; // "Mo,"
        }
    }
    return mask;
}

// Digits with at most one decimal comma or point, nothing else.
bool looksLikeDecimal(std::string_view text) {
    const size_t mark = text.find_first_of(",.");
    if (mark == std::string_view::npos) {
        return allDigits(text);
    }
    const std::string_view whole = text.substr(0, mark);
    const std::string_view fraction = text.substr(mark + 1);
    return (whole.empty() || allDigits(whole)) && (fraction.empty() || allDigits(fraction)) &&
           !(whole.empty() && fraction.empty());
}

enum class DateRead { Ok, NotADate, NoSuchDate };

// "TT.MM.JJJJ" (one-digit day and month too, as Excel may write them).
DateRead readDate(std::string_view text, UtcDay& day) {
    const size_t first = text.find('.');
    const size_t second = first == std::string_view::npos ? first : text.find('.', first + 1);
    int d = 0;
    int m = 0;
    int y = 0;
    if (second == std::string_view::npos || first == 0 || first > 2 || second - first - 1 == 0 ||
        second - first - 1 > 2 || text.size() - second - 1 != 4 ||
        !readNumber(text.substr(0, first), d) ||
        !readNumber(text.substr(first + 1, second - first - 1), m) ||
        !readNumber(text.substr(second + 1), y)) {
        return DateRead::NotADate;
    }
    if (!dateExists(y, m, d)) {
        return DateRead::NoSuchDate;
    }
    day = dayFromDate(y, m, d);
    return DateRead::Ok;
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
        for (const PowerWord& word : POWER_WORDS) {
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
        } else if (readNumber(text, number) && number >= first && number < first + count) {
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
        if (readNumber(text, number) && number >= 1 && number <= ANTENNA_COUNT) {
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
