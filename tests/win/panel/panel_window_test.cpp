// The panel created in-process from the real resources, driven with messages and read back
// the way the operator sees it.
#include "app/settings_codec.h"
#include "panel/win/panel_class.h"
#include "panel/win/panel_engine.h"
#include "panel/win/panel_menus.h"
#include "panel/win/panel_window.h"
#include "panel/win/win32_panel_view.h"
#include "panel_fakes.h"
#include "res/resource.h"
#include "serial/win/serial_port.h"
#include "shell/schedule_switch.h"
#include "shell/win/panel_host.h"

#include <commctrl.h>
#include <cstdio>
#include <memory>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace trx {
namespace {

std::string textOf(HWND panel, int id) {
    char text[128] = {};
    GetDlgItemTextA(panel, id, text, sizeof text);
    return text;
}

std::string statusText(HWND panel, int part) {
    char text[256] = {};
    SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

HICON iconOf(HWND panel, int id, UINT message) {
    return reinterpret_cast<HICON>(SendDlgItemMessageA(panel, id, message, IMAGE_ICON, 0));
}

HINSTANCE instance() {
    return GetModuleHandleA(nullptr);
}

HICON resourceIcon(int id) {
    return LoadIconA(instance(), MAKEINTRESOURCEA(id));
}

int windowHeight(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.bottom - r.top;
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            DispatchMessageA(&message);
        }
    }
}

class Panel : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
        InitCommonControlsEx(&controls);
        registerPanelClass(instance());
    }

    void SetUp() override {
        applyDefaultSettings(settings);
        settings.useRegistry = false;
        serial.setPortNumber(0);
        serial.setBaudRate(1200);
        panel = createPanel();
        ASSERT_NE(panel, nullptr);
    }

    void TearDown() override {
        host.boxAnswer = IDNO;
        if (IsWindow(panel)) {
            SendMessageA(panel, WM_CLOSE, 0, 0);
        }
        pumpMessages();
    }

    // Each panel with an engine of its own, as the entry point makes it.
    HWND createPanel() {
        engines.push_back(std::make_unique<PanelEngine>(line, settings, host, instance()));
        PanelSetup setup{*engines.back(), settings, serial, host, instance()};
        setup.schedule = schedule;
        return CreateDialogParamA(instance(), MAKEINTRESOURCEA(IDD_PANEL), nullptr, panelDialogProc,
                                  reinterpret_cast<LPARAM>(&setup));
    }

    ScheduleSwitch* schedule = nullptr; // the next panel's season schedule

    void receive(int address, int value) {
        SendMessageA(panel, WM_TRX_RECEIVED, 0, lineByteFor(address, value));
    }
    void command(int id) { SendMessageA(panel, WM_COMMAND, id, 0); }
    // Echoes every byte written so far, as the transmitter does.
    void echoSent() {
        for (size_t i = 0; i < line.sent.size(); ++i) {
            SendMessageA(panel, WM_TRX_RECEIVED, 0, line.sent[i]);
        }
    }
    // The transmitter in standby with its link up, on a configured port.
    void standbyReported() {
        serial.setPortNumber(2); // configured but never opened: the recording line is the port
        receive(StatusRegister, STATUS_READY);
        receive(OperatingState, STATE_STANDBY);
        pumpMessages(); // the refresh the link posted, answered below
        echoSent();     // a status report of 0 as well
        receive(StatusRegister, STATUS_READY);
        line.sent.clear();
    }

    Settings settings;
    SerialSystem system;
    SerialPort serial{system};
    RecordingLine line{serial};
    FakeHost host;
    std::vector<std::unique_ptr<PanelEngine>> engines;
    HWND panel = nullptr;
    // The engine of the panel made last.
    Protocol& protocol() { return engines.back()->protocol; }
};

TEST_F(Panel, StartsWithTheUnconnectedLook) {
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "__,_____");
    EXPECT_EQ(textOf(panel, IDC_PROGRAM), "");
    EXPECT_EQ(textOf(panel, IDC_ANTENNA), "");
    char caption[64];
    GetWindowTextA(panel, caption, sizeof caption);
    EXPECT_STREQ(caption, "TRXDESK");
    EXPECT_EQ(statusText(panel, 0), "getrennt");
    EXPECT_EQ(statusText(panel, 1), "");
    EXPECT_EQ(iconOf(panel, IDC_STATE_STANDBY, BM_GETIMAGE), resourceIcon(IDI_STANDBY));
    EXPECT_EQ(iconOf(panel, IDC_STATE_P1000, BM_GETIMAGE), resourceIcon(IDI_P1000));
    EXPECT_EQ(iconOf(panel, IDC_PRESET2, BM_GETIMAGE), resourceIcon(IDI_PRESET_F1));
    EXPECT_EQ(iconOf(panel, IDC_INDICATOR_LOW, STM_GETIMAGE), resourceIcon(IDI_IND_LOW_0));
    EXPECT_EQ(iconOf(panel, IDC_INDICATOR_HIGH, STM_GETIMAGE), resourceIcon(IDI_IND_HIGH_0));
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETICON, 2, 0)),
              resourceIcon(IDI_LINK_DOWN));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_PROGRAM_UPDOWN)));
}

TEST_F(Panel, ReportsFillTheDisplayAndAResetClearsIt) {
    const int digits[] = {0, 7, 1, 2, 3, 4, 5};
    for (int i = 0; i < 7; ++i) {
        receive(FrequencyDigit1 + i, digits[i]);
    }
    receive(OperatingState, STATE_STANDBY);
    receive(ProgramNumber, 12);
    receive(Antenna, 2);
    receive(StatusRegister, 1);
    receive(PowerLevel, 5);
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "07,12345");
    EXPECT_EQ(textOf(panel, IDC_PROGRAM), "12");
    EXPECT_EQ(textOf(panel, IDC_ANTENNA), "2");
    EXPECT_EQ(iconOf(panel, IDC_STATE_STANDBY, BM_GETIMAGE), resourceIcon(IDI_STANDBY_LIT));
    EXPECT_EQ(iconOf(panel, IDC_INDICATOR_LOW, STM_GETIMAGE), resourceIcon(IDI_IND_LOW_1));
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_POWER, PBM_GETPOS, 0, 0), 5);
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_PROGRAM_UPDOWN, UDM_GETPOS32, 0, 0), 12);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_PROGRAM_UPDOWN)));
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETICON, 2, 0)),
              resourceIcon(IDI_LINK_UP));

    resetPanel(panel);
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "__,_____");
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_POWER, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(iconOf(panel, IDC_STATE_STANDBY, BM_GETIMAGE), resourceIcon(IDI_STANDBY));
    EXPECT_FALSE(protocol().linkAlive());
}

TEST_F(Panel, ConnectionTextNamesPortAndBaudRate) {
    serial.setPortNumber(2); // shown only; the port is not opened by a reset
    resetPanel(panel);
    EXPECT_EQ(statusText(panel, 0), "COM2 mit 1200 Bit/s");
    serial.setPortNumber(0);
}

TEST_F(Panel, ALostLinkResetsTheWholePanel) {
    serial.setPortNumber(2);
    resetPanel(panel);
    receive(StatusRegister, STATUS_READY);
    receive(FrequencyDigit1, 1);
    // Behind the panel meanwhile: a new title from the special settings, a port that failed.
    snprintf(settings.title, sizeof settings.title, "Sender Süd");
    serial.setPortNumber(0);
    for (int tick = 0; tick <= WATCHDOG_LIMIT + 1; ++tick) {
        SendMessageA(panel, WM_TIMER, IDT_SUPERVISION, 0);
    }
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "__,_____");
    EXPECT_EQ(statusText(panel, 0), "getrennt");
    char caption[64];
    GetWindowTextA(panel, caption, sizeof caption);
    EXPECT_STREQ(caption, "Sender Süd");
}

TEST_F(Panel, SettingsCancelledAfterAFailedOpenShowsTheClosedPortAtOnce) {
    serial.setPortNumber(2);
    resetPanel(panel);
    receive(StatusRegister, STATUS_READY);
    receive(FrequencyDigit1, 1);
    host.dialogResult = IDCANCEL;
    host.duringDialog = [&] { serial.setPortNumber(0); }; // OK failed to open, then Cancel
    command(IDM_SETTINGS);
    EXPECT_EQ(statusText(panel, 0), "getrennt");
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "1_,_____"); // the rest waits for the watchdog
}

TEST_F(Panel, StatusBarMessageResizesByTheBarsHeightOnce) {
    HWND bar = GetDlgItem(panel, IDC_STATUSBAR);
    RECT barRect;
    GetClientRect(bar, &barRect);
    const int shown = windowHeight(panel);
    SendMessageA(panel, WM_TRX_STATUSBAR, 0, 1); // already shown: nothing changes
    EXPECT_EQ(windowHeight(panel), shown);

    SendMessageA(panel, WM_TRX_STATUSBAR, 0, 0);
    EXPECT_EQ(windowHeight(panel), shown - barRect.bottom);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_FALSE(settings.showStatusBar);
    SendMessageA(panel, WM_TRX_STATUSBAR, 0, 0);
    EXPECT_EQ(windowHeight(panel), shown - barRect.bottom);

    SendMessageA(panel, WM_TRX_STATUSBAR, 0, 1);
    EXPECT_EQ(windowHeight(panel), shown);
    EXPECT_TRUE(settings.showStatusBar);
}

COLORREF brushColour(INT_PTR brush) {
    LOGBRUSH lb = {};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
    return lb.lbColor;
}

TEST_F(Panel, DisplayColoursFollowTheAlarm) {
    HDC dc = CreateCompatibleDC(nullptr);
    auto colour = [&](int id) {
        return SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(GetDlgItem(panel, id)));
    };
    INT_PTR brush = colour(IDC_FREQUENCY);
    EXPECT_EQ(brushColour(brush), RGB(0, 100, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(43, 255, 43));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

    receive(StatusRegister, 0x8); // alarm
    EXPECT_TRUE(protocol().alarmShown());
    brush = colour(IDC_FREQUENCY);
    EXPECT_EQ(brushColour(brush), RGB(255, 0, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    brush = colour(IDC_ANTENNA); // the other fields stay green
    EXPECT_EQ(brushColour(brush), RGB(0, 100, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(43, 255, 43));
    // Other statics keep the system's colours.
    const COLORREF other = brushColour(colour(IDC_INDICATOR_LOW));
    EXPECT_NE(other, RGB(0, 100, 0));
    EXPECT_NE(other, RGB(255, 0, 0));
    DeleteDC(dc);
}

TEST_F(Panel, MinimisedIconShowsTheStateAndMaximiseIsRefused) {
    ShowWindow(panel, SW_SHOW);
    ShowWindow(panel, SW_MINIMIZE);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(panel, WM_GETICON, ICON_BIG, 0)),
              resourceIcon(IDI_UNKNOWN_STATE));
    EXPECT_EQ(protocol().mirror()[OperatingState], NOT_REPORTED); // only shown
    ShowWindow(panel, SW_RESTORE);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(panel, WM_GETICON, ICON_BIG, 0)),
              resourceIcon(IDI_APP));

    RECT before;
    GetWindowRect(panel, &before);
    SendMessageA(panel, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    SendMessageA(panel, WM_SYSCOMMAND, SC_SIZE, 0);
    RECT after;
    GetWindowRect(panel, &after);
    EXPECT_FALSE(IsZoomed(panel));
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(Panel, ClosingAnActiveTransmitterAsksFirst) {
    host.boxAnswer = IDCANCEL;
    receive(StatusRegister, 1);
    receive(OperatingState, STATE_P250);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(panel)); // cancelled: stays open
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Sie sind dabei, die Anwendung zu schließen,\nobwohl der Sender "
                                  "noch nicht heruntergefahren ist.\nWollen Sie, daß der Sender "
                                  "jetzt auf \"Bereit\"\ngestellt wird?");
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(host.boxes[0].owner, panel);
    receive(OperatingState, STATE_STANDBY);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(panel)); // standby: closes without a question
    EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(Panel, AnsweringYesAsksForStandbyAndStaysOpenUntilItIsReported) {
    host.boxAnswer = IDYES;
    serial.setPortNumber(2);
    receive(StatusRegister, 1);
    receive(OperatingState, STATE_P250);
    line.sent.clear();
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(panel));
    EXPECT_EQ(line.sent, std::vector<uint8_t>{0x81});

    receive(OperatingState, STATE_STANDBY); // echo and report: posts the close
    pumpMessages();
    EXPECT_FALSE(IsWindow(panel));
    ASSERT_FALSE(host.helps.empty());
    EXPECT_EQ(host.helps.back().first, static_cast<UINT>(HELP_QUIT));
}

TEST_F(Panel, ClosingSavesOnlyWithTheRegistrySwitchedOn) {
    constexpr char KEY[] = "Software\\Quandor\\TRXDESK\\allgemein";
    RegDeleteTreeA(HKEY_CURRENT_USER, KEY);
    SendMessageA(panel, WM_CLOSE, 0, 0); // useRegistry is off in these tests
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, KEY, 0, KEY_READ, &key), ERROR_SUCCESS);

    settings.useRegistry = true;
    panel = createPanel();
    ASSERT_NE(panel, nullptr);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, KEY);
}

TEST_F(Panel, EscapeDoesNothingAndOkCloses) {
    standbyReported();
    MSG escape{GetDlgItem(panel, IDC_STATE_STANDBY), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    IsDialogMessageA(panel, &escape); // the dialog manager's IDCANCEL
    pumpMessages();
    EXPECT_TRUE(IsWindow(panel));
    EXPECT_TRUE(line.sent.empty());

    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    pumpMessages();
    EXPECT_FALSE(IsWindow(panel));
}

TEST_F(Panel, ButtonsKeysAndTheUpDownControlWriteTheirRegisters) {
    standbyReported();
    receive(ProgramNumber, 15);
    const struct {
        int command;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {IDC_STATE_P250, {lineByteFor(OperatingState, STATE_P250)}},
        {IDC_STATE_TUNE, {lineByteFor(OperatingState, STATE_TUNE)}},
        {IDM_STANDBY, {lineByteFor(OperatingState, STATE_STANDBY)}},
        {IDM_REFRESH, {REFRESH_REQUEST}},
        {IDC_PRESET2, {0xAD, 0x03, 0x55}},
        {IDC_PROGRAM, {lineByteFor(ProgramNumber, 15)}},
        {IDM_PROGRAM_UP, {lineByteFor(ProgramNumber, 0)}}, // Page Up at 15
        {IDM_PROGRAM_DOWN, {lineByteFor(ProgramNumber, 14)}},
    };
    for (const auto& c : cases) {
        line.sent.clear();
        command(c.command);
        echoSent(); // each byte awaits its echo, as on a live line
        EXPECT_EQ(line.sent, c.bytes) << c.command;
        receive(OperatingState, STATE_STANDBY);
        receive(ProgramNumber, 15);
    }
    NMUPDOWN change{};
    change.hdr.hwndFrom = GetDlgItem(panel, IDC_PROGRAM_UPDOWN);
    change.hdr.idFrom = IDC_PROGRAM_UPDOWN;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = 1;
    line.sent.clear();
    // Result 0: the control may move.
    EXPECT_EQ(SendMessageA(panel, WM_NOTIFY, IDC_PROGRAM_UPDOWN, reinterpret_cast<LPARAM>(&change)),
              0);
    EXPECT_EQ(line.sent, std::vector<uint8_t>{lineByteFor(ProgramNumber, 14)});
}

TEST_F(Panel, DialogsOpenInTheirStateAndOnlySettingsOkResetsAndRefreshes) {
    serial.setPortNumber(2);
    receive(StatusRegister, STATUS_READY);
    receive(OperatingState, STATE_TUNE);
    pumpMessages();
    command(IDC_FREQUENCY); // only in standby
    command(IDM_ABOUT);
    EXPECT_EQ(host.dialogs, std::vector<int>{IDD_ABOUT});
    receive(OperatingState, STATE_STANDBY);
    command(IDC_FREQUENCY);
    EXPECT_EQ(host.dialogs.back(), IDD_FREQUENCY);

    for (const INT_PTR result : {static_cast<INT_PTR>(IDCANCEL), INT_PTR{-1}, INT_PTR{0}}) {
        host.dialogResult = result;
        line.sent.clear();
        command(IDM_SETTINGS);
        pumpMessages();
        EXPECT_EQ(host.dialogs.back(), IDD_SETTINGS);
        EXPECT_TRUE(line.sent.empty()) << result;
        EXPECT_TRUE(protocol().linkAlive()) << result;
    }
    host.dialogResult = IDOK;
    command(IDM_SETTINGS);
    EXPECT_FALSE(protocol().linkAlive()); // reset
    EXPECT_EQ(textOf(panel, IDC_FREQUENCY), "__,_____");
    pumpMessages();
    EXPECT_EQ(line.sent, std::vector<uint8_t>{REFRESH_REQUEST});
}

TEST_F(Panel, HelpKeyAndContents) {
    SendMessageA(panel, WM_HELP, 0, 0);
    command(IDM_HELP_CONTENTS);
    ASSERT_EQ(host.helps.size(), 2u);
    EXPECT_EQ(host.helps[0], (std::pair<UINT, ULONG_PTR>{HELP_CONTEXT, 1000}));
    EXPECT_EQ(host.helps[1].first, static_cast<UINT>(HELP_FINDER));
}

TEST_F(Panel, PresetMenusOfferTheirTypesSubmenusWithTheValuesMarked) {
    const char* const channelA =
        "Kanal &A[un&benutzt|&mit Dynamik|&ohne Dynamik|&1000 Hz|&WT*|&GT|&TT]";
    const char* const channelB = "Kanal &B[un&benutzt|&mit Dynamik*|&ohne Dynamik|&1000 Hz|&WT]";
    const char* const shift = "&Shift[&22 Hz|&85 Hz|&170 Hz|2&50 Hz*|3&40 Hz|5&00 Hz]";
    const struct {
        int type;
        std::string menu;
    } cases[] = {{MODE_TYPE_F1, std::string(channelA) + "|" + shift},
                 {MODE_TYPE_B8, std::string(channelA) + "|" + channelB},
                 {MODE_TYPE_J3C, channelA}};
    for (const auto& c : cases) {
        HMENU menu = preparePresetMenu(instance(), ModePreset{c.type, 4, 1, 3});
        EXPECT_EQ(describeMenu(GetSubMenu(menu, 0)), c.menu) << c.type;
        DestroyMenu(menu);
    }
}

TEST_F(Panel, AntennaMenuNamesTheAntennasAndMarksTheReportedOne) {
    snprintf(settings.antennaNames[1], ANTENNA_NAME_SIZE, "%s", "Dipol Süd");
    HMENU menu = prepareAntennaMenu(instance(), settings, 1);
    EXPECT_EQ(describeMenu(GetSubMenu(menu, 0)), "A&0: |A&1: Dipol Süd*|A&2: |A&3: ");
    DestroyMenu(menu);
    menu = prepareAntennaMenu(instance(), settings, NOT_REPORTED);
    EXPECT_EQ(describeMenu(GetSubMenu(menu, 0)), "A&0: |A&1: Dipol Süd|A&2: |A&3: *");
    DestroyMenu(menu);
}

TEST_F(Panel, MainMenuEnablesArrangingOnlyWithASecondPanel) {
    serial.setPortNumber(2);
    SendMessageA(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), MAKELPARAM(30, 40));
    ASSERT_EQ(host.menus.size(), 1u);
    EXPECT_EQ(host.menus[0].menu, "&Sender auf Standby|&Daten aktualisieren\tF5|-|"
                                  "&Einstellungen\tF7|&Hilfe Inhaltsverzeichnis|"
                                  "&Geräte anordnen~|Betriebs&journal…\tF9|"
                                  "Sende&plan automatisch~|Sendeplan…\tF8~|"
                                  "Plan jetzt aus&führen~|&Info|-|&Beenden");
    EXPECT_EQ(host.menus[0].flags, 0u);
    EXPECT_EQ(host.menus[0].x, 30);
    EXPECT_EQ(host.menus[0].y, 40);

    serial.setPortNumber(0);
    HWND second = createPanel();
    ASSERT_NE(second, nullptr);
    SendMessageA(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), -1);
    SendMessageA(second, WM_CLOSE, 0, 0);
    ASSERT_EQ(host.menus.size(), 2u);
    EXPECT_EQ(host.menus[1].menu, "&Sender auf Standby~|&Daten aktualisieren\tF5~|-|"
                                  "&Einstellungen\tF7|&Hilfe Inhaltsverzeichnis|"
                                  "&Geräte anordnen|Betriebs&journal…\tF9|"
                                  "Sende&plan automatisch~|Sendeplan…\tF8~|"
                                  "Plan jetzt aus&führen~|&Info|-|&Beenden");
    RECT r;
    GetWindowRect(panel, &r);
    EXPECT_EQ(host.menus[1].x, r.left + 10);
    EXPECT_EQ(host.menus[1].y, r.top + 25);
}

TEST_F(Panel, PresetMenuChoiceSendsTheChangedPresetAndADismissalNothing) {
    serial.setPortNumber(2);
    HWND key = GetDlgItem(panel, IDC_PRESET2);
    SendMessageA(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(key), -1);
    pumpMessages();
    ASSERT_EQ(host.menus.size(), 1u);
    EXPECT_EQ(host.menus[0].flags, static_cast<UINT>(TPM_RETURNCMD | TPM_NONOTIFY));
    RECT r;
    GetWindowRect(key, &r);
    EXPECT_EQ(host.menus[0].x, r.left + 20);
    EXPECT_EQ(host.menus[0].y, r.top + 20);
    EXPECT_TRUE(line.sent.empty());

    host.menuChoice = IDM_SHIFT_FIRST + 3;
    SendMessageA(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(key), MAKELPARAM(5, 5));
    pumpMessages();
    EXPECT_EQ(settings.presets[2].shiftIndex, 3);
    // Channel A 5, channel B 0, then F1 at 250 Hz: code 8.
    EXPECT_EQ(line.sent, (std::vector<uint8_t>{0xAD, 0x03, lineByteFor(EmissionMode, 8)}));
}

TEST_F(Panel, AntennaMenuOnlyInStandbyAndF3OpensItFromTheKeyboard) {
    serial.setPortNumber(2);
    host.menuChoice = IDM_ANTENNA_FIRST + 3;
    command(IDM_ANTENNA_MENU);
    pumpMessages();
    EXPECT_TRUE(host.menus.empty()); // nothing reported: not standby

    standbyReported();
    command(IDM_ANTENNA_MENU);
    pumpMessages();
    ASSERT_EQ(host.menus.size(), 1u);
    RECT r;
    GetWindowRect(GetDlgItem(panel, IDC_ANTENNA), &r);
    EXPECT_EQ(host.menus[0].x, r.left + 20);
    EXPECT_EQ(host.menus[0].y, r.top + 20);
    EXPECT_EQ(line.sent, std::vector<uint8_t>{lineByteFor(Antenna, 3)});
}

TEST_F(Panel, EndOfSessionAsksItsOwnQuestionAndYesPutsStandbyOnTheLineFirst) {
    serial.setPortNumber(2);
    EXPECT_TRUE(SendMessageA(panel, WM_QUERYENDSESSION, 0, 0)); // link not up: no question
    EXPECT_TRUE(host.boxes.empty());

    receive(StatusRegister, STATUS_READY);
    receive(OperatingState, STATE_P1000);
    pumpMessages(); // the refresh goes out and awaits its echo, which never comes
    line.sent.clear();
    host.boxAnswer = IDCANCEL;
    EXPECT_FALSE(SendMessageA(panel, WM_QUERYENDSESSION, 0, 0)); // Windows must not end
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "Sie sind dabei, die Windows-Sitzung zu beenden,\nobwohl der Sender "
              "noch nicht heruntergefahren ist.\nWollen Sie, daß der Sender jetzt "
              "auf \"Bereit\"\ngestellt wird?");
    EXPECT_TRUE(line.sent.empty());

    host.boxAnswer = IDYES;
    EXPECT_TRUE(SendMessageA(panel, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(line.sent, std::vector<uint8_t>{0x81});
    EXPECT_EQ(line.flushes, std::vector<int>{END_SESSION_FLUSH_MS});
    SendMessageA(panel, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(IsWindow(panel)); // Windows ends the process; the panel does nothing more
}

TEST_F(Panel, EndOfSessionYesQueuesTheStandbyThatThePortRefused) {
    serial.setPortNumber(2);
    receive(StatusRegister, STATUS_READY);
    receive(OperatingState, STATE_P1000);
    pumpMessages(); // the refresh goes out and awaits its echo
    line.sent.clear();
    host.boxAnswer = IDYES;
    line.refuseWrites = true; // every slot of the port still busy
    EXPECT_TRUE(SendMessageA(panel, WM_QUERYENDSESSION, 0, 0));
    EXPECT_TRUE(line.sent.empty());

    line.refuseWrites = false;
    SendMessageA(panel, WM_ENDSESSION, FALSE, 0); // another program kept the session going
    receive(StatusRegister, STATUS_READY);        // the refresh is answered: the queue moves
    EXPECT_EQ(line.sent, std::vector<uint8_t>{0x81});
}

BOOL CALLBACK findTooltips(HWND window, LPARAM found) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, TOOLTIPS_CLASSA) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

std::vector<WPARAM> activations; // TTM_ACTIVATE as the tooltip control received it
WNDPROC tooltipProc = nullptr;
LRESULT CALLBACK recordActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TTM_ACTIVATE) {
        activations.push_back(wParam);
    }
    return CallWindowProcA(tooltipProc, window, message, wParam, lParam);
}

TEST_F(Panel, StatusBarPartsEndAtTheirEdgesAndTooltipsSwitchedOffStayOff) {
    pumpMessages(); // the tooltips come once the panel is shown
    int edges[3] = {};
    ASSERT_EQ(
        SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)),
        3);
    RECT client;
    GetClientRect(panel, &client);
    EXPECT_EQ(edges[0], 120);
    EXPECT_EQ(edges[1], client.right - 50); // the mode line ends before the link lamp
    EXPECT_EQ(edges[2], client.right);

    // The journal's trouble takes a part of its own at the right end while it lasts; the
    // mode line keeps its text.
    const std::string modeLine = statusText(panel, 1);
    showJournalTrouble(panel, "Journal: Schreibfehler");
    int journalEdges[4] = {};
    ASSERT_EQ(SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETPARTS, 4,
                                  reinterpret_cast<LPARAM>(journalEdges)),
              4);
    EXPECT_EQ(statusText(panel, 3), "Journal: Schreibfehler");
    EXPECT_EQ(statusText(panel, 1), modeLine);
    EXPECT_EQ(journalEdges[3], client.right);
    EXPECT_LT(journalEdges[2], client.right - 60); // room for the text
    EXPECT_EQ(journalEdges[2] - journalEdges[1], 50);
    showJournalTrouble(panel, "");
    EXPECT_EQ(
        SendDlgItemMessageA(panel, IDC_STATUSBAR, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)),
        3);
    EXPECT_EQ(edges[2], client.right);

    HWND tooltips = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findTooltips, reinterpret_cast<LPARAM>(&tooltips));
    ASSERT_NE(tooltips, nullptr);
    tooltipProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tooltips, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordActivation)));
    activations.clear();
    settings.showTooltips = false; // switched off in the settings
    resetPanel(panel);
    resetPanel(panel);
    EXPECT_EQ(activations, (std::vector<WPARAM>{FALSE, FALSE}));
    settings.showTooltips = true;
    resetPanel(panel);
    EXPECT_EQ(activations.back(), static_cast<WPARAM>(TRUE));
    SetWindowLongPtrA(tooltips, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(tooltipProc));
}

} // namespace
// The season schedule as the panel reaches it: three main-menu items, the switch checked
// while on, and a click on the status bar for its alarm.
class RecordingSchedule final : public ScheduleSwitch {
  public:
    std::vector<std::string> asked;
    bool on = true;
    bool scheduleOn() const override { return on; }
    void switchSchedule(bool value) override { asked.push_back(value ? "on" : "off"); }
    bool runScheduleNow() override {
        asked.push_back("now");
        return true;
    }
    void reloadSchedule() override { asked.push_back("reload"); }
    void acknowledgeScheduleAlarm() override { asked.push_back("acknowledge"); }
    void showScheduleWindow() override { asked.push_back("window"); }
    ScheduleReport scheduleReport() const override { return {}; }
    void usePort(int) override {}
};

TEST_F(Panel, TheScheduleIsSwitchedFromTheMenuAndItsPlanLineHasAPartOfItsOwn) {
    RecordingSchedule plan;
    schedule = &plan;
    HWND scheduled = createPanel();
    ASSERT_NE(scheduled, nullptr);
    SendMessageA(scheduled, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(scheduled), -1);
    ASSERT_EQ(host.menus.size(), 1u);
    EXPECT_NE(host.menus[0].menu.find("|Sende&plan automatisch*|Sendeplan…\tF8|Plan jetzt "
                                      "aus&führen|"),
              std::string::npos)
        << host.menus[0].menu;
    for (int id : {IDM_SCHEDULE_AUTO, IDM_SCHEDULE_WINDOW, IDM_SCHEDULE_NOW}) {
        SendMessageA(scheduled, WM_COMMAND, id, 0);
    }
    // F8 is the window's key.
    HACCEL keys = LoadAcceleratorsA(instance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG f8{scheduled, WM_KEYDOWN, VK_F8, 0, 0, {}};
    EXPECT_TRUE(TranslateAcceleratorA(scheduled, keys, &f8));
    NMHDR click{GetDlgItem(scheduled, IDC_STATUSBAR), IDC_STATUSBAR, static_cast<UINT>(NM_CLICK)};
    SendMessageA(scheduled, WM_NOTIFY, IDC_STATUSBAR, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(plan.asked,
              (std::vector<std::string>{"off", "window", "now", "window", "acknowledge"}));

    // The plan line and the journal's trouble each in a part of their own, in that order.
    showSchedulePlan(scheduled, "Plan: 03:00 UTC 9,50000 MHz 1000 W", false);
    showJournalTrouble(scheduled, "Journal: Schreibfehler");
    int edges[5] = {};
    ASSERT_EQ(SendDlgItemMessageA(scheduled, IDC_STATUSBAR, SB_GETPARTS, 5,
                                  reinterpret_cast<LPARAM>(edges)),
              5);
    EXPECT_EQ(statusText(scheduled, 3), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    EXPECT_EQ(statusText(scheduled, 4), "Journal: Schreibfehler");
    showJournalTrouble(scheduled, "");
    EXPECT_EQ(statusText(scheduled, 3), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    SendMessageA(scheduled, WM_CLOSE, 0, 0);
}

} // namespace trx
