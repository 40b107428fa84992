// The window "Sendeplan…": a modeless dialog owned by the panel. A thin dialog procedure:
// what it shows comes from schedule_window_rules, what its buttons do from the station.
#include "res/resource.h"
#include "schedule/schedule_window_rules.h"
#include "schedule/win/schedule_station.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace trx {

namespace {

constexpr INT_PTR SHELL_EXECUTE_FAILED = 32; // ShellExecute's results up to this are errors
constexpr LONG LIST_MARGIN = 8;

ScheduleStation* stationOf(HWND window) {
    return reinterpret_cast<ScheduleStation*>(GetWindowLongPtrA(window, DWLP_USER));
}

// The lines, scrollable sideways as far as the longest reaches.
void fillList(HWND window, int id, const std::vector<std::string>& lines) {
    HWND list = GetDlgItem(window, id);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    HDC dc = GetDC(list);
    HGDIOBJ before =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::string& line : lines) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SIZE extent{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
        widest = std::max(widest, extent.cx);
    }
    SelectObject(dc, before);
    ReleaseDC(list, dc);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + LIST_MARGIN), 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void onOpenFile(HWND window, const ScheduleStation& station) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(window, "open", station.path().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= SHELL_EXECUTE_FAILED) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "Die Datei lässt sich nicht öffnen:\n%s",
                 station.path().c_str());
        MessageBoxA(window, text, "Sendeplan", MB_ICONWARNING);
    }
}

INT_PTR onCommand(HWND window, ScheduleStation& station, int command) {
    switch (command) {
    case IDC_SCHEDULE_ON:
        station.switchSchedule(IsDlgButtonChecked(window, IDC_SCHEDULE_ON) == BST_CHECKED);
        return TRUE;
    case IDC_SCHEDULE_NOW:
        station.runScheduleNow();
        return TRUE;
    case IDC_SCHEDULE_RELOAD:
        station.reloadSchedule();
        return TRUE;
    case IDC_SCHEDULE_OPEN:
        onOpenFile(window, station);
        return TRUE;
    case IDCANCEL:
        DestroyWindow(window);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK scheduleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        SetTimer(window, IDT_SCHEDULE_WINDOW, SCHEDULE_WINDOW_TICK_MS, nullptr);
        return TRUE;
    }
    ScheduleStation* station = stationOf(window);
    if (!station) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return onCommand(window, *station, LOWORD(wParam));
    case WM_TIMER:
        SetDlgItemTextA(window, IDC_SCHEDULE_NEXT,
                        scheduleCountdownText(station->runner(), station->now()).c_str());
        return TRUE;
    case WM_HELP:
        station->showHelp(window);
        return TRUE;
    case WM_DESTROY:
        KillTimer(window, IDT_SCHEDULE_WINDOW);
        station->windowClosed();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void ScheduleStation::showScheduleWindow() {
    if (!window_) {
        window_ = CreateDialogParamA(
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(panel_, GWLP_HINSTANCE)),
            MAKEINTRESOURCEA(IDD_SCHEDULE), panel_, scheduleWindowProc,
            reinterpret_cast<LPARAM>(this));
        if (!window_) {
            return;
        }
        watch_.readNow(
            false,
            settings_.antennaNames); // a file written meanwhile, where no folder could be watched
        refreshWindow();
    }
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void ScheduleStation::showHelp(HWND window) {
    host_.help(window, HELP_CONTEXT, IDH_SCHEDULE);
}

void ScheduleStation::refreshWindow() {
    if (!window_) {
        return;
    }
    const UtcSeconds at = now();
    char title[SCHEDULE_TEXT_SIZE];
    snprintf(title, sizeof title, "Sendeplan - %s", settings_.title);
    SetWindowTextA(window_, title);
    SetDlgItemTextA(window_, IDC_SCHEDULE_FILE, path_.c_str());
    CheckDlgButton(window_, IDC_SCHEDULE_ON, runner_->enabled() ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(window_, IDC_SCHEDULE_NOW), runner_->enabled());
    SetDlgItemTextA(window_, IDC_SCHEDULE_NEXT, scheduleCountdownText(*runner_, at).c_str());
    fillList(window_, IDC_SCHEDULE_LIST, scheduleWindowLines(*runner_, at));
    std::vector<std::string> problems = scheduleProblemLines(*runner_);
    if (watch_.reading()) {
        problems.insert(problems.begin(), "Die Datei wird gelesen …");
    }
    fillList(window_, IDC_SCHEDULE_PROBLEMS, problems);
}

} // namespace trx
