// The journal's writer: a thread of its own takes the lines from the backlog and appends
// them to their files, so that a file that takes its time (a network share can hang for
// 30 s and more before it fails) never holds up the thread that hands the lines in. A line
// that fails stays first and is tried again; the day's file stays open until its UTC day or
// the run ends. Platform-free (the standard thread library); the file is behind JournalFile.
#ifndef TRXDESK_JOURNAL_WRITER_THREAD_H
#define TRXDESK_JOURNAL_WRITER_THREAD_H

#include "journal/journal_appender.h"
#include "journal/journal_backlog.h"
#include "journal/journal_writer.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace trx {

constexpr int JOURNAL_RETRY_MS = 2000;
// How long the end of a run waits for the writer: longer than a file usually takes to
// fail, shorter than Windows waits for a program at the end of a session.
constexpr int JOURNAL_FINISH_WAIT_MS = 3000;

// What the writer tells the thread that hands it lines.
struct JournalWriterState {
    JournalTrouble trouble;
    size_t waiting = 0;
    bool caughtUp = false; // an episode of waiting ended: `episode` says how it went
    JournalCaughtUp episode;
};

class JournalWriterThread final : public JournalLines {
  public:
    // `file` is the thread's alone from now on; `utcNowMs` (milliseconds since 1970, called
    // on the writer's thread) tells it when the open file's day has ended; a failed line is
    // tried again after `retryMs`.
    JournalWriterThread(std::unique_ptr<JournalFile> file, std::function<int64_t()> utcNowMs,
                        int retryMs = JOURNAL_RETRY_MS);
    // Finishes, waiting as long as finish's default.
    ~JournalWriterThread() override;
    JournalWriterThread(const JournalWriterThread&) = delete;
    JournalWriterThread& operator=(const JournalWriterThread&) = delete;

    void add(const std::string& path, int64_t utcDay, const std::string& line) override;
    // Takes the news of an episode that ended, so that it is told once.
    JournalWriterState state();
    // See JournalBacklog::writtenEnd and waitingFor, taken together.
    int64_t snapshot(const std::string& path, std::vector<std::string>& waiting);
    // Writes what waits, trying failed lines again, for at most `waitMs`; then the thread
    // ends (or, still hanging in the file system, is left to end on its own) and later lines
    // go nowhere. True when every line was written.
    bool finish(int waitMs);

  private:
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);

    // Kept alive by the thread as well, which may outlive this object in a hung write.
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace trx

#endif
