// The panel's operating journal as the program keeps it beside the panel: opened once the
// panel is shown, it hears the station's whole stream (the engine, the panel's port changes
// and the session's end, the control port), keeps what came before it opened that the
// operator must read (a port that failed to open), and shows its window on the panel's
// command.
#ifndef TRXDESK_JOURNAL_STATION_H
#define TRXDESK_JOURNAL_STATION_H

#include "journal/win/journal.h"
#include "journal/win/journal_window.h"
#include "serial/win/serial_port.h"
#include "shell/win/panel_host.h"
#include "shell/win/panel_journal.h"

#include <optional>
#include <string>

namespace trx {

class JournalStation final : public PanelJournal {
  public:
    // Shows the journal's trouble in the panel's status bar ("" takes it away).
    using ShowTrouble = void (*)(HWND panel, const char* text);
    // `version` is the program's, for the Start line. All must outlive the station.
    JournalStation(const Settings& settings, const SerialPort& serial, PanelHost& host,
                   const char* version, ShowTrouble showTrouble)
        : settings_(settings), serial_(serial), host_(host), version_(version),
          showTrouble_(showTrouble) {}

    // The panel is visible: the journal starts and writes its Start line (and the port that
    // did not open while the panel was made). Until then the stream is not recorded.
    void open(HWND panel, WindowRouter& router);
    // The message loop has ended: the Ende line, unless the session end wrote it, and the
    // writer's last lines.
    void close();
    // The journal window, for the message loop's dialog keys; nullptr when none is open.
    HWND window() const { return windowSetup_ ? windowSetup_->window : nullptr; }

    // The journal's folder from the settings dialog, for the rest of the run ("": the
    // default); lines from the next on go there.
    void useFolder(const char* folder);

    void showJournal(HWND panel) override;
    void portChanged(int portNumber, const char* connection) override;
    void portFailed(int portNumber, const char* message) override;
    void sessionEnding() override;
    void controlPortEvent(const char* text) override;
    void scheduleEvent(const char* text) override;
    void commandRefused(const CommandSource& source, const char* text) override;
    void recordFile(char* out, size_t size) override;

    // The engine's announcements; nothing is recorded before the journal is open.
    void linkUp(const RegisterMirror& r) override {
        heard([&](Journal& j) { j.linkUp(r); });
    }
    void linkLost(const RegisterMirror& r) override {
        heard([&](Journal& j) { j.linkLost(r); });
    }
    void portReopened(const RegisterMirror& r) override {
        heard([&](Journal& j) { j.portReopened(r); });
    }
    void reported(int address, int previous, const RegisterMirror& r) override {
        heard([&](Journal& j) { j.reported(address, previous, r); });
    }
    void writeSent(const LineWrite& write, const RegisterMirror& r) override {
        heard([&](Journal& j) { j.writeSent(write, r); });
    }
    void echoMissing(const LineWrite& write, const RegisterMirror& r) override {
        heard([&](Journal& j) { j.echoMissing(write, r); });
    }
    void alarmRaised(const RegisterMirror& r) override {
        heard([&](Journal& j) { j.alarmRaised(r); });
    }
    void alarmCleared(const RegisterMirror& r) override {
        heard([&](Journal& j) { j.alarmCleared(r); });
    }

  private:
    template <typename Call> void heard(Call call) {
        if (journal_) {
            call(*journal_);
        }
    }
    void connectionText(char* out, size_t size) const;

    const Settings& settings_;
    const SerialPort& serial_;
    PanelHost& host_;
    const char* version_;
    ShowTrouble showTrouble_;
    std::optional<Journal> journal_;
    std::optional<JournalWindowSetup> windowSetup_;
    // A port that failed before the journal was opened, and what the operator saw.
    int failedPort_ = NO_PORT;
    std::string failure_;
    bool ended_ = false;
};

} // namespace trx

#endif
