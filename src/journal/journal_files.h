// The journal's files on disk: each line appended in one write to a file that others may
// read and write meanwhile; the folder of a port's journal.
#ifndef TRXDESK_JOURNAL_FILES_H
#define TRXDESK_JOURNAL_FILES_H

#include "journal_writer_rules.h"

#include <windows.h>

#include <string>

namespace trx {

constexpr size_t JOURNAL_REASON_SIZE = 256;

class Win32JournalFiles final : public JournalFiles {
  public:
    bool append(const char* path, const std::string& line) override;
    // The system's text for the last failure.
    const char* reason() const { return reason_; }

  private:
    void fail(DWORD error);
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
