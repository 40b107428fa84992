#include "panel/win/panel_menus.h"

#include "panel/menu_rules.h"
#include "panel/win/arrange_instances.h"
#include "panel/win/panel_state.h"
#include "res/resource.h"
#include "shell/schedule_switch.h"

#include <windowsx.h>

namespace trx {

namespace {

constexpr int POPUP_POSITION = 0;
constexpr size_t ANTENNA_ITEM_SIZE = 32;
constexpr UINT CHOICE_FLAGS = TPM_RETURNCMD | TPM_NONOTIFY;

HMENU loadMenu(HINSTANCE instance, int id) {
    return LoadMenuA(instance, MAKEINTRESOURCEA(id));
}

void markRadio(HMENU popup, int first, int last, int item) {
    if (item != 0) {
        CheckMenuRadioItem(popup, first, last, item, MF_BYCOMMAND);
    }
}

MenuRect windowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// Shows the popup of `menu` and destroys the menu; the tracking's result.
int showAndDestroy(PanelState& p, HWND panel, HMENU menu, UINT flags, MenuPoint at) {
    if (menu == nullptr) {
        return 0;
    }
    const int result = p.host.trackMenu(GetSubMenu(menu, POPUP_POSITION), flags, at.x, at.y, panel);
    DestroyMenu(menu);
    return result;
}

void showPresetMenu(PanelState& p, HWND panel, int index, MenuPoint at) {
    ModePreset& preset = p.settings.presets[static_cast<size_t>(index)];
    const int choice =
        showAndDestroy(p, panel, preparePresetMenu(p.instance, preset), CHOICE_FLAGS, at);
    if (choice != 0) {
        applyPresetChoice(choice, preset);
        PostMessageA(panel, WM_COMMAND, IDC_PRESET0 + index, 0); // the changed preset goes out
    }
}

void showAntennaMenu(PanelState& p, HWND panel, MenuPoint at) {
    if (!p.protocol.standby()) {
        return;
    }
    HMENU menu = prepareAntennaMenu(p.instance, p.settings, p.protocol.mirror()[Antenna]);
    const int choice = showAndDestroy(p, panel, menu, CHOICE_FLAGS, at);
    if (choice >= IDM_ANTENNA_FIRST && choice <= IDM_ANTENNA_LAST) {
        p.protocol.selectAntenna(choice - IDM_ANTENNA_FIRST);
    }
}

} // namespace

HMENU preparePresetMenu(HINSTANCE instance, const ModePreset& preset) {
    HMENU menu = loadMenu(instance, IDR_PRESET_MENU);
    HMENU popup = GetSubMenu(menu, POPUP_POSITION);
    if (popup == nullptr) {
        return menu;
    }
    const PresetMarks marks = presetMarks(preset);
    markRadio(popup, IDM_CHANNEL_A_FIRST, IDM_CHANNEL_A_LAST, marks.channelA);
    markRadio(popup, IDM_CHANNEL_B_FIRST, IDM_CHANNEL_B_LAST, marks.channelB);
    markRadio(popup, IDM_SHIFT_FIRST, IDM_SHIFT_LAST, marks.shift);
    const PresetSubmenus submenus = presetSubmenus(preset.modeType);
    // Shift first: removing channel B first would move shift to position 1.
    if (submenus.removeShift) {
        DeleteMenu(popup, SHIFT_SUBMENU, MF_BYPOSITION);
    }
    if (submenus.removeChannelB) {
        DeleteMenu(popup, CHANNEL_B_SUBMENU, MF_BYPOSITION);
    }
    return menu;
}

HMENU prepareAntennaMenu(HINSTANCE instance, const Settings& settings, uint8_t antennaRegister) {
    HMENU menu = loadMenu(instance, IDR_ANTENNA_MENU);
    HMENU popup = GetSubMenu(menu, POPUP_POSITION);
    if (popup == nullptr) {
        return menu;
    }
    char text[ANTENNA_ITEM_SIZE];
    for (int i = 0; i < ANTENNA_COUNT; ++i) {
        formatAntennaItem(i, settings.antennaNames[i], text, sizeof text);
        ModifyMenuA(popup, IDM_ANTENNA_FIRST + i, MF_BYCOMMAND | MF_STRING, IDM_ANTENNA_FIRST + i,
                    text);
    }
    CheckMenuRadioItem(popup, 0, ANTENNA_COUNT - 1, antennaMarkPosition(antennaRegister),
                       MF_BYPOSITION);
    return menu;
}

HMENU prepareMainMenu(HINSTANCE instance, int portNumber, bool standby, int panelCount) {
    HMENU menu = loadMenu(instance, IDR_MAIN_MENU);
    const MainMenuItems items = mainMenuItems(portNumber, standby, panelCount);
    const struct {
        int command;
        bool enable;
    } rules[] = {
        {IDM_STANDBY, items.standby}, {IDM_REFRESH, items.refresh}, {IDM_ARRANGE, items.arrange}};
    for (const auto& rule : rules) {
        if (rule.enable) {
            EnableMenuItem(menu, rule.command, MF_BYCOMMAND | MF_ENABLED);
        }
    }
    return menu;
}

namespace {

// The schedule's switch checked when on, "jetzt ausführen" grayed while off; all its items
// grayed when the program has none.
void markSchedule(HMENU menu, const ScheduleSwitch* schedule) {
    if (schedule) {
        const bool on = schedule->scheduleOn();
        CheckMenuItem(menu, IDM_SCHEDULE_AUTO, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(menu, IDM_SCHEDULE_NOW, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
        return;
    }
    for (int command : {IDM_SCHEDULE_AUTO, IDM_SCHEDULE_WINDOW, IDM_SCHEDULE_NOW}) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
    }
}

} // namespace

BOOL onPanelContextMenu(PanelState& p, HWND panel, HWND clicked, LPARAM where) {
    const int controlId = GetParent(clicked) == panel ? GetDlgCtrlID(clicked) : 0;
    const MenuChoice choice = menuForControl(controlId);
    const MenuPoint click{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    const MenuPoint at = menuPosition(choice.menu, click, windowRect(clicked), windowRect(panel));
    switch (choice.menu) {
    case PanelMenu::Preset:
        showPresetMenu(p, panel, choice.preset, at);
        break;
    case PanelMenu::Antenna:
        showAntennaMenu(p, panel, at);
        break;
    case PanelMenu::Main: {
        HMENU menu = prepareMainMenu(p.instance, p.serial.portNumber(), p.protocol.standby(),
                                     countInstances());
        markSchedule(menu, p.schedule);
        // The chosen item comes back as an ordinary WM_COMMAND.
        showAndDestroy(p, panel, menu, 0, at);
        break;
    }
    }
    return TRUE;
}

} // namespace trx
