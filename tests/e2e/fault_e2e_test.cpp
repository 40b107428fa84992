// The whole program under the transmitter's faults: a missing echo, parity-error bytes, a
// flood, several transmitters at once, and a soak of random commands and faults. Each story
// checks what the panel shows, what reached the line, and that nothing is lost or stuck.
// Times are printed, never asserted: the machine's load decides them.
#include "arrange_rules.h"
#include "panel_story.h"
#include "protocol.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstdlib>
#include <memory>
#include <random>

namespace trx::e2e {
namespace {

constexpr DWORD ACK_TIME_OUT_MIN_MS = 2000; // 21 ticks of 100 ms at the least
constexpr DWORD FLOOD_TIMEOUT_MS = 120000;
constexpr int FLOOD_REPORTS = 100000;
constexpr int PARITY_BURST = 50;
constexpr DWORD SOAK_DEFAULT_S = 60;
constexpr DWORD SOAK_STEP_MS = 50;
constexpr DWORD CALM_MS = 3000; // longer than the acknowledgement time of 2.1 s
// Handles a process may open or close between two looks for reasons of its own (Wine's
// threads): more than this after a story is a leak.
constexpr DWORD HANDLE_SLACK = 8;
constexpr char ACK_TEXT[] = "nicht ordnungsgem";

struct Resources {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    SIZE_T workingSet = 0;
};

Resources resourcesOf(HANDLE process) {
    Resources r;
    GetProcessHandleCount(process, &r.handles);
    r.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
        r.workingSet = memory.WorkingSetSize;
    }
    return r;
}

void printResources(const char* story, const Resources& before, const Resources& after) {
    std::printf("%s: handles %lu -> %lu, GDI objects %lu -> %lu, working set %zu -> %zu KiB\n",
                story, before.handles, after.handles, before.gdiObjects, after.gdiObjects,
                static_cast<size_t>(before.workingSet / 1024),
                static_cast<size_t>(after.workingSet / 1024));
}

double secondsSince(ULONGLONG startMs) {
    return static_cast<double>(GetTickCount64() - startMs) / 1000.0;
}

TEST_F(PanelStory, AMissingEchoIsReportedOnceAndDropsTheQueueAndTheNextCommandWorks) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    // Silent: no echo, and no report of its own that could pass for one.
    ASSERT_EQ(sim.command("silent on"), "OK");
    ASSERT_EQ(sim.command("mark"), "OK");
    const ULONGLONG sent = GetTickCount64();
    post(program, IDC_STATE_TUNE); // awaits its echo
    post(program, IDC_PRESET2);    // queued behind it
    std::string text = answerBox(program, IDOK, "message-missing-echo");
    const double delay = secondsSince(sent);
    std::printf("missing echo reported after %.2f s\n", delay);
    EXPECT_NE(text.find(ACK_TEXT), std::string::npos) << text;
    EXPECT_GE(delay * 1000.0, static_cast<double>(ACK_TIME_OUT_MIN_MS));
    Sleep(ACK_TIME_OUT_MIN_MS); // time enough for a second message, which must not come
    EXPECT_EQ(program.window("#32770"), nullptr);
    std::vector<uint8_t> logged;
    ASSERT_TRUE(sim.loggedBytes(logged));
    EXPECT_EQ(logged, std::vector<uint8_t>{lineByteFor(OperatingState, STATE_TUNE)})
        << "the queue behind the lost echo was dropped";

    ASSERT_EQ(sim.command("silent off"), "OK");
    ASSERT_EQ(sim.command("mark"), "OK");
    post(program, IDM_REFRESH);
    EXPECT_TRUE(received({REFRESH_REQUEST}));
    EXPECT_TRUE(showsSimulator(program));
}

TEST_F(PanelStory, ParityErrorBytesBetweenReportsChangeNothing) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    ASSERT_EQ(sim.command("silent on"), "OK");
    const std::string frequency = program.controlText(IDC_FREQUENCY);
    const std::string program9 = program.controlText(IDC_PROGRAM);
    const LRESULT lamps = program.send(IDC_INDICATOR_HIGH, STM_GETIMAGE, IMAGE_ICON);
    for (int i = 0; i < PARITY_BURST; ++i) {
        ASSERT_EQ(sim.command("parity"), "OK");
    }
    ASSERT_EQ(sim.command("report 9 5"), "OK");
    for (int i = 0; i < PARITY_BURST; ++i) {
        ASSERT_EQ(sim.command("parity"), "OK");
    }
    EXPECT_TRUE(waitFor([&] { return program.controlText(IDC_PROGRAM) == "5"; }, SHOW_TIMEOUT_MS))
        << "was " << program9;
    EXPECT_EQ(program.controlText(IDC_FREQUENCY), frequency);
    EXPECT_EQ(program.send(IDC_INDICATOR_HIGH, STM_GETIMAGE, IMAGE_ICON), lamps);
    EXPECT_EQ(program.window("#32770"), nullptr);
    ASSERT_EQ(sim.command("silent off"), "OK");
}

TEST_F(PanelStory, AFloodOfReportsIsAppliedWholeAndTheCommandsGoOnMeanwhile) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    const Resources before = resourcesOf(program.process());
    // Silent, the flood is all the panel hears: when it ends the link is lost after 4.2 s,
    // and the display clears. What it showed last is what the flood said last.
    ASSERT_EQ(sim.command("silent on"), "OK");
    ASSERT_EQ(sim.command("set 9 11"), "OK");
    const std::vector<int> state = simulatorRegisters(sim);
    ASSERT_EQ(sim.command("mark"), "OK");
    char flood[32];
    snprintf(flood, sizeof flood, "flood %d", FLOOD_REPORTS);
    const ULONGLONG start = GetTickCount64();
    ASSERT_EQ(sim.command(flood).rfind("OK", 0), 0u);
    // A command during the flood (any status report of the flood acknowledges a refresh).
    post(program, IDM_REFRESH);
    EXPECT_TRUE(received({REFRESH_REQUEST}));
    std::printf("during a flood of %d reports a command reached the line in %llu ms\n",
                FLOOD_REPORTS, GetTickCount64() - start);
    std::string lastFrequency;
    std::string lastProgram;
    EXPECT_TRUE(waitFor(
        [&] {
            // The program first: a reset between the two reads then shows in the frequency.
            const std::string programText = program.controlText(IDC_PROGRAM);
            const std::string frequency = program.controlText(IDC_FREQUENCY);
            if (frequency == FREQUENCY_UNKNOWN) {
                return true;
            }
            lastFrequency = frequency;
            lastProgram = programText;
            return false;
        },
        FLOOD_TIMEOUT_MS));
    std::printf("flood of %d reports: link lost %.1f s after it began (4.2 s after its end)\n",
                FLOOD_REPORTS, secondsSince(start));
    EXPECT_EQ(lastFrequency, expectedFrequency(state));
    EXPECT_EQ(lastProgram, "11");
    EXPECT_EQ(program.window("#32770"), nullptr);
    const Resources after = resourcesOf(program.process());
    printResources("flood", before, after);
    EXPECT_LE(after.handles, before.handles + HANDLE_SLACK);
    EXPECT_LE(after.gdiObjects, before.gdiObjects);
    ASSERT_EQ(sim.command("silent off"), "OK");
    EXPECT_TRUE(showsSimulator(program));
}

struct Transmitter {
    int com;
    std::unique_ptr<trxtest::SimControl> control;
};

TEST_F(PanelStory, ThreePanelsOnThreeTransmittersRunAndArrangeTogether) {
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
            std::istringstream reply(transmitters[i].control->command("dump"));
            std::string ok;
            std::vector<int> r(16);
            reply >> ok;
            for (int& v : r) {
                reply >> v;
            }
            if (panels[i]->controlText(IDC_FREQUENCY) != expectedFrequency(r)) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(waitFor(allShowTheirs, SHOW_TIMEOUT_MS));
    post(*panels[1], IDM_ARRANGE);
    const RECT own = [&] {
        RECT r{};
        GetWindowRect(panels[1]->panel(), &r);
        return r;
    }();
    const std::vector<Cell> cells =
        arrangeCells(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     own.right - own.left, own.bottom - own.top, 3);
    auto arranged = [&] {
        for (const auto& p : panels) {
            RECT r{};
            GetWindowRect(p->panel(), &r);
            bool inCell = false;
            for (const Cell& c : cells) {
                inCell = inCell || (r.left == c.left && r.top == c.top);
            }
            if (!inCell) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(waitFor(arranged, SHOW_TIMEOUT_MS));
    EXPECT_TRUE(allShowTheirs());
    panels[0]->screenshot("panels-three-transmitters");
    ASSERT_EQ(transmitters[0].control->command("set 1 0"), "OK");
    ASSERT_EQ(transmitters[1].control->command("set 1 0"), "OK");
    for (const auto& p : panels) {
        EXPECT_TRUE(p->close());
    }
}

DWORD soakSeconds() {
    const char* value = std::getenv("TRX_SOAK_SECONDS");
    return value ? static_cast<DWORD>(std::atoi(value)) : SOAK_DEFAULT_S;
}

TEST_F(PanelStory, ASoakOfRandomCommandsAndFaultsEndsInStepWithTheTransmitter) {
    const char* const faults[] = {"parity",   "echo off",  "echo on",    "silent on", "silent off",
                                  "alarm on", "alarm off", "report 9 3", "report 0 2"};
    const int commands[] = {IDC_STATE_STANDBY, IDC_STATE_TUNE,  IDC_STATE_NOPOWER, IDC_STATE_P100,
                            IDC_PRESET0,       IDC_PRESET1,     IDC_PRESET3,       IDM_REFRESH,
                            IDM_PROGRAM_UP,    IDM_PROGRAM_DOWN};
    ASSERT_EQ(sim.command("tune-time 300"), "OK");
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program));
    const Resources before = resourcesOf(program.process());
    std::mt19937 random(7);
    const ULONGLONG end = GetTickCount64() + soakSeconds() * 1000ull;
    int steps = 0;
    int boxes = 0;
    while (GetTickCount64() < end) {
        if (random() % 3 == 0) {
            sim.command(faults[random() % std::size(faults)]);
        } else {
            post(program, commands[random() % std::size(commands)]);
        }
        // A lost echo is reported in a message box; the operator confirms it.
        if (HWND box = program.window("#32770")) {
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            ++boxes;
        }
        Sleep(SOAK_STEP_MS);
        ++steps;
    }
    // Calm again: the transmitter answers and the panel asks for everything.
    for (const char* calm : {"echo on", "silent off", "alarm off"}) {
        ASSERT_EQ(sim.command(calm), "OK");
    }
    // A write still waiting for an echo that was switched off ends with its message after
    // the acknowledgement time: wait that out, confirming what is reported.
    const ULONGLONG calmUntil = GetTickCount64() + CALM_MS;
    while (GetTickCount64() < calmUntil) {
        if (HWND box = program.window("#32770")) {
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            ++boxes;
        }
        Sleep(SOAK_STEP_MS);
    }
    ASSERT_EQ(sim.command("mark"), "OK");
    post(program, IDM_REFRESH);
    EXPECT_TRUE(received({REFRESH_REQUEST}));
    EXPECT_TRUE(showsSimulator(program));
    const std::vector<int> r = simulatorRegisters(sim);
    EXPECT_TRUE(waitFor(
        [&] { return program.controlText(IDC_PROGRAM) == std::to_string(r[ProgramNumber]); },
        SHOW_TIMEOUT_MS));
    EXPECT_EQ(program.controlText(IDC_ANTENNA), std::to_string(r[Antenna] & 3));
    const Resources after = resourcesOf(program.process());
    std::printf("soak of %lu s: %d steps, %d lost-echo messages\n", soakSeconds(), steps, boxes);
    printResources("soak", before, after);
    EXPECT_LE(after.handles, before.handles + HANDLE_SLACK);
    EXPECT_LE(after.gdiObjects, before.gdiObjects);
    ASSERT_EQ(sim.command("report 15 0"), "OK");
}

} // namespace
} // namespace trx::e2e
