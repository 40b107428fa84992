#include "app/registry_settings.h"
#include "app/settings_codec.h"

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
    loadControlSettings(204, control);
    EXPECT_EQ(control.port, 0);
}

// The passwords as the dialog stores them and as older versions or another user left them:
// protected for this user, a plain value still read, and whatever cannot be read is no
// password, flagged so that the operator is told.
TEST_F(RegistrySettings, PasswordsAreStoredProtectedAndReadWhateverIsThere) {
    useKey(205);
    put("SteuerportKennwort", REG_SZ, "Klartext", 9); // as before protection
    StationSettings station;
    loadStationSettings(205, station);
    EXPECT_STREQ(station.control.password, "Klartext");
    EXPECT_FALSE(station.control.passwordUnreadable);

    snprintf(station.control.readPassword, sizeof station.control.readPassword, "Lesen");
    snprintf(station.journalFolder, sizeof station.journalFolder, "D:\\Journal");
    station.control.port = 4703;
    ASSERT_TRUE(saveStationSettings(205, station));
    for (const char* name : {"SteuerportKennwort", "SteuerportLesekennwort"}) {
        BYTE data[2048];
        DWORD type = 0;
        DWORD size = sizeof data;
        ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, path_, name, RRF_RT_ANY, &type, data, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY)) << name;
        const std::string stored(reinterpret_cast<const char*>(data), size);
        EXPECT_EQ(stored.find("Klartext"), std::string::npos);
        EXPECT_EQ(stored.find("Lesen"), std::string::npos);
    }
    StationSettings loaded;
    loadStationSettings(205, loaded);
    EXPECT_STREQ(loaded.control.password, "Klartext");
    EXPECT_STREQ(loaded.control.readPassword, "Lesen");
    EXPECT_STREQ(loaded.journalFolder, "D:\\Journal");
    EXPECT_EQ(loaded.control.port, 4703);

    const struct {
        const char* what;
        DWORD type;
        std::string data;
    } unreadable[] = {
        {"a damaged blob", REG_BINARY, std::string(200, '\x5A')},
        {"a blob far too long", REG_BINARY, std::string(100000, '\x01')},
        {"a plain value too long", REG_SZ, std::string(CONTROL_PASSWORD_SIZE, 'K')},
        {"a number", REG_DWORD, std::string(4, '\x07')},
    };
    for (const auto& u : unreadable) {
        put("SteuerportKennwort", u.type, u.data.data(), static_cast<DWORD>(u.data.size()));
        ControlSettings control;
        loadControlSettings(205, control);
        EXPECT_STREQ(control.password, "") << u.what;
        EXPECT_TRUE(control.passwordUnreadable) << u.what;
        EXPECT_STREQ(control.readPassword, "Lesen") << u.what;
    }
    // Saved again without a new password, the value that could not be read is left alone;
    // an empty one removes its value.
    loaded.control.passwordUnreadable = true;
    loaded.control.readPassword[0] = '\0';
    ASSERT_TRUE(saveStationSettings(205, loaded));
    DWORD type = 0;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, path_, "SteuerportKennwort", RRF_RT_ANY, &type,
                           nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, path_, "SteuerportLesekennwort", RRF_RT_ANY, nullptr,
                           nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    // A key the user may only read (an administrator's policy) is told, not written.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path_, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    SECURITY_DESCRIPTOR readOnly;
    InitializeSecurityDescriptor(&readOnly, SECURITY_DESCRIPTOR_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBytes[128];
    auto* acl = reinterpret_cast<PACL>(aclBytes);
    InitializeAcl(acl, sizeof aclBytes, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SetSecurityDescriptorDacl(&readOnly, TRUE, acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &readOnly), ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);
    EXPECT_FALSE(saveStationSettings(205, loaded));
    EXPECT_FALSE(saveStationSettings(256, loaded)); // no key for such a port
}

} // namespace
} // namespace trx
