// The program's copy of the sixteen transmitter registers and their display names.
#ifndef TRXDESK_REGISTER_MIRROR_H
#define TRXDESK_REGISTER_MIRROR_H

#include "wire_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace trx {

// Each byte is the last reported value, or NOT_REPORTED since the last reset.
// Only the report handling stores into it; commands never do.
struct RegisterMirror {
    std::array<uint8_t, REGISTER_COUNT> bytes;

    RegisterMirror() { reset(); }
    void reset() { bytes.fill(NOT_REPORTED); }
    uint8_t operator[](int address) const { return bytes[static_cast<std::size_t>(address)]; }
    uint8_t& operator[](int address) { return bytes[static_cast<std::size_t>(address)]; }
};

// Registers 1..7 hold the frequency digits, 10 MHz down to 10 Hz.
constexpr int FREQUENCY_DIGIT_COUNT = 7;

constexpr int MODE_NAME_COUNT = 17;   // index 16: any code above 15
constexpr int CHANNEL_NAME_COUNT = 8; // index 7: any code out of range
constexpr int CHANNEL_A_MAX = 6;
constexpr int CHANNEL_B_MAX = 4;

extern const char* const modeNames[MODE_NAME_COUNT];
extern const char* const channelNames[CHANNEL_NAME_COUNT];

// The frequency display before any digit is reported: two digits, a comma, five digits.
constexpr char FREQUENCY_UNKNOWN[] = "__,_____";
constexpr int FREQUENCY_TEXT_SIZE = sizeof FREQUENCY_UNKNOWN;

// The frequency as the display shows it ("07,12345"), each digit register that holds no
// digit (10 and above, unreported included) shown as `unknown`. Cut to `size`.
void formatFrequency(const RegisterMirror& mirror, char unknown, char* text, std::size_t size);

// The status bar's mode line: "J3, KA: mit Dyn., KB: unbenutzt".
void formatModeText(const RegisterMirror& mirror, char* text, std::size_t size);

// Display names with the out-of-range rules applied.
const char* modeName(int code);
const char* channelAName(int code);
const char* channelBName(int code);

} // namespace trx

#endif
