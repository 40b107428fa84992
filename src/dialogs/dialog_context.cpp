#include "dialogs.h"

#include "res/resource.h"

namespace trx {

const DialogProcedure panelDialogs[PANEL_DIALOG_COUNT] = {
    {IDD_FREQUENCY, frequencyDialogProc},
    {IDD_SETTINGS, settingsDialogProc},
    {IDD_ABOUT, aboutDialogProc},
};

DialogContext* dialogContext(HWND dialog) {
    return reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void keepDialogContext(HWND dialog, LPARAM context) {
    SetWindowLongPtrA(dialog, DWLP_USER, context);
}

} // namespace trx
