#include "command_line_rules.h"

#include "line_port.h"

namespace trx {

namespace {

constexpr std::string_view SEPARATORS = " ,\t-/";
constexpr std::string_view NOREG = "NOREG";
constexpr int PORT_MODULUS = MAX_PORT + 1;

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
        if (upper(token[0]) == 'C') {
            result.portGiven = true;
            result.portNumber = portFromDigits(token.substr(1));
        }
        pos = end;
    }
    return result;
}

} // namespace trx
