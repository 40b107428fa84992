#include "shell/help_rules.h"

#include "res/resource.h"

#include <cstdio>

namespace trx {

namespace {

constexpr unsigned long FIRST_WINDOWS_WITHOUT_WINHELP = 6;

struct HelpPage {
    unsigned long context;
    const char* page;
};

// The pages are named after the chapters of the help source.
constexpr HelpPage HELP_PAGES[] = {
    {IDH_PANEL, "panel.html"},
    {IDH_SETTINGS, "settings.html"},
    {IDH_FREQUENCY, "frequency.html"},
    {IDH_JOURNAL, "journal.html"},
    {IDH_SPECIAL_SETTINGS, "set-special.html"},
    {IDH_CONTROL_SETTINGS, "control-settings.html"},
};
constexpr char CONTENTS_PAGE[] = "Contents.html";

} // namespace

HelpViewer chooseHelpViewer(const HelpPlatform& platform) {
    if (platform.wine || platform.windowsMajor < FIRST_WINDOWS_WITHOUT_WINHELP ||
        !platform.htmlHelpFilePresent) {
        return HelpViewer::Hlp;
    }
    return HelpViewer::Chm;
}

bool htmlHelpTopic(const char* file, unsigned long context, char* out, size_t size) {
    const char* page = CONTENTS_PAGE;
    for (const HelpPage& entry : HELP_PAGES) {
        if (entry.context == context) {
            page = entry.page;
        }
    }
    const int n = snprintf(out, size, "%s::/%s", file, page);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return true;
}

} // namespace trx
