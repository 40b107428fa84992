#include "panel_window.h"

#include "app_globals.h"
#include "connection_text.h"
#include "registry_settings.h"
#include "res/resource.h"
#include "tooltips.h"
#include "win32_panel_view.h"

#include <commctrl.h>
#include <uxtheme.h>

namespace trx {

namespace {

constexpr COLORREF DARK_GREEN = RGB(0, 100, 0);
constexpr COLORREF GREEN = RGB(43, 255, 43);
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLACK = RGB(0, 0, 0);

// The panel starts a little left of and above the screen's centre.
constexpr int CENTRE_OFFSET_X = 210;
constexpr int CENTRE_OFFSET_Y = 125;

constexpr int DISPLAY_FONT_HEIGHT = 60;
constexpr int DISPLAY_FONT_WIDTH = 18;
constexpr int MEDIUM_FONT_HEIGHT = 25;
constexpr int FONT_WEIGHT = 600;
constexpr int POWER_LEVEL_MAX = 7;

constexpr int STATUS_PART_COUNT = 3;
constexpr int CONNECTION_PART_RIGHT = 120;
constexpr int LINK_PART_WIDTH = 50;

constexpr char CLOSE_QUESTION[] =
    "Sie sind dabei, die Anwendung zu schließen,\nobwohl der Sender noch nicht heruntergefahren "
    "ist.\nWollen Sie, daß der Sender jetzt auf \"Bereit\"\ngestellt wird?";

struct PanelState {
    Win32PanelView view;
    Protocol protocol{serialLine, view, settings};
    HFONT displayFont = nullptr;
    HFONT mediumFont = nullptr;
    HBRUSH darkGreenBrush = nullptr;
    HBRUSH redBrush = nullptr;
    HWND tooltips = nullptr;
};

PanelState& panel() {
    static PanelState state;
    return state;
}

MessageBoxFunction messageBoxFunction = MessageBoxA;

// Deletes a font or brush once and marks it deleted.
template <typename Handle> void deleteObject(Handle& handle) {
    if (handle) {
        DeleteObject(handle);
        handle = nullptr;
    }
}

HFONT createPanelFont(int height, int width) {
    return CreateFontA(height, width, 0, 0, FONT_WEIGHT, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "");
}

void centreOnScreen(HWND window) {
    HDC screen = GetDC(nullptr); // the display's own context: no new DC to build
    const int width = GetDeviceCaps(screen, HORZRES);
    const int height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    SetWindowPos(window, nullptr, width / 2 - CENTRE_OFFSET_X, height / 2 - CENTRE_OFFSET_Y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

void setupStatusBar(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int rightEdges[STATUS_PART_COUNT] = {CONNECTION_PART_RIGHT,
                                               client.right - LINK_PART_WIDTH, client.right};
    SendDlgItemMessageA(window, IDC_STATUSBAR, SB_SETPARTS, STATUS_PART_COUNT,
                        reinterpret_cast<LPARAM>(rightEdges));
}

VOID CALLBACK onSupervisionTimer(HWND, UINT, UINT_PTR, DWORD) {
    panel().protocol.onTimerTick();
}

BOOL onInitDialog(HWND window) {
    PanelState& p = panel();
    p.view.attach(window);
    centreOnScreen(window);

    p.displayFont = createPanelFont(DISPLAY_FONT_HEIGHT, DISPLAY_FONT_WIDTH);
    p.mediumFont = createPanelFont(MEDIUM_FONT_HEIGHT, 0);
    p.darkGreenBrush = CreateSolidBrush(DARK_GREEN);
    p.redBrush = CreateSolidBrush(RED);
    SendDlgItemMessageA(window, IDC_FREQUENCY, WM_SETFONT, reinterpret_cast<WPARAM>(p.displayFont),
                        TRUE);
    SendDlgItemMessageA(window, IDC_PROGRAM, WM_SETFONT, reinterpret_cast<WPARAM>(p.mediumFont),
                        TRUE);
    SendDlgItemMessageA(window, IDC_ANTENNA, WM_SETFONT, reinterpret_cast<WPARAM>(p.mediumFont),
                        TRUE);

    // A themed progress bar ignores its colours; the power bar is part of the green display.
    SetWindowTheme(GetDlgItem(window, IDC_POWER), L" ", L" ");
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETRANGE, 0, MAKELPARAM(0, POWER_LEVEL_MAX));
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETBKCOLOR, 0, DARK_GREEN);
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETBARCOLOR, 0, GREEN);
    setupStatusBar(window);

    serialPort.window = window;
    serialPort.open(window); // a failure has told the operator and left the port at 0

    resetPanel(window);
    p.tooltips = createTooltips(window, settings.showTooltips);
    SetTimer(window, IDT_SUPERVISION, SUPERVISION_PERIOD_MS, onSupervisionTimer);
    return TRUE;
}

INT_PTR onCtlColorStatic(HDC dc, HWND control) {
    const PanelState& p = panel();
    switch (GetDlgCtrlID(control)) {
    case IDC_FREQUENCY:
        SetBkMode(dc, TRANSPARENT);
        if (p.protocol.state.alarmShown) {
            SetTextColor(dc, BLACK);
            return reinterpret_cast<INT_PTR>(p.redBrush);
        }
        SetTextColor(dc, GREEN);
        return reinterpret_cast<INT_PTR>(p.darkGreenBrush);
    case IDC_PROGRAM:
    case IDC_ANTENNA:
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GREEN);
        return reinterpret_cast<INT_PTR>(p.darkGreenBrush);
    default:
        return FALSE;
    }
}

// Shows or hides the status bar and grows or shrinks the panel by its height.
BOOL onStatusBarMessage(HWND window, bool show) {
    HWND bar = GetDlgItem(window, IDC_STATUSBAR);
    RECT panelRect;
    RECT barRect;
    GetWindowRect(window, &panelRect);
    GetClientRect(bar, &barRect);
    const int width = panelRect.right - panelRect.left;
    const int height = panelRect.bottom - panelRect.top;
    const int barHeight = barRect.bottom;
    const bool visible = GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE;
    if (show && !visible) {
        SetWindowPos(window, nullptr, 0, 0, width, height + barHeight, SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(bar, SW_SHOW);
        settings.showStatusBar = true;
    } else if (!show && visible) {
        ShowWindow(bar, SW_HIDE);
        SetWindowPos(window, nullptr, 0, 0, width, height - barHeight, SWP_NOMOVE | SWP_NOZORDER);
        settings.showStatusBar = false;
    }
    return TRUE;
}

BOOL onSize(HWND window, WPARAM type) {
    Protocol& protocol = panel().protocol;
    if (type == SIZE_MINIMIZED) {
        protocol.applyReport(OperatingState, protocol.state.mirror[OperatingState]);
    } else if (type == SIZE_RESTORED) {
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(panelIcon(IDI_APP)));
    }
    return TRUE;
}

BOOL onCommand(HWND window, int command) {
    switch (command) {
    case IDOK:
        PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    case IDM_REFRESH:
        panel().protocol.queueWrite(StatusRegister, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL onClose(HWND window) {
    PanelState& p = panel();
    if (transmitterActive(p.protocol.state.mirror, p.protocol.state.linkAlive)) {
        switch (panelMessageBox(window, CLOSE_QUESTION, settings.title,
                                MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            p.protocol.state.closeOnStandby = true;
            p.protocol.queueWrite(OperatingState, STATE_STANDBY);
            return FALSE;
        case IDNO:
            break;
        default:
            return FALSE;
        }
    }
    if (settings.useRegistry) {
        registrySettings(RegistryAction::Save, serialPort.portNumber, settings,
                         serialPort.baudRate);
    }
    serialPort.close();
    WinHelpA(window, helpPath, HELP_QUIT, 0);
    deleteObject(p.displayFont);
    deleteObject(p.mediumFont);
    deleteObject(p.darkGreenBrush);
    deleteObject(p.redBrush);
    DestroyWindow(window);
    p.tooltips = nullptr; // destroyed with the panel that owns it
    return TRUE;
}

} // namespace

Protocol& panelProtocol() {
    return panel().protocol;
}

void setPanelMessageBox(MessageBoxFunction function) {
    messageBoxFunction = function ? function : MessageBoxA;
}

int panelMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return messageBoxFunction(owner, text, caption, type);
}

int resetPanel(HWND window) {
    PanelState& p = panel();
    p.protocol.resetProtocol(); // also marks every register as not reported
    for (int i = 0; i < PRESET_COUNT; ++i) {
        const ModeTypeInfo& type = modeTypeInfo(settings.presets[static_cast<size_t>(i)].modeType);
        p.view.setButtonIcon(IDC_PRESET0 + i, type.normalIcon);
    }
    SetWindowTextA(window, settings.title);
    p.view.setStatusIcon(STATUS_PART_LINK, IDI_LINK_DOWN);
    for (const StateButton& state : stateButtons) {
        p.view.setButtonIcon(state.button, state.normalIcon);
    }
    p.view.enableControl(IDC_PROGRAM_UPDOWN, false);
    p.view.setIndicatorIcon(IDC_INDICATOR_LOW, IDI_IND_LOW_0);
    p.view.setIndicatorIcon(IDC_INDICATOR_HIGH, IDI_IND_HIGH_0);
    p.view.setText(IDC_FREQUENCY, FREQUENCY_UNKNOWN);
    p.view.setText(IDC_PROGRAM, "");
    p.view.setText(IDC_ANTENNA, "");
    p.view.setProgressPosition(IDC_POWER, 0); // no stale power reading once the link is gone
    char connection[64];
    formatConnectionText(serialPort.portNumber, serialPort.baudRate, connection, sizeof connection);
    p.view.setStatusText(STATUS_PART_CONNECTION, connection);
    p.view.setStatusText(STATUS_PART_DATA, "");
    if (p.tooltips) {
        SendMessageA(p.tooltips, TTM_ACTIVATE, settings.showTooltips, 0);
    }
    SendMessageA(window, WM_TRX_STATUSBAR, 0, settings.showStatusBar);
    return 1;
}

INT_PTR CALLBACK panelDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(window);
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TRX_STATUSBAR:
        return onStatusBarMessage(window, lParam != 0);
    case WM_TRX_RECEIVED:
        panel().protocol.onByteReceived(static_cast<uint8_t>(lParam & 0xFF));
        return TRUE;
    case WM_SIZE:
        return onSize(window, wParam);
    case WM_SYSCOMMAND:
        return wParam == SC_MAXIMIZE || wParam == SC_SIZE; // the panel has one size
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_CLOSE:
        return onClose(window);
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace trx
