#include "control/control_reply_text.h"

#include "protocol/transmitter_vocabulary.h"

#include <cstdio>

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

namespace {

struct ReasonName {
    const char* reason;
    const char* german;
};

const ReasonName reasonNames[] = {
    {"link down", "keine Verbindung"},      {CONTROL_BAD_COMMAND, "unbekannter Befehl"},
    {"not authorised", "nicht angemeldet"}, {"no acknowledgement", "keine Quittung"},
    {"read only", "nur Lesen erlaubt"},     {"no schedule", "kein Sendeplan"},
    {"schedule off", "Sendeplan aus"},      {"file not read", "Datei nicht gelesen"},
};

constexpr std::string_view LOCKED_BY = "locked by ";

} // namespace

void journalReason(std::string_view reason, char* out, size_t size) {
    if (const RefusalName* engine = refusalNamed(reason)) {
        snprintf(out, size, "%s", engine->german);
        return;
    }
    for (const ReasonName& name : reasonNames) {
        if (reason == name.reason) {
            snprintf(out, size, "%s", name.german);
            return;
        }
    }
    if (reason.substr(0, LOCKED_BY.size()) == LOCKED_BY) {
        reason.remove_prefix(LOCKED_BY.size());
        snprintf(out, size, "gesperrt von %.*s", static_cast<int>(reason.size()), reason.data());
        return;
    }
    snprintf(out, size, "%.*s", static_cast<int>(reason.size()), reason.data());
}

} // namespace trx
