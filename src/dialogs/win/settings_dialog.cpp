// Settings: port and baud rate, the presets' mode types, tooltips and status bar; OK
// reopens the port and takes the mode types over only when that succeeds. A button opens
// "Steuerport und Journal", which takes its values at its own OK.
#include "dialogs/settings_rules.h"
#include "dialogs/win/dialogs.h"
#include "protocol/mode_presets.h"
#include "protocol/settings.h"
#include "res/resource.h"
#include "serial/win/serial_port.h"
#include "shell/win/panel_journal.h"

#include <windowsx.h>

namespace trx {

namespace {

constexpr int ENTRY_TEXT_SIZE = 16; // at most 15 characters of an entry are read
constexpr size_t PORT_TEXT_SIZE = 16;
constexpr int NOT_CONNECTED_ENTRY = 0;

int modeTypeList(int preset) {
    return IDC_MODE_TYPE0 + preset;
}

bool checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

LRESULT toList(HWND dialog, int list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, list, message, wParam, lParam);
}

void addEntry(HWND dialog, int list, const char* text) {
    toList(dialog, list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void fillPortList(HWND dialog, const SerialPort& serial) {
    const std::vector<int> ports = offeredPorts(serial.presentPorts());
    int selection = NOT_CONNECTED_ENTRY;
    for (size_t i = 0; i < ports.size(); ++i) {
        char text[PORT_TEXT_SIZE];
        formatPortEntry(ports[i], text, sizeof text);
        addEntry(dialog, IDC_PORT_LIST, text);
        if (ports[i] != 0 && ports[i] == serial.portNumber()) {
            selection = static_cast<int>(i);
        }
    }
    toList(dialog, IDC_PORT_LIST, CB_SETCURSEL, selection);
    EnableWindow(GetDlgItem(dialog, IDC_BAUD_LIST), selection != NOT_CONNECTED_ENTRY);
}

void fillBaudList(HWND dialog, int32_t baudRate) {
    int selection = CB_ERR;
    for (int i = 0; i < BAUD_RATE_COUNT; ++i) {
        addEntry(dialog, IDC_BAUD_LIST, baudRateTexts[i]);
        if (numberFromText(baudRateTexts[i]) == baudRate) {
            selection = i;
        }
    }
    toList(dialog, IDC_BAUD_LIST, CB_SETCURSEL, static_cast<WPARAM>(selection));
}

void fillModeTypeLists(HWND dialog, const Settings& settings) {
    for (int k = 0; k < PRESET_COUNT; ++k) {
        for (const ModeTypeInfo& type : modeTypes) {
            addEntry(dialog, modeTypeList(k), type.name);
        }
        const int modeType = settings.presets[static_cast<size_t>(k)].modeType;
        const bool known = modeType >= 0 && modeType < MODE_TYPE_COUNT;
        toList(dialog, modeTypeList(k), CB_SETCURSEL, static_cast<WPARAM>(known ? modeType : -1));
    }
}

BOOL onInitDialog(HWND dialog, DialogContext& c) {
    CheckDlgButton(dialog, IDC_SHOW_TOOLTIPS,
                   c.settings.showTooltips ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SHOW_STATUSBAR,
                   c.settings.showStatusBar ? BST_CHECKED : BST_UNCHECKED);
    fillPortList(dialog, c.serial);
    fillBaudList(dialog, c.serial.baudRate());
    fillModeTypeLists(dialog, c.settings);
    EnableWindow(GetDlgItem(dialog, IDC_SETTINGS_STATION), c.station != nullptr);
    return TRUE;
}

void onPortChosen(HWND dialog) {
    const LRESULT selection = toList(dialog, IDC_PORT_LIST, CB_GETCURSEL);
    if (selection != CB_ERR) {
        EnableWindow(GetDlgItem(dialog, IDC_BAUD_LIST), selection != NOT_CONNECTED_ENTRY);
    }
}

void onOk(HWND dialog, DialogContext& c) {
    c.settings.showTooltips = checked(dialog, IDC_SHOW_TOOLTIPS);
    c.settings.showStatusBar = checked(dialog, IDC_SHOW_STATUSBAR);
    char text[ENTRY_TEXT_SIZE] = {};
    GetDlgItemTextA(dialog, IDC_PORT_LIST, text, sizeof text);
    c.serial.setPortNumber(portFromEntry(text));
    text[0] = '\0';
    GetDlgItemTextA(dialog, IDC_BAUD_LIST, text, sizeof text);
    c.serial.setBaudRate(numberFromText(text));
    SerialError error;
    const int port = c.serial.portNumber();
    if (!c.serial.open(error)) {
        c.host.messageBox(dialog, error.text, SERIAL_ERROR_CAPTION, MB_ICONERROR);
        if (c.journal) {
            c.journal->portFailed(port, error.text);
        }
        return; // the operator may choose again
    }
    for (int k = 0; k < PRESET_COUNT; ++k) {
        const LRESULT chosen = toList(dialog, modeTypeList(k), CB_GETCURSEL);
        changeModeType(c.settings.presets[static_cast<size_t>(k)], static_cast<int>(chosen));
    }
    EndDialog(dialog, IDOK);
}

BOOL onCommand(HWND dialog, DialogContext& c, int command, int notification) {
    switch (command) {
    case IDOK:
        onOk(dialog, c);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_SETTINGS_STATION:
        c.host.runDialog(IDD_CONTROL_SETTINGS, dialog, reinterpret_cast<LPARAM>(&c));
        return TRUE;
    case IDC_PORT_LIST:
        if (notification == CBN_SELENDOK) {
            onPortChosen(dialog);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// The hidden way to the special settings: Ctrl and Shift held, a double click on the icon.
BOOL onDoubleClick(HWND dialog, DialogContext& c, WPARAM keyState, LPARAM where) {
    const POINT point{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (ChildWindowFromPoint(dialog, point) == GetDlgItem(dialog, IDC_SETTINGS_ICON) &&
        opensSpecialSettings(static_cast<unsigned>(keyState))) {
        DialogBoxParamA(c.instance, MAKEINTRESOURCEA(IDD_SPECIAL_SETTINGS), dialog,
                        specialSettingsDialogProc, reinterpret_cast<LPARAM>(&c.settings));
    }
    return TRUE;
}

} // namespace

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogContext* c = dialogContext(dialog, message, lParam);
    if (c == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, *c);
    case WM_COMMAND:
        return onCommand(dialog, *c, LOWORD(wParam), HIWORD(wParam));
    case WM_LBUTTONDBLCLK:
        return onDoubleClick(dialog, *c, wParam, lParam);
    case WM_HELP:
        return showDialogHelp(dialog, *c, IDH_SETTINGS);
    default:
        return FALSE;
    }
}

} // namespace trx
