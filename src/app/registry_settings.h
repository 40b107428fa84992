// The settings of one COM port in the current user's registry.
#ifndef TRXDESK_REGISTRY_SETTINGS_H
#define TRXDESK_REGISTRY_SETTINGS_H

#include "control_settings.h"
#include "settings.h"

#include <cstdint>

namespace trx {

enum class RegistryAction { Load, Save };

// 1 when done; 0 for a port outside 0..255, a key that cannot be opened, or a load from a
// key that did not exist yet (it is created empty and nothing is read).
int registrySettings(RegistryAction action, int portNumber, Settings& settings, int32_t& baudRate);

// The control port's values in the port's key (REG_DWORD Steuerport, REG_SZ SteuerportNetz
// and SteuerportKennwort); read only, never created. A port above 65535 reads as off.
void loadControlSettings(int portNumber, ControlSettings& control);

} // namespace trx

#endif
