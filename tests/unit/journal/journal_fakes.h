// Test doubles for the journal: a clock moved by hand, the lines as the writer hands them on,
// and a file system in memory that can fail, cut writes short or hold them up.
#ifndef TRXDESK_TEST_JOURNAL_FAKES_H
#define TRXDESK_TEST_JOURNAL_FAKES_H

#include "journal/journal_appender.h"
#include "journal/journal_csv_text.h"
#include "journal/journal_writer.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace trx::test {

// 2026-12-07 03:12:45.123 UTC; the local zone is one hour ahead.
constexpr int64_t T0 = 1796613165123;
constexpr int64_t LOCAL_OFFSET_MS = 3600000;

class ManualClock : public JournalClock {
  public:
    JournalTime now() override { return {utcMs, civilFromUtc(utcMs + LOCAL_OFFSET_MS)}; }
    void advance(int64_t ms) { utcMs += ms; }
    int64_t utcMs = T0;
};

// The lines as the writer hands them on, in order, and the files they would make.
class MemoryLines : public JournalLines {
  public:
    void add(const std::string& path, int64_t utcDay, const std::string& line) override {
        lines.push_back(line);
        days.push_back(utcDay);
        std::string& file = files[path];
        if (file.empty()) {
            file = JOURNAL_FILE_HEAD;
        }
        file += line;
    }
    std::vector<std::string> lines;
    std::vector<int64_t> days;
    std::map<std::string, std::string> files;
};

// Files in memory. Every member is guarded by `mutex`, so that a test can change them while
// a writer thread uses the file.
class MemoryFile : public JournalFile {
  public:
    bool open(const char* path) override {
        std::lock_guard<std::mutex> lock(mutex);
        opens.push_back(path);
        if (failing) {
            return false;
        }
        openPath = path;
        files[openPath]; // an empty file, as OPEN_ALWAYS makes it
        return true;
    }
    void close() override {
        std::lock_guard<std::mutex> lock(mutex);
        if (!openPath.empty()) {
            ++closes;
        }
        openPath.clear();
    }
    bool size(int64_t& bytes) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (openPath.empty() || sizeFails) {
            return false;
        }
        bytes = static_cast<int64_t>(files[openPath].size());
        return true;
    }
    bool write(const char* data, size_t size, size_t& written) override {
        std::unique_lock<std::mutex> lock(mutex);
        ++writesStarted;
        changed.notify_all();
        changed.wait(lock, [this] { return !holding; }); // a share that hangs
        written = 0;
        if (openPath.empty()) {
            return false;
        }
        // A write that fails part-way, or one that says it succeeded with less.
        const size_t arrives = cutTo >= 0 ? std::min(size, static_cast<size_t>(cutTo)) : size;
        if (failing && cutTo < 0) {
            return false;
        }
        files[openPath].append(data, arrives);
        written = arrives;
        if (cutTo >= 0) {
            cutTo = -1;
            sizeFails = sizeFailsAfterCut;
            return shortSucceeds;
        }
        return true;
    }
    bool truncate(int64_t bytes) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (openPath.empty() || truncateFails) {
            return false;
        }
        files[openPath].resize(static_cast<size_t>(bytes));
        return true;
    }
    std::string reason() const override { return "Das Netzwerk ist nicht erreichbar"; }

    // For a test's thread.
    void hold(bool on) {
        std::lock_guard<std::mutex> lock(mutex);
        holding = on;
        changed.notify_all();
    }
    std::string file(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex);
        return files[path];
    }
    void setFailing(bool on) {
        std::lock_guard<std::mutex> lock(mutex);
        failing = on;
    }
    // Waits until `n` writes have begun.
    void waitForWrites(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return writesStarted >= n; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, std::string> files;
    std::vector<std::string> opens;
    std::string openPath;
    int closes = 0;
    int writesStarted = 0;
    bool failing = false;       // opens and writes fail
    int cutTo = -1;             // the next write brings only this many bytes and fails...
    bool shortSucceeds = false; // ... or says it succeeded
    bool sizeFailsAfterCut = false;
    bool truncateFails = false;
    bool sizeFails = false;
    bool holding = false;
};

// The columns after the two times of a line: "Quelle;Ereignis;Register;alt;neu;Text;Dauer s".
inline std::string withoutTimes(const std::string& line) {
    size_t at = line.find(';');
    at = line.find(';', at + 1);
    return line.substr(at + 1, line.size() - at - 3); // without the CRLF
}

} // namespace trx::test

#endif
