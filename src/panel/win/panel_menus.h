// The panel's three context menus, each loaded from its resource and prepared for one
// showing. The caller shows the first popup and destroys the menu afterwards.
#ifndef TRXDESK_PANEL_MENUS_H
#define TRXDESK_PANEL_MENUS_H

#include "protocol/mode_presets.h"
#include "protocol/settings.h"

#include <windows.h>

#include <cstdint>

namespace trx {

// Each from the menu resources of `instance`.
// The channel and shift items of the preset's type, its values marked.
HMENU preparePresetMenu(HINSTANCE instance, const ModePreset& preset);
// The antenna names, the reported antenna marked.
HMENU prepareAntennaMenu(HINSTANCE instance, const Settings& settings, uint8_t antennaRegister);
// Standby, refresh and arrange enabled as far as they apply.
HMENU prepareMainMenu(HINSTANCE instance, int portNumber, bool standby, int panelCount);

} // namespace trx

#endif
