// Start-up to the full report on a slow line: the real TRXDESK.exe on trxsim paced like a
// 1200 Bd line (12 bits a byte, 10 ms each). Each trial starts the program, waits for its
// panel, then puts the status report on the line that brings the link up; the panel asks
// for every register and the trial ends when the panel shows the last field the answer
// fills, the power level. trxsim puts each byte on the pty at the start of its 10 ms slot:
// the status report in slot 0, the answer to the refresh request in slots 1 to 16 (register
// 15 first, which also acknowledges the request, then registers 0 to 14), so the line alone
// takes 160 ms to the power level. Run by the test command's benchmarks (TRXDESK_EXE names the
// program; run-with-trxsim.sh --baud 1200 starts the simulator).
#include "latency_figures.h"
#include "panel_process.h"
#include "poll_until.h"
#include "protocol/wire_codec.h"
#include "receiver_window.h"
#include "sim_control.h"

#include "res/resource.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int TRIALS = 10;
constexpr int SMOKE_TRIALS = 1;
constexpr DWORD FULL_REPORT_TIMEOUT_MS = 5000;
constexpr double LINE_BAUD = 1200;
constexpr double BITS_PER_BYTE = 12;
constexpr int LINE_SLOTS = 16;
// The answer's last byte (register 15 again) follows the power level; a trial waits for it,
// so that it cannot greet the next trial's program on the line.
constexpr DWORD LAST_BYTE_MS = 30;
constexpr size_t COMMAND_SIZE = 32;
// A state unlike the start-up look in every field the answer fills: frequency, program,
// antenna and the power bar.
constexpr int FREQUENCY_DIGITS[7] = {1, 4, 2, 7, 5, 3, 9};
constexpr char FREQUENCY_TEXT[] = "14,27539";
constexpr int PROGRAM = 7;
constexpr int ANTENNA = 2;
constexpr int POWER_LEVEL = 5;

bool setRegister(trxtest::SimControl& sim, int reg, int value) {
    char command[COMMAND_SIZE];
    snprintf(command, sizeof command, "set %d %d", reg, value);
    return sim.ok(command);
}

bool setState(trxtest::SimControl& sim) {
    for (int i = 0; i < 7; ++i) {
        if (!setRegister(sim, trx::FrequencyDigit1 + i, FREQUENCY_DIGITS[i])) {
            return false;
        }
    }
    return setRegister(sim, trx::ProgramNumber, PROGRAM) &&
           setRegister(sim, trx::Antenna, ANTENNA) &&
           setRegister(sim, trx::PowerLevel, POWER_LEVEL);
}

bool showsFullReport(const trx::e2e::PanelProcess& panel) {
    return panel.controlText(IDC_FREQUENCY) == FREQUENCY_TEXT &&
           panel.controlText(IDC_PROGRAM) == std::to_string(PROGRAM) &&
           panel.controlText(IDC_ANTENNA) == std::to_string(ANTENNA) &&
           panel.send(IDC_POWER, PBM_GETPOS) == POWER_LEVEL;
}

struct Trial {
    double visibleMs = 0;
    double fullReportMs = 0; // from the status report to the full display
    double startToFullMs = 0;
};

bool runTrial(trxtest::SimControl& sim, const char* arguments, Trial& trial) {
    trx::e2e::PanelProcess panel;
    const LONGLONG start = trxtest::performanceCounter();
    if (!panel.start(arguments)) {
        std::fprintf(stderr, "TRXDESK.exe (TRXDESK_EXE) did not show its panel\n");
        return false;
    }
    const LONGLONG visible = trxtest::performanceCounter();
    char report[COMMAND_SIZE];
    snprintf(report, sizeof report, "report %d 1", trx::StatusRegister);
    const LONGLONG linkReport = trxtest::performanceCounter();
    if (!sim.ok(report)) {
        return false;
    }
    const trxbench::PollResult full =
        trxbench::pollUntil([&] { return showsFullReport(panel); }, FULL_REPORT_TIMEOUT_MS);
    if (!full.seen) {
        std::fprintf(stderr, "the panel did not show the full report within %lu ms\n",
                     static_cast<unsigned long>(FULL_REPORT_TIMEOUT_MS));
        return false;
    }
    trial.visibleMs = trxbench::microsecondsBetween(start, visible) / 1000.0;
    trial.fullReportMs = trxbench::microsecondsBetween(linkReport, full.seenTicks) / 1000.0;
    trial.startToFullMs = trxbench::microsecondsBetween(start, full.seenTicks) / 1000.0;
    Sleep(LAST_BYTE_MS);
    // Standby: closing asks nothing.
    return panel.close();
}

double median(std::vector<double> values) {
    return trxbench::figuresOf(std::move(values)).p50;
}

} // namespace

int main() {
    const int com = trxtest::environmentNumber("TRXSIM_COM");
    trxtest::SimControl sim;
    if (com <= 0 || !sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT"))) {
        std::fprintf(stderr, "no simulator: run through run-with-trxsim.sh --baud 1200\n");
        return 1;
    }
    if (!setState(sim)) {
        std::fprintf(stderr, "the simulator refused the trial's state\n");
        return 1;
    }
    char arguments[COMMAND_SIZE];
    snprintf(arguments, sizeof arguments, "C%d NOREG", com);
    std::vector<double> visible, fullReport, startToFull;
    const int trials = trxtest::benchTrials(TRIALS, SMOKE_TRIALS);
    for (int i = 0; i < trials; ++i) {
        Trial trial;
        if (!runTrial(sim, arguments, trial)) {
            return 1;
        }
        visible.push_back(trial.visibleMs);
        fullReport.push_back(trial.fullReportMs);
        startToFull.push_back(trial.startToFullMs);
    }
    const double lineMs = LINE_SLOTS * BITS_PER_BYTE / LINE_BAUD * 1000.0;
    const trxbench::LatencyFigures f = trxbench::figuresOf(fullReport);
    std::printf("start-up to full report at 1200 Bd: link-up report to the full display p50 "
                "%.0f ms, max %.0f ms, against %.0f ms of line time (%d byte slots): %.0f ms "
                "over it at p50 (target within 50 ms); %d trials, polled\n",
                f.p50, f.max, lineMs, LINE_SLOTS, f.p50 - lineMs, trials);
    std::printf("start-up to full report at 1200 Bd: program start to visible panel p50 %.0f "
                "ms, program start to the full display p50 %.0f ms\n",
                median(visible), median(startToFull));
    return 0;
}
