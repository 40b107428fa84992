// The rules of the panel's three context menus, apart from the menus themselves: which
// menu a click opens, where it opens, which items it offers, marks and enables, and what a
// choice in a preset menu changes.
#ifndef TRXDESK_MENU_RULES_H
#define TRXDESK_MENU_RULES_H

#include "protocol/mode_presets.h"

#include <cstddef>
#include <cstdint>

namespace trx {

enum class PanelMenu { Preset, Antenna, Main };

// The control that was clicked (0 for the panel itself or a window that is none of its
// controls) decides the menu; a preset key gives its preset's index.
struct MenuChoice {
    PanelMenu menu;
    int preset; // 0..3 for the preset menu
};
MenuChoice menuForControl(int controlId);

struct MenuRect {
    int left, top, right, bottom;
};
struct MenuPoint {
    int x, y;
};
// A menu asked for by keyboard (or F3) has no click position: both coordinates are -1.
bool askedByKeyboard(MenuPoint click);
// Where the menu opens: at the click, or by keyboard near the clicked control (preset and
// antenna menus) or near the panel's top left corner (main menu).
MenuPoint menuPosition(PanelMenu menu, MenuPoint click, const MenuRect& control,
                       const MenuRect& panel);

// Submenu positions in the preset menu, and which of them a mode type keeps.
constexpr int CHANNEL_A_SUBMENU = 0;
constexpr int CHANNEL_B_SUBMENU = 1;
constexpr int SHIFT_SUBMENU = 2;
struct PresetSubmenus {
    bool removeShift;    // removed first, at its position 2
    bool removeChannelB; // removed next, at its position 1
};
PresetSubmenus presetSubmenus(int modeType);

// Items that carry the radio mark, 0 for a field outside its item range.
struct PresetMarks {
    int channelA, channelB, shift;
};
PresetMarks presetMarks(const ModePreset& preset);

// Sets the field that a chosen item stands for. False for a command no item has.
bool applyPresetChoice(int command, ModePreset& preset);

// Main-menu items enabled beyond those the menu enables itself.
struct MainMenuItems {
    bool standby, refresh, arrange;
};
MainMenuItems mainMenuItems(int portNumber, bool standby, int panelCount);

// Antenna menu: the item text "A&%i: %s" and the position that carries the radio mark.
void formatAntennaItem(int antenna, const char* name, char* text, size_t size);
int antennaMarkPosition(uint8_t antennaRegister);

} // namespace trx

#endif
