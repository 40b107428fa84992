// The panel's window class (PANEL_CLASS), which its dialog template names and by which the
// running panels find each other.
#ifndef TRXDESK_PANEL_CLASS_H
#define TRXDESK_PANEL_CLASS_H

#include <windows.h>

namespace trx {

// Registers the class for `instance`, with the program's icon; false when Windows refuses.
bool registerPanelClass(HINSTANCE instance);

} // namespace trx

#endif
