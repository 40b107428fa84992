#include "schedule/schedule_sequencer.h"
#include "schedule_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trx {
namespace {

// The engine's operations as calls an operator would read, their writes queued in order.
struct RecordingEngine final : ScheduleEngine {
    RegisterMirror m;
    std::vector<std::string> calls;
    std::vector<LineWrite> queued;
    uint32_t sequence = 0;
    bool link = true;
    std::string refused; // calls starting with this are refused
    Refusal refusal = Refusal::NotStandby;

    CommandResult queue(const std::string& call, std::initializer_list<RegisterWrite> writes) {
        calls.push_back(call);
        if (!refused.empty() && call.starts_with(refused)) {
            return CommandResult{refusal, 0};
        }
        for (const RegisterWrite& w : writes) {
            LineWrite line;
            line.address = w.address;
            line.value = w.value;
            line.sequence = ++sequence;
            line.source.kind = SourceKind::Schedule;
            queued.push_back(line);
        }
        return CommandResult{Refusal::None, sequence};
    }
    CommandResult requestStandby(const CommandSource&) override {
        return queue("standby", {{OperatingState, STATE_STANDBY}});
    }
    CommandResult enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& d, int tuneTo,
                                 const CommandSource&) override {
        std::string call = "frequency ";
        for (int digit : d) {
            call += static_cast<char>('0' + digit);
        }
        EXPECT_EQ(tuneTo, 0);
        return queue(call, {{OperatingState, STATE_STANDBY},
                            {1, d[0]},
                            {2, d[1]},
                            {3, d[2]},
                            {4, d[3]},
                            {5, d[4]},
                            {6, d[5]},
                            {7, d[6]}});
    }
    CommandResult sendPreset(int index, const CommandSource&) override {
        const auto w = presetRegisters(index);
        return queue("preset " + std::to_string(index + 1), {w[0], w[1], w[2]});
    }
    CommandResult selectProgram(int program, const CommandSource&) override {
        return queue("program " + std::to_string(program), {{ProgramNumber, program}});
    }
    CommandResult selectAntenna(int antenna, const CommandSource&) override {
        return queue("antenna " + std::to_string(antenna + 1), {{Antenna, antenna}});
    }
    CommandResult requestState(int state, const CommandSource&) override {
        return queue("state " + std::to_string(state), {{OperatingState, state}});
    }
    bool linkAlive() const override { return link; }
    const RegisterMirror& mirror() const override { return m; }
    std::array<RegisterWrite, 3> presetRegisters(int index) const override {
        return {RegisterWrite{EmissionMode, index + 1}, {ChannelA, 1}, {ChannelB, 0}};
    }
};

// A transmitter on air on 07,12345 MHz at 1000 W, preset 1, program 0, antenna 1, that
// answers as trxsim does: every write echoed, a refused value reported back after its echo.
struct Rig {
    RecordingEngine engine;
    ScheduleSequencer sequencer{engine};
    UtcSeconds now = 1000000;
    bool tunes = true; // a tune ends at once
    int deaf = -1;     // a register whose writes are never echoed
    int keeps = -1;    // a register whose writes the transmitter refuses

    Rig() {
        const int start[REGISTER_COUNT] = {0,           0, 7, 1, 2, 3, 4, 5,
                                           STATE_P1000, 0, 1, 1, 0, 0, 7, STATUS_READY};
        for (int r = 0; r < REGISTER_COUNT; ++r) {
            engine.m[r] = static_cast<uint8_t>(start[r]);
        }
    }
    void report(int address, int value) {
        const int previous = engine.m[address];
        engine.m[address] = static_cast<uint8_t>(value);
        sequencer.reported(address, previous, engine.m);
        run();
    }
    void run() {
        if (sequencer.wantsRun()) {
            sequencer.run(now);
        }
    }
    void at(UtcSeconds seconds) {
        now = seconds;
        sequencer.run(now);
        answer();
    }
    // Takes every queued write off the line, one after the other as the engine sends them.
    void answer() {
        while (!engine.queued.empty()) {
            const LineWrite w = engine.queued.front();
            engine.queued.erase(engine.queued.begin());
            sequencer.writeSent(w, engine.m);
            if (w.address == deaf) {
                engine.queued.clear(); // the engine drops what waited behind it
                sequencer.echoMissing(w, engine.m);
                run();
                return;
            }
            const int previous = engine.m[w.address];
            sequencer.writeEchoed(w, engine.m);
            report(w.address, w.value);
            if (w.address == keeps) {
                report(w.address, previous);
            } else if (w.address == OperatingState && w.value == STATE_TUNE) {
                report(StatusRegister, 0x2); // tuning, not ready
                if (tunes) {
                    report(OperatingState, STATE_NO_POWER);
                    report(StatusRegister, STATUS_READY);
                }
            } else if (w.address == OperatingState && w.value >= STATE_P100) {
                report(PowerLevel, 7);
            }
            report(StatusRegister, engine.m[StatusRegister]); // its own report round
        }
    }
    void begin(const char* line) {
        const SchedulePlan plan = planOf({line});
        ASSERT_EQ(plan.entries.size(), 1u) << line;
        sequencer.begin(plan.entries[0], now);
        answer();
    }
    ChangeOutcome outcome() {
        std::optional<ChangeOutcome> o = sequencer.takeOutcome();
        EXPECT_TRUE(o.has_value());
        return o.value_or(ChangeOutcome{});
    }
};

using Calls = std::vector<std::string>;

TEST(ScheduleChange, AFullChangeTakesEveryStepInOrderEachAfterItsEcho) {
    Rig rig;
    rig.begin("03:00;04:00;1;9,5;2;3;2;250;;;");
    EXPECT_EQ(rig.engine.calls, (Calls{"standby", "frequency 0950000", "preset 2", "program 3",
                                       "antenna 2", "state 2", "state 5"}));
    EXPECT_FALSE(rig.sequencer.running());
    const ChangeOutcome o = rig.outcome();
    EXPECT_EQ(o.result, ChangeOutcome::Done);
    EXPECT_EQ(o.began, rig.now);
    EXPECT_TRUE(entryInForce(planOf({"03:00;04:00;1;9,5;2;3;2;250;;;"}).entries[0], rig.engine));
}

TEST(ScheduleChange, OnlyProgramOrAntennaNewKeepsTheTuneAndChangesJustThose) {
    Rig rig;
    // Program and antenna change only in standby: the transmitter passes through it, and
    // being still tuned goes back to its stage without frequency, preset or tune.
    rig.begin("03:00;04:00;1;7,12345;1;4;;1000;;;");
    EXPECT_EQ(rig.engine.calls, (Calls{"standby", "program 4", "state 6"}));
    EXPECT_EQ(rig.outcome().result, ChangeOutcome::Done);
}

TEST(ScheduleChange, AnEntryAlreadyInForceIsLeftAlone) {
    Rig rig;
    rig.begin("03:00;04:00;1;7,12345;1;0;1;1000;;;");
    EXPECT_TRUE(rig.engine.calls.empty());
    EXPECT_EQ(rig.outcome().result, ChangeOutcome::InForce);
    EXPECT_FALSE(
        onAirWithOtherValues(planOf({"03:00;04:00;1;7,12345;;;;1000;;;"}).entries[0], rig.engine));
    EXPECT_TRUE(
        onAirWithOtherValues(planOf({"03:00;04:00;1;9,5;;;;1000;;;"}).entries[0], rig.engine));
}

struct FailureCase {
    const char* name;
    void (*arrange)(Rig&);
    const char* failedCall; // the step's call, made twice
    ChangeStep step;
    ChangeFailure failure;
    const char* german;
};

const FailureCase FAILURES[] = {
    {"refusal", [](Rig& r) { r.engine.refused = "antenna"; }, "antenna 2", ChangeStep::Antenna,
     ChangeFailure::Refused, "abgewiesen: nicht in Standby"},
    {"refused frequency", [](Rig& r) { r.keeps = FrequencyDigit2; }, "frequency 0950000",
     ChangeStep::Frequency, ChangeFailure::Rejected, "vom Sender nicht übernommen"},
    {"missing echo", [](Rig& r) { r.deaf = Antenna; }, "antenna 2", ChangeStep::Antenna,
     ChangeFailure::NoEcho, "keine Quittung"},
    {"state never reported", [](Rig& r) { r.tunes = false; }, "state 2", ChangeStep::Tune,
     ChangeFailure::NotReported, "nicht rechtzeitig gemeldet"},
};

TEST(ScheduleChange, AFailedStepIsTriedOnceMoreAfterTenSecondsThenTheTransmitterGoesToStandby) {
    for (const FailureCase& c : FAILURES) {
        Rig rig;
        c.arrange(rig);
        const UtcSeconds began = rig.now;
        rig.begin("03:00;04:00;1;9,5;2;3;2;250;;;");
        ASSERT_TRUE(rig.sequencer.running()) << c.name;
        const size_t firstTry = rig.engine.calls.size();
        // A step waiting for its report runs into the tune time first.
        const UtcSeconds failedAt =
            c.failure == ChangeFailure::NotReported ? began + SCHEDULE_DEFAULT_SECONDS : began;
        if (c.failure == ChangeFailure::NotReported) {
            EXPECT_EQ(rig.sequencer.nextDeadline(), failedAt) << c.name;
            rig.at(failedAt);
        }
        EXPECT_EQ(rig.sequencer.nextDeadline(), failedAt + RETRY_SECONDS) << c.name;
        rig.at(failedAt + RETRY_SECONDS - 1);
        EXPECT_EQ(rig.engine.calls.size(), firstTry) << c.name << ": not before ten seconds";
        rig.at(failedAt + RETRY_SECONDS);
        if (c.failure == ChangeFailure::NotReported) {
            rig.at(failedAt + RETRY_SECONDS + SCHEDULE_DEFAULT_SECONDS);
        }
        ASSERT_FALSE(rig.sequencer.running()) << c.name;
        EXPECT_EQ(std::count(rig.engine.calls.begin(), rig.engine.calls.end(), c.failedCall), 2)
            << c.name;
        EXPECT_EQ(rig.engine.calls.back(), "standby") << c.name;
        const ChangeOutcome o = rig.outcome();
        EXPECT_EQ(o.result, ChangeOutcome::Failed) << c.name;
        EXPECT_EQ(o.step, c.step) << c.name;
        EXPECT_EQ(o.failure, c.failure) << c.name;
        char text[64];
        formatChangeFailure(o.failure, o.refusal, text, sizeof text);
        EXPECT_STREQ(text, c.german) << c.name;
    }
}

TEST(ScheduleChange, TheLinkLostMidChangeFailsWithoutWaitingForEchoes) {
    Rig rig;
    rig.deaf = OperatingState; // the line went quiet: no echo will come
    rig.sequencer.begin(planOf({"03:00;04:00;1;9,5;;;;1000;;;"}).entries[0], rig.now);
    rig.engine.queued.clear();
    rig.engine.link = false;
    rig.sequencer.linkLost(rig.engine.m);
    rig.run();
    rig.at(rig.now + RETRY_SECONDS); // still down: no write goes out for the retry
    const ChangeOutcome o = rig.outcome();
    EXPECT_EQ(o.result, ChangeOutcome::Failed);
    EXPECT_EQ(o.step, ChangeStep::Standby);
    EXPECT_EQ(o.failure, ChangeFailure::LinkLost);
    EXPECT_EQ(rig.engine.calls, (Calls{"standby", "standby"}));
    EXPECT_STREQ(changeStepWord(o.step), "standby");
    EXPECT_STREQ(changeFailureWord(o.failure), "link-lost");
}

TEST(ScheduleChange, AWriteOfTheOperatorMidChangeHandsThePlanOver) {
    Rig rig;
    rig.tunes = false;
    rig.begin("03:00;04:00;1;9,5;;;;1000;;;");
    ASSERT_TRUE(rig.sequencer.running());
    LineWrite operatorWrite;
    operatorWrite.address = OperatingState;
    operatorWrite.value = STATE_STANDBY;
    operatorWrite.source.kind = SourceKind::Panel;
    rig.sequencer.writeSent(operatorWrite, rig.engine.m);
    rig.run();
    EXPECT_FALSE(rig.sequencer.running());
    EXPECT_EQ(rig.outcome().result, ChangeOutcome::Hand);
    EXPECT_TRUE(rig.sequencer.takeOverride());
    EXPECT_FALSE(rig.sequencer.takeOverride());
    EXPECT_EQ(rig.engine.calls.back(), "state 2"); // nothing undone, no standby of its own
    // The program's own writes (the refresh at link-up) are nobody's override.
    operatorWrite.source.kind = SourceKind::Program;
    rig.sequencer.writeSent(operatorWrite, rig.engine.m);
    EXPECT_FALSE(rig.sequencer.takeOverride());
}

TEST(ScheduleChange, ARetryThatSucceedsFinishesTheChange) {
    Rig rig;
    rig.keeps = ProgramNumber;
    rig.begin("03:00;04:00;1;9,5;;3;;1000;;;");
    rig.keeps = -1; // the transmitter takes it the second time
    rig.at(rig.now + RETRY_SECONDS);
    EXPECT_EQ(rig.engine.calls, (Calls{"standby", "frequency 0950000", "program 3", "program 3",
                                       "state 2", "state 6"}));
    EXPECT_EQ(rig.outcome().result, ChangeOutcome::Done);
}

} // namespace
} // namespace trx
