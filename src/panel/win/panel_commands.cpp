// The operator's commands: buttons, display fields, keys and main-menu items, the up-down
// control and the help key. Each maps to an operation of the protocol engine, a dialog,
// help, or the arrangement of the running panels.
#include "panel/win/arrange_instances.h"
#include "panel/win/panel_state.h"
#include "res/resource.h"
#include "shell/connection_text.h"
#include "shell/schedule_switch.h"
#include "shell/win/panel_journal.h"

#include <commctrl.h>

namespace trx {

namespace {

constexpr LPARAM ASKED_BY_KEYBOARD = -1; // WM_CONTEXTMENU without a click position

int upDownPosition(HWND panel) {
    return LOWORD(SendDlgItemMessageA(panel, IDC_PROGRAM_UPDOWN, UDM_GETPOS, 0, 0));
}

INT_PTR runDialog(PanelState& p, HWND panel, int templateId) {
    DialogContext context{p.settings, p.serial,  p.protocol, p.host,
                          p.instance, p.journal, p.station};
    return p.host.runDialog(templateId, panel, reinterpret_cast<LPARAM>(&context));
}

void openSettings(PanelState& p, HWND panel) {
    const int port = p.serial.portNumber();
    const int baudRate = p.serial.baudRate();
    if (runDialog(p, panel, IDD_SETTINGS) == IDOK) {
        resetPanel(panel, true); // OK reopened the port: no lost link for the listeners
        PostMessageA(panel, WM_TRX_PROGRAM_COMMAND, IDM_REFRESH, 0);
    } else {
        showConnection(p); // an OK that failed to open has closed the port meanwhile
    }
    if (p.schedule && p.serial.portNumber() != port) {
        p.schedule->usePort(p.serial.portNumber());
    }
    if (p.journal && (p.serial.portNumber() != port || p.serial.baudRate() != baudRate)) {
        char connection[CONNECTION_TEXT_SIZE];
        formatConnectionText(p.serial.portNumber(), p.serial.baudRate(), connection,
                             sizeof connection);
        p.journal->portChanged(p.serial.portNumber(), connection);
    }
}

} // namespace

BOOL onPanelCommand(PanelState& p, HWND panel, int command, bool byProgram) {
    Protocol& protocol = p.protocol;
    CommandSource source;
    source.kind = byProgram ? SourceKind::Program : SourceKind::Panel;
    switch (command) {
    case IDOK:
    case IDM_EXIT:
        PostMessageA(panel, WM_CLOSE, 0, 0);
        return TRUE;
    case IDC_FREQUENCY:
        if (protocol.standby()) {
            runDialog(p, panel, IDD_FREQUENCY);
        }
        return TRUE;
    case IDC_STATE_STANDBY:
    case IDC_STATE_TUNE:
    case IDC_STATE_NOPOWER:
    case IDC_STATE_P100:
    case IDC_STATE_P250:
    case IDC_STATE_P1000:
        protocol.requestState(command - IDC_STATE_STANDBY + STATE_STANDBY);
        return TRUE;
    case IDC_PRESET0:
    case IDC_PRESET1:
    case IDC_PRESET2:
    case IDC_PRESET3:
        protocol.sendPreset(command - IDC_PRESET0);
        return TRUE;
    case IDC_PROGRAM:
        protocol.requestProgram();
        return TRUE;
    case IDM_STANDBY:
        protocol.requestStandby();
        return TRUE;
    case IDM_REFRESH:
        protocol.requestRefresh(source);
        return TRUE;
    case IDM_SETTINGS:
        openSettings(p, panel);
        return TRUE;
    case IDM_HELP_CONTENTS:
        p.host.help(panel, HELP_FINDER, 0);
        return TRUE;
    case IDM_ARRANGE:
        arrangeInstances(panel, p.settings.showStatusBar);
        return TRUE;
    case IDM_JOURNAL:
        if (p.journal) {
            p.journal->showJournal(panel);
        }
        return TRUE;
    case IDM_SCHEDULE_AUTO:
        if (p.schedule) {
            p.schedule->switchSchedule(!p.schedule->scheduleOn());
        }
        return TRUE;
    case IDM_SCHEDULE_WINDOW:
        if (p.schedule) {
            p.schedule->showScheduleWindow();
        }
        return TRUE;
    case IDM_SCHEDULE_NOW:
        if (p.schedule) {
            p.schedule->runScheduleNow();
        }
        return TRUE;
    case IDM_ABOUT:
        runDialog(p, panel, IDD_ABOUT);
        return TRUE;
    case IDM_PROGRAM_UP:
        protocol.stepProgram(upDownPosition(panel), +1);
        return TRUE;
    case IDM_PROGRAM_DOWN:
        protocol.stepProgram(upDownPosition(panel), -1);
        return TRUE;
    case IDM_ANTENNA_MENU:
        PostMessageA(panel, WM_CONTEXTMENU,
                     reinterpret_cast<WPARAM>(GetDlgItem(panel, IDC_ANTENNA)), ASKED_BY_KEYBOARD);
        return TRUE;
    default:
        return FALSE;
    }
}

// Every notification is answered with result 0, which also lets the up-down control move.
BOOL onPanelNotify(PanelState& p, HWND panel, const NMHDR& note) {
    if (note.idFrom == IDC_PROGRAM_UPDOWN && note.code == static_cast<UINT>(UDN_DELTAPOS)) {
        const auto& change = reinterpret_cast<const NMUPDOWN&>(note);
        // The range is never set; in the default one a negative change is a step up.
        p.protocol.stepProgram(upDownPosition(panel), change.iDelta > 0 ? -1 : +1);
    }
    // A click on the status bar acknowledges the schedule's alarm shown there.
    if (note.idFrom == IDC_STATUSBAR && note.code == static_cast<UINT>(NM_CLICK) && p.schedule) {
        p.schedule->acknowledgeScheduleAlarm();
    }
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, 0);
    return TRUE;
}

BOOL onPanelHelp(PanelState& p, HWND panel) {
    p.host.help(panel, HELP_CONTEXT, IDH_PANEL);
    return TRUE;
}

} // namespace trx
