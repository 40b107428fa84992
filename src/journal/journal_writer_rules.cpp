#include "journal_writer_rules.h"

#include "journal_csv_text.h"
#include "journal_path_rules.h"

#include <cstdio>

namespace trx {

namespace {

constexpr int64_t MS_PER_SECOND = 1000;

int64_t secondOf(int64_t utcMs) {
    return utcMs >= 0 ? utcMs / MS_PER_SECOND : (utcMs - MS_PER_SECOND + 1) / MS_PER_SECOND;
}

// The program's own lines pass the flood limit: there are few, and the end must be seen.
bool exempt(JournalEvent event) {
    return event == JournalEvent::Start || event == JournalEvent::End ||
           event == JournalEvent::Journal;
}

} // namespace

void JournalWriter::setPlace(const char* folder, const char* key) {
    snprintf(folder_, sizeof folder_, "%s", folder);
    snprintf(key_, sizeof key_, "%s", key);
}

void JournalWriter::put(const JournalRecord& record) {
    const int64_t second = secondOf(record.time.utcMs);
    if (second != second_ || record.event == JournalEvent::End) {
        if (skipped_ > 0) {
            char text[JOURNAL_TEXT_SIZE];
            snprintf(text, sizeof text, "%d Zeilen ausgelassen", skipped_);
            skipped_ = 0;
            journalLine(record.time, text);
        }
        if (second != second_) {
            second_ = second;
            linesInSecond_ = 0;
        }
    }
    if (!exempt(record.event)) {
        if (linesInSecond_ >= JOURNAL_LINES_PER_SECOND) {
            ++skipped_;
            return;
        }
        ++linesInSecond_;
    }
    add(record);
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
    std::string line = trx::journalLine(record);
    // Waiting lines go first; while they cannot, the new one waits behind them.
    const bool nothingWaits = retry(record.time);
    events_.lineAdded(line);
    if (nothingWaits) {
        if (files_.append(path, line)) {
            return;
        }
        if (!failedBefore_) {
            failedBefore_ = true;
            events_.firstFailure(path);
        }
    }
    if (pending_.size() >= JOURNAL_PENDING_LIMIT) {
        pending_.pop_front();
        ++dropped_;
    }
    pending_.push_back({path, std::move(line)});
}

bool JournalWriter::retry(const JournalTime& now) {
    if (pending_.empty()) {
        return true;
    }
    while (!pending_.empty()) {
        if (!files_.append(pending_.front().path.c_str(), pending_.front().line)) {
            return false;
        }
        pending_.pop_front();
        ++writtenLate_;
    }
    char text[JOURNAL_TEXT_SIZE];
    const int n =
        snprintf(text, sizeof text, "wieder geschrieben, %zu Zeilen nachgetragen", writtenLate_);
    if (dropped_ > 0 && n > 0 && static_cast<size_t>(n) < sizeof text) {
        snprintf(text + n, sizeof text - static_cast<size_t>(n), ", %zu verloren", dropped_);
    }
    writtenLate_ = 0;
    dropped_ = 0;
    journalLine(now, text);
    return true;
}

std::vector<std::string> JournalWriter::waitingLines() const {
    std::vector<std::string> lines;
    lines.reserve(pending_.size());
    for (const Line& waiting : pending_) {
        lines.push_back(waiting.line);
    }
    return lines;
}

} // namespace trx
