// The operating journal's cost, in one run: a line's cost to the thread that hands it in,
// lines per second the writer thread puts into a file, and the time from a report handed to
// the panel until its text has changed and the panel is ready for the next byte, without
// and with the journal listening.
#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"
#include "journal/win/journal.h"
#include "latency_figures.h"
#include "panel/win/panel_class.h"
#include "panel/win/panel_engine.h"
#include "panel/win/panel_window.h"
#include "panel_fakes.h"
#include "res/resource.h"
#include "sim_control.h"

#include <commctrl.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int LINES = 5000;
constexpr int SMOKE_LINES = 200;
constexpr int64_t STEP_MS = 11; // under 100 lines a second: none left out
constexpr int WARM_UP = 50;
constexpr int TRIALS = 2000;
constexpr int SMOKE_TRIALS = 50;

class SteppingClock : public trx::JournalClock {
  public:
    trx::JournalTime now() override {
        utcMs += STEP_MS;
        return {utcMs, trx::civilFromUtc(utcMs)};
    }
    int64_t utcMs = 1796613165000;
};

LONGLONG ticksNow() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

std::string tempFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

// A line's cost to the panel's thread (recorder, flood limit, the line, the hand-over), and
// lines per second through the writer thread into the file; false on a failure.
bool linesPerSecond() {
    const std::string folder = tempFolder("trx-journal-bench");
    trx::JournalWriterThread thread(std::make_unique<trx::Win32JournalFile>(),
                                    [] { return int64_t{0}; });
    trx::JournalWriter writer(thread);
    writer.setPlace(folder.c_str(), "Com41");
    SteppingClock clock;
    trx::Settings settings;
    trx::JournalRecorder recorder(clock, writer, settings);
    const int lines = trxtest::benchTrials(LINES, SMOKE_LINES);
    const LONGLONG start = ticksNow();
    trx::RegisterMirror registers; // as the engine hands them: each report a change
    for (int i = 0; i < lines; ++i) {
        const int previous = registers[trx::PowerLevel];
        registers[trx::PowerLevel] = static_cast<uint8_t>(i % 8);
        recorder.reported(trx::PowerLevel, previous, registers);
    }
    const LONGLONG handedIn = ticksNow();
    const bool all = thread.finish(60000);
    const double written = trxbench::microsecondsBetween(start, ticksNow());
    const trx::JournalWriterState state = thread.state();
    char path[trx::JOURNAL_PATH_SIZE];
    trx::journalFilePath(folder.c_str(), "Com41", clock.utcMs, path, sizeof path);
    DeleteFileA(path);
    if (!all) {
        printf("journal bench: writing failed (%s)\n", state.trouble.reason.c_str());
        return false;
    }
    printf("journal: %.1f us per line handed to the writer\n",
           trxbench::microsecondsBetween(start, handedIn) / lines);
    printf("journal lines per second written: %.0f\n", lines / (written / 1e6));
    return true;
}

// A report of program `program` handed to `panel`: the time until the panel has handled it
// and shows the new number; negative when the text did not change.
double reportTime(HWND panel, int program) {
    char text[8];
    const LONGLONG start = ticksNow();
    SendMessageA(panel, WM_TRX_RECEIVED, 0, trx::lineByteFor(trx::ProgramNumber, program));
    const LONGLONG end = ticksNow();
    GetDlgItemTextA(panel, IDC_PROGRAM, text, sizeof text);
    return atoi(text) == program ? trxbench::microsecondsBetween(start, end) : -1;
}

void printFigures(const char* label, const std::vector<double>& samples) {
    const trxbench::LatencyFigures f = trxbench::figuresOf(samples);
    printf("report to changed panel text %s the journal: p50 %.1f us, p99 %.1f us, max %.1f us\n",
           label, f.p50, f.p99, f.max);
}

} // namespace

int main() {
    if (!linesPerSecond()) {
        return 1;
    }
    using namespace trx;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    registerPanelClass(instance);

    // Two panels, one with the journal listening; their trials alternate, so that both see
    // the same machine.
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
        HWND& panel = panels[k];
        panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), nullptr, panelDialogProc,
                                   reinterpret_cast<LPARAM>(&setup));
        if (panel == nullptr) {
            return 1;
        }
        SendMessageA(panel, WM_TRX_RECEIVED, 0, lineByteFor(StatusRegister, STATUS_READY));
    }
    Journal journal(settings, [](const char* text) { printf("journal bench: %s\n", text); });
    journal.carryTimers(panels[1], router);
    journal.usePort(41);
    engines[1].protocol.addListener(journal);
    std::vector<double> samples[2];
    const int trials = trxtest::benchTrials(TRIALS, SMOKE_TRIALS);
    for (int i = 0; i < WARM_UP + trials; ++i) {
        for (int k = 0; k < 2; ++k) {
            const double us = reportTime(panels[k], 1 + i % 2);
            if (us < 0) {
                printf("journal bench: a report did not reach the panel\n");
                return 1;
            }
            if (i >= WARM_UP) {
                samples[k].push_back(us);
            }
        }
    }
    printFigures("without", samples[0]);
    printFigures("with", samples[1]);
    for (HWND panel : panels) {
        DestroyWindow(panel);
    }
    return 0;
}
