#include "schedule/schedule_cell_text.h"

#include <algorithm>

namespace trx {

const char* const DAY_NAMES[DAYS_PER_WEEK] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};

namespace {

constexpr char EVERY_DAY_WORD[] = "täglich";
// The longest number a cell holds: 1000 W, a year.
constexpr size_t SMALL_NUMBER_DIGITS = 4;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool readSmallNumber(std::string_view text, int& value) {
    if (!allDigits(text) || text.size() > SMALL_NUMBER_DIGITS) {
        return false;
    }
    value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return true;
}

TimeRead readTime(std::string_view text, int& minute) {
    if (text.size() > 5 && text.ends_with(":00") && text.find(':') != text.size() - 3) {
        text.remove_suffix(3);
    }
    const size_t colon = text.find(':');
    int hours = 0;
    int minutes = 0;
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3 ||
        !readSmallNumber(text.substr(0, colon), hours) ||
        !readSmallNumber(text.substr(colon + 1), minutes)) {
        return TimeRead::NotATime;
    }
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0)) {
        return TimeRead::NoSuchTime;
    }
    minute = hours * 60 + minutes;
    return TimeRead::Ok;
}

uint8_t readDays(std::string_view text) {
    if (sameWord(text, EVERY_DAY_WORD)) {
        return EVERY_DAY;
    }
    uint8_t mask = 0;
    if (allDigits(text)) {
        for (char c : text) {
            const int day = c - '0';
            if (day < 1 || day > DAYS_PER_WEEK || (mask & (1u << (day - 1))) != 0) {
                return 0;
            }
            mask |= static_cast<uint8_t>(1u << (day - 1));
        }
        return mask;
    }
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view name = trimmed(text.substr(0, comma));
        const auto* found = std::find_if(std::begin(DAY_NAMES), std::end(DAY_NAMES),
                                         [&](const char* day) { return sameWord(name, day); });
        if (found == std::end(DAY_NAMES) || (mask & (1u << (found - std::begin(DAY_NAMES)))) != 0) {
            return 0;
        }
        mask |= static_cast<uint8_t>(1u << (found - std::begin(DAY_NAMES)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) {
            return 0; // "Mo,"
        }
    }
    return mask;
}

bool looksLikeDecimal(std::string_view text) {
    const size_t mark = text.find_first_of(",.");
    if (mark == std::string_view::npos) {
        return allDigits(text);
    }
    const std::string_view whole = text.substr(0, mark);
    const std::string_view fraction = text.substr(mark + 1);
    return (whole.empty() || allDigits(whole)) && (fraction.empty() || allDigits(fraction)) &&
           !(whole.empty() && fraction.empty());
}

DateRead readDate(std::string_view text, UtcDay& day) {
    const size_t first = text.find('.');
    const size_t second = first == std::string_view::npos ? first : text.find('.', first + 1);
    int d = 0;
    int m = 0;
    int y = 0;
    if (second == std::string_view::npos || first == 0 || first > 2 || second - first - 1 == 0 ||
        second - first - 1 > 2 || text.size() - second - 1 != 4 ||
        !readSmallNumber(text.substr(0, first), d) ||
        !readSmallNumber(text.substr(first + 1, second - first - 1), m) ||
        !readSmallNumber(text.substr(second + 1), y)) {
        return DateRead::NotADate;
    }
    if (!dateExists(y, m, d)) {
        return DateRead::NoSuchDate;
    }
    day = dayFromDate(y, m, d);
    return DateRead::Ok;
}

} // namespace trx
