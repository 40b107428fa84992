// Entry point: settings, the panel's window class, the panel, and the message loop.
#include "app_globals.h"
#include "dialogs.h"
#include "help_viewer.h"
#include "panel_host.h"
#include "panel_window.h"
#include "res/resource.h"

#include <commctrl.h>
#include <windows.h>

namespace {

constexpr DWORD ALL_COMMON_CONTROLS = 0xFF;

bool registerPanelClass(HINSTANCE instance) {
    WNDCLASSA panelClass = {};
    panelClass.lpfnWndProc = DefDlgProcA;
    panelClass.cbWndExtra = DLGWINDOWEXTRA;
    panelClass.hInstance = instance;
    panelClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    panelClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    panelClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    panelClass.lpszClassName = PANEL_CLASS;
    return RegisterClassA(&panelClass) != 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace trx;
    instanceHandle = instance;
    initSettings(commandLine);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ALL_COMMON_CONTROLS};
    InitCommonControlsEx(&controls);
    if (!registerPanelClass(instance)) {
        return 0;
    }
    HelpViewerCalls help(helpPath, htmlHelpPath);
    Win32PanelHost host(help, panelDialogs, PANEL_DIALOG_COUNT);
    PanelSetup setup{serialLine, settings, serialPort, host};
    HWND panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr, panelDialogProc,
                                    reinterpret_cast<LPARAM>(&setup));
    if (!panel) {
        return 0;
    }
    ShowWindow(panel, SW_SHOW);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    MSG message;
    BOOL got;
    // -1 means an invalid window or message address, which this loop never passes; end then.
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        if (accelerators && TranslateAcceleratorA(panel, accelerators, &message)) {
            continue;
        }
        if (IsDialogMessageA(panel, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}
