#include "journal/journal_writer.h"

#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"

#include <cstdio>

namespace trx {

namespace {

constexpr int64_t MS_PER_SECOND = 1000;

int64_t floorDiv(int64_t value, int64_t by) {
    return value >= 0 ? value / by : (value - by + 1) / by;
}

// The program's own lines pass the flood limit: there are few, and the end must be seen.
bool exempt(JournalEvent event) {
    return event == JournalEvent::Start || event == JournalEvent::End ||
           event == JournalEvent::Journal;
}

} // namespace

void rewrittenText(size_t writtenLate, size_t lost, char* out, size_t size) {
    const int n = snprintf(out, size, "wieder geschrieben, %zu Zeilen nachgetragen", writtenLate);
    if (lost > 0 && n > 0 && static_cast<size_t>(n) < size) {
        snprintf(out + n, size - static_cast<size_t>(n), ", %zu verloren", lost);
    }
}

void JournalWriter::setPlace(const char* folder, const char* key) {
    snprintf(folder_, sizeof folder_, "%s", folder);
    snprintf(key_, sizeof key_, "%s", key);
}

void JournalWriter::put(const JournalRecord& record) {
    const int64_t second = floorDiv(record.time.utcMs, MS_PER_SECOND);
    if (second != second_ || record.event == JournalEvent::End) {
        for (Budget& budget : budgets_) {
            if (budget.skipped > 0) {
                char text[JOURNAL_TEXT_SIZE];
                snprintf(text, sizeof text, "%d %s ausgelassen", budget.skipped, budget.counted);
                budget.skipped = 0;
                journalLine(record.time, text);
            }
            if (second != second_) {
                budget.used = 0;
            }
        }
        second_ = second;
    }
    if (!exempt(record.event)) {
        Budget& budget = budgets_[record.origin == JournalOrigin::ControlPort ? 1 : 0];
        if (budget.used >= budget.limit) {
            ++budget.skipped;
            return;
        }
        ++budget.used;
    }
    add(record);
}

void JournalWriter::rewritten(const JournalTime& now, size_t writtenLate, size_t lost) {
    char text[JOURNAL_TEXT_SIZE];
    rewrittenText(writtenLate, lost, text, sizeof text);
    journalLine(now, text);
}

void JournalWriter::journalLine(const JournalTime& time, const char* text) {
    JournalRecord r;
    r.time = time;
    r.event = JournalEvent::Journal;
    r.source = JournalSource::Program;
    snprintf(r.text, sizeof r.text, "%s", text);
    add(r);
}

void JournalWriter::add(const JournalRecord& record) {
    char path[JOURNAL_PATH_SIZE];
    journalFilePath(folder_, key_, record.time.utcMs, path, sizeof path);
    lines_.add(path, floorDiv(record.time.utcMs, JOURNAL_MS_PER_DAY), trx::journalLine(record));
}

} // namespace trx
