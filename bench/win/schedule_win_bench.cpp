// The season schedule's cost beside the panel, in one run: loading and checking a plan of
// 2,000 entries on the panel's thread, the time from a report handed to the panel until its
// text has changed without and with the plan switched on and listening, and the CPU the
// program's thread spends while idle before and after the plan is running.
#include "latency_figures.h"
#include "panel/win/panel_class.h"
#include "panel/win/panel_engine.h"
#include "panel/win/panel_window.h"
#include "panel_fakes.h"
#include "res/resource.h"
#include "schedule/win/schedule_station.h"
#include "sim_control.h"

#include <commctrl.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int ENTRIES = 2000;
constexpr int SLOT_MINUTES = 4; // three minutes on air, one in standby
constexpr int SLOTS_PER_DAY = 334;
constexpr int WARM_UP = 50;
constexpr int TRIALS = 2000;
constexpr int SMOKE_TRIALS = 50;
constexpr DWORD IDLE_MS = 10000;
constexpr DWORD SMOKE_IDLE_MS = 500;
constexpr DWORD LOAD_WAIT_MS = 10000; // the plan file read, at most
// Sunday 10 January 2027, 12:00 UTC: the plan's next change (Monday 00:00) is hours away.
constexpr trx::UtcSeconds SUNDAY_NOON = trx::UtcSeconds{20828} * 86400 + 12 * 3600;

trx::UtcSeconds benchClock() {
    return SUNDAY_NOON;
}

LONGLONG ticksNow() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// Monday to Saturday, slot after slot; none on Sundays.
std::string planFile() {
    std::string text = "Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;Programm;Antenne;Betrieb;"
                       "g\xC3\xBCltig ab;g\xC3\xBCltig bis;Bemerkung\r\n";
    char line[96];
    for (int i = 0; i < ENTRIES; ++i) {
        const int day = 1 + i / SLOTS_PER_DAY;
        const int begin = (i % SLOTS_PER_DAY) * SLOT_MINUTES;
        const int end = begin + SLOT_MINUTES - 1;
        snprintf(line, sizeof line, "%02d:%02d;%02d:%02d;%d;%d,%05d;;%d;;%s;;;\r\n", begin / 60,
                 begin % 60, end / 60, end % 60, day, 2 + i % 27, (i * 37) % 100000, i % 16,
                 i % 3 == 0 ? "1000" : "250");
        text += line;
    }
    return text;
}

bool writePlan(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    std::string folder = path.substr(0, slash);
    for (size_t at = folder.find('\\', 3); at != std::string::npos;
         at = folder.find('\\', at + 1)) {
        CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::string text = planFile();
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

double reportTime(HWND panel, int program) {
    char text[8];
    const LONGLONG start = ticksNow();
    SendMessageA(panel, WM_TRX_RECEIVED, 0, trx::lineByteFor(trx::ProgramNumber, program));
    const LONGLONG end = ticksNow();
    GetDlgItemTextA(panel, IDC_PROGRAM, text, sizeof text);
    return atoi(text) == program ? trxbench::microsecondsBetween(start, end) : -1;
}

uint64_t threadCpu100ns() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

// The thread's CPU while it only waits for messages, in per cent of a core.
double idleCpu(DWORD ms) {
    const uint64_t before = threadCpu100ns();
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (GetTickCount() - start), QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }
    return static_cast<double>(threadCpu100ns() - before) / (ms * 10000.0) * 100.0;
}

void printFigures(const char* label, const std::vector<double>& samples) {
    const trxbench::LatencyFigures f = trxbench::figuresOf(samples);
    printf("report to changed panel text %s the plan: p50 %.1f us, p99 %.1f us, max %.1f us\n",
           label, f.p50, f.p99, f.max);
}

} // namespace

int main() {
    using namespace trx;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    registerPanelClass(instance);

    // Two panels, one with the plan running; their trials alternate, so that both see the
    // same machine.
    Settings settings;
    settings.useRegistry = false;
    SerialSystem system;
    SerialPort serial(system);
    RecordingLine line(serial);
    FakeHost host;
    WindowRouter router;
    PanelEngine engines[2] = {{line, settings, host, instance}, {line, settings, host, instance}};
    HWND panels[2];
    for (int k = 0; k < 2; ++k) {
        PanelSetup setup{engines[k], settings, serial, host, instance, nullptr, &router};
        panels[k] = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr,
                                       panelDialogProc, reinterpret_cast<LPARAM>(&setup));
        if (panels[k] == nullptr) {
            return 1;
        }
        SendMessageA(panels[k], WM_TRX_RECEIVED, 0, lineByteFor(StatusRegister, STATUS_READY));
    }
    const DWORD idleMs = static_cast<DWORD>(
        trxtest::benchTrials(static_cast<int>(IDLE_MS), static_cast<int>(SMOKE_IDLE_MS)));
    const double idleWithout = idleCpu(idleMs);

    ProtocolScheduleEngine scheduleEngine(engines[1].protocol, settings);
    ScheduleStation station(scheduleEngine, settings, 41, host, showSchedulePlan, benchClock);
    if (!writePlan(station.path())) {
        printf("schedule bench: cannot write %s\n", station.path().c_str());
        return 1;
    }
    engines[1].protocol.addListener(station);
    const LONGLONG before = ticksNow();
    station.open(panels[1], router);
    // The file is read on its own thread and checked on the panel's when it arrives.
    MSG message;
    const DWORD start = GetTickCount();
    while (station.planFileReading() && GetTickCount() - start < LOAD_WAIT_MS) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, LOAD_WAIT_MS, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }
    const double openMs = trxbench::microsecondsBetween(before, ticksNow()) / 1000;
    station.switchSchedule(true);
    if (station.runner().plan().entries.size() != ENTRIES) {
        printf("schedule bench: the plan was not loaded (%d bad lines)\n",
               station.runner().badLines());
        return 1;
    }
    printf("schedule: %d entries read and checked on the file's thread, laid out on the panel's "
           "in %.1f ms\n",
           ENTRIES, openMs);

    std::vector<double> samples[2];
    const int trials = trxtest::benchTrials(TRIALS, SMOKE_TRIALS);
    for (int i = 0; i < WARM_UP + trials; ++i) {
        for (int k = 0; k < 2; ++k) {
            const double us = reportTime(panels[k], 1 + i % 2);
            if (us < 0) {
                printf("schedule bench: a report did not reach the panel\n");
                return 1;
            }
            if (i >= WARM_UP) {
                samples[k].push_back(us);
            }
        }
    }
    printFigures("without", samples[0]);
    printFigures("with", samples[1]);
    const double idleWith = idleCpu(idleMs);
    printf("idle CPU of the program's thread, %% of a core, without and with the plan: %.3f / "
           "%.3f\n",
           idleWithout, idleWith);
    DeleteFileA(station.path().c_str());
    for (HWND panel : panels) {
        DestroyWindow(panel);
    }
    return 0;
}
