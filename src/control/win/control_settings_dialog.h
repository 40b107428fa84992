// The dialog "Steuerport und Journal": the control port, its allow list and passwords, and the
// journal's folder. Opened from the settings dialog with the same DialogContext, whose
// station owner takes the values.
#ifndef TRXDESK_CONTROL_SETTINGS_DIALOG_H
#define TRXDESK_CONTROL_SETTINGS_DIALOG_H

#include <windows.h>

namespace trx {

INT_PTR CALLBACK controlSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace trx

#endif
