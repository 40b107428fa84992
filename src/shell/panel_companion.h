// What the program keeps beside the panel (the operating journal): it hears the station's
// events, the panel's among them, and is asked to show its window.
#ifndef TRXDESK_PANEL_COMPANION_H
#define TRXDESK_PANEL_COMPANION_H

#include "shell/station_events.h"

#include <windows.h>

namespace trx {

class PanelCompanion : public StationEvents {
  public:
    // Main-menu item and F9.
    virtual void showJournal(HWND panel) = 0;
};

} // namespace trx

#endif
