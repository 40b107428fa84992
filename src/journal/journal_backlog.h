// The lines that wait for the writer, oldest first: at most JOURNAL_PENDING_LIMIT (beyond it
// the oldest waiting are lost and counted), what the writer last failed at, how far the
// journal's own lines reach into the open file, and, once everything that had to wait is
// written, how many lines were written late and how many were lost.
#ifndef TRXDESK_JOURNAL_BACKLOG_RULES_H
#define TRXDESK_JOURNAL_BACKLOG_RULES_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace trx {

constexpr size_t JOURNAL_PENDING_LIMIT = 10000;

struct JournalPending {
    std::string path;
    int64_t utcDay = 0;
    std::string line;
};

// Why the journal's lines wait: the file and the system's text.
struct JournalTrouble {
    bool failing = false; // the last try failed; false again once a line is written
    std::string path;
    std::string reason;
};

// An episode of waiting that has ended: every line that waited is written or lost.
struct JournalCaughtUp {
    size_t writtenLate = 0;
    size_t lost = 0;
};

// Today's lines as a reader shows them: `file` (as far as the journal's written lines reach,
// or all of it when `endKnown` is false), without a line cut short at its end and with the
// file's head, then the `waiting` lines. Where the end was not known, the lines being written
// meanwhile may be in both: those the file ends with are taken once.
std::string writtenAndWaiting(std::string file, bool endKnown,
                              const std::vector<std::string>& waiting);

class JournalBacklog {
  public:
    // At the back; when the backlog is full, the oldest line that is not being written goes.
    void push(JournalPending line);
    bool empty() const { return lines_.empty(); }
    size_t size() const { return lines_.size(); }

    // The oldest line, now being written: it stays until written() or failed().
    const JournalPending& take();
    // The taken line is in its file, which now ends at `fileEnd`.
    void written(int64_t fileEnd);
    // The taken line could not be written; it stays first.
    void failed(const std::string& reason);
    const JournalTrouble& trouble() const { return trouble_; }

    // Once all that waited is written: how many were late and lost since the last call.
    bool caughtUp(JournalCaughtUp& out);

    // How much of the file at `path` the journal's written lines reach (-1: none written to
    // it), and the lines still waiting for it, oldest first. A reader that reads no further
    // than that and adds the waiting lines sees every line once.
    int64_t writtenEnd(const std::string& path) const;
    std::vector<std::string> waitingFor(const std::string& path) const;

  private:
    std::deque<JournalPending> lines_;
    bool taken_ = false;
    JournalTrouble trouble_;
    // Lines have waited on a failure, or were lost, since the backlog was last empty.
    bool waited_ = false;
    JournalCaughtUp episode_;
    JournalCaughtUp toTell_;
    bool tell_ = false;
    std::string endPath_;
    int64_t end_ = -1;
};

} // namespace trx

#endif
