// The transmitter's vocabulary, defined once for every part of the program: the registers'
// ranges, the names of the operating states, lamps, emission modes and channel procedures
// (German for the operator, words for the control port), and the frequency as digits, hertz,
// display text and typed text.
#ifndef TRXDESK_TRANSMITTER_VOCABULARY_H
#define TRXDESK_TRANSMITTER_VOCABULARY_H

#include "protocol/wire_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trx {

// Declared here so that the mirror's header can carry the vocabulary to its users.
struct RegisterMirror;
enum class Refusal : uint8_t;

// Register ranges.
constexpr int ANTENNA_COUNT = 4;
constexpr int HIGHEST_ANTENNA = ANTENNA_COUNT - 1;
constexpr int PROGRAM_COUNT = 16;
constexpr int HIGHEST_PROGRAM = PROGRAM_COUNT - 1;
constexpr int POWER_LEVEL_MAX = 7; // all three bits of the power register
constexpr int STATE_COUNT = STATE_P1000 - STATE_STANDBY + 1;

// Standby's name: the panel's, the journal's and the plan file's.
constexpr char STANDBY_NAME[] = "Bereit";

// The operating states, one row each, by operating state - 1.
struct OperatingStateName {
    const char* german; // the panel's and the journal's name
    const char* word;   // the control port's word
};
extern const OperatingStateName operatingStateNames[STATE_COUNT];

bool isOperatingState(int value);
// The row of an operating state; nullptr for any other value.
const OperatingStateName* operatingStateName(int state);

// The power stages as a station writes them (the plan file's "Betrieb" column, the plan's
// status line): the watts of 100, 250 and 1000, and standby.
struct PowerStageName {
    const char* text;
    int state;
};
constexpr int POWER_STAGE_COUNT = 4;
extern const PowerStageName powerStageNames[POWER_STAGE_COUNT];

// Why the engine refused an operation (protocol.h): the control port's reason word and the
// German words of the journal and the plan's failures. Refusal::None has empty texts.
struct RefusalName {
    const char* word;
    const char* german;
};
const RefusalName& refusalName(Refusal refusal);
// The row whose word is `word`; nullptr for a reason of the control port's own.
const RefusalName* refusalNamed(std::string_view word);

// The status lamps, by status-register bit 0..3, as the help names them.
constexpr int LAMP_COUNT = 4;
extern const char* const lampNames[LAMP_COUNT];

// Emission modes by register-10 code and channel procedures by register-11/12 code.
constexpr int MODE_NAME_COUNT = 17;   // index 16: any code above 15
constexpr int CHANNEL_NAME_COUNT = 8; // index 7: any code out of range
constexpr int CHANNEL_A_MAX = 6;
constexpr int CHANNEL_B_MAX = 4;

extern const char* const modeNames[MODE_NAME_COUNT];
extern const char* const channelNames[CHANNEL_NAME_COUNT];

// Display names with the out-of-range rules applied.
const char* modeName(int code);
const char* channelAName(int code);
const char* channelBName(int code);

// The status bar's mode line: "J3, KA: mit Dyn., KB: unbenutzt".
void formatModeText(const RegisterMirror& mirror, char* text, std::size_t size);

// Registers 1..7 hold the frequency digits, 10 MHz down to 10 Hz.
constexpr int FREQUENCY_DIGIT_COUNT = 7;
// The place of each digit register, 10 MHz down to 10 Hz.
extern const char* const frequencyDigitPlaces[FREQUENCY_DIGIT_COUNT];
// A digit register written with this holds no frequency.
constexpr int NO_DIGIT = 15;

constexpr double FREQUENCY_MIN_MHZ = 1.5;
constexpr double FREQUENCY_MAX_MHZ = 29.99999; // the double nearest to it

// The frequency display before any digit is reported: two digits, a comma, five digits.
constexpr char FREQUENCY_UNKNOWN[] = "__,_____";
constexpr int FREQUENCY_TEXT_SIZE = sizeof FREQUENCY_UNKNOWN;

// The frequency as the display shows it ("07,12345"), each digit register that holds no
// digit (10 and above, unreported included) shown as `unknown`. Cut to `size`.
void formatFrequency(const RegisterMirror& mirror, char unknown, char* text, std::size_t size);

// The frequency dialog's text when it opens: "??,?????" with each reported digit filled in.
void formatMirrorFrequency(const RegisterMirror& mirror, char* text, size_t size);

// The frequency in hertz; false when a digit register holds no digit.
bool frequencyHertz(const RegisterMirror& mirror, uint32_t& hertz);

// A frequency's digits as a station writes it: "9,50000" (no leading zero).
void formatFrequencyDigits(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, char* text,
                           size_t size);

// The control port's form of a frequency in hertz: megahertz with five decimals ("7.12345").
void formatMegahertz(uint32_t hertz, char* text, size_t size);

// The decimal number at the start of text, its first comma taken as the decimal point;
// anything after the number is ignored and text without one reads as 0. Only decimal
// numbers count, so "inf", "nan" and "0x10" read as 0; overflow reads as an infinity.
double readFrequencyText(const char* text);

struct FrequencyEntry {
    enum Kind { Zero, OutOfRange, Digits } kind;
    std::array<int, FREQUENCY_DIGIT_COUNT> digits; // registers 1..7, only for Digits
};

// What a typed frequency asks for: zero, outside 1.5..29.99999 MHz, or the digits to send.
FrequencyEntry readFrequencyEntry(const char* text);

// The digits of a frequency in range, rounded to 10 Hz from its 17 significant digits.
std::array<int, FREQUENCY_DIGIT_COUNT> frequencyDigits(double megahertz);

} // namespace trx

#endif
