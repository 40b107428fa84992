// The panel's operating journal as the entry point keeps it: made after the panel is shown,
// hearing the panel's engine, told of the program's start, port changes and end, and
// showing its window on the panel's command.
#ifndef TRXDESK_JOURNAL_COMPANION_H
#define TRXDESK_JOURNAL_COMPANION_H

#include "control_session_rules.h"
#include "journal.h"
#include "journal_window.h"
#include "panel_companion.h"
#include "panel_host.h"
#include "serial_port.h"

#include <optional>
#include <string>

namespace trx {

class JournalCompanion final : public PanelCompanion, public ControlJournal {
  public:
    JournalCompanion(const Settings& settings, const SerialPort& serial, PanelHost& host)
        : settings_(settings), serial_(serial), host_(host) {}

    // The panel is visible: the journal starts, writes its Start line (and the port that
    // did not open while the panel was made) and listens to the panel's engine.
    void open(HWND panel, WindowRouter& router);
    // The message loop has ended: the Ende line, unless the session end wrote it, and the
    // writer's last lines.
    void close();
    // The journal window, for the message loop's dialog keys; nullptr when none is open.
    HWND window() const { return windowSetup_ ? windowSetup_->window : nullptr; }

    void showJournal(HWND panel) override;
    void portChanged(int portNumber, const char* connection) override;
    void portFailed(int portNumber, const char* message) override;
    void sessionEnding() override;
    // The control port's own lines; dropped before the journal is open (nothing of the
    // control port happens before the panel is shown).
    void controlPortEvent(const char* text) override;
    void commandRefused(const CommandSource& source, const char* text) override;

  private:
    void connectionText(char* out, size_t size) const;

    const Settings& settings_;
    const SerialPort& serial_;
    PanelHost& host_;
    HWND panel_ = nullptr;
    std::optional<Journal> journal_;
    std::optional<JournalWindowSetup> windowSetup_;
    // A port that failed before the journal was opened, and what the operator saw.
    int failedPort_ = NO_PORT;
    std::string failure_;
    bool ended_ = false;
};

} // namespace trx

#endif
