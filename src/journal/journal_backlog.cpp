#include "journal/journal_backlog.h"

#include "journal/journal_csv_text.h"

#include <cstring>

namespace trx {

namespace {
// The writer takes one line at a time, so few can be written while a reader reads.
constexpr size_t OVERLAP_LIMIT = 64;
} // namespace

std::string writtenAndWaiting(std::string file, bool endKnown,
                              const std::vector<std::string>& waiting) {
    const size_t lineEnd = file.rfind('\n');
    file.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
    if (file.rfind(JOURNAL_FILE_HEAD, 0) != 0) {
        file = JOURNAL_FILE_HEAD; // no file yet, or not one of ours
    }
    size_t overlap = 0;
    if (!endKnown) {
        std::string front;
        std::vector<size_t> lengths;
        for (size_t k = 0; k < waiting.size() && k < OVERLAP_LIMIT; ++k) {
            front += waiting[k];
            lengths.push_back(front.size());
        }
        for (size_t k = lengths.size(); k > 0 && overlap == 0; --k) {
            const size_t length = lengths[k - 1];
            if (file.size() - strlen(JOURNAL_FILE_HEAD) >= length &&
                file.compare(file.size() - length, length, front, 0, length) == 0) {
                overlap = k;
            }
        }
    }
    for (size_t k = overlap; k < waiting.size(); ++k) {
        file += waiting[k];
    }
    return file;
}

void JournalBacklog::push(JournalPending line) {
    if (lines_.size() >= JOURNAL_PENDING_LIMIT) {
        // The line being written may be half in its file: it is never the one dropped.
        lines_.erase(lines_.begin() + (taken_ ? 1 : 0));
        ++episode_.lost;
        waited_ = true;
    }
    lines_.push_back(std::move(line));
}

const JournalPending& JournalBacklog::take() {
    taken_ = true;
    return lines_.front();
}

void JournalBacklog::written(int64_t fileEnd) {
    endPath_ = lines_.front().path;
    end_ = fileEnd;
    lines_.pop_front();
    taken_ = false;
    trouble_ = {};
    if (!waited_) {
        return;
    }
    ++episode_.writtenLate;
    if (lines_.empty()) {
        toTell_.writtenLate += episode_.writtenLate;
        toTell_.lost += episode_.lost;
        tell_ = true;
        episode_ = {};
        waited_ = false;
    }
}

void JournalBacklog::failed(const std::string& reason) {
    taken_ = false;
    trouble_.failing = true;
    trouble_.path = lines_.front().path;
    trouble_.reason = reason;
    waited_ = true;
}

bool JournalBacklog::caughtUp(JournalCaughtUp& out) {
    if (!tell_) {
        return false;
    }
    out = toTell_;
    toTell_ = {};
    tell_ = false;
    return true;
}

int64_t JournalBacklog::writtenEnd(const std::string& path) const {
    return path == endPath_ ? end_ : -1;
}

std::vector<std::string> JournalBacklog::waitingFor(const std::string& path) const {
    std::vector<std::string> waiting;
    for (const JournalPending& pending : lines_) {
        if (pending.path == path) {
            waiting.push_back(pending.line);
        }
    }
    return waiting;
}

} // namespace trx
