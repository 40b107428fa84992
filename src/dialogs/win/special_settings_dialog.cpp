// Special settings: the title, the antenna names and the raw register line; written into
// the settings at OK, whatever becomes of the settings dialog afterwards. Opened over the
// settings dialog, whose context serves their help.
#include "dialogs/win/dialogs.h"
#include "protocol/settings.h"
#include "res/resource.h"

namespace trx {

namespace {

// By antenna number; the box IDs do not follow the antenna order.
constexpr int ANTENNA_BOXES[ANTENNA_COUNT] = {IDC_ANTENNA0_EDIT, IDC_ANTENNA1_EDIT,
                                              IDC_ANTENNA2_EDIT, IDC_ANTENNA3_EDIT};
// One character less than each field holds is read: titles keep 30, names 14 characters.
constexpr int TITLE_READ = TITLE_SIZE - 1;
constexpr int ANTENNA_NAME_READ = ANTENNA_NAME_SIZE - 1;

Settings& settingsOf(HWND dialog) {
    return *reinterpret_cast<Settings*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

BOOL onInitDialog(HWND dialog, const Settings& settings) {
    SetDlgItemTextA(dialog, IDC_TITLE_EDIT, settings.title);
    for (int i = 0; i < ANTENNA_COUNT; ++i) {
        SetDlgItemTextA(dialog, ANTENNA_BOXES[i], settings.antennaNames[i]);
    }
    CheckDlgButton(dialog, IDC_HEX_DISPLAY, settings.hexDisplay ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void onOk(HWND dialog, Settings& settings) {
    GetDlgItemTextA(dialog, IDC_TITLE_EDIT, settings.title, TITLE_READ);
    for (int i = 0; i < ANTENNA_COUNT; ++i) {
        GetDlgItemTextA(dialog, ANTENNA_BOXES[i], settings.antennaNames[i], ANTENNA_NAME_READ);
    }
    settings.hexDisplay = IsDlgButtonChecked(dialog, IDC_HEX_DISPLAY) == BST_CHECKED;
    EndDialog(dialog, IDOK);
}

// F1 opens their own topic through the context of the settings dialog that owns them; without
// such an owner the system's default hands the request on.
BOOL onHelp(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    DialogContext* context = owner ? dialogContext(owner, WM_HELP, 0) : nullptr;
    return context ? showDialogHelp(dialog, *context, IDH_SPECIAL_SETTINGS) : FALSE;
}

} // namespace

INT_PTR CALLBACK specialSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return onInitDialog(dialog, settingsOf(dialog));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onOk(dialog, settingsOf(dialog));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_HELP:
        return onHelp(dialog);
    default:
        return FALSE;
    }
}

} // namespace trx
