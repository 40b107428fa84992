#include "schedule/schedule_csv_text.h"

#include "shell/cp1252_text.h"

namespace trx {

namespace {

constexpr char SEPARATOR = ';';
constexpr char QUOTE = '"';

} // namespace

bool cp1252FromUtf8Line(std::string_view line, std::string& out, size_t& badAt) {
    out.clear();
    for (size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        } else {
            badAt = i;
            return false;
        }
        if (i + static_cast<size_t>(length) > line.size()) {
            badAt = i;
            return false;
        }
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(line[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                badAt = i;
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            badAt = i;
            return false;
        }
        out += cp1252OfCodePoint(c);
        i += static_cast<size_t>(length);
    }
    return true;
}

bool splitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quotedField = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quotedField) {
            if (c != QUOTE) {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == QUOTE) {
                fields.back() += QUOTE;
                ++i;
            } else {
                quotedField = false;
            }
        } else if (c == QUOTE) {
            quotedField = true;
        } else if (c == SEPARATOR) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quotedField;
}

} // namespace trx
