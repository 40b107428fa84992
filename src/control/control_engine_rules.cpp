#include "control_engine_rules.h"

namespace trx {

namespace {

// No automatic tuning: the frequency alone, as the entry sends it with its box unticked.
constexpr int NO_TUNE = 0;

} // namespace

ControlOutcome controlOutcome(const CommandResult& result) {
    switch (result.refusal) {
    case Refusal::None:
        return {CONTROL_OK, "", result.lastWrite};
    case Refusal::NoPort:
        return {CONTROL_NO_LINK, "no port", 0};
    case Refusal::QueueFull:
        return {CONTROL_BUSY, "queue full", 0};
    case Refusal::NotStandby:
        return {CONTROL_NOT_NOW, "not in standby", 0};
    case Refusal::NotTuned:
        return {CONTROL_NOT_NOW, "not tuned", 0};
    case Refusal::OutOfRange:
        return {CONTROL_BAD_INPUT, "out of range", 0};
    }
    return {CONTROL_BAD_INPUT, "bad command", 0};
}

ControlOutcome ProtocolControlEngine::execute(const ControlCommand& command,
                                              const CommandSource& source) {
    switch (command.verb) {
    case ControlVerb::SetFrequency:
        return controlOutcome(protocol_.enterFrequency(command.digits, NO_TUNE, source));
    case ControlVerb::SetState:
        return controlOutcome(command.number == STATE_STANDBY
                                  ? protocol_.requestStandby(source)
                                  : protocol_.requestState(command.number, source));
    case ControlVerb::SetProgram:
        return controlOutcome(protocol_.selectProgram(command.number, source));
    case ControlVerb::SetAntenna:
        return controlOutcome(protocol_.selectAntenna(command.number, source));
    case ControlVerb::Preset:
        return controlOutcome(protocol_.sendPreset(command.number, source));
    case ControlVerb::Refresh:
        return controlOutcome(protocol_.requestRefresh(source));
    default:
        return {CONTROL_BAD_INPUT, "bad command", 0};
    }
}

} // namespace trx
