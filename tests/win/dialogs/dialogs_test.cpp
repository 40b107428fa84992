// Each dialog from the real resources, run modally as the panel runs it; a thread timer
// plays the operator: it finds the dialog by its caption, fills it in and presses a button.
#include "app/settings_codec.h"
#include "control/win/control_settings_dialog.h"
#include "dialogs/win/dialogs.h"
#include "panel_fakes.h"
#include "protocol/protocol.h"
#include "recording_panel.h"
#include "res/resource.h"
#include "shell/station_settings_owner.h"

#include <commctrl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace trx {
namespace {

constexpr char FREQUENCY_CAPTION[] = "Frequenzeingabe";
constexpr char SETTINGS_CAPTION[] = "Einstellungen";
constexpr char SPECIAL_CAPTION[] = "spezielle Einstellungen";
constexpr char ABOUT_CAPTION[] = "Info über TRXDESK";
constexpr char STATION_CAPTION[] = "Steuerport und Journal";
constexpr UINT OPERATOR_TICK_MS = 10;
// Ticks a dialog may stay open with nothing left to do before it is cancelled as a failure.
constexpr int IDLE_TICKS_LIMIT = 200;

// One thing the operator does, on the dialog with this caption once it shows.
struct Step {
    const char* caption;
    std::function<void(HWND)> act;
};

std::deque<Step> steps;
std::vector<std::string> strayDialogs; // dialogs that showed with nothing left to do
int idleTicks = 0;

HWND shownDialog(const char* caption) {
    HWND window = FindWindowA("#32770", caption);
    return window && IsWindowVisible(window) ? window : nullptr;
}

BOOL CALLBACK findShownDialog(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND shownDialogOfThisThread() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findShownDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK playOperator(HWND, UINT, UINT_PTR, DWORD) {
    if (!steps.empty()) {
        if (HWND dialog = shownDialog(steps.front().caption)) {
            const Step step = steps.front();
            steps.pop_front();
            step.act(dialog); // may open a nested dialog, whose steps run from its loop
        }
        return;
    }
    HWND open = shownDialogOfThisThread();
    if (open && ++idleTicks > IDLE_TICKS_LIMIT) {
        char caption[64] = {};
        GetWindowTextA(open, caption, sizeof caption);
        strayDialogs.push_back(caption);
        SendMessageA(open, WM_COMMAND, IDCANCEL, 0);
    }
}

INT_PTR runDialog(int templateId, DLGPROC procedure, LPARAM parameter, std::deque<Step> script) {
    steps = std::move(script);
    idleTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, OPERATOR_TICK_MS, playOperator);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                           nullptr, procedure, parameter);
    KillTimer(nullptr, timer);
    return result;
}

std::string textOf(HWND dialog, int id) {
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void click(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

void choose(HWND dialog, int list, int index) {
    SendDlgItemMessageA(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

std::string listEntries(HWND dialog, int list) {
    std::string out;
    const int count = static_cast<int>(SendDlgItemMessageA(dialog, list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[32] = {};
        SendDlgItemMessageA(dialog, list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        out += i ? "|" : "";
        out += text;
    }
    return out;
}

bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// The COM ports of a machine: the present ones are held by another program, except those
// that open (onto the null device, which reads nothing and takes no line settings).
class FakePorts : public SerialSystem {
  public:
    HANDLE createFile(const char* name, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags) override {
        auto named = [&](int port) {
            char device[16];
            snprintf(device, sizeof device, "\\\\.\\COM%d", port);
            return strcmp(device, name) == 0;
        };
        for (int port : openable) {
            if (named(port) && access != 0) {
                return SerialSystem::createFile("NUL", access, share, disposition, flags);
            }
        }
        for (int port : present) {
            if (named(port)) {
                SetLastError(ERROR_ACCESS_DENIED);
                return INVALID_HANDLE_VALUE;
            }
        }
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<int> present;
    std::vector<int> openable;
};

class Dialogs : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        strayDialogs.clear();
        applyDefaultSettings(settings);
        settings.useRegistry = false;
    }
    void TearDown() override {
        EXPECT_TRUE(steps.empty()) << "the operator did not get to every step";
        EXPECT_TRUE(strayDialogs.empty()) << strayDialogs.front();
    }
    LPARAM context() { return reinterpret_cast<LPARAM>(&dialogContext); }

    Settings settings;
    FakePorts ports;
    SerialPort serial{ports};
    RecordingLine line{serial};
    FakeHost host;
    test::RecordingPanel view;
    Protocol protocol{line, view, settings};
    DialogContext dialogContext{settings, serial, protocol, host, GetModuleHandleA(nullptr)};
};

std::vector<uint8_t> writes(std::initializer_list<std::pair<int, int>> registers) {
    std::vector<uint8_t> bytes;
    for (const auto& [address, value] : registers) {
        bytes.push_back(lineByteFor(address, value));
    }
    return bytes;
}

TEST_F(Dialogs, FrequencyEntryOpensWithTheReportedDigitsAndTunesTo250W) {
    serial.setPortNumber(4); // the recording line takes the writes
    protocol.applyReport(FrequencyDigit1, 0);
    protocol.applyReport(FrequencyDigit2, 7);
    std::string opening;
    bool choiceEnabled = true;
    runDialog(IDD_FREQUENCY, frequencyDialogProc, context(),
              {{FREQUENCY_CAPTION, [&](HWND d) {
                    opening = textOf(d, IDC_FREQUENCY_EDIT);
                    choiceEnabled = enabled(d, IDC_TUNE_P250);
                    EXPECT_EQ(IsDlgButtonChecked(d, IDC_TUNE_P1000), BST_CHECKED);
                    click(d, IDC_AUTO_TUNE);
                    EXPECT_TRUE(enabled(d, IDC_TUNE_P250));
                    click(d, IDC_TUNE_P250);
                    SetDlgItemTextA(d, IDC_FREQUENCY_EDIT, "3,6");
                    press(d, IDOK);
                }}});
    EXPECT_EQ(opening, "07,?????");
    EXPECT_FALSE(choiceEnabled);
    EXPECT_EQ(
        line.sent,
        writes({{8, 1}, {1, 0}, {2, 3}, {3, 6}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 2}, {8, 5}}));
    EXPECT_TRUE(settings.autoTune);
    EXPECT_EQ(settings.tuneState, STATE_P250);
}

TEST_F(Dialogs, FrequencyOutOfRangeWarnsAndStaysOpenAndCancelKeepsTheCheckBox) {
    serial.setPortNumber(4);
    snprintf(settings.title, sizeof settings.title, "%s", "Sender Süd");
    runDialog(IDD_FREQUENCY, frequencyDialogProc, context(),
              {{FREQUENCY_CAPTION, [&](HWND d) {
                    EXPECT_EQ(textOf(d, IDC_FREQUENCY_EDIT), "??,?????");
                    SetDlgItemTextA(d, IDC_FREQUENCY_EDIT, "29,999994");
                    press(d, IDOK);
                    EXPECT_TRUE(IsWindowVisible(d)); // still open for a correction
                    EXPECT_EQ(textOf(d, IDC_FREQUENCY_EDIT), "29,999994");
                    click(d, IDC_AUTO_TUNE);
                    press(d, IDCANCEL);
                }}});
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "Der eingegebene Wert liegt nicht im\ngeforderten Bereich von 1,5 "
              "... 29,99999.");
    EXPECT_EQ(host.boxes[0].caption, "Sender Süd");
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_TRUE(line.sent.empty());
    EXPECT_TRUE(settings.autoTune); // stored at the click
}

TEST_F(Dialogs, FrequencyZeroPathAndNoTuningWhenSwitchedOff) {
    serial.setPortNumber(4);
    const struct {
        const char* text;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"abc", writes({{8, 1}, {1, 15}, {2, 15}, {3, 15}, {4, 15}, {5, 15}, {6, 15}, {7, 15}})},
        {"14,23456", writes({{8, 1}, {1, 1}, {2, 4}, {3, 2}, {4, 3}, {5, 4}, {6, 5}, {7, 6}})},
    };
    settings.tuneState = STATE_P100;
    for (const auto& c : cases) {
        line.sent.clear();
        runDialog(IDD_FREQUENCY, frequencyDialogProc, context(),
                  {{FREQUENCY_CAPTION, [&](HWND d) {
                        SetDlgItemTextA(d, IDC_FREQUENCY_EDIT, c.text);
                        press(d, IDOK);
                    }}});
        EXPECT_EQ(line.sent, c.bytes) << c.text;
    }
    EXPECT_EQ(settings.tuneState, STATE_P100);
}

TEST_F(Dialogs, SettingsListPresentPortsAndTakeTheTypesOverAfterOk) {
    ports.present = {3, 12};
    SerialPort probed(ports);
    probed.probePorts(); // as the panel does once it is shown
    DialogContext c{settings, probed, protocol, host, GetModuleHandleA(nullptr)};
    probed.setPortNumber(0);
    probed.setBaudRate(600);
    settings.presets[1].channelA = 3; // changed earlier in its menu; the type stays
    settings.showTooltips = false;
    INT_PTR result = runDialog(
        IDD_SETTINGS, settingsDialogProc, reinterpret_cast<LPARAM>(&c),
        {{SETTINGS_CAPTION, [&](HWND d) {
              EXPECT_EQ(listEntries(d, IDC_PORT_LIST), "getrennt|COM3|COM12");
              EXPECT_EQ(textOf(d, IDC_PORT_LIST), "getrennt");
              EXPECT_FALSE(enabled(d, IDC_BAUD_LIST));
              EXPECT_EQ(listEntries(d, IDC_BAUD_LIST), "1200|600|300|200|100|50");
              EXPECT_EQ(textOf(d, IDC_BAUD_LIST), "600");
              EXPECT_EQ(listEntries(d, IDC_MODE_TYPE2), "J3|F1|J3C|A1|F7|B8|Br8|R3|H3|J2|H2");
              EXPECT_EQ(textOf(d, IDC_MODE_TYPE2), "F1");
              EXPECT_EQ(IsDlgButtonChecked(d, IDC_SHOW_TOOLTIPS), BST_UNCHECKED);
              choose(d, IDC_PORT_LIST, 2);
              EXPECT_TRUE(enabled(d, IDC_BAUD_LIST));
              choose(d, IDC_PORT_LIST, 0);
              EXPECT_FALSE(enabled(d, IDC_BAUD_LIST));
              choose(d, IDC_MODE_TYPE0, MODE_TYPE_F7);
              click(d, IDC_SHOW_TOOLTIPS);
              SendMessageA(d, WM_HELP, 0, 0);
              press(d, IDOK);
          }}});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(probed.portNumber(), 0);
    EXPECT_TRUE(settings.showTooltips);
    EXPECT_EQ(packPreset(settings.presets[0]), packPreset(ModePreset{MODE_TYPE_F7, 5, 4, 5}));
    EXPECT_EQ(settings.presets[1].channelA, 3);
    ASSERT_EQ(host.helps.size(), 1u);
    EXPECT_EQ(host.helps[0], (std::pair<UINT, ULONG_PTR>{HELP_CONTEXT, 1002}));
}

TEST_F(Dialogs, SettingsFailedOpenStaysOpenAndKeepsThePresets) {
    ports.present = {12, 13};
    ports.openable = {13};
    SerialPort probed(ports);
    probed.probePorts();
    DialogContext c{settings, probed, protocol, host, GetModuleHandleA(nullptr)};
    const struct {
        int configuredPort;
        int32_t baudRate;
        const char* portShown;
        const char* message;
    } cases[] = {
        {13, 9600, "COM13", "Ungültige Baudrate: 0."}, // a rate not in the list reads as 0
        {12, 1200, "COM12", "Com12 wird von einer anderen Anwendung benutzt."},
        {7, 1200, "getrennt", nullptr}, // no longer present: not connected
    };
    for (const auto& k : cases) {
        host.boxes.clear();
        probed.setPortNumber(k.configuredPort);
        probed.setBaudRate(k.baudRate);
        const auto before = packPreset(settings.presets[0]);
        const INT_PTR result =
            runDialog(IDD_SETTINGS, settingsDialogProc, reinterpret_cast<LPARAM>(&c),
                      {{SETTINGS_CAPTION, [&](HWND d) {
                            EXPECT_EQ(textOf(d, IDC_PORT_LIST), k.portShown);
                            choose(d, IDC_MODE_TYPE0, MODE_TYPE_B8);
                            press(d, IDOK);
                            if (k.message) {
                                EXPECT_TRUE(IsWindowVisible(d));
                                press(d, IDCANCEL);
                            }
                        }}});
        if (k.message) {
            EXPECT_EQ(result, IDCANCEL);
            ASSERT_EQ(host.boxes.size(), 1u);
            EXPECT_EQ(host.boxes[0].text, k.message);
            EXPECT_EQ(host.boxes[0].caption, "Fehler");
            EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(packPreset(settings.presets[0]), before);
            EXPECT_EQ(probed.portNumber(), 0);
        } else {
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(settings.presets[0].modeType, MODE_TYPE_B8);
        }
    }
}

// The middle of the settings dialog's icon, and a point beside it, in client coordinates.
LPARAM iconPoint(HWND dialog, int offset) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, IDC_SETTINGS_ICON), &r);
    POINT p{(r.left + r.right) / 2 + offset, (r.top + r.bottom) / 2};
    ScreenToClient(dialog, &p);
    return MAKELPARAM(p.x, p.y);
}

TEST_F(Dialogs, OnlyCtrlShiftDoubleClickOnTheIconOpensTheSpecialSettings) {
    std::string titleShown;
    runDialog(IDD_SETTINGS, settingsDialogProc, context(),
              {{SETTINGS_CAPTION,
                [&](HWND d) {
                    const LPARAM icon = iconPoint(d, 0);
                    const LPARAM beside = iconPoint(d, 40);
                    const WPARAM ctrlShift = MK_LBUTTON | MK_SHIFT | MK_CONTROL;
                    SendMessageA(d, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, icon);
                    SendMessageA(d, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, icon);
                    SendMessageA(d, WM_LBUTTONDBLCLK, ctrlShift | MK_RBUTTON, icon);
                    SendMessageA(d, WM_LBUTTONDBLCLK, ctrlShift, beside);
                    SendMessageA(d, WM_LBUTTONDBLCLK, ctrlShift, icon); // runs the step below
                    press(d, IDCANCEL);
                }},
               {SPECIAL_CAPTION, [&](HWND d) {
                    titleShown = textOf(d, IDC_TITLE_EDIT);
                    SetDlgItemTextA(d, IDC_TITLE_EDIT, "Sender Nord");
                    SendMessageA(d, WM_HELP, 0, 0); // F1: their own topic, not the settings'
                    press(d, IDOK);
                }}});
    EXPECT_EQ(titleShown, "TRXDESK");
    EXPECT_STREQ(settings.title, "Sender Nord"); // kept although the settings were cancelled
    ASSERT_EQ(host.helps.size(), 1u);
    EXPECT_EQ(host.helps[0], (std::pair<UINT, ULONG_PTR>{HELP_CONTEXT, IDH_SPECIAL_SETTINGS}));
}

TEST_F(Dialogs, SpecialSettingsCutTheTextsAndKeepTheAntennaOrder) {
    snprintf(settings.antennaNames[2], ANTENNA_NAME_SIZE, "%s", "Dipol");
    std::string shown[ANTENNA_COUNT];
    runDialog(IDD_SPECIAL_SETTINGS, specialSettingsDialogProc, reinterpret_cast<LPARAM>(&settings),
              {{SPECIAL_CAPTION, [&](HWND d) {
                    shown[2] = textOf(d, IDC_ANTENNA2_EDIT);
                    SetDlgItemTextA(d, IDC_TITLE_EDIT,
                                    "Kurzwellensender Nord, Halle 3, Gestell 12");
                    SetDlgItemTextA(d, IDC_ANTENNA1_EDIT, "Rhombus Nordost");
                    click(d, IDC_HEX_DISPLAY);
                    SendMessageA(d, WM_HELP, 0, 0); // no settings dialog beneath: no help
                    press(d, IDOK);
                }}});
    EXPECT_EQ(shown[2], "Dipol");
    EXPECT_STREQ(settings.title, "Kurzwellensender Nord, Halle 3"); // 30 characters
    EXPECT_STREQ(settings.antennaNames[1], "Rhombus Nordos");       // 14 characters
    EXPECT_STREQ(settings.antennaNames[0], "");
    EXPECT_TRUE(settings.hexDisplay);
    EXPECT_TRUE(host.helps.empty());

    runDialog(IDD_SPECIAL_SETTINGS, specialSettingsDialogProc, reinterpret_cast<LPARAM>(&settings),
              {{SPECIAL_CAPTION, [&](HWND d) {
                    SetDlgItemTextA(d, IDC_TITLE_EDIT, "");
                    press(d, IDCANCEL);
                }}});
    EXPECT_STREQ(settings.title, "Kurzwellensender Nord, Halle 3");
}

TEST_F(Dialogs, AboutShowsTheVersionResource) {
    std::string version, info, author, mail;
    HANDLE picture = nullptr;
    const INT_PTR result =
        runDialog(IDD_ABOUT, aboutDialogProc, 0,
                  {{ABOUT_CAPTION, [&](HWND d) {
                        version = textOf(d, IDC_ABOUT_VERSION);
                        info = textOf(d, IDC_ABOUT_INFO);
                        author = textOf(d, IDC_ABOUT_AUTHOR);
                        mail = textOf(d, IDC_ABOUT_MAIL);
                        HWND bitmap = FindWindowExA(d, nullptr, "Static", nullptr);
                        for (; bitmap; bitmap = FindWindowExA(d, bitmap, "Static", nullptr)) {
                            if (GetWindowLongA(bitmap, GWL_STYLE) & SS_BITMAP) {
                                picture = reinterpret_cast<HANDLE>(
                                    SendMessageA(bitmap, STM_GETIMAGE, IMAGE_BITMAP, 0));
                            }
                        }
                        press(d, IDCANCEL);
                    }}});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(version, "Version 1.0");
    EXPECT_EQ(info, "Bedienprogramm für einen Kurzwellensender");
    EXPECT_EQ(author, "Autor: TRXDESK-Team");
    EXPECT_EQ(mail, "trxdesk@example.org");
    EXPECT_NE(picture, nullptr);
}

// What the program keeps of the station's settings, as the dialog hands them over.
class FakeStationOwner final : public StationSettingsOwner {
  public:
    const StationSettings& stationSettings() const override { return current; }
    bool storesStationSettings() const override { return stores; }
    bool applyStationSettings(const StationSettings& settings) override {
        current = settings;
        ++applied;
        return stored;
    }
    StationSettings current;
    bool stores = true;
    bool stored = true; // the key could be written
    int applied = 0;
};

// A port in letters is refused by name and its field takes the focus again; once every field
// is right, the dialog hands over what it shows, never a password it was not given.
TEST_F(Dialogs, StationSettingsAreCheckedThenHandedOver) {
    FakeStationOwner owner;
    snprintf(owner.current.control.password, sizeof owner.current.control.password, "alt");
    owner.current.control.readPasswordUnreadable = true;
    dialogContext.station = &owner;
    const INT_PTR result =
        runDialog(IDD_CONTROL_SETTINGS, controlSettingsDialogProc, context(),
                  {{STATION_CAPTION, [&](HWND d) {
                        EXPECT_EQ(IsDlgButtonChecked(d, IDC_CONTROL_ON), BST_UNCHECKED);
                        EXPECT_FALSE(enabled(d, IDC_CONTROL_PORT));
                        EXPECT_EQ(textOf(d, IDC_CONTROL_PORT), "4703");
                        EXPECT_EQ(textOf(d, IDC_CONTROL_PASSWORD), ""); // never shown
                        EXPECT_EQ(textOf(d, IDC_CONTROL_PASSWORD_STATE), "(gesetzt)");
                        EXPECT_EQ(textOf(d, IDC_CONTROL_READ_PASSWORD_STATE), "(nicht lesbar)");
                        EXPECT_EQ(textOf(d, IDC_CONTROL_NOREG), "");
                        click(d, IDC_CONTROL_ON);
                        EXPECT_TRUE(enabled(d, IDC_CONTROL_PORT));
                        SetDlgItemTextA(d, IDC_CONTROL_PORT, "47a03");
                        press(d, IDOK);
                        ASSERT_EQ(host.boxes.size(), 1u);
                        EXPECT_EQ(host.boxes[0].text,
                                  "Die Portnummer „47a03“ ist keine Zahl von 1 bis 65535.");
                        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_CONTROL_PORT));
                        SetDlgItemTextA(d, IDC_CONTROL_PORT, "47030");
                        SetDlgItemTextA(d, IDC_CONTROL_NETWORKS, "10.8.0.0/24");
                        SetDlgItemTextA(d, IDC_CONTROL_READ_PASSWORD, "Lesen");
                        click(d, IDC_CONTROL_PASSWORD_CLEAR);
                        EXPECT_FALSE(enabled(d, IDC_CONTROL_PASSWORD));
                        SetDlgItemTextA(d, IDC_CONTROL_JOURNAL_FOLDER, "C:\\Betrieb\\Journal");
                        SendMessageA(d, WM_HELP, 0, 0);
                        press(d, IDOK);
                    }}});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(owner.applied, 1);
    EXPECT_EQ(owner.current.control.port, 47030);
    EXPECT_STREQ(owner.current.control.networks, "10.8.0.0/24");
    EXPECT_STREQ(owner.current.control.password, "");
    EXPECT_STREQ(owner.current.control.readPassword, "Lesen");
    EXPECT_STREQ(owner.current.journalFolder, "C:\\Betrieb\\Journal");
    ASSERT_EQ(host.helps.size(), 1u);
    EXPECT_EQ(host.helps[0], (std::pair<UINT, ULONG_PTR>{HELP_CONTEXT, IDH_CONTROL_SETTINGS}));
}

// With NOREG the dialog says that its values hold for the run only; a key that cannot be
// written is told after OK, and the values hold all the same.
TEST_F(Dialogs, StationSettingsTellWhatIsNotStored) {
    FakeStationOwner owner;
    dialogContext.station = &owner;
    for (const bool stores : {false, true}) {
        owner.stores = stores;
        owner.stored = false;
        host.boxes.clear();
        runDialog(IDD_CONTROL_SETTINGS, controlSettingsDialogProc, context(),
                  {{STATION_CAPTION, [&](HWND d) {
                        EXPECT_EQ(textOf(d, IDC_CONTROL_NOREG).empty(), stores);
                        press(d, IDOK);
                    }}});
        EXPECT_EQ(host.boxes.size(), stores ? 1u : 0u);
    }
    EXPECT_EQ(owner.applied, 2);
}

} // namespace
} // namespace trx
