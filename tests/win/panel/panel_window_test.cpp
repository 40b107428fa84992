// The panel created in-process from the real resources, driven with messages and read back
// the way the operator sees it.
#include "app_globals.h"
#include "panel_window.h"
#include "res/resource.h"
#include "win32_panel_view.h"

#include <commctrl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

HICON resourceIcon(int id) {
    return LoadIconA(instanceHandle, MAKEINTRESOURCEA(id));
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

int WINAPI answerNo(HWND, LPCSTR, LPCSTR, UINT) {
    return IDNO;
}

class Panel : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        instanceHandle = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
        InitCommonControlsEx(&controls);
        WNDCLASSA panelClass = {};
        panelClass.lpfnWndProc = DefDlgProcA;
        panelClass.cbWndExtra = DLGWINDOWEXTRA;
        panelClass.hInstance = instanceHandle;
        panelClass.lpszClassName = "CLASS_TRXDESK_2";
        RegisterClassA(&panelClass);
    }

    void SetUp() override {
        setPanelMessageBox(answerNo); // closing an active panel asks; nobody is there to answer
        applyDefaultSettings(settings);
        settings.useRegistry = false;
        serialPort.portNumber = 0;
        serialPort.baudRate = 1200;
        panel = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_PANEL), nullptr,
                                   panelDialogProc, 0);
        ASSERT_NE(panel, nullptr);
    }

    void TearDown() override {
        if (IsWindow(panel)) {
            SendMessageA(panel, WM_CLOSE, 0, 0);
        }
        pumpMessages();
    }

    void receive(int address, int value) {
        SendMessageA(panel, WM_TRX_RECEIVED, 0, lineByteFor(address, value));
    }

    HWND panel = nullptr;
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
    EXPECT_FALSE(panelProtocol().state.linkAlive);
}

TEST_F(Panel, ConnectionTextNamesPortAndBaudRate) {
    serialPort.portNumber = 2; // shown only; the port is not opened by a reset
    resetPanel(panel);
    EXPECT_EQ(statusText(panel, 0), "COM2 mit 1200 Bit/s");
    serialPort.portNumber = 0;
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
    EXPECT_TRUE(panelProtocol().state.alarmShown);
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

std::string askedText;
UINT askedType = 0;

int WINAPI answerCancel(HWND, LPCSTR text, LPCSTR, UINT type) {
    askedText = text;
    askedType = type;
    return IDCANCEL;
}

TEST_F(Panel, ClosingAnActiveTransmitterAsksFirst) {
    setPanelMessageBox(answerCancel);
    receive(StatusRegister, 1);
    receive(OperatingState, STATE_P250);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(panel)); // cancelled: stays open
    EXPECT_EQ(askedText, "Sie sind dabei, die Anwendung zu schließen,\nobwohl der Sender noch "
                         "nicht heruntergefahren ist.\nWollen Sie, daß der Sender jetzt auf "
                         "\"Bereit\"\ngestellt wird?");
    EXPECT_EQ(askedType, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    askedText.clear();
    receive(OperatingState, STATE_STANDBY);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(panel)); // standby: closes without a question
    EXPECT_TRUE(askedText.empty());
}

int WINAPI answerYes(HWND, LPCSTR, LPCSTR, UINT) {
    return IDYES;
}

TEST_F(Panel, AnsweringYesAsksForStandbyAndStaysOpenUntilItIsReported) {
    setPanelMessageBox(answerYes);
    serialPort.portNumber = 2; // configured but not open: the write stays queued
    receive(StatusRegister, 1);
    receive(OperatingState, STATE_P250);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(panel));
    const ProtocolState& state = panelProtocol().state;
    EXPECT_TRUE(state.closeOnStandby);
    ASSERT_EQ(state.count, 1);
    EXPECT_EQ(state.queue[0], queuedForm(OperatingState, STATE_STANDBY));

    receive(OperatingState, STATE_STANDBY); // posts the close
    pumpMessages();
    EXPECT_FALSE(IsWindow(panel));
    serialPort.portNumber = 0;
}

TEST_F(Panel, ClosingSavesOnlyWithTheRegistrySwitchedOn) {
    constexpr char KEY[] = "Software\\Quandor\\TRXDESK\\allgemein";
    RegDeleteTreeA(HKEY_CURRENT_USER, KEY);
    SendMessageA(panel, WM_CLOSE, 0, 0); // useRegistry is off in these tests
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, KEY, 0, KEY_READ, &key), ERROR_SUCCESS);

    settings.useRegistry = true;
    panel = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_PANEL), nullptr,
                               panelDialogProc, 0);
    ASSERT_NE(panel, nullptr);
    SendMessageA(panel, WM_CLOSE, 0, 0);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, KEY);
}

TEST_F(Panel, OkClosesAndRefreshQueuesTheRefreshRequest) {
    serialPort.portNumber = 2;
    SendMessageA(panel, WM_COMMAND, IDM_REFRESH, 0);
    ASSERT_EQ(panelProtocol().state.count, 1);
    EXPECT_EQ(encodeByte(panelProtocol().state.queue[0]), REFRESH_REQUEST);
    serialPort.portNumber = 0;

    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    pumpMessages();
    EXPECT_FALSE(IsWindow(panel));
}

} // namespace
} // namespace trx
