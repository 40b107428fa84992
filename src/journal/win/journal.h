// The operating journal of one panel: hears the engine, turns each event into a line for the
// file of the port's key and UTC day, hands it to its writer thread (so that no file ever
// holds up the panel), shows in the status bar and the journal window while lines cannot be
// written, and feeds the journal window.
#ifndef TRXDESK_JOURNAL_H
#define TRXDESK_JOURNAL_H

#include "journal/journal_recorder.h"
#include "journal/journal_writer.h"
#include "journal/journal_writer_thread.h"
#include "journal/win/journal_files.h"
#include "protocol/line_port.h"
#include "shell/win/window_router.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
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

class Journal final : public LineListener, private JournalLines {
  public:
    // Shows the status bar's text while lines cannot be written; "" once they are again.
    using ShowTrouble = std::function<void(const char* text)>;
    // `settings` (antenna names, whether the registry is used) must outlive the journal;
    // `file` is the writer's (tests hand in one that fails or hangs).
    Journal(const Settings& settings, ShowTrouble showTrouble,
            std::unique_ptr<JournalFile> file = std::make_unique<Win32JournalFile>());
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The window whose timer the journal uses (the panel) to hear how the writer fares, and
    // the router that hands that window's timer to the journal (both must outlive it);
    // without them it shows no trouble and writes no line about lines written late.
    void carryTimers(HWND window, WindowRouter& router);
    // The port whose key and folder take the lines from now on (NO_PORT: "allgemein").
    void usePort(int portNumber);
    // The folder chosen in the settings for the rest of the run ("": the default one), in
    // place of the port key's value: the next line goes there.
    void useFolder(const char* folder);
    void started(const char* version, const char* connection);
    void ended(JournalRecorder::Ending how);
    // The run ends: what waits is written if it can be within JOURNAL_FINISH_WAIT_MS; later
    // lines go nowhere.
    void finish();
    void portChanged(const char* text);
    void controlPortEvent(const char* text) { recorder_.controlPortEvent(text); }
    void scheduleEvent(const char* text) { recorder_.scheduleEvent(text); }
    void commandRefused(const CommandSource& source, const char* text) {
        recorder_.commandRefused(source, text);
    }

    void linkUp(const RegisterMirror& r) override { recorder_.linkUp(r); }
    void linkLost(const RegisterMirror& r) override { recorder_.linkLost(r); }
    void portReopened(const RegisterMirror& r) override { recorder_.portReopened(r); }
    void reported(int address, int previous, const RegisterMirror& r) override;
    void writeSent(const LineWrite& write, const RegisterMirror& r) override {
        recorder_.writeSent(write, r);
    }
    void echoMissing(const LineWrite& write, const RegisterMirror& r) override {
        recorder_.echoMissing(write, r);
    }
    void alarmRaised(const RegisterMirror& r) override { recorder_.alarmRaised(r); }
    void alarmCleared(const RegisterMirror& r) override { recorder_.alarmCleared(r); }

    // The folder of the current key's files.
    void keyFolder(char* out, size_t size) const;
    // The current key's file of today (UTC), which takes the lines now.
    void dayFile(char* out, size_t size);
    // The lines of the last JOURNAL_WINDOW_SPAN_MS of the current key, across the change of
    // the UTC day, as written and then those still waiting, oldest first; at most `limit`,
    // the newest kept.
    std::vector<std::string> recentLines(size_t limit);
    // Today's lines of the current key, as written and waiting, in a new file of the temporary
    // folder; its path in `out`. False when it could not be written.
    bool copyToday(char* out, size_t size);
    // Each line as it is added (UTF-8, CRLF included); an empty function stops it.
    void onLine(std::function<void(const std::string&)> feed) { feed_ = std::move(feed); }
    // Why lines wait, as the journal window shows it; empty while writing works.
    const std::string& trouble() const { return trouble_; }
    // Told at each change of trouble(); an empty function stops it.
    void onTrouble(std::function<void()> feed) { troubleFeed_ = std::move(feed); }

  private:
    // The folder a port's key folder lies in: the one chosen in the settings, else the key's
    // value or the default.
    void folderFor(int portNumber, char* folder, size_t size) const;
    void add(const std::string& path, int64_t utcDay, const std::string& line) override;
    std::string contentOfDay(int64_t utcMs);
    std::string todaysContent();
    void hearWriter();
    // Starts the timer that hears the writer, unless it runs.
    void hear();

    const Settings& settings_;
    ShowTrouble showTrouble_;
    int portNumber_ = NO_PORT;
    std::optional<std::string> chosenFolder_;
    Win32JournalClock clock_;
    JournalWriterThread thread_;
    JournalWriter writer_{*this};
    JournalRecorder recorder_{clock_, writer_, settings_};
    std::function<void(const std::string&)> feed_;
    std::function<void()> troubleFeed_;
    std::string trouble_;
    HWND timerWindow_ = nullptr;
    WindowRouter* router_ = nullptr;
    bool hearing_ = false; // the timer that asks the writer runs
    int quietHearings_ = 0;
    bool finished_ = false;
};

} // namespace trx

#endif
