// The HTML Help path, for Windows without WinHelp: run here for real through hhctrl.ocx
// under Wine (whose WinHelp path the end-to-end stories show). Wine draws no page without
// its browser engine, so the window and its title are what is checked; the pages
// themselves are checked in the help file by the help_contexts test.
#include "app/settings_codec.h"
#include "res/resource.h"
#include "shell/win/help_viewer.h"

#include <gtest/gtest.h>

#include <string>

namespace trx {
namespace {

constexpr char HTML_HELP_WINDOW_CLASS[] = "HH Parent";
constexpr char HELP_TITLE[] = "TRXDESK Hilfe";
constexpr DWORD WAIT_MS = 10000;

// Pumps this thread's messages (the help window is ours) until `condition` holds.
template <typename Condition> bool pumpUntil(Condition condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > WAIT_MS) {
            return false;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    return true;
}

std::string besideTheTests(const char* name) {
    char path[MAX_PATH];
    const DWORD n = GetFullPathNameA(name, sizeof path, path, nullptr);
    return n > 0 && n < sizeof path ? std::string(path) : std::string();
}

TEST(HelpViewer, HtmlHelpOpensTheHelpFileAtATopicAndQuitClosesIt) {
    const std::string chm = besideTheTests(HTML_HELP_FILE_NAME);
    ASSERT_NE(GetFileAttributesA(chm.c_str()), INVALID_FILE_ATTRIBUTES) << chm;
    const std::string hlp = besideTheTests(HELP_FILE_NAME);
    HelpViewerCalls help(hlp.c_str(), chm.c_str(), HelpViewer::Chm);

    help.call(nullptr, HELP_CONTEXT, IDH_SETTINGS);
    HWND window = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        window = FindWindowA(HTML_HELP_WINDOW_CLASS, nullptr);
        return window != nullptr;
    }));
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, HELP_TITLE);

    help.call(nullptr, HELP_QUIT, 0);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }));
}

TEST(HelpViewer, QuitWithoutHelpShownLoadsNothing) {
    HelpViewerCalls help("X.HLP", "X.CHM", HelpViewer::Chm);
    help.call(nullptr, HELP_QUIT, 0);
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr);
}

} // namespace
} // namespace trx
