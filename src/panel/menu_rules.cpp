#include "panel/menu_rules.h"

#include "protocol/line_port.h"
#include "res/resource.h"

#include <cstdio>

namespace trx {

namespace {
// Keyboard menus open a little inside the control, or below the panel's title bar.
constexpr int CONTROL_MENU_OFFSET_X = 20;
constexpr int CONTROL_MENU_OFFSET_Y = 20;
constexpr int MAIN_MENU_OFFSET_X = 10;
constexpr int MAIN_MENU_OFFSET_Y = 25;
constexpr int KEYBOARD_COORDINATE = -1;
constexpr int ANTENNA_FIELD = 3;

// The item of `value` in first..last, 0 when outside.
int itemIn(int first, int last, int value) {
    return value >= 0 && value <= last - first ? first + value : 0;
}
} // namespace

MenuChoice menuForControl(int controlId) {
    if (controlId >= IDC_PRESET0 && controlId < IDC_PRESET0 + PRESET_COUNT) {
        return {PanelMenu::Preset, controlId - IDC_PRESET0};
    }
    if (controlId == IDC_ANTENNA) {
        return {PanelMenu::Antenna, 0};
    }
    return {PanelMenu::Main, 0};
}

bool askedByKeyboard(MenuPoint click) {
    return click.x == KEYBOARD_COORDINATE && click.y == KEYBOARD_COORDINATE;
}

MenuPoint menuPosition(PanelMenu menu, MenuPoint click, const MenuRect& control,
                       const MenuRect& panel) {
    if (!askedByKeyboard(click)) {
        return click;
    }
    if (menu == PanelMenu::Main) {
        return {panel.left + MAIN_MENU_OFFSET_X, panel.top + MAIN_MENU_OFFSET_Y};
    }
    return {control.left + CONTROL_MENU_OFFSET_X, control.top + CONTROL_MENU_OFFSET_Y};
}

PresetSubmenus presetSubmenus(int modeType) {
    const EditableFields fields = editableFields(modeType);
    return {!fields.shift, !fields.channelB};
}

PresetMarks presetMarks(const ModePreset& preset) {
    return {itemIn(IDM_CHANNEL_A_FIRST, IDM_CHANNEL_A_LAST, preset.channelA),
            itemIn(IDM_CHANNEL_B_FIRST, IDM_CHANNEL_B_LAST, preset.channelB),
            itemIn(IDM_SHIFT_FIRST, IDM_SHIFT_LAST, preset.shiftIndex)};
}

bool applyPresetChoice(int command, ModePreset& preset) {
    if (command >= IDM_CHANNEL_A_FIRST && command <= IDM_CHANNEL_A_LAST) {
        preset.channelA = command - IDM_CHANNEL_A_FIRST;
    } else if (command >= IDM_CHANNEL_B_FIRST && command <= IDM_CHANNEL_B_LAST) {
        preset.channelB = command - IDM_CHANNEL_B_FIRST;
    } else if (command >= IDM_SHIFT_FIRST && command <= IDM_SHIFT_LAST) {
        preset.shiftIndex = command - IDM_SHIFT_FIRST;
    } else {
        return false;
    }
    return true;
}

MainMenuItems mainMenuItems(int portNumber, bool standby, int panelCount) {
    const bool connected = portNumber != NO_PORT;
    return {connected && !standby, connected, panelCount > 1};
}

void formatAntennaItem(int antenna, const char* name, char* text, size_t size) {
    snprintf(text, size, "A&%i: %s", antenna, name);
}

int antennaMarkPosition(uint8_t antennaRegister) {
    return antennaRegister & ANTENNA_FIELD;
}

} // namespace trx
