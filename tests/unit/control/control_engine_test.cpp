// Clients' commands through the real engine, wired as the program wires it: the engine's
// own operations and conditions, answers on the engine's announcements.
#include "control/control_engine.h"
#include "protocol/recording_panel.h"

#include <gtest/gtest.h>

#include <string>

namespace trx::test {
namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;

class ManualHost final : public ControlHost {
  public:
    uint64_t milliseconds() override { return now; }
    void outputWaiting() override {}
    uint64_t now = 0;
};

struct ControlRig : Rig {
    ControlRig() : engine(protocol, port), sessions(engine, host, {}, "") {
        protocol.addListener(sessions);
        sessions.connect(1, LOOPBACK, 50000);
    }

    std::string ask(const std::string& line) {
        sessions.received(1, line + "\n");
        return take();
    }
    std::string take() {
        sessions.serviceClients();
        return std::exchange(sessions.output(1)->bytes, {});
    }

    ManualHost host;
    ProtocolControlEngine engine;
    ControlSessions sessions;
};

TEST(ControlThroughTheEngine, ASetGoesOnTheLineAndIsAnsweredOnItsEcho) {
    ControlRig rig;
    rig.linkUp(STATUS_READY);
    rig.receive(OperatingState, STATE_STANDBY);

    EXPECT_EQ(rig.ask("set program 3"), "");
    const uint8_t write = lineByteFor(ProgramNumber, 3);
    ASSERT_EQ(rig.port.sent, std::vector<uint8_t>{write});
    rig.protocol.onByteReceived(write);
    EXPECT_EQ(rig.take(), "RPRT 0\r\n");

    // The frequency without tuning: standby and the seven digits, answered on the last echo.
    rig.port.sent.clear();
    EXPECT_EQ(rig.ask("set frequency 7,125"), "");
    ASSERT_EQ(rig.port.sent.size(), 1u); // one write at a time, each after the last one's echo
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(rig.take(), "");
        rig.protocol.onByteReceived(rig.port.sent.at(i));
    }
    EXPECT_EQ(rig.take(), "RPRT 0\r\n");
    EXPECT_EQ(rig.port.sent.back(), lineByteFor(FrequencyDigit7, 0));
}

TEST(ControlThroughTheEngine, TheEnginesConditionsRefuseAtOnceWithNothingOnTheLine) {
    ControlRig rig;
    rig.linkUp(0); // not tuned
    rig.receive(OperatingState, STATE_TUNE);
    EXPECT_EQ(rig.ask("set state 1000"), "RPRT -2 not tuned\r\n");
    EXPECT_EQ(rig.ask("set program 3"), "RPRT -2 not in standby\r\n");
    EXPECT_EQ(rig.ask("set antenna 1"), "RPRT -2 not in standby\r\n");
    EXPECT_EQ(rig.ask("set frequency 7.1"), "RPRT -2 not in standby\r\n");
    EXPECT_TRUE(rig.port.sent.empty());

    // A missing echo is told to the client as the panel tells the operator.
    EXPECT_EQ(rig.ask("preset 1"), "");
    rig.ticks(ACK_LIMIT + 2);
    EXPECT_EQ(rig.take(), "RPRT -4 no acknowledgement\r\n");
}

// The range of a number is the engine operation's, as for the operator: the client hears
// the same reply as before the parser left it to the engine.
TEST(ControlThroughTheEngine, ValuesOutOfRangeAreRefusedByTheOperation) {
    ControlRig rig;
    rig.linkUp(STATUS_READY);
    rig.receive(OperatingState, STATE_STANDBY);
    for (const char* line :
         {"set program 16", "set program 99999999999", "set antenna 4", "preset 4"}) {
        EXPECT_EQ(rig.ask(line), "RPRT -1 out of range\r\n") << line;
    }
    EXPECT_TRUE(rig.port.sent.empty());
    EXPECT_EQ(rig.ask("set antenna 3"), ""); // the largest is taken
    EXPECT_EQ(rig.port.sent, std::vector<uint8_t>{lineByteFor(Antenna, 3)});
}

// With the link down the engine sends without awaiting an echo; the standby's own byte
// coming back is heard as a report of standby, and answers the client.
TEST(ControlThroughTheEngine, StandbyGoesOutWhileTheLinkIsDown) {
    ControlRig rig;
    const uint8_t standby = lineByteFor(OperatingState, STATE_STANDBY);
    EXPECT_EQ(rig.ask("set state standby"), "");
    ASSERT_EQ(rig.port.sent, std::vector<uint8_t>{standby});
    rig.protocol.onByteReceived(standby);
    EXPECT_EQ(rig.take(), "RPRT 0\r\n");

    // Not heard: not acknowledged after the engine's echo time, by the sessions' own clock.
    EXPECT_EQ(rig.ask("set state standby"), "");
    EXPECT_EQ(rig.port.sent.size(), 2u);
    rig.ticks(ACK_LIMIT + 2); // the engine's clock alone answers nothing while the link is down
    EXPECT_EQ(rig.take(), "");
    rig.host.now = CONTROL_STANDBY_ECHO_MS;
    rig.sessions.tick(rig.host.now);
    EXPECT_EQ(rig.take(), "RPRT -4 no acknowledgement\r\n");
    EXPECT_EQ(rig.ask("set program 3"), "RPRT -3 link down\r\n");
    EXPECT_EQ(rig.port.sent.size(), 2u);
}

// The settings' OK reopens the port: the link is down until the next report, but a station's
// alert on lost links must not fire when the operator checks the settings.
TEST(ControlThroughTheEngine, AReopenedPortIsNoLostLink) {
    ControlRig rig;
    rig.linkUp(STATUS_READY);
    rig.protocol.resetProtocol(true);
    EXPECT_EQ(rig.ask("get link"), "link: down\r\nRPRT -3 link down\r\n");
    EXPECT_EQ(rig.sessions.counters().linkLosses, 0u);
    rig.linkUp(STATUS_READY);
    rig.ticks(WATCHDOG_LIMIT + 2);
    EXPECT_EQ(rig.sessions.counters().linkLosses, 1u);
}

} // namespace
} // namespace trx::test
