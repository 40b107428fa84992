// The journal's files on disk: each line appended in one write to a file that others may
// read and write meanwhile; the folder of a port's journal.
#ifndef TRXDESK_JOURNAL_FILES_H
#define TRXDESK_JOURNAL_FILES_H

#include "journal_writer_rules.h"

#include <windows.h>

#include <string>

namespace trx {

constexpr size_t JOURNAL_REASON_SIZE = 256;

// The file of the lines stays open while lines come (an open costs far more than a write,
// under Wine about 200 us against 8) and is closed when none came for a while, so that
// the folder can be moved or removed while the line is quiet.
class Win32JournalFiles final : public JournalFiles {
  public:
    Win32JournalFiles() = default;
    ~Win32JournalFiles() override { close(); }
    Win32JournalFiles(const Win32JournalFiles&) = delete;
    Win32JournalFiles& operator=(const Win32JournalFiles&) = delete;

    bool append(const char* path, const std::string& line) override;
    // Closes the file when nothing was written for `idleMs`; true when none is open.
    bool closeIfIdle(DWORD idleMs);
    // The system's text for the last failure.
    const char* reason() const { return reason_; }

  private:
    bool open(const char* path);
    void close();
    void fail(DWORD error);
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string openPath_;
    bool empty_ = false; // the open file has no head yet
    DWORD lastWrite_ = 0;
    char reason_[JOURNAL_REASON_SIZE] = {};
};

// The folder of the journal of `portNumber`'s key: its REG_SZ value "Journal" when the
// registry is used and the value is there, else %LOCALAPPDATA%\TRXDESK\Journal. False,
// with `out` empty, when neither is known.
bool journalFolder(int portNumber, bool useRegistry, char* out, size_t size);

// The whole of a file opened for shared reading; empty when it cannot be read.
std::string readSharedFile(const char* path);

} // namespace trx

#endif
