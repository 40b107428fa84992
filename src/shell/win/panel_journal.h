// The operating journal as the panel knows it: it hears the station's events, the panel's
// among them, and is asked to show its window.
#ifndef TRXDESK_PANEL_JOURNAL_H
#define TRXDESK_PANEL_JOURNAL_H

#include "shell/station_events.h"

#include <windows.h>

namespace trx {

class PanelJournal : public StationEvents {
  public:
    // Main-menu item and F9.
    virtual void showJournal(HWND panel) = 0;
};

} // namespace trx

#endif
