// The program's command line: "NOREG" switches the registry off, a token starting with C
// selects the COM port. Pure text handling, shared by start-up and its tests.
#ifndef TRXDESK_COMMAND_LINE_RULES_H
#define TRXDESK_COMMAND_LINE_RULES_H

#include <string_view>

namespace trx {

struct CommandLine {
    bool portGiven = false;
    int portNumber = 0; // 0..255, valid when portGiven
    bool noRegistry = false;
};

// Tokens are separated by runs of blanks, commas, tabs, minus signs and slashes and compared
// without regard to case. The last C token wins; its number is taken modulo 256.
CommandLine parseCommandLine(std::string_view text);

} // namespace trx

#endif
