// The operating journal's cost: lines per second written to a real file through the whole
// journal (recorder, writer, shared append), with a clock that keeps under the flood limit.
#include "journal.h"
#include "journal_csv_text.h"
#include "journal_path_rules.h"
#include "latency_figures.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int LINES = 5000;
constexpr int64_t STEP_MS = 11; // under 100 lines a second: none left out

class SteppingClock : public trx::JournalClock {
  public:
    trx::JournalTime now() override {
        utcMs += STEP_MS;
        return {utcMs, trx::civilFromUtc(utcMs)};
    }
    int64_t utcMs = 1796613165000;
};

class CountingEvents : public trx::JournalWriterEvents {
  public:
    void firstFailure(const char* path) override {
        ++failures;
        printf("failed: %s\n", path);
    }
    void lineAdded(const std::string&) override { ++lines; }
    int failures = 0;
    int lines = 0;
};

LONGLONG ticksNow() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

} // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "trx-journal-bench";
    trx::Win32JournalFiles files;
    CountingEvents events;
    trx::JournalWriter writer(files, events);
    writer.setPlace(folder.c_str(), "Com41");
    SteppingClock clock;
    trx::Settings settings;
    trx::JournalRecorder recorder(clock, writer, settings);

    const LONGLONG start = ticksNow();
    for (int i = 0; i < LINES; ++i) {
        recorder.reported(trx::PowerLevel, trx::NOT_REPORTED, i % 8);
    }
    const double us = trxbench::microsecondsBetween(start, ticksNow());
    char path[trx::JOURNAL_PATH_SIZE];
    trx::journalFilePath(folder.c_str(), "Com41", clock.utcMs, path, sizeof path);
    DeleteFileA(path);
    if (events.failures != 0 || events.lines != LINES) {
        printf("journal bench: %d failures (%s), %d lines\n", events.failures, files.reason(),
               events.lines);
        return 1;
    }
    printf("journal: %.1f us per line appended\n", us / LINES);
    printf("journal lines per second written: %.0f\n", LINES / (us / 1e6));
    return 0;
}
