#include "journal/journal_appender.h"

#include "journal/journal_csv_text.h"

namespace trx {

bool JournalAppender::append(const std::string& path, const std::string& line, int64_t& end) {
    if (!path_.empty() && path_ != path) {
        close(); // a new day or another port's key
    }
    if (path_.empty()) {
        if (!file_.open(path.c_str())) {
            return false;
        }
        path_ = path;
        takeBackCut();
    }
    int64_t start = 0;
    if (!file_.size(start)) {
        close();
        return false;
    }
    // A new file: its head and the line in one write, so that no reader sees it headless.
    const std::string data = start == 0 ? JOURNAL_FILE_HEAD + line : line;
    size_t written = 0;
    if (file_.write(data.data(), data.size(), written) && written == data.size()) {
        end = start + static_cast<int64_t>(data.size());
        return true;
    }
    // Whatever arrived goes again, so that the line can be written whole later; where the
    // file cannot even say its size, the part is taken out when it opens next.
    int64_t now = 0;
    const bool known = file_.size(now);
    if (!known || (now > start && !file_.truncate(start))) {
        cutPath_ = path;
        cutAt_ = start;
        cutLength_ = data.size();
    }
    close();
    return false;
}

void JournalAppender::close() {
    file_.close();
    path_.clear();
}

void JournalAppender::takeBackCut() {
    if (cutPath_ != path_) {
        return;
    }
    int64_t size = 0;
    // More than the part would be other writers' lines: those stay.
    if (file_.size(size) && size > cutAt_ && size - cutAt_ <= static_cast<int64_t>(cutLength_)) {
        file_.truncate(cutAt_);
    }
    cutPath_.clear();
}

} // namespace trx
