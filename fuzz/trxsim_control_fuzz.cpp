// The simulator's control language and line without the pty: control lines go through the
// parser and, where they touch the model or the receive log, into them; line traffic goes
// into the model with time passing. Replies and everything the model sends are checked, and
// the registers stay in the ranges that --help promises.
#include "control_command.h"
#include "receive_log.h"
#include "transmitter_model.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace trxsim;

struct Range {
    int low;
    int high;
};

// Per register, as --help describes the model: antenna, seven frequency digits, operating
// state, program, mode, channel A, channel B, register 13, power level, status.
constexpr Range REGISTER_RANGE[trx::REGISTER_COUNT] = {
    {0, 3}, {0, 9},  {0, 9},  {0, 9}, {0, 9}, {0, 9},  {0, 9}, {0, 9},
    {1, 6}, {0, 15}, {0, 15}, {0, 6}, {0, 4}, {0, 15}, {0, 7}, {0, 15}};

// Input is control lines ending in '\n'. A line starting with this byte is line traffic
// instead: a count, a pause in TRAFFIC_STEP_MS units after each byte, then that many bytes.
constexpr uint8_t TRAFFIC = 0;
constexpr int64_t TRAFFIC_STEP_MS = 16;
constexpr size_t TRAFFIC_HEADER = 3;
constexpr char OK_REPLY[] = "OK ";
constexpr char ERROR_REPLY[] = "ERR ";
constexpr uint8_t REPORT_SIZE = 1 + trx::REGISTER_COUNT; // status first, then all registers

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// A reply is one line of printable text.
bool isOneLine(const std::string& reply) {
    for (char c : reply) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

bool isBlank(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

class Simulator {
  public:
    // False once "quit" was carried out: the front end handles nothing after it.
    bool control(std::string_view line);
    void traffic(const uint8_t* bytes, size_t count, int64_t stepMs);

  private:
    void checkRegisters() const;
    void checkSent(const Bytes& out, size_t from) const;
    void carryOut(const ControlCommand& c);

    TransmitterModel model_{0};
    ReceiveLog log_{0};
    size_t logged_ = 0;
    int64_t nowMs_ = 0;
    bool echo_ = true;
    bool silent_ = false;
};

void Simulator::checkRegisters() const {
    for (int r = 0; r < trx::REGISTER_COUNT; ++r) {
        check(model_.value(r) >= REGISTER_RANGE[r].low && model_.value(r) <= REGISTER_RANGE[r].high,
              "register outside its documented range");
    }
}

// Everything the model sends from `from` on reports a register's present value.
void Simulator::checkSent(const Bytes& out, size_t from) const {
    check(!silent_ || out.empty(), "sent while silent");
    for (size_t i = from; i < out.size(); ++i) {
        const trx::RegisterWrite w = trx::decodeByte(out[i]);
        check(w.value == model_.value(w.address), "report of a value the register does not hold");
    }
}

void Simulator::traffic(const uint8_t* bytes, size_t count, int64_t stepMs) {
    for (size_t i = 0; i < count; ++i) {
        Bytes out;
        log_.add(bytes[i], nowMs_);
        logged_ += logged_ < ReceiveLog::CAPACITY ? 1 : 0;
        model_.receive(bytes[i], nowMs_, out);
        if (silent_) {
            check(out.empty(), "answered while silent");
        } else if (bytes[i] == trx::REFRESH_REQUEST) {
            check(out.size() == REPORT_SIZE, "refresh not answered with 17 reports");
            for (size_t k = 0; k < REPORT_SIZE; ++k) {
                const int expected = k == 0 ? trx::StatusRegister : static_cast<int>(k) - 1;
                check(trx::decodeByte(out[k]).address == expected,
                      "refresh not answered with status, then registers 0..15");
            }
            checkSent(out, 0);
        } else if (echo_) {
            check(!out.empty() && out[0] == bytes[i], "write not echoed first");
            checkSent(out, 1);
        } else {
            checkSent(out, 0);
        }
        checkRegisters();

        nowMs_ += stepMs;
        out.clear();
        model_.advance(nowMs_, out);
        checkSent(out, 0);
        checkRegisters();
    }
}

void Simulator::carryOut(const ControlCommand& c) {
    switch (c.command) {
    case Command::Set:
        // "set" stores anything by design, for faking a broken transmitter; only values in
        // range go on, so that what is checked is what the model does by itself.
        if (c.value >= REGISTER_RANGE[c.reg].low && c.value <= REGISTER_RANGE[c.reg].high) {
            model_.setRegister(c.reg, c.value);
        }
        break;
    case Command::Alarm: {
        Bytes out;
        model_.setAlarm(c.on, out);
        check(((model_.value(trx::StatusRegister) & STATUS_ALARM) != 0) == c.on,
              "alarm bit not as commanded");
        check(silent_ || out.size() == 1, "alarm change not reported");
        checkSent(out, 0);
        break;
    }
    case Command::Silent:
        silent_ = c.on;
        model_.setSilent(c.on);
        break;
    case Command::Echo:
        echo_ = c.on;
        model_.setEcho(c.on);
        break;
    case Command::TuneTime:
        model_.setTuneMs(c.count);
        break;
    case Command::Mark:
        log_.mark(nowMs_);
        logged_ = 0;
        break;
    case Command::Log: {
        const std::string reply = log_.reply();
        const std::string count = OK_REPLY + std::to_string(logged_);
        check(reply.starts_with(count) &&
                  (reply.size() == count.size() || reply[count.size()] == ' '),
              "log reply is not OK and the count of bytes since the mark");
        check(isOneLine(reply), "log reply is not one line");
        break;
    }
    default:
        break; // the pty's business: report, parity, flood, hangup, reopen
    }
}

bool Simulator::control(std::string_view line) {
    if (line.size() > MAX_CONTROL_LINE) {
        return true; // the channel refuses it unread
    }
    ControlCommand c;
    std::string error;
    switch (parseCommand(line, c, error)) {
    case ParseResult::Blank:
        check(isBlank(line), "a command taken as a blank line");
        return true;
    case ParseResult::Malformed:
        check(!isBlank(line), "a blank line refused");
        check(error.starts_with(ERROR_REPLY) && isOneLine(error), "refusal is not one ERR line");
        return true;
    case ParseResult::Parsed:
        break;
    }
    check(c.reg >= 0 && c.reg < trx::REGISTER_COUNT && c.value >= 0 && c.value <= 15,
          "register or value outside 0..15");
    check(c.count >= 0 && c.count <= (c.command == Command::Flood ? MAX_FLOOD : MAX_TUNE_MS),
          "count outside its range");
    carryOut(c);
    checkRegisters();
    return c.command != Command::Quit;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Simulator simulator;
    size_t i = 0;
    while (i < size) {
        if (data[i] == TRAFFIC) {
            const size_t count = i + 1 < size ? data[i + 1] : 0;
            const int64_t stepMs = i + 2 < size ? data[i + 2] * TRAFFIC_STEP_MS : 0;
            const size_t begin = std::min(i + TRAFFIC_HEADER, size);
            const size_t end = std::min(begin + count, size);
            simulator.traffic(data + begin, end - begin, stepMs);
            i = end;
            continue;
        }
        const void* newline = std::memchr(data + i, '\n', size - i);
        const size_t end = newline ? static_cast<const uint8_t*>(newline) - data : size;
        if (!simulator.control({reinterpret_cast<const char*>(data + i), end - i})) {
            break;
        }
        i = end + 1;
    }
    return 0;
}
