// Operator stories of commands: the keys and presets reach the transmitter and the lit keys
// follow what it reports; closing and logging off put it into standby first; the context
// menus open; panels on three transmitters arrange themselves.
#include "panel/arrange_rules.h"
#include "panel_story.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace trx::e2e {
namespace {

constexpr DWORD ANSWER_TIMEOUT_MS = 15000;
constexpr DWORD CLOSE_TIMEOUT_MS = 10000;
constexpr DWORD CLICK_AGAIN_MS = 500;
constexpr char TUNE_TIME[] = "tune-time 300";
constexpr DWORD MENU_PAINT_MS = 1000; // the first menu of a process is drawn slowly
constexpr int MENU_LEVELS = 2;

// Opens a context menu with a posted WM_CONTEXTMENU, walks it with `keys`, photographs it
// and closes it again.
bool photographMenu(const PanelProcess& program, HWND clicked, const char* name,
                    std::initializer_list<WPARAM> keys = {}) {
    PostMessageA(program.panel(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(clicked), -1);
    HWND menu = nullptr;
    if (!waitFor([&] { return (menu = program.window("#32768")) != nullptr; }, SHOW_TIMEOUT_MS)) {
        return false;
    }
    for (const WPARAM key : keys) {
        PostMessageA(menu, WM_KEYDOWN, key, 0);
    }
    Sleep(MENU_PAINT_MS);
    program.screenshot(name);
    PostMessageA(program.panel(), WM_CANCELMODE, 0, 0);
    for (int level = 0; level < MENU_LEVELS; ++level) {
        if (HWND open = program.window("#32768")) {
            PostMessageA(open, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        Sleep(MENU_PAINT_MS);
    }
    return waitFor([&] { return program.window("#32768") == nullptr; }, SHOW_TIMEOUT_MS);
}

TEST_F(PanelStory, KeysAndPresetsDriveTheTransmitterAndClosingPutsItIntoStandby) {
    ASSERT_EQ(sim.command(TUNE_TIME), "OK");
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    EXPECT_TRUE(photographMenu(program, GetDlgItem(program.panel(), IDC_PRESET2), "menu-preset",
                               {VK_DOWN, VK_DOWN, VK_RIGHT})); // the shift submenu
    EXPECT_TRUE(photographMenu(program, GetDlgItem(program.panel(), IDC_ANTENNA), "menu-antenna"));

    // Tune, then 250 W once the transmitter reports itself tuned (state 3).
    ASSERT_EQ(sim.command("mark"), "OK");
    const LRESULT noPowerKey = keyImage(program, IDC_STATE_NOPOWER);
    post(program, IDC_STATE_TUNE);
    EXPECT_TRUE(received({lineByteFor(OperatingState, STATE_TUNE)}));
    EXPECT_TRUE(waitFor([&] { return keyImage(program, IDC_STATE_NOPOWER) != noPowerKey; },
                        SHOW_TIMEOUT_MS));
    // The ready bit that unlocks the stages is reported just after the state, and a click
    // before the panel has it is refused: clicked again, as an operator would.
    const LRESULT p250Key = keyImage(program, IDC_STATE_P250);
    EXPECT_TRUE(waitFor(
        [&] {
            post(program, IDC_STATE_P250);
            Sleep(CLICK_AGAIN_MS);
            const std::vector<int> now = simulatorRegisters(sim);
            return now.size() == static_cast<size_t>(REGISTER_COUNT) &&
                   now[OperatingState] == STATE_P250;
        },
        SHOW_TIMEOUT_MS));
    EXPECT_TRUE(received({lineByteFor(OperatingState, STATE_P250)}));
    EXPECT_TRUE(
        waitFor([&] { return keyImage(program, IDC_STATE_P250) != p250Key; }, SHOW_TIMEOUT_MS));
    EXPECT_EQ(keyImage(program, IDC_STATE_NOPOWER), noPowerKey); // one lit key at a time

    // The F1 preset: channel A 5, channel B 0, F1 at 500 Hz; its key lights.
    const LRESULT presetKey = keyImage(program, IDC_PRESET2);
    post(program, IDC_PRESET2);
    EXPECT_TRUE(received({0xAD, 0x03, 0x55}));
    EXPECT_TRUE(
        waitFor([&] { return keyImage(program, IDC_PRESET2) != presetKey; }, SHOW_TIMEOUT_MS));
    const std::vector<int> r = simulatorRegisters(sim);
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(r[OperatingState], STATE_P250);
    EXPECT_EQ(r[EmissionMode], 10);
    program.screenshot("panel-250w-f1");

    // On air: closing asks, Yes asks for standby, and the panel closes once it is reported.
    ASSERT_EQ(sim.command("mark"), "OK");
    PostMessageA(program.panel(), WM_CLOSE, 0, 0);
    const std::string question = answerBox(program, IDYES, "message-close-question");
    EXPECT_NE(question.find("die Anwendung zu schlie"), std::string::npos) << question;
    EXPECT_TRUE(received({lineByteFor(OperatingState, STATE_STANDBY)}));
    EXPECT_TRUE(program.ended(CLOSE_TIMEOUT_MS));
    EXPECT_EQ(program.window("#32770"), nullptr); // no second question
    EXPECT_EQ(simulatorRegisters(sim)[OperatingState], STATE_STANDBY);
}

// "Nein" leaves the transmitter as it is: the panel closes at once and writes nothing.
TEST_F(PanelStory, NoToTheCloseQuestionClosesAtOnceWithoutAWrite) {
    PanelProcess program;
    ASSERT_NO_FATAL_FAILURE(startTuned(program));

    PostMessageA(program.panel(), WM_CLOSE, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (box = program.window("#32770")) != nullptr; }, SHOW_TIMEOUT_MS));
    EXPECT_NE(PanelProcess::staticTexts(box).find("die Anwendung zu schlie"), std::string::npos);
    ASSERT_EQ(sim.command("mark"), "OK");
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(program.ended(CLOSE_TIMEOUT_MS)) << "the panel stayed open after No";
    std::vector<uint8_t> logged;
    ASSERT_TRUE(sim.loggedBytes(logged));
    EXPECT_TRUE(logged.empty()) << sim.command("log");
    EXPECT_NE(simulatorRegisters(sim)[OperatingState], STATE_STANDBY); // still on air
}

TEST_F(PanelStory, LogOffYesPutsStandbyOnTheLineBeforeAnsweringEvenBehindAMissingEcho) {
    PanelProcess program;
    ASSERT_NO_FATAL_FAILURE(startTuned(program));
    // The transmitter falls silent: the next write waits for an echo that never comes (the
    // link stays up for four seconds).
    ASSERT_EQ(sim.command("silent on"), "OK");
    ASSERT_EQ(sim.command("mark"), "OK");
    post(program, IDC_STATE_TUNE);
    ASSERT_TRUE(received({lineByteFor(OperatingState, STATE_TUNE)}));

    // Windows asks from another thread; the answer waits for the operator.
    DWORD_PTR answer = 0;
    std::atomic<bool> answered{false};
    std::thread windows([&] {
        SendMessageTimeoutA(program.panel(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                            ANSWER_TIMEOUT_MS, &answer);
        answered = true;
    });
    const std::string question = answerBox(program, IDYES, "message-logoff-question");
    windows.join();
    EXPECT_NE(question.find("die Windows-Sitzung zu beenden"), std::string::npos) << question;
    EXPECT_TRUE(answered);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)); // Windows may end
    EXPECT_TRUE(received({lineByteFor(OperatingState, STATE_STANDBY)}));
}

RECT windowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

struct Transmitter {
    int com;
    std::unique_ptr<trxtest::SimControl> control;
};

// Three panels, each on its own transmitter, one with its status bar hidden and one
// minimised: the arrange command of one of them puts each into a cell of its own, restored,
// at the asking panel's size, and each goes on showing its own transmitter.
TEST_F(PanelStory, ThreePanelsOnThreeTransmittersArrangeIntoDistinctCellsOfTheOneThatAsks) {
    std::vector<Transmitter> transmitters;
    for (const char* suffix : {"", "2", "3"}) {
        char com[32];
        char control[32];
        snprintf(com, sizeof com, "TRXSIM_COM%s", suffix);
        snprintf(control, sizeof control, "TRXSIM_CONTROL_PORT%s", suffix);
        Transmitter t{trxtest::environmentNumber(com), std::make_unique<trxtest::SimControl>()};
        ASSERT_TRUE(t.control->connect(trxtest::environmentNumber(control)));
        transmitters.push_back(std::move(t));
    }
    // Each transmitter on its own frequency: 17, 27 and 07 MHz.
    ASSERT_EQ(transmitters[0].control->command("set 1 1"), "OK");
    ASSERT_EQ(transmitters[1].control->command("set 1 2"), "OK");
    ASSERT_EQ(transmitters[2].control->command("set 1 0"), "OK");
    std::vector<std::unique_ptr<PanelProcess>> panels;
    for (const Transmitter& t : transmitters) {
        panels.push_back(std::make_unique<PanelProcess>());
        char arguments[32];
        snprintf(arguments, sizeof arguments, "C%d noreg", t.com);
        ASSERT_TRUE(panels.back()->start(arguments));
    }
    auto allShowTheirs = [&] {
        for (size_t i = 0; i < panels.size(); ++i) {
            if (panels[i]->controlText(IDC_FREQUENCY) !=
                expectedFrequency(simulatorRegisters(*transmitters[i].control))) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(waitFor(allShowTheirs, SHOW_TIMEOUT_MS));

    HWND caller = panels[1]->panel();
    HWND hidden = panels[0]->panel();
    HWND minimised = panels[2]->panel();
    SendMessageA(hidden, WM_TRX_STATUSBAR, 0, 0);
    ShowWindow(minimised, SW_MINIMIZE);
    ASSERT_TRUE(waitFor([&] { return IsIconic(minimised) != FALSE; }, SHOW_TIMEOUT_MS));
    EXPECT_TRUE(photographMenu(*panels[1], caller, "menu-main"));

    post(*panels[1], IDM_ARRANGE);
    const RECT own = windowRect(caller);
    const std::vector<Cell> cells =
        arrangeCells(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     own.right - own.left, own.bottom - own.top, 3);
    ASSERT_EQ(cells.size(), 3u);
    // Sorted corners of the panels against those of the cells: equal only when each panel
    // has a cell of its own.
    auto placed = [&] {
        std::vector<std::pair<LONG, LONG>> corners;
        for (const auto& p : panels) {
            const RECT r = windowRect(p->panel());
            corners.emplace_back(r.left, r.top);
        }
        std::sort(corners.begin(), corners.end());
        return corners;
    };
    std::vector<std::pair<LONG, LONG>> expected;
    for (const Cell& c : cells) {
        expected.emplace_back(c.left, c.top);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(waitFor([&] { return placed() == expected; }, SHOW_TIMEOUT_MS));
    for (const auto& p : panels) {
        EXPECT_FALSE(IsIconic(p->panel()));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(p->panel(), IDC_STATUSBAR)));
        const RECT r = windowRect(p->panel());
        EXPECT_EQ(r.right - r.left, own.right - own.left);
        EXPECT_EQ(r.bottom - r.top, own.bottom - own.top);
    }
    EXPECT_TRUE(allShowTheirs());
    panels[0]->screenshot("panels-arranged");
    ASSERT_EQ(transmitters[0].control->command("set 1 0"), "OK");
    ASSERT_EQ(transmitters[1].control->command("set 1 0"), "OK");
    for (const auto& p : panels) {
        EXPECT_TRUE(p->close());
    }
}

} // namespace
} // namespace trx::e2e
