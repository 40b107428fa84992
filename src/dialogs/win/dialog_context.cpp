#include "dialogs/win/dialogs.h"

#include "res/resource.h"

namespace trx {

const DialogProcedure panelDialogs[PANEL_DIALOG_COUNT] = {
    {IDD_FREQUENCY, frequencyDialogProc},
    {IDD_SETTINGS, settingsDialogProc},
    {IDD_ABOUT, aboutDialogProc},
};

DialogContext* dialogContext(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    }
    return reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

BOOL showDialogHelp(HWND dialog, DialogContext& context, ULONG_PTR topic) {
    context.host.help(dialog, HELP_CONTEXT, topic);
    return TRUE;
}

} // namespace trx
