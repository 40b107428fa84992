// Test doubles for the journal: a clock moved by hand, and a file system that keeps files
// in memory and can be made to fail.
#ifndef TRXDESK_TEST_JOURNAL_FAKES_H
#define TRXDESK_TEST_JOURNAL_FAKES_H

#include "journal_csv_text.h"
#include "journal_writer_rules.h"

#include <map>
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

class MemoryFiles : public JournalFiles {
  public:
    bool append(const char* path, const std::string& line) override {
        if (failing) {
            return false;
        }
        std::string& file = files[path];
        if (file.empty()) {
            file = JOURNAL_FILE_HEAD;
        }
        file += line;
        return true;
    }
    bool failing = false;
    std::map<std::string, std::string> files;
};

class WriterEvents : public JournalWriterEvents {
  public:
    void firstFailure(const char* path) override { failures.push_back(path); }
    void lineAdded(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> failures;
    std::vector<std::string> lines;
};

// The columns after the two times of a line: "Quelle;Ereignis;Register;alt;neu;Text;Dauer s".
inline std::string withoutTimes(const std::string& line) {
    size_t at = line.find(';');
    at = line.find(';', at + 1);
    return line.substr(at + 1, line.size() - at - 3); // without the CRLF
}

} // namespace trx::test

#endif
