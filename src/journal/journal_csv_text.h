// The journal's file format: UTF-8 with a byte-order mark (so that Excel shows the umlauts),
// fields separated by ';', lines ending CRLF, quoted where a field needs it.
#ifndef TRXDESK_JOURNAL_CSV_TEXT_H
#define TRXDESK_JOURNAL_CSV_TEXT_H

#include "journal/journal_record.h"
#include "shell/cp1252_text.h"

#include <string>
#include <string_view>
#include <vector>

namespace trx {

// The first bytes of every journal file: the byte-order mark and the header line.
extern const char JOURNAL_FILE_HEAD[];

// Columns of a line, in file order.
enum JournalColumn : int {
    COLUMN_UTC,
    COLUMN_LOCAL,
    COLUMN_SOURCE,
    COLUMN_EVENT,
    COLUMN_REGISTER,
    COLUMN_PREVIOUS,
    COLUMN_VALUE,
    COLUMN_TEXT,
    COLUMN_DURATION,
    JOURNAL_COLUMN_COUNT,
};

const char* journalEventName(JournalEvent event);

// The calendar time of a UTC moment (proleptic Gregorian).
CivilTime civilFromUtc(int64_t utcMs);
// The UTC column of a line ("2026-12-07T03:12:46.000Z") as milliseconds since 1970; false
// for anything else, a date that does not exist among it.
bool readUtcColumn(std::string_view line, int64_t& utcMs);

// One whole line in UTF-8, CRLF included.
std::string journalLine(const JournalRecord& record);

// Takes the next line off a journal file's `rest` and splits it into its fields, unquoted and
// still UTF-8 (a quoted field may hold line breaks). False when nothing is left.
bool readJournalLine(std::string_view& rest, std::vector<std::string>& fields);

} // namespace trx

#endif
