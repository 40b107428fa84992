// Entry point: owns the settings, the serial port and its line, the help paths, the panel's
// engine, the journal and the control port, hands them to the panel and to each other, and
// runs the message loop.
#include "app/settings_codec.h"
#include "control/control_engine.h"
#include "control/win/control_port.h"
#include "control/win/control_settings_dialog.h"
#include "dialogs/win/dialogs.h"
#include "journal/win/journal_station.h"
#include "main/win/start_up.h"
#include "main/win/station_settings_keeper.h"
#include "panel/win/panel_class.h"
#include "panel/win/panel_engine.h"
#include "panel/win/panel_window.h"
#include "res/resource.h"
#include "schedule/win/schedule_station.h"
#include "serial/win/serial_line.h"
#include "shell/win/help_viewer.h"
#include "shell/win/panel_host.h"
#include "shell/win/window_router.h"
#include "trx_version.h"

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {
constexpr DWORD ALL_COMMON_CONTROLS = 0xFF;
constexpr size_t VERSION_TEXT_SIZE = 16;

// The schedule's window keeps its own dialog keys, as the journal's does.
bool dialogMessage(HWND window, MSG& message) {
    return window && (message.hwnd == window || IsChild(window, message.hwnd)) &&
           IsDialogMessageA(window, &message);
}

// Which transmitter this panel drives, as the control port's `info` and scrape tell it: the
// title and the port as they are now, after the settings dialogs.
class PanelStation final : public trx::ControlStation {
  public:
    PanelStation(const trx::Settings& settings, const trx::SerialPort& serial, const char* version)
        : settings_(settings), serial_(serial), version_(version) {}
    std::string_view title() const override {
        return {settings_.title, strnlen(settings_.title, sizeof settings_.title)};
    }
    int baudRate() const override { return serial_.baudRate(); }
    std::string_view version() const override { return version_; }

  private:
    const trx::Settings& settings_;
    const trx::SerialPort& serial_;
    const char* version_;
};
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace trx;
    Settings settings;
    SerialSystem system;
    SerialPort serial(system);
    SerialLine line(serial);
    HelpPaths helpPaths;
    StationSettings station;
    initSettings(commandLine, settings, serial, helpPaths, station);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ALL_COMMON_CONTROLS};
    InitCommonControlsEx(&controls);
    if (!registerPanelClass(instance)) {
        return 0;
    }
    HelpViewerCalls help(helpPaths.winHelp, helpPaths.htmlHelp);
    // The panel's dialogs, and the control port's settings that the settings dialog opens.
    std::array<DialogProcedure, PANEL_DIALOG_COUNT + 1> dialogs;
    std::copy(panelDialogs, panelDialogs + PANEL_DIALOG_COUNT, dialogs.begin());
    dialogs.back() = {IDD_CONTROL_SETTINGS, controlSettingsDialogProc};
    Win32PanelHost host(instance, help, dialogs.data(), static_cast<int>(dialogs.size()));
    // The parts beside the panel hear its messages and timers through the router, which
    // outlives them.
    WindowRouter router;
    char version[VERSION_TEXT_SIZE];
    snprintf(version, sizeof version, "%d.%d.%d", TRX_VERSION_MAJOR, TRX_VERSION_MINOR,
             TRX_VERSION_PATCH);
    JournalStation journal(settings, serial, host, version, showJournalTrouble);
    PanelEngine engine(line, settings, host, instance);
    Protocol& protocol = engine.protocol;
    protocol.addListener(journal); // records once the panel is shown
    // The season schedule of the port's key.
    ProtocolScheduleEngine scheduleEngine(protocol, settings);
    ScheduleStation schedule(scheduleEngine, settings, serial.portNumber(), host, showSchedulePlan);
    protocol.addListener(schedule);
    schedule.tellJournal(journal);
    // The control port hears the engine while it is off as well: the settings may switch it
    // on during the run.
    ProtocolControlEngine controlEngine(protocol, line);
    PanelStation panelStation(settings, serial, version);
    ControlPort controlPort(controlEngine, station.control, settings, host);
    protocol.addListener(controlPort.listener());
    controlPort.tellJournal(journal);
    controlPort.useSchedule(schedule);
    schedule.tellEvents(ControlPort::scheduleEvent, &controlPort);
    controlPort.tellStation(panelStation);
    StationSettingsKeeper keeper(station, settings, serial, controlPort, journal);
    PanelSetup setup{engine,   settings, serial,    host,   instance,
                     &journal, &router,  &schedule, &keeper};
    HWND panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr, panelDialogProc,
                                    reinterpret_cast<LPARAM>(&setup));
    if (!panel) {
        return 0;
    }
    ShowWindow(panel, SW_SHOW);
    controlPort.attach(panel, router); // opens on a message posted now: once the panel is shown
    journal.open(panel, router);       // nothing of the journal before the panel is seen
    schedule.open(panel, router);      // reads its plan, then acts as the journal records
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    MSG message;
    BOOL got;
    // -1 means an invalid window or message address, which this loop never passes; end then.
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        // The panel's keys stay out of the journal window: Page Up there scrolls its list and
        // must not step the transmitter's program.
        HWND journalWindow = journal.window();
        if (dialogMessage(schedule.window(), message)) {
            continue;
        }
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
