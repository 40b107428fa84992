// The operating journal of one panel: hears the engine, writes each event as a line to the
// file of the port's key and UTC day, keeps lines in memory while writing fails, and feeds
// the journal window.
#ifndef TRXDESK_JOURNAL_H
#define TRXDESK_JOURNAL_H

#include "journal_files.h"
#include "journal_rules.h"
#include "journal_writer_rules.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace trx {

// The PC's clock: UTC and the local zone. The zone's offset is asked for once a minute
// (it takes longer than the rest of a line); zones change their offset only on a minute.
class Win32JournalClock final : public JournalClock {
  public:
    JournalTime now() override;

  private:
    int64_t minute_ = -1;
    int64_t offsetMs_ = 0;
};

class Journal final : public LineListener, private JournalWriterEvents {
  public:
    using ShowError = std::function<void(const char* text)>;
    // `settings` (antenna names, whether the registry is used) must outlive the journal;
    // `showError` shows the one message box of a run whose writing failed.
    Journal(const Settings& settings, ShowError showError);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The window whose timers the journal uses (the panel) to let go of a quiet file, to try
    // waiting lines again and to show its failure; without one it does none of these.
    void carryTimers(HWND window);
    // The port whose key and folder take the lines from now on (NO_PORT: "allgemein").
    void usePort(int portNumber);
    void started(const char* version, const char* connection);
    void ended(JournalRecorder::Ending how);
    void portChanged(const char* text);
    void controlPortEvent(const char* text) { recorder_.controlPortEvent(text); }
    void commandRefused(const CommandSource& source, const char* text) {
        recorder_.commandRefused(source, text);
    }

    void linkUp() override { recorder_.linkUp(); }
    void linkLost() override { recorder_.linkLost(); }
    void reported(int address, int previous, int value) override {
        recorder_.reported(address, previous, value);
    }
    void writeSent(const LineWrite& write) override { recorder_.writeSent(write); }
    void echoMissing(const LineWrite& write) override { recorder_.echoMissing(write); }
    void alarmRaised() override { recorder_.alarmRaised(); }
    void alarmCleared() override { recorder_.alarmCleared(); }

    // The folder of the current key's files.
    void keyFolder(char* out, size_t size) const;
    // Today's lines of the current key as written, then those still waiting, oldest first;
    // at most `limit`, the newest kept.
    std::vector<std::string> todaysLines(size_t limit);
    // Each line as it is added (UTF-8, CRLF included); an empty function stops it.
    void onLine(std::function<void(const std::string&)> feed) { feed_ = std::move(feed); }
    // Writes the waiting lines if it can now; true when none waits.
    bool retry();

  private:
    void firstFailure(const char* path) override;
    void lineAdded(const std::string& line) override;

    const Settings& settings_;
    ShowError showError_;
    Win32JournalClock clock_;
    Win32JournalFiles files_;
    JournalWriter writer_{files_, *this};
    JournalRecorder recorder_{clock_, writer_, settings_};
    std::function<void(const std::string&)> feed_;
    void startTimer(UINT_PTR timer, UINT periodMs);
    static VOID CALLBACK onTimer(HWND window, UINT message, UINT_PTR timer, DWORD time);
    char failure_[JOURNAL_PATH_SIZE + JOURNAL_REASON_SIZE + 64] = {};
    HWND timerWindow_ = nullptr;
    bool idleTimerRunning_ = false;
};

} // namespace trx

#endif
