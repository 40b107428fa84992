// Latency an operator feels, measured from another process against the real TRXDESK.exe:
// a posted command until its byte is on the simulator's line, and a report put on the line
// until the panel shows it. Run by bench/win/run.sh latency, which starts trxsim on TRXSIM_COM
// and names the program in TRXDESK_EXE.
#include "latency_figures.h"
#include "panel_process.h"
#include "poll_until.h"
#include "protocol/wire_codec.h"
#include "receiver_window.h"
#include "sim_control.h"

#include "res/resource.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using trxbench::PollResult;

constexpr int WARM_UP_TRIALS = 20;
constexpr int TRIALS = 300;
constexpr int SMOKE_TRIALS = 3;
constexpr DWORD TRIAL_TIMEOUT_MS = 2000;
constexpr DWORD LINK_TIMEOUT_MS = 10000;
// The refresh is answered with about seventeen report bytes; each command starts on an idle
// panel and an idle line.
constexpr DWORD REFRESH_SETTLE_MS = 50;
constexpr DWORD DISPLAY_SETTLE_MS = 20;
// Alternating program numbers, so that every report changes the text.
constexpr std::array<int, 2> PROGRAM_VALUES = {1, 2};
constexpr int PINGS = 100;
constexpr int SMOKE_PINGS = 3;
constexpr size_t COMMAND_SIZE = 32;
constexpr size_t MEASURES_SIZE = 200;

// The samples of one figure and what the polling cost while they were taken.
struct Series {
    std::vector<double> samplesUs;
    int lost = 0;
    double periodUs = 0;
    int periods = 0;
    double checkUs = 0;
    int firstPollHits = 0;

    void add(const PollResult& poll, LONGLONG startTicks, bool counted) {
        if (!counted) {
            return;
        }
        if (!poll.seen) {
            ++lost;
            return;
        }
        samplesUs.push_back(trxbench::microsecondsBetween(startTicks, poll.seenTicks));
        periodUs += poll.periodUs;
        periods += poll.checks - 1;
        checkUs += poll.checkUs;
        firstPollHits += poll.checks == 1 ? 1 : 0;
    }
    double meanPeriodUs() const { return periods > 0 ? periodUs / periods : 0; }
    double meanCheckUs() const {
        return samplesUs.empty() ? 0 : checkUs / static_cast<double>(samplesUs.size());
    }
};

bool hasRefresh(trxtest::SimControl& sim) {
    std::vector<uint8_t> bytes;
    return sim.loggedBytes(bytes) &&
           std::find(bytes.begin(), bytes.end(), trx::REFRESH_REQUEST) != bytes.end();
}

// With no own reports from the simulator, a status report brings the link up; the panel then
// asks for every register and shows them. The trials' own traffic keeps the link alive.
bool bringLinkUp(trxtest::SimControl& sim, const trx::e2e::PanelProcess& panel) {
    char command[COMMAND_SIZE];
    snprintf(command, sizeof command, "report %d 0", trx::StatusRegister);
    if (!sim.ok("mark") || !sim.ok(command)) {
        return false;
    }
    const bool up = trxbench::pollUntil([&] { return hasRefresh(sim); }, LINK_TIMEOUT_MS).seen &&
                    trxbench::pollUntil([&] { return !panel.controlText(IDC_PROGRAM).empty(); },
                                        LINK_TIMEOUT_MS)
                        .seen;
    Sleep(REFRESH_SETTLE_MS);
    return up;
}

// WM_COMMAND refresh posted to the panel until 0x0F is in the simulator's receive log.
bool commandToLine(trxtest::SimControl& sim, HWND panel, Series& series, bool counted) {
    if (!sim.ok("mark")) {
        return false;
    }
    const LONGLONG start = trxtest::performanceCounter();
    if (!PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDM_REFRESH, 0), 0)) {
        return false;
    }
    series.add(trxbench::pollUntil([&] { return hasRefresh(sim); }, TRIAL_TIMEOUT_MS), start,
               counted);
    Sleep(REFRESH_SETTLE_MS);
    return true;
}

// A program-number report put on the line until the panel's program box shows it.
bool reportToDisplay(trxtest::SimControl& sim, const trx::e2e::PanelProcess& panel, int trial,
                     Series& series, bool counted) {
    const int value = PROGRAM_VALUES[static_cast<size_t>(trial) % PROGRAM_VALUES.size()];
    char command[COMMAND_SIZE];
    snprintf(command, sizeof command, "report %d %d", trx::ProgramNumber, value);
    const std::string expected = std::to_string(value);
    const LONGLONG start = trxtest::performanceCounter();
    if (!sim.ok(command)) {
        return false;
    }
    series.add(trxbench::pollUntil([&] { return panel.controlText(IDC_PROGRAM) == expected; },
                                   TRIAL_TIMEOUT_MS),
               start, counted);
    Sleep(DISPLAY_SETTLE_MS);
    return true;
}

void printSeries(const char* name, const char* measures, const Series& series) {
    const trxbench::LatencyFigures f = trxbench::figuresOf(series.samplesUs);
    std::printf("%s: %s; %zu trials, %d lost; %d seen at the first poll, one poll %.0f us", name,
                measures, series.samplesUs.size(), series.lost, series.firstPollHits,
                series.meanCheckUs());
    if (series.periods > 0) {
        std::printf(", polls %.0f us apart on average (a figure is late by up to that much)",
                    series.meanPeriodUs());
    }
    std::printf("\n%s p50: %.0f us\n", name, f.p50);
    std::printf("%s p99: %.0f us\n", name, f.p99);
    std::printf("%s max: %.0f us\n", name, f.max);
}

// What one question to the simulator costs: part of both figures.
trxbench::LatencyFigures controlRoundTrip(trxtest::SimControl& sim) {
    std::vector<double> samplesUs;
    for (int i = 0, pings = trxtest::benchTrials(PINGS, SMOKE_PINGS); i < pings; ++i) {
        const LONGLONG start = trxtest::performanceCounter();
        if (sim.ok("ping")) {
            samplesUs.push_back(
                trxbench::microsecondsBetween(start, trxtest::performanceCounter()));
        }
    }
    return trxbench::figuresOf(samplesUs);
}

} // namespace

int main() {
    const int com = trxtest::environmentNumber("TRXSIM_COM");
    trxtest::SimControl sim;
    if (com <= 0 || !sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT"))) {
        std::fprintf(stderr, "no simulator: run bench/win/run.sh latency\n");
        return 1;
    }
    char arguments[COMMAND_SIZE];
    snprintf(arguments, sizeof arguments, "C%d NOREG", com);
    trx::e2e::PanelProcess panel;
    if (!panel.start(arguments)) {
        std::fprintf(stderr, "TRXDESK.exe (TRXDESK_EXE) did not show its panel\n");
        return 1;
    }
    if (!bringLinkUp(sim, panel)) {
        std::fprintf(stderr, "the panel on COM%d did not bring the link up\n", com);
        return 1;
    }

    Series toLine;
    Series toDisplay;
    const int warmUp = trxtest::benchTrials(WARM_UP_TRIALS, 0);
    const int trials = warmUp + trxtest::benchTrials(TRIALS, SMOKE_TRIALS);
    for (int i = 0; i < trials; ++i) {
        if (!commandToLine(sim, panel.panel(), toLine, i >= warmUp)) {
            std::fprintf(stderr, "command trial %d: the simulator or the panel did not answer\n",
                         i);
            return 1;
        }
    }
    for (int i = 0; i < trials; ++i) {
        if (!reportToDisplay(sim, panel, i, toDisplay, i >= warmUp)) {
            std::fprintf(stderr, "report trial %d: the simulator did not answer\n", i);
            return 1;
        }
    }
    if (!panel.close()) {
        std::fprintf(stderr, "the panel did not end on WM_CLOSE\n");
    }
    if (toLine.samplesUs.empty() || toDisplay.samplesUs.empty()) {
        std::fprintf(stderr, "no trial completed\n");
        return 1;
    }

    char measures[MEASURES_SIZE];
    snprintf(measures, sizeof measures,
             "from PostMessage of WM_COMMAND %d to the panel until trxsim's receive log "
             "(control command log) holds 0x%02X, the poll that saw it included",
             IDM_REFRESH, trx::REFRESH_REQUEST);
    printSeries("command -> line", measures, toLine);
    snprintf(measures, sizeof measures,
             "from sending the control command report %d N to trxsim until control %d reads N, "
             "the command's reply and the WM_GETTEXT that saw N included",
             trx::ProgramNumber, IDC_PROGRAM);
    printSeries("report -> display", measures, toDisplay);
    std::printf("control-port round trip (ping) p50: %.0f us\n", controlRoundTrip(sim).p50);
    const trxbench::LatencyFigures line = trxbench::figuresOf(toLine.samplesUs);
    const trxbench::LatencyFigures display = trxbench::figuresOf(toDisplay.samplesUs);
    std::printf("panel latency under Wine: command -> line p50 %.0f us, p99 %.0f us; "
                "report -> display p50 %.0f us, p99 %.0f us\n",
                line.p50, line.p99, display.p50, display.p99);
    return 0;
}
