// Appending a line to the day's file whole: the file stays open while its lines come, another
// takes its place when the path changes (a new UTC day, another port's key), and a line that
// could not be written whole is taken back out, so that it can be written again whole. The
// file system is behind an interface, so that tests can make it fail, cut writes short or
// hang.
#ifndef TRXDESK_JOURNAL_APPEND_RULES_H
#define TRXDESK_JOURNAL_APPEND_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace trx {

// One open journal file.
class JournalFile {
  public:
    virtual ~JournalFile() = default;
    // Opens the file at `path` to append to it, making folders as needed; others may read
    // it meanwhile, but not hold it for writing of their own.
    virtual bool open(const char* path) = 0;
    // Closing what is not open does nothing.
    virtual void close() = 0;
    virtual bool size(int64_t& bytes) = 0;
    // Writes `data` at the file's end; `written` says how much of it arrived, also when the
    // write failed.
    virtual bool write(const char* data, size_t size, size_t& written) = 0;
    // Cuts the file back to `bytes`.
    virtual bool truncate(int64_t bytes) = 0;
    // The system's text for the last failure.
    virtual std::string reason() const = 0;
};

class JournalAppender {
  public:
    // `file` must outlive the appender.
    explicit JournalAppender(JournalFile& file) : file_(file) {}

    // Appends `line` to the file at `path` (after JOURNAL_FILE_HEAD when the file is new),
    // opening it, or it in place of another. True, with the file's size after the line in
    // `end`, when the line is in the file whole; false when it could not be written, with
    // none of it left behind where that can be helped. A failure closes the file.
    bool append(const std::string& path, const std::string& line, int64_t& end);
    // The day or the run has ended.
    void close();
    // The open file's path; empty when none is open.
    const std::string& openPath() const { return path_; }

  private:
    void takeBackCut();

    JournalFile& file_;
    std::string path_;
    // A write that failed part-way and could not be taken back: the file, where it began
    // and how long it was. Taken out when that file is opened next.
    std::string cutPath_;
    int64_t cutAt_ = 0;
    size_t cutLength_ = 0;
};

} // namespace trx

#endif
