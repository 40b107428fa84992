#include "app/command_line_rules.h"

#include "app/control_settings.h"
#include "protocol/line_port.h"

namespace trx {

namespace {

constexpr std::string_view SEPARATORS = " ,\t-/";
constexpr std::string_view NOREG = "NOREG";
constexpr int PORT_MODULUS = MAX_PORT + 1;
constexpr std::string_view CONTROL_PORT_WORD = "STEUERPORT=";

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsUpper(std::string_view token, std::string_view word) {
    if (token.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < token.size(); ++i) {
        if (upper(token[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// Like atoi on the text after the C (optional '+', then digits), but taken modulo 256 as it
// goes, so that no length of digits can overflow.
int portFromDigits(std::string_view digits) {
    size_t i = 0;
    if (i < digits.size() && digits[i] == '+') {
        ++i;
    }
    int port = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
        port = (port * 10 + (digits[i] - '0')) % PORT_MODULUS;
    }
    return port;
}

bool startsWithUpper(std::string_view token, std::string_view word) {
    return token.size() >= word.size() && equalsUpper(token.substr(0, word.size()), word);
}

// Digits only, at most 65535.
bool readControlPort(std::string_view digits, int& port) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    int value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
        if (value > CONTROL_PORT_MAX) {
            return false;
        }
    }
    port = value;
    return true;
}

} // namespace

CommandLine parseCommandLine(std::string_view text) {
    CommandLine result;
    size_t pos = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(SEPARATORS, pos);
        if (pos == std::string_view::npos) {
            break;
        }
        size_t end = text.find_first_of(SEPARATORS, pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view token = text.substr(pos, end - pos);
        if (equalsUpper(token, NOREG)) {
            result.noRegistry = true;
        }
        if (startsWithUpper(token, CONTROL_PORT_WORD) &&
            readControlPort(token.substr(CONTROL_PORT_WORD.size()), result.controlPort)) {
            result.controlPortGiven = true;
        }
        if (upper(token[0]) == 'C') {
            result.portGiven = true;
            result.portNumber = portFromDigits(token.substr(1));
        }
        pos = end;
    }
    return result;
}

} // namespace trx
