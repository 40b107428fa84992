// The journal window from the real template: today's lines newest on top, new ones as they
// happen, the filter, one window per panel, F1 and Escape.
#include "journal_win_fixture.h"
#include "journal_window.h"
#include "res/resource.h"

#include <commctrl.h>

namespace trx {

namespace {

class JournalWindow : public test::JournalFolder {
  protected:
    void SetUp() override {
        JournalFolder::SetUp();
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        panel = CreateWindowExA(0, "STATIC", "Panel", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        makeJournal();
        setup = std::make_unique<JournalWindowSetup>(
            JournalWindowSetup{*journal, [this](HWND w) { helpedWindow = w; }});
    }
    void TearDown() override {
        if (setup->window != nullptr) {
            DestroyWindow(setup->window);
        }
        DestroyWindow(panel);
        test::pumpMessages(0);
        JournalFolder::TearDown();
    }
    HWND list() { return GetDlgItem(setup->window, IDC_JOURNAL_LIST); }
    // "Ereignis: Text" of each row, top first.
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        const int count = static_cast<int>(SendMessageA(list(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            out.push_back(cell(i, 2) + ": " + cell(i, 3));
        }
        return out;
    }
    std::string cell(int item, int column) {
        char text[256] = {};
        LVITEMA lv{};
        lv.iSubItem = column;
        lv.pszText = text;
        lv.cchTextMax = sizeof text;
        SendMessageA(list(), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
        return text;
    }

    HWND panel = nullptr;
    HWND helpedWindow = nullptr;
    std::unique_ptr<JournalWindowSetup> setup;
};

} // namespace

TEST_F(JournalWindow, ShowsTodaysLinesNewestOnTopAndNewOnesAsTheyHappen) {
    journal->linkUp();
    journal->reported(StatusRegister, NOT_REPORTED, 9);
    journal->alarmRaised();
    HWND window = showJournalWindow(panel, *setup, "Sender Nord", "COM47 mit 1200 Bit/s");
    ASSERT_NE(window, nullptr);
    char title[128];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Betriebsjournal - Sender Nord (COM47 mit 1200 Bit/s)");
    EXPECT_EQ(GetWindow(window, GW_OWNER), panel);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Alarm: ein",
                                                "Meldung: Statuslampen: grün (Blitz), rot (Glocke)",
                                                "Verbindung: hergestellt"}));

    journal->alarmCleared();
    ASSERT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows()[0], "Alarm: aus");
    EXPECT_NE(cell(0, 4), "");         // its duration
    EXPECT_EQ(cell(0, 0).size(), 19u); // "2026-12-07 04:12:45"

    // The filter keeps alarms and the link; off again, everything is back.
    SendDlgItemMessageA(window, IDC_JOURNAL_ALARMS_ONLY, BM_CLICK, 0, 0);
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"Alarm: aus", "Alarm: ein", "Verbindung: hergestellt"}));
    journal->reported(PowerLevel, NOT_REPORTED, 3);
    journal->linkLost();
    EXPECT_EQ(rows()[0], "Verbindung: verloren");
    EXPECT_EQ(rows().size(), 4u);
    SendDlgItemMessageA(window, IDC_JOURNAL_ALARMS_ONLY, BM_CLICK, 0, 0);
    EXPECT_EQ(rows().size(), 6u);
}

TEST_F(JournalWindow, OnePerPanelWithItsHelpAndEscapeCloses) {
    HWND window = showJournalWindow(panel, *setup, "TRXDESK", "getrennt");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(showJournalWindow(panel, *setup, "TRXDESK", "COM47 mit 1200 Bit/s"), window);
    char title[128];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Betriebsjournal - TRXDESK (COM47 mit 1200 Bit/s)");

    HELPINFO info{};
    info.cbSize = sizeof info;
    SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(helpedWindow, window);

    // The window resizes its list with it.
    RECT before;
    GetWindowRect(list(), &before);
    SetWindowPos(window, nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER);
    RECT after;
    GetWindowRect(list(), &after);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    EXPECT_GT(after.bottom - after.top, before.bottom - before.top);

    SendMessageA(list(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(setup->window, nullptr);
    journal->linkUp(); // nothing listens any more
}

} // namespace trx
