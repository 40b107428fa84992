// The clients' commands as the engine's own operations: the same ones the operator's clicks
// use, with the same conditions, and the engine's refusals as the control port's status codes.
#ifndef TRXDESK_CONTROL_ENGINE_RULES_H
#define TRXDESK_CONTROL_ENGINE_RULES_H

#include "control/control_sessions.h"
#include "protocol/line_port.h"
#include "protocol/protocol.h"

namespace trx {

// A refusal of the engine as a status code and its reason.
ControlOutcome controlOutcome(const CommandResult& result);

class ProtocolControlEngine final : public ControlEngine {
  public:
    // Both must outlive this.
    ProtocolControlEngine(Protocol& protocol, const LinePort& line)
        : protocol_(protocol), line_(line) {}

    ControlOutcome execute(const ControlCommand& command, const CommandSource& source) override;
    int serialPortNumber() override { return line_.portNumber(); }

  private:
    Protocol& protocol_;
    const LinePort& line_;
};

} // namespace trx

#endif
