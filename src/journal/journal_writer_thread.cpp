#include "journal/journal_writer_thread.h"

#include <algorithm>
#include <chrono>

namespace trx {

namespace {
using SteadyClock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;
// No time-out at all: the time-out's sum would overflow.
constexpr SteadyClock::time_point NEVER = SteadyClock::time_point::max();
// Waking a thread costs the waker a round trip to Wine's server, tens of microseconds on a
// busy machine, which the panel's thread must not pay for each line. So after a line the
// writer looks for more every POLL_MS for QUIET_POLLS rounds, and only then sleeps until
// woken: a line that comes while lines flow waits at most POLL_MS and wakes no one.
constexpr Milliseconds POLL_MS(100);
constexpr int QUIET_POLLS = 10;
} // namespace

struct JournalWriterThread::Shared {
    Shared(std::unique_ptr<JournalFile> f, std::function<int64_t()> now, int retry)
        : file(std::move(f)), appender(*file), utcNowMs(std::move(now)), retryMs(retry) {}

    std::mutex mutex;
    std::condition_variable wake;  // a line came, or the end
    std::condition_variable ended; // the thread has let go of everything
    JournalBacklog backlog;
    // The file and the appender belong to the thread alone: no lock while it writes.
    std::unique_ptr<JournalFile> file;
    JournalAppender appender;
    std::function<int64_t()> utcNowMs;
    int retryMs;
    bool sleeping = false; // waits until woken: a line must wake it
    bool finishing = false;
    bool retryNow = false;  // the end has come: a failed line is tried at once
    bool abandoned = false; // the end waited long enough
    bool done = false;
};

JournalWriterThread::JournalWriterThread(std::unique_ptr<JournalFile> file,
                                         std::function<int64_t()> utcNowMs, int retryMs)
    : shared_(std::make_shared<Shared>(std::move(file), std::move(utcNowMs), retryMs)),
      thread_(run, shared_) {}

JournalWriterThread::~JournalWriterThread() {
    finish(JOURNAL_FINISH_WAIT_MS);
}

void JournalWriterThread::add(const std::string& path, int64_t utcDay, const std::string& line) {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->finishing) {
            return;
        }
        shared_->backlog.push({path, utcDay, line});
        if (!shared_->sleeping) {
            return;
        }
        shared_->sleeping = false;
    }
    shared_->wake.notify_one();
}

JournalWriterState JournalWriterThread::state() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    JournalWriterState state;
    state.trouble = shared_->backlog.trouble();
    state.waiting = shared_->backlog.size();
    state.caughtUp = shared_->backlog.caughtUp(state.episode);
    return state;
}

int64_t JournalWriterThread::snapshot(const std::string& path, std::vector<std::string>& waiting) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    waiting = shared_->backlog.waitingFor(path);
    return shared_->backlog.writtenEnd(path);
}

bool JournalWriterThread::finish(int waitMs) {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    if (!thread_.joinable()) {
        return shared_->backlog.empty();
    }
    shared_->finishing = true;
    shared_->retryNow = true;
    shared_->wake.notify_one();
    const bool ended =
        shared_->ended.wait_for(lock, Milliseconds(waitMs), [this] { return shared_->done; });
    shared_->abandoned = !ended;
    const bool all = shared_->backlog.empty();
    lock.unlock();
    if (ended) {
        thread_.join();
    } else {
        thread_.detach(); // it holds the shared part and lets go of it when the write returns
    }
    return ended && all;
}

void JournalWriterThread::run(const std::shared_ptr<Shared>& s) {
    std::unique_lock<std::mutex> lock(s->mutex);
    int64_t openDay = -1; // the UTC day of the open file's last line; -1: none is open
    SteadyClock::time_point retryAt;
    int quietPolls = QUIET_POLLS;
    while (!s->abandoned) {
        // The time until the open file's day ends; it is closed then, line or no line.
        SteadyClock::time_point dayEnds = NEVER;
        if (openDay >= 0) {
            const int64_t left = (openDay + 1) * JOURNAL_MS_PER_DAY - s->utcNowMs();
            if (left <= 0) {
                lock.unlock();
                s->appender.close();
                lock.lock();
                openDay = -1;
                continue;
            }
            dayEnds = SteadyClock::now() + Milliseconds(left);
        }
        if (s->backlog.empty()) {
            if (s->finishing) {
                break;
            }
            if (quietPolls < QUIET_POLLS) {
                ++quietPolls;
                s->wake.wait_until(lock, std::min(SteadyClock::now() + POLL_MS, dayEnds));
                continue;
            }
            s->sleeping = true;
            if (dayEnds == NEVER) {
                s->wake.wait(lock);
            } else {
                s->wake.wait_until(lock, dayEnds);
            }
            s->sleeping = false;
            continue;
        }
        if (s->backlog.trouble().failing && !s->retryNow && SteadyClock::now() < retryAt) {
            s->wake.wait_until(lock, std::min(retryAt, dayEnds));
            continue;
        }
        s->retryNow = false;
        const JournalPending line = s->backlog.take();
        lock.unlock();
        int64_t end = 0;
        const bool ok = s->appender.append(line.path, line.line, end);
        const std::string reason = ok ? std::string() : s->file->reason();
        lock.lock();
        if (ok) {
            s->backlog.written(end);
            openDay = line.utcDay;
            quietPolls = 0;
        } else {
            s->backlog.failed(reason);
            openDay = -1; // a failure closes the file
            retryAt = SteadyClock::now() + Milliseconds(s->retryMs);
        }
    }
    lock.unlock();
    s->appender.close();
    lock.lock();
    s->done = true;
    s->ended.notify_all();
}

} // namespace trx
