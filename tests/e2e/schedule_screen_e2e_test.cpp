// The season schedule as the operator sees it on the real TRXDESK.exe: the plan line in the
// status bar, the window "Sendeplan" with today's entries and their states, and the alarm
// after a change the transmitter refused, which a click on the status bar acknowledges.
#include "panel_story.h"

#include <ctime>

namespace trx::e2e {
namespace {

constexpr DWORD PAINT_MS = 500;
// A refused step is tried again after 10 s; then standby and the alarm.
constexpr DWORD FAILURE_TIMEOUT_MS = 30000;
constexpr int PART_INSET = 24; // past the size grip

struct ScheduleScreenStory : PanelStory {
    void SetUp() override {
        PanelStory::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path = std::string(temp) + "trx-schedule-e2e.csv";
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, portKey().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Sendeplan", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        const DWORD on = 1;
        RegSetValueExA(key, "SendeplanAktiv", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                       sizeof on);
        RegCloseKey(key);
    }
    void TearDown() override {
        ASSERT_EQ(sim.command("refuse-frequency off"), "OK");
        DeleteFileA(path.c_str());
        PanelStory::TearDown();
    }
    // "HH:MM" of now plus `minutes`, UTC, within today.
    static std::string clockIn(int minutes) {
        const time_t at = time(nullptr) + minutes * 60;
        tm utc{};
        gmtime_s(&utc, &at);
        char text[8];
        snprintf(text, sizeof text, "%02d:%02d", utc.tm_hour, utc.tm_min);
        return text;
    }
    void writePlan(const std::string& lines) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const std::string text = "Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;Programm;Antenne;"
                                 "Betrieb;g\xC3\xBCltig ab;g\xC3\xBCltig bis;Bemerkung\r\n" +
                                 lines;
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

    // The screen's colour near the right end of the status bar, inside the plan line's part.
    static COLORREF planPartColour(const PanelProcess& program) {
        RECT bar{};
        GetWindowRect(GetDlgItem(program.panel(), IDC_STATUSBAR), &bar);
        HDC screen = GetDC(nullptr);
        const COLORREF colour =
            GetPixel(screen, bar.right - PART_INSET, (bar.top + bar.bottom) / 2);
        ReleaseDC(nullptr, screen);
        return colour;
    }

    std::string path;
};

} // namespace

// Started in the middle of an entry with the transmitter in standby, the plan takes it up at
// once; its frequency is refused, so the change ends in standby with the alarm.
TEST_F(ScheduleScreenStory, ThePlanLineTheWindowAndTheAlarmOfARefusedFrequency) {
    const int hour = static_cast<int>(time(nullptr) / 3600 % 24);
    if (hour >= 22) {
        GTEST_SKIP() << "the story's entries would run past midnight";
    }
    ASSERT_EQ(sim.command("refuse-frequency 11.75"), "OK");
    const std::string second = clockIn(40);
    writePlan(clockIn(-1) + ";" + clockIn(30) + ";1234567;11,75;;3;;1000;;;abgewiesen\r\n" +
              second + ";" + clockIn(70) + ";1234567;9,5;;;;1000;;;\r\n" + clockIn(80) + ";" +
              clockIn(90) + ";1234567;6,07;;;2;Bereit;;;\r\n");
    PanelProcess program;
    ASSERT_TRUE(program.start(port()));
    ASSERT_TRUE(
        waitFor([&] { return program.statusText(3).rfind("Plan: ", 0) == 0; }, SHOW_TIMEOUT_MS))
        << program.statusText(1) << " | " << program.statusText(3) << " | "
        << program.statusText(4);
    Sleep(PAINT_MS);
    program.screenshot("schedule-plan-line");

    // The alarm is drawn white on red at the status bar's right end, where the plan line is.
    ASSERT_TRUE(waitFor([&] { return planPartColour(program) == ALARM_RED; }, FAILURE_TIMEOUT_MS));
    EXPECT_EQ(simulatorRegisters(sim)[OperatingState], STATE_STANDBY);
    Sleep(PAINT_MS);
    program.screenshot("schedule-alarm");
    post(program, IDM_SCHEDULE_WINDOW);
    HWND window = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            window = program.window("#32770");
            return window != nullptr && IsWindowVisible(window);
        },
        SHOW_TIMEOUT_MS));
    Sleep(PAINT_MS);
    program.screenshot("schedule-window");
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(waitFor([&] { return program.window("#32770") == nullptr; }, SHOW_TIMEOUT_MS));

    // A click on the status bar acknowledges the alarm; the plan line shows what comes next.
    HWND bar = GetDlgItem(program.panel(), IDC_STATUSBAR);
    RECT part{};
    ASSERT_TRUE(GetClientRect(bar, &part));
    const LPARAM where = MAKELPARAM(part.right - 20, part.bottom / 2);
    PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(bar, WM_LBUTTONUP, 0, where);
    const std::string next = "Plan: " + second + " UTC 9,50000 MHz 1000 W";
    ASSERT_TRUE(waitFor([&] { return program.statusText(3) == next; }, SHOW_TIMEOUT_MS))
        << program.statusText(3);

    // Switched off, the window offers nothing to run now.
    post(program, IDM_SCHEDULE_AUTO);
    ASSERT_TRUE(waitFor([&] { return program.statusText(3) == "Plan aus"; }, SHOW_TIMEOUT_MS));
    post(program, IDM_SCHEDULE_WINDOW);
    ASSERT_TRUE(waitFor(
        [&] {
            window = program.window("#32770");
            return window != nullptr && IsWindowVisible(window);
        },
        SHOW_TIMEOUT_MS));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_SCHEDULE_NOW)));
    Sleep(PAINT_MS);
    program.screenshot("schedule-window-off");
    ASSERT_TRUE(program.close());
}

} // namespace trx::e2e
