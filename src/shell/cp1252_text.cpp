#include "shell/cp1252_text.h"

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

std::string utf8FromCp1252(std::string_view text) {
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

char cp1252OfCodePoint(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (int i = 0; i < PAST_HIGH - FIRST_HIGH; ++i) {
        if (CP1252_HIGH[i] != 0 && CP1252_HIGH[i] == c) {
            return static_cast<char>(FIRST_HIGH + i);
        }
    }
    return '?';
}

std::string cp1252FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0x80) {
            c = U'?'; // a stray continuation byte
        }
        if (i + static_cast<size_t>(length) > text.size()) {
            out += '?';
            break;
        }
        for (int k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += cp1252OfCodePoint(c);
        i += static_cast<size_t>(length);
    }
    return out;
}

} // namespace trx
