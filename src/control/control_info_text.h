// Which transmitter a panel drives, as the reply to `info` and the scrape's trxdesk_info
// tell it: the panel's title, its COM port and rate, the program's version and the journal's
// day file. Pure text handling.
#ifndef TRXDESK_CONTROL_INFO_TEXT_H
#define TRXDESK_CONTROL_INFO_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace trx {

// The longest title and journal path `info` and the scrape read; the rest is left off.
constexpr size_t CONTROL_TITLE_LIMIT = 31;
constexpr size_t CONTROL_PATH_LIMIT = 512;
// "COM255", or this without a port.
constexpr char CONTROL_NO_PORT_NAME[] = "getrennt";
constexpr size_t CONTROL_PORT_NAME_SIZE = 16;

// What the entry point hands the control port about the panel. Asked at each `info` and
// scrape: the operator may change the title and the port while the panel runs.
class ControlStation {
  public:
    virtual ~ControlStation() = default;
    // The title as the operator set it, in CP1252; from the registry or the command line, so
    // it may hold anything.
    virtual std::string_view title() const = 0;
    // The COM port's rate in baud.
    virtual int baudRate() const = 0;
    // The program's version, "1.2.3".
    virtual std::string_view version() const = 0;
};

// The station's texts as `info` and the scrape give them: each in UTF-8 on one line.
struct ControlIdentity {
    std::string title;
    std::string port; // "COM5", or CONTROL_NO_PORT_NAME
    int baudRate = 0;
    std::string version;
    std::string journalFile; // empty while the journal is off
};

// "COM<n>", or CONTROL_NO_PORT_NAME for 0.
void formatPortName(int portNumber, char* out, size_t size);

// A text from outside (CP1252) for one line of a reply and one label: at most `limit` of its
// bytes, up to a terminator, each control character (CR, LF, tab, ...) a blank, in UTF-8.
std::string oneLineText(std::string_view cp1252, size_t limit);

// The `key: value` lines of `info`, without the status line.
void appendInfoLines(std::string& out, const ControlIdentity& identity);

} // namespace trx

#endif
