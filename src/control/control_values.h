// What the transmitter reported, as the engine's last announcement carried it (the control
// port keeps no copy of the registers and never asks the engine), and the text of each `get`
// value.
#ifndef TRXDESK_CONTROL_VALUES_RULES_H
#define TRXDESK_CONTROL_VALUES_RULES_H

#include "control/control_reply_text.h"
#include "protocol/register_mirror.h"

#include <cstddef>
#include <cstdint>

namespace trx {

// Room for the longest value: the mode text "F1:170Hz, KA: undefiniert, KB: undefiniert".
constexpr size_t CONTROL_VALUE_SIZE = 64;

class ControlValues {
  public:
    // Each takes the registers an announcement carried.
    void linkUp(const RegisterMirror& registers);
    // Every value is unreported again.
    void linkLost(const RegisterMirror& registers);
    // A report of `address`, at `nowMs`.
    void reported(int address, const RegisterMirror& registers, uint64_t nowMs);

    bool linkIsUp() const { return linkUp_; }
    const RegisterMirror& registers() const { return *registers_; }

    // The value's text while the link is up, CONTROL_UNKNOWN until it is reported; the
    // report age counts from the last report at `nowMs`.
    void format(ControlKey key, uint64_t nowMs, char* text, size_t size) const;

    // The frequency in hertz; false while a digit is unreported or holds no digit.
    bool frequencyHertz(uint32_t& hertz) const;
    // Milliseconds since the last report; false when none came since the link came up.
    bool reportAge(uint64_t nowMs, uint64_t& ageMs) const;

  private:
    bool linkUp_ = false;
    bool anyReport_ = false;
    uint64_t lastReportMs_ = 0;
    const RegisterMirror* registers_ = &unreported_;
    RegisterMirror unreported_; // until the first announcement
};

} // namespace trx

#endif
