// Pure pieces of the settings storage: defaults, key names, the flag word and safe copies
// of texts read from outside. The registry calls themselves live in registry_settings.cpp.
#ifndef TRXDESK_SETTINGS_CODEC_H
#define TRXDESK_SETTINGS_CODEC_H

#include "protocol/settings.h"

#include <cstddef>
#include <cstdint>

namespace trx {

constexpr char DEFAULT_TITLE[] = "TRXDESK";
constexpr char HELP_FILE_NAME[] = "TRXDESK.HLP";
// The same help for HTML Help, where Windows no longer has WinHelp.
constexpr char HTML_HELP_FILE_NAME[] = "TRXDESK.CHM";
constexpr int HELP_PATH_SIZE = 260;

// Bits of the "diverse" value.
constexpr uint32_t FLAG_AUTO_TUNE = 1;
constexpr uint32_t FLAG_HEX_DISPLAY = 2;
constexpr uint32_t FLAG_STATUS_BAR = 4;
constexpr uint32_t FLAG_TOOLTIPS = 8;

// The start-up defaults of every stored and unstored setting except the port's own fields.
void applyDefaultSettings(Settings& settings);

// "Software\...\TRXDESK\Com%i", or "...\allgemein" for port 0. False for a port outside 0..255.
bool settingsKeyPath(int portNumber, char* path, size_t size);

// The folder or file name of a port's own files (journal, plan): its key's name ("Com12",
// "allgemein" for port 0 and any port outside 0..255). Windows keeps COM1 to COM9 as device
// names that no file may have, so those ports' names get two digits ("Com03").
void settingsKeyName(int portNumber, char* name, size_t size);

uint32_t packFlags(const Settings& settings);
void unpackFlags(uint32_t flags, Settings& settings);

// Copies `size` bytes read from outside into a text field, ending it inside the field even
// when the data has no terminator or fills the field exactly.
void copyTextField(const char* data, size_t size, char* field, size_t fieldSize);

// The executable's directory with the help file's name `fileName`; when that cannot fit, the
// bare name.
void buildHelpPath(const char* modulePath, const char* fileName, char* helpPath, size_t size);

} // namespace trx

#endif
