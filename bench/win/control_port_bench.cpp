// The control port's figures against the real TRXDESK.exe and trxsim, from clients on the
// same PC: a get's round trip; a set program answered after its echo; and the panel's
// report-to-screen time with trxsim's report rounds every 100 ms, without clients and with
// eight subscribed ones. Run by the bench_control_port test (label bench).
#include "latency_figures.h"
#include "panel_process.h"
#include "poll_until.h"
#include "protocol/wire_codec.h"
#include "receiver_window.h"
#include "sim_control.h"

#include "res/resource.h"

#include <winsock2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int WARM_UP_TRIALS = 20;
constexpr int TRIALS = 300;
constexpr int SMOKE_TRIALS = 3;
constexpr DWORD TRIAL_TIMEOUT_MS = 2000;
constexpr DWORD LINK_TIMEOUT_MS = 10000;
constexpr DWORD SETTLE_MS = 20;
constexpr int SUBSCRIBERS = 8;
constexpr int CONTROL_PORT = TRX_CONTROL_BENCH_PORT; // one per build tree
constexpr std::array<int, 2> PROGRAM_VALUES = {1, 2};
constexpr size_t COMMAND_SIZE = 64;

// A smoke run (TRX_BENCH_SMOKE) only checks that every figure can be taken.
int warmUp() {
    return trxtest::benchTrials(WARM_UP_TRIALS, 0);
}

int trials() {
    return trxtest::benchTrials(TRIALS, SMOKE_TRIALS);
}

LONGLONG now() {
    return trxtest::performanceCounter();
}

// A blocking client of the control port; the panel is another process.
class Client {
  public:
    bool connect() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(CONTROL_PORT);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const BOOL noDelay = TRUE;
        setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                   sizeof noDelay);
        DWORD timeout = TRIAL_TIMEOUT_MS;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof timeout);
        return ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { closesocket(socket_); }

    bool send(const std::string& line) {
        return ::send(socket_, line.data(), static_cast<int>(line.size()), 0) ==
               static_cast<int>(line.size());
    }

    // The reply's status line, EVENT lines skipped; empty on a time-out.
    std::string status() {
        for (;;) {
            const size_t end = buffer_.find("\r\n");
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 2);
                if (line.rfind("RPRT", 0) == 0) {
                    return line;
                }
                continue;
            }
            char bytes[4096];
            const int count = recv(socket_, bytes, sizeof bytes, 0);
            if (count <= 0) {
                return {};
            }
            buffer_.append(bytes, static_cast<size_t>(count));
        }
    }

    SOCKET handle() const { return socket_; }

  private:
    SOCKET socket_ = INVALID_SOCKET;
    std::string buffer_;
};

void print(const char* name, const char* measures, const std::vector<double>& samplesUs) {
    const trxbench::LatencyFigures f = trxbench::figuresOf(samplesUs);
    std::printf("%s: %s; %zu trials\n", name, measures, samplesUs.size());
    std::printf("%s p50: %.0f us\n%s p99: %.0f us\n%s max: %.0f us\n", name, f.p50, name, f.p99,
                name, f.max);
}

bool bringLinkUp(trxtest::SimControl& sim, const trx::e2e::PanelProcess& panel) {
    char command[COMMAND_SIZE];
    snprintf(command, sizeof command, "report %d 0", trx::StatusRegister);
    return sim.ok(command) &&
           trxbench::pollUntil([&] { return !panel.controlText(IDC_PROGRAM).empty(); },
                               LINK_TIMEOUT_MS)
               .seen;
}

bool getRoundTrips(Client& client, std::vector<double>& samplesUs) {
    for (int i = 0; i < warmUp() + trials(); ++i) {
        const LONGLONG start = now();
        if (!client.send("get\n") || client.status() != "RPRT 0") {
            return false;
        }
        if (i >= warmUp()) {
            samplesUs.push_back(trxbench::microsecondsBetween(start, now()));
        }
    }
    return true;
}

// With trxsim's echo off, the bench itself puts the echo on the line (the report of the
// written value is the same byte), so the time from echo to answer can be taken.
bool setAfterEcho(trxtest::SimControl& sim, Client& client, std::vector<double>& samplesUs) {
    if (!sim.ok("echo off")) {
        return false;
    }
    for (int i = 0; i < warmUp() + trials(); ++i) {
        const int value = PROGRAM_VALUES[static_cast<size_t>(i) % PROGRAM_VALUES.size()];
        const uint8_t lineByte = trx::lineByteFor(trx::ProgramNumber, value);
        std::vector<uint8_t> logged;
        char command[COMMAND_SIZE];
        snprintf(command, sizeof command, "set program %d\n", value);
        if (!sim.ok("mark") || !client.send(command) ||
            !trxbench::pollUntil(
                 [&] {
                     return sim.loggedBytes(logged) &&
                            std::find(logged.begin(), logged.end(), lineByte) != logged.end();
                 },
                 TRIAL_TIMEOUT_MS)
                 .seen) {
            return false;
        }
        snprintf(command, sizeof command, "report %d %d", trx::ProgramNumber, value);
        const LONGLONG start = now();
        if (!sim.ok(command) || client.status() != "RPRT 0") {
            return false;
        }
        if (i >= warmUp()) {
            samplesUs.push_back(trxbench::microsecondsBetween(start, now()));
        }
    }
    return sim.ok("echo on");
}

// A program report put on the line until the panel shows it, while trxsim's own report
// rounds keep the line busy.
bool reportToScreen(trxtest::SimControl& sim, const trx::e2e::PanelProcess& panel,
                    std::vector<double>& samplesUs) {
    for (int i = 0; i < warmUp() + trials(); ++i) {
        const int value = PROGRAM_VALUES[static_cast<size_t>(i) % PROGRAM_VALUES.size()];
        char command[COMMAND_SIZE];
        snprintf(command, sizeof command, "report %d %d", trx::ProgramNumber, value);
        const std::string expected = std::to_string(value);
        const LONGLONG start = now();
        if (!sim.ok(command)) {
            return false;
        }
        const trxbench::PollResult seen = trxbench::pollUntil(
            [&] { return panel.controlText(IDC_PROGRAM) == expected; }, TRIAL_TIMEOUT_MS);
        if (!seen.seen) {
            return false;
        }
        if (i >= warmUp()) {
            samplesUs.push_back(trxbench::microsecondsBetween(start, seen.seenTicks));
        }
        Sleep(SETTLE_MS);
    }
    return true;
}

} // namespace

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const int com = trxtest::environmentNumber("TRXSIM_COM");
    trxtest::SimControl sim;
    if (com <= 0 || !sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT"))) {
        std::fprintf(stderr, "no simulator\n");
        return 1;
    }
    char arguments[COMMAND_SIZE];
    snprintf(arguments, sizeof arguments, "C%d NOREG STEUERPORT=%d", com, CONTROL_PORT);
    trx::e2e::PanelProcess panel;
    if (!panel.start(arguments) || !bringLinkUp(sim, panel)) {
        std::fprintf(stderr, "the panel on COM%d did not bring the link up\n", com);
        return 1;
    }
    Client client;
    if (!trxbench::pollUntil([&] { return client.connect(); }, LINK_TIMEOUT_MS).seen) {
        std::fprintf(stderr, "the control port did not open\n");
        return 1;
    }

    std::vector<double> gets;
    std::vector<double> sets;
    std::vector<double> alone;
    std::vector<double> watched;
    if (!getRoundTrips(client, gets) || !setAfterEcho(sim, client, sets)) {
        std::fprintf(stderr, "a command went unanswered\n");
        return 1;
    }
    if (!reportToScreen(sim, panel, alone)) {
        std::fprintf(stderr, "the panel did not show a report\n");
        return 1;
    }

    // Eight subscribers, read on a thread of their own as eight programs would; the first
    // client leaves them the eight places.
    if (!client.send("quit\n") || client.status() != "RPRT 0") {
        std::fprintf(stderr, "quit went unanswered\n");
        return 1;
    }
    std::vector<std::unique_ptr<Client>> subscribers;
    for (int i = 0; i < SUBSCRIBERS; ++i) {
        subscribers.push_back(std::make_unique<Client>());
        if (!subscribers.back()->connect() || !subscribers.back()->send("subscribe\n") ||
            subscribers.back()->status() != "RPRT 0") {
            std::fprintf(stderr, "subscriber %d was not taken\n", i);
            return 1;
        }
    }
    std::atomic<bool> reading{true};
    std::atomic<long long> eventBytes{0};
    std::thread reader([&] {
        char bytes[65536];
        while (reading) {
            fd_set set;
            FD_ZERO(&set);
            for (const auto& s : subscribers) {
                FD_SET(s->handle(), &set);
            }
            timeval wait = {0, 10000};
            if (select(0, &set, nullptr, nullptr, &wait) <= 0) {
                continue;
            }
            for (const auto& s : subscribers) {
                if (FD_ISSET(s->handle(), &set)) {
                    const int count = recv(s->handle(), bytes, sizeof bytes, 0);
                    eventBytes += count > 0 ? count : 0;
                }
            }
        }
    });
    const bool shown = reportToScreen(sim, panel, watched);
    reading = false;
    reader.join();
    panel.close();
    if (!shown) {
        std::fprintf(stderr, "the panel did not show a report with subscribers\n");
        return 1;
    }

    print("control get", "from sending get until its RPRT 0 is read, the ten lines included", gets);
    print("control set program after echo",
          "from sending trxsim report 9 N (the echo, trxsim's own echo off) until RPRT 0 of "
          "set program N is read, trxsim's control round trip included",
          sets);
    print("report -> screen, no clients",
          "from trxsim report 9 N until control 1023 reads N, trxsim's report rounds every "
          "100 ms",
          alone);
    print("report -> screen, 8 subscribers", "the same, with eight subscribed clients", watched);
    const trxbench::LatencyFigures a = trxbench::figuresOf(alone);
    const trxbench::LatencyFigures w = trxbench::figuresOf(watched);
    std::printf("subscribers read %lld event bytes\n", eventBytes.load());
    std::printf("control port under Wine: get p99 %.0f us; set program after echo p99 %.0f us; "
                "report -> screen p99 %.0f us without clients, %.0f us with 8 subscribers "
                "(%+.0f us)\n",
                trxbench::figuresOf(gets).p99, trxbench::figuresOf(sets).p99, a.p99, w.p99,
                w.p99 - a.p99);
    return 0;
}
