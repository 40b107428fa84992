// Register map of the transmitter and the coding of one register per line byte.
#ifndef TRXDESK_WIRE_CODEC_H
#define TRXDESK_WIRE_CODEC_H

#include <cstdint>

namespace trx {

// The transmitter is sixteen registers of four bits each.
constexpr int REGISTER_COUNT = 16;

enum Register : int {
    Antenna = 0,
    FrequencyDigit1 = 1, // 10 MHz
    FrequencyDigit2 = 2, // 1 MHz
    FrequencyDigit3 = 3, // 100 kHz
    FrequencyDigit4 = 4, // 10 kHz
    FrequencyDigit5 = 5, // 1 kHz
    FrequencyDigit6 = 6, // 100 Hz
    FrequencyDigit7 = 7, // 10 Hz
    OperatingState = 8,
    ProgramNumber = 9,
    EmissionMode = 10,
    ChannelA = 11,
    ChannelB = 12,
    Register13 = 13,
    PowerLevel = 14,
    StatusRegister = 15,
};

// Operating states of register 8.
enum OperatingStateValue : int {
    STATE_STANDBY = 1,
    STATE_TUNE = 2,
    STATE_NO_POWER = 3,
    STATE_P100 = 4,
    STATE_P250 = 5,
    STATE_P1000 = 6,
};

// Status register bits.
constexpr int STATUS_READY = 0x1;      // green: tuned, power stages unlocked
constexpr int STATUS_LOW_FIELD = 0x3;  // bits 0-1, indicator 1054
constexpr int STATUS_HIGH_FIELD = 0xC; // bits 2-3, indicator 1055
constexpr int STATUS_ALARM = 0x8;      // red lamp

// A mirror byte that holds no report since the last reset.
constexpr uint8_t NOT_REPORTED = 0xFF;

// Write of value 0 to register 15: asks the transmitter for all its registers.
constexpr uint8_t REFRESH_REQUEST = 0x0F;
// What the port stores in place of a byte received with a parity error.
constexpr uint8_t ERROR_CHAR = 0x30;

// Entry n is n with its four bits in reverse order; the table is its own inverse.
extern const uint8_t nibble_reverse[16];

struct RegisterWrite {
    int address; // 0..15
    int value;   // 0..15
};

// Queued form of a write: value in the high nibble, address in the low; wider inputs are cut.
constexpr uint8_t queuedForm(int address, int value) {
    return static_cast<uint8_t>(((value & 0x0F) << 4) | (address & 0x0F));
}

// Queued form to line byte: each nibble bit-reversed in place.
uint8_t encodeByte(uint8_t queued);
// Line byte to register: address from the low nibble, value from the high nibble.
RegisterWrite decodeByte(uint8_t line);

// The line byte that writes `value` into register `address`.
inline uint8_t lineByteFor(int address, int value) {
    return encodeByte(queuedForm(address, value));
}

} // namespace trx

#endif
