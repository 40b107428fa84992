// The operator configuration: one record per process, filled at start-up, changed by the
// dialogs and saved per port. Port number and baud rate live in the serial port.
#ifndef TRXDESK_SETTINGS_H
#define TRXDESK_SETTINGS_H

#include "protocol/mode_presets.h"
#include "protocol/transmitter_vocabulary.h"

#include <array>

namespace trx {

constexpr int TITLE_SIZE = 32;        // at most 31 characters and the terminator
constexpr int ANTENNA_NAME_SIZE = 16; // at most 15 characters and the terminator

struct Settings {
    char title[TITLE_SIZE] = {};
    char antennaNames[ANTENNA_COUNT][ANTENNA_NAME_SIZE] = {};
    bool hexDisplay = false;
    bool autoTune = false;
    bool showTooltips = false;
    bool showStatusBar = false;
    bool useRegistry = false;
    int tuneState = STATE_P1000; // 4, 5 or 6; not stored, 6 at process start
    std::array<ModePreset, PRESET_COUNT> presets = defaultPresets();
};

} // namespace trx

#endif
