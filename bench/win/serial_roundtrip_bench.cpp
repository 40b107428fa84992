// Byte round trip through Wine and the pty: write of one byte, trxsim's echo, message 1126
// handled by a window. Also times the constructor's probe of the 256 COM names and the CPU
// a hung-up line costs.
// Run by bench/win/run.sh, which starts the simulator on TRXSIM_COM.
#include "protocol/wire_codec.h"
#include "receiver_window.h"
#include "serial/win/serial_port.h"
#include "sim_control.h"

#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int WARM_UP_TRIPS = 50;
constexpr int ROUND_TRIPS = 1000;
constexpr int PROBE_RUNS = 10;
constexpr DWORD PROBE_PAUSE_MS = 200;
constexpr DWORD ECHO_WAIT_MS = 2000;
constexpr double TARGET_P99_US = 2000.0;
constexpr double MICROSECONDS = 1e6;
constexpr double P50 = 0.50;
constexpr double P99 = 0.99;
constexpr int DIGIT_COUNT = 10;
constexpr DWORD HANGUP_WATCH_MS = 3000;
constexpr LONGLONG FILETIME_TICKS_PER_MS = 10000;
constexpr double PERCENT = 100.0;

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

LONGLONG processCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<LONGLONG>((k.QuadPart + u.QuadPart) / FILETIME_TICKS_PER_MS);
}

// The line hangs up (an adapter pulled): the receive thread must sleep, not spin on the
// dead device. Prints the process's CPU share over a few seconds and the bytes posted.
void measureHangUp(trx::SerialPort& port, trxtest::ReceiverWindow& receiver,
                   trxtest::SimControl& sim) {
    receiver.bytes.clear();
    if (!sim.ok("silent on") || !sim.ok("hangup")) {
        std::fprintf(stderr, "the simulator did not hang up\n");
        return;
    }
    const LONGLONG cpuStart = processCpuMs();
    const ULONGLONG start = GetTickCount64();
    receiver.pumpFor(HANGUP_WATCH_MS);
    const LONGLONG cpuMs = processCpuMs() - cpuStart;
    const ULONGLONG elapsedMs = GetTickCount64() - start;
    std::printf("after hang-up: %lld ms CPU in %llu ms (%.1f %% of a core), %zu messages 1126\n",
                cpuMs, elapsedMs,
                PERCENT * static_cast<double>(cpuMs) / static_cast<double>(elapsedMs),
                receiver.bytes.size());
    port.close();
    sim.command("reopen");
    sim.ok("silent off");
}

double microseconds(LONGLONG ticks) {
    return static_cast<double>(ticks) * MICROSECONDS /
           static_cast<double>(trxtest::performanceFrequency());
}

} // namespace

int main() {
    const int com = trxtest::environmentNumber("TRXSIM_COM");
    trxtest::SimControl sim;
    if (com <= 0 || !sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT"))) {
        std::fprintf(stderr, "no simulator: run bench/win/run.sh\n");
        return 1;
    }

    trxtest::ReceiverWindow receiver;
    trx::SerialSystem system;
    trx::SerialPort port(system);
    port.setReceiver(receiver.handle(), WM_TRX_RECEIVED);
    port.setPortNumber(com);
    port.setLineFormat({8, EVENPARITY, TWOSTOPBITS});
    trx::SerialError error;
    if (port.open(error) != 1 || !sim.ok("silent off") || !sim.ok("echo on")) {
        std::fprintf(stderr, "COM%d did not open\n", com);
        return 1;
    }

    // Frequency digits: echoed as they are and nothing the model acts on at once.
    std::vector<double> tripsUs;
    int lost = 0;
    for (int i = 0; i < WARM_UP_TRIPS + ROUND_TRIPS; ++i) {
        const uint8_t sent = trx::lineByteFor(trx::FrequencyDigit7, i % DIGIT_COUNT);
        receiver.bytes.clear();
        receiver.receivedTicks.clear();
        const LONGLONG start = trxtest::performanceCounter();
        if (port.write(&sent, 1) != 1) {
            std::fprintf(stderr, "write %d failed\n", i);
            return 1;
        }
        const auto echoed = [&] {
            return std::find(receiver.bytes.begin(), receiver.bytes.end(), sent) !=
                   receiver.bytes.end();
        };
        if (!receiver.pumpUntil(echoed, ECHO_WAIT_MS)) {
            ++lost;
            continue;
        }
        const size_t at = static_cast<size_t>(
            std::find(receiver.bytes.begin(), receiver.bytes.end(), sent) - receiver.bytes.begin());
        if (i >= WARM_UP_TRIPS) {
            tripsUs.push_back(microseconds(receiver.receivedTicks[at] - start));
        }
    }
    measureHangUp(port, receiver, sim);
    if (tripsUs.empty()) {
        std::fprintf(stderr, "no echo came back\n");
        return 1;
    }

    const double p50 = percentile(tripsUs, P50);
    const double p99 = percentile(tripsUs, P99);
    std::printf("round trips: %zu (lost %d), p50 %.0f us, p99 %.0f us, max %.0f us\n",
                tripsUs.size(), lost, p50, p99, *std::max_element(tripsUs.begin(), tripsUs.end()));
    // The program probes once, at start-up: each probe here stands alone after a pause
    // (probes back to back under Wine ran up to four times slower).
    std::vector<double> probeUs;
    int present = 0;
    for (int i = 0; i < PROBE_RUNS; ++i) {
        Sleep(PROBE_PAUSE_MS);
        const LONGLONG start = trxtest::performanceCounter();
        trx::SerialPort probe(system);
        probe.probePorts();
        probeUs.push_back(microseconds(trxtest::performanceCounter() - start));
        present = static_cast<int>(
            std::count(probe.presentPorts().begin(), probe.presentPorts().end(), 1));
    }
    std::printf("probe of 256 COM names (%d present): %.0f us median of %d, max %.0f us\n", present,
                percentile(probeUs, P50), PROBE_RUNS,
                *std::max_element(probeUs.begin(), probeUs.end()));
    std::printf("p99 / 2 ms: %.3f\n", p99 / TARGET_P99_US);
    return 0;
}
