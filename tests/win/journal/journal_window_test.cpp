// The journal window from the real template: today's lines newest on top, new ones as they
// happen, the filter, one window per panel, F1 and Escape, the line that says why lines
// wait, and "Kopie öffnen".
#include "journal/win/journal_window.h"
#include "journal_win_fixture.h"
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
            JournalWindowSetup{*journal, [this](HWND w) { helpedWindow = w; }, nullptr, {}});
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
    std::string troubleLine() {
        char text[1024] = {};
        GetDlgItemTextA(setup->window, IDC_JOURNAL_TROUBLE, text, sizeof text);
        return text;
    }
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
    announce->linkUp();
    announce->reported(StatusRegister, 9);
    announce->alarmRaised();
    HWND window = showJournalWindow(panel, *setup, "Sender Nord", "COM47 mit 1200 Bit/s");
    ASSERT_NE(window, nullptr);
    char title[128];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Betriebsjournal - Sender Nord (COM47 mit 1200 Bit/s)");
    EXPECT_EQ(GetWindow(window, GW_OWNER), panel);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Alarm: ein",
                                                "Meldung: Statuslampen: grün (Blitz), rot (Glocke)",
                                                "Verbindung: hergestellt"}));

    announce->alarmCleared();
    ASSERT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows()[0], "Alarm: aus");
    EXPECT_NE(cell(0, 4), "");         // its duration
    EXPECT_EQ(cell(0, 0).size(), 19u); // "2026-12-07 04:12:45"

    // The filter keeps alarms and the link; off again, everything is back.
    SendDlgItemMessageA(window, IDC_JOURNAL_ALARMS_ONLY, BM_CLICK, 0, 0);
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"Alarm: aus", "Alarm: ein", "Verbindung: hergestellt"}));
    announce->reported(PowerLevel, 3);
    announce->linkLost();
    ASSERT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows()[0], "Verbindung: verloren");
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
    announce->linkUp(); // nothing listens any more
}

// Lines written earlier today, and the lines still waiting for a folder that cannot be
// made: the window shows both, and says why they wait until they are written.
TEST_F(JournalWindow, SaysWhyLinesWaitUntilTheyAreWritten) {
    announce->linkUp();
    ASSERT_TRUE(written(1));
    journal.reset();
    // The folder goes: a file takes its name, so that no folder can be made.
    test::removeTree(base);
    HANDLE blocker = CreateFileA(base.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    makeJournal();
    setup =
        std::make_unique<JournalWindowSetup>(JournalWindowSetup{*journal, nullptr, nullptr, {}});
    announce->reported(PowerLevel, 2);
    HWND window = showJournalWindow(panel, *setup, "TRXDESK", "COM47 mit 1200 Bit/s");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(rows(), std::vector<std::string>{"Meldung: Leistungsanzeige 2 von 7"});
    ASSERT_TRUE(test::pumpUntil([&] { return troubleLine() != ""; }));
    EXPECT_EQ(troubleLine(), journal->trouble());
    EXPECT_NE(troubleLine().find(todaysFile()), std::string::npos) << troubleLine();

    DeleteFileA(base.c_str());
    ASSERT_TRUE(test::pumpUntil([&] { return troubleLine() == ""; }));
    ASSERT_TRUE(written(2));
    ASSERT_TRUE(test::pumpUntil([&] { return rows().size() == 2; }));
    EXPECT_EQ(rows()[0], "Journal: wieder geschrieben, 1 Zeilen nachgetragen");
}

// "Kopie öffnen": today's lines, also those still waiting, in a copy of their own that the
// spreadsheet may keep and change; the journal's file goes on meanwhile.
TEST_F(JournalWindow, OpensACopyOfTodaysLinesThatTheSpreadsheetMayKeep) {
    std::vector<std::string> opened;
    bool opens = true;
    setup->openFile = [&](HWND, const char* path) {
        opened.push_back(path);
        return opens;
    };
    announce->linkUp();
    announce->alarmRaised();
    HWND window = showJournalWindow(panel, *setup, "TRXDESK", "COM47 mit 1200 Bit/s");
    ASSERT_NE(window, nullptr);
    SendDlgItemMessageA(window, IDC_JOURNAL_OPEN_COPY, BM_CLICK, 0, 0);
    ASSERT_EQ(opened.size(), 1u);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(opened[0].rfind(std::string(temp) + "TRXDESK-Com47-", 0), 0u) << opened[0];
    // Excel takes the copy for reading and writing; the journal writes on into its own file.
    HANDLE excel = CreateFileA(opened[0].c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(excel, INVALID_HANDLE_VALUE) << GetLastError();
    announce->alarmCleared();
    ASSERT_TRUE(written(3));
    CloseHandle(excel);
    const std::string copy = readSharedFile(opened[0].c_str());
    std::string_view rest(copy);
    std::vector<std::string> fields;
    std::vector<std::string> copied;
    ASSERT_TRUE(readJournalLine(rest, fields)); // the header
    while (readJournalLine(rest, fields)) {
        ASSERT_GT(fields.size(), static_cast<size_t>(COLUMN_TEXT));
        copied.push_back(fields[COLUMN_TEXT]);
    }
    EXPECT_EQ(copied, (std::vector<std::string>{"hergestellt", "ein"}));
    EXPECT_EQ(copy.rfind(JOURNAL_FILE_HEAD, 0), 0u);

    // A second copy in the same second gets a name of its own; none opens it: said so.
    opens = false;
    SendDlgItemMessageA(window, IDC_JOURNAL_OPEN_COPY, BM_CLICK, 0, 0);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[1], opened[0]);
    EXPECT_EQ(troubleLine(), "Kein Programm öffnet die Kopie:\r\n" + opened[1]);
    for (const std::string& path : opened) {
        DeleteFileA(path.c_str());
    }
}

} // namespace trx
