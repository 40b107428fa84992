#include "control_reply_text.h"

namespace trx {

namespace {

constexpr const char* KEY_NAMES[CONTROL_KEY_COUNT] = {"link",    "frequency",    "state", "power",
                                                      "program", "antenna",      "mode",  "tuned",
                                                      "alarm",   "report_age_ms"};
constexpr std::string_view LINE_END = "\r\n";

} // namespace

const char* controlKeyName(ControlKey key) {
    return KEY_NAMES[static_cast<int>(key)];
}

void appendValueLine(std::string& out, ControlKey key, std::string_view value) {
    out.append(controlKeyName(key)).append(": ").append(value).append(LINE_END);
}

void appendStatusLine(std::string& out, int code, std::string_view reason) {
    if (code == CONTROL_OK) {
        out.append("RPRT 0").append(LINE_END);
        return;
    }
    out.append("RPRT -").append(std::to_string(code)).append(" ").append(reason).append(LINE_END);
}

void appendEventLine(std::string& out, std::string_view key, std::string_view value) {
    out.append("EVENT ").append(key).append(" ").append(value).append(LINE_END);
}

void appendHelpLine(std::string& out, std::string_view command) {
    out.append("command: ").append(command).append(LINE_END);
}

} // namespace trx
