#include "control/control_command_rules.h"

#include "control/control_command_table.h"
#include "protocol/protocol.h"
#include "protocol/transmitter_vocabulary.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

namespace trx {

namespace {

constexpr std::string_view BLANKS = " \t";
constexpr std::string_view DIGITS = "0123456789";
// A frequency argument: digits with at most one point or comma, nothing else.
constexpr size_t FREQUENCY_TEXT_LIMIT = 32;

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

ControlCommand invalid(std::string_view reason) {
    ControlCommand command;
    command.verb = ControlVerb::Invalid;
    command.code = CONTROL_BAD_INPUT;
    command.text = reason;
    return command;
}

ControlCommand badCommand() {
    return invalid(CONTROL_BAD_COMMAND);
}

ControlCommand badArgument() {
    return invalid("bad argument");
}

// The single word of `rest`; empty when there is none or more than one.
std::string_view onlyWord(std::string_view rest) {
    const std::string_view word = nextWord(rest);
    return onlyBlanks(rest) ? word : std::string_view{};
}

bool readNumber(std::string_view rest, ControlCommand& command) {
    const std::string_view word = onlyWord(rest);
    if (word.empty() || word.find_first_not_of(DIGITS) != std::string_view::npos) {
        return false;
    }
    const auto read = std::from_chars(word.data(), word.data() + word.size(), command.number);
    if (read.ec == std::errc::result_out_of_range) {
        command.number = std::numeric_limits<int>::max(); // no register takes it either
    }
    return true;
}

bool readKey(std::string_view rest, ControlCommand& command) {
    std::string_view after = rest;
    const std::string_view word = nextWord(after);
    if (word.empty()) {
        return true;
    }
    for (int k = 0; k < CONTROL_KEY_COUNT; ++k) {
        if (onlyBlanks(after) && sameWord(word, controlKeyName(static_cast<ControlKey>(k)))) {
            command.allKeys = false;
            command.key = static_cast<ControlKey>(k);
            return true;
        }
    }
    return false;
}

bool readScheduleWord(std::string_view rest, ControlCommand& command) {
    std::string_view after = rest;
    const std::string_view word = nextWord(after);
    for (int k = 0; k < static_cast<int>(std::size(SCHEDULE_WORDS)); ++k) {
        if (onlyBlanks(after) && sameWord(word, SCHEDULE_WORDS[k])) {
            command.number = k;
            return true;
        }
    }
    return false;
}

bool readStateWord(std::string_view rest, ControlCommand& command) {
    std::string_view after = rest;
    const std::string_view word = nextWord(after);
    for (int k = 0; k < STATE_COUNT; ++k) {
        if (onlyBlanks(after) && sameWord(word, operatingStateNames[k].word)) {
            command.number = STATE_STANDBY + static_cast<int>(k);
            return true;
        }
    }
    return false;
}

// The password is the rest of the line after the blanks that follow `auth`.
bool readPassword(std::string_view rest, ControlCommand& command) {
    const size_t begin = rest.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        return false;
    }
    command.text = rest.substr(begin);
    return true;
}

// Its range is the one the operator's frequency entry knows; no engine operation has it.
ControlCommand readFrequency(std::string_view rest, ControlCommand& command) {
    const std::string_view word = onlyWord(rest);
    if (word.empty() || word.size() >= FREQUENCY_TEXT_LIMIT ||
        word.find_first_not_of("0123456789.,") != std::string_view::npos ||
        word.find_first_of(".,") != word.find_last_of(".,") ||
        word.find_first_of(DIGITS) == std::string_view::npos) {
        return badArgument();
    }
    char text[FREQUENCY_TEXT_LIMIT];
    word.copy(text, word.size());
    text[word.size()] = '\0';
    const FrequencyEntry entry = readFrequencyEntry(text);
    if (entry.kind != FrequencyEntry::Digits) {
        return invalid(refusalName(Refusal::OutOfRange).word);
    }
    command.digits = entry.digits;
    return command;
}

ControlCommand readArgument(const ControlCommandRow& row, std::string_view rest) {
    ControlCommand command;
    command.verb = row.verb;
    bool ok = false;
    switch (row.argument) {
    case ControlArgument::None:
        ok = onlyBlanks(rest);
        break;
    case ControlArgument::Key:
        ok = readKey(rest, command);
        break;
    case ControlArgument::Frequency:
        return readFrequency(rest, command);
    case ControlArgument::StateWord:
        ok = readStateWord(rest, command);
        break;
    case ControlArgument::Number:
        ok = readNumber(rest, command);
        break;
    case ControlArgument::Password:
        ok = readPassword(rest, command);
        break;
    case ControlArgument::ScheduleWord:
        ok = readScheduleWord(rest, command);
        break;
    }
    return ok ? command : badArgument();
}

} // namespace

// A known first word with a wrong second one ("set power") is a bad argument, as is a known
// command with a wrong argument; an unknown first word is a bad command.
ControlCommand parseControlLine(std::string_view line) {
    std::string_view rest = line;
    const std::string_view first = nextWord(rest);
    if (first.empty()) {
        return {};
    }
    bool known = false;
    for (const ControlCommandRow& row : controlCommands()) {
        const size_t blank = row.words.find(' ');
        if (!sameWord(first, row.words.substr(0, blank))) {
            continue;
        }
        known = true;
        std::string_view after = rest;
        if (blank != std::string_view::npos &&
            !sameWord(nextWord(after), row.words.substr(blank + 1))) {
            continue;
        }
        return readArgument(row, after);
    }
    return known ? badArgument() : badCommand();
}

} // namespace trx
