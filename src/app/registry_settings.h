// The settings of one COM port in the current user's registry.
#ifndef TRXDESK_REGISTRY_SETTINGS_H
#define TRXDESK_REGISTRY_SETTINGS_H

#include "app/station_settings.h"
#include "protocol/settings.h"

#include <cstdint>

namespace trx {

enum class RegistryAction { Load, Save };

// 1 when done; 0 for a port outside 0..255, a key that cannot be opened, or a load from a
// key that did not exist yet (it is created empty and nothing is read).
int registrySettings(RegistryAction action, int portNumber, Settings& settings, int32_t& baudRate);

// The control port's values in the port's key (REG_DWORD Steuerport, REG_SZ SteuerportNetz,
// and SteuerportKennwort and SteuerportLesekennwort, protected REG_BINARY or plain REG_SZ);
// read only, never created. A port above 65535 reads as off.
void loadControlSettings(int portNumber, ControlSettings& control);
// Those and the journal's folder (REG_SZ Journal).
void loadStationSettings(int portNumber, StationSettings& station);
// Writes them all, the passwords protected; empty texts remove their values, and a password
// that could not be read is left as stored. False when the key or a value cannot be written.
bool saveStationSettings(int portNumber, const StationSettings& station);

} // namespace trx

#endif
