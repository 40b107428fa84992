// Start-up to the visible window: TRXDESK.exe against a minimal program showing the same
// dialog template, started alternately in the same run, several times each. Prints the
// medians and their ratio.
#include "process_window.h"
#include "sim_control.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int RUNS = 7;
constexpr int SMOKE_RUNS = 1;
constexpr DWORD VISIBLE_TIMEOUT_MS = 20000;
constexpr DWORD END_TIMEOUT_MS = 10000;

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcess to a visible top-level window; negative on failure.
double timeToVisible(const std::string& commandLine) {
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    HWND found = nullptr;
    LARGE_INTEGER now = start;
    while (!found && seconds(start, now) * 1000 < VISIBLE_TIMEOUT_MS) {
        found = trxtest::visibleWindowOf(process.dwProcessId);
        if (!found) {
            Sleep(1);
        }
        QueryPerformanceCounter(&now);
    }
    const double elapsed = found ? seconds(start, now) * 1000 : -1;
    if (found) {
        PostMessageA(found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, END_TIMEOUT_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup_timer TRXDESK.exe minimal_dialog.exe\n");
        return 2;
    }
    // No port and no registry: start-up alone, nothing left behind.
    const std::string panel = "\"" + trxtest::wineDrivePath(argv[1]) + "\" NOREG";
    const std::string minimal = "\"" + trxtest::wineDrivePath(argv[2]) + "\"";
    timeToVisible(minimal); // the first start of a session pays for Wine's own warm-up
    std::vector<double> panelTimes;
    std::vector<double> minimalTimes;
    const int runs = trxtest::benchTrials(RUNS, SMOKE_RUNS);
    for (int i = 0; i < runs; ++i) {
        const double p = timeToVisible(panel);
        const double m = timeToVisible(minimal);
        if (p < 0 || m < 0) {
            std::fprintf(stderr, "a program did not show its window\n");
            return 1;
        }
        panelTimes.push_back(p);
        minimalTimes.push_back(m);
    }
    const double p = median(panelTimes);
    const double m = median(minimalTimes);
    std::printf(
        "start-up to visible window, median of %d: TRXDESK %.1f ms, the same template alone "
        "%.1f ms\n",
        runs, p, m);
    std::printf("start-up ratio (target at most 1.15): %.2f\n", p / m);
    return 0;
}
