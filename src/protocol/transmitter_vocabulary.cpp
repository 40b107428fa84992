#include "protocol/transmitter_vocabulary.h"

#include "protocol/protocol.h"
#include "protocol/register_mirror.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace trx {

const OperatingStateName operatingStateNames[STATE_COUNT] = {
    {STANDBY_NAME, "standby"}, {"Abstimmen", "tune"}, {"keine Leistung", "nopower"},
    {"bis 100W", "100"},       {"bis 250W", "250"},   {"bis 1000W", "1000"},
};

const PowerStageName powerStageNames[POWER_STAGE_COUNT] = {
    {"100", STATE_P100}, {"250", STATE_P250}, {"1000", STATE_P1000}, {STANDBY_NAME, STATE_STANDBY}};

namespace {
// By Refusal.
constexpr RefusalName REFUSAL_NAMES[] = {
    {"", ""},
    {"no port", "keine Schnittstelle"},
    {"queue full", "Warteschlange voll"},
    {"not in standby", "nicht in Standby"},
    {"not tuned", "nicht abgestimmt"},
    {"out of range", "Wert außerhalb des Bereichs"},
};
static_assert(std::size(REFUSAL_NAMES) == static_cast<size_t>(Refusal::OutOfRange) + 1);
} // namespace

const RefusalName& refusalName(Refusal refusal) {
    const auto index = static_cast<size_t>(refusal);
    return REFUSAL_NAMES[index < std::size(REFUSAL_NAMES) ? index : 0];
}

const RefusalName* refusalNamed(std::string_view word) {
    for (const RefusalName& name : REFUSAL_NAMES) {
        if (name.word[0] != '\0' && word == name.word) {
            return &name;
        }
    }
    return nullptr;
}

const char* const frequencyDigitPlaces[FREQUENCY_DIGIT_COUNT] = {
    "10 MHz", "1 MHz", "100 kHz", "10 kHz", "1 kHz", "100 Hz", "10 Hz"};

const char* const lampNames[LAMP_COUNT] = {"grün (Blitz)", "gelb (Welle)", "gelb (Warndreieck)",
                                           "rot (Glocke)"};

const char* const modeNames[MODE_NAME_COUNT] = {
    "R3",       "H3",       "J3",   "J2",  "H2", "A1",      "F1:85Hz", "F1:170Hz", "F1:250Hz",
    "F1:340Hz", "F1:500Hz", "F7BD", "Br8", "B8", "F1:22Hz", "J3C",     "??"};

const char* const channelNames[CHANNEL_NAME_COUNT] = {
    "unbenutzt", "mit Dyn.", "ohne Dyn.", "1000Hz", "WT", "GT", "TT", "undefiniert"};

bool isOperatingState(int value) {
    return value >= STATE_STANDBY && value <= STATE_P1000;
}

const OperatingStateName* operatingStateName(int state) {
    return isOperatingState(state) ? &operatingStateNames[state - STATE_STANDBY] : nullptr;
}

const char* modeName(int code) {
    return modeNames[(code >= 0 && code <= 15) ? code : MODE_NAME_COUNT - 1];
}

const char* channelAName(int code) {
    return channelNames[(code >= 0 && code <= CHANNEL_A_MAX) ? code : CHANNEL_NAME_COUNT - 1];
}

const char* channelBName(int code) {
    return channelNames[(code >= 0 && code <= CHANNEL_B_MAX) ? code : CHANNEL_NAME_COUNT - 1];
}

void formatModeText(const RegisterMirror& mirror, char* text, std::size_t size) {
    snprintf(text, size, "%s, KA: %s, KB: %s", modeName(mirror[EmissionMode]),
             channelAName(mirror[ChannelA]), channelBName(mirror[ChannelB]));
}

namespace {

// Text position of digit registers 1..7; position 2 holds the comma.
constexpr int DIGIT_PLACE[FREQUENCY_DIGIT_COUNT + 1] = {-1, 0, 1, 3, 4, 5, 6, 7};
constexpr uint32_t HERTZ_PER_STEP = 10; // the last digit register counts 10 Hz
constexpr uint32_t HERTZ_PER_MEGAHERTZ = 1000000;

constexpr char UNKNOWN_DIGIT = '?';
constexpr char DECIMAL_POINT = '.';
constexpr char DECIMAL_COMMA = ',';

// Exponents are counted up to this and no further, so no text can overflow the count; it
// still exceeds the length of any text, which keeps the leading digit's power on its side
// of zero when from_chars finds the number out of range.
constexpr long long EXPONENT_LIMIT = 1000000000000000;

// Seventeen significant digits tell every double apart; rounding to 10 Hz from them, not
// from the binary value, is what makes 21.123455 (stored just below) come out as 21.12346.
constexpr int SIGNIFICANT_DIGITS = 17;
constexpr size_t SCIENTIFIC_TEXT_SIZE = 32; // "-d.<16 digits>e-308" with room to spare
constexpr int TOP_POWER = 1;                // register 1 holds the tens of MHz
constexpr int FIRST_DROPPED_POWER = TOP_POWER - FREQUENCY_DIGIT_COUNT;
constexpr int ROUND_UP_FROM = 5;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The C locale's white space, which strtod skips as well.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

size_t skipDigits(std::string_view s, size_t i) {
    while (i < s.size() && isDigit(s[i])) {
        ++i;
    }
    return i;
}

// Where a number ends that has an exponent part at i; an 'e' without digits is not part of it.
size_t scanExponent(std::string_view s, size_t i, long long& exponent) {
    exponent = 0;
    if (i >= s.size() || (s[i] != 'e' && s[i] != 'E')) {
        return i;
    }
    size_t j = i + 1;
    const bool negative = j < s.size() && s[j] == '-';
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) {
        ++j;
    }
    const size_t digits = j;
    for (; j < s.size() && isDigit(s[j]); ++j) {
        if (exponent < EXPONENT_LIMIT) {
            exponent = exponent * 10 + (s[j] - '0');
        }
    }
    if (j == digits) {
        exponent = 0;
        return i;
    }
    if (negative) {
        exponent = -exponent;
    }
    return j;
}

// The power of ten of the leading nonzero digit of a mantissa ("12.5", ".05") that is not zero.
long long leadingPower(std::string_view mantissa, long long exponent) {
    const size_t point = std::min(mantissa.find(DECIMAL_POINT), mantissa.size());
    const size_t first = mantissa.find_first_of("123456789");
    const long long offset = static_cast<long long>(point) - static_cast<long long>(first);
    return exponent + (first < point ? offset - 1 : offset);
}

} // namespace

void formatFrequency(const RegisterMirror& mirror, char unknown, char* text, std::size_t size) {
    char shown[FREQUENCY_TEXT_SIZE];
    for (int i = 0; i < FREQUENCY_TEXT_SIZE - 1; ++i) {
        shown[i] = FREQUENCY_UNKNOWN[i] == ',' ? ',' : unknown;
    }
    shown[FREQUENCY_TEXT_SIZE - 1] = '\0';
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        if (mirror[reg] < 10) {
            shown[DIGIT_PLACE[reg]] = static_cast<char>('0' + mirror[reg]);
        }
    }
    snprintf(text, size, "%s", shown);
}

void formatMirrorFrequency(const RegisterMirror& mirror, char* text, size_t size) {
    formatFrequency(mirror, UNKNOWN_DIGIT, text, size);
}

bool frequencyHertz(const RegisterMirror& mirror, uint32_t& hertz) {
    uint32_t steps = 0;
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        if (mirror[reg] > 9) {
            return false;
        }
        steps = steps * 10 + mirror[reg];
    }
    hertz = steps * HERTZ_PER_STEP;
    return true;
}

void formatFrequencyDigits(const std::array<int, FREQUENCY_DIGIT_COUNT>& d, char* text,
                           size_t size) {
    snprintf(text, size, "%d,%d%d%d%d%d", d[0] * 10 + d[1], d[2], d[3], d[4], d[5], d[6]);
}

void formatMegahertz(uint32_t hertz, char* text, size_t size) {
    snprintf(text, size, "%u.%05u", static_cast<unsigned>(hertz / HERTZ_PER_MEGAHERTZ),
             static_cast<unsigned>(hertz % HERTZ_PER_MEGAHERTZ / HERTZ_PER_STEP));
}

double readFrequencyText(const char* text) {
    std::string s(text);
    const size_t comma = s.find(DECIMAL_COMMA);
    if (comma != std::string::npos) {
        s[comma] = DECIMAL_POINT;
    }
    size_t i = 0;
    while (i < s.size() && isSpace(s[i])) {
        ++i;
    }
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        ++i; // from_chars takes no '+', and the sign is put back below
    }
    const size_t begin = i;
    i = skipDigits(s, i);
    bool hasDigits = i > begin;
    if (i < s.size() && s[i] == DECIMAL_POINT) {
        const size_t fraction = i + 1;
        i = skipDigits(s, fraction);
        hasDigits = hasDigits || i > fraction;
    }
    if (!hasDigits) {
        return 0.0; // also "inf", "nan" and the like, which strtod would take
    }
    const size_t mantissaEnd = i;
    long long exponent = 0;
    const size_t end = scanExponent(s, mantissaEnd, exponent);

    double value = 0.0;
    const std::from_chars_result read = std::from_chars(s.data() + begin, s.data() + end, value);
    if (read.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone then; the number's size says which way it went.
        const std::string_view mantissa(s.data() + begin, mantissaEnd - begin);
        value =
            leadingPower(mantissa, exponent) >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

FrequencyEntry readFrequencyEntry(const char* text) {
    const double megahertz = readFrequencyText(text);
    if (megahertz == 0.0) {
        return {FrequencyEntry::Zero, {}};
    }
    if (!(megahertz >= FREQUENCY_MIN_MHZ && megahertz <= FREQUENCY_MAX_MHZ)) {
        return {FrequencyEntry::OutOfRange, {}};
    }
    return {FrequencyEntry::Digits, frequencyDigits(megahertz)};
}

std::array<int, FREQUENCY_DIGIT_COUNT> frequencyDigits(double megahertz) {
    std::array<int, FREQUENCY_DIGIT_COUNT> digits{};
    char text[SCIENTIFIC_TEXT_SIZE];
    const std::to_chars_result written = std::to_chars(
        text, text + sizeof text, megahertz, std::chars_format::scientific, SIGNIFICANT_DIGITS - 1);
    if (written.ec != std::errc()) {
        return digits;
    }
    // "d.<16 digits>e+XX": the significant digits, then the power of the first one.
    const std::string_view scientific(text, static_cast<size_t>(written.ptr - text));
    const size_t e = scientific.find('e');
    std::string significant;
    for (size_t i = 0; i < e; ++i) {
        if (isDigit(scientific[i])) {
            significant += scientific[i];
        }
    }
    size_t exponentAt = e + 1;
    if (scientific[exponentAt] == '+') {
        ++exponentAt;
    }
    int leading = 0;
    std::from_chars(scientific.data() + exponentAt, scientific.data() + scientific.size(), leading);
    const auto digitAt = [&](int power) {
        const int index = leading - power;
        return index >= 0 && index < SIGNIFICANT_DIGITS ? significant[index] - '0' : 0;
    };
    for (int k = 0; k < FREQUENCY_DIGIT_COUNT; ++k) {
        digits[k] = digitAt(TOP_POWER - k);
    }
    if (digitAt(FIRST_DROPPED_POWER) >= ROUND_UP_FROM) {
        // Carry through nines; 9.999995 becomes 10.00000. A carry out of the tens of MHz
        // needs 99.999995 MHz or more, far outside the range.
        for (int k = FREQUENCY_DIGIT_COUNT - 1; k >= 0; --k) {
            if (++digits[k] < 10) {
                break;
            }
            digits[k] = 0;
        }
    }
    return digits;
}

} // namespace trx
