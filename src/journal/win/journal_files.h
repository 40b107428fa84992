// The journal's files on disk: the day's file as the writer holds it (others may read it
// meanwhile, but no program can hold it for writing of its own, as a spreadsheet would),
// the folder of a port's journal, and reading a file that the writer may be appending to.
#ifndef TRXDESK_JOURNAL_FILES_H
#define TRXDESK_JOURNAL_FILES_H

#include "journal/journal_appender.h"

#include <windows.h>

#include <string>

namespace trx {

constexpr size_t JOURNAL_REASON_SIZE = 256;

class Win32JournalFile final : public JournalFile {
  public:
    Win32JournalFile() = default;
    ~Win32JournalFile() override { close(); }
    Win32JournalFile(const Win32JournalFile&) = delete;
    Win32JournalFile& operator=(const Win32JournalFile&) = delete;

    bool open(const char* path) override;
    void close() override;
    bool size(int64_t& bytes) override;
    bool write(const char* data, size_t size, size_t& written) override;
    bool truncate(int64_t bytes) override;
    std::string reason() const override { return reason_; }

  private:
    bool fail();
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string path_;
    char reason_[JOURNAL_REASON_SIZE] = {};
};

// The folder of the journal of `portNumber`'s key: its REG_SZ value "Journal" when the
// registry is used and the value is there, else %LOCALAPPDATA%\TRXDESK\Journal. False,
// with `out` empty, when neither is known.
bool journalFolder(int portNumber, bool useRegistry, char* out, size_t size);

// The first `limit` bytes (all when negative) of a file opened for shared reading; empty
// when it cannot be read.
std::string readSharedFile(const char* path, int64_t limit = -1);

// Writes `content` to a new file at `path`; false when it exists or cannot be written.
bool writeNewFile(const char* path, const std::string& content);

} // namespace trx

#endif
