// Test side of trxsim's control port: one text command per line, one reply line.
#ifndef TRXDESK_SIM_CONTROL_H
#define TRXDESK_SIM_CONTROL_H

#include <cstdint>
#include <string>
#include <vector>

namespace trxtest {

// Integer value of an environment variable set by the test wrapper; 0 when absent.
int environmentNumber(const char* name);

// A benchmark's number of trials: `full`, or `smoke` when TRX_BENCH_SMOKE is set, as in the
// test command, whose smoke run only proves that the benchmark still works.
int benchTrials(int full, int smoke);

class SimControl {
  public:
    SimControl() = default;
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    // Connects to 127.0.0.1:port; false when nothing answers there.
    bool connect(int port);
    // Sends one command and returns the reply line without its line end; empty when the
    // simulator did not answer in time.
    std::string command(const std::string& line);
    // True when the reply to `line` starts with "OK".
    bool ok(const std::string& line);
    // The bytes the simulator received since its last "mark", oldest first (from "log").
    // False when the reply could not be read.
    bool loggedBytes(std::vector<uint8_t>& bytes);
    // Waits (sleeping between polls) until the log holds at least `count` bytes.
    bool waitForLogged(size_t count, std::vector<uint8_t>& bytes, unsigned timeoutMs);

  private:
    uintptr_t socket_ = ~uintptr_t{0};
    std::string pending_;
};

} // namespace trxtest

#endif
