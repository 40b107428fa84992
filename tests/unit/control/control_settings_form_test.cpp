// The dialog "Steuerport und Journal" as its worst user types into it: what is taken, what is
// refused with which field to go back to, and that a refused form leaves the settings alone.
#include "control/control_settings_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace trx {

namespace {

struct FormCase {
    const char* what;
    ControlSettingsForm form;
    FormField field;    // None: taken
    const char* quoted; // a part of the message (ASCII), or the port taken
    int port = 0;
};

ControlSettingsForm filled() {
    ControlSettingsForm form;
    form.portOn = true;
    form.port = "4703";
    form.networks = "192.168.10.0/24, 10.8.0.7";
    return form;
}

template <typename Change> ControlSettingsForm with(Change change) {
    ControlSettingsForm form = filled();
    change(form);
    return form;
}

TEST(ControlSettingsForm, EachFieldIsCheckedAndNamed) {
    const FormCase cases[] = {
        {"a port in decimal", filled(), FormField::None, "", 4703},
        {"blanks around it", with([](auto& f) { f.port = " 47030 "; }), FormField::None, "", 47030},
        {"the highest", with([](auto& f) { f.port = "65535"; }), FormField::None, "", 65535},
        {"off keeps no number", with([](auto& f) { f.portOn = false, f.port = "x"; }),
         FormField::None, "", 0},
        {"port 0", with([](auto& f) { f.port = "0"; }), FormField::Port, "1 bis 65535"},
        {"70000", with([](auto& f) { f.port = "70000"; }), FormField::Port, "70000"},
        {"a letter inside", with([](auto& f) { f.port = "47a03"; }), FormField::Port, "47a03"},
        {"hexadecimal", with([](auto& f) { f.port = "0x125F"; }), FormField::Port, "0x125F"},
        {"a sign", with([](auto& f) { f.port = "+4703"; }), FormField::Port, "+4703"},
        {"digits beyond int", with([](auto& f) { f.port = std::string(FORM_TEXT_LIMIT, '9'); }),
         FormField::Port, "9999999999"},
        {"a bad entry is named", with([](auto& f) { f.networks = "10.8.0.7, 192.168.300.1"; }),
         FormField::Networks, "192.168.300.1"},
        {"everyone", with([](auto& f) { f.networks = "0.0.0.0/0"; }), FormField::Networks,
         "0.0.0.0/0"},
        {"a 10 kB paste",
         with([](auto& f) { f.networks = std::string(10240, '1').substr(0, FORM_TEXT_LIMIT); }),
         FormField::Networks, "mehr als 1023"},
        {"a list without a password",
         with([](auto& f) { f.password.clear(), f.clearPassword = true; }), FormField::Password,
         "Kennwort"},
        {"a password of 200 characters", with([](auto& f) { f.password = std::string(200, 'k'); }),
         FormField::Password, "200"},
        {"63 characters fit", with([](auto& f) { f.password = std::string(63, 'k'); }),
         FormField::None, "", 4703},
        {"an umlaut", with([](auto& f) {
             f.password = "Gr\xF6\xDF"
                          "e";
         }),
         FormField::Password, "Umlaute"},
        {"a blank at the start", with([](auto& f) { f.readPassword = " lesen"; }),
         FormField::ReadPassword, "auth"},
        {"the same twice", with([](auto& f) { f.password = "gleich", f.readPassword = "gleich"; }),
         FormField::ReadPassword, "verschieden"},
        {"a relative folder", with([](auto& f) { f.journalFolder = "Journal"; }),
         FormField::JournalFolder, "D:\\Journal"},
        {"a wildcard", with([](auto& f) { f.journalFolder = "D:\\Jo*"; }), FormField::JournalFolder,
         "*"},
        {"a second colon", with([](auto& f) { f.journalFolder = "D:\\a:b"; }),
         FormField::JournalFolder, "Doppelpunkt"},
        {"a long folder", with([](auto& f) { f.journalFolder = "D:\\" + std::string(230, 'j'); }),
         FormField::JournalFolder, "233"},
        {"a share", with([](auto& f) { f.journalFolder = "\\\\Server\\Journal"; }), FormField::None,
         "", 4703},
    };
    for (const FormCase& c : cases) {
        StationSettings settings;
        snprintf(settings.control.password, sizeof settings.control.password, "alt");
        settings.control.port = 1234;
        const StationSettings before = settings;
        const FormVerdict verdict = takeControlSettingsForm(c.form, settings);
        EXPECT_EQ(verdict.field, c.field) << c.what << ": " << verdict.message;
        if (c.field == FormField::None) {
            // An empty password field keeps the one in force; typed, it replaces it.
            const std::string password = c.form.clearPassword      ? ""
                                         : c.form.password.empty() ? "alt"
                                                                   : c.form.password;
            EXPECT_EQ(settings.control.port, c.port) << c.what;
            EXPECT_EQ(settings.control.password, password) << c.what;
            EXPECT_EQ(settings.control.network, !c.form.networks.empty() && c.form.networks != " ")
                << c.what;
        } else {
            EXPECT_NE(verdict.message.find(c.quoted), std::string::npos)
                << c.what << ": " << verdict.message;
            EXPECT_EQ(settings.control.port, before.control.port) << c.what;
            EXPECT_STREQ(settings.control.password, "alt") << c.what;
        }
    }
}

} // namespace

} // namespace trx
