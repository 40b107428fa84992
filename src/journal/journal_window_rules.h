// What the journal window shows of a line, which lines the filter keeps, what Ctrl+C copies,
// the window's title, and what it and the panel's status bar say while lines cannot be
// written.
#ifndef TRXDESK_JOURNAL_WINDOW_RULES_H
#define TRXDESK_JOURNAL_WINDOW_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trx {

// The window holds the newest lines only, of the last 24 hours across the change of the UTC
// day (a night shift sees its whole night).
constexpr size_t JOURNAL_WINDOW_LINES = 5000;
constexpr int64_t JOURNAL_WINDOW_SPAN_MS = 24 * 3600 * 1000LL;

// The list's columns, left to right: Ortszeit, Quelle, Ereignis, Text, Dauer.
constexpr int JOURNAL_LIST_COLUMNS = 5;
extern const char* const JOURNAL_LIST_HEADINGS[JOURNAL_LIST_COLUMNS];

// One line of the file as the list shows it, in CP1252.
struct JournalRow {
    std::string cells[JOURNAL_LIST_COLUMNS];
};

// The row of one line of a journal file (UTF-8, CRLF optional); false for a line that is
// none (the header, a broken or foreign line).
bool journalRow(const std::string& line, JournalRow& row);

// "nur Alarme und Verbindung" keeps these.
bool alarmOrLink(const JournalRow& row);

// The rows as text: cells separated by tabs, each row ending CRLF.
std::string copiedText(const std::vector<const JournalRow*>& rows);

// "Betriebsjournal - <title> (<connection>)".
void journalWindowTitle(const char* title, const char* connection, char* out, size_t size);

// The panel's status bar while the journal's lines cannot be written.
constexpr char JOURNAL_STATUS_TROUBLE[] = "Journal: Schreibfehler";
// The window's line then: how many lines wait and why, and the file on a line of its own.
void journalTroubleText(const char* path, const char* reason, size_t waiting, char* out,
                        size_t size);

} // namespace trx

#endif
