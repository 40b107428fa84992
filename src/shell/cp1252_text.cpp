#include "cp1252_text.h"

#include <cstdint>

namespace trx {

namespace {

constexpr unsigned char FIRST_HIGH = 0x80;
constexpr unsigned char PAST_HIGH = 0xA0;
// The characters CP1252 puts at 0x80..0x9F (0: unused there); the rest of its upper half is
// Latin-1, the same code points.
constexpr char16_t CP1252_HIGH[PAST_HIGH - FIRST_HIGH] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Every code point here is below U+10000: one to three bytes.
void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= FIRST_HIGH && c < PAST_HIGH) {
            const char16_t mapped = CP1252_HIGH[c - FIRST_HIGH];
            appendUtf8(out, mapped != 0 ? mapped : U'?');
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

} // namespace trx
