// The journal window: a modeless, sizable list of today's journal lines, newest on top,
// owned by the panel, one per panel.
#ifndef TRXDESK_JOURNAL_WINDOW_H
#define TRXDESK_JOURNAL_WINDOW_H

#include "journal/win/journal.h"

#include <windows.h>

#include <functional>

namespace trx {

// What the window is handed; it must outlive the window. `window` is the open window or
// nullptr, kept up to date by the window itself.
struct JournalWindowSetup {
    Journal& journal;
    std::function<void(HWND window)> help; // F1: the journal's help topic
    HWND window = nullptr;
    // Opens a copy of today's file in the program Windows associates with it; false when
    // none opened it. Empty: ShellExecute's "open".
    std::function<bool(HWND window, const char* path)> openFile;
};

// Opens the window of `panel` with its title, or brings the open one to the front with the
// title refreshed; the window, or nullptr when it cannot be made.
HWND showJournalWindow(HWND panel, JournalWindowSetup& setup, const char* title,
                       const char* connection);

// The dialog procedure (exposed for the message loop's IsDialogMessage and for tests).
INT_PTR CALLBACK journalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace trx

#endif
