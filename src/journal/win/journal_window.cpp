#include "journal/win/journal_window.h"

#include "journal/journal_window_rules.h"
#include "res/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

namespace trx {

namespace {

constexpr size_t TITLE_TEXT_SIZE = 160;
constexpr int COLUMN_WIDTHS[JOURNAL_LIST_COLUMNS] = {135, 80, 75, 320, 50};
constexpr int MIN_WINDOW_HEIGHT = 200; // pixels: the list still shows several lines
constexpr int DURATION_COLUMN = 4;

struct JournalWindowState {
    explicit JournalWindowState(JournalWindowSetup& s) : setup(s) {}
    JournalWindowSetup& setup;
    std::deque<JournalRow> rows; // oldest first; their addresses are the items' lParam
    bool alarmsOnly = false;
    SIZE client{}; // the client size the controls were laid out for
    HWND list = nullptr;
};

JournalWindowState* stateOf(HWND window) {
    return reinterpret_cast<JournalWindowState*>(GetWindowLongPtrA(window, DWLP_USER));
}

bool shown(const JournalWindowState& s, const JournalRow& row) {
    return !s.alarmsOnly || alarmOrLink(row);
}

bool shellOpen(HWND window, const char* path) {
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(
               ShellExecuteA(window, "open", path, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

void showTrouble(HWND window, const Journal& journal) {
    SetDlgItemTextA(window, IDC_JOURNAL_TROUBLE, journal.trouble().c_str());
}

// Puts `row` into the list at `index`.
void insertItem(HWND list, int index, const JournalRow& row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(row.cells[0].c_str());
    item.lParam = reinterpret_cast<LPARAM>(&row);
    const int at =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = 1; column < JOURNAL_LIST_COLUMNS; ++column) {
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(row.cells[column].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
    }
}

void fillList(JournalWindowState& s) {
    SendMessageA(s.list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(s.list, LVM_DELETEALLITEMS, 0, 0);
    int index = 0;
    for (auto row = s.rows.rbegin(); row != s.rows.rend(); ++row) {
        if (shown(s, *row)) {
            insertItem(s.list, index++, *row);
        }
    }
    SendMessageA(s.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(s.list, nullptr, TRUE);
}

// A new line: on top of the list; the oldest goes when the window holds too many.
void addLine(JournalWindowState& s, const std::string& line) {
    JournalRow row;
    if (!journalRow(line, row)) {
        return;
    }
    if (s.rows.size() >= JOURNAL_WINDOW_LINES) {
        if (shown(s, s.rows.front())) {
            const int last = static_cast<int>(SendMessageA(s.list, LVM_GETITEMCOUNT, 0, 0)) - 1;
            SendMessageA(s.list, LVM_DELETEITEM, last, 0);
        }
        s.rows.pop_front();
    }
    s.rows.push_back(std::move(row));
    if (shown(s, s.rows.back())) {
        insertItem(s.list, 0, s.rows.back());
    }
}

void copySelection(HWND window, const JournalWindowState& s) {
    std::vector<const JournalRow*> rows;
    for (int i = -1;
         (i = static_cast<int>(SendMessageA(s.list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) != -1;) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(s.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(reinterpret_cast<const JournalRow*>(item.lParam));
    }
    if (rows.empty() || !OpenClipboard(window)) {
        return;
    }
    const std::string text = copiedText(rows);
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

// The day's file as a copy in the temporary folder, opened as a double click would: a
// spreadsheet may keep it and change it, the journal's own file goes on. What went wrong
// stays in the window's trouble line until the writer's state changes.
void openCopy(HWND window, const JournalWindowState& s) {
    char path[MAX_PATH];
    char text[MAX_PATH + 64];
    if (!s.setup.journal.copyToday(path, sizeof path)) {
        snprintf(text, sizeof text, "Die Kopie kann nicht angelegt werden.");
    } else if (s.setup.openFile ? s.setup.openFile(window, path) : shellOpen(window, path)) {
        return;
    } else {
        snprintf(text, sizeof text, "Kein Programm öffnet die Kopie:\r\n%s", path);
    }
    SetDlgItemTextA(window, IDC_JOURNAL_TROUBLE, text);
}

void openFolder(HWND window, const JournalWindowState& s) {
    char folder[JOURNAL_PATH_SIZE];
    s.setup.journal.keyFolder(folder, sizeof folder);
    CreateDirectoryA(folder, nullptr); // before the first line of the key there is none yet
    ShellExecuteA(window, "explore", folder, nullptr, nullptr, SW_SHOWNORMAL);
}

// The list takes every change of the client size; the trouble line, the check box and the
// buttons keep their distance to the bottom (the buttons also to the right edge).
void layout(HWND window, JournalWindowState& s, int width, int height) {
    const int dx = width - s.client.cx;
    const int dy = height - s.client.cy;
    s.client = {width, height};
    const struct {
        int id;
        bool growX, growY, moveX, moveY;
    } rules[] = {
        {IDC_JOURNAL_LIST, true, true, false, false},
        {IDC_JOURNAL_TROUBLE, true, false, false, true},
        {IDC_JOURNAL_ALARMS_ONLY, false, false, false, true},
        {IDC_JOURNAL_OPEN_COPY, false, false, true, true},
        {IDC_JOURNAL_OPEN_FOLDER, false, false, true, true},
    };
    for (const auto& rule : rules) {
        HWND control = GetDlgItem(window, rule.id);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(control, nullptr, r.left + (rule.moveX ? dx : 0),
                     r.top + (rule.moveY ? dy : 0), r.right - r.left + (rule.growX ? dx : 0),
                     r.bottom - r.top + (rule.growY ? dy : 0), SWP_NOZORDER);
    }
}

BOOL onInit(HWND window, JournalWindowSetup& setup) {
    auto* s = new JournalWindowState(setup);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(s));
    setup.window = window;
    RECT client;
    GetClientRect(window, &client);
    s->client = {client.right, client.bottom};
    s->list = GetDlgItem(window, IDC_JOURNAL_LIST);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    SendMessageA(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP))));
    SendMessageA(s->list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < JOURNAL_LIST_COLUMNS; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == DURATION_COLUMN ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = COLUMN_WIDTHS[i];
        column.pszText = const_cast<char*>(JOURNAL_LIST_HEADINGS[i]);
        SendMessageA(s->list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    for (const std::string& line : setup.journal.recentLines(JOURNAL_WINDOW_LINES)) {
        JournalRow row;
        if (journalRow(line, row)) {
            s->rows.push_back(std::move(row));
        }
    }
    fillList(*s);
    setup.journal.onLine([window](const std::string& line) {
        if (JournalWindowState* state = stateOf(window)) {
            addLine(*state, line);
        }
    });
    showTrouble(window, setup.journal);
    setup.journal.onTrouble([window, &setup] { showTrouble(window, setup.journal); });
    return TRUE;
}

BOOL onCommand(HWND window, JournalWindowState& s, int command) {
    switch (command) {
    case IDCANCEL:
        DestroyWindow(window);
        return TRUE;
    case IDC_JOURNAL_ALARMS_ONLY:
        s.alarmsOnly = IsDlgButtonChecked(window, IDC_JOURNAL_ALARMS_ONLY) == BST_CHECKED;
        fillList(s);
        return TRUE;
    case IDC_JOURNAL_OPEN_FOLDER:
        openFolder(window, s);
        return TRUE;
    case IDC_JOURNAL_OPEN_COPY:
        openCopy(window, s);
        return TRUE;
    default:
        return FALSE;
    }
}

// Keys that reach the list itself (no dialog message handling around it): Escape closes,
// Ctrl+C copies.
BOOL onNotify(HWND window, JournalWindowState& s, const NMHDR& note) {
    if (note.idFrom != IDC_JOURNAL_LIST || note.code != static_cast<UINT>(LVN_KEYDOWN)) {
        return FALSE;
    }
    const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(note).wVKey;
    if (key == VK_ESCAPE) {
        DestroyWindow(window);
    } else if (key == 'C' && GetKeyState(VK_CONTROL) < 0) {
        copySelection(window, s);
    }
    return TRUE;
}

BOOL onNcDestroy(HWND window, JournalWindowState* s) {
    s->setup.journal.onLine(nullptr);
    s->setup.journal.onTrouble(nullptr);
    s->setup.window = nullptr;
    delete s;
    SetWindowLongPtrA(window, DWLP_USER, 0);
    return FALSE;
}

// Below the panel or above it, where there is more room, so that both can be seen; lower
// than its template where the screen is small.
void placeBeside(HWND window, HWND panel) {
    RECT work;
    RECT owner;
    RECT own;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(panel, &owner) ||
        !GetWindowRect(window, &own)) {
        return;
    }
    const int width = own.right - own.left;
    const int below = work.bottom - owner.bottom;
    const int above = owner.top - work.top;
    const int height =
        std::max(MIN_WINDOW_HEIGHT, std::min<int>(own.bottom - own.top, std::max(below, above)));
    const int top = below >= height || below >= above ? owner.bottom : owner.top - height;
    const int left = std::max<int>(work.left, std::min<int>(owner.left, work.right - width));
    SetWindowPos(window, nullptr, left, std::max<int>(work.top, top), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

HWND showJournalWindow(HWND panel, JournalWindowSetup& setup, const char* title,
                       const char* connection) {
    if (setup.window == nullptr) {
        CreateDialogParamA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(panel, GWLP_HINSTANCE)),
                           MAKEINTRESOURCEA(IDD_JOURNAL), panel, journalDialogProc,
                           reinterpret_cast<LPARAM>(&setup));
        if (setup.window == nullptr) {
            return nullptr;
        }
        placeBeside(setup.window, panel);
    }
    char text[TITLE_TEXT_SIZE];
    journalWindowTitle(title, connection, text, sizeof text);
    SetWindowTextA(setup.window, text);
    if (IsIconic(setup.window)) {
        ShowWindow(setup.window, SW_RESTORE);
    }
    ShowWindow(setup.window, SW_SHOW);
    SetForegroundWindow(setup.window);
    return setup.window;
}

INT_PTR CALLBACK journalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return onInit(window, *reinterpret_cast<JournalWindowSetup*>(lParam));
    }
    JournalWindowState* s = stateOf(window);
    if (s == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return onCommand(window, *s, LOWORD(wParam));
    case WM_NOTIFY:
        return onNotify(window, *s, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            layout(window, *s, LOWORD(lParam), HIWORD(lParam));
        }
        return TRUE;
    case WM_HELP:
        if (s->setup.help) {
            s->setup.help(window);
        }
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_NCDESTROY:
        return onNcDestroy(window, s);
    default:
        return FALSE;
    }
}

} // namespace trx
