// The program's process-wide objects besides the serial port: one settings record, the
// module handle for resources and the help files' paths. Only the user-interface thread uses them.
#ifndef TRXDESK_APP_GLOBALS_H
#define TRXDESK_APP_GLOBALS_H

#include "serial_instance.h"
#include "settings.h"
#include "settings_codec.h"

#include <windows.h>

namespace trx {

extern HINSTANCE instanceHandle;
extern char helpPath[HELP_PATH_SIZE];
extern char htmlHelpPath[HELP_PATH_SIZE];
extern Settings settings;

// Defaults, the command line (upper-cased in place) and the port's stored settings.
void initSettings(char* commandLine);

} // namespace trx

#endif
