// What the program around the panel keeps beside it (the operating journal): told when the
// panel changes its port or Windows ends the session, and asked to show the journal.
#ifndef TRXDESK_PANEL_COMPANION_H
#define TRXDESK_PANEL_COMPANION_H

#include <windows.h>

namespace trx {

class PanelCompanion {
  public:
    virtual ~PanelCompanion() = default;
    // Main-menu item and F9.
    virtual void showJournal(HWND panel) = 0;
    // The settings moved the panel to `portNumber` (NO_PORT: none); `connection` is the
    // new connection text.
    virtual void portChanged(int portNumber, const char* connection) = 0;
    // `portNumber` did not open (at start or in the settings): the message the operator saw.
    // The panel is left without a port.
    virtual void portFailed(int portNumber, const char* message) = 0;
    // Windows ends the session: the process ends after this message.
    virtual void sessionEnding() = 0;
};

} // namespace trx

#endif
