// Operator stories of the dialogs with the real TRXDESK.exe: a frequency entered reaches the
// transmitter, the settings switch the panel to another transmitter or bring a line back
// that was gone, and every dialog is photographed.
#include "panel_story.h"

#include <commctrl.h>

#include <string>

namespace trx::e2e {
namespace {

constexpr char FREQUENCY_CAPTION[] = "Frequenzeingabe";
constexpr char SETTINGS_CAPTION[] = "Einstellungen";
constexpr char SPECIAL_CAPTION[] = "spezielle Einstellungen";
constexpr char ABOUT_CAPTION[] = "Info über TRXDESK";
constexpr char STATION_CAPTION[] = "Steuerport und Journal";
constexpr int STATION_TEST_PORT = TRX_STATION_TEST_PORT; // one per build tree
constexpr char WARNING_CAPTION[] = "TRXDESK";            // the panel's title
constexpr DWORD PAINT_MS = 500;
constexpr DWORD LINK_LOST_MS = 8000;
constexpr WPARAM CTRL_SHIFT_CLICK = MK_LBUTTON | MK_SHIFT | MK_CONTROL;

// Waits for the dialog, lets it paint and photographs it; the dialog, or null.
HWND photographDialog(const PanelProcess& program, const char* caption, const char* name) {
    HWND dialog = waitForDialog(caption);
    if (dialog != nullptr) {
        Sleep(PAINT_MS);
        program.screenshot(name);
    }
    return dialog;
}

bool closed(HWND dialog) {
    return waitFor([&] { return !IsWindow(dialog); }, SHOW_TIMEOUT_MS);
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void setText(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Chooses a port list entry by its text and confirms it as the operator's click does.
bool choosePort(HWND dialog, const std::string& entry) {
    HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
    const LRESULT index = SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(list));
    return index != CB_ERR;
}

std::string frequencyOf(const std::vector<int>& registers) {
    return registers.size() == 16 ? expectedFrequency(registers) : "";
}

TEST_F(DialogStory, AFrequencyEnteredReachesTheTransmitterAndTheDisplayFollows) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    ASSERT_EQ(sim.command("mark"), "OK");
    PostMessageA(program.panel(), WM_COMMAND, IDC_FREQUENCY, 0);
    HWND dialog = waitForDialog(FREQUENCY_CAPTION);
    ASSERT_NE(dialog, nullptr);
    // Out of range first: the warning, and the entry stays open for a correction.
    setText(dialog, IDC_FREQUENCY_EDIT, "45");
    press(dialog, IDOK);
    HWND warning = photographDialog(program, WARNING_CAPTION, "message-frequency-range");
    ASSERT_NE(warning, nullptr);
    EXPECT_NE(PanelProcess::staticTexts(warning).find("1,5 ... 29,99999"), std::string::npos);
    press(warning, IDOK);
    ASSERT_TRUE(closed(warning));
    EXPECT_TRUE(IsWindowVisible(dialog));
    setText(dialog, IDC_FREQUENCY_EDIT, "3,6");
    ASSERT_EQ(photographDialog(program, FREQUENCY_CAPTION, "dialog-frequency"), dialog);
    press(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    std::vector<uint8_t> expected{lineByteFor(OperatingState, STATE_STANDBY)};
    const int digits[] = {0, 3, 6, 0, 0, 0, 0};
    for (int i = 0; i < 7; ++i) {
        expected.push_back(lineByteFor(FrequencyDigit1 + i, digits[i]));
    }
    EXPECT_TRUE(received(expected));
    EXPECT_EQ(frequencyOf(simulatorRegisters(sim)), "03,60000");
    EXPECT_TRUE(
        waitFor([&] { return program.controlText(IDC_FREQUENCY) == "03,60000"; }, SHOW_TIMEOUT_MS));
}

TEST_F(DialogStory, SettingsSwitchToTheSecondTransmitterAndShowEveryDialog) {
    trxtest::SimControl second;
    ASSERT_TRUE(second.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT2")));
    ASSERT_EQ(second.command("set 1 1"), "OK"); // 17,12345 MHz: not the first one's
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));

    PostMessageA(program.panel(), WM_COMMAND, IDM_ABOUT, 0);
    HWND about = photographDialog(program, ABOUT_CAPTION, "dialog-about");
    ASSERT_NE(about, nullptr);
    EXPECT_NE(PanelProcess::staticTexts(about).find("Version 1.0"), std::string::npos);
    press(about, IDCANCEL);
    ASSERT_TRUE(closed(about));

    PostMessageA(program.panel(), WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = photographDialog(program, SETTINGS_CAPTION, "dialog-settings");
    ASSERT_NE(settings, nullptr);
    // The hidden way to the special settings: Ctrl and Shift, a double click on the icon.
    RECT icon;
    GetWindowRect(GetDlgItem(settings, IDC_SETTINGS_ICON), &icon);
    POINT middle{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ScreenToClient(settings, &middle);
    PostMessageA(settings, WM_LBUTTONDBLCLK, CTRL_SHIFT_CLICK, MAKELPARAM(middle.x, middle.y));
    HWND special = photographDialog(program, SPECIAL_CAPTION, "dialog-special");
    ASSERT_NE(special, nullptr);
    press(special, IDCANCEL);
    ASSERT_TRUE(closed(special));

    char entry[16];
    snprintf(entry, sizeof entry, "COM%d", trxtest::environmentNumber("TRXSIM_COM2"));
    ASSERT_TRUE(choosePort(settings, entry));
    press(settings, IDOK);
    ASSERT_TRUE(closed(settings));
    EXPECT_TRUE(waitFor(
        [&] {
            return program.controlText(IDC_FREQUENCY) == frequencyOf(simulatorRegisters(second));
        },
        SHOW_TIMEOUT_MS));
    char connection[32];
    snprintf(connection, sizeof connection, "%s mit 1200 Bit/s", entry);
    EXPECT_EQ(program.statusText(0), connection);
    ASSERT_EQ(second.command("set 1 0"), "OK");
}

TEST_F(DialogStory, AfterTheLineCameBackOkInTheSettingsBringsTheLinkBack) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    ASSERT_EQ(sim.command("hangup"), "OK"); // the USB adapter is pulled
    EXPECT_TRUE(
        waitFor([&] { return program.controlText(IDC_FREQUENCY) == "__,_____"; }, LINK_LOST_MS));
    ASSERT_EQ(sim.command("reopen").rfind("OK", 0), 0u); // and plugged in again
    PostMessageA(program.panel(), WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = waitForDialog(SETTINGS_CAPTION);
    ASSERT_NE(settings, nullptr);
    press(settings, IDOK); // the same port
    ASSERT_TRUE(closed(settings));
    EXPECT_TRUE(showsSimulator(program));
}

// The control port switched on in the settings, without a restart, and with NOREG for this
// run only: a port in letters is refused by name first, then a client on this PC is answered.
TEST_F(DialogStory, TheControlPortSwitchedOnInTheSettingsAnswersAtOnce) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    EXPECT_FALSE(trxtest::SimControl().connect(STATION_TEST_PORT));
    PostMessageA(program.panel(), WM_COMMAND, IDM_SETTINGS, 0);
    HWND settings = waitForDialog(SETTINGS_CAPTION);
    ASSERT_NE(settings, nullptr);
    press(settings, IDC_SETTINGS_STATION);
    HWND station = waitForDialog(STATION_CAPTION);
    ASSERT_NE(station, nullptr);
    EXPECT_NE(PanelProcess::staticTexts(station).find("NOREG"), std::string::npos);
    SendMessageA(GetDlgItem(station, IDC_CONTROL_ON), BM_CLICK, 0, 0);
    setText(station, IDC_CONTROL_PORT, "47a03");
    press(station, IDOK);
    HWND warning = photographDialog(program, WARNING_CAPTION, "message-control-port");
    ASSERT_NE(warning, nullptr);
    EXPECT_NE(PanelProcess::staticTexts(warning).find("47a03"), std::string::npos);
    press(warning, IDOK);
    ASSERT_TRUE(closed(warning));
    setText(station, IDC_CONTROL_PORT, std::to_string(STATION_TEST_PORT).c_str());
    setText(station, IDC_CONTROL_NETWORKS, "192.168.10.0/24");
    setText(station, IDC_CONTROL_READ_PASSWORD, "Lesen");
    setText(station, IDC_CONTROL_JOURNAL_FOLDER, "C:\\Betrieb\\Journal");
    ASSERT_EQ(photographDialog(program, STATION_CAPTION, "dialog-control-settings"), station);
    press(station, IDOK);
    ASSERT_TRUE(closed(station));
    press(settings, IDCANCEL); // the dialog's own OK has taken its values already
    ASSERT_TRUE(closed(settings));
    trxtest::SimControl client; // a line client like trxsim's: one line a reply
    ASSERT_TRUE(client.connect(STATION_TEST_PORT));
    EXPECT_EQ(client.command("get link"), "link: up");
}

} // namespace
} // namespace trx::e2e
