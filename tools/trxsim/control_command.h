// The control protocol: one command a line, one reply a line ("OK ..." or "ERR <reason>").
// This file only reads the lines; the front end carries the commands out.
#ifndef TRXSIM_CONTROL_COMMAND_H
#define TRXSIM_CONTROL_COMMAND_H

#include "protocol/transmitter_vocabulary.h"

#include <array>
#include <string>
#include <string_view>

namespace trxsim {

constexpr int MAX_FLOOD = 1000000;
constexpr int MAX_TUNE_MS = 600000;
// Longer control lines are refused unread.
constexpr size_t MAX_CONTROL_LINE = 1024;

enum class Command {
    Ping,
    Report, // reg, value
    Set,    // reg, value
    Alarm,  // on
    Silent, // on
    Echo,   // on
    Parity,
    Flood, // count
    Flooded,
    Hangup,
    Reopen,
    Dump,
    Mark,
    Log,
    TuneTime,        // count (milliseconds)
    RefuseFrequency, // on, digits
    EndlessTune,     // on
    Quit,
};

struct ControlCommand {
    Command command = Command::Ping;
    int reg = 0;
    int value = 0;
    bool on = false;
    int count = 0;
    std::array<int, trx::FREQUENCY_DIGIT_COUNT> digits{}; // registers 1..7
};

enum class ParseResult {
    Parsed,
    Blank, // nothing to do and nothing to answer
    Malformed,
};

// A frequency in MHz ("9.5", "9,5") within the transmitter's range as its seven digits.
bool readFrequencyWord(std::string_view word, std::array<int, trx::FREQUENCY_DIGIT_COUNT>& digits);

// Reads one line (without its newline; a trailing CR is ignored). When Malformed, `error`
// holds the reply, "ERR <reason>".
ParseResult parseCommand(std::string_view line, ControlCommand& command, std::string& error);

} // namespace trxsim

#endif
