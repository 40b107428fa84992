// The panel's modal dialogs. Each takes the address of a DialogContext as its creation
// parameter, except the special settings, which take the Settings record.
#ifndef TRXDESK_DIALOGS_H
#define TRXDESK_DIALOGS_H

#include "panel_host.h"

#include <windows.h>

namespace trx {

INT_PTR CALLBACK frequencyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK specialSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialogs the panel opens, by template, for its host.
constexpr int PANEL_DIALOG_COUNT = 3;
extern const DialogProcedure panelDialogs[PANEL_DIALOG_COUNT];

// The context a dialog was opened with; nullptr before WM_INITDIALOG.
DialogContext* dialogContext(HWND dialog);
// Keeps the creation parameter for the dialog's later messages.
void keepDialogContext(HWND dialog, LPARAM context);

} // namespace trx

#endif
