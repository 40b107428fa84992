#include "app/settings_codec.h"

#include "protocol/line_port.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {
constexpr char KEY_ROOT[] = "Software\\Quandor\\TRXDESK\\";
constexpr char KEY_NO_PORT[] = "allgemein";
} // namespace

void applyDefaultSettings(Settings& settings) {
    snprintf(settings.title, sizeof settings.title, "%s", DEFAULT_TITLE);
    settings.autoTune = false;
    settings.hexDisplay = false;
    settings.showTooltips = true;
    settings.showStatusBar = true;
    settings.useRegistry = true;
    settings.presets = defaultPresets();
    for (char* name : settings.antennaNames) {
        name[0] = '\0';
    }
}

bool settingsKeyPath(int portNumber, char* path, size_t size) {
    if (portNumber < 0 || portNumber > MAX_PORT) {
        return false;
    }
    const int n = portNumber == 0 ? snprintf(path, size, "%s%s", KEY_ROOT, KEY_NO_PORT)
                                  : snprintf(path, size, "%sCom%i", KEY_ROOT, portNumber);
    return n > 0 && static_cast<size_t>(n) < size;
}

void settingsKeyName(int portNumber, char* name, size_t size) {
    constexpr int LAST_DEVICE_NAME = 9;
    if (portNumber <= 0 || portNumber > MAX_PORT) {
        snprintf(name, size, "%s", KEY_NO_PORT);
    } else {
        snprintf(name, size, portNumber <= LAST_DEVICE_NAME ? "Com0%d" : "Com%d", portNumber);
    }
}

uint32_t packFlags(const Settings& s) {
    return (s.showStatusBar ? FLAG_STATUS_BAR : 0) | (s.showTooltips ? FLAG_TOOLTIPS : 0) |
           (s.hexDisplay ? FLAG_HEX_DISPLAY : 0) | (s.autoTune ? FLAG_AUTO_TUNE : 0);
}

void unpackFlags(uint32_t flags, Settings& s) {
    s.autoTune = flags & FLAG_AUTO_TUNE;
    s.hexDisplay = flags & FLAG_HEX_DISPLAY;
    s.showStatusBar = flags & FLAG_STATUS_BAR;
    s.showTooltips = flags & FLAG_TOOLTIPS;
}

void copyTextField(const char* data, size_t size, char* field, size_t fieldSize) {
    if (fieldSize == 0) {
        return;
    }
    const size_t n = size < fieldSize - 1 ? size : fieldSize - 1;
    std::memcpy(field, data, n);
    field[n] = '\0';
    // A stored terminator inside the data ends the text there, as the string it was saved as.
    field[strnlen(field, n)] = '\0';
}

void buildHelpPath(const char* modulePath, const char* fileName, char* helpPath, size_t size) {
    const char* slash = std::strrchr(modulePath, '\\');
    const size_t dirLength = slash ? static_cast<size_t>(slash - modulePath) + 1 : 0;
    const int n =
        snprintf(helpPath, size, "%.*s%s", static_cast<int>(dirLength), modulePath, fileName);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        snprintf(helpPath, size, "%s", fileName);
    }
}

} // namespace trx
