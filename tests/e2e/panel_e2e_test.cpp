// Operator stories with the real TRXDESK.exe and trxsim on its COM port: the panel comes
// up, shows what the transmitter reports, turns red on an alarm, notices silence, and keeps
// its settings per port.
#include "panel_story.h"

#include <commctrl.h>

namespace trx::e2e {
namespace {

TEST_F(PanelStory, ShowsTheTransmitterAlarmAndSilence) {
    sim.command("mark");
    PanelProcess program;
    ASSERT_TRUE(program.start(port() + std::string(" noreg")));
    ASSERT_TRUE(showsSimulator(program)) << program.controlText(IDC_FREQUENCY);

    // Link up sent the refresh request. Reports left on the line before the panel started
    // can fill the display first, so the request may follow a little later.
    EXPECT_TRUE(received({REFRESH_REQUEST})) << sim.command("log");

    const std::vector<int> r = simulatorRegisters(sim);
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(program.controlText(IDC_PROGRAM), std::to_string(r[ProgramNumber]));
    EXPECT_EQ(program.controlText(IDC_ANTENNA), std::to_string(r[Antenna] & 3));
    EXPECT_EQ(program.send(IDC_POWER, PBM_GETPOS), r[PowerLevel] & 7);
    char expected[96];
    snprintf(expected, sizeof expected, "COM%d mit 1200 Bit/s", comNumber());
    EXPECT_EQ(program.statusText(0), expected);
    snprintf(expected, sizeof expected, "%s, KA: %s, KB: %s", modeName(r[EmissionMode]),
             channelAName(r[ChannelA]), channelBName(r[ChannelB]));
    EXPECT_EQ(program.statusText(1), expected);
    EXPECT_EQ(program.backgroundColour(IDC_FREQUENCY), DARK_GREEN);
    program.screenshot("panel-connected");

    // A reported state change moves the lit key. The simulator holds the state too, so that
    // its own report rounds cannot move the key back before the story looks.
    const LRESULT standbyKey = program.send(IDC_STATE_STANDBY, BM_GETIMAGE, IMAGE_ICON);
    ASSERT_EQ(sim.command("set 8 3"), "OK");
    ASSERT_EQ(sim.command("report 8 3"), "OK");
    EXPECT_TRUE(waitFor(
        [&] { return program.send(IDC_STATE_STANDBY, BM_GETIMAGE, IMAGE_ICON) != standbyKey; },
        SHOW_TIMEOUT_MS));
    ASSERT_EQ(sim.command("set 8 1"), "OK");
    ASSERT_EQ(sim.command("report 8 1"), "OK");

    // F5 goes through the accelerators of the message loop and asks for everything again.
    ASSERT_EQ(sim.command("mark"), "OK");
    PostMessageA(program.panel(), WM_KEYDOWN, VK_F5, 0);
    EXPECT_TRUE(waitFor(
        [&] {
            std::vector<uint8_t> bytes;
            return sim.loggedBytes(bytes) &&
                   std::find(bytes.begin(), bytes.end(), REFRESH_REQUEST) != bytes.end();
        },
        SHOW_TIMEOUT_MS));

    const LRESULT calmLamps = program.send(IDC_INDICATOR_HIGH, STM_GETIMAGE, IMAGE_ICON);
    ASSERT_EQ(sim.command("alarm on"), "OK");
    EXPECT_TRUE(waitFor([&] { return program.backgroundColour(IDC_FREQUENCY) == ALARM_RED; },
                        SHOW_TIMEOUT_MS));
    EXPECT_NE(program.send(IDC_INDICATOR_HIGH, STM_GETIMAGE, IMAGE_ICON), calmLamps);
    program.screenshot("panel-alarm");
    ASSERT_EQ(sim.command("alarm off"), "OK");

    ASSERT_EQ(sim.command("silent on"), "OK");
    const ULONGLONG silentFrom = GetTickCount64();
    EXPECT_TRUE(waitFor([&] { return program.controlText(IDC_FREQUENCY) == "__,_____"; },
                        SILENCE_TIMEOUT_MS));
    std::printf("display cleared %.1f s after the simulator fell silent\n",
                static_cast<double>(GetTickCount64() - silentFrom) / 1000.0);
    program.screenshot("panel-silent");
    EXPECT_EQ(program.controlText(IDC_PROGRAM), "");

    // Speaking again brings the link back and the display with it.
    ASSERT_EQ(sim.command("silent off"), "OK");
    EXPECT_TRUE(showsSimulator(program));
    EXPECT_TRUE(program.close());
    EXPECT_FALSE(keyExists(portKey())); // NOREG: nothing read, nothing written
}

TEST_F(PanelStory, ClosingSavesThePortsKeyAndTheNextStartReadsIt) {
    {
        PanelProcess program;
        ASSERT_TRUE(program.start(port()));
        ASSERT_TRUE(showsSimulator(program));
        ASSERT_TRUE(
            waitFor([&] { return !program.controlText(IDC_PROGRAM).empty(); }, SHOW_TIMEOUT_MS));
        ASSERT_TRUE(program.close());
    }
    ASSERT_TRUE(keyExists(portKey()));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, portKey().c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    DWORD baud = 0;
    DWORD size = sizeof baud;
    EXPECT_EQ(
        RegQueryValueExA(key, "Baudrate", nullptr, nullptr, reinterpret_cast<BYTE*>(&baud), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(baud, 1200u);
    const char title[] = "Sender Nord";
    RegSetValueExA(key, "Titel", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), sizeof title);
    RegCloseKey(key);

    PanelProcess program;
    ASSERT_TRUE(program.start(port()));
    EXPECT_EQ(program.windowTitle(), title);
    // Closed once the full report has come (the program follows the state): while the link
    // is up and the state not yet reported, closing asks first.
    ASSERT_TRUE(showsSimulator(program));
    ASSERT_TRUE(
        waitFor([&] { return !program.controlText(IDC_PROGRAM).empty(); }, SHOW_TIMEOUT_MS));
    EXPECT_TRUE(program.close());
}

} // namespace
} // namespace trx::e2e
