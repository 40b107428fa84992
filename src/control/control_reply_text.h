// The control port's replies as text: `key: value` lines, the closing status line and the
// EVENT lines of subscribers, each ending CRLF. Pure text handling.
#ifndef TRXDESK_CONTROL_REPLY_TEXT_H
#define TRXDESK_CONTROL_REPLY_TEXT_H

#include <string>
#include <string_view>

namespace trx {

// The status codes a program tests; a reply's last line is "RPRT 0" or "RPRT -<code> <reason>".
enum ControlCode : int {
    CONTROL_OK = 0,
    CONTROL_BAD_INPUT = 1,      // bad command or argument, a value out of range
    CONTROL_NOT_NOW = 2,        // the panel's own condition refuses it
    CONTROL_NO_LINK = 3,        // no link to the transmitter
    CONTROL_NO_ACK = 4,         // the transmitter did not echo the write
    CONTROL_LOCKED = 5,         // another client holds the lock
    CONTROL_NOT_AUTHORISED = 6, // a remote client before `auth`
    CONTROL_BUSY = 7,           // too many clients, a full queue
};

// The values of `get`, in the order of its reply.
enum class ControlKey : int {
    Link,
    Frequency,
    State,
    Power,
    Program,
    Antenna,
    Mode,
    Tuned,
    Alarm,
    ReportAge,
};
constexpr int CONTROL_KEY_COUNT = 10;

// "link", "frequency", ..., "report_age_ms".
const char* controlKeyName(ControlKey key);

// The reasons the parser and the engine's refusals share.
constexpr char CONTROL_BAD_COMMAND[] = "bad command"; // no command of the table

// What a value not reported yet reads as.
constexpr char CONTROL_UNKNOWN[] = "unknown";

// A refusal's reason as the journal says it, in German: "link down" is "keine Verbindung",
// "locked by <client>" "gesperrt von <client>"; a reason it does not know stays as it is.
constexpr size_t REASON_TEXT_SIZE = 96;
void journalReason(std::string_view reason, char* out, size_t size);

void appendValueLine(std::string& out, ControlKey key, std::string_view value);
void appendStatusLine(std::string& out, int code, std::string_view reason);
void appendEventLine(std::string& out, std::string_view key, std::string_view value);
// One command of the reply to `help`.
void appendHelpLine(std::string& out, std::string_view command);

} // namespace trx

#endif
