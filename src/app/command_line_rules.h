// The program's command line: "NOREG" switches the registry off, a token starting with C
// selects the COM port, "STEUERPORT=<n>" the control port's TCP port (0: off). Pure text
// handling, shared by start-up and its tests.
#ifndef TRXDESK_COMMAND_LINE_RULES_H
#define TRXDESK_COMMAND_LINE_RULES_H

#include <string_view>

namespace trx {

struct CommandLine {
    bool portGiven = false;
    int portNumber = 0; // 0..255, valid when portGiven
    bool noRegistry = false;
    bool controlPortGiven = false;
    int controlPort = 0; // 0..65535, valid when controlPortGiven
};

// Tokens are separated by runs of blanks, commas, tabs, minus signs and slashes and compared
// without regard to case. The last C token wins; its number is taken modulo 256. The last
// STEUERPORT= with a number up to 65535 wins; any other value after it is ignored.
CommandLine parseCommandLine(std::string_view text);

} // namespace trx

#endif
