#include "app_globals.h"

#include "command_line.h"
#include "registry_settings.h"
#include "res/resource.h"

namespace trx {

HINSTANCE instanceHandle = nullptr;
char helpPath[HELP_PATH_SIZE] = {};
char htmlHelpPath[HELP_PATH_SIZE] = {};
Settings settings;

namespace {
constexpr uint8_t LINE_PARITY = EVENPARITY;
constexpr uint8_t LINE_STOP_BITS = TWOSTOPBITS;
} // namespace

void initSettings(char* commandLine) {
    char modulePath[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    modulePath[length < sizeof modulePath ? length : sizeof modulePath - 1] = '\0';
    buildHelpPath(modulePath, HELP_FILE_NAME, helpPath, sizeof helpPath);
    buildHelpPath(modulePath, HTML_HELP_FILE_NAME, htmlHelpPath, sizeof htmlHelpPath);

    applyDefaultSettings(settings);
    serialPort.portNumber = 0;
    serialPort.baudRate = DEFAULT_BAUD_RATE;
    serialPort.parity = LINE_PARITY;
    serialPort.stopBits = LINE_STOP_BITS;
    serialPort.receiveMessage = WM_TRX_RECEIVED;

    CharUpperA(commandLine);
    const CommandLine line = parseCommandLine(commandLine);
    if (line.noRegistry) {
        settings.useRegistry = false;
    }
    if (line.portGiven) {
        serialPort.portNumber = line.portNumber;
    }
    if (settings.useRegistry) {
        registrySettings(RegistryAction::Load, serialPort.portNumber, settings,
                         serialPort.baudRate);
    }
}

} // namespace trx
