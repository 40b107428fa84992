#include "control/control_subscription.h"

namespace trx {

void ControlSubscription::appendLink(std::string& out, bool up) {
    appendEventLine(out, controlKeyName(ControlKey::Link), up ? "up" : "down");
}

// Values as events carry no age: the report age would change with every line.
void ControlSubscription::appendChanges(std::string& out, const ControlValues& values,
                                        ControlKey first, ControlKey last) {
    char value[CONTROL_VALUE_SIZE];
    for (int k = static_cast<int>(first); k <= static_cast<int>(last); ++k) {
        const auto key = static_cast<ControlKey>(k);
        values.format(key, 0, value, sizeof value);
        std::string& shown = shown_[static_cast<size_t>(k)];
        if (shown != value) {
            shown = value;
            appendEventLine(out, controlKeyName(key), value);
        }
    }
}

void ControlSubscription::forget() {
    shown_.fill(CONTROL_UNKNOWN);
}

bool ControlSubscription::keysOfRegister(int address, ControlKey& first, ControlKey& last) {
    switch (address) {
    case Antenna:
        first = last = ControlKey::Antenna;
        return true;
    case OperatingState:
        first = last = ControlKey::State;
        return true;
    case ProgramNumber:
        first = last = ControlKey::Program;
        return true;
    case EmissionMode:
    case ChannelA:
    case ChannelB:
        first = last = ControlKey::Mode;
        return true;
    case PowerLevel:
        first = last = ControlKey::Power;
        return true;
    case StatusRegister:
        first = ControlKey::Tuned;
        last = ControlKey::Alarm;
        return true;
    default:
        if (address >= FrequencyDigit1 && address <= FrequencyDigit7) {
            first = last = ControlKey::Frequency;
            return true;
        }
        return false;
    }
}

} // namespace trx
