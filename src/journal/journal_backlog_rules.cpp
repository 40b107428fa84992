#include "journal_backlog_rules.h"

namespace trx {

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
