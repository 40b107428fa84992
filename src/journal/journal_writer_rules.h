// How journal records reach their files: the flood limit, the file of each line, and the
// lines that wait in memory while writing fails. The file system is behind an interface,
// so that tests can make it fail.
#ifndef TRXDESK_JOURNAL_WRITER_RULES_H
#define TRXDESK_JOURNAL_WRITER_RULES_H

#include "journal_rules.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace trx {

// At most this many lines with the same second in the Zeit UTC column.
constexpr int JOURNAL_LINES_PER_SECOND = 100;
// Lines that wait while writing fails; beyond this the oldest are dropped.
constexpr size_t JOURNAL_PENDING_LIMIT = 10000;
constexpr size_t JOURNAL_PATH_SIZE = 300;

class JournalFiles {
  public:
    virtual ~JournalFiles() = default;
    // Appends `line` to the file at `path` in one write, after JOURNAL_FILE_HEAD when the
    // file is new or empty, making folders as needed. False when it could not.
    virtual bool append(const char* path, const std::string& line) = 0;
};

// What the shell hears besides the files.
class JournalWriterEvents {
  public:
    virtual ~JournalWriterEvents() = default;
    // The first failed write of the run, at `path`.
    virtual void firstFailure(const char* path) = 0;
    // A line was journalled (written or waiting), in order.
    virtual void lineAdded(const std::string& line) = 0;
};

class JournalWriter final : public JournalSink {
  public:
    JournalWriter(JournalFiles& files, JournalWriterEvents& events)
        : files_(files), events_(events) {}

    // The folder and port key of the lines put from now on.
    void setPlace(const char* folder, const char* key);
    const char* folder() const { return folder_; }
    const char* key() const { return key_; }

    void put(const JournalRecord& record) override;
    // Writes waiting lines, oldest first, then the Journal line that says so. True when
    // none waits any more.
    bool retry(const JournalTime& now);
    size_t waiting() const { return pending_.size(); }
    // The waiting lines, oldest first.
    std::vector<std::string> waitingLines() const;

  private:
    struct Line {
        std::string path;
        std::string line;
    };
    void journalLine(const JournalTime& time, const char* text);
    void add(const JournalRecord& record);

    JournalFiles& files_;
    JournalWriterEvents& events_;
    char folder_[JOURNAL_PATH_SIZE] = {};
    char key_[JOURNAL_PATH_SIZE] = {};
    int64_t second_ = INT64_MIN;
    int linesInSecond_ = 0;
    int skipped_ = 0;
    std::deque<Line> pending_;
    size_t writtenLate_ = 0;
    size_t dropped_ = 0;
    bool failedBefore_ = false;
};

} // namespace trx

#endif
