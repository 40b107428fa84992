// Everything one panel window owns and is handed, and the handlers of its messages. Each
// panel keeps its state in its window (DWLP_USER, the dialog's own slot for it) from
// WM_INITDIALOG to WM_NCDESTROY.
#ifndef TRXDESK_PANEL_STATE_H
#define TRXDESK_PANEL_STATE_H

#include "panel/win/panel_engine.h"
#include "panel/win/panel_window.h"
#include "panel/win/win32_panel_view.h"
#include "protocol/protocol.h"
#include "serial/win/serial_port.h"
#include "shell/win/panel_host.h"

#include <windows.h>

#include <string>

namespace trx {

struct PanelState {
    explicit PanelState(const PanelSetup& setup)
        : settings(setup.settings), serial(setup.serial), host(setup.host),
          instance(setup.instance), journal(setup.journal), router(setup.router),
          schedule(setup.schedule), station(setup.station), view(setup.engine.view),
          protocol(setup.engine.protocol) {}

    Settings& settings;
    SerialPort& serial;
    PanelHost& host;
    HINSTANCE instance;
    PanelJournal* journal;
    const WindowRouter* router;
    ScheduleSwitch* schedule;
    StationSettingsOwner* station;
    Win32PanelView& view;
    Protocol& protocol;
    HFONT displayFont = nullptr;
    HFONT mediumFont = nullptr;
    HBRUSH darkGreenBrush = nullptr;
    HBRUSH redBrush = nullptr;
    HWND tooltips = nullptr;
    // The status bar's parts at its right end, each as wide as its text; "" for none.
    std::string planText;
    bool planAlarm = false;
    std::string journalTrouble;
};

// The state of a panel window; nullptr before WM_INITDIALOG and after WM_NCDESTROY.
PanelState* panelState(HWND panel);

// Shows the port's connection text in the status bar.
void showConnection(PanelState& p);
// Shows a port's open failure, if any, in a message box owned by `owner`.
void showSerialError(PanelState& p, HWND owner, const SerialError& error);

// Message handlers, one file per job.
// `byProgram`: posted by the program itself (WM_TRX_PROGRAM_COMMAND), not by the operator.
BOOL onPanelCommand(PanelState& p, HWND panel, int command, bool byProgram); // panel_commands.cpp
BOOL onPanelNotify(PanelState& p, HWND panel, const NMHDR& note);            // panel_commands.cpp
BOOL onPanelHelp(PanelState& p, HWND panel);                                 // panel_commands.cpp
BOOL onPanelContextMenu(PanelState& p, HWND panel, HWND clicked, LPARAM where); // panel_menus.cpp
BOOL onPanelClose(PanelState& p, HWND panel);                                   // panel_closing.cpp
BOOL onPanelQueryEndSession(PanelState& p, HWND panel);                         // panel_closing.cpp

} // namespace trx

#endif
