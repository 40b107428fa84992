#include "control/control_info_text.h"

#include "shell/cp1252_text.h"

#include <cstdio>

namespace trx {

namespace {

constexpr char PORT_NAME_FORMAT[] = "COM%d";
constexpr unsigned char CONTROL_CHARACTER_END = 0x20;
constexpr unsigned char DELETE_CHARACTER = 0x7F;
constexpr std::string_view LINE_END = "\r\n";

void appendLine(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append(": ").append(value).append(LINE_END);
}

} // namespace

void formatPortName(int portNumber, char* out, size_t size) {
    if (portNumber > 0) {
        snprintf(out, size, PORT_NAME_FORMAT, portNumber);
    } else {
        snprintf(out, size, "%s", CONTROL_NO_PORT_NAME);
    }
}

std::string oneLineText(std::string_view cp1252, size_t limit) {
    std::string_view text = cp1252.substr(0, limit);
    text = text.substr(0, text.find('\0'));
    std::string line(text);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < CONTROL_CHARACTER_END || byte == DELETE_CHARACTER) {
            c = ' ';
        }
    }
    return utf8FromCp1252(line);
}

void appendInfoLines(std::string& out, const ControlIdentity& identity) {
    appendLine(out, "title", identity.title);
    appendLine(out, "port", identity.port);
    appendLine(out, "baud", std::to_string(identity.baudRate));
    appendLine(out, "version", identity.version);
    appendLine(out, "journal", identity.journalFile);
}

} // namespace trx
