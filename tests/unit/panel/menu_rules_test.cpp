#include "panel/menu_rules.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace trx {

TEST(MenuRules, TheClickedControlChoosesTheMenu) {
    EXPECT_EQ(menuForControl(IDC_PRESET0).menu, PanelMenu::Preset);
    EXPECT_EQ(menuForControl(IDC_PRESET3).preset, 3);
    EXPECT_EQ(menuForControl(IDC_ANTENNA).menu, PanelMenu::Antenna);
    for (int id : {0, IDC_PROGRAM, IDC_FREQUENCY, IDC_STATE_STANDBY, IDC_PRESET3 + 1}) {
        EXPECT_EQ(menuForControl(id).menu, PanelMenu::Main) << id;
    }
}

TEST(MenuRules, KeyboardMenusOpenInsideTheControlOrBelowTheTitle) {
    const MenuRect control{300, 200, 340, 240};
    const MenuRect panel{100, 50, 520, 300};
    const MenuPoint keyboard{-1, -1};
    const MenuPoint at = menuPosition(PanelMenu::Preset, keyboard, control, panel);
    EXPECT_EQ(at.x, 320);
    EXPECT_EQ(at.y, 220);
    const MenuPoint antenna = menuPosition(PanelMenu::Antenna, keyboard, control, panel);
    EXPECT_EQ(antenna.x, 320);
    const MenuPoint main = menuPosition(PanelMenu::Main, keyboard, control, panel);
    EXPECT_EQ(main.x, 110);
    EXPECT_EQ(main.y, 75);
    // A click opens where it was, even at -1 in one coordinate only (a second monitor).
    for (const MenuPoint click : {MenuPoint{5, 7}, MenuPoint{-1, 40}, MenuPoint{40, -1}}) {
        const MenuPoint clicked = menuPosition(PanelMenu::Main, click, control, panel);
        EXPECT_EQ(clicked.x, click.x);
        EXPECT_EQ(clicked.y, click.y);
    }
}

TEST(MenuRules, EachModeTypeOffersItsSubmenus) {
    for (int type = -1; type <= 12; ++type) {
        const PresetSubmenus s = presetSubmenus(type);
        EXPECT_EQ(s.removeShift, type != MODE_TYPE_F1) << type;
        EXPECT_EQ(s.removeChannelB, type < MODE_TYPE_F7 || type > MODE_TYPE_BR8) << type;
    }
}

TEST(MenuRules, PresetChoicesSetOneFieldAndMarksStayInRange) {
    ModePreset p{MODE_TYPE_F1, 5, 0, 5};
    const PresetMarks marks = presetMarks(p);
    EXPECT_EQ(marks.channelA, IDM_CHANNEL_A_FIRST + 5);
    EXPECT_EQ(marks.channelB, IDM_CHANNEL_B_FIRST);
    EXPECT_EQ(marks.shift, IDM_SHIFT_LAST);
    EXPECT_EQ(presetMarks(ModePreset{0, 7, 5, -1}).channelA, 0);
    EXPECT_EQ(presetMarks(ModePreset{0, 7, 5, -1}).channelB, 0);
    EXPECT_EQ(presetMarks(ModePreset{0, 7, 5, -1}).shift, 0);

    const struct {
        int command;
        ModePreset after;
    } cases[] = {{IDM_CHANNEL_A_FIRST, {MODE_TYPE_F1, 0, 0, 5}},
                 {IDM_CHANNEL_A_LAST, {MODE_TYPE_F1, 6, 0, 5}},
                 {IDM_CHANNEL_B_LAST, {MODE_TYPE_F1, 5, 4, 5}},
                 {IDM_SHIFT_FIRST, {MODE_TYPE_F1, 5, 0, 0}},
                 {IDM_SHIFT_FIRST + 3, {MODE_TYPE_F1, 5, 0, 3}}};
    for (const auto& c : cases) {
        ModePreset edited = p;
        EXPECT_TRUE(applyPresetChoice(c.command, edited)) << c.command;
        EXPECT_EQ(packPreset(edited), packPreset(c.after)) << c.command;
    }
    for (int command : {0, IDM_CHANNEL_A_FIRST - 1, IDM_SHIFT_LAST + 1, IDM_ANTENNA_FIRST}) {
        ModePreset edited = p;
        EXPECT_FALSE(applyPresetChoice(command, edited)) << command;
        EXPECT_EQ(packPreset(edited), packPreset(p));
    }
}

TEST(MenuRules, MainMenuEnablesWhatApplies) {
    const struct {
        int port;
        bool standby;
        int panels;
        bool standbyItem, refresh, arrange;
    } cases[] = {{0, false, 1, false, false, false},
                 {3, false, 1, true, true, false},
                 {3, true, 2, false, true, true},
                 {0, true, 8, false, false, true}};
    for (const auto& c : cases) {
        const MainMenuItems items = mainMenuItems(c.port, c.standby, c.panels);
        EXPECT_EQ(items.standby, c.standbyItem);
        EXPECT_EQ(items.refresh, c.refresh);
        EXPECT_EQ(items.arrange, c.arrange);
    }
}

TEST(MenuRules, AntennaItemsAndTheirMark) {
    char text[32];
    formatAntennaItem(2, "Rhombus Nord", text, sizeof text);
    EXPECT_STREQ(text, "A&2: Rhombus Nord");
    char small[8];
    formatAntennaItem(3, "Langdraht", small, sizeof small);
    EXPECT_STREQ(small, "A&3: La");
    EXPECT_EQ(antennaMarkPosition(0), 0);
    EXPECT_EQ(antennaMarkPosition(2), 2);
    EXPECT_EQ(antennaMarkPosition(0xFF), 3); // never reported: the fourth item
}

} // namespace trx
