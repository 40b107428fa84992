#include "control_command_rules.h"

#include "transmitter_vocabulary.h"
#include "wire_codec.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace trx {

const char* const CONTROL_HELP_LINES[] = {
    "get [link|frequency|state|power|program|antenna|mode|tuned|alarm|report_age_ms]",
    "set frequency <MHz 1.5-29.99999>",
    "set state standby|tune|nopower|100|250|1000",
    "set program <0-15>",
    "set antenna <0-3>",
    "preset <0-3>",
    "refresh",
    "subscribe | unsubscribe",
    "lock | unlock",
    "auth <password>",
    "help",
    "quit",
};
const int CONTROL_HELP_LINE_COUNT = sizeof CONTROL_HELP_LINES / sizeof CONTROL_HELP_LINES[0];

namespace {

constexpr std::string_view BLANKS = " \t";
constexpr int PROGRAM_MAX = 15;
constexpr int ANTENNA_MAX = 3;
constexpr int PRESET_MAX = 3;
// A frequency argument: digits with at most one point or comma, nothing else.
constexpr size_t FREQUENCY_TEXT_LIMIT = 32;

// The state words of `set state`, by operating state - 1.
constexpr std::string_view STATE_WORDS[] = {"standby", "tune", "nopower", "100", "250", "1000"};

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameWord(std::string_view token, std::string_view word) {
    if (token.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < token.size(); ++i) {
        if (lower(token[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// Splits off the next blank-separated word of `rest`; empty at the end.
std::string_view nextWord(std::string_view& rest) {
    const size_t begin = rest.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(begin);
    const size_t end = std::min(rest.find_first_of(BLANKS), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

bool onlyBlanks(std::string_view rest) {
    return rest.find_first_not_of(BLANKS) == std::string_view::npos;
}

ControlCommand invalid(int code, std::string_view reason) {
    ControlCommand command;
    command.verb = ControlVerb::Invalid;
    command.code = code;
    command.text = reason;
    return command;
}

ControlCommand badCommand() {
    return invalid(CONTROL_BAD_INPUT, "bad command");
}

ControlCommand badArgument() {
    return invalid(CONTROL_BAD_INPUT, "bad argument");
}

// A number of digits only (no sign, no blanks) into 0..max.
bool readNumber(std::string_view word, int max, int& number) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    const auto read = std::from_chars(word.data(), word.data() + word.size(), number);
    return read.ec == std::errc() && number <= max;
}

ControlCommand numbered(ControlVerb verb, std::string_view rest, int max) {
    const std::string_view word = nextWord(rest);
    int number = 0;
    if (word.empty() || !onlyBlanks(rest)) {
        return badArgument();
    }
    if (!readNumber(word, max, number)) {
        return word.find_first_not_of("0123456789") == std::string_view::npos
                   ? invalid(CONTROL_BAD_INPUT, "out of range")
                   : badArgument();
    }
    ControlCommand command;
    command.verb = verb;
    command.number = number;
    return command;
}

ControlCommand setFrequency(std::string_view rest) {
    const std::string_view word = nextWord(rest);
    if (word.empty() || !onlyBlanks(rest) || word.size() >= FREQUENCY_TEXT_LIMIT ||
        word.find_first_not_of("0123456789.,") != std::string_view::npos ||
        word.find_first_of(".,") != word.find_last_of(".,") ||
        word.find_first_of("0123456789") == std::string_view::npos) {
        return badArgument();
    }
    char text[FREQUENCY_TEXT_LIMIT];
    word.copy(text, word.size());
    text[word.size()] = '\0';
    const FrequencyEntry entry = readFrequencyEntry(text);
    if (entry.kind != FrequencyEntry::Digits) {
        return invalid(CONTROL_BAD_INPUT, "out of range");
    }
    ControlCommand command;
    command.verb = ControlVerb::SetFrequency;
    command.digits = entry.digits;
    return command;
}

ControlCommand setState(std::string_view rest) {
    const std::string_view word = nextWord(rest);
    if (!onlyBlanks(rest)) {
        return badArgument();
    }
    for (size_t k = 0; k < std::size(STATE_WORDS); ++k) {
        if (sameWord(word, STATE_WORDS[k])) {
            ControlCommand command;
            command.verb = ControlVerb::SetState;
            command.number = STATE_STANDBY + static_cast<int>(k);
            return command;
        }
    }
    return badArgument();
}

ControlCommand set(std::string_view rest) {
    const std::string_view what = nextWord(rest);
    if (sameWord(what, "frequency")) {
        return setFrequency(rest);
    }
    if (sameWord(what, "state")) {
        return setState(rest);
    }
    if (sameWord(what, "program")) {
        return numbered(ControlVerb::SetProgram, rest, PROGRAM_MAX);
    }
    if (sameWord(what, "antenna")) {
        return numbered(ControlVerb::SetAntenna, rest, ANTENNA_MAX);
    }
    return badArgument();
}

ControlCommand get(std::string_view rest) {
    ControlCommand command;
    command.verb = ControlVerb::Get;
    const std::string_view word = nextWord(rest);
    if (word.empty()) {
        return command;
    }
    if (!onlyBlanks(rest)) {
        return badArgument();
    }
    for (int k = 0; k < CONTROL_KEY_COUNT; ++k) {
        if (sameWord(word, controlKeyName(static_cast<ControlKey>(k)))) {
            command.allKeys = false;
            command.key = static_cast<ControlKey>(k);
            return command;
        }
    }
    return badArgument();
}

// The password is the rest of the line after the blanks that follow `auth`.
ControlCommand auth(std::string_view rest) {
    const size_t begin = rest.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        return badArgument();
    }
    ControlCommand command;
    command.verb = ControlVerb::Auth;
    command.text = rest.substr(begin);
    return command;
}

// Commands of one word with nothing after it.
struct PlainWord {
    std::string_view word;
    ControlVerb verb;
};
constexpr PlainWord PLAIN_WORDS[] = {
    {"refresh", ControlVerb::Refresh},
    {"subscribe", ControlVerb::Subscribe},
    {"unsubscribe", ControlVerb::Unsubscribe},
    {"lock", ControlVerb::Lock},
    {"unlock", ControlVerb::Unlock},
    {"help", ControlVerb::Help},
    {"quit", ControlVerb::Quit},
};

} // namespace

ControlCommand parseControlLine(std::string_view line) {
    std::string_view rest = line;
    const std::string_view verb = nextWord(rest);
    if (verb.empty()) {
        return {};
    }
    if (sameWord(verb, "get")) {
        return get(rest);
    }
    if (sameWord(verb, "set")) {
        return set(rest);
    }
    if (sameWord(verb, "preset")) {
        return numbered(ControlVerb::Preset, rest, PRESET_MAX);
    }
    if (sameWord(verb, "auth")) {
        return auth(rest);
    }
    for (const PlainWord& plain : PLAIN_WORDS) {
        if (sameWord(verb, plain.word)) {
            if (!onlyBlanks(rest)) {
                return badArgument();
            }
            ControlCommand command;
            command.verb = plain.verb;
            return command;
        }
    }
    return badCommand();
}

bool controlCommandWrites(ControlVerb verb) {
    switch (verb) {
    case ControlVerb::SetFrequency:
    case ControlVerb::SetState:
    case ControlVerb::SetProgram:
    case ControlVerb::SetAntenna:
    case ControlVerb::Preset:
    case ControlVerb::Refresh:
        return true;
    default:
        return false;
    }
}

} // namespace trx
