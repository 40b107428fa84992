#include "transmitter_model.h"

#include <gtest/gtest.h>

#include <utility>

namespace trxsim {
namespace {

using namespace trx;

// A transmitter without own report rounds, so every byte it sends is an answer.
struct Rig {
    explicit Rig(int tuneMs = 2000) : model(0, ModelTiming{tuneMs, 250, 0}) {}
    Bytes write(int address, int value) {
        Bytes out;
        model.receive(lineByteFor(address, value), now, out);
        return out;
    }
    Bytes at(int64_t ms) {
        Bytes out;
        model.advance(now = ms, out);
        return out;
    }
    void tune() {
        write(OperatingState, STATE_TUNE);
        at(now + 2000);
    }
    TransmitterModel model;
    int64_t now = 0;
};

Bytes reports(std::initializer_list<std::pair<int, int>> registerValues) {
    Bytes bytes;
    for (const auto& [address, value] : registerValues) {
        bytes.push_back(lineByteFor(address, value));
    }
    return bytes;
}

TEST(TransmitterLine, EveryByteButTheRefreshRequestIsEchoedFirstAndUnchanged) {
    for (int b = 0; b < 256; ++b) {
        Rig rig;
        Bytes out;
        rig.model.receive(static_cast<uint8_t>(b), 0, out);
        ASSERT_FALSE(out.empty());
        EXPECT_TRUE(out[0] == b || b == REFRESH_REQUEST) << b; // its answer below
    }
    // Writes that take effect without a consequence get the echo alone; register 13 too,
    // which is stored and reported but means nothing.
    Rig rig;
    Registers expected = rig.model.registers();
    for (const auto& [address, value] : {std::pair{9, 9}, {10, 11}, {0, 3}, {13, 9}}) {
        EXPECT_EQ(rig.write(address, value), reports({{address, value}}));
        expected[static_cast<size_t>(address)] = static_cast<uint8_t>(value);
    }
    EXPECT_EQ(rig.model.registers(), expected);
}

TEST(TransmitterLine, RefreshIsAnsweredByStatusThenAllRegistersInOrder) {
    Rig rig;
    Bytes ignored;
    rig.model.setAlarm(true, ignored);
    rig.write(ChannelA, 5);
    const Registers before = rig.model.registers();
    Bytes out;
    rig.model.receive(REFRESH_REQUEST, 0, out);
    ASSERT_EQ(out.size(), 17u);
    EXPECT_EQ(out[0], lineByteFor(StatusRegister, STATUS_ALARM)); // not 0x0F: no echo
    for (int r = 0; r < REGISTER_COUNT; ++r) {
        EXPECT_EQ(out[static_cast<size_t>(r) + 1], lineByteFor(r, before[static_cast<size_t>(r)]));
    }
    EXPECT_EQ(rig.model.registers(), before);
}

TEST(TransmitterLine, RefusedWritesAreEchoedThenCorrected) {
    Rig rig;
    const Registers start = rig.model.registers();
    const std::pair<int, int> refused[] = {
        {Antenna, 4},        {FrequencyDigit3, 10}, {ChannelA, 7},       {ChannelB, 5},
        {PowerLevel, 6},     {StatusRegister, 1},   {OperatingState, 0}, {OperatingState, 7},
        {OperatingState, 5}, {OperatingState, 3}, // power stages while not tuned
    };
    for (const auto& [address, value] : refused) {
        const int kept = start[static_cast<size_t>(address)];
        EXPECT_EQ(rig.write(address, value), reports({{address, value}, {address, kept}}))
            << address << "=" << value;
    }
    EXPECT_EQ(rig.model.registers(), start);
}

TEST(TransmitterState, TuneLightsYellowForTheTuneTimeThenGreenWithNoPower) {
    Rig rig;
    rig.now = 1000;
    EXPECT_EQ(rig.write(OperatingState, STATE_TUNE), reports({{8, 2}, {15, STATUS_TUNING}}));
    EXPECT_EQ(rig.model.nextDueMs(), 3000);
    EXPECT_TRUE(rig.at(2999).empty());
    EXPECT_EQ(rig.at(3000), reports({{8, STATE_NO_POWER}, {15, STATUS_TUNED}}));
    EXPECT_EQ(rig.model.nextDueMs(), NEVER);

    // Standby during a tune stops it without green.
    rig.write(OperatingState, STATE_TUNE);
    EXPECT_EQ(rig.write(OperatingState, STATE_STANDBY), reports({{8, 1}, {15, 0}}));
    EXPECT_TRUE(rig.at(9000).empty());
}

TEST(TransmitterState, PowerStagesNeedGreenAndRampOneStepAtATime) {
    Rig rig;
    rig.tune();
    const int64_t t0 = rig.now;
    EXPECT_EQ(rig.write(OperatingState, STATE_P250),
              reports({{8, 5}, {15, STATUS_TUNED | STATUS_RAMPING}}));
    for (int level = 1; level < 5; ++level) {
        EXPECT_TRUE(rig.at(t0 + 250 * level - 1).empty());
        EXPECT_EQ(rig.at(t0 + 250 * level), reports({{14, level}})) << level;
    }
    EXPECT_EQ(rig.at(t0 + 1250), reports({{14, 5}, {15, STATUS_TUNED}}));

    // Down to a lower stage step by step as well; standby cuts the power at once.
    EXPECT_EQ(rig.write(OperatingState, STATE_P100),
              reports({{8, 4}, {15, STATUS_TUNED | STATUS_RAMPING}}));
    EXPECT_EQ(rig.at(t0 + 1500), reports({{14, 4}}));
    EXPECT_EQ(rig.write(OperatingState, STATE_STANDBY),
              reports({{8, 1}, {14, 0}, {15, STATUS_TUNED}}));

    // Still tuned; woken late, the ramp catches up in one report.
    rig.write(OperatingState, STATE_P1000);
    EXPECT_EQ(rig.at(rig.now + 10000), reports({{14, 7}, {15, STATUS_TUNED}}));
}

TEST(TransmitterState, StageWrittenDuringTheTuneIsEnteredWhenItEnds) {
    // The program's automatic tune sends tune and the stage back to back.
    Rig rig(500);
    rig.write(OperatingState, STATE_TUNE);
    EXPECT_EQ(rig.write(OperatingState, STATE_P1000), reports({{8, 6}, {8, 2}}));
    EXPECT_EQ(rig.at(500), reports({{8, 6}, {15, STATUS_TUNED | STATUS_RAMPING}}));
    EXPECT_EQ(rig.at(750), reports({{14, 1}}));
}

TEST(TransmitterState, NewFrequencyClearsGreenAndFallsBackToStandby) {
    Rig rig;
    rig.tune();
    rig.write(OperatingState, STATE_P100);
    rig.at(rig.now + 1000);
    EXPECT_EQ(rig.write(FrequencyDigit2, 7), reports({{2, 7}})); // the same digit: no change
    EXPECT_EQ(rig.write(FrequencyDigit2, 8), reports({{2, 8}, {8, 1}, {14, 0}, {15, 0}}));
    EXPECT_EQ(rig.write(OperatingState, STATE_P100), reports({{8, 4}, {8, 1}}));
    rig.tune();
    rig.write(OperatingState, STATE_STANDBY);
    EXPECT_EQ(rig.write(FrequencyDigit7, 0), reports({{7, 0}, {15, 0}}));
}

TEST(TransmitterFaults, ARefusedFrequencyKeepsTheDigitThatWouldMakeIt) {
    Rig rig;
    rig.model.refuseFrequency(FrequencyDigits{0, 9, 5, 0, 0, 0, 0});
    const int digits[] = {0, 9, 5, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        rig.write(FrequencyDigit1 + i, digits[i]);
    }
    EXPECT_EQ(rig.write(FrequencyDigit7, 0), reports({{7, 0}, {7, 5}}));
    EXPECT_EQ(rig.write(FrequencyDigit7, 1), reports({{7, 1}})); // 09,50001 is taken
    EXPECT_EQ(rig.write(FrequencyDigit7, 0), reports({{7, 0}, {7, 1}}));
    rig.model.refuseFrequency(std::nullopt);
    EXPECT_EQ(rig.write(FrequencyDigit7, 0), reports({{7, 0}}));
}

TEST(TransmitterFaults, AnEndlessTuneNeverReachesAPowerStage) {
    Rig rig;
    rig.model.setEndlessTune(true);
    EXPECT_EQ(rig.write(OperatingState, STATE_TUNE), reports({{8, 2}, {15, STATUS_TUNING}}));
    EXPECT_EQ(rig.model.nextDueMs(), NEVER);
    EXPECT_EQ(rig.write(OperatingState, STATE_P1000), reports({{8, 6}, {8, 2}}));
    EXPECT_TRUE(rig.at(3600000).empty());
    EXPECT_EQ(rig.model.value(OperatingState), STATE_TUNE);
    EXPECT_EQ(rig.write(OperatingState, STATE_STANDBY), reports({{8, 1}, {15, 0}}));
    rig.model.setEndlessTune(false); // a tune begun now ends as usual
    rig.tune();
    EXPECT_EQ(rig.model.value(StatusRegister), STATUS_TUNED);
}

TEST(TransmitterState, AlarmAndSetTouchOnlyWhatTheySay) {
    Rig rig;
    Bytes out;
    rig.model.setAlarm(true, out);
    EXPECT_EQ(out, reports({{15, STATUS_ALARM}}));
    rig.tune();
    EXPECT_EQ(rig.model.value(StatusRegister), STATUS_ALARM | STATUS_TUNED);
    out.clear();
    rig.model.setAlarm(false, out);
    EXPECT_EQ(out, reports({{15, STATUS_TUNED}}));

    // A silent set has no consequence of its own, but the model goes on from it.
    Rig fresh;
    fresh.model.setRegister(StatusRegister, STATUS_TUNED);
    fresh.model.setRegister(PowerLevel, 2);
    EXPECT_EQ(fresh.model.nextDueMs(), NEVER);
    EXPECT_EQ(fresh.write(OperatingState, STATE_P250),
              reports({{8, 5}, {15, STATUS_TUNED | STATUS_RAMPING}}));
    EXPECT_EQ(fresh.at(250), reports({{14, 3}}));
}

TEST(TransmitterModes, EchoOffAndSilentMuteTheLineButTheTransmitterActs) {
    Rig rig(100);
    rig.model.setEcho(false);
    EXPECT_TRUE(rig.write(ProgramNumber, 3).empty());
    // Not even a correction: any report of the register would pass for its echo.
    EXPECT_TRUE(rig.write(Antenna, 9).empty());
    EXPECT_EQ(rig.write(OperatingState, STATE_TUNE), reports({{15, STATUS_TUNING}}));
    Bytes out;
    rig.model.receive(REFRESH_REQUEST, 0, out);
    EXPECT_EQ(out.size(), 17u);

    TransmitterModel silent(0, ModelTiming{100, 250, 500});
    silent.setSilent(true);
    out.clear();
    silent.receive(lineByteFor(OperatingState, STATE_TUNE), 0, out);
    silent.receive(REFRESH_REQUEST, 0, out);
    silent.setAlarm(true, out);
    silent.advance(1000, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(silent.value(StatusRegister), STATUS_TUNED | STATUS_ALARM);
    silent.setSilent(false);
    silent.advance(1500, out);
    EXPECT_FALSE(out.empty());
}

TEST(TransmitterReports, StatusEverySecondEveryRegisterInTurnAndNoBurstWhenLate) {
    for (int interval : {1, 300, 500, 1000}) {
        TransmitterModel model(0, ModelTiming{2000, 250, interval});
        std::array<int64_t, 16> lastSeen{};
        int64_t longestStatusGap = 0, longestUnseen = 0;
        for (int64_t t = 0; t <= 20000; t = model.nextDueMs()) {
            Bytes out;
            model.advance(t, out);
            for (uint8_t b : out) {
                const size_t r = static_cast<size_t>(decodeByte(b).address);
                int64_t& longest = r == StatusRegister ? longestStatusGap : longestUnseen;
                longest = std::max(longest, t - lastSeen[r]);
                lastSeen[r] = t;
            }
        }
        EXPECT_LE(longestStatusGap, 1000) << interval;
        EXPECT_LE(longestUnseen, 8 * interval) << interval;
        EXPECT_GE(lastSeen[StatusRegister], 19000) << interval;
    }
    TransmitterModel model(0, ModelTiming{2000, 250, 500});
    Bytes out;
    model.advance(10000, out);
    EXPECT_EQ(out.size(), 3u);
    EXPECT_EQ(model.nextDueMs(), 10500);
}

} // namespace
} // namespace trxsim
