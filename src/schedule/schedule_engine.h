// The engine's operations that the schedule uses, and nothing else: the same operations as
// the operator's, with their conditions inside them. The protocol engine is the one real
// implementation; the tests record the calls.
#ifndef TRXDESK_SCHEDULE_ENGINE_RULES_H
#define TRXDESK_SCHEDULE_ENGINE_RULES_H

#include "protocol/mode_presets.h"
#include "protocol/protocol.h"

#include <array>

namespace trx {

class ScheduleEngine {
  public:
    virtual ~ScheduleEngine() = default;

    virtual CommandResult requestStandby(const CommandSource& source) = 0;
    // Standby and the digits; `tuneTo` 0: no tune.
    virtual CommandResult enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits,
                                         int tuneTo, const CommandSource& source) = 0;
    virtual CommandResult sendPreset(int index, const CommandSource& source) = 0;
    virtual CommandResult selectProgram(int program, const CommandSource& source) = 0;
    virtual CommandResult selectAntenna(int antenna, const CommandSource& source) = 0;
    virtual CommandResult requestState(int operatingState, const CommandSource& source) = 0;

    virtual bool linkAlive() const = 0;
    virtual const RegisterMirror& mirror() const = 0;
    // The registers a preset writes, as the operator configured it.
    virtual std::array<RegisterWrite, 3> presetRegisters(int index) const = 0;
};

class ProtocolScheduleEngine final : public ScheduleEngine {
  public:
    // Both must outlive this.
    ProtocolScheduleEngine(Protocol& protocol, const Settings& settings)
        : protocol_(protocol), settings_(settings) {}

    CommandResult requestStandby(const CommandSource& source) override {
        return protocol_.requestStandby(source);
    }
    CommandResult enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, int tuneTo,
                                 const CommandSource& source) override {
        return protocol_.enterFrequency(digits, tuneTo, source);
    }
    CommandResult sendPreset(int index, const CommandSource& source) override {
        return protocol_.sendPreset(index, source);
    }
    CommandResult selectProgram(int program, const CommandSource& source) override {
        return protocol_.selectProgram(program, source);
    }
    CommandResult selectAntenna(int antenna, const CommandSource& source) override {
        return protocol_.selectAntenna(antenna, source);
    }
    CommandResult requestState(int operatingState, const CommandSource& source) override {
        return protocol_.requestState(operatingState, source);
    }
    bool linkAlive() const override { return protocol_.linkAlive(); }
    const RegisterMirror& mirror() const override { return protocol_.mirror(); }
    std::array<RegisterWrite, 3> presetRegisters(int index) const override {
        return presetWrites(settings_.presets[static_cast<size_t>(index)]);
    }

  private:
    Protocol& protocol_;
    const Settings& settings_;
};

} // namespace trx

#endif
