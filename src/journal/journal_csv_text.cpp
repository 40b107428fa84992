#include "journal/journal_csv_text.h"

#include <cstdio>
#include <cstring>

namespace trx {

const char JOURNAL_FILE_HEAD[] = "\xEF\xBB\xBF"
                                 "Zeit UTC;Ortszeit;Quelle;Ereignis;Register;alt;neu;Text;Dauer s"
                                 "\r\n";

namespace {

constexpr char SEPARATOR = ';';
constexpr char QUOTE = '"';
constexpr char LINE_END[] = "\r\n";
constexpr int64_t MS_PER_TENTH = 100;

const char* const EVENT_NAMES[] = {"Start",   "Ende",       "Port",     "Verbindung",
                                   "Meldung", "Befehl",     "Quittung", "Alarm",
                                   "Journal", "Steuerport", "Sendeplan"};

void appendField(std::string& out, std::string_view text) {
    if (text.find_first_of(";\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += QUOTE;
    for (char c : text) {
        if (c == QUOTE) {
            out += QUOTE;
        }
        out += c;
    }
    out += QUOTE;
}

void appendNumber(std::string& out, int value) {
    if (value != NO_FIELD) {
        out += std::to_string(value);
    }
}

const char* sourceName(JournalSource source) {
    switch (source) {
    case JournalSource::Program:
        return "Programm";
    case JournalSource::Transmitter:
        return "Sender";
    case JournalSource::Panel:
        return "Bedienfeld";
    case JournalSource::Control:
        return "Steuerport";
    case JournalSource::Schedule:
        return "Sendeplan";
    }
    return "";
}

} // namespace

const char* journalEventName(JournalEvent event) {
    return EVENT_NAMES[static_cast<int>(event)];
}

namespace {

// Dates to days: H. Hinnant's days_from_civil, the inverse of civilFromUtc's.
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool readDigits(std::string_view text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

bool readUtcColumn(std::string_view line, int64_t& utcMs) {
    static constexpr char SHAPE[] = "0000-00-00T00:00:00.000Z";
    if (line.size() < sizeof SHAPE - 1) {
        return false;
    }
    for (size_t i = 0; i < sizeof SHAPE - 1; ++i) {
        if (SHAPE[i] != '0' && line[i] != SHAPE[i]) {
            return false;
        }
    }
    int year, month, day, hour, minute, second, ms;
    if (!readDigits(line, 0, 4, year) || !readDigits(line, 5, 2, month) ||
        !readDigits(line, 8, 2, day) || !readDigits(line, 11, 2, hour) ||
        !readDigits(line, 14, 2, minute) || !readDigits(line, 17, 2, second) ||
        !readDigits(line, 20, 3, ms) || month < 1 || month > 12 || day < 1 || hour > 23 ||
        minute > 59 || second > 59) {
        return false;
    }
    const int64_t days = daysFromCivil(year, month, day);
    if (civilFromUtc(days * JOURNAL_MS_PER_DAY).day != day) {
        return false; // 31 April and the like
    }
    utcMs = ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + ms;
    return true;
}

CivilTime civilFromUtc(int64_t utcMs) {
    int64_t days = utcMs / JOURNAL_MS_PER_DAY;
    int64_t ms = utcMs % JOURNAL_MS_PER_DAY;
    if (ms < 0) {
        ms += JOURNAL_MS_PER_DAY;
        --days;
    }
    // Days to a date: H. Hinnant's civil_from_days, eras of 400 years from 0000-03-01.
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime t;
    t.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    t.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

std::string journalLine(const JournalRecord& record) {
    std::string out;
    char field[64];
    const CivilTime utc = civilFromUtc(record.time.utcMs);
    snprintf(field, sizeof field, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.year, utc.month,
             utc.day, utc.hour, utc.minute, utc.second, utc.millisecond);
    out += field;
    out += SEPARATOR;
    const CivilTime& local = record.time.local;
    snprintf(field, sizeof field, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month,
             local.day, local.hour, local.minute, local.second);
    out += field;
    out += SEPARATOR;
    std::string source = sourceName(record.source);
    if (record.source == JournalSource::Control) {
        source += ' ';
        source += std::string_view(record.client, strnlen(record.client, sizeof record.client));
    }
    appendField(out, source);
    out += SEPARATOR;
    out += journalEventName(record.event);
    out += SEPARATOR;
    appendNumber(out, record.address);
    out += SEPARATOR;
    appendNumber(out, record.previous);
    out += SEPARATOR;
    appendNumber(out, record.value);
    out += SEPARATOR;
    appendField(out, utf8FromCp1252(
                         std::string_view(record.text, strnlen(record.text, sizeof record.text))));
    out += SEPARATOR;
    if (record.durationMs != NO_DURATION) {
        // Tenths, rounded, with the decimal comma that German Excel reads as a number.
        const int64_t tenths = (record.durationMs + MS_PER_TENTH / 2) / MS_PER_TENTH;
        snprintf(field, sizeof field, "%lld,%lld", static_cast<long long>(tenths / 10),
                 static_cast<long long>(tenths % 10));
        out += field;
    }
    out += LINE_END;
    return out;
}

bool readJournalLine(std::string_view& rest, std::vector<std::string>& fields) {
    if (rest.empty()) {
        return false;
    }
    fields.assign(1, std::string());
    bool quoted = false;
    size_t i = 0;
    for (; i < rest.size(); ++i) {
        const char c = rest[i];
        if (quoted) {
            if (c != QUOTE) {
                fields.back() += c;
            } else if (i + 1 < rest.size() && rest[i + 1] == QUOTE) {
                fields.back() += QUOTE;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == QUOTE) {
            quoted = true;
        } else if (c == SEPARATOR) {
            fields.emplace_back();
        } else if (c == '\n') {
            break;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    rest.remove_prefix(i < rest.size() ? i + 1 : i);
    return true;
}

} // namespace trx
