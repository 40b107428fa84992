// Texts typed into the frequency box, read as the OK button reads them and compared with
// strtod, and the box's opening text from a mirror of arbitrary bytes.
#include "protocol/transmitter_vocabulary.h"

#include "protocol/register_mirror.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace trx;

constexpr size_t SHOWN_LENGTH = 8; // "??,?????"
constexpr size_t COMMA_AT = 2;
constexpr char GUARD = 0x5A;

// The digits count in 10 Hz steps: 1,50000 MHz is 150000 of them.
constexpr double STEPS_PER_MHZ = 1e5;
constexpr long long MIN_STEPS = 150000;
constexpr long long MAX_STEPS = 3000000;
constexpr double HALF_STEP = 0.5;
// Rounding goes through 17 significant digits, and scaling to steps rounds once more.
constexpr double ROUNDING_SLACK_STEPS = 1e-6;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Digits of a frequency in range: each 0..9 and, read as 10 Hz steps, within half a step.
void checkDigits(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, double megahertz) {
    long long steps = 0;
    for (int d : digits) {
        check(d >= 0 && d <= 9, "frequency digit outside 0..9");
        steps = steps * 10 + d;
    }
    check(steps >= MIN_STEPS && steps <= MAX_STEPS, "digits outside 1,50000..30,00000");
    check(std::fabs(static_cast<double>(steps) - megahertz * STEPS_PER_MHZ) <=
              HALF_STEP + ROUNDING_SLACK_STEPS,
          "digits further than 5 Hz from the value");
}

void checkEntry(const char* text) {
    const double value = readFrequencyText(text);
    check(!std::isnan(value), "text read as NaN");
    const FrequencyEntry entry = readFrequencyEntry(text);
    if (value == 0.0) {
        check(entry.kind == FrequencyEntry::Zero, "zero not taken as zero");
    } else if (!(value >= FREQUENCY_MIN_MHZ && value <= FREQUENCY_MAX_MHZ)) {
        check(entry.kind == FrequencyEntry::OutOfRange, "value outside the range accepted");
    } else {
        check(entry.kind == FrequencyEntry::Digits, "value in range refused");
        checkDigits(entry.digits, value);
    }
}

// strtod is the reference for decimal texts. Letters other than an exponent's e could make
// it read inf, nan or hex, which the box refuses; texts without a digit read 0 in the box
// and -0 in some C libraries.
void checkAgainstStrtod(const char* text) {
    std::string decimal(text);
    bool hasDigit = false;
    for (char c : decimal) {
        if (isLetter(c) && c != 'e' && c != 'E') {
            return;
        }
        hasDigit = hasDigit || isDigit(c);
    }
    if (!hasDigit) {
        check(readFrequencyText(text) == 0.0, "text without a digit not read as 0");
        return;
    }
    const size_t comma = decimal.find(',');
    if (comma != std::string::npos) {
        decimal[comma] = '.';
    }
    const double expected = std::strtod(decimal.c_str(), nullptr);
    check(std::bit_cast<uint64_t>(readFrequencyText(text)) == std::bit_cast<uint64_t>(expected),
          "decimal text read differently from strtod");
}

// The opening text: "??,?????" with the digits the mirror holds, cut safely when short.
void checkMirrorText(const uint8_t* data, size_t size) {
    RegisterMirror mirror;
    for (int a = 0; a < REGISTER_COUNT && static_cast<size_t>(a) < size; ++a) {
        mirror[a] = data[a];
    }
    char full[SHOWN_LENGTH + 2];
    std::memset(full, GUARD, sizeof full);
    formatMirrorFrequency(mirror, full, SHOWN_LENGTH + 1);
    check(full[SHOWN_LENGTH + 1] == GUARD, "opening text written past its buffer");
    check(std::strlen(full) == SHOWN_LENGTH, "opening text not 8 characters");
    check(full[COMMA_AT] == ',', "no comma after the MHz digits");
    for (size_t i = 0; i < SHOWN_LENGTH; ++i) {
        if (i == COMMA_AT) {
            continue;
        }
        const uint8_t held = mirror[FrequencyDigit1 + static_cast<int>(i < COMMA_AT ? i : i - 1)];
        check(full[i] == '?' || (isDigit(full[i]) && full[i] - '0' == held),
              "opening text shows something other than a held digit or '?'");
    }

    const size_t cut = size > 0 ? data[0] % (SHOWN_LENGTH + 1) : 0;
    char shortText[SHOWN_LENGTH + 2];
    std::memset(shortText, GUARD, sizeof shortText);
    formatMirrorFrequency(mirror, shortText, cut);
    for (size_t i = cut; i < sizeof shortText; ++i) {
        check(shortText[i] == GUARD, "short opening text written past its size");
    }
    if (cut > 0) {
        check(std::strncmp(shortText, full, cut - 1) == 0 && shortText[cut - 1] == '\0',
              "short opening text not the cut full one");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The edit box hands over a string that ends in a NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkEntry(text.c_str());
    checkAgainstStrtod(text.c_str());
    checkMirrorText(data, size);

    // Bit patterns no text reaches directly, straight into the rounding.
    double raw = 0.0;
    if (size >= sizeof raw) {
        std::memcpy(&raw, data, sizeof raw);
        if (raw >= FREQUENCY_MIN_MHZ && raw <= FREQUENCY_MAX_MHZ) {
            checkDigits(frequencyDigits(raw), raw);
        }
    }
    return 0;
}
