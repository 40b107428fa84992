#include "recording_panel.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

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

    // Each echo releases exactly the next byte, in order.
    for (int i = 0; i < 3; ++i) {
        rig.protocol.onByteReceived(rig.port.sent.back());
        ASSERT_EQ(rig.port.sent.size(), static_cast<size_t>(i + 2));
        EXPECT_EQ(rig.port.sent.back(), lineByteFor(9, i + 1));
    }
    // Three places are free again, and no more.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(rig.protocol.queueWrite(9, i));
    }
    EXPECT_FALSE(rig.protocol.queueWrite(9, 0));
}

// An operation that needs several writes puts all of them on the line or none: with one
// place too few, nothing of it follows the writes already waiting.
TEST(CommandQueue, AnOperationThatDoesNotFitWholeQueuesNothing) {
    const std::array<int, FREQUENCY_DIGIT_COUNT> digits{0, 9, 8, 7, 6, 3, 3};
    struct Case {
        const char* what;
        int writes;
        std::function<CommandResult(Protocol&)> operation;
    };
    const Case cases[] = {
        {"frequency", 8, [&](Protocol& p) { return p.enterFrequency(digits, 0); }},
        {"frequency and 1000 W", 10, [&](Protocol& p) { return p.enterFrequency(digits, 6); }},
        {"no frequency", 8, [](Protocol& p) { return p.clearFrequency(); }},
        {"preset", 3, [](Protocol& p) { return p.sendPreset(0); }},
    };
    for (const Case& c : cases) {
        for (const int room : {c.writes - 1, c.writes}) {
            Rig rig;
            rig.linkUp();
            rig.receive(OperatingState, STATE_STANDBY);
            rig.port.sent.clear();
            // One write in flight, the rest of the queue filled up to `room` free places.
            for (int i = 0; i < QUEUE_CAPACITY + 1 - room; ++i) {
                ASSERT_TRUE(rig.protocol.queueWrite(Register13, i % 16));
            }
            const CommandResult result = c.operation(rig.protocol);
            EXPECT_EQ(result.accepted(), room == c.writes) << c.what << ", room " << room;
            for (int i = 0; i < 2 * QUEUE_CAPACITY; ++i) {
                rig.protocol.onByteReceived(rig.port.sent.back());
            }
            const size_t expected = static_cast<size_t>(QUEUE_CAPACITY + 1 - room) +
                                    (result.accepted() ? static_cast<size_t>(c.writes) : 0u);
            EXPECT_EQ(rig.port.sent.size(), expected) << c.what << ", room " << room;
        }
    }
}

TEST(CommandQueue, WithLinkDownBytesGoOutAtOnceAndNeverTimeOut) {
    Rig rig;
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 1);
    rig.protocol.queueWrite(0, 2);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0x81, 0x40}));
    rig.ticks(100);
    EXPECT_TRUE(rig.panel.errors.empty());
    EXPECT_EQ(rig.panel.resets(), 0);
}

TEST(CommandQueue, RefusedWithoutAPortAndFailedWritesStayAtTheHead) {
    Rig rig;
    rig.port.number = 0;
    EXPECT_FALSE(rig.protocol.queueWrite(8, 5));
    EXPECT_EQ(rig.protocol.requestRefresh().refusal, Refusal::NoPort);

    rig.port.number = 3;
    rig.port.failWrites = true;
    EXPECT_TRUE(rig.protocol.queueWrite(8, 5));
    EXPECT_TRUE(rig.protocol.queueWrite(8, 6));
    EXPECT_TRUE(rig.port.sent.empty());
    // No timer-driven retry.
    rig.ticks(5);
    EXPECT_TRUE(rig.port.sent.empty());
    rig.port.failWrites = false;
    // Each write sends one byte, the oldest first.
    rig.protocol.queueWrite(0, 1);
    EXPECT_EQ(rig.port.sent, std::vector<uint8_t>{0xA1});
    rig.protocol.queueWrite(0, 2);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0x61}));
    // The port-less write was never queued: the rest follow in order, one per write.
    rig.protocol.queueWrite(0, 3);
    rig.protocol.queueWrite(0, 3);
    EXPECT_EQ(rig.port.sent, (std::vector<uint8_t>{0xA1, 0x61, 0x80, 0x40}));
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
    EXPECT_EQ(rig.protocol.mirror()[StatusRegister], 1);
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
    EXPECT_EQ(rig.protocol.mirror()[OperatingState], 5);
    EXPECT_EQ(rig.panel.icons[IDC_STATE_P250], IDI_P250_LIT);
    // A report equal to lastSent counts as its echo even if sent spontaneously.
    rig.protocol.onByteReceived(0xC9);
    rig.protocol.queueWrite(9, 4);
    EXPECT_EQ(rig.port.sent.back(), lineByteFor(9, 4)); // nothing awaited: out at once
}

TEST(LinkSupervision, ParityErrorByteChangesNothingNotEvenTheWatchdog) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(0, 12); // lastSent equals ERROR_CHAR
    ASSERT_EQ(rig.port.sent.back(), ERROR_CHAR);
    rig.ticks(5);
    const RegisterMirror before = rig.protocol.mirror();
    rig.panel.log.clear();
    rig.protocol.onByteReceived(ERROR_CHAR);
    EXPECT_TRUE(rig.panel.log.empty());
    EXPECT_EQ(rig.protocol.mirror().bytes, before.bytes);
    EXPECT_EQ(rig.port.sent.size(), 1u); // not taken for the echo
    // Neither wait started again: the echo is given up on the 22nd tick after the write.
    for (int i = 0; i < 16; ++i) {
        rig.receive(Register13, 0);
        rig.protocol.onTimerTick();
    }
    EXPECT_TRUE(rig.panel.errors.empty());
    rig.protocol.onTimerTick();
    EXPECT_EQ(rig.panel.errors.size(), 1u);
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
    EXPECT_FALSE(rig.protocol.linkAlive());
    EXPECT_EQ(rig.protocol.mirror()[StatusRegister], NOT_REPORTED);
    rig.ticks(100);
    EXPECT_EQ(rig.panel.resets(), 1);
}

TEST(LinkSupervision, MissingEchoTimesOutOnThe22ndTickOnce) {
    Rig rig;
    rig.linkUp();
    rig.protocol.queueWrite(8, 5);
    rig.protocol.requestStandbyThenClose();
    for (int i = 0; i < 21; ++i) {
        rig.receive(Register13, 0); // keep the watchdog quiet
        rig.protocol.onTimerTick();
    }
    EXPECT_TRUE(rig.panel.errors.empty());
    rig.protocol.onTimerTick();
    ASSERT_EQ(rig.panel.errors.size(), 1u);
    EXPECT_EQ(rig.panel.errors[0], ACK_TIMEOUT_TEXT);
    rig.ticks(30);
    EXPECT_EQ(rig.panel.errors.size(), 1u);
    // A late echo still matches and finds the queue empty; the standby report that follows
    // no longer closes the panel.
    rig.protocol.onByteReceived(0xA1);
    EXPECT_EQ(rig.port.sent.size(), 1u);
    rig.receive(OperatingState, STATE_STANDBY);
    EXPECT_EQ(rig.panel.closeRequests, 0);
    // Nothing is awaited: the next write goes out at once.
    rig.protocol.queueWrite(9, 2);
    EXPECT_EQ(rig.port.sent.back(), lineByteFor(9, 2));
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

TEST(LinkSupervision, ResetClearsLinkQueueAlarmAndClose) {
    Rig rig;
    rig.linkUp();
    rig.receive(StatusRegister, STATUS_ALARM);
    rig.receive(Antenna, 2);
    rig.protocol.queueWrite(8, 5);
    rig.protocol.queueWrite(8, 6);
    rig.protocol.requestStandbyThenClose();
    rig.protocol.resetProtocol();
    EXPECT_FALSE(rig.protocol.linkAlive());
    EXPECT_FALSE(rig.protocol.alarmShown());
    EXPECT_EQ(rig.protocol.mirror()[Antenna], NOT_REPORTED);
    // The queue is gone and nothing is awaited: a write goes out alone and at once.
    rig.port.sent.clear();
    rig.protocol.queueWrite(9, 1);
    EXPECT_EQ(rig.port.sent, std::vector<uint8_t>{lineByteFor(9, 1)});
    rig.receive(OperatingState, STATE_STANDBY); // the close was forgotten too
    EXPECT_EQ(rig.panel.closeRequests, 0);
}

} // namespace trx::test
