// The control port's commands, one row each: its words, its argument, who may give it and
// when, its line of `help`, and what runs it. The parser, `help`, the lock and the dispatch
// all read this table, so a new command is one new row.
#ifndef TRXDESK_CONTROL_COMMAND_TABLE_H
#define TRXDESK_CONTROL_COMMAND_TABLE_H

#include "control/control_command_rules.h"
#include "protocol/protocol.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace trx {

// What follows a command's words.
enum class ControlArgument : uint8_t {
    None,         // nothing
    Key,          // a key of `get`, or none for all of them
    Frequency,    // megahertz as the panel's frequency entry reads them
    StateWord,    // standby, tune, nopower, 100, 250, 1000
    Number,       // digits only; the engine operation judges the range
    Password,     // the rest of the line, blanks and all
    ScheduleWord, // on, off, now, reload
};

// The season schedule's commands, by `number` of a ScheduleWord.
enum ScheduleCommand : int { ScheduleOn, ScheduleOff, ScheduleNow, ScheduleReload };
constexpr const char* SCHEDULE_WORDS[] = {"on", "off", "now", "reload"};

// What a command does once it passes its row's gates.
enum class ControlAction : uint8_t {
    Engine, // its engine operation, which puts something on the line
    Values,
    Info, // which transmitter: title, port, rate, version, journal
    Subscribe,
    Unsubscribe,
    Lock,
    Unlock,
    Auth,
    Help,
    Quit,
    ScheduleValues, // `get schedule`
    ScheduleSwitch, // `schedule on|off|now|reload`: a write, as far as lock and journal go
};

// An engine operation, the same one the operator's click calls.
using ControlOperation = CommandResult (*)(Protocol& protocol, const ControlCommand& command,
                                           const CommandSource& source);

struct ControlCommandRow {
    ControlVerb verb;
    std::string_view words; // one or two words, lower case, one blank between them
    ControlArgument argument;
    ControlAction action;
    bool needsAuth;             // from another computer, only after `auth`
    bool obeysLock;             // refused while another client holds the lock
    const char* help;           // its line of `help`; nullptr: on the line of the row before
    ControlOperation operation; // for ControlAction::Engine
    // It puts something on the line, and so needs the link.
    constexpr bool writes() const {
        return action == ControlAction::Engine || action == ControlAction::ScheduleSwitch;
    }
    // It needs the password that switches: it writes, or its lock keeps others from writing.
    constexpr bool switches() const {
        return writes() || action == ControlAction::Lock || action == ControlAction::Unlock;
    }
};

std::span<const ControlCommandRow> controlCommands();

// The row of `verb`; nullptr for Empty and Invalid.
const ControlCommandRow* controlCommandRow(ControlVerb verb);

// The reply to `help`: one line for each row that has one, then the status line.
void appendControlHelp(std::string& out);

} // namespace trx

#endif
