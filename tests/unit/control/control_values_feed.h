// Feeds the control port's values as the engine's announcements would: the registers after
// each report, cleared by a loss.
#ifndef TRXDESK_TEST_CONTROL_VALUES_FEED_H
#define TRXDESK_TEST_CONTROL_VALUES_FEED_H

#include "control/control_values.h"

namespace trx::test {

struct ValuesFeed {
    explicit ValuesFeed(ControlValues& fed) : values(fed) {}
    void linkUp() { values.linkUp(registers); }
    void linkLost() {
        registers.reset();
        values.linkLost(registers);
    }
    void reported(int address, int value, uint64_t nowMs) {
        registers[address] = static_cast<uint8_t>(value);
        values.reported(address, registers, nowMs);
    }

    ControlValues& values;
    RegisterMirror registers;
};

} // namespace trx::test

#endif
