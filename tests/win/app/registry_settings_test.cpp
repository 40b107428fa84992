#include "registry_settings.h"
#include "settings_codec.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace trx {
namespace {

// Each test uses its own port's key, removed before and after.
class RegistrySettings : public ::testing::Test {
  protected:
    void useKey(int port) {
        port_ = port;
        settingsKeyPath(port, path_, sizeof path_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_);
        applyDefaultSettings(settings);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, path_); }

    bool keyExists() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path_, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
    void put(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    int load() { return registrySettings(RegistryAction::Load, port_, settings, baudRate); }
    int save() { return registrySettings(RegistryAction::Save, port_, settings, baudRate); }

    Settings settings;
    int32_t baudRate = 1200;
    int port_ = 0;
    char path_[MAX_PATH] = {};
};

TEST_F(RegistrySettings, FirstLoadCreatesTheKeyEmptyAndKeepsDefaults) {
    useKey(0);
    EXPECT_EQ(load(), 0);
    EXPECT_TRUE(keyExists());
    EXPECT_STREQ(settings.title, "TRXDESK");
    EXPECT_EQ(baudRate, 1200);
    EXPECT_EQ(registrySettings(RegistryAction::Load, 256, settings, baudRate), 0);
}

TEST_F(RegistrySettings, SaveThenLoadGivesTheSameSettings) {
    useKey(201);
    snprintf(settings.title, sizeof settings.title, "Sender Süd");
    snprintf(settings.antennaNames[3], sizeof settings.antennaNames[3], "Rhombus");
    settings.hexDisplay = true;
    settings.showTooltips = false;
    settings.presets[1] = ModePreset{MODE_TYPE_F7, 6, 3, 2};
    baudRate = 9600;
    EXPECT_EQ(save(), 1);

    Settings saved = settings;
    applyDefaultSettings(settings);
    baudRate = 1200;
    EXPECT_EQ(load(), 1);
    EXPECT_STREQ(settings.title, saved.title);
    EXPECT_STREQ(settings.antennaNames[3], "Rhombus");
    EXPECT_TRUE(settings.hexDisplay);
    EXPECT_FALSE(settings.showTooltips);
    EXPECT_TRUE(settings.showStatusBar);
    EXPECT_EQ(packPreset(settings.presets[1]), packPreset(saved.presets[1]));
    EXPECT_EQ(baudRate, 9600);
}

TEST_F(RegistrySettings, TextsRespectTheirFieldsWhateverIsStored) {
    useKey(202);
    const std::string exact(31, 'T'); // 32 bytes with its terminator: loaded
    put("Titel", REG_SZ, exact.c_str(), 32);
    const std::string tooLong(16, 'A'); // 17 bytes: ignored
    put("Antenne0", REG_SZ, tooLong.c_str(), 17);
    char unterminated[16];
    std::memset(unterminated, 'B', sizeof unterminated); // exactly the field, no terminator
    put("Antenne1", REG_BINARY, unterminated, sizeof unterminated);
    snprintf(settings.antennaNames[0], sizeof settings.antennaNames[0], "alt");
    EXPECT_EQ(load(), 1);
    EXPECT_EQ(std::string(settings.title), exact);
    EXPECT_STREQ(settings.antennaNames[0], "alt");
    EXPECT_EQ(std::string(settings.antennaNames[1]), std::string(15, 'B'));

    const std::string tooLongTitle(32, 'X'); // 33 bytes
    put("Titel", REG_SZ, tooLongTitle.c_str(), 33);
    EXPECT_EQ(load(), 1);
    EXPECT_EQ(std::string(settings.title), exact);
}

TEST_F(RegistrySettings, NumbersOfOddSizesAndTypes) {
    useKey(203);
    const uint16_t shortFlags = 0x0008; // 2 bytes: read into a number starting at 0
    put("diverse", REG_BINARY, &shortFlags, sizeof shortFlags);
    const uint64_t longBaud = 4800; // 8 bytes: refused, baud rate kept
    put("Baudrate", REG_QWORD, &longBaud, sizeof longBaud);
    const uint8_t preset1[4] = {2, 11, 4, 6};
    put("Taste1", REG_DWORD, preset1, sizeof preset1);
    const uint8_t preset2[4] = {0x12, 0xF3, 0x7, 0x24};
    put("Taste2", REG_DWORD, preset2, sizeof preset2);
    settings.presets[1] = ModePreset{MODE_TYPE_A1, 5, 0, 5};
    settings.presets[2] = ModePreset{MODE_TYPE_F1, 5, 0, 5};
    EXPECT_EQ(load(), 1);
    EXPECT_TRUE(settings.showTooltips);
    EXPECT_FALSE(settings.showStatusBar);
    EXPECT_EQ(baudRate, 1200);
    EXPECT_EQ(packPreset(settings.presets[1]), packPreset(ModePreset{2, 5, 4, 5}));
    EXPECT_EQ(packPreset(settings.presets[2]), packPreset(ModePreset{2, 3, 0, 4}));
}

TEST_F(RegistrySettings, ControlPortValuesAreReadWithoutCreatingTheKey) {
    useKey(204);
    ControlSettings control;
    loadControlSettings(204, control);
    EXPECT_FALSE(keyExists());
    EXPECT_EQ(control.port, 0);
    EXPECT_FALSE(control.network);

    const DWORD port = 4703;
    put("Steuerport", REG_DWORD, &port, sizeof port);
    const char networks[] = "192.168.1.0/24, 10.8.0.7";
    put("SteuerportNetz", REG_SZ, networks, sizeof networks);
    put("SteuerportKennwort", REG_SZ, "Geheim", 7);
    loadControlSettings(204, control);
    EXPECT_EQ(control.port, 4703);
    EXPECT_TRUE(control.network);
    EXPECT_STREQ(control.networks, networks);
    EXPECT_STREQ(control.password, "Geheim");

    const DWORD tooHigh = 65536;
    put("Steuerport", REG_DWORD, &tooHigh, sizeof tooHigh);
    const std::string tooLong(CONTROL_PASSWORD_SIZE, 'K'); // no room for its terminator
    put("SteuerportKennwort", REG_SZ, tooLong.c_str(), CONTROL_PASSWORD_SIZE + 1);
    loadControlSettings(204, control);
    EXPECT_EQ(control.port, 0);
    EXPECT_STREQ(control.password, "Geheim");
}

} // namespace
} // namespace trx
