// The operator's commands as the transmitter sees them: the bytes each one puts on the line
// in each reported situation.
#include "recording_panel.h"

#include <gtest/gtest.h>

#include <functional>

namespace trx::test {

namespace {

using Bytes = std::vector<uint8_t>;

// Reported situations: nothing at all; standby and tuned; running at 250 W without the
// ready bit; standby before the status register (and program) was reported.
enum Situation { Unreported, StandbyReady, RunningNotReady, StandbyOnly };

void report(Rig& rig, Situation situation) {
    switch (situation) {
    case Unreported:
        break;
    case StandbyReady:
        rig.protocol.applyReport(StatusRegister, STATUS_READY);
        rig.protocol.applyReport(OperatingState, STATE_STANDBY);
        rig.protocol.applyReport(ProgramNumber, 7);
        rig.protocol.applyReport(Antenna, 2);
        break;
    case RunningNotReady:
        rig.protocol.applyReport(StatusRegister, 0);
        rig.protocol.applyReport(OperatingState, STATE_P250);
        rig.protocol.applyReport(ProgramNumber, 7);
        break;
    case StandbyOnly:
        rig.protocol.applyReport(OperatingState, STATE_STANDBY);
        break;
    }
    rig.port.sent.clear();
}

// Echoes every byte as the transmitter does, so writes queued behind an echo go out too.
void echoAll(Rig& rig) {
    for (size_t echoed = 0; echoed < rig.port.sent.size(); ++echoed) {
        rig.protocol.onByteReceived(rig.port.sent[echoed]);
    }
}

struct CommandCase {
    const char* name;
    std::function<void(Protocol&)> command;
    Bytes unreported, standbyReady, runningNotReady, standbyOnly;
};

} // namespace

TEST(OperatorCommands, EachCommandWritesOnlyInTheStateItNeeds) {
    const Bytes standby{lineByteFor(OperatingState, 1)};
    const Bytes tune{lineByteFor(OperatingState, 2)};
    const Bytes p250{lineByteFor(OperatingState, 5)};
    const Bytes program7{lineByteFor(ProgramNumber, 7)};
    const Bytes program8{lineByteFor(ProgramNumber, 8)};
    const Bytes antenna3{lineByteFor(Antenna, 3)};
    const Bytes none;
    const CommandCase cases[] = {
        {"standby", [](Protocol& p) { p.requestState(1); }, standby, standby, standby, standby},
        {"tune", [](Protocol& p) { p.requestState(2); }, tune, tune, tune, tune},
        // An unreported status register reads 0xFF, whose ready bit is set.
        {"250 W", [](Protocol& p) { p.requestState(5); }, p250, p250, none, p250},
        {"state 0", [](Protocol& p) { p.requestState(0); }, none, none, none, none},
        {"state 7", [](Protocol& p) { p.requestState(7); }, none, none, none, none},
        {"refresh", [](Protocol& p) { p.requestRefresh(); }, Bytes{REFRESH_REQUEST},
         Bytes{REFRESH_REQUEST}, Bytes{REFRESH_REQUEST}, Bytes{REFRESH_REQUEST}},
        {"program again", [](Protocol& p) { p.requestProgram(); }, none, program7, none, none},
        {"program up", [](Protocol& p) { p.stepProgram(7, +1); }, none, program8, none, program8},
        {"antenna 3", [](Protocol& p) { p.selectAntenna(3); }, none, antenna3, none, antenna3},
        {"antenna 4", [](Protocol& p) { p.selectAntenna(4); }, none, none, none, none},
        {"preset 2", [](Protocol& p) { p.sendPreset(2); }, Bytes{0xAD, 0x03, 0x55},
         Bytes{0xAD, 0x03, 0x55}, Bytes{0xAD, 0x03, 0x55}, Bytes{0xAD, 0x03, 0x55}},
        {"preset 4", [](Protocol& p) { p.sendPreset(4); }, none, none, none, none},
    };
    for (const CommandCase& c : cases) {
        const Bytes* expected[] = {&c.unreported, &c.standbyReady, &c.runningNotReady,
                                   &c.standbyOnly};
        for (int situation = Unreported; situation <= StandbyOnly; ++situation) {
            Rig rig;
            report(rig, static_cast<Situation>(situation));
            c.command(rig.protocol);
            echoAll(rig);
            EXPECT_EQ(rig.port.sent, *expected[situation])
                << c.name << " in situation " << situation;
        }
    }
}

TEST(OperatorCommands, ProgramStepsWrapAroundSixteen) {
    const struct {
        int position, step, program;
    } cases[] = {{15, +1, 0}, {0, -1, 15}, {3, +1, 4}, {3, -1, 2}, {0xFFFF, +1, 0}, {16, -1, 15}};
    for (const auto& c : cases) {
        Rig rig;
        report(rig, StandbyReady);
        rig.protocol.stepProgram(c.position, c.step);
        EXPECT_EQ(rig.port.sent, Bytes{lineByteFor(ProgramNumber, c.program)})
            << c.position << " " << c.step;
    }
}

TEST(OperatorCommands, FrequencyGoesOutAfterStandbyAndTunesOnlyToAPowerStage) {
    const std::array<int, FREQUENCY_DIGIT_COUNT> digits{0, 3, 6, 0, 0, 0, 0};
    Bytes frequency{lineByteFor(OperatingState, STATE_STANDBY)};
    for (int i = 0; i < FREQUENCY_DIGIT_COUNT; ++i) {
        frequency.push_back(lineByteFor(FrequencyDigit1 + i, digits[static_cast<size_t>(i)]));
    }
    Bytes tuned = frequency;
    tuned.push_back(lineByteFor(OperatingState, STATE_TUNE));
    tuned.push_back(lineByteFor(OperatingState, STATE_P250));
    const struct {
        int tuneTo;
        Bytes bytes;
    } cases[] = {{0, frequency}, {STATE_P250, tuned}, {STATE_NO_POWER, frequency}, {7, frequency}};
    for (const auto& c : cases) {
        Rig rig;
        rig.protocol.sendFrequency(digits, c.tuneTo);
        EXPECT_EQ(rig.port.sent, c.bytes) << c.tuneTo;
    }
    Rig cleared;
    cleared.protocol.clearFrequency();
    ASSERT_EQ(cleared.port.sent.size(), 8u);
    EXPECT_EQ(cleared.port.sent[0], lineByteFor(OperatingState, STATE_STANDBY));
    EXPECT_EQ(cleared.port.sent[7], lineByteFor(FrequencyDigit7, NO_DIGIT));
}

TEST(OperatorCommands, StandbyTakesTheAlarmColoursOffTheDisplay) {
    Rig rig;
    rig.receive(StatusRegister, STATUS_ALARM);
    ASSERT_TRUE(rig.protocol.alarmShown());
    rig.panel.log.clear();
    rig.protocol.requestState(STATE_STANDBY);
    EXPECT_FALSE(rig.protocol.alarmShown());
    EXPECT_EQ(rig.panel.log, std::vector<std::string>{"text 1002 __,_____"}); // repainted
    rig.panel.log.clear();
    rig.protocol.requestState(STATE_STANDBY); // no alarm: no repaint
    EXPECT_TRUE(rig.panel.log.empty());
}

TEST(OperatorCommands, StandbyThenCloseClosesWhenReportedOrGivesUpWithTheEcho) {
    Rig rig;
    rig.linkUp();
    rig.receive(OperatingState, STATE_P250);
    ASSERT_TRUE(rig.protocol.transmitterActive());
    rig.protocol.requestStandbyThenClose();
    EXPECT_EQ(rig.port.sent, Bytes{lineByteFor(OperatingState, STATE_STANDBY)});
    rig.receive(OperatingState, STATE_STANDBY); // echo and report in one
    EXPECT_EQ(rig.panel.closeRequests, 1);

    Rig lost;
    lost.linkUp();
    lost.protocol.requestStandbyThenClose();
    for (int i = 0; i < ACK_LIMIT + 2; ++i) {
        lost.receive(Register13, 0);
        lost.protocol.onTimerTick();
    }
    ASSERT_EQ(lost.panel.errors.size(), 1u);
    lost.receive(OperatingState, STATE_STANDBY); // standby by other means: the panel stays
    EXPECT_EQ(lost.panel.closeRequests, 0);
}

TEST(OperatorCommands, EndOfSessionPutsStandbyOnTheLineAheadOfAMissingEcho) {
    Rig rig;
    rig.linkUp(STATUS_READY);
    rig.protocol.requestState(STATE_P1000); // awaits an echo that never comes
    rig.protocol.requestState(STATE_TUNE);
    rig.protocol.requestRefresh();
    EXPECT_TRUE(rig.protocol.requestStandbyNow());
    const uint8_t standby = lineByteFor(OperatingState, STATE_STANDBY);
    EXPECT_EQ(rig.port.sent, (Bytes{lineByteFor(OperatingState, STATE_P1000), standby}));
    EXPECT_EQ(rig.port.flushes, std::vector<int>{END_SESSION_FLUSH_MS});
    // Should Windows not end after all, the standby echo is what is awaited, and nothing
    // queued before follows it.
    rig.receive(OperatingState, STATE_STANDBY);
    EXPECT_EQ(rig.port.sent.size(), 2u);
    rig.protocol.requestRefresh();
    EXPECT_EQ(rig.port.sent.back(), REFRESH_REQUEST);

    Rig unplugged;
    unplugged.port.number = NO_PORT;
    EXPECT_FALSE(unplugged.protocol.requestStandbyNow());
    unplugged.port.number = 3;
    unplugged.port.failWrites = true;
    EXPECT_FALSE(unplugged.protocol.requestStandbyNow());
    EXPECT_TRUE(unplugged.port.flushes.empty());
}

TEST(OperatorCommands, ClosingAsksOnlyWhileTheTransmitterHasReportedAndIsNotInStandby) {
    const struct {
        bool linkUp;
        int state; // -1: unreported
        bool active;
    } cases[] = {{false, -1, false},       {false, STATE_P250, false},   {true, -1, true},
                 {true, STATE_P250, true}, {true, STATE_STANDBY, false}, {true, STATE_TUNE, true}};
    for (const auto& c : cases) {
        Rig rig;
        if (c.state >= 0) {
            rig.protocol.applyReport(OperatingState, c.state);
        }
        if (c.linkUp) {
            rig.linkUp();
        }
        EXPECT_EQ(rig.protocol.transmitterActive(), c.active) << c.linkUp << " " << c.state;
    }
}

TEST(OperatorCommands, MinimisedIconComesFromTheMirrorWithoutASignOfLife) {
    Rig rig;
    rig.linkUp();
    rig.ticks(30);
    rig.panel.minimized = true;
    rig.protocol.showWindowIcon();
    EXPECT_EQ(rig.panel.windowIcon, IDI_UNKNOWN_STATE);
    EXPECT_EQ(rig.protocol.mirror()[OperatingState], NOT_REPORTED);
    rig.ticks(12); // the watchdog kept counting: the link is lost on time
    EXPECT_FALSE(rig.protocol.linkAlive());

    Rig shown;
    shown.receive(OperatingState, STATE_TUNE); // not minimised: the window icon stays
    EXPECT_EQ(shown.panel.windowIcon, 0);
    shown.panel.minimized = true;
    shown.protocol.showWindowIcon();
    EXPECT_EQ(shown.panel.windowIcon, IDI_TUNE_LIT);
}

TEST(OperatorCommands, OnlyTheStatusRegisterBringsTheLinkUp) {
    for (int address = 0; address < StatusRegister; ++address) {
        Rig rig;
        rig.receive(address, 1);
        EXPECT_FALSE(rig.protocol.linkAlive()) << address;
        EXPECT_TRUE(rig.panel.posted.empty()) << address;
    }
    Rig rig;
    rig.receive(StatusRegister, 0);
    EXPECT_TRUE(rig.protocol.linkAlive());
    EXPECT_EQ(rig.panel.posted, std::vector<int>{IDM_REFRESH});
}

TEST(OperatorCommands, ResetShowsTheUnconnectedLook) {
    Rig rig;
    rig.protocol.resetProtocol();
    EXPECT_EQ(rig.panel.texts[IDC_FREQUENCY], "__,_____");
    EXPECT_EQ(rig.panel.statusIcons[STATUS_PART_LINK], IDI_LINK_DOWN);
    EXPECT_EQ(rig.panel.icons[IDC_PRESET2], IDI_PRESET_F1);
    EXPECT_EQ(rig.panel.icons[IDC_STATE_P1000], IDI_P1000);
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_HIGH], IDI_IND_HIGH_0);
    EXPECT_FALSE(rig.panel.enabled[IDC_PROGRAM_UPDOWN]);
    EXPECT_EQ(rig.panel.positions[IDC_POWER], 0);
}

} // namespace trx::test
