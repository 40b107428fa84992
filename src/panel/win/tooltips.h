#ifndef TRXDESK_TOOLTIPS_H
#define TRXDESK_TOOLTIPS_H

#include <windows.h>

namespace trx {

// One tooltip control for the panel's controls, active when `active` is set.
HWND createTooltips(HWND panel, HINSTANCE instance, bool active);

} // namespace trx

#endif
