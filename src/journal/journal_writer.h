// How journal records become lines for their files: the flood limit, with a budget of the
// line's own and a small one for the control port, and the file of each line. The lines go
// on to the writer thread's backlog (or a test's list); nothing here touches a file.
#ifndef TRXDESK_JOURNAL_WRITER_RULES_H
#define TRXDESK_JOURNAL_WRITER_RULES_H

#include "journal/journal_recorder.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace trx {

// At most this many lines of the line's own with the same second in the Zeit UTC column...
constexpr int JOURNAL_LINES_PER_SECOND = 100;
// ...and this many of the control port's own beside them.
constexpr int JOURNAL_CONTROL_PORT_LINES_PER_SECOND = 10;
constexpr size_t JOURNAL_PATH_SIZE = 300;

// Where finished lines go.
class JournalLines {
  public:
    virtual ~JournalLines() = default;
    // `line` (UTF-8, CRLF included) for the file at `path`, whose UTC day is `utcDay` (days
    // since 1970). Must not wait for the file.
    virtual void add(const std::string& path, int64_t utcDay, const std::string& line) = 0;
};

// The Journal line that ends an episode of waiting lines: "wieder geschrieben, <n> Zeilen
// nachgetragen" and ", <m> verloren" when lines were lost.
void rewrittenText(size_t writtenLate, size_t lost, char* out, size_t size);

class JournalWriter final : public JournalSink {
  public:
    explicit JournalWriter(JournalLines& lines) : lines_(lines) {}

    // The folder and port key of the lines put from now on.
    void setPlace(const char* folder, const char* key);
    const char* folder() const { return folder_; }
    const char* key() const { return key_; }

    void put(const JournalRecord& record) override;
    // Every line that waited has been written: the line that says how many, and how many
    // were lost.
    void rewritten(const JournalTime& now, size_t writtenLate, size_t lost);

  private:
    // The lines of one origin in the current second.
    struct Budget {
        int limit;
        const char* counted; // what the line that counts the rest calls them
        int used = 0;
        int skipped = 0;
    };
    void journalLine(const JournalTime& time, const char* text);
    void add(const JournalRecord& record);

    JournalLines& lines_;
    char folder_[JOURNAL_PATH_SIZE] = {};
    char key_[JOURNAL_PATH_SIZE] = {};
    int64_t second_ = INT64_MIN;
    Budget budgets_[2] = {{JOURNAL_LINES_PER_SECOND, "Zeilen"},
                          {JOURNAL_CONTROL_PORT_LINES_PER_SECOND, "Steuerport-Zeilen"}};
};

} // namespace trx

#endif
