#include "journal/journal_window_rules.h"

#include "journal/journal_csv_text.h"

#include <cctype>
#include <cstdio>
#include <string_view>

namespace trx {

const char* const JOURNAL_LIST_HEADINGS[JOURNAL_LIST_COLUMNS] = {"Ortszeit", "Quelle", "Ereignis",
                                                                 "Text", "Dauer"};

namespace {

constexpr int SHOWN_COLUMNS[JOURNAL_LIST_COLUMNS] = {COLUMN_LOCAL, COLUMN_SOURCE, COLUMN_EVENT,
                                                     COLUMN_TEXT, COLUMN_DURATION};
constexpr int EVENT_CELL = 2;

} // namespace

bool journalRow(const std::string& line, JournalRow& row) {
    std::string_view rest = line;
    std::vector<std::string> fields;
    if (!readJournalLine(rest, fields) || fields.size() != JOURNAL_COLUMN_COUNT ||
        fields[COLUMN_UTC].empty() || !isdigit(static_cast<unsigned char>(fields[COLUMN_UTC][0]))) {
        return false;
    }
    for (int i = 0; i < JOURNAL_LIST_COLUMNS; ++i) {
        row.cells[i] = cp1252FromUtf8(fields[static_cast<size_t>(SHOWN_COLUMNS[i])]);
        // A list row and a copied line are one line each.
        for (char& c : row.cells[i]) {
            if (c == '\r' || c == '\n') {
                c = ' ';
            }
        }
    }
    return true;
}

bool alarmOrLink(const JournalRow& row) {
    const std::string& event = row.cells[EVENT_CELL];
    return event == journalEventName(JournalEvent::Alarm) ||
           event == journalEventName(JournalEvent::Link);
}

std::string copiedText(const std::vector<const JournalRow*>& rows) {
    std::string text;
    for (const JournalRow* row : rows) {
        for (int i = 0; i < JOURNAL_LIST_COLUMNS; ++i) {
            text += row->cells[i];
            text += i + 1 < JOURNAL_LIST_COLUMNS ? "\t" : "\r\n";
        }
    }
    return text;
}

void journalWindowTitle(const char* title, const char* connection, char* out, size_t size) {
    snprintf(out, size, "Betriebsjournal - %s (%s)", title, connection);
}

void journalTroubleText(const char* path, const char* reason, size_t waiting, char* out,
                        size_t size) {
    snprintf(out, size, "Das Betriebsjournal kann nicht geschrieben werden (%zu %s): %s\r\n%s",
             waiting, waiting == 1 ? "Zeile wartet" : "Zeilen warten", reason, path);
}

} // namespace trx
