// The panel: the program's one main window, a modeless dialog from template IDD_PANEL.
#ifndef TRXDESK_PANEL_WINDOW_H
#define TRXDESK_PANEL_WINDOW_H

#include "protocol/settings.h"

#include <windows.h>

namespace trx {

class PanelJournal;
class PanelEngine;
class PanelHost;
class ScheduleSwitch;
class SerialPort;
class StationSettingsOwner;
class WindowRouter;

// What a panel is handed when it is made: its engine and view, the settings
// it shows and changes, the serial port it opens and closes, the program around it, the
// module whose resources it shows, what the program keeps beside the panel (the journal;
// may be null), and the router that hands the messages and timers of the parts beside the
// panel to them (may be null). Each must outlive the panel.
struct PanelSetup {
    PanelEngine& engine;
    Settings& settings;
    SerialPort& serial;
    PanelHost& host;
    HINSTANCE instance;
    PanelJournal* journal = nullptr;
    const WindowRouter* router = nullptr;
    ScheduleSwitch* schedule = nullptr;      // the season schedule; may be null
    StationSettingsOwner* station = nullptr; // the control port's and journal's; may be null
};

// The dialog procedure; WM_INITDIALOG's lParam is the address of a PanelSetup.
INT_PTR CALLBACK panelDialogProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Returns the panel to the look of a panel that has received nothing. Always 1.
int resetPanel(HWND panel, bool reopened = false);

// Shows `text` (the operating journal's trouble) in a part of its own at the status bar's
// right end; "" takes the part away.
void showJournalTrouble(HWND panel, const char* text);

// Shows the season schedule's plan line in a part of its own before the journal's, white on
// red while `alarm` stands; a click on the status bar acknowledges the schedule's alarm.
void showSchedulePlan(HWND panel, const char* text, bool alarm);

} // namespace trx

#endif
