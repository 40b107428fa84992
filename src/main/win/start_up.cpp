#include "main/win/start_up.h"

#include "app/command_line_rules.h"
#include "app/registry_settings.h"

namespace trx {

namespace {
// The transmitter's line: even parity, two stop bits.
constexpr LineFormat TRANSMITTER_LINE{DEFAULT_BYTE_SIZE, EVENPARITY, TWOSTOPBITS};
} // namespace

void initSettings(char* commandLine, Settings& settings, SerialPort& serial, HelpPaths& help,
                  StationSettings& station) {
    char modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    modulePath[length < sizeof modulePath ? length : sizeof modulePath - 1] = '\0';
    buildHelpPath(modulePath, HELP_FILE_NAME, help.winHelp, sizeof help.winHelp);
    buildHelpPath(modulePath, HTML_HELP_FILE_NAME, help.htmlHelp, sizeof help.htmlHelp);

    applyDefaultSettings(settings);
    serial.setPortNumber(NO_PORT);
    serial.setBaudRate(DEFAULT_BAUD_RATE);
    serial.setLineFormat(TRANSMITTER_LINE);

    CharUpperA(commandLine);
    const CommandLine line = parseCommandLine(commandLine);
    if (line.noRegistry) {
        settings.useRegistry = false;
    }
    if (line.portGiven) {
        serial.setPortNumber(line.portNumber);
    }
    if (settings.useRegistry) {
        int32_t baudRate = serial.baudRate();
        registrySettings(RegistryAction::Load, serial.portNumber(), settings, baudRate);
        serial.setBaudRate(baudRate);
        loadStationSettings(serial.portNumber(), station);
    }
    if (line.controlPortGiven) {
        station.control.port = line.controlPort;
    }
}

} // namespace trx
