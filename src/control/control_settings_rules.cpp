#include "control/control_settings_rules.h"

#include "control/control_allow_list.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>

namespace trx {

namespace {

constexpr char BLANKS[] = " \t";
// How much of a wrong text a message quotes.
constexpr int QUOTED_LIMIT = 40;
constexpr char NOT_IN_NAMES[] = "<>\"|?*";

std::string_view trimmed(std::string_view text) {
    const size_t begin = text.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(BLANKS) - begin + 1);
}

// How long a text was: its length, or "mehr als 1023" for one the dialog cut at its limit.
std::string lengthText(size_t size) {
    char text[24];
    if (size >= FORM_TEXT_LIMIT) {
        snprintf(text, sizeof text, "mehr als %zu", FORM_TEXT_LIMIT - 1);
    } else {
        snprintf(text, sizeof text, "%zu", size);
    }
    return text;
}

FormVerdict wrong(FormField field, const char* format, ...) __attribute__((format(printf, 2, 3)));

FormVerdict wrong(FormField field, const char* format, ...) {
    char text[320];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return {field, text};
}

// Digits only, no sign, no leading blank inside: "47a03", "+80", "0x1F" are refused.
bool readPort(std::string_view text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    port = value;
    return value >= 1 && value <= CONTROL_PORT_MAX;
}

// The password the form leaves in force, or why it cannot.
FormVerdict takePassword(FormField field, const char* name, const std::string& typed, bool clear,
                         char* stored, bool& unreadable) {
    if (clear) {
        stored[0] = '\0';
        unreadable = false;
        return {};
    }
    if (typed.empty()) {
        return {}; // unchanged
    }
    if (typed.size() >= CONTROL_PASSWORD_SIZE) {
        return wrong(field, "Das %s ist zu lang: höchstens %d Zeichen, nicht %s.", name,
                     CONTROL_PASSWORD_SIZE - 1, lengthText(typed.size()).c_str());
    }
    if (trimmed(typed).size() != typed.size()) {
        return wrong(field,
                     "Das %s darf nicht mit einem Leerzeichen beginnen oder enden: der "
                     "Befehl auth übergeht es.",
                     name);
    }
    // Other computers send their bytes in UTF-8 (a Prometheus password file) or another code
    // page: only ASCII is the same everywhere.
    for (const char c : typed) {
        if (c < ' ' || c > '~') {
            return wrong(field,
                         "Das %s darf nur Buchstaben ohne Umlaute, Ziffern, Leer- und "
                         "Satzzeichen enthalten: Andere Rechner senden Umlaute und ß anders.",
                         name);
        }
    }
    snprintf(stored, CONTROL_PASSWORD_SIZE, "%s", typed.c_str());
    unreadable = false;
    return {};
}

bool wholePath(std::string_view folder) {
    const bool drive =
        folder.size() >= 3 &&
        ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
        folder[1] == ':' && folder[2] == '\\';
    const bool share = folder.size() >= 3 && folder.substr(0, 2) == "\\\\" && folder[2] != '\\';
    return drive || share;
}

FormVerdict checkFolder(std::string_view folder) {
    if (folder.empty()) {
        return {};
    }
    if (folder.size() > JOURNAL_FOLDER_TYPED_MAX) {
        return wrong(FormField::JournalFolder,
                     "Der Journalordner ist zu lang: höchstens %d Zeichen, nicht %s.",
                     static_cast<int>(JOURNAL_FOLDER_TYPED_MAX), lengthText(folder.size()).c_str());
    }
    if (!wholePath(folder)) {
        return wrong(FormField::JournalFolder,
                     "Der Journalordner muss ein ganzer Pfad sein, etwa D:\\Journal oder "
                     "\\\\Server\\Freigabe\\Journal.");
    }
    for (size_t i = 0; i < folder.size(); ++i) {
        const auto c = static_cast<unsigned char>(folder[i]);
        if (c < ' ' || std::string_view(NOT_IN_NAMES).find(folder[i]) != std::string_view::npos ||
            (c == ':' && i != 1)) {
            return wrong(FormField::JournalFolder,
                         "Der Journalordner darf keines der Zeichen < > \" | ? * und keinen "
                         "Doppelpunkt nach dem Laufwerk enthalten.");
        }
    }
    return {};
}

} // namespace

FormVerdict takeControlSettingsForm(const ControlSettingsForm& form, StationSettings& settings) {
    StationSettings taken = settings;
    ControlSettings& control = taken.control;
    const std::string_view portText = trimmed(form.port);
    int port = 0;
    if (form.portOn && !readPort(portText, port)) {
        return wrong(FormField::Port, "Die Portnummer „%.*s“ ist keine Zahl von 1 bis %d.",
                     static_cast<int>(std::min<size_t>(portText.size(), QUOTED_LIMIT)),
                     portText.data(), CONTROL_PORT_MAX);
    }
    control.port = form.portOn ? port : 0;

    const std::string_view networks = trimmed(form.networks);
    if (networks.size() >= CONTROL_NETWORKS_SIZE) {
        return wrong(FormField::Networks,
                     "Die Liste der Rechner (SteuerportNetz) ist zu lang: höchstens %d Zeichen, "
                     "nicht %s.",
                     CONTROL_NETWORKS_SIZE - 1, lengthText(networks.size()).c_str());
    }
    AllowList list;
    const std::vector<std::string> leftOut = list.read(networks);
    if (!leftOut.empty()) {
        const std::string& entry = leftOut.front();
        return wrong(FormField::Networks,
                     "„%.*s“ in der Liste der Rechner ist keine IPv4-Adresse und kein Block bis "
                     "/%d, etwa 192.168.10.0/24.",
                     static_cast<int>(std::min<size_t>(entry.size(), QUOTED_LIMIT)), entry.c_str(),
                     ALLOW_PREFIX_MIN);
    }
    snprintf(control.networks, sizeof control.networks, "%.*s", static_cast<int>(networks.size()),
             networks.data());
    control.network = !networks.empty();

    FormVerdict verdict =
        takePassword(FormField::Password, "Schaltkennwort", form.password, form.clearPassword,
                     control.password, control.passwordUnreadable);
    if (!verdict.ok()) {
        return verdict;
    }
    verdict =
        takePassword(FormField::ReadPassword, "Lesekennwort", form.readPassword,
                     form.clearReadPassword, control.readPassword, control.readPasswordUnreadable);
    if (!verdict.ok()) {
        return verdict;
    }
    if (control.password[0] != '\0' &&
        std::string_view(control.password) == std::string_view(control.readPassword)) {
        return wrong(FormField::ReadPassword,
                     "Lese- und Schaltkennwort müssen verschieden sein: mit dem Lesekennwort "
                     "dürfte sonst jeder schalten.");
    }
    if (!list.empty() && control.password[0] == '\0' && control.readPassword[0] == '\0') {
        return wrong(FormField::Password,
                     "Rechner aus der Liste brauchen ein Kennwort: bitte ein Schalt- oder "
                     "Lesekennwort setzen, oder die Liste leeren.");
    }

    const std::string_view folder = trimmed(form.journalFolder);
    verdict = checkFolder(folder);
    if (!verdict.ok()) {
        return verdict;
    }
    snprintf(taken.journalFolder, sizeof taken.journalFolder, "%.*s",
             static_cast<int>(folder.size()), folder.data());
    settings = taken;
    return {};
}

} // namespace trx
