// The command table as clients meet it: the reply to `help`, who may give each command and
// whether the lock holds it back, values out of range refused by the engine's operation,
// and the events a subscriber hears.
#include "control/control_subscription.h"
#include "control_session_fixture.h"
#include "control_values_feed.h"

#include <climits>

namespace trx {

namespace {

TEST(ControlCommandTable, HelpListsTheCommandsAsBefore) {
    std::string help;
    appendControlHelp(help);
    EXPECT_EQ(help,
              "command: get schedule\r\n"
              "command: get "
              "[link|frequency|state|power|program|antenna|mode|tuned|alarm|report_age_ms]\r\n"
              "command: info\r\n"
              "command: set frequency <MHz 1.5-29.99999>\r\n"
              "command: set state standby|tune|nopower|100|250|1000\r\n"
              "command: set program <0-15>\r\n"
              "command: set antenna <0-3>\r\n"
              "command: preset <0-3>\r\n"
              "command: refresh\r\n"
              "command: schedule on|off|now|reload\r\n"
              "command: subscribe | unsubscribe\r\n"
              "command: lock | unlock\r\n"
              "command: auth <password>\r\n"
              "command: help\r\n"
              "command: quit\r\n"
              "RPRT 0\r\n");
}

struct GateCase {
    const char* line;
    bool needsAuth;
    bool obeysLock;
    bool writes; // reaches the engine
};

// Standby passes another client's lock: it is the station's way to switch off.
constexpr GateCase GATES[] = {
    {"get state", true, false, false},    {"set frequency 7.1", true, true, true},
    {"set state tune", true, true, true}, {"set state standby", true, false, true},
    {"set program 3", true, true, true},  {"set antenna 1", true, true, true},
    {"preset 1", true, true, true},       {"refresh", true, true, true},
    {"subscribe", true, false, false},    {"unsubscribe", true, false, false},
    {"lock", true, true, false},          {"unlock", true, true, false},
    {"help", false, false, false},        {"get", true, false, false},
    {"get schedule", true, false, false}, {"schedule off", true, true, false},
    {"info", true, false, false},
};

TEST_F(ControlSessionTest, EachCommandPassesItsRowsGates) {
    reportAll();
    sessions.connect(1, LOOPBACK, 50000);
    ASSERT_EQ(ask(1, "lock\n"), "RPRT 0\r\n");
    ClientId id = 10;
    for (const GateCase& g : GATES) {
        const std::string line = std::string(g.line) + "\n";
        sessions.connect(++id, LOOPBACK, 50001);
        const size_t before = host.executed.size();
        const std::string reply = ask(id, line);
        EXPECT_EQ(reply == "RPRT -5 locked by 127.0.0.1:50000\r\n", g.obeysLock) << g.line;
        EXPECT_EQ(host.executed.size() - before, !g.obeysLock && g.writes ? 1u : 0u) << g.line;
        sessions.disconnected(id);

        sessions.connect(++id, REMOTE, 40000);
        EXPECT_EQ(ask(id, line) == "RPRT -6 not authorised\r\n", g.needsAuth) << g.line;
        sessions.disconnected(id);
    }
}

TEST_F(ControlSessionTest, AValueOutOfRangeIsTheEnginesToRefuseAndTheJournalHearsIt) {
    reportAll();
    sessions.connect(1, LOOPBACK, 50000);
    host.next = {CONTROL_BAD_INPUT, "out of range", 0};
    EXPECT_EQ(ask(1, "set program 99999999999\n"), "RPRT -1 out of range\r\n");
    ASSERT_EQ(host.executed.size(), 1u);
    EXPECT_EQ(host.executed[0].number, INT_MAX);
    EXPECT_EQ(heard.lines.back(), "127.0.0.1:50000: set program 99999999999 abgelehnt (Wert au\xDF"
                                  "erhalb des Bereichs)");
    // A syntax error stays the parser's: the engine never hears it.
    EXPECT_EQ(ask(1, "set program 1x\n"), "RPRT -1 bad argument\r\n");
    EXPECT_EQ(host.executed.size(), 1u);
}

// A write waits out the panel's modal loop, its client's later lines behind it; an echo of
// another's write meanwhile answers nothing of it.
TEST_F(ControlSessionTest, AWriteWaitsForTheModalLoopToEnd) {
    reportAll();
    sessions.connect(1, LOOPBACK, 50000);
    sessions.connect(2, LOOPBACK, 50001);
    host.loop = true;
    EXPECT_EQ(ask(1, "set program 3\nget program\n"), "");
    EXPECT_EQ(ask(2, "get antenna\n"), "antenna: 2\r\nRPRT 0\r\n");
    EXPECT_TRUE(sessions.needsTick());
    announce.writeEchoed(writeNumber(1));
    announce.echoMissing(writeNumber(1));
    EXPECT_EQ(take(1), "");
    EXPECT_TRUE(host.executed.empty());

    host.loop = false;
    EXPECT_EQ(take(1), "");
    ASSERT_EQ(host.executed.size(), 1u);
    EXPECT_EQ(host.executed[0].number, 3);
    announce.writeEchoed(writeNumber(1));
    EXPECT_EQ(take(1), "RPRT 0\r\nprogram: 7\r\nRPRT 0\r\n");
}

TEST(ControlSubscription, OnlyChangedValuesAreToldAndALossForgetsThem) {
    ControlValues values;
    test::ValuesFeed feed{values};
    feed.linkUp();
    ControlSubscription subscription;
    std::string events;
    subscription.appendChanges(events, values, ControlKey::Frequency, ControlKey::Alarm);
    EXPECT_EQ(events, ""); // all unknown, as shown before anything was reported

    feed.reported(ProgramNumber, 7, 0);
    feed.reported(Antenna, 2, 0);
    subscription.appendChanges(events, values, ControlKey::Program, ControlKey::Program);
    EXPECT_EQ(events, "EVENT program 7\r\n"); // the antenna is outside the range asked for
    events.clear();
    subscription.appendChanges(events, values, ControlKey::Power, ControlKey::Antenna);
    EXPECT_EQ(events, "EVENT antenna 2\r\n");
    events.clear();
    subscription.forget();
    subscription.appendChanges(events, values, ControlKey::Program, ControlKey::Program);
    EXPECT_EQ(events, "EVENT program 7\r\n");
}

struct RegisterKeys {
    int address;
    bool any;
    ControlKey first;
    ControlKey last;
};

TEST(ControlSubscription, EachRegisterChangesItsKeys) {
    constexpr RegisterKeys CASES[] = {
        {Antenna, true, ControlKey::Antenna, ControlKey::Antenna},
        {OperatingState, true, ControlKey::State, ControlKey::State},
        {ChannelB, true, ControlKey::Mode, ControlKey::Mode},
        {StatusRegister, true, ControlKey::Tuned, ControlKey::Alarm},
        {FrequencyDigit1, true, ControlKey::Frequency, ControlKey::Frequency},
        {FrequencyDigit7, true, ControlKey::Frequency, ControlKey::Frequency},
        {Register13, false, ControlKey::Link, ControlKey::Link},
    };
    for (const RegisterKeys& c : CASES) {
        ControlKey first = ControlKey::Link;
        ControlKey last = ControlKey::Link;
        EXPECT_EQ(ControlSubscription::keysOfRegister(c.address, first, last), c.any) << c.address;
        EXPECT_EQ(first, c.first) << c.address;
        EXPECT_EQ(last, c.last) << c.address;
    }
}

} // namespace
namespace {

// The season schedule as the control port sees it, with a switch that records what it was
// asked.
struct RecordingSchedule final : ScheduleSwitch {
    std::vector<std::string> asked;
    ScheduleReport report;
    bool scheduleOn() const override { return report.mode != ScheduleReport::Off; }
    void switchSchedule(bool on) override { asked.push_back(on ? "on" : "off"); }
    bool runScheduleNow() override {
        asked.push_back("now");
        return report.mode != ScheduleReport::Off;
    }
    void reloadSchedule() override { asked.push_back("reload"); }
    void acknowledgeScheduleAlarm() override { asked.push_back("acknowledge"); }
    void showScheduleWindow() override { asked.push_back("window"); }
    ScheduleReport scheduleReport() const override { return report; }
    void usePort(int) override {}
};

} // namespace

TEST_F(ControlSessionTest, TheScheduleIsAskedSwitchedAndHeardLikeTheTransmitter) {
    RecordingSchedule schedule;
    sessions.connect(1, LOOPBACK, 50000);
    EXPECT_EQ(ask(1, "get schedule\n"), "RPRT -2 no schedule\r\n");
    sessions.useSchedule(schedule);
    EXPECT_EQ(ask(1, "get schedule\n"), "schedule: off\r\nnext: none\r\nfile: ok\r\nRPRT 0\r\n");
    schedule.report.mode = ScheduleReport::Hand;
    schedule.report.hasNext = true;
    schedule.report.nextChange = 1796180400;
    snprintf(schedule.report.nextTime, sizeof schedule.report.nextTime, "2026-12-08T03:00:00Z");
    snprintf(schedule.report.nextValues, sizeof schedule.report.nextValues, "9,50000 MHz 1000 W");
    schedule.report.badLines = 3;
    schedule.report.changesOk = 4;
    schedule.report.changesFailed = 1;
    EXPECT_EQ(ask(1, "GET SCHEDULE\n"), "schedule: hand\r\nnext: 2026-12-08T03:00:00Z 9,50000 MHz "
                                        "1000 W\r\nfile: 3 bad lines\r\nRPRT 0\r\n");
    for (const char* line : {"schedule on\n", "schedule off\n", "schedule now\n"}) {
        EXPECT_EQ(ask(1, line), "RPRT 0\r\n") << line;
    }
    // A reload is answered when the file has been read, or not after a share's silence.
    EXPECT_EQ(ask(1, "schedule reload\nget schedule\n"), "");
    sessions.scheduleEvent("loaded 2 1");
    EXPECT_EQ(take(1).substr(0, 22), "RPRT 0\r\nschedule: hand");
    EXPECT_EQ(ask(1, "schedule reload\n"), "");
    after(CONTROL_PLAN_READ_MS);
    EXPECT_EQ(take(1), "RPRT -2 file not read\r\n");
    EXPECT_EQ(schedule.asked, (std::vector<std::string>{"on", "off", "now", "reload", "reload"}));
    EXPECT_EQ(ask(1, "schedule later\n"), "RPRT -1 bad argument\r\n");
    schedule.report.mode = ScheduleReport::Off;
    EXPECT_EQ(ask(1, "schedule now\n"), "RPRT -2 schedule off\r\n"); // nothing would run
    EXPECT_EQ(ask(1, "subscribe\n"), "RPRT 0\r\n");
    sessions.scheduleEvent("failed frequency rejected");
    EXPECT_EQ(take(1), "EVENT schedule failed frequency rejected\r\n");

    sessions.connect(2, LOOPBACK, 50001);
    const std::string metrics = ask(2, "GET /metrics HTTP/1.1\r\n\r\n");
    for (const char* sample : {"trxdesk_schedule_enabled{port=\"COM", "} 1\n",
                               "trxdesk_schedule_next_change_timestamp_seconds{", "} 1796180400\n",
                               ",result=\"ok\"} 4\n", ",result=\"failed\"} 1\n"}) {
        EXPECT_NE(metrics.find(sample), std::string::npos) << sample << "\n" << metrics;
    }
}

} // namespace trx
