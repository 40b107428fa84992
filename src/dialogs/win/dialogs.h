// The panel's modal dialogs. Each takes the address of a DialogContext as its creation
// parameter, except the special settings, which take the Settings record and are opened over
// the settings dialog, whose context serves their help.
#ifndef TRXDESK_DIALOGS_H
#define TRXDESK_DIALOGS_H

#include "shell/win/panel_host.h"

#include <windows.h>

namespace trx {

INT_PTR CALLBACK frequencyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK specialSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialogs the panel opens, by template, for its host.
constexpr int PANEL_DIALOG_COUNT = 3;
extern const DialogProcedure panelDialogs[PANEL_DIALOG_COUNT];

// The context a dialog was opened with: kept from WM_INITDIALOG's parameter, nullptr for
// the few messages that come before it.
DialogContext* dialogContext(HWND dialog, UINT message, LPARAM lParam);
// Help for the dialog's topic; always handled.
BOOL showDialogHelp(HWND dialog, DialogContext& context, ULONG_PTR topic);

} // namespace trx

#endif
