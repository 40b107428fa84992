#include "recording_panel.h"

#include <gtest/gtest.h>

namespace trx::test {

namespace {

// Writes every announcement as one line, as a journal would see it.
class RecordingListener : public LineListener {
  public:
    void linkUp(const RegisterMirror& r) override { heard(r, "link up"); }
    void linkLost(const RegisterMirror& r) override { heard(r, "link lost"); }
    void portReopened(const RegisterMirror& r) override { heard(r, "port reopened"); }
    void resetWhileDown(const RegisterMirror& r) override { heard(r, "reset while down"); }
    void reported(int address, int previous, const RegisterMirror& r) override {
        if (previous != r[address]) {
            heard(r, "report " + std::to_string(address) + " " + shown(previous) + ">" +
                         shown(r[address]));
        }
    }
    void writeSent(const LineWrite& w, const RegisterMirror& r) override {
        heard(r, "sent " + describe(w));
    }
    void writeEchoed(const LineWrite& w, const RegisterMirror& r) override {
        heard(r, "echo " + describe(w));
    }
    void echoMissing(const LineWrite& w, const RegisterMirror& r) override {
        heard(r, "missing " + describe(w));
    }
    void alarmRaised(const RegisterMirror& r) override { heard(r, "alarm on"); }
    void alarmCleared(const RegisterMirror& r) override { heard(r, "alarm off"); }

    // The registers each announcement carried: the engine's own, as they are after the change.
    const RegisterMirror* carried = nullptr;
    RegisterMirror lastCarried;

    std::vector<std::string> take() {
        all.insert(all.end(), events.begin(), events.end());
        return std::exchange(events, {});
    }
    std::vector<std::string> all; // everything taken so far

  private:
    void heard(const RegisterMirror& r, std::string event) {
        carried = &r;
        lastCarried = r;
        events.push_back(std::move(event));
    }
    static std::string shown(int value) {
        return value == NOT_REPORTED ? "-" : std::to_string(value);
    }
    static std::string describe(const LineWrite& w) {
        static const char* const sources[] = {"panel", "program", "control "};
        return "#" + std::to_string(w.sequence) + " " + std::to_string(w.address) + "=" +
               std::to_string(w.value) + " was " + shown(w.previous) + " by " +
               sources[static_cast<int>(w.source.kind)] + w.source.client;
    }

    std::vector<std::string> events;
};

CommandSource controlClient(const char* name) {
    CommandSource source{SourceKind::Control, {}};
    snprintf(source.client, sizeof source.client, "%s", name);
    return source;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(LineListener, ASessionIsAnnouncedAsItHappens) {
    Rig rig;
    RecordingListener heard;
    RecordingListener second; // every listener hears everything
    ASSERT_TRUE(rig.protocol.addListener(heard));
    ASSERT_TRUE(rig.protocol.addListener(second));

    rig.receive(StatusRegister, STATUS_READY);
    EXPECT_EQ(heard.take(), (Lines{"link up", "report 15 ->1"}));
    rig.protocol.requestRefresh(CommandSource{SourceKind::Program, {}});
    EXPECT_EQ(heard.take(), Lines{"sent #1 15=0 was 1 by program"});
    rig.receive(StatusRegister, STATUS_READY); // the refresh's answer, equal: no change
    rig.receive(OperatingState, STATE_STANDBY);
    EXPECT_EQ(heard.take(), (Lines{"echo #1 15=0 was 1 by program", "report 8 ->1"}));

    // A client's program change: sent, echoed, and the echo is the report of the new value.
    const CommandResult program = rig.protocol.selectProgram(3, controlClient("127.0.0.1:4711"));
    EXPECT_TRUE(program.accepted());
    EXPECT_EQ(program.lastWrite, 2u);
    rig.receive(ProgramNumber, 3);
    EXPECT_EQ(heard.take(), (Lines{"sent #2 9=3 was - by control 127.0.0.1:4711",
                                   "echo #2 9=3 was - by control 127.0.0.1:4711", "report 9 ->3"}));

    // The operator's two writes: the first echo never comes, the second is dropped with it.
    rig.protocol.requestState(STATE_TUNE);
    rig.protocol.requestState(STATE_P100);
    for (int i = 0; i < ACK_LIMIT + 2; ++i) {
        rig.receive(Register13, 0);
        rig.protocol.onTimerTick();
    }
    EXPECT_EQ(heard.take(), (Lines{"sent #3 8=2 was 1 by panel", "missing #3 8=2 was 1 by panel"}));

    rig.receive(StatusRegister, STATUS_READY | STATUS_ALARM);
    rig.receive(StatusRegister, STATUS_READY | STATUS_ALARM); // still on: said once
    rig.receive(StatusRegister, STATUS_READY | 0x4);          // the yellow lamp, alarm off
    EXPECT_EQ(heard.take(), (Lines{"report 15 1>9", "alarm on", "report 15 9>5", "alarm off"}));

    rig.ticks(WATCHDOG_LIMIT + 2);
    EXPECT_EQ(heard.take(), Lines{"link lost"});
    rig.ticks(100); // lost once, not again
    rig.protocol.resetProtocol();
    EXPECT_EQ(heard.take(), Lines{"reset while down"});
    second.take();
    EXPECT_EQ(second.all, heard.all);
}

// The settings' OK reopens the port: the listeners hear a reopening, not a loss that a
// station's alert would count; a listener that does not tell the two apart hears a loss.
TEST(LineListener, AReopenedPortIsNoLostLink) {
    Rig rig;
    RecordingListener heard;
    LineListener plain;
    struct Counting : LineListener {
        int losses = 0;
        void linkLost(const RegisterMirror&) override { ++losses; }
    } counting;
    rig.protocol.addListener(heard);
    rig.protocol.addListener(plain);
    rig.protocol.addListener(counting);
    rig.linkUp();
    heard.take();
    rig.protocol.resetProtocol(true);
    EXPECT_EQ(heard.take(), Lines{"port reopened"});
    EXPECT_EQ(counting.losses, 1);
    rig.protocol.resetProtocol(true); // the link is down already: nothing was lost
    EXPECT_EQ(heard.take(), Lines{"reset while down"});
    EXPECT_EQ(counting.losses, 1);
    rig.linkUp();
    rig.protocol.resetProtocol();
    EXPECT_EQ(heard.take(), (Lines{"link up", "report 15 ->0", "link lost"}));
}

// Listeners keep no registers of their own: each announcement hands them the engine's, as
// they are once the change is made.
TEST(LineListener, EachAnnouncementCarriesTheRegistersAfterTheChange) {
    Rig rig;
    RecordingListener heard;
    rig.protocol.addListener(heard);
    rig.linkUp();
    rig.receive(ProgramNumber, 5);
    EXPECT_EQ(heard.carried, &rig.protocol.mirror());
    EXPECT_EQ(heard.lastCarried[ProgramNumber], 5);

    rig.protocol.queueWrite(Antenna, 2); // a command stores nothing: its echo's report will
    EXPECT_EQ(heard.take().back(), "sent #1 0=2 was - by panel");
    EXPECT_EQ(heard.lastCarried[Antenna], NOT_REPORTED);
    rig.receive(Antenna, 2);
    EXPECT_EQ(heard.lastCarried[Antenna], 2);

    rig.protocol.resetProtocol(); // lost: every value unreported in the loss itself
    EXPECT_EQ(heard.take().back(), "link lost");
    EXPECT_EQ(heard.lastCarried[ProgramNumber], NOT_REPORTED);
    EXPECT_EQ(heard.lastCarried[StatusRegister], NOT_REPORTED);
}

TEST(LineListener, OperationsSayWhyTheyPutNothingOnTheLine) {
    const struct {
        const char* what;
        int standbyOrState; // the reported operating state, 0: none
        int status;         // the reported status register, -1: none
        CommandResult (*operation)(Protocol&);
        Refusal refusal;
    } cases[] = {
        {"power stage untuned", STATE_TUNE, 0,
         [](Protocol& p) { return p.requestState(STATE_P1000); }, Refusal::NotTuned},
        {"power stage tuned", STATE_TUNE, STATUS_READY,
         [](Protocol& p) { return p.requestState(STATE_P1000); }, Refusal::None},
        {"power stage, lamp unreported", 0, -1,
         [](Protocol& p) { return p.requestState(STATE_P250); }, Refusal::None},
        {"state 7", STATE_TUNE, 0, [](Protocol& p) { return p.requestState(7); },
         Refusal::OutOfRange},
        {"program outside standby", STATE_TUNE, 0, [](Protocol& p) { return p.selectProgram(4); },
         Refusal::NotStandby},
        {"program 16", STATE_STANDBY, 0, [](Protocol& p) { return p.selectProgram(16); },
         Refusal::OutOfRange},
        {"antenna in standby", STATE_STANDBY, 0, [](Protocol& p) { return p.selectAntenna(3); },
         Refusal::None},
        {"antenna outside standby", STATE_P100, 0, [](Protocol& p) { return p.selectAntenna(1); },
         Refusal::NotStandby},
        {"antenna 4", STATE_STANDBY, 0, [](Protocol& p) { return p.selectAntenna(4); },
         Refusal::OutOfRange},
        {"frequency outside standby", STATE_TUNE, 0,
         [](Protocol& p) {
             return p.enterFrequency({0, 3, 6, 0, 0, 0, 0}, 0);
         },
         Refusal::NotStandby},
        {"frequency in standby", STATE_STANDBY, 0,
         [](Protocol& p) {
             return p.enterFrequency({0, 3, 6, 0, 0, 0, 0}, 0);
         },
         Refusal::None},
        {"preset in any state", STATE_P1000, 0, [](Protocol& p) { return p.sendPreset(2); },
         Refusal::None},
        {"preset 4", STATE_P1000, 0, [](Protocol& p) { return p.sendPreset(4); },
         Refusal::OutOfRange},
    };
    for (const auto& c : cases) {
        Rig rig;
        if (c.status >= 0) {
            rig.protocol.applyReport(StatusRegister, c.status);
        }
        if (c.standbyOrState) {
            rig.protocol.applyReport(OperatingState, c.standbyOrState);
        }
        const CommandResult result = c.operation(rig.protocol);
        EXPECT_EQ(result.refusal, c.refusal) << c.what;
        EXPECT_EQ(rig.port.sent.empty(), !result.accepted()) << c.what;
        EXPECT_EQ(result.lastWrite > 0, result.accepted()) << c.what;
    }

    // A full queue takes nothing of an operation that does not fit; without a port nothing.
    Rig full;
    full.linkUp();
    for (int i = 0; i < QUEUE_CAPACITY - 4; ++i) {
        full.protocol.queueWrite(Register13, 0);
    }
    EXPECT_EQ(full.protocol.clearFrequency().refusal, Refusal::QueueFull);
    full.port.number = NO_PORT;
    EXPECT_EQ(Rig{}.protocol.requestRefresh().refusal, Refusal::None);
    EXPECT_EQ(full.protocol.requestRefresh().refusal, Refusal::NoPort);
}

} // namespace trx::test
