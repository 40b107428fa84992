// A session as the engine announces it, and what reaches the files: the lines, their
// durations, the day change, the flood limit and the lines that wait while writing fails.
#include "journal_fakes.h"
#include "journal_rules.h"
#include "journal_writer_rules.h"

#include <gtest/gtest.h>

namespace trx {

namespace {

using test::T0;

struct JournalStory : ::testing::Test {
    JournalStory() { writer.setPlace("C:\\J", "Com3"); }

    // The lines after their two times.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const std::string& line : events.lines) {
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
    test::MemoryFiles files;
    test::WriterEvents events;
    Settings settings;
    JournalWriter writer{files, events};
    JournalRecorder recorder{clock, writer, settings};
};

} // namespace

TEST_F(JournalStory, SessionWithCommandsAlarmAndSilence) {
    recorder.started("1.0.0", "COM3 mit 1200 Bit/s");
    recorder.linkUp();
    recorder.reported(StatusRegister, NOT_REPORTED, 1);
    recorder.writeSent(write(StatusRegister, 0, SourceKind::Program));
    recorder.reported(StatusRegister, 1, 1); // the same again: nothing
    recorder.reported(OperatingState, NOT_REPORTED, 1);
    recorder.reported(FrequencyDigit2, NOT_REPORTED, 3);
    recorder.writeSent(write(OperatingState, 6));
    recorder.reported(OperatingState, 1, 6);
    recorder.writeSent(write(ProgramNumber, 4));
    recorder.echoMissing(write(ProgramNumber, 4));
    recorder.reported(StatusRegister, 1, 9);
    recorder.alarmRaised();
    clock.advance(12500);
    recorder.reported(StatusRegister, 9, 1);
    recorder.alarmCleared();
    recorder.linkLost();
    clock.advance(5200);
    recorder.linkUp();
    recorder.reported(StatusRegister, NOT_REPORTED, 1); // after link-up: a change again
    recorder.ended(JournalRecorder::Ending::Closed);

    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Programm;Start;;;;TRXDESK 1.0.0, COM3 mit 1200 Bit/s;",
                           "Programm;Verbindung;;;;hergestellt;",
                           "Sender;Meldung;15;;1;Statuslampen: gr\xC3\xBCn (Blitz);",
                           "Programm;Befehl;15;1;0;alle Daten angefordert;",
                           "Sender;Meldung;8;;1;Betriebszustand: Bereit;",
                           "Sender;Meldung;2;;3;Frequenz _3,_____;",
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
    ASSERT_EQ(files.files.size(), 1u);
    const std::string& file = files.files["C:\\J\\Com3\\2026-12-07.csv"];
    EXPECT_EQ(file.find(JOURNAL_FILE_HEAD), 0u);
    std::string all = JOURNAL_FILE_HEAD;
    for (const std::string& line : events.lines) {
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
    recorder.linkLost();
    EXPECT_EQ(files.files["C:\\J\\Com3\\2026-12-07.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + events.lines[0].size());
    EXPECT_EQ(files.files["C:\\J\\allgemein\\2026-12-07.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + events.lines[1].size());
    EXPECT_EQ(files.files["C:\\J\\allgemein\\2026-12-08.csv"].size(),
              std::string(JOURNAL_FILE_HEAD).size() + events.lines[2].size());
}

TEST_F(JournalStory, FloodKeepsAHundredLinesASecondAndCountsTheRest) {
    clock.utcMs = T0 - 123; // at the start of a second
    for (int i = 0; i < 250; ++i) {
        recorder.reported(PowerLevel, NOT_REPORTED, i % 2);
        clock.advance(3); // 250 reports in 750 ms
    }
    ASSERT_EQ(events.lines.size(), 100u);
    clock.advance(250); // the next second
    recorder.reported(PowerLevel, NOT_REPORTED, 7);
    ASSERT_EQ(events.lines.size(), 102u);
    EXPECT_EQ(lines()[100], "Programm;Journal;;;;150 Zeilen ausgelassen;");
    EXPECT_EQ(events.lines[100].substr(0, 24), "2026-12-07T03:12:46.000Z");
    EXPECT_EQ(lines()[101], "Sender;Meldung;14;1;7;Leistungsanzeige 7 von 7;");

    // What is left out in the last second is told at the end, before it.
    for (int i = 0; i < 120; ++i) {
        recorder.reported(PowerLevel, NOT_REPORTED, i % 2);
    }
    recorder.ended(JournalRecorder::Ending::SessionEnd);
    const std::vector<std::string> all = lines();
    EXPECT_EQ(all[all.size() - 2], "Programm;Journal;;;;21 Zeilen ausgelassen;");
    EXPECT_EQ(all.back(), "Programm;Ende;;;;Abmeldung;");
}

TEST_F(JournalStory, FailedWritesWaitAndAreWrittenLateOldestFirst) {
    files.failing = true;
    for (int i = 0; i < 10; ++i) {
        recorder.reported(PowerLevel, NOT_REPORTED, i % 2);
        clock.advance(1000);
    }
    EXPECT_EQ(events.failures, std::vector<std::string>{"C:\\J\\Com3\\2026-12-07.csv"});
    EXPECT_EQ(writer.waiting(), 10u);
    EXPECT_FALSE(writer.retry(clock.now()));

    files.failing = false;
    EXPECT_TRUE(writer.retry(clock.now()));
    EXPECT_EQ(writer.waiting(), 0u);
    recorder.reported(PowerLevel, NOT_REPORTED, 5);
    const std::vector<std::string> all = lines();
    ASSERT_EQ(all.size(), 12u);
    EXPECT_EQ(all[10], "Programm;Journal;;;;wieder geschrieben, 10 Zeilen nachgetragen;");

    std::string expected = JOURNAL_FILE_HEAD;
    for (const std::string& line : events.lines) {
        expected += line;
    }
    EXPECT_EQ(files.files["C:\\J\\Com3\\2026-12-07.csv"], expected);

    // A second failure in the run shows nothing more.
    files.failing = true;
    recorder.linkLost();
    EXPECT_EQ(events.failures.size(), 1u);
}

TEST_F(JournalStory, BeyondTheLimitTheOldestWaitingLinesAreLost) {
    files.failing = true;
    const int total = static_cast<int>(JOURNAL_PENDING_LIMIT) + 5;
    for (int i = 0; i < total; ++i) {
        recorder.reported(Register13, NOT_REPORTED, i % 16);
        clock.advance(10);
    }
    EXPECT_EQ(writer.waiting(), JOURNAL_PENDING_LIMIT);
    files.failing = false;
    recorder.linkLost(); // the next line writes the waiting ones first
    const std::string& file = files.files["C:\\J\\Com3\\2026-12-07.csv"];
    // The five oldest are gone; the first kept is the sixth.
    const size_t head = std::string(JOURNAL_FILE_HEAD).size();
    EXPECT_EQ(file.substr(head, events.lines[5].size()), events.lines[5]);
    EXPECT_NE(file.find("wieder geschrieben, 10000 Zeilen nachgetragen, 5 verloren;"),
              std::string::npos);
    EXPECT_EQ(file.substr(file.size() - events.lines.back().size()), events.lines.back());
}

} // namespace trx
