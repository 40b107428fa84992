#include "panel/win/win32_panel_view.h"

#include "res/resource.h"

#include <commctrl.h>

#include <map>

namespace trx {

namespace {
std::map<int, HICON>& iconCache() {
    // The process's one mutable shared object: icons of the one module, loaded once.
    static std::map<int, HICON> cache;
    return cache;
}
} // namespace

// Icons are loaded when first shown: an icon no control has shown cannot be read back from
// one, so the handle-to-ID lookup never misses an icon that matters.
HICON panelIcon(HINSTANCE instance, int iconId) {
    HICON& icon = iconCache()[iconId];
    if (!icon) {
        icon = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
    }
    return icon;
}

int panelIconId(HICON icon) {
    if (!icon) {
        return 0;
    }
    for (const auto& [id, handle] : iconCache()) {
        if (handle == icon) {
            return id;
        }
    }
    return 0;
}

void Win32PanelView::setText(int controlId, const char* text) {
    SetDlgItemTextA(panel_, controlId, text);
}

int Win32PanelView::buttonIcon(int controlId) {
    return panelIconId(reinterpret_cast<HICON>(
        SendDlgItemMessageA(panel_, controlId, BM_GETIMAGE, IMAGE_ICON, 0)));
}

void Win32PanelView::setButtonIcon(int controlId, int iconId) {
    SendDlgItemMessageA(panel_, controlId, BM_SETIMAGE, IMAGE_ICON,
                        reinterpret_cast<LPARAM>(panelIcon(instance_, iconId)));
}

void Win32PanelView::setIndicatorIcon(int controlId, int iconId) {
    SendDlgItemMessageA(panel_, controlId, STM_SETIMAGE, IMAGE_ICON,
                        reinterpret_cast<LPARAM>(panelIcon(instance_, iconId)));
}

void Win32PanelView::setUpDownPosition(int controlId, int position) {
    SendDlgItemMessageA(panel_, controlId, UDM_SETPOS32, 0, position);
}

void Win32PanelView::enableControl(int controlId, bool enabled) {
    EnableWindow(control(controlId), enabled);
}

void Win32PanelView::setProgressPosition(int controlId, int position) {
    SendDlgItemMessageA(panel_, controlId, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32PanelView::setStatusText(int part, const char* text) {
    SendDlgItemMessageA(panel_, IDC_STATUSBAR, SB_SETTEXTA, static_cast<WPARAM>(part),
                        reinterpret_cast<LPARAM>(text));
}

void Win32PanelView::setStatusIcon(int part, int iconId) {
    SendDlgItemMessageA(panel_, IDC_STATUSBAR, SB_SETICON, static_cast<WPARAM>(part),
                        reinterpret_cast<LPARAM>(panelIcon(instance_, iconId)));
}

bool Win32PanelView::isMinimized() {
    return IsIconic(panel_);
}

void Win32PanelView::setWindowIcon(int iconId) {
    SendMessageA(panel_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(panelIcon(instance_, iconId)));
}

void Win32PanelView::postCommand(int commandId) {
    PostMessageA(panel_, WM_TRX_PROGRAM_COMMAND, static_cast<WPARAM>(commandId), 0);
}

void Win32PanelView::postClose() {
    PostMessageA(panel_, WM_CLOSE, 0, 0);
}

void Win32PanelView::showError(const char* text) {
    host_.messageBox(panel_, text, settings_.title, MB_OK | MB_ICONERROR);
}

} // namespace trx
