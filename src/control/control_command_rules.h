// One line from a control-port client read into a command: case-insensitive words
// separated by blanks, as the command table lists them. Pure text handling; what a command
// does is the table's and the session's business.
#ifndef TRXDESK_CONTROL_COMMAND_RULES_H
#define TRXDESK_CONTROL_COMMAND_RULES_H

#include "control/control_reply_text.h"
#include "protocol/register_mirror.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace trx {

// Longest line a client may send, without its line end.
constexpr size_t CONTROL_LINE_LIMIT = 256;

enum class ControlVerb {
    Empty, // a blank line: no reply
    Invalid,
    Get,
    GetSchedule,
    Info,
    SetFrequency,
    SetState,
    SetProgram,
    SetAntenna,
    Preset,
    Refresh,
    Subscribe,
    Unsubscribe,
    Lock,
    Unlock,
    Auth,
    Help,
    Quit,
    Schedule,
};

struct ControlCommand {
    ControlVerb verb = ControlVerb::Empty;
    bool allKeys = true;               // Get without a key
    ControlKey key = ControlKey::Link; // Get with a key
    int number = 0;                    // state 1..6, program, antenna or preset index, ScheduleWord
    std::array<int, FREQUENCY_DIGIT_COUNT> digits{}; // SetFrequency: registers 1..7
    std::string_view text; // Auth: the password as sent; Invalid: the reason
    int code = CONTROL_OK; // Invalid: the status code
};

// `line` without its line end. The command may point into `line`. A number is read whatever
// its size (one too large for an int as the largest int): its range is the engine's to judge.
ControlCommand parseControlLine(std::string_view line);

} // namespace trx

#endif
