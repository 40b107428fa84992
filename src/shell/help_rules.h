// Which help viewer serves the program, and which page of the HTML Help file answers a
// context number.
#ifndef TRXDESK_HELP_RULES_H
#define TRXDESK_HELP_RULES_H

#include <cstddef>

namespace trx {

// WinHelp with TRXDESK.HLP, or HTML Help with TRXDESK.CHM (named after the files: the
// viewers' names are macros of the Windows headers).
enum class HelpViewer { Hlp, Chm };

// What the choice depends on, as the running system reports it.
struct HelpPlatform {
    bool wine;                  // Wine ships a working WinHelp viewer
    unsigned long windowsMajor; // from 6 (Vista) on, Windows ships no WinHelp viewer
    bool htmlHelpFilePresent;
};

// WinHelp wherever it works; HTML Help on Windows from Vista on when its file is there
// (Windows 10 and 11 answer a WinHelp call with a notice only).
HelpViewer chooseHelpViewer(const HelpPlatform& platform);

// "<file>::/<page>" of context number `context` (the contents page for a number without a
// page of its own) into `out`; false, with `out` empty, when it does not fit.
bool htmlHelpTopic(const char* file, unsigned long context, char* out, size_t size);

} // namespace trx

#endif
