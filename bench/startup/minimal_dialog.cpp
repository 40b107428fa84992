// The yardstick for start-up time: the least a Win32 dialog program does before its window
// is visible, started the same way as TRXDESK.exe.
#include <windows.h>

namespace {
constexpr int IDD_MINIMAL = 100;

INT_PTR CALLBACK minimalProc(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND window =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MINIMAL), nullptr, minimalProc, 0);
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
