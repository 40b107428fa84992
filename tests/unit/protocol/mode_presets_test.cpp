#include "recording_panel.h"

#include <gtest/gtest.h>

namespace trx::test {

TEST(ModePresets, DefaultF1PresetSendsItsThreeBytesInOrder) {
    Rig rig;
    rig.protocol.sendPreset(2);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xAD, 0x03, 0x55}));
}

TEST(ModePresets, ShiftCountsOnlyForF1) {
    ModePreset p{MODE_TYPE_F1, 5, 0, 0};
    EXPECT_EQ(modeCode(p), 14);
    p.shiftIndex = 3;
    EXPECT_EQ(effectiveType(p), 13);
    EXPECT_EQ(modeCode(p), 8);
    EXPECT_STREQ(modeName(modeCode(p)), "F1:250Hz");
    const ModePreset j3{MODE_TYPE_J3, 1, 3, 4};
    EXPECT_EQ(modeCode(j3), 2);
    // A J3 preset still sends its channel B, whatever it holds.
    EXPECT_EQ(presetWrites(j3)[1].value, 3);
    for (int shift = 1; shift < SHIFT_COUNT; ++shift) {
        p.shiftIndex = shift;
        char expected[16];
        snprintf(expected, sizeof expected, "F1:%dHz", shiftHertz[shift]);
        EXPECT_STREQ(modeName(modeCode(p)), expected);
    }
}

TEST(ModePresets, IdenticalPresetsLightTogetherAndOthersShowNormal) {
    Rig rig;
    rig.settings.presets[1] = rig.settings.presets[3] = ModePreset{MODE_TYPE_F7, 5, 4, 2};
    rig.receive(EmissionMode, 11);
    rig.receive(ChannelA, 5);
    rig.receive(ChannelB, 4);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET1], IDI_PRESET_F7_LIT);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET3], IDI_PRESET_F7_LIT);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET0], IDI_PRESET_J3);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET2], IDI_PRESET_F1);
    rig.receive(ChannelB, 0);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET1], IDI_PRESET_F7);
    // Types out of range show type 0's icons.
    rig.settings.presets[0].modeType = 42;
    rig.receive(EmissionMode, 12);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET0], IDI_PRESET_J3);
}

TEST(ModePresets, EditingRulesAndTypeChange) {
    EXPECT_TRUE(editableFields(MODE_TYPE_F1).shift);
    EXPECT_FALSE(editableFields(MODE_TYPE_F1).channelB);
    EXPECT_TRUE(editableFields(MODE_TYPE_BR8).channelB);
    EXPECT_FALSE(editableFields(MODE_TYPE_A1).channelB || editableFields(MODE_TYPE_A1).shift);

    ModePreset p{MODE_TYPE_J3, 3, 2, 1};
    EXPECT_FALSE(changeModeType(p, MODE_TYPE_J3));
    EXPECT_EQ(p.channelA, 3);
    EXPECT_FALSE(changeModeType(p, 11));
    EXPECT_EQ(p.modeType, MODE_TYPE_J3);
    EXPECT_TRUE(changeModeType(p, MODE_TYPE_F7));
    EXPECT_EQ(p.channelA, 5);
    EXPECT_EQ(p.channelB, 4);
    EXPECT_EQ(p.shiftIndex, 5);
}

TEST(ModePresets, RegistryFormRoundTripsAndRejectsOutOfRangeBytes) {
    for (int type = 0; type < MODE_TYPE_COUNT; ++type) {
        const ModePreset p{type, type % 7, type % 5, type % 6};
        ModePreset back = defaultPreset(MODE_TYPE_A1);
        unpackPreset(packPreset(p), back);
        EXPECT_EQ(packPreset(back), packPreset(p));
    }
    EXPECT_EQ(packPreset(ModePreset{4, 5, 4, 2}), 0x02040504u);
    ModePreset kept{MODE_TYPE_A1, 5, 0, 5};
    unpackPreset(0xFF07050Bu, kept); // type 11, A 5 ok, B 7 no, shift 15 no
    EXPECT_EQ(kept.modeType, MODE_TYPE_A1);
    EXPECT_EQ(kept.channelA, 5);
    EXPECT_EQ(kept.channelB, 0);
    EXPECT_EQ(kept.shiftIndex, 5);
    unpackPreset(0x13121114u, kept); // only the low four bits count: 4, 1, 2, 3
    EXPECT_EQ(packPreset(kept), 0x03020104u);
}

TEST(ModePresets, DefaultsAreJ3J3cF1A1With500HzShift) {
    const auto d = defaultPresets();
    EXPECT_EQ(packPreset(d[0]), 0x05000100u);
    EXPECT_EQ(packPreset(d[1]), 0x05000502u);
    EXPECT_EQ(packPreset(d[2]), 0x05000501u);
    EXPECT_EQ(packPreset(d[3]), 0x05000503u);
}

} // namespace trx::test
