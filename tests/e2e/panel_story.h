// The fixture of the operator stories: trxsim's control port, the program's registry key
// for the simulator's port, and what the simulator holds.
#ifndef TRXDESK_E2E_PANEL_STORY_H
#define TRXDESK_E2E_PANEL_STORY_H

#include "panel_process.h"
#include "protocol/register_mirror.h"
#include "res/resource.h"
#include "sim_control.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace trx::e2e {

constexpr DWORD SHOW_TIMEOUT_MS = 10000;
constexpr DWORD SILENCE_TIMEOUT_MS = 8000;
constexpr char KEY_ROOT[] = "Software\\Quandor\\TRXDESK\\Com";
constexpr COLORREF ALARM_RED = RGB(255, 0, 0);
constexpr COLORREF DARK_GREEN = RGB(0, 100, 0);

inline int comNumber() {
    return trxtest::environmentNumber("TRXSIM_COM");
}

inline std::string portKey() {
    char path[64];
    snprintf(path, sizeof path, "%s%d", KEY_ROOT, comNumber());
    return path;
}

inline bool keyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

inline std::string expectedFrequency(const std::vector<int>& r) {
    char text[16];
    snprintf(text, sizeof text, "%d%d,%d%d%d%d%d", r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
    return text;
}

// The sixteen register values of the simulator's "dump".
inline std::vector<int> simulatorRegisters(trxtest::SimControl& sim) {
    std::istringstream reply(sim.command("dump"));
    std::string ok;
    reply >> ok;
    std::vector<int> values;
    int v;
    while (reply >> v) {
        values.push_back(v);
    }
    return values;
}

// A command as a click or key gives it.
inline void post(const PanelProcess& program, int command) {
    PostMessageA(program.panel(), WM_COMMAND, command, 0);
}

// The icon a key shows now (compared between calls; handles of another process).
inline LRESULT keyImage(const PanelProcess& program, int key) {
    return program.send(key, BM_GETIMAGE, IMAGE_ICON);
}

// The program's dialog with this caption, once it shows.
inline HWND waitForDialog(const char* caption) {
    HWND dialog = nullptr;
    waitFor(
        [&] {
            dialog = FindWindowA("#32770", caption);
            return dialog != nullptr && IsWindowVisible(dialog);
        },
        SHOW_TIMEOUT_MS);
    return dialog;
}

// Waits for the program's message box, photographs it as `photo` when one is named, and
// answers it with `button`; its text.
inline std::string answerBox(const PanelProcess& program, int button, const char* photo = nullptr) {
    constexpr DWORD PAINT_MS = 500;
    HWND box = nullptr;
    if (!waitFor([&] { return (box = program.window("#32770")) != nullptr; }, SHOW_TIMEOUT_MS)) {
        return "";
    }
    const std::string text = PanelProcess::staticTexts(box);
    if (photo) {
        Sleep(PAINT_MS);
        program.screenshot(photo);
    }
    PostMessageA(box, WM_COMMAND, button, 0);
    return text;
}

class PanelStory : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT")))
            << "trxsim's control port is not reachable";
        ASSERT_NE(comNumber(), 0);
        RegDeleteTreeA(HKEY_CURRENT_USER, portKey().c_str());
        // Each story starts with a quiet transmitter in standby, whatever the last one did.
        for (const char* command :
             {"silent off", "alarm off", "echo on", "set 8 1", "set 14 0", "set 15 0"}) {
            ASSERT_EQ(sim.command(command), "OK") << command;
        }
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, portKey().c_str()); }

    std::string port() const {
        char token[16];
        snprintf(token, sizeof token, "C%d", comNumber());
        return token;
    }

    bool showsSimulator(const PanelProcess& program) {
        return waitFor(
            [&] {
                return program.controlText(IDC_FREQUENCY) ==
                       expectedFrequency(simulatorRegisters(sim));
            },
            SHOW_TIMEOUT_MS);
    }

    // The panel started on this transmitter and put on air (tuning), as the stories of closing
    // and logging off while on air begin.
    void startTuned(PanelProcess& program) {
        ASSERT_TRUE(program.start(port() + std::string(" noreg")));
        ASSERT_TRUE(showsSimulator(program));
        const LRESULT tuneKey = keyImage(program, IDC_STATE_TUNE);
        post(program, IDC_STATE_TUNE);
        ASSERT_TRUE(
            waitFor([&] { return keyImage(program, IDC_STATE_TUNE) != tuneKey; }, SHOW_TIMEOUT_MS));
    }

    // True once the simulator has received `bytes` in this order since its last mark.
    bool received(const std::vector<uint8_t>& bytes) {
        return waitFor(
            [&] {
                std::vector<uint8_t> logged;
                return sim.loggedBytes(logged) &&
                       std::search(logged.begin(), logged.end(), bytes.begin(), bytes.end()) !=
                           logged.end();
            },
            SHOW_TIMEOUT_MS);
    }

    trxtest::SimControl sim;
};

// The stories run as separate CTest entries by suite (tests/e2e/CMakeLists.txt): a story
// joins its file's suite, and a new suite needs an entry of its own there.
class DialogStory : public PanelStory {};
class FaultStory : public PanelStory {};
class FloodStory : public PanelStory {};
class SoakStory : public PanelStory {};

} // namespace trx::e2e

#endif
