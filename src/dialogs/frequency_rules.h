// What the frequency dialog shows when it opens and what its OK button makes of the text:
// the zero path, a refusal, or the seven frequency digits for registers 1..7.
#ifndef TRXDESK_FREQUENCY_RULES_H
#define TRXDESK_FREQUENCY_RULES_H

#include "register_mirror.h"

#include <array>
#include <cstddef>

namespace trx {

constexpr double FREQUENCY_MIN_MHZ = 1.5;
constexpr double FREQUENCY_MAX_MHZ = 29.99999; // the double nearest to it

// The edit box's text when the dialog opens: "??,?????" with each reported digit filled in.
void formatMirrorFrequency(const RegisterMirror& mirror, char* text, size_t size);

// The decimal number at the start of text, its first comma taken as the decimal point;
// anything after the number is ignored and text without one reads as 0. Only decimal
// numbers count, so "inf", "nan" and "0x10" read as 0; overflow reads as an infinity.
double readFrequencyText(const char* text);

struct FrequencyEntry {
    enum Kind { Zero, OutOfRange, Digits } kind;
    std::array<int, FREQUENCY_DIGIT_COUNT> digits; // registers 1..7, only for Digits
};

// What OK does with the text: zero, outside 1.5..29.99999 MHz, or the digits to send.
FrequencyEntry readFrequencyEntry(const char* text);

// The digits of a frequency in range, rounded to 10 Hz from its 17 significant digits.
std::array<int, FREQUENCY_DIGIT_COUNT> frequencyDigits(double megahertz);

} // namespace trx

#endif
