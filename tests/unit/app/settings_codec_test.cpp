#include "app/settings_codec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace trx {

TEST(SettingsCodec, DefaultsAndKeyNames) {
    Settings s;
    s.hexDisplay = true;
    s.presets[0].channelA = 6;
    snprintf(s.antennaNames[2], sizeof s.antennaNames[2], "Dipol");
    applyDefaultSettings(s);
    EXPECT_STREQ(s.title, "TRXDESK");
    EXPECT_FALSE(s.hexDisplay || s.autoTune);
    EXPECT_TRUE(s.showTooltips && s.showStatusBar && s.useRegistry);
    EXPECT_EQ(packPreset(s.presets[0]), 0x05000100u);
    EXPECT_STREQ(s.antennaNames[2], "");
    EXPECT_EQ(Settings{}.tuneState, STATE_P1000); // lives with the process, not the defaults

    char path[64];
    ASSERT_TRUE(settingsKeyPath(0, path, sizeof path));
    EXPECT_STREQ(path, "Software\\Quandor\\TRXDESK\\allgemein");
    ASSERT_TRUE(settingsKeyPath(3, path, sizeof path));
    EXPECT_STREQ(path, "Software\\Quandor\\TRXDESK\\Com3");
    ASSERT_TRUE(settingsKeyPath(255, path, sizeof path)); // the highest port has its key too
    EXPECT_STREQ(path, "Software\\Quandor\\TRXDESK\\Com255");
    EXPECT_FALSE(settingsKeyPath(256, path, sizeof path));
    EXPECT_FALSE(settingsKeyPath(-1, path, sizeof path));
    EXPECT_FALSE(settingsKeyPath(255, path, 10)); // does not fit: refused, not cut

    // The names of a port's journal folder and plan file.
    const struct {
        int port;
        const char* folder;
    } keys[] = {{12, "Com12"},      {0, "allgemein"}, {3, "Com03"}, // COM3 is a device name
                {9, "Com09"},       {10, "Com10"},    {255, "Com255"},
                {256, "allgemein"}, {-1, "allgemein"}};
    for (const auto& k : keys) {
        settingsKeyName(k.port, path, sizeof path);
        EXPECT_STREQ(path, k.folder) << k.port;
    }
}

TEST(SettingsCodec, FlagWordRoundTripsAndIgnoresOtherBits) {
    Settings s;
    for (uint32_t flags = 0; flags < 16; ++flags) {
        unpackFlags(flags | 0xFFF0u, s);
        EXPECT_EQ(packFlags(s), flags);
    }
    unpackFlags(0, s);
    EXPECT_FALSE(s.showTooltips || s.showStatusBar);
}

TEST(SettingsCodec, TextFromOutsideAlwaysEndsInsideItsField) {
    char field[TITLE_SIZE];
    std::memset(field, 'x', sizeof field);
    char data[40];
    std::memset(data, 'A', sizeof data); // no terminator anywhere
    copyTextField(data, TITLE_SIZE, field, sizeof field);
    EXPECT_EQ(std::strlen(field), 31u);

    const char exact[] = "0123456789012345678901234567890"; // 31 characters + terminator
    copyTextField(exact, sizeof exact, field, sizeof field);
    EXPECT_STREQ(field, exact);

    copyTextField("Dipol\0Rest", 11, field, sizeof field);
    EXPECT_STREQ(field, "Dipol");
    copyTextField("", 0, field, sizeof field);
    EXPECT_STREQ(field, "");
}

TEST(SettingsCodec, HelpPathBesideTheProgramAndCutSafely) {
    char help[HELP_PATH_SIZE];
    buildHelpPath("C:\\Programme\\TRXDESK\\TRXDESK.EXE", HELP_FILE_NAME, help, sizeof help);
    EXPECT_STREQ(help, "C:\\Programme\\TRXDESK\\TRXDESK.HLP");
    buildHelpPath("TRXDESK.EXE", HELP_FILE_NAME, help, sizeof help);
    EXPECT_STREQ(help, "TRXDESK.HLP");
    buildHelpPath("D:\\TRX\\TRXDESK.EXE", HTML_HELP_FILE_NAME, help, sizeof help);
    EXPECT_STREQ(help, "D:\\TRX\\TRXDESK.CHM");

    std::string longDir = "C:\\" + std::string(250, 'd') + "\\TRXDESK.EXE";
    std::memset(help, 'x', sizeof help);
    buildHelpPath(longDir.c_str(), HELP_FILE_NAME, help, sizeof help);
    EXPECT_STREQ(help, "TRXDESK.HLP"); // never a cut path to another file

    char small[8];
    buildHelpPath("C:\\TRXDESK.EXE", HTML_HELP_FILE_NAME, small, sizeof small);
    EXPECT_LT(std::strlen(small), sizeof small);
}

} // namespace trx
