// The yardstick for start-up time and idle CPU: the least a Win32 program does to show the
// panel's own dialog template (the same resources, window class and common controls) with
// the panel's 100 ms timer, started the same way as TRXDESK.exe.
#include "panel/win/panel_class.h"
#include "res/resource.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr UINT_PTR TIMER_ID = 1;
constexpr UINT TIMER_MS = 100;
constexpr DWORD ALL_COMMON_CONTROLS = 0xFF;

INT_PTR CALLBACK minimalProc(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(window, TIMER_ID, TIMER_MS, nullptr);
        return TRUE;
    case WM_TIMER:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        KillTimer(window, TIMER_ID);
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ALL_COMMON_CONTROLS};
    InitCommonControlsEx(&controls);
    if (!trx::registerPanelClass(instance)) {
        return 1;
    }
    HWND window =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr, minimalProc, 0);
    if (!window) {
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
