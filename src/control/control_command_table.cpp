#include "control/control_command_table.h"

namespace trx {

namespace {

// No automatic tuning: the frequency alone, as the entry sends it with its box unticked.
constexpr int NO_TUNE = 0;

CommandResult enterFrequency(Protocol& p, const ControlCommand& c, const CommandSource& s) {
    return p.enterFrequency(c.digits, NO_TUNE, s);
}

CommandResult requestState(Protocol& p, const ControlCommand& c, const CommandSource& s) {
    return c.number == STATE_STANDBY ? p.requestStandby(s) : p.requestState(c.number, s);
}

CommandResult selectProgram(Protocol& p, const ControlCommand& c, const CommandSource& s) {
    return p.selectProgram(c.number, s);
}

CommandResult selectAntenna(Protocol& p, const ControlCommand& c, const CommandSource& s) {
    return p.selectAntenna(c.number, s);
}

CommandResult sendPreset(Protocol& p, const ControlCommand& c, const CommandSource& s) {
    return p.sendPreset(c.number, s);
}

CommandResult requestRefresh(Protocol& p, const ControlCommand&, const CommandSource& s) {
    return p.requestRefresh(s);
}

using A = ControlArgument;
using R = ControlAction;
constexpr bool AUTH = true;
constexpr bool ANYONE = false;
constexpr bool LOCKED = true;
constexpr bool FREE = false;

// In the order `help` lists them.
constexpr ControlCommandRow COMMANDS[] = {
    // Before `get`, whose one word would take the line first.
    {ControlVerb::GetSchedule, "get schedule", A::None, R::ScheduleValues, AUTH, FREE,
     "get schedule", nullptr},
    {ControlVerb::Get, "get", A::Key, R::Values, AUTH, FREE,
     "get [link|frequency|state|power|program|antenna|mode|tuned|alarm|report_age_ms]", nullptr},
    {ControlVerb::Info, "info", A::None, R::Info, AUTH, FREE, "info", nullptr},
    {ControlVerb::SetFrequency, "set frequency", A::Frequency, R::Engine, AUTH, LOCKED,
     "set frequency <MHz 1.5-29.99999>", enterFrequency},
    {ControlVerb::SetState, "set state", A::StateWord, R::Engine, AUTH, LOCKED,
     "set state standby|tune|nopower|100|250|1000", requestState},
    {ControlVerb::SetProgram, "set program", A::Number, R::Engine, AUTH, LOCKED,
     "set program <0-15>", selectProgram},
    {ControlVerb::SetAntenna, "set antenna", A::Number, R::Engine, AUTH, LOCKED,
     "set antenna <0-3>", selectAntenna},
    {ControlVerb::Preset, "preset", A::Number, R::Engine, AUTH, LOCKED, "preset <0-3>", sendPreset},
    {ControlVerb::Refresh, "refresh", A::None, R::Engine, AUTH, LOCKED, "refresh", requestRefresh},
    {ControlVerb::Schedule, "schedule", A::ScheduleWord, R::ScheduleSwitch, AUTH, LOCKED,
     "schedule on|off|now|reload", nullptr},
    {ControlVerb::Subscribe, "subscribe", A::None, R::Subscribe, AUTH, FREE,
     "subscribe | unsubscribe", nullptr},
    {ControlVerb::Unsubscribe, "unsubscribe", A::None, R::Unsubscribe, AUTH, FREE, nullptr,
     nullptr},
    {ControlVerb::Lock, "lock", A::None, R::Lock, AUTH, LOCKED, "lock | unlock", nullptr},
    {ControlVerb::Unlock, "unlock", A::None, R::Unlock, AUTH, LOCKED, nullptr, nullptr},
    {ControlVerb::Auth, "auth", A::Password, R::Auth, ANYONE, FREE, "auth <password>", nullptr},
    {ControlVerb::Help, "help", A::None, R::Help, ANYONE, FREE, "help", nullptr},
    {ControlVerb::Quit, "quit", A::None, R::Quit, ANYONE, FREE, "quit", nullptr},
};

} // namespace

std::span<const ControlCommandRow> controlCommands() {
    return COMMANDS;
}

const ControlCommandRow* controlCommandRow(ControlVerb verb) {
    for (const ControlCommandRow& row : COMMANDS) {
        if (row.verb == verb) {
            return &row;
        }
    }
    return nullptr;
}

void appendControlHelp(std::string& out) {
    for (const ControlCommandRow& row : COMMANDS) {
        if (row.help != nullptr) {
            appendHelpLine(out, row.help);
        }
    }
    appendStatusLine(out, CONTROL_OK, {});
}

} // namespace trx
