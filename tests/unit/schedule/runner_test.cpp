#include "schedule/schedule_runner.h"
#include "schedule/schedule_window_rules.h"
#include "schedule_fixture.h"
#include "schedule_transmitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace trx {
namespace {

// The transmitter, what the runner tells, and the runner between them.
struct Station final : FakeTransmitter, ScheduleNotices {
    std::vector<std::string> journalLines;
    std::vector<std::string> events;
    ScheduleRunner runner{*this, *this, SCHEDULE_DEFAULT_SECONDS, SCHEDULE_DEFAULT_SECONDS};
    UtcSeconds now = mondayAt(0, 2, 0);

    void journal(const char* text) override { journalLines.emplace_back(text); }
    void event(const char* text) override { events.emplace_back(text); }

    // The line runs: every queued write echoed and reported, the runner polled when it asks.
    void line() {
        carry(runner.listener(), [this] {
            if (runner.wantsPoll()) {
                runner.poll(now);
            }
        });
    }
    void at(UtcSeconds t) {
        now = t;
        runner.poll(now);
        line();
    }
    std::string status() const {
        char text[SCHEDULE_TEXT_SIZE];
        runner.formatStatus(now, text, sizeof text);
        return text;
    }
    bool journaled(const std::string& part) const {
        return std::any_of(journalLines.begin(), journalLines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
};

PlanReading reading(std::initializer_list<const char*> lines) {
    return readPlanFile(planText(lines), ANTENNA_NAMES);
}

const char* const TWO_ENTRIES[] = {"03:00;04:00;1234567;9,5;;;;1000;;;",
                                   "05:00;06:00;1234567;11,75;;;;Bereit;;;"};

void loadTwo(Station& s) {
    s.runner.load(reading({TWO_ENTRIES[0], TWO_ENTRIES[1]}), s.now);
}

TEST(ScheduleRunner, ThePlanLineSaysOffNextEntryOrStandby) {
    Station s;
    loadTwo(s);
    EXPECT_EQ(s.status(), "Plan aus");
    s.runner.setEnabled(true, s.now);
    EXPECT_EQ(s.status(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    s.now = mondayAt(0, 4, 30);
    EXPECT_EQ(s.status(), "Plan: 05:00 UTC 11,75000 MHz Bereit");
    EXPECT_EQ(s.journalLines.front(), "geladen: 2 Einträge, 2 in Kraft");
}

TEST(ScheduleRunner, AFileWithBadLinesKeepsThePlanAndIsToldOnce) {
    Station s;
    loadTwo(s);
    s.runner.setEnabled(true, s.now);
    const PlanReading bad = reading({"03:00;04:00;1234567;9,5;;16;;1000;;;", "25:00;;;;;;;;;;"});
    ASSERT_EQ(bad.badLines, 2);
    EXPECT_TRUE(s.runner.load(bad, s.now));
    EXPECT_FALSE(s.runner.load(bad, s.now)) << "the same problems again: not told twice";
    EXPECT_EQ(s.runner.plan().entries.size(), 2u);
    EXPECT_EQ(s.status(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    EXPECT_TRUE(s.journaled("2 fehlerhaften Zeilen nicht verwendet (bisheriger Plan bleibt)"));
    const std::vector<std::string> problems = scheduleProblemLines(s.runner);
    ASSERT_GE(problems.size(), 3u); // a line may have several faults
    EXPECT_EQ(problems[1].rfind("Zeile 2:", 0), 0u) << problems[1];
    EXPECT_EQ(problems.back().rfind("Zeile 3:", 0), 0u) << problems.back();
    const std::string message = badPlanMessage(bad);
    EXPECT_NE(message.find("2 fehlerhafte Zeilen"), std::string::npos) << message;
    EXPECT_NE(message.find("Zeile 2:"), std::string::npos) << message;
    // Mended, it is used, and a later fault would be told again.
    EXPECT_FALSE(s.runner.load(reading({TWO_ENTRIES[1]}), s.now));
    EXPECT_EQ(s.runner.plan().entries.size(), 1u);
    EXPECT_TRUE(s.runner.load(bad, s.now));
}

TEST(ScheduleRunner, AChangeStartsTheLeadTimeAheadAndIsJournaledWithItsDuration) {
    Station s;
    loadTwo(s);
    s.runner.setEnabled(true, s.now);
    EXPECT_EQ(s.runner.nextWake(s.now), mondayAt(0, 2, 59));
    s.at(mondayAt(0, 2, 58));
    EXPECT_TRUE(s.queued.empty() && s.sequence == 0) << "nothing before its time";
    s.at(mondayAt(0, 2, 59));
    EXPECT_EQ(s.m[OperatingState], STATE_P1000);
    EXPECT_EQ(s.m[FrequencyDigit2], 9);
    EXPECT_EQ(s.runner.changesOk(), 1);
    EXPECT_TRUE(s.journaled("Wechsel begonnen: Zeile 2, 03:00 UTC 9,50000 MHz 1000 W"));
    EXPECT_TRUE(s.journaled("Wechsel fertig nach 0 s"));
    EXPECT_EQ(s.events,
              (std::vector<std::string>{"loaded 2 2", "on", "begin 2027-01-04T03:00:00Z", "done"}));
    // Its end, with nothing following at once, puts the transmitter into standby.
    EXPECT_EQ(s.runner.nextWake(s.now), mondayAt(0, 4, 0));
    s.at(mondayAt(0, 4, 0));
    EXPECT_EQ(s.m[OperatingState], STATE_STANDBY);
    const std::vector<std::string> rows = scheduleWindowLines(s.runner, s.now);
    ASSERT_FALSE(rows.empty());
    EXPECT_NE(rows[0].find("04.01.  03:00-04:00  erledigt  Zeile 2: 9,50000 MHz 1000 W"),
              std::string::npos)
        << rows[0];
}

TEST(ScheduleRunner, TheOperatorWritingWhileAnEntryRunsPutsThePlanInHandUntilTheNext) {
    Station s;
    loadTwo(s);
    s.runner.setEnabled(true, s.now);
    s.at(mondayAt(0, 2, 59));
    s.now = mondayAt(0, 3, 10);
    s.queue({{ProgramNumber, 5}}, SourceKind::Panel);
    s.line();
    s.at(s.now);
    EXPECT_TRUE(s.runner.inHand());
    EXPECT_EQ(s.status(), "Plan: Hand bis 04:59");
    EXPECT_TRUE(s.journaled("Handbetrieb bis 04:59 UTC"));
    // The end of the entry in hand is the operator's: no standby.
    s.at(mondayAt(0, 4, 0));
    EXPECT_EQ(s.m[OperatingState], STATE_P1000);
    EXPECT_EQ(s.m[ProgramNumber], 5);
    // "Plan jetzt ausführen" takes the plan back at once.
    EXPECT_TRUE(s.runner.runNow(s.now));
    EXPECT_FALSE(s.runner.inHand());
    // Switched off, there is nothing to run now.
    s.runner.setEnabled(false, s.now);
    EXPECT_FALSE(s.runner.runNow(s.now));
}

TEST(ScheduleRunner, ARefusedFrequencyEndsInStandbyWithAnAlarmUntilAcknowledged) {
    Station s;
    s.keeps = FrequencyDigit2;
    loadTwo(s);
    s.runner.setEnabled(true, s.now);
    s.at(mondayAt(0, 2, 59));
    s.at(mondayAt(0, 2, 59) + RETRY_SECONDS);
    EXPECT_EQ(s.m[OperatingState], STATE_STANDBY);
    EXPECT_EQ(s.runner.changesFailed(), 1);
    EXPECT_EQ(s.events.back(), "failed frequency rejected");
    EXPECT_TRUE(
        s.journaled("Wechsel fehlgeschlagen, Sender auf Bereit: Schritt Frequenz, vom Sender "
                    "nicht übernommen"));
    EXPECT_TRUE(s.runner.alarm());
    EXPECT_EQ(s.status().rfind("Plan: FEHLER 03:00 UTC Frequenz", 0), 0u) << s.status();
    const std::vector<EntryRow> rows = s.runner.rows(s.now, mondayAt(0, 0, 0), mondayAt(1, 0, 0));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(entryStateText(rows[0]), "fehlgeschlagen: Frequenz: vom Sender nicht übernommen");
    s.runner.acknowledge();
    EXPECT_FALSE(s.runner.alarm());
    EXPECT_EQ(s.status(), "Plan: 05:00 UTC 11,75000 MHz Bereit");
}

TEST(ScheduleRunner, SwitchedOffMidChangeNothingMoreGoesOutAndOnAgainItTakesTheEntryUp) {
    Station s;
    loadTwo(s);
    s.runner.setEnabled(true, s.now);
    s.now = mondayAt(0, 2, 59);
    s.runner.poll(s.now);
    ASSERT_FALSE(s.queued.empty()); // standby is on its way
    s.runner.setEnabled(false, s.now);
    const uint32_t sent = s.sequence;
    s.line();
    s.at(mondayAt(0, 3, 30));
    EXPECT_EQ(s.sequence, sent) << "no step after the switch went off";
    EXPECT_EQ(s.m[FrequencyDigit2], 7);
    EXPECT_EQ(s.runner.nextWake(s.now), NO_EVENT);
    EXPECT_TRUE(s.journaled("ausgeschaltet"));
    s.runner.setEnabled(true, s.now);
    EXPECT_FALSE(s.runner.poll(s.now).has_value()) << "in standby: nothing to ask";
    s.line();
    EXPECT_EQ(s.m[FrequencyDigit2], 9);
    EXPECT_EQ(s.m[OperatingState], STATE_P1000);
}

TEST(ScheduleRunner, StartedInTheMiddleOfAnEntryItAsksBeforeTakingOverTheTransmitter) {
    Station s; // on air on 07,12345 MHz
    loadTwo(s);
    s.now = mondayAt(0, 3, 20);
    s.runner.setEnabled(true, s.now);
    const auto question = s.runner.poll(s.now);
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->occurrence.begin, mondayAt(0, 3, 0));
    EXPECT_EQ(s.sequence, 0u) << "nothing written before the operator answers";
    s.runner.confirm(*question, false, s.now);
    EXPECT_TRUE(s.runner.inHand());
    EXPECT_EQ(s.m[FrequencyDigit2], 7);
    // Asked again on another start, the operator lets the plan take over.
    Station t;
    loadTwo(t);
    t.now = mondayAt(0, 3, 20);
    t.runner.setEnabled(true, t.now);
    const auto again = t.runner.poll(t.now);
    ASSERT_TRUE(again.has_value());
    t.runner.confirm(*again, true, t.now);
    t.line();
    EXPECT_EQ(t.m[FrequencyDigit2], 9);
    EXPECT_EQ(t.m[OperatingState], STATE_P1000);
}

} // namespace
} // namespace trx
