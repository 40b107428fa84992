// What WinMain reads before the panel exists: the help files beside the exe, the settings
// defaults, the command line and the port's stored settings, the control port's among them.
#ifndef TRXDESK_START_UP_H
#define TRXDESK_START_UP_H

#include "app/settings_codec.h"
#include "app/station_settings.h"
#include "protocol/settings.h"
#include "serial/win/serial_port.h"

namespace trx {

struct HelpPaths {
    char winHelp[HELP_PATH_SIZE] = {};
    char htmlHelp[HELP_PATH_SIZE] = {};
};

// Fills `help`, `settings` and `station` and sets the port's number, baud rate and line
// format; `commandLine` is upper-cased in place.
void initSettings(char* commandLine, Settings& settings, SerialPort& serial, HelpPaths& help,
                  StationSettings& station);

} // namespace trx

#endif
