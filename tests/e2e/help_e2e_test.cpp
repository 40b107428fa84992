// The operator's help with the real TRXDESK.exe and Wine's WinHelp viewer: F1 on the panel
// and in each dialog opens its topic of TRXDESK.HLP, the menu opens the contents, and
// closing the panel closes the help. Each topic is photographed.
#include "panel_story.h"

namespace trx::e2e {
namespace {

constexpr char HELP_WINDOW_CLASS[] = "MS_WINHELP";
constexpr char TOPIC_PANE_CLASS[] = "RichEdit20A";
constexpr char FREQUENCY_CAPTION[] = "Frequenzeingabe";
constexpr char SETTINGS_CAPTION[] = "Einstellungen";
constexpr char SPECIAL_CAPTION[] = "spezielle Einstellungen";
constexpr WPARAM CTRL_SHIFT_CLICK = MK_LBUTTON | MK_SHIFT | MK_CONTROL;
constexpr DWORD PAINT_MS = 500;
constexpr DWORD TEXT_TIMEOUT_MS = 1000;
constexpr int TOPIC_TEXT_SIZE = 256;
// A corner of the 1024x768 desktop, away from every window: the pointer resting on the
// panel would show a tooltip in the photographs.
constexpr POINT POINTER_PARKED = {1020, 760};

struct ChildSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK matchChild(HWND child, LPARAM lParam) {
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, search->className) == 0) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND findChild(HWND parent, const char* className) {
    ChildSearch search{className, nullptr};
    EnumChildWindows(parent, matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The beginning of the topic the help window shows; empty while there is none.
std::string shownTopic() {
    HWND help = FindWindowA(HELP_WINDOW_CLASS, nullptr);
    HWND pane = help ? findChild(help, TOPIC_PANE_CLASS) : nullptr;
    char text[TOPIC_TEXT_SIZE] = "";
    DWORD_PTR copied = 0;
    if (pane) {
        SendMessageTimeoutA(pane, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, TEXT_TIMEOUT_MS, &copied);
    }
    text[sizeof text - 1] = '\0';
    return text;
}

// True once the help window shows a topic whose first line ends with `title`.
bool helpShows(const std::string& title) {
    return waitFor(
        [&] {
            const std::string topic = shownTopic();
            const size_t end = topic.find_first_of("\r\n");
            const std::string first = topic.substr(0, end);
            return first.size() >= title.size() &&
                   first.compare(first.size() - title.size(), title.size(), title) == 0;
        },
        SHOW_TIMEOUT_MS);
}

// F1 as the operator presses it: a key on the keyboard of the window in front, which the
// system turns into WM_HELP for the window with the focus.
bool pressF1(HWND window) {
    SetForegroundWindow(window);
    if (!waitFor([&] { return GetForegroundWindow() == window; }, SHOW_TIMEOUT_MS)) {
        return false;
    }
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

HWND openDialog(const PanelProcess& program, int command, const char* caption) {
    PostMessageA(program.panel(), WM_COMMAND, command, 0);
    return waitForDialog(caption);
}

void closeDialog(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    waitFor([&] { return !IsWindow(dialog); }, SHOW_TIMEOUT_MS);
}

// The hidden way to the special settings: Ctrl and Shift, a double click on the settings'
// icon.
HWND openSpecialSettings(HWND settings) {
    RECT icon;
    GetWindowRect(GetDlgItem(settings, IDC_SETTINGS_ICON), &icon);
    POINT middle{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ScreenToClient(settings, &middle);
    PostMessageA(settings, WM_LBUTTONDBLCLK, CTRL_SHIFT_CLICK, MAKELPARAM(middle.x, middle.y));
    return waitForDialog(SPECIAL_CAPTION);
}

void photograph(const PanelProcess& program, const char* name) {
    Sleep(PAINT_MS);
    program.screenshot(name);
}

TEST_F(DialogStory, F1OpensTheHelpAtTheTopicOfWhereTheOperatorIsAndClosingTheProgramClosesIt) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    SetCursorPos(POINTER_PARKED.x, POINTER_PARKED.y);

    ASSERT_TRUE(pressF1(program.panel()));
    EXPECT_TRUE(helpShows("Das Bedienfeld")) << shownTopic();
    photograph(program, "help-panel");

    const struct {
        int command;
        const char* caption;
        const char* topic;
        const char* photo;
    } dialogs[] = {
        {IDM_SETTINGS, SETTINGS_CAPTION, "Einstellungen und Voreinstellungen", "help-settings"},
        {IDC_FREQUENCY, FREQUENCY_CAPTION, "Frequenz eingeben", "help-frequency"},
    };
    for (const auto& d : dialogs) {
        HWND dialog = openDialog(program, d.command, d.caption);
        ASSERT_NE(dialog, nullptr) << d.caption;
        ASSERT_TRUE(pressF1(dialog));
        EXPECT_TRUE(helpShows(d.topic)) << shownTopic();
        photograph(program, d.photo);
        closeDialog(dialog);
    }

    // Over the settings, the special settings have a topic of their own.
    HWND settings = openDialog(program, IDM_SETTINGS, SETTINGS_CAPTION);
    ASSERT_NE(settings, nullptr);
    HWND special = openSpecialSettings(settings);
    ASSERT_NE(special, nullptr);
    ASSERT_TRUE(pressF1(special));
    EXPECT_TRUE(helpShows("Spezielle Einstellungen")) << shownTopic();
    photograph(program, "help-special");
    closeDialog(special);
    closeDialog(settings);

    post(program, IDM_HELP_CONTENTS);
    EXPECT_TRUE(helpShows("TRXDESK Hilfe")) << shownTopic();
    photograph(program, "help-contents");

    ASSERT_TRUE(program.close());
    EXPECT_TRUE(waitFor([] { return FindWindowA(HELP_WINDOW_CLASS, nullptr) == nullptr; },
                        SHOW_TIMEOUT_MS));
}

} // namespace
} // namespace trx::e2e
