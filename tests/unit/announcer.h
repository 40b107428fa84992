// Plays the engine's side of its announcements for a listener under test: holds the
// registers as the engine would and hands them with each call, so that a story reads as the
// line ran (a report of a value, a loss that clears every value).
#ifndef TRXDESK_TEST_ANNOUNCER_H
#define TRXDESK_TEST_ANNOUNCER_H

#include "protocol/line_listener.h"
#include "protocol/register_mirror.h"

#include <cstdint>

namespace trx::test {

class Announcer {
  public:
    explicit Announcer(LineListener& listener) : listener_(listener) {}

    void linkUp() { listener_.linkUp(registers); }
    void linkLost() {
        registers.reset();
        listener_.linkLost(registers);
    }
    void portReopened() {
        registers.reset();
        listener_.portReopened(registers);
    }
    void resetWhileDown() {
        registers.reset();
        listener_.resetWhileDown(registers);
    }
    // A report of `value`: stored before the call, as the engine stores it.
    void reported(int address, int value) {
        const int previous = registers[address];
        registers[address] = static_cast<uint8_t>(value);
        listener_.reported(address, previous, registers);
    }
    void writeSent(const LineWrite& write) { listener_.writeSent(write, registers); }
    void writeEchoed(const LineWrite& write) { listener_.writeEchoed(write, registers); }
    void echoMissing(const LineWrite& write) { listener_.echoMissing(write, registers); }
    void alarmRaised() { listener_.alarmRaised(registers); }
    void alarmCleared() { listener_.alarmCleared(registers); }

    RegisterMirror registers;

  private:
    LineListener& listener_;
};

} // namespace trx::test

#endif
