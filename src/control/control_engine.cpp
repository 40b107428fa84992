#include "control/control_engine.h"

#include "control/control_command_table.h"

namespace trx {

ControlOutcome controlOutcome(const CommandResult& result) {
    const char* reason = refusalName(result.refusal).word;
    switch (result.refusal) {
    case Refusal::None:
        return {CONTROL_OK, "", result.lastWrite};
    case Refusal::NoPort:
        return {CONTROL_NO_LINK, reason, 0};
    case Refusal::QueueFull:
        return {CONTROL_BUSY, reason, 0};
    case Refusal::NotStandby:
    case Refusal::NotTuned:
        return {CONTROL_NOT_NOW, reason, 0};
    case Refusal::OutOfRange:
        return {CONTROL_BAD_INPUT, reason, 0};
    }
    return {CONTROL_BAD_INPUT, CONTROL_BAD_COMMAND, 0};
}

// The row's own operation: a value out of range is refused there, as for the operator.
ControlOutcome ProtocolControlEngine::execute(const ControlCommand& command,
                                              const CommandSource& source) {
    const ControlCommandRow* row = controlCommandRow(command.verb);
    if (row == nullptr || row->operation == nullptr) {
        return {CONTROL_BAD_INPUT, CONTROL_BAD_COMMAND, 0};
    }
    return controlOutcome(row->operation(protocol_, command, source));
}

} // namespace trx
