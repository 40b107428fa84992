#include "options.h"

#include "control_command.h"

#include <charconv>
#include <string_view>

namespace trxsim {

const char USAGE[] = R"(Usage: trxsim [options]

Simulates the transmitter on a pseudo-terminal. Prints "PTY <slave path>" and, with a
control port, "CONTROL <port>" on standard output, then serves the line until "quit",
SIGINT, SIGTERM or SIGHUP.

Options:
  --link PATH             also make PATH a symlink to the pty, e.g.
                          $WINEPREFIX/dosdevices/com5 (a link there is replaced; removed
                          at the end if it still points to the pty)
  --control-port N        control commands on 127.0.0.1:N, several clients at once;
                          0 picks a free port
  --stdin, --no-stdin     control commands on standard input, replies on standard output
                          (default: when stdin is a pipe, socket or file). Its end ends
                          trxsim unless a control port is open
  --baud N                pace the output like a line of N bit/s, 12 bits a byte
                          (8 data, even parity, 2 stop); 0 = unpaced (default)
  --tune-ms N             duration of a tune (default 2000)
  --report-interval-ms N  own report round every N ms (default 500, at most 1000;
                          0 = none, for tests only: the program then drops the link)
  --pidfile PATH          write the process id there (removed at the end)
  --refuse-frequency MHZ  a frequency this transmitter cannot take (see refuse-frequency)
  --endless-tune          every tune runs forever (see endless-tune)
  --help                  this text

Line: each byte is one register write, coded as the program codes it. Every byte is
echoed unchanged; then each register that differs from what the echo claims is reported
(a refused write, a lamp or power level that changed). The refresh request 0x0F is
answered with register 15, then registers 0..15. Each own round reports register 15 and
two more registers in turn. While more than 64 bytes wait unread on the pty (no one
listening) own reports are held back; output beyond 64 KiB unwritten is dropped.

Model (register: meaning [start value]); values out of range are refused:
  0 antenna 0..3 [1]          1..7 frequency digits 0..9, 10 MHz..10 Hz [07,12345 MHz]
  8 operating state [1]       9 program [0]   10 emission mode [2 = J3]
  11 channel A 0..6 [1]       12 channel B 0..4 [0]   13 stored, means nothing [0]
  14 power level 0..7 [0], read only
  15 status [0], read only: bit 0 green tuned, bit 1 yellow tuning, bit 2 yellow power
     moving, bit 3 red alarm
  State 1 standby: power 0, a running tune stops. 2 tune: bit 0 off, bit 1 on for the tune time,
  then bit 0 on and state 3, or the stage 3..6 written meanwhile. 3..6 (no power, 100 W,
  250 W, 1000 W) only while bit 0 is on, else refused; the power level moves one step
  per 250 ms to 0, 3, 5 or 7, with bit 2 on until it gets there. A changed frequency
  digit clears bit 0 and falls back to standby.

Control (one command a line; replies "OK ..." or "ERR <reason>"):
  ping               OK
  report REG VAL     put a report of REG with VAL on the line (model unchanged)
  set REG VAL        store VAL in REG silently, without consequences
  alarm on|off       raise or clear status bit 3 and report register 15
  silent on|off      send nothing of its own (no echoes, no reports); still receives
  echo on|off        stop or restart echoing (a write is then not reported back at
                     once either); own reports and refresh answers go on
  parity             send the parity-error byte 0x30
  flood N            send N reports (N <= 1000000) as fast as the pty takes them: OK N
  flooded            once the last flood's last byte is on the line: OK <ms from its
                     first byte to its last>; before that ERR and how much is to go
  hangup             close the pty: the program's port loses the line; the link
                     dangles until reopen
  reopen             new pty, link made again, PTY line printed: OK <slave path>
  dump               OK and the 16 register values in decimal
  mark               start a new receive log
  log                OK <count> and per byte <ms since mark>:<hex>:<register>:<value>
                     (the first 100000 bytes since the mark)
  tune-time MS       set the tune duration (slow tuning: up to 600000 ms)
  refuse-frequency MHZ|off
                     the digit write that would make this frequency is refused: echoed,
                     then the kept digit reported back; off takes every frequency again
  endless-tune on|off
                     a tune begun while on never ends: bit 1 stays on, bit 0 off, and a
                     stage written meanwhile is reported back as state 2 (tune); never a
                     power stage
  quit               OK, then end
report, parity and flood go out even when silent, and answer ERR while hung up.
)";

namespace {

bool readNumber(std::string_view text, int low, int high, int& out) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || ec != std::errc() || ptr != end || value < low ||
        value > high) {
        return false;
    }
    out = value;
    return true;
}

struct NumberOption {
    std::string_view name;
    int Options::*field;
    int low;
    int high;
};

constexpr NumberOption NUMBER_OPTIONS[] = {
    {"--control-port", &Options::controlPort, 0, 65535},
    {"--baud", &Options::baud, 0, MAX_BAUD},
    {"--tune-ms", &Options::tuneMs, 0, MAX_TUNE_MS},
    {"--report-interval-ms", &Options::reportIntervalMs, 0, MAX_REPORT_INTERVAL_MS},
};

} // namespace

bool parseOptions(int argc, const char* const argv[], Options& options, std::string& error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasValue = false;
        if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg == "--help" || arg == "-h" || arg == "--stdin" || arg == "--no-stdin" ||
            arg == "--endless-tune") {
            if (hasValue) {
                error = std::string(arg) + " takes no value";
                return false;
            }
            if (arg == "--stdin" || arg == "--no-stdin") {
                o.stdinControl = arg == "--stdin" ? StdinControl::On : StdinControl::Off;
            } else if (arg == "--endless-tune") {
                o.endlessTune = true;
            } else {
                o.help = true;
            }
            continue;
        }
        const NumberOption* number = nullptr;
        for (const NumberOption& n : NUMBER_OPTIONS) {
            if (n.name == arg) {
                number = &n;
            }
        }
        const bool text = arg == "--link" || arg == "--pidfile" || arg == "--refuse-frequency";
        if (number == nullptr && !text) {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (arg == "--refuse-frequency") {
            FrequencyDigits digits{};
            if (!readFrequencyWord(value, digits)) {
                error = "--refuse-frequency takes a frequency 1.5..29.99999 (MHz)";
                return false;
            }
            o.refusedFrequency = digits;
        } else if (number == nullptr) {
            if (value.empty()) {
                error = std::string(arg) + " needs a path";
                return false;
            }
            (arg == "--link" ? o.link : o.pidfile) = value;
        } else if (!readNumber(value, number->low, number->high, o.*(number->field))) {
            error = std::string(arg) + " takes a number " + std::to_string(number->low) + ".." +
                    std::to_string(number->high);
            return false;
        }
    }
    options = o;
    return true;
}

} // namespace trxsim
