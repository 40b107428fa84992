// A session as the engine announces it, and the lines it gives for which files: their
// durations, alarms that end unseen, the day change and the flood limit with the control
// port's budget beside the line's.
#include "announcer.h"
#include "journal/journal_recorder.h"
#include "journal/journal_writer.h"
#include "journal_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace trx {

namespace {

using test::T0;

struct JournalStory : ::testing::Test {
    JournalStory() { writer.setPlace("C:\\J", "Com3"); }

    // The lines after their two times.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const std::string& line : sink.lines) {
            out.push_back(test::withoutTimes(line));
        }
        return out;
    }
    LineWrite write(int address, int value, SourceKind kind = SourceKind::Panel) {
        LineWrite w;
        w.address = address;
        w.value = value;
        w.source.kind = kind;
        return w;
    }

    test::ManualClock clock;
    test::MemoryLines sink;
    Settings settings;
    JournalWriter writer{sink};
    JournalRecorder recorder{clock, writer, settings};
    test::Announcer announce{recorder};
};

} // namespace

TEST_F(JournalStory, TheSchedulesWritesAreJournaledAsSendeplan) {
    announce.linkUp();
    announce.writeSent(write(ProgramNumber, 3, SourceKind::Schedule));
    ASSERT_FALSE(lines().empty());
    EXPECT_EQ(lines().back().rfind("Sendeplan;Befehl;9;", 0), 0u) << lines().back();
}

TEST_F(JournalStory, SessionWithCommandsAlarmAndSilence) {
    recorder.started("1.0.0", "COM3 mit 1200 Bit/s");
    announce.linkUp();
    announce.reported(StatusRegister, 1);
    announce.writeSent(write(StatusRegister, 0, SourceKind::Program));
    announce.reported(StatusRegister, 1); // the same again: nothing
    announce.reported(OperatingState, 1);
    announce.reported(FrequencyDigit2, 3);
    announce.writeSent(write(OperatingState, 6));
    announce.reported(OperatingState, 6);
    announce.writeSent(write(ProgramNumber, 4));
    announce.echoMissing(write(ProgramNumber, 4));
    announce.reported(StatusRegister, 9);
    announce.alarmRaised();
    clock.advance(12500);
    announce.reported(StatusRegister, 1);
    announce.alarmCleared();
    announce.linkLost();
    clock.advance(5200);
    announce.linkUp();
    announce.reported(StatusRegister, 1); // after link-up: a change again
    recorder.ended(JournalRecorder::Ending::Closed);

    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Programm;Start;;;;TRXDESK 1.0.0, COM3 mit 1200 Bit/s;",
                           "Programm;Verbindung;;;;hergestellt;",
                           "Sender;Meldung;15;;1;Statuslampen: gr\xC3\xBCn (Blitz);",
                           "Programm;Befehl;15;1;0;alle Daten angefordert;",
                           "Sender;Meldung;8;;1;Betriebszustand: Bereit;",
                           "Bedienfeld;Befehl;8;1;6;Betriebszustand: bis 1000W angefordert;",
                           "Sender;Meldung;8;1;6;Betriebszustand: bis 1000W;",
                           "Bedienfeld;Befehl;9;;4;Programm 4 angefordert;",
                           "Programm;Quittung;9;;4;fehlt;",
                           "Sender;Meldung;15;1;9;Statuslampen: gr\xC3\xBCn (Blitz), rot (Glocke);",
                           "Sender;Alarm;;;;ein;",
                           "Sender;Meldung;15;9;1;Statuslampen: gr\xC3\xBCn (Blitz);",
                           "Sender;Alarm;;;;aus;12,5",
                           "Programm;Verbindung;;;;verloren;",
                           "Programm;Verbindung;;;;hergestellt;5,2",
                           "Sender;Meldung;15;;1;Statuslampen: gr\xC3\xBCn (Blitz);",
                           "Programm;Ende;;;;geschlossen;",
                       }));
    // All in today's file of the port's key, after the head.
    ASSERT_EQ(sink.files.size(), 1u);
    const std::string& file = sink.files["C:\\J\\Com3\\2026-12-07.csv"];
    EXPECT_EQ(file.find(JOURNAL_FILE_HEAD), 0u);
    std::string all = JOURNAL_FILE_HEAD;
    for (const std::string& line : sink.lines) {
        all += line;
    }
    EXPECT_EQ(file, all);
}

TEST_F(JournalStory, LinesGoToTheKeyInUseAndTheUtcDay) {
    clock.utcMs = 1796687999500; // 23:59:59.5 UTC
    recorder.portChanged("COM9 kann nicht geöffnet werden");
    writer.setPlace("C:\\J", "allgemein");
    recorder.portChanged("getrennt");
    clock.advance(500);
    announce.linkLost();
    EXPECT_EQ(sink.files["C:\\J\\Com3\\2026-12-07.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + sink.lines[0].size());
    EXPECT_EQ(sink.files["C:\\J\\allgemein\\2026-12-07.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + sink.lines[1].size());
    EXPECT_EQ(sink.files["C:\\J\\allgemein\\2026-12-08.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + sink.lines[2].size());
}

TEST_F(JournalStory, FloodKeepsAHundredLinesASecondAndCountsTheRest) {
    clock.utcMs = T0 - 123; // at the start of a second
    for (int i = 0; i < 250; ++i) {
        announce.reported(PowerLevel, i % 2);
        clock.advance(3); // 250 reports in 750 ms
    }
    ASSERT_EQ(sink.lines.size(), 100u);
    clock.advance(250); // the next second
    announce.reported(PowerLevel, 7);
    ASSERT_EQ(sink.lines.size(), 102u);
    EXPECT_EQ(lines()[100], "Programm;Journal;;;;150 Zeilen ausgelassen;");
    EXPECT_EQ(sink.lines[100].substr(0, 24), "2026-12-07T03:12:46.000Z");
    EXPECT_EQ(lines()[101], "Sender;Meldung;14;1;7;Leistungsanzeige 7 von 7;");

    // What is left out in the last second is told at the end, before it.
    for (int i = 0; i < 120; ++i) {
        announce.reported(PowerLevel, i % 2);
    }
    recorder.ended(JournalRecorder::Ending::SessionEnd);
    const std::vector<std::string> all = lines();
    EXPECT_EQ(all[all.size() - 2], "Programm;Journal;;;;21 Zeilen ausgelassen;");
    EXPECT_EQ(all.back(), "Programm;Ende;;;;Abmeldung;");
}

// An alarm that clears is timed from its own start, and the next from its own.
TEST_F(JournalStory, EachAlarmIsTimedFromItsOwnStart) {
    announce.alarmRaised();
    clock.advance(3000);
    announce.alarmCleared();
    clock.advance(60000);
    announce.alarmRaised();
    clock.advance(2000);
    announce.alarmCleared();
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"Sender;Alarm;;;;ein;", "Sender;Alarm;;;;aus;3,0",
                                        "Sender;Alarm;;;;ein;", "Sender;Alarm;;;;aus;2,0"}));
}

// The link goes while the alarm is on: the alarm ends there, its end unknown, and the alarm
// reported after the link is back is a new one (it had run on into it: 6.4 s for 2 s).
TEST_F(JournalStory, AnAlarmOpenAtALostLinkEndsThereItsEndUnknown) {
    announce.linkUp();
    announce.alarmRaised();
    clock.advance(2500);
    announce.linkLost();
    clock.advance(1900);
    announce.linkUp();
    announce.alarmRaised(); // the first report has the alarm bit again
    clock.advance(2000);
    announce.alarmCleared();
    announce.linkLost(); // no alarm open: nothing more
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Programm;Verbindung;;;;hergestellt;",
                           "Sender;Alarm;;;;ein;",
                           "Programm;Verbindung;;;;verloren;",
                           "Programm;Alarm;;;;Ende unbekannt (Verbindung verloren);2,5",
                           "Programm;Verbindung;;;;hergestellt;1,9",
                           "Sender;Alarm;;;;ein;",
                           "Sender;Alarm;;;;aus;2,0",
                           "Programm;Verbindung;;;;verloren;",
                       }));
}

// The settings' OK reopens the port: a Port line of the operator, no lost link, and the time
// until the link is back is no outage; an alarm that was open ends there, its end unknown.
TEST_F(JournalStory, AReopenedPortIsNoLostLink) {
    announce.linkUp();
    announce.alarmRaised();
    clock.advance(1200);
    announce.portReopened();
    clock.advance(700);
    announce.linkUp();
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Programm;Verbindung;;;;hergestellt;",
                           "Sender;Alarm;;;;ein;",
                           "Bedienfeld;Port;;;;neu ge\xC3\xB6"
                           "ffnet;",
                           "Programm;Alarm;;;;Ende unbekannt (Port neu ge\xC3\xB6"
                           "ffnet);1,2",
                           "Programm;Verbindung;;;;hergestellt;",
                       }));
}

// 8 idle clients and a thousand refused connections a second beside the transmitter: the
// control port has a budget of its own and cannot push out the alarm.
TEST_F(JournalStory, AControlPortFloodLeavesTheTransmittersLinesAlone) {
    clock.utcMs = T0 - 123; // at the start of a second
    CommandSource client;
    client.kind = SourceKind::Control;
    snprintf(client.client, sizeof client.client, "127.0.0.1:50312");
    for (int i = 0; i < 1000; ++i) {
        recorder.controlPortEvent("127.0.0.1:50999 abgewiesen (alle Plätze belegt)");
        if (i % 100 == 50) {
            recorder.commandRefused(client, "set program 99 abgelehnt (Wert)");
        }
        if (i == 700) {
            announce.reported(StatusRegister, 9);
            announce.alarmRaised();
        }
        clock.advance(i % 2); // 500 ms in all
    }
    // A hundred of the line's own in the same second still fit.
    for (int i = 0; i < JOURNAL_LINES_PER_SECOND - 2; ++i) {
        announce.reported(PowerLevel, i % 2);
    }
    announce.reported(PowerLevel, 7); // the 101st: left out
    clock.advance(500);
    recorder.portChanged("getrennt"); // the next second

    const std::vector<std::string> all = lines();
    auto count = [&](const std::string& part) {
        return std::count_if(all.begin(), all.end(), [&](const std::string& l) {
            return l.find(part) != std::string::npos;
        });
    };
    EXPECT_EQ(count("Sender;Alarm;;;;ein;"), 1);
    EXPECT_EQ(count("Statuslampen"), 1);
    EXPECT_EQ(count("Leistungsanzeige"), JOURNAL_LINES_PER_SECOND - 2);
    EXPECT_EQ(count(";Steuerport;"), JOURNAL_CONTROL_PORT_LINES_PER_SECOND);
    EXPECT_EQ(count("abgelehnt"), 0); // the ten places went to the first events
    // The rest counted, each budget in a line of its own, when the next second begins.
    const size_t last = all.size() - 1;
    EXPECT_EQ(all[last - 2], "Programm;Journal;;;;1 Zeilen ausgelassen;");
    EXPECT_EQ(all[last - 1], "Programm;Journal;;;;1000 Steuerport-Zeilen ausgelassen;");
    EXPECT_EQ(all[last], "Programm;Port;;;;getrennt;");
}

// The Journal line that ends lines waiting: how many were late, and lost only when some were.
TEST(JournalWriterRules, TheLineAfterWaitingSaysWhatWasLateAndLost) {
    char text[JOURNAL_TEXT_SIZE];
    rewrittenText(6, 0, text, sizeof text);
    EXPECT_STREQ(text, "wieder geschrieben, 6 Zeilen nachgetragen");
    rewrittenText(10000, 5, text, sizeof text);
    EXPECT_STREQ(text, "wieder geschrieben, 10000 Zeilen nachgetragen, 5 verloren");
}

namespace trx {

namespace {

// The seven digit registers as the transmitter reports a frequency, 10 MHz first.
void reportFrequency(test::Announcer& announce, const char* digits) {
    for (int k = 0; k < FREQUENCY_DIGIT_COUNT; ++k) {
        announce.reported(FrequencyDigit1 + k, digits[k] - '0');
    }
}

std::vector<std::string> frequencyLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.rfind("Sender;Meldung;;;;Frequenz", 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

} // namespace

// The digits of a change come one by one; the journal writes the change once, with the whole
// new frequency: at link-up, for the operator's entry (its writes between the digits), for a
// change of two digits that then falls quiet, not at all for a refresh that changes nothing,
// and never half for a burst that the lost link cut.
TEST_F(JournalStory, AFrequencyChangeIsOneLineWithTheWholeNewFrequency) {
    announce.linkUp();
    announce.reported(FrequencyDigit1, 0);
    announce.reported(StatusRegister, STATUS_READY); // a status report among the digits
    reportFrequency(announce, "0712345");
    announce.reported(OperatingState, STATE_STANDBY);

    for (int k = 0; k < FREQUENCY_DIGIT_COUNT; ++k) { // the entry 9,5 MHz, each digit echoed
        announce.writeSent(write(FrequencyDigit1 + k, "0950000"[k] - '0'));
        clock.advance(40);
        announce.reported(FrequencyDigit1 + k, "0950000"[k] - '0');
    }
    reportFrequency(announce, "0950000"); // a refresh: nothing new

    announce.reported(FrequencyDigit6, 1); // the transmitter's own change of two digits
    announce.reported(FrequencyDigit7, 2);
    recorder.settle();
    const size_t beforeSettling = frequencyLines(lines()).size();
    clock.advance(FREQUENCY_SETTLE_MS);
    recorder.settle();

    announce.reported(FrequencyDigit2, 3); // cut after one digit by the lost link
    announce.linkLost();

    EXPECT_EQ(beforeSettling, 2u); // the two digits wait for a third
    EXPECT_EQ(
        frequencyLines(lines()),
        (std::vector<std::string>{
            "Sender;Meldung;;;;Frequenz 07,12345;",
            "Sender;Meldung;;;;Frequenz 09,50000 (vorher 07,12345);",
            "Sender;Meldung;;;;Frequenz 09,50012 (vorher 09,50000);",
            "Sender;Meldung;;;;Frequenz\xC3\xA4nderung unvollst\xC3\xA4ndig (Verbindung verloren);",
        }));
    EXPECT_EQ(lines().back(), "Programm;Verbindung;;;;verloren;");
}

} // namespace trx

// The schedule's own lines and its writes: "Sendeplan" both as the event and as the source.
TEST_F(JournalStory, TheScheduleSpeaksInItsOwnLinesAndWritesAsSendeplan) {
    recorder.scheduleEvent("geladen: 12 Einträge, 9 in Kraft");
    announce.writeSent(write(ProgramNumber, 4, SourceKind::Schedule));
    recorder.scheduleEvent("Wechsel fehlgeschlagen: Frequenz, keine Quittung");

    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Sendeplan;Sendeplan;;;;geladen: 12 Eintr\xC3\xA4ge, 9 in Kraft;",
                           "Sendeplan;Befehl;9;;4;Programm 4 angefordert;",
                           "Sendeplan;Sendeplan;;;;Wechsel fehlgeschlagen: Frequenz, keine "
                           "Quittung;",
                       }));
}

} // namespace trx
