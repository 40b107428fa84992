// The program's help: WinHelp calls as the panel and its dialogs make them, answered by
// WinHelp with TRXDESK.HLP, or by HTML Help with TRXDESK.CHM where WinHelp is gone.
#ifndef TRXDESK_HELP_VIEWER_H
#define TRXDESK_HELP_VIEWER_H

#include "shell/help_rules.h"

#include <windows.h>

#include <optional>

namespace trx {

class HelpViewerCalls {
  public:
    // Both paths must outlive the object. Without a viewer, the system's is found at the
    // first call, not at start-up.
    HelpViewerCalls(const char* winHelpPath, const char* htmlHelpPath)
        : winHelpPath_(winHelpPath), htmlHelpPath_(htmlHelpPath) {}
    HelpViewerCalls(const char* winHelpPath, const char* htmlHelpPath, HelpViewer viewer)
        : winHelpPath_(winHelpPath), htmlHelpPath_(htmlHelpPath), viewer_(viewer) {}
    ~HelpViewerCalls();
    HelpViewerCalls(const HelpViewerCalls&) = delete;
    HelpViewerCalls& operator=(const HelpViewerCalls&) = delete;

    // A WinHelp command: HELP_CONTEXT with a context number, HELP_FINDER or HELP_QUIT.
    void call(HWND owner, UINT command, ULONG_PTR data);

  private:
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    void callHtmlHelp(HWND owner, UINT command, ULONG_PTR data);
    bool loadHtmlHelp();

    const char* winHelpPath_;
    const char* htmlHelpPath_;
    std::optional<HelpViewer> viewer_;
    HMODULE htmlHelpLibrary_ = nullptr;
    HtmlHelpFunction htmlHelp_ = nullptr;
};

} // namespace trx

#endif
