#include "recording_panel.h"

#include <gtest/gtest.h>

namespace trx::test {

TEST(CommandQueue, WithLinkUpOneByteWaitsAnd32QueueAndThe34thIsRefused) {
    Rig rig;
    rig.linkUp();
    int accepted = 0;
    for (int i = 0; i < 34; ++i) {
        accepted += rig.protocol.queueWrite(9, i) ? 1 : 0;
    }
    EXPECT_EQ(accepted, 33);
    ASSERT_EQ(rig.port.sent.size(), 1u);
    EXPECT_EQ(rig.port.sent[0], lineByteFor(9, 0));
    EXPECT_TRUE(rig.protocol.state.awaitingEcho);
    EXPECT_EQ(rig.protocol.state.count, QUEUE_CAPACITY);

    // Each echo releases exactly the next byte, in order.
    for (int i = 0; i < 3; ++i) {
        rig.protocol.onByteReceived(rig.port.sent.back());
        ASSERT_EQ(rig.port.sent.size(), static_cast<size_t>(i + 2));
        EXPECT_EQ(rig.port.sent.back(), lineByteFor(9, i + 1));
    }
    EXPECT_EQ(rig.protocol.state.count, QUEUE_CAPACITY - 3);
}

TEST(CommandQueue, WithLinkDownBytesGoOutAtOnceAndNeverTimeOut) {
    Rig rig;
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 1);
    rig.protocol.queueWrite(0, 2);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0x81, 0x40}));
    EXPECT_FALSE(rig.protocol.state.awaitingEcho);
    rig.ticks(100);
    EXPECT_TRUE(rig.panel.errors.empty());
    EXPECT_EQ(rig.panel.resets(), 0);
}

TEST(CommandQueue, RefusedWithoutAPortAndFailedWritesStayAtTheHead) {
    Rig rig;
    rig.port.number = 0;
    EXPECT_FALSE(rig.protocol.queueWrite(8, 5));
    EXPECT_EQ(rig.protocol.state.count, 0);

    rig.port.number = 3;
    rig.port.failWrites = true;
    EXPECT_TRUE(rig.protocol.queueWrite(8, 5));
    EXPECT_TRUE(rig.protocol.queueWrite(8, 6));
    EXPECT_EQ(rig.protocol.state.count, 2);
    EXPECT_TRUE(rig.port.sent.empty());
    // No timer-driven retry.
    rig.ticks(5);
    EXPECT_TRUE(rig.port.sent.empty());
    rig.port.failWrites = false;
    // Each write sends one byte, the oldest first.
    rig.protocol.queueWrite(0, 1);
    EXPECT_EQ(rig.port.sent, std::vector<uint8_t>{0xA1});
    EXPECT_EQ(rig.protocol.state.count, 2);
    rig.protocol.queueWrite(0, 2);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0x61}));
}

TEST(CommandQueue, RefreshIsAcknowledgedByAnyStatusReport) {
    Rig rig;
    rig.receive(StatusRegister, 0);
    EXPECT_EQ(rig.panel.posted, std::vector<int>{IDM_REFRESH}); // link up asks for everything
    rig.protocol.queueWrite(StatusRegister, 0);
    rig.protocol.queueWrite(8, 5);
    EXPECT_EQ(rig.port.sent.back(), REFRESH_REQUEST);
    rig.protocol.onByteReceived(0x8F); // register 15, value 1
    EXPECT_EQ(rig.port.sent.back(), 0xA1);
    EXPECT_EQ(rig.protocol.state.mirror[StatusRegister], 1);
}

TEST(CommandQueue, AnEchoIsAlsoAReportAndTheNextByteGoesOutFirst) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(9, 3);
    rig.panel.log.clear();
    rig.port.log = &rig.panel.log;
    rig.protocol.onByteReceived(0xA1);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0xC9}));
    ASSERT_FALSE(rig.panel.log.empty());
    EXPECT_EQ(rig.panel.log.front(), "send C9"); // before the report touches the panel
    EXPECT_EQ(rig.protocol.state.mirror[OperatingState], 5);
    EXPECT_EQ(rig.panel.icons[IDC_STATE_P250], IDI_P250_LIT);
    // A report equal to lastSent counts as its echo even if sent spontaneously.
    rig.protocol.onByteReceived(0xC9);
    EXPECT_FALSE(rig.protocol.state.awaitingEcho);
}

TEST(LinkSupervision, ParityErrorByteChangesNothingNotEvenTheWatchdog) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(0, 12); // lastSent equals ERROR_CHAR
    ASSERT_EQ(rig.port.sent.back(), ERROR_CHAR);
    rig.ticks(5);
    const ProtocolState before = rig.protocol.state;
    rig.panel.log.clear();
    rig.protocol.onByteReceived(ERROR_CHAR);
    EXPECT_TRUE(rig.panel.log.empty());
    EXPECT_EQ(rig.protocol.state.watchdogTicks, before.watchdogTicks);
    EXPECT_EQ(rig.protocol.state.ackTicks, before.ackTicks);
    EXPECT_TRUE(rig.protocol.state.awaitingEcho);
    EXPECT_EQ(rig.protocol.state.mirror.bytes, before.mirror.bytes);
}

TEST(LinkSupervision, SilenceResetsThePanelOnThe42ndTickOnlyWhileTheLinkIsUp) {
    Rig rig;
    rig.ticks(200);
    EXPECT_EQ(rig.panel.resets(), 0);

    rig.linkUp();
    rig.ticks(41);
    EXPECT_EQ(rig.panel.resets(), 0);
    rig.receive(Register13, 0); // any valid report is a sign of life
    rig.ticks(41);
    EXPECT_EQ(rig.panel.resets(), 0);
    rig.ticks(1);
    EXPECT_EQ(rig.panel.resets(), 1);
    EXPECT_FALSE(rig.protocol.state.linkAlive);
    EXPECT_EQ(rig.protocol.state.mirror[StatusRegister], NOT_REPORTED);
    rig.ticks(100);
    EXPECT_EQ(rig.panel.resets(), 1);
}

TEST(LinkSupervision, MissingEchoTimesOutOnThe22ndTickOnce) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 6);
    rig.protocol.state.closeOnStandby = true;
    for (int i = 0; i < 21; ++i) {
        rig.receive(Register13, 0); // keep the watchdog quiet
        rig.protocol.onTimerTick();
    }
    EXPECT_TRUE(rig.panel.errors.empty());
    rig.protocol.onTimerTick();
    ASSERT_EQ(rig.panel.errors.size(), 1u);
    EXPECT_EQ(rig.panel.errors[0], ACK_TIMEOUT_TEXT);
    EXPECT_EQ(rig.protocol.state.count, 0);
    EXPECT_FALSE(rig.protocol.state.awaitingEcho);
    EXPECT_FALSE(rig.protocol.state.closeOnStandby);
    rig.ticks(30);
    EXPECT_EQ(rig.panel.errors.size(), 1u);
    // A late echo still matches and finds the queue empty.
    rig.protocol.onByteReceived(0xA1);
    EXPECT_EQ(rig.port.sent.size(), 1u);
}

TEST(LinkSupervision, EchoBetweenThe21stAnd22ndTickStillCountsAndWaitsNeverAddUp) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 6);
    rig.ticks(21);
    rig.protocol.onByteReceived(0xA1);
    EXPECT_EQ(rig.port.sent.size(), 2u); // nothing dropped: the next byte went out
    for (int wait = 0; wait < 10; ++wait) {
        rig.ticks(21);
        rig.protocol.onByteReceived(rig.port.sent.back());
        rig.protocol.queueWrite(9, wait);
    }
    EXPECT_TRUE(rig.panel.errors.empty());
}

TEST(LinkSupervision, ResetClearsEverythingButLastSent) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 6);
    rig.protocol.state.alarmShown = true;
    rig.protocol.state.closeOnStandby = true;
    rig.protocol.resetProtocol();
    const ProtocolState& s = rig.protocol.state;
    EXPECT_FALSE(s.linkAlive || s.awaitingEcho || s.alarmShown || s.closeOnStandby);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.lastSent, 0xA1);
    EXPECT_EQ(s.mirror[Antenna], NOT_REPORTED);
}

} // namespace trx::test
