// The dialog reads its fields, has them checked by the form's rules, and hands what they
// give to the station's owner, which stores them (unless NOREG) and applies them at once.
// Its messages carry the panel's title, as every message of the panel does.
#include "control/win/control_settings_dialog.h"

#include "control/control_settings_rules.h"
#include "protocol/settings.h"
#include "res/resource.h"
#include "shell/station_settings_owner.h"
#include "shell/win/panel_host.h"

#include <cstdio>
#include <string>

namespace trx {

namespace {

constexpr char NOREG_TEXT[] =
    "Ohne Registry (NOREG): Die Werte gelten nur bis zum Ende dieser Sitzung.";
constexpr char NOT_STORED_TEXT[] =
    "Die Einstellungen lassen sich nicht im Schlüssel der Schnittstelle speichern. Sie gelten "
    "bis zum Ende dieser Sitzung.";
constexpr char SET_TEXT[] = "(gesetzt)";
constexpr char NOT_SET_TEXT[] = "(nicht gesetzt)";
constexpr char UNREADABLE_TEXT[] = "(nicht lesbar)";
constexpr size_t PORT_TEXT_SIZE = 8;

DialogContext& contextOf(HWND dialog) {
    return *reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

bool checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// At most FORM_TEXT_LIMIT characters: a longer paste is still too long for every field.
std::string fieldText(HWND dialog, int id) {
    std::string text(FORM_TEXT_LIMIT + 1, '\0');
    const UINT length = GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.size()));
    text.resize(length);
    return text;
}

// Passwords leave no copy behind in the program's memory once taken.
void wipe(std::string& text) {
    SecureZeroMemory(text.data(), text.size());
    text.clear();
}

const char* passwordState(const char* password, bool unreadable) {
    return unreadable ? UNREADABLE_TEXT : password[0] != '\0' ? SET_TEXT : NOT_SET_TEXT;
}

void enableFields(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_CONTROL_PORT), checked(dialog, IDC_CONTROL_ON));
    EnableWindow(GetDlgItem(dialog, IDC_CONTROL_PASSWORD),
                 !checked(dialog, IDC_CONTROL_PASSWORD_CLEAR));
    EnableWindow(GetDlgItem(dialog, IDC_CONTROL_READ_PASSWORD),
                 !checked(dialog, IDC_CONTROL_READ_PASSWORD_CLEAR));
}

BOOL onInitDialog(HWND dialog, const StationSettingsOwner& owner) {
    const StationSettings& station = owner.stationSettings();
    const ControlSettings& control = station.control;
    CheckDlgButton(dialog, IDC_CONTROL_ON, control.port != 0 ? BST_CHECKED : BST_UNCHECKED);
    char port[PORT_TEXT_SIZE];
    snprintf(port, sizeof port, "%d", control.port != 0 ? control.port : CONTROL_PORT_SUGGESTED);
    SetDlgItemTextA(dialog, IDC_CONTROL_PORT, port);
    SetDlgItemTextA(dialog, IDC_CONTROL_NETWORKS, control.networks);
    SetDlgItemTextA(dialog, IDC_CONTROL_PASSWORD_STATE,
                    passwordState(control.password, control.passwordUnreadable));
    SetDlgItemTextA(dialog, IDC_CONTROL_READ_PASSWORD_STATE,
                    passwordState(control.readPassword, control.readPasswordUnreadable));
    SetDlgItemTextA(dialog, IDC_CONTROL_JOURNAL_FOLDER, station.journalFolder);
    SetDlgItemTextA(dialog, IDC_CONTROL_NOREG, owner.storesStationSettings() ? "" : NOREG_TEXT);
    enableFields(dialog);
    return TRUE;
}

int fieldId(FormField field) {
    switch (field) {
    case FormField::Port:
        return IDC_CONTROL_PORT;
    case FormField::Networks:
        return IDC_CONTROL_NETWORKS;
    case FormField::Password:
        return IDC_CONTROL_PASSWORD;
    case FormField::ReadPassword:
        return IDC_CONTROL_READ_PASSWORD;
    case FormField::JournalFolder:
    case FormField::None:
        break;
    }
    return IDC_CONTROL_JOURNAL_FOLDER;
}

void onOk(HWND dialog, DialogContext& c) {
    StationSettingsOwner& owner = *c.station;
    ControlSettingsForm form;
    form.portOn = checked(dialog, IDC_CONTROL_ON);
    form.port = fieldText(dialog, IDC_CONTROL_PORT);
    form.networks = fieldText(dialog, IDC_CONTROL_NETWORKS);
    form.password = fieldText(dialog, IDC_CONTROL_PASSWORD);
    form.clearPassword = checked(dialog, IDC_CONTROL_PASSWORD_CLEAR);
    form.readPassword = fieldText(dialog, IDC_CONTROL_READ_PASSWORD);
    form.clearReadPassword = checked(dialog, IDC_CONTROL_READ_PASSWORD_CLEAR);
    form.journalFolder = fieldText(dialog, IDC_CONTROL_JOURNAL_FOLDER);
    StationSettings station = owner.stationSettings();
    const FormVerdict verdict = takeControlSettingsForm(form, station);
    wipe(form.password);
    wipe(form.readPassword);
    if (!verdict.ok()) {
        c.host.messageBox(dialog, verdict.message.c_str(), c.settings.title,
                          MB_OK | MB_ICONWARNING);
        HWND field = GetDlgItem(dialog, fieldId(verdict.field));
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
        return; // the operator mends the field
    }
    if (!owner.applyStationSettings(station) && owner.storesStationSettings()) {
        c.host.messageBox(dialog, NOT_STORED_TEXT, c.settings.title, MB_OK | MB_ICONWARNING);
    }
    SecureZeroMemory(&station, sizeof station);
    EndDialog(dialog, IDOK);
}

BOOL onCommand(HWND dialog, DialogContext& c, int command) {
    switch (command) {
    case IDOK:
        onOk(dialog, c);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_CONTROL_ON:
    case IDC_CONTROL_PASSWORD_CLEAR:
    case IDC_CONTROL_READ_PASSWORD_CLEAR:
        enableFields(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK controlSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        const auto* context = reinterpret_cast<DialogContext*>(lParam);
        if (context == nullptr || context->station == nullptr) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return onInitDialog(dialog, *context->station);
    }
    if (GetWindowLongPtrA(dialog, DWLP_USER) == 0) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return onCommand(dialog, contextOf(dialog), LOWORD(wParam));
    case WM_HELP:
        contextOf(dialog).host.help(dialog, HELP_CONTEXT, IDH_CONTROL_SETTINGS);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace trx
