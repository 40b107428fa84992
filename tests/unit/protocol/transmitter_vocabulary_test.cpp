#include "protocol/transmitter_vocabulary.h"

#include "protocol/register_mirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace trx {
namespace {

using Digits = std::array<int, FREQUENCY_DIGIT_COUNT>;
constexpr uint8_t NONE = NOT_REPORTED;
#if defined(__SANITIZE_ADDRESS__)
// Under the sanitizers (the native tree) a tenth: the i686 tree runs them all.
constexpr int RANDOM_CASES = 10000;
#else
constexpr int RANDOM_CASES = 100000;
#endif

// The exact decimal value of a positive double below 100 (its integer mantissa times a power
// of two, expanded digit by digit), rounded half to even to 17 significant digits, then to
// 10 Hz by the digit after the fifth decimal: the dialog's rule worked out independently.
Digits referenceDigits(double value) {
    int exponent = 0;
    uint64_t mantissa = static_cast<uint64_t>(std::ldexp(std::frexp(value, &exponent), 53));
    exponent -= 53;
    std::vector<int> n; // least significant first
    for (; mantissa > 0; mantissa /= 10) {
        n.push_back(static_cast<int>(mantissa % 10));
    }
    const auto multiply = [&n](uint64_t factor) {
        uint64_t carry = 0;
        for (int& d : n) {
            carry += static_cast<uint64_t>(d) * factor;
            d = static_cast<int>(carry % 10);
            carry /= 10;
        }
        for (; carry > 0; carry /= 10) {
            n.push_back(static_cast<int>(carry % 10));
        }
    };
    // m * 2^-k = m * 5^k / 10^k: the point then stands k digits from the right.
    const int fractionDigits = exponent < 0 ? -exponent : 0;
    for (int left = std::abs(exponent); left > 0; left -= 13) {
        uint64_t factor = 1; // at most 5^13, so that a digit times it and the carry fit
        for (int k = std::min(left, 13); k > 0; --k) {
            factor *= exponent < 0 ? 5 : 2;
        }
        multiply(factor);
    }
    std::string exact; // most significant first
    for (auto it = n.rbegin(); it != n.rend(); ++it) {
        exact += static_cast<char>('0' + *it);
    }
    int top = static_cast<int>(exact.size()) - fractionDigits - 1; // power of exact[0]
    std::string kept = exact.substr(0, 17);
    const std::string dropped = exact.size() > 17 ? exact.substr(17) : "";
    const bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string::npos;
    if (!dropped.empty() &&
        (dropped[0] > '5' || (dropped[0] == '5' && (beyondHalf || (kept.back() - '0') % 2)))) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0 && kept[i] == '9'; --i) {
            kept[i] = '0';
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            ++top;
        } else {
            ++kept[i];
        }
    }
    const auto digit = [&](int power) {
        const int i = top - power;
        return i >= 0 && i < static_cast<int>(kept.size()) ? kept[i] - '0' : 0;
    };
    long tenHertz = digit(-6) >= 5 ? 1 : 0;
    for (int power = 1, scale = 1000000; power >= -5; --power, scale /= 10) {
        tenHertz += digit(power) * scale;
    }
    Digits digits{};
    for (int k = FREQUENCY_DIGIT_COUNT - 1; k >= 0; --k, tenHertz /= 10) {
        digits[k] = static_cast<int>(tenHertz % 10);
    }
    return digits;
}

TEST(FrequencyRules, OpeningTextShowsEachReportedDigitBelowTen) {
    const struct {
        std::array<uint8_t, FREQUENCY_DIGIT_COUNT> registers;
        const char* text;
    } cases[] = {
        {{NONE, NONE, NONE, NONE, NONE, NONE, NONE}, "??,?????"},
        {{0, 7, 1, 0, 0, 0, 0}, "07,10000"},
        {{2, 9, 9, 9, 9, 9, 9}, "29,99999"},
        {{NONE, 3, NONE, 5, NONE, NONE, 8}, "?3,?5??8"},
        {{1, 10, 15, 4, NONE, 0x80, 9}, "1?,?4??9"},
    };
    for (const auto& c : cases) {
        RegisterMirror mirror;
        mirror[Antenna] = 3; // neighbours must not leak in
        mirror[OperatingState] = 2;
        for (int k = 0; k < FREQUENCY_DIGIT_COUNT; ++k) {
            mirror[FrequencyDigit1 + k] = c.registers[k];
        }
        char text[16];
        formatMirrorFrequency(mirror, text, sizeof text);
        EXPECT_STREQ(text, c.text);
    }
    char small[4];
    formatMirrorFrequency(RegisterMirror{}, small, sizeof small);
    EXPECT_STREQ(small, "??,");
}

TEST(FrequencyRules, OkSendsTheDigitsOfAFrequencyInRange) {
    const struct {
        const char* text;
        Digits digits;
    } cases[] = {
        {"14.23456", {1, 4, 2, 3, 4, 5, 6}},  {"14,23456", {1, 4, 2, 3, 4, 5, 6}},
        {"1,5", {0, 1, 5, 0, 0, 0, 0}},       {"29,99999", {2, 9, 9, 9, 9, 9, 9}},
        {"9,999995", {1, 0, 0, 0, 0, 0, 0}},  {"21,123455", {2, 1, 1, 2, 3, 4, 6}},
        {"7,1,5", {0, 7, 1, 0, 0, 0, 0}},     {" +3.6e0xyz", {0, 3, 6, 0, 0, 0, 0}},
        {"3.", {0, 3, 0, 0, 0, 0, 0}},        {".5e1", {0, 5, 0, 0, 0, 0, 0}},
        {"2,9999949", {0, 2, 9, 9, 9, 9, 9}}, {"0.15E+2", {1, 5, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const FrequencyEntry entry = readFrequencyEntry(c.text);
        EXPECT_EQ(entry.kind, FrequencyEntry::Digits) << c.text;
        EXPECT_EQ(entry.digits, c.digits) << c.text;
    }
}

TEST(FrequencyRules, OkRefusesWhatIsOutOfRangeAndTakesZeroAsNoFrequency) {
    for (const char* text : {"29,999991", "29,999994", "29.999990000000004", "1,4999999",
                             "1.4999999999999998", "-5", "1e999", "-1e999", "1e", "1e-310"}) {
        EXPECT_EQ(readFrequencyEntry(text).kind, FrequencyEntry::OutOfRange) << text;
    }
    for (const char* text :
         {"abc", "0", "", "-0", "inf", "nan", "infinity", "0x1p4", "0x10", "1e-999", " .", "+-3"}) {
        EXPECT_EQ(readFrequencyEntry(text).kind, FrequencyEntry::Zero) << text;
    }
}

// What the random texts below do not reach: a comma before a point, a later comma, no
// number at all, and exponents far beyond a double's range either way.
TEST(FrequencyRules, ReadsOnlyTheLeadingDecimalNumber) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"7,1,5", 7.1},
        {"1,5.3", 1.5},
        {"\t\n -2,5", -2.5},
        {"-nan", 0},
        {"e5", 0},
        {"-1e-999", -0.0},
        {"9e-99999999999999", 0},
        {"0e9999999999999", 0},
        {"0.01e99999999999", HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::bit_cast<uint64_t>(readFrequencyText(c.text)),
                  std::bit_cast<uint64_t>(c.value))
            << c.text;
    }
}

TEST(FrequencyRules, RandomFrequenciesRoundAsTheExactDecimalValue) {
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<int> megahertz(1, 29), decimals(0, 9), digit(0, 9);
    for (int n = 0; n < RANDOM_CASES; ++n) {
        std::string text = std::to_string(megahertz(random)) + ",";
        for (int k = decimals(random); k > 0; --k) {
            text += static_cast<char>('0' + digit(random));
        }
        std::string decimal = text;
        decimal[decimal.find(',')] = '.';
        const double value = std::strtod(decimal.c_str(), nullptr);
        const FrequencyEntry entry = readFrequencyEntry(text.c_str());
        if (value < FREQUENCY_MIN_MHZ || value > FREQUENCY_MAX_MHZ) {
            EXPECT_EQ(entry.kind, FrequencyEntry::OutOfRange) << text;
            continue;
        }
        ASSERT_EQ(entry.kind, FrequencyEntry::Digits) << text;
        ASSERT_EQ(entry.digits, referenceDigits(value)) << text;
    }
    const uint64_t low = std::bit_cast<uint64_t>(FREQUENCY_MIN_MHZ);
    std::uniform_int_distribution<uint64_t> bits(low, std::bit_cast<uint64_t>(FREQUENCY_MAX_MHZ));
    for (int n = 0; n < RANDOM_CASES; ++n) {
        const double value = std::bit_cast<double>(bits(random));
        ASSERT_EQ(frequencyDigits(value), referenceDigits(value)) << value;
    }
}

TEST(FrequencyRules, RandomDecimalTextsReadAsStrtodReadsThem) {
    std::mt19937_64 random(7);
    const auto pick = [&random](int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    const auto digits = [&](int most) {
        std::string s;
        for (int k = pick(most + 1); k > 0; --k) {
            s += static_cast<char>('0' + pick(10));
        }
        return s;
    };
    const char* const blanks[] = {"", " ", "\t "};
    const char* const signs[] = {"", "-", "+"};
    // The last two would continue a number without a point.
    const char* const tails[] = {"", "x", "e", "E+", "/1", ",5", ".7"};
    for (int n = 0; n < RANDOM_CASES; ++n) {
        // Text without a digit is not compared: some C libraries read it as -0.
        std::string number = digits(12);
        std::string point = pick(2) ? "." : "";
        number += point + digits(12);
        if (number == point) {
            continue;
        }
        if (pick(3) == 0) {
            number += std::string(pick(2) ? "e" : "E") + signs[pick(3)] + digits(pick(8) ? 3 : 20);
        }
        const std::string text = std::string(blanks[pick(3)]) + signs[pick(3)] + number;
        std::string typed = text;
        if (!point.empty() && pick(2)) {
            typed[typed.find('.')] = ',';
        }
        typed += tails[pick(point.empty() ? 5 : 7)];
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::bit_cast<uint64_t>(readFrequencyText(typed.c_str())),
                  std::bit_cast<uint64_t>(expected))
            << typed;
    }
}

// Every operating state by its register value: the panel's and journal's German name beside
// the control port's word; any other value has no row.
TEST(TransmitterVocabulary, OperatingStatesAreNamedInGermanAndAsControlWords) {
    struct Case {
        int value;
        const char* german;
        const char* word;
    };
    const Case cases[] = {
        {STATE_STANDBY, "Bereit", "standby"},
        {STATE_TUNE, "Abstimmen", "tune"},
        {STATE_NO_POWER, "keine Leistung", "nopower"},
        {STATE_P100, "bis 100W", "100"},
        {STATE_P250, "bis 250W", "250"},
        {STATE_P1000, "bis 1000W", "1000"},
    };
    for (const Case& c : cases) {
        const OperatingStateName* name = operatingStateName(c.value);
        ASSERT_NE(name, nullptr) << c.value;
        EXPECT_STREQ(name->german, c.german) << c.value;
        EXPECT_STREQ(name->word, c.word) << c.value;
    }
    for (const int value : {-1, 0, STATE_P1000 + 1, 15, int{NOT_REPORTED}}) {
        EXPECT_FALSE(isOperatingState(value)) << value;
        EXPECT_EQ(operatingStateName(value), nullptr) << value;
    }
}

} // namespace
} // namespace trx
