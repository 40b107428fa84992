#include "panel/win/panel_window.h"

#include "panel/win/panel_state.h"
#include "panel/win/tooltips.h"
#include "res/resource.h"
#include "shell/connection_text.h"
#include "shell/win/panel_journal.h"
#include "shell/win/window_router.h"

#include <commctrl.h>
#include <cstring>
#include <uxtheme.h>

namespace trx {

namespace {

constexpr COLORREF DARK_GREEN = RGB(0, 100, 0);
constexpr COLORREF GREEN = RGB(43, 255, 43);
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF WHITE = RGB(255, 255, 255);

// The panel starts a little left of and above the screen's centre.
constexpr int CENTRE_OFFSET_X = 210;
constexpr int CENTRE_OFFSET_Y = 125;

constexpr int DISPLAY_FONT_HEIGHT = 60;
constexpr int DISPLAY_FONT_WIDTH = 18;
constexpr int MEDIUM_FONT_HEIGHT = 25;
constexpr int FONT_WEIGHT = 600;

constexpr int STATUS_PART_COUNT = 3;
constexpr int CONNECTION_PART_RIGHT = 120;
constexpr int LINK_PART_WIDTH = 50;
constexpr int STATUS_TEXT_MARGIN = 12; // a part's borders and a little room

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

// The width of `text` in the status bar's font, with its borders.
int statusTextWidth(HWND bar, const char* text) {
    HDC dc = GetDC(bar);
    HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
    SelectObject(dc, before);
    ReleaseDC(bar, dc);
    return extent.cx + STATUS_TEXT_MARGIN;
}

// The parts: connection, mode line, link lamp and, each as wide as its text when it has one,
// the schedule's plan line and the journal's trouble at the right end (parts of their own,
// so that neither the engine's lines nor the lamp overwrite them).
void setupStatusBar(HWND window) {
    const PanelState* p = panelState(window);
    HWND bar = GetDlgItem(window, IDC_STATUSBAR);
    const char* extra[] = {p ? p->planText.c_str() : "", p ? p->journalTrouble.c_str() : ""};
    int widths[2] = {};
    int extraWidth = 0;
    for (int i = 0; i < 2; ++i) {
        widths[i] = extra[i][0] != '\0' ? statusTextWidth(bar, extra[i]) : 0;
        extraWidth += widths[i];
    }
    RECT client;
    GetClientRect(window, &client);
    const int right = client.right - extraWidth;
    int edges[STATUS_PART_COUNT + 2] = {CONNECTION_PART_RIGHT, right - LINK_PART_WIDTH, right};
    int parts = STATUS_PART_COUNT;
    int edge = right;
    for (int i = 0; i < 2; ++i) {
        if (widths[i] > 0) {
            edge += widths[i];
            edges[parts++] = edge;
        }
    }
    SendMessageA(bar, SB_SETPARTS, parts, reinterpret_cast<LPARAM>(edges));
    parts = STATUS_PART_COUNT;
    for (int i = 0; i < 2; ++i) {
        if (widths[i] > 0) {
            // The schedule's alarm is drawn by the panel: white on red (WM_DRAWITEM).
            const WPARAM drawn = i == 0 && p->planAlarm ? SBT_OWNERDRAW : 0;
            SendMessageA(bar, SB_SETTEXTA, parts++ | drawn, reinterpret_cast<LPARAM>(extra[i]));
        }
    }
}

BOOL onSupervisionTimer(PanelState& p) {
    p.protocol.onTimerTick(); // a lost link reaches onLinkLost through the panel's listener
    return TRUE;
}

BOOL onInitDialog(HWND window, const PanelSetup& setup) {
    auto* p = new PanelState(setup);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    p->view.attach(window);
    centreOnScreen(window);

    p->displayFont = createPanelFont(DISPLAY_FONT_HEIGHT, DISPLAY_FONT_WIDTH);
    p->mediumFont = createPanelFont(MEDIUM_FONT_HEIGHT, 0);
    p->darkGreenBrush = CreateSolidBrush(DARK_GREEN);
    p->redBrush = CreateSolidBrush(RED);
    SendDlgItemMessageA(window, IDC_FREQUENCY, WM_SETFONT, reinterpret_cast<WPARAM>(p->displayFont),
                        TRUE);
    SendDlgItemMessageA(window, IDC_PROGRAM, WM_SETFONT, reinterpret_cast<WPARAM>(p->mediumFont),
                        TRUE);
    SendDlgItemMessageA(window, IDC_ANTENNA, WM_SETFONT, reinterpret_cast<WPARAM>(p->mediumFont),
                        TRUE);

    // A themed progress bar ignores its colours; the power bar is part of the green display.
    SetWindowTheme(GetDlgItem(window, IDC_POWER), L" ", L" ");
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETRANGE, 0, MAKELPARAM(0, POWER_LEVEL_MAX));
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETBKCOLOR, 0, DARK_GREEN);
    SendDlgItemMessageA(window, IDC_POWER, PBM_SETBARCOLOR, 0, GREEN);
    setupStatusBar(window);

    p->serial.setReceiver(window, WM_TRX_RECEIVED);
    SerialError error;
    const int port = p->serial.portNumber();
    p->serial.open(error); // a failure leaves the port at 0
    showSerialError(*p, window, error);
    if (error.text[0] != '\0' && p->journal) {
        p->journal->portFailed(port, error.text);
    }

    resetPanel(window);
    SetTimer(window, IDT_SUPERVISION, SUPERVISION_PERIOD_MS, nullptr);
    // What the first frame does not show waits until the panel is on the screen.
    PostMessageA(window, WM_TRX_SHOWN, 0, 0);
    return TRUE;
}

BOOL onShown(PanelState& p, HWND window) {
    p.tooltips = createTooltips(window, p.instance, p.settings.showTooltips);
    p.serial.probePorts(); // for the settings dialog's port list
    return TRUE;
}

INT_PTR onCtlColorStatic(const PanelState& p, HDC dc, HWND control) {
    switch (GetDlgCtrlID(control)) {
    case IDC_FREQUENCY:
        SetBkMode(dc, TRANSPARENT);
        if (p.protocol.alarmShown()) {
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
BOOL onStatusBarMessage(PanelState& p, HWND window, bool show) {
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
        p.settings.showStatusBar = true;
    } else if (!show && visible) {
        ShowWindow(bar, SW_HIDE);
        SetWindowPos(window, nullptr, 0, 0, width, height - barHeight, SWP_NOMOVE | SWP_NOZORDER);
        p.settings.showStatusBar = false;
    }
    return TRUE;
}

// The schedule's alarm in its status-bar part: the text the part was given, white on red.
BOOL onDrawItem(const PanelState& p, const DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_STATUSBAR) {
        return FALSE;
    }
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, p.redBrush);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, WHITE);
    r.left += STATUS_TEXT_MARGIN / 2;
    const char* text = reinterpret_cast<const char*>(item.itemData);
    DrawTextA(item.hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    return TRUE;
}

BOOL onSize(PanelState& p, HWND window, WPARAM type) {
    if (type == SIZE_MINIMIZED) {
        p.protocol.showWindowIcon();
    } else if (type == SIZE_RESTORED) {
        SendMessageA(window, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(panelIcon(p.instance, IDI_APP)));
    }
    return TRUE;
}

BOOL onNcDestroy(HWND window) {
    delete panelState(window);
    SetWindowLongPtrA(window, DWLP_USER, 0);
    return FALSE;
}

} // namespace

PanelState* panelState(HWND panel) {
    return reinterpret_cast<PanelState*>(GetWindowLongPtrA(panel, DWLP_USER));
}

void showConnection(PanelState& p) {
    char connection[CONNECTION_TEXT_SIZE];
    formatConnectionText(p.serial.portNumber(), p.serial.baudRate(), connection, sizeof connection);
    p.view.setStatusText(STATUS_PART_CONNECTION, connection);
}

void showSerialError(PanelState& p, HWND owner, const SerialError& error) {
    if (error.text[0] != '\0') {
        p.host.messageBox(owner, error.text, SERIAL_ERROR_CAPTION, MB_ICONERROR);
    }
}

namespace {

// The panel's own part of a reset: title, connection text, tooltips and status bar.
void resetShell(PanelState& p, HWND window) {
    SetWindowTextA(window, p.settings.title);
    showConnection(p);
    if (p.tooltips) {
        SendMessageA(p.tooltips, TTM_ACTIVATE, p.settings.showTooltips, 0);
    }
    SendMessageA(window, WM_TRX_STATUSBAR, 0, p.settings.showStatusBar);
}

} // namespace

int resetPanel(HWND window, bool reopened) {
    PanelState& p = *panelState(window);
    p.protocol.resetProtocol(reopened); // the engine's own look: display, keys, lamps, data line
    resetShell(p, window);
    return 1;
}

void showJournalTrouble(HWND window, const char* text) {
    if (PanelState* p = panelState(window)) {
        p->journalTrouble = text;
        setupStatusBar(window);
    }
}

void showSchedulePlan(HWND window, const char* text, bool alarm) {
    if (PanelState* p = panelState(window)) {
        if (p->planText != text || p->planAlarm != alarm) {
            p->planText = text;
            p->planAlarm = alarm;
            setupStatusBar(window);
        }
    }
}

void onLinkLost(HWND window) {
    if (PanelState* p = panelState(window)) { // none once the panel is gone
        resetShell(*p, window);               // the engine has reset its own part
    }
}

INT_PTR CALLBACK panelDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return onInitDialog(window, *reinterpret_cast<const PanelSetup*>(lParam));
    }
    PanelState* p = panelState(window);
    if (p == nullptr) {
        return FALSE; // before WM_INITDIALOG or after WM_NCDESTROY
    }
    switch (message) {
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(*p, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TRX_STATUSBAR:
        return onStatusBarMessage(*p, window, lParam != 0);
    case WM_TRX_RECEIVED:
        p->protocol.onByteReceived(static_cast<uint8_t>(lParam & 0xFF));
        return TRUE;
    case WM_TRX_SHOWN:
        return onShown(*p, window);
    case WM_TIMER:
        if (wParam == IDT_SUPERVISION) {
            return onSupervisionTimer(*p);
        }
        return p->router && p->router->route(message, wParam, lParam);
    case WM_SIZE:
        return onSize(*p, window, wParam);
    case WM_DRAWITEM:
        return onDrawItem(*p, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SYSCOMMAND:
        return wParam == SC_MAXIMIZE || wParam == SC_SIZE; // the panel has one size
    case WM_COMMAND:
        return onPanelCommand(*p, window, LOWORD(wParam), false);
    case WM_TRX_PROGRAM_COMMAND:
        return onPanelCommand(*p, window, static_cast<int>(wParam), true);
    case WM_NOTIFY:
        return onPanelNotify(*p, window, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        return onPanelContextMenu(*p, window, reinterpret_cast<HWND>(wParam), lParam);
    case WM_HELP:
        return onPanelHelp(*p, window);
    case WM_CLOSE:
        return onPanelClose(*p, window);
    case WM_QUERYENDSESSION:
        return onPanelQueryEndSession(*p, window);
    case WM_ENDSESSION:
        if (wParam && p->journal) {
            p->journal->sessionEnding();
        }
        return TRUE; // nothing saved, nothing closed: Windows ends the process
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    case WM_NCDESTROY:
        return onNcDestroy(window);
    default:
        return p->router && p->router->route(message, wParam, lParam);
    }
}

} // namespace trx
