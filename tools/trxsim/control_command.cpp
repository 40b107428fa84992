#include "control_command.h"

#include "protocol/transmitter_vocabulary.h"

#include <array>
#include <charconv>
#include <vector>

namespace trxsim {

namespace {

struct Syntax {
    std::string_view name;
    Command command;
    std::string_view usage; // the arguments, for the error reply (ranges match the checks)
};

constexpr std::array<Syntax, 18> SYNTAX = {{
    {"ping", Command::Ping, ""},
    {"report", Command::Report, " REG VAL (0..15 each)"},
    {"set", Command::Set, " REG VAL (0..15 each)"},
    {"alarm", Command::Alarm, " on|off"},
    {"silent", Command::Silent, " on|off"},
    {"echo", Command::Echo, " on|off"},
    {"parity", Command::Parity, ""},
    {"flood", Command::Flood, " N (0..1000000)"},
    {"flooded", Command::Flooded, ""},
    {"hangup", Command::Hangup, ""},
    {"reopen", Command::Reopen, ""},
    {"dump", Command::Dump, ""},
    {"mark", Command::Mark, ""},
    {"log", Command::Log, ""},
    {"tune-time", Command::TuneTime, " MS (0..600000)"},
    {"refuse-frequency", Command::RefuseFrequency, " MHZ (1.5..29.99999)|off"},
    {"endless-tune", Command::EndlessTune, " on|off"},
    {"quit", Command::Quit, ""},
}};

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// Plain decimal digits only: no sign, no spaces, no suffix.
bool readNumber(std::string_view word, int low, int high, int& out) {
    int value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end || word[0] == '-' || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

} // namespace

bool readFrequencyWord(std::string_view word, std::array<int, trx::FREQUENCY_DIGIT_COUNT>& digits) {
    const bool plain = !word.empty() && word.size() < 16 &&
                       word.find_first_not_of("0123456789.,") == std::string_view::npos;
    if (!plain) {
        return false;
    }
    const trx::FrequencyEntry entry = trx::readFrequencyEntry(std::string(word).c_str());
    if (entry.kind != trx::FrequencyEntry::Digits) {
        return false;
    }
    digits = entry.digits;
    return true;
}

namespace {

// The word as it may appear in a reply: printable, short.
std::string quoted(std::string_view word) {
    std::string text;
    for (char c : word.substr(0, 32)) {
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

} // namespace

ParseResult parseCommand(std::string_view line, ControlCommand& command, std::string& error) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::vector<std::string_view> words = splitWords(line);
    if (words.empty()) {
        return ParseResult::Blank;
    }
    const Syntax* syntax = nullptr;
    for (const Syntax& s : SYNTAX) {
        if (s.name == words[0]) {
            syntax = &s;
        }
    }
    if (syntax == nullptr) {
        error = "ERR unknown command '" + quoted(words[0]) + "'";
        return ParseResult::Malformed;
    }
    ControlCommand c;
    c.command = syntax->command;
    bool ok = true;
    switch (c.command) {
    case Command::Report:
    case Command::Set:
        ok = words.size() == 3 && readNumber(words[1], 0, 15, c.reg) &&
             readNumber(words[2], 0, 15, c.value);
        break;
    case Command::RefuseFrequency:
        c.on = words.size() == 2 && words[1] != "off";
        ok = words.size() == 2 && (!c.on || readFrequencyWord(words[1], c.digits));
        break;
    case Command::Alarm:
    case Command::Silent:
    case Command::Echo:
    case Command::EndlessTune:
        ok = words.size() == 2 && (words[1] == "on" || words[1] == "off");
        c.on = ok && words[1] == "on";
        break;
    case Command::Flood:
        ok = words.size() == 2 && readNumber(words[1], 0, MAX_FLOOD, c.count);
        break;
    case Command::TuneTime:
        ok = words.size() == 2 && readNumber(words[1], 0, MAX_TUNE_MS, c.count);
        break;
    default:
        ok = words.size() == 1;
        break;
    }
    if (!ok) {
        error = "ERR usage: " + std::string(syntax->name) + std::string(syntax->usage);
        return ParseResult::Malformed;
    }
    command = c;
    return ParseResult::Parsed;
}

} // namespace trxsim
