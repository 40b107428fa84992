// Entry point: owns the settings, the serial port and its line, the help paths and the
// control port, hands them to the panel, and runs the message loop.
#include "control_engine_rules.h"
#include "control_port.h"
#include "dialogs.h"
#include "help_viewer.h"
#include "journal_companion.h"
#include "panel_class.h"
#include "panel_host.h"
#include "panel_window.h"
#include "res/resource.h"
#include "serial_line.h"
#include "shell/window_router.h"
#include "start_up.h"

#include <commctrl.h>
#include <windows.h>

namespace {
constexpr DWORD ALL_COMMON_CONTROLS = 0xFF;
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace trx;
    Settings settings;
    SerialSystem system;
    SerialPort serial(system);
    SerialLine line(serial);
    HelpPaths helpPaths;
    ControlSettings controlSettings;
    initSettings(commandLine, settings, serial, helpPaths, controlSettings);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ALL_COMMON_CONTROLS};
    InitCommonControlsEx(&controls);
    if (!registerPanelClass(instance)) {
        return 0;
    }
    HelpViewerCalls help(helpPaths.winHelp, helpPaths.htmlHelp);
    Win32PanelHost host(instance, help, panelDialogs, PANEL_DIALOG_COUNT);
    // The parts beside the panel hear its messages and timers through the router, which
    // outlives them.
    WindowRouter router;
    JournalCompanion journal(settings, serial, host);
    PanelSetup setup{line, settings, serial, host, instance, &journal, &router};
    HWND panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr, panelDialogProc,
                                    reinterpret_cast<LPARAM>(&setup));
    if (!panel) {
        return 0;
    }
    Protocol& protocol = panelProtocol(panel);
    ProtocolControlEngine controlEngine(protocol, line);
    ControlPort controlPort(controlEngine, controlSettings, settings, host);
    if (controlSettings.port != 0) {
        protocol.addListener(controlPort.listener());
        controlPort.tellJournal(journal);
    }
    ShowWindow(panel, SW_SHOW);
    controlPort.attach(panel, router); // opens on a message posted now: once the panel is shown
    journal.open(panel, router);       // nothing of the journal before the panel is seen
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    MSG message;
    BOOL got;
    // -1 means an invalid window or message address, which this loop never passes; end then.
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        // The panel's keys stay out of the journal window: Page Up there scrolls its list and
        // must not step the transmitter's program.
        HWND journalWindow = journal.window();
        if (journalWindow &&
            (message.hwnd == journalWindow || IsChild(journalWindow, message.hwnd))) {
            if (IsDialogMessageA(journalWindow, &message)) {
                continue;
            }
        } else if (accelerators && TranslateAcceleratorA(panel, accelerators, &message)) {
            continue;
        } else if (IsDialogMessageA(panel, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    journal.close();
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}
