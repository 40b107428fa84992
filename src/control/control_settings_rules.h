// The fields of the dialog "Steuerport und Journal" as typed, checked and taken into the
// station's settings, apart from the dialog. Pure.
#ifndef TRXDESK_CONTROL_SETTINGS_RULES_H
#define TRXDESK_CONTROL_SETTINGS_RULES_H

#include "app/station_settings.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace trx {

// A field is read up to this many characters, more than any may hold, so that a longer
// paste is told as too long rather than cut unseen.
constexpr size_t FORM_TEXT_LIMIT = 1024;
// A journal folder typed in the dialog leaves room in a path for the port's folder and the
// day's file behind it ("\Com12\2026-12-08.csv" and more).
constexpr size_t JOURNAL_FOLDER_TYPED_MAX = JOURNAL_FOLDER_SIZE - 41;
// The port shown while the control port is off and has no number yet.
constexpr int CONTROL_PORT_SUGGESTED = 4703;

struct ControlSettingsForm {
    bool portOn = false;
    std::string port; // decimal, as typed
    std::string networks;
    // Empty leaves the password in force; clearing removes it.
    std::string password;
    bool clearPassword = false;
    std::string readPassword;
    bool clearReadPassword = false;
    std::string journalFolder; // empty: the default folder
};

enum class FormField : uint8_t { None, Port, Networks, Password, ReadPassword, JournalFolder };

// What is wrong, in the operator's words, and the field to go back to.
struct FormVerdict {
    FormField field = FormField::None;
    std::string message;
    bool ok() const { return field == FormField::None; }
};

// Takes the form into `settings` (the values in force) when every field is right, else
// leaves `settings` as it was. The port is a decimal number 1..65535 (blanks around it
// allowed), the allow list parses whole, and a remote client needs a password; passwords fit
// their field, are ASCII, neither begins or ends with a blank (`auth` could not send it) and
// the two differ; the folder is a whole path (drive or \\server) without the characters Windows
// refuses in names.
FormVerdict takeControlSettingsForm(const ControlSettingsForm& form, StationSettings& settings);

} // namespace trx

#endif
