#include "app/registry_settings.h"

#include "app/schedule_settings.h"
#include "app/settings_codec.h"
#include "app/win/protected_password.h"

#include <windows.h>

#include <cstdio>

namespace trx {

namespace {

constexpr char VALUE_TITLE[] = "Titel";
constexpr char VALUE_ANTENNA[] = "Antenne%d";
constexpr char VALUE_FLAGS[] = "diverse";
constexpr char VALUE_BAUD_RATE[] = "Baudrate";
constexpr char VALUE_PRESET[] = "Taste%d";
constexpr char VALUE_CONTROL_PORT[] = "Steuerport";
constexpr char VALUE_CONTROL_NETWORKS[] = "SteuerportNetz";
constexpr char VALUE_CONTROL_PASSWORD[] = "SteuerportKennwort";
constexpr char VALUE_CONTROL_READ_PASSWORD[] = "SteuerportLesekennwort";
constexpr char VALUE_SCHEDULE_ON[] = "SendeplanAktiv";
constexpr char VALUE_SCHEDULE_LEAD[] = "Vorlauf";
constexpr char VALUE_SCHEDULE_TUNE[] = "Abstimmzeit";
constexpr char VALUE_SCHEDULE_FILE[] = "Sendeplan";
constexpr size_t VALUE_NAME_SIZE = 16;
constexpr DWORD DWORD_SIZE = sizeof(DWORD);

// Closes the key on every path.
class RegistryKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_;
};

bool setText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

// An empty text is no value at all: the program's default holds.
bool setTextOrRemove(HKEY key, const char* name, const char* text) {
    if (text[0] != '\0') {
        return setText(key, name, text);
    }
    const LSTATUS status = RegDeleteValueA(key, name);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool setDword(HKEY key, const char* name, uint32_t value) {
    const DWORD data = value;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          DWORD_SIZE) == ERROR_SUCCESS;
}

// At most four bytes into a number that starts at 0; a longer value fails.
bool getDword(HKEY key, const char* name, uint32_t& value) {
    DWORD data = 0;
    DWORD size = DWORD_SIZE;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    value = data;
    return true;
}

// A text whose stored size fits the field is read; a failed read gives `fallback`.
// Missing or larger values leave the field alone.
void getText(HKEY key, const char* name, char* field, size_t fieldSize, const char* fallback) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > fieldSize) {
        return;
    }
    char data[JOURNAL_FOLDER_SIZE];
    static_assert(sizeof data >= TITLE_SIZE && sizeof data >= CONTROL_NETWORKS_SIZE);
    DWORD read = static_cast<DWORD>(fieldSize);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &read) !=
        ERROR_SUCCESS) {
        snprintf(field, fieldSize, "%s", fallback);
        return;
    }
    copyTextField(data, read, field, fieldSize);
}

void save(HKEY key, const Settings& s, int32_t baudRate) {
    char name[VALUE_NAME_SIZE];
    setText(key, VALUE_TITLE, s.title);
    for (int i = 0; i < ANTENNA_COUNT; ++i) {
        snprintf(name, sizeof name, VALUE_ANTENNA, i);
        setText(key, name, s.antennaNames[i]);
    }
    setDword(key, VALUE_FLAGS, packFlags(s));
    setDword(key, VALUE_BAUD_RATE, static_cast<uint32_t>(baudRate));
    for (int i = 0; i < PRESET_COUNT; ++i) {
        snprintf(name, sizeof name, VALUE_PRESET, i);
        setDword(key, name, packPreset(s.presets[static_cast<size_t>(i)]));
    }
}

void load(HKEY key, Settings& s, int32_t& baudRate) {
    char name[VALUE_NAME_SIZE];
    uint32_t value = 0;
    if (getDword(key, VALUE_FLAGS, value)) {
        unpackFlags(value, s);
    }
    if (getDword(key, VALUE_BAUD_RATE, value)) {
        baudRate = static_cast<int32_t>(value); // checked when the port opens
    }
    getText(key, VALUE_TITLE, s.title, sizeof s.title, DEFAULT_TITLE);
    for (int i = 0; i < ANTENNA_COUNT; ++i) {
        snprintf(name, sizeof name, VALUE_ANTENNA, i);
        getText(key, name, s.antennaNames[i], sizeof s.antennaNames[i], "");
    }
    for (int i = 0; i < PRESET_COUNT; ++i) {
        snprintf(name, sizeof name, VALUE_PRESET, i);
        if (getDword(key, name, value)) {
            unpackPreset(value, s.presets[static_cast<size_t>(i)]);
        }
    }
}

// The port's key for reading; nullptr for a port outside 0..255 or a key not there.
HKEY openForReading(int portNumber) {
    char path[MAX_PATH];
    HKEY handle = nullptr;
    if (!settingsKeyPath(portNumber, path, sizeof path) ||
        RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return nullptr;
    }
    return handle;
}

} // namespace

void loadControlSettings(int portNumber, ControlSettings& control) {
    HKEY handle = openForReading(portNumber);
    if (handle == nullptr) {
        return;
    }
    RegistryKey key(handle);
    uint32_t port = 0;
    if (getDword(key.get(), VALUE_CONTROL_PORT, port)) {
        control.port = port <= CONTROL_PORT_MAX ? static_cast<int>(port) : 0;
    }
    DWORD size = 0;
    control.network = RegQueryValueExA(key.get(), VALUE_CONTROL_NETWORKS, nullptr, nullptr, nullptr,
                                       &size) == ERROR_SUCCESS;
    getText(key.get(), VALUE_CONTROL_NETWORKS, control.networks, sizeof control.networks, "");
    control.passwordUnreadable =
        readStoredPassword(key.get(), VALUE_CONTROL_PASSWORD, control.password,
                           sizeof control.password) == StoredPassword::Unreadable;
    control.readPasswordUnreadable =
        readStoredPassword(key.get(), VALUE_CONTROL_READ_PASSWORD, control.readPassword,
                           sizeof control.readPassword) == StoredPassword::Unreadable;
}

void loadStationSettings(int portNumber, StationSettings& station) {
    loadControlSettings(portNumber, station.control);
    HKEY handle = openForReading(portNumber);
    if (handle == nullptr) {
        return;
    }
    RegistryKey key(handle);
    getText(key.get(), JOURNAL_FOLDER_VALUE, station.journalFolder, sizeof station.journalFolder,
            "");
}

bool saveStationSettings(int portNumber, const StationSettings& station) {
    char path[MAX_PATH];
    HKEY handle = nullptr;
    if (!settingsKeyPath(portNumber, path, sizeof path) ||
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegistryKey key(handle);
    const ControlSettings& control = station.control;
    bool ok = setDword(key.get(), VALUE_CONTROL_PORT, static_cast<uint32_t>(control.port));
    ok = setTextOrRemove(key.get(), VALUE_CONTROL_NETWORKS, control.networks) && ok;
    // A value that could not be read stays as it is until the operator sets another.
    if (!control.passwordUnreadable) {
        ok = storePassword(key.get(), VALUE_CONTROL_PASSWORD, control.password) && ok;
    }
    if (!control.readPasswordUnreadable) {
        ok = storePassword(key.get(), VALUE_CONTROL_READ_PASSWORD, control.readPassword) && ok;
    }
    return setTextOrRemove(key.get(), JOURNAL_FOLDER_VALUE, station.journalFolder) && ok;
}

void loadScheduleSettings(int portNumber, ScheduleSettings& schedule) {
    HKEY handle = openForReading(portNumber);
    if (handle == nullptr) {
        return;
    }
    RegistryKey key(handle);
    uint32_t value = 0;
    if (getDword(key.get(), VALUE_SCHEDULE_ON, value)) {
        schedule.enabled = value != 0;
    }
    if (getDword(key.get(), VALUE_SCHEDULE_LEAD, value) && value <= SCHEDULE_SECONDS_MAX) {
        schedule.leadSeconds = static_cast<int>(value);
    }
    if (getDword(key.get(), VALUE_SCHEDULE_TUNE, value) && value <= SCHEDULE_SECONDS_MAX) {
        schedule.tuneSeconds = static_cast<int>(value);
    }
    getText(key.get(), VALUE_SCHEDULE_FILE, schedule.path, sizeof schedule.path, "");
}

bool saveScheduleEnabled(int portNumber, bool enabled) {
    char path[MAX_PATH];
    HKEY handle = nullptr;
    if (!settingsKeyPath(portNumber, path, sizeof path) ||
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegistryKey key(handle);
    const DWORD value = enabled ? 1 : 0;
    return RegSetValueExA(key.get(), VALUE_SCHEDULE_ON, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

int registrySettings(RegistryAction action, int portNumber, Settings& settings, int32_t& baudRate) {
    char path[MAX_PATH];
    if (!settingsKeyPath(portNumber, path, sizeof path)) {
        return 0;
    }
    HKEY handle = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &handle, &disposition) != ERROR_SUCCESS) {
        return 0;
    }
    RegistryKey key(handle);
    if (action == RegistryAction::Save) {
        save(key.get(), settings, baudRate);
        return 1;
    }
    if (disposition != REG_OPENED_EXISTING_KEY) {
        return 0; // just created, empty
    }
    load(key.get(), settings, baudRate);
    return 1;
}

} // namespace trx
