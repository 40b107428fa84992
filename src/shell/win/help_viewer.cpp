#include "shell/win/help_viewer.h"

#include "app/settings_codec.h"

#include <htmlhelp.h>

namespace trx {

namespace {

constexpr char HTML_HELP_LIBRARY[] = "hhctrl.ocx";
constexpr char HTML_HELP_ENTRY[] = "HtmlHelpA";
constexpr char NT_LIBRARY[] = "ntdll.dll";
constexpr char WINE_VERSION_ENTRY[] = "wine_get_version";
// Reports the true version whatever the manifest says, unlike GetVersionEx.
constexpr char NT_VERSION_ENTRY[] = "RtlGetVersion";
using NtVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

// The viewer for this system: asks whether Wine runs the program, the Windows version
// and whether the HTML Help file is there.
HelpViewer detectHelpViewer(const char* htmlHelpPath) {
    HelpPlatform platform{};
    HMODULE nt = GetModuleHandleA(NT_LIBRARY);
    platform.wine = nt && GetProcAddress(nt, WINE_VERSION_ENTRY) != nullptr;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    auto ntVersion = nt ? reinterpret_cast<NtVersionFunction>(
                              reinterpret_cast<void*>(GetProcAddress(nt, NT_VERSION_ENTRY)))
                        : nullptr;
    if (ntVersion && ntVersion(&version) == 0) {
        platform.windowsMajor = version.dwMajorVersion;
    }
    platform.htmlHelpFilePresent = GetFileAttributesA(htmlHelpPath) != INVALID_FILE_ATTRIBUTES;
    return chooseHelpViewer(platform);
}

} // namespace

HelpViewerCalls::~HelpViewerCalls() {
    if (htmlHelpLibrary_) {
        FreeLibrary(htmlHelpLibrary_);
    }
}

void HelpViewerCalls::call(HWND owner, UINT command, ULONG_PTR data) {
    if (!viewer_) {
        viewer_ = detectHelpViewer(htmlHelpPath_);
    }
    if (*viewer_ == HelpViewer::Hlp) {
        WinHelpA(owner, winHelpPath_, command, data);
    } else {
        callHtmlHelp(owner, command, data);
    }
}

void HelpViewerCalls::callHtmlHelp(HWND owner, UINT command, ULONG_PTR data) {
    if (command == HELP_QUIT) {
        // Nothing to close when the library was never needed.
        if (htmlHelp_) {
            htmlHelp_(nullptr, nullptr, HH_CLOSE_ALL, 0);
        }
        return;
    }
    if (!loadHtmlHelp()) {
        return;
    }
    if (command == HELP_CONTEXT) {
        char topic[HELP_PATH_SIZE + 32];
        if (htmlHelpTopic(htmlHelpPath_, static_cast<unsigned long>(data), topic, sizeof topic)) {
            htmlHelp_(owner, topic, HH_DISPLAY_TOPIC, 0);
        }
    } else if (command == HELP_FINDER) {
        htmlHelp_(owner, htmlHelpPath_, HH_DISPLAY_TOC, 0);
    }
}

bool HelpViewerCalls::loadHtmlHelp() {
    if (!htmlHelp_) {
        if (!htmlHelpLibrary_) {
            htmlHelpLibrary_ = LoadLibraryA(HTML_HELP_LIBRARY);
        }
        if (htmlHelpLibrary_) {
            htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(
                reinterpret_cast<void*>(GetProcAddress(htmlHelpLibrary_, HTML_HELP_ENTRY)));
        }
    }
    return htmlHelp_ != nullptr;
}

} // namespace trx
