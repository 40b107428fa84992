// The file format and the texts: what Excel and the station engineer read.
#include "journal/journal_csv_text.h"
#include "journal/journal_event_text.h"
#include "journal/journal_path_rules.h"
#include "journal/journal_window_rules.h"
#include "journal_fakes.h"

#include <gtest/gtest.h>

namespace trx {

using test::T0;

TEST(JournalFormat, FileHeadIsByteOrderMarkAndHeader) {
    EXPECT_EQ(std::string(JOURNAL_FILE_HEAD),
              "\xEF\xBB\xBFZeit UTC;Ortszeit;Quelle;Ereignis;Register;alt;neu;Text;Dauer s\r\n");
}

TEST(JournalFormat, LinesQuoteConvertAndRoundTheirFields) {
    struct Case {
        JournalEvent event;
        JournalSource source;
        const char* client;
        int address, previous, value;
        const char* text;
        int64_t durationMs;
        const char* expected;
    };
    const Case cases[] = {
        {JournalEvent::Start, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD,
         "TRXDESK 1.0.0, COM3 mit 1200 Bit/s", NO_DURATION,
         "Programm;Start;;;;TRXDESK 1.0.0, COM3 mit 1200 Bit/s;"},
        {JournalEvent::Report, JournalSource::Transmitter, "", 8, NO_FIELD, 6,
         "Betriebszustand: bis 1000W", NO_DURATION,
         "Sender;Meldung;8;;6;Betriebszustand: bis 1000W;"},
        {JournalEvent::Command, JournalSource::Control, "10.0.0.7:5123", 0, 1, 2, "Antenne 2",
         NO_DURATION, "Steuerport 10.0.0.7:5123;Befehl;0;1;2;Antenne 2;"},
        // CP1252 umlauts become UTF-8; ';', quotes and line breaks are quoted.
        {JournalEvent::Report, JournalSource::Transmitter, "", 15, 0, 1, "Statuslampen: grün",
         NO_DURATION, "Sender;Meldung;15;0;1;Statuslampen: gr\xC3\xBCn;"},
        {JournalEvent::Port, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD,
         "COM7: \"belegt\";\r\nnochmals", NO_DURATION,
         "Programm;Port;;;;\"COM7: \"\"belegt\"\";\r\nnochmals\";"},
        // A line break alone is quoted too: unquoted, it would end the line in Excel.
        {JournalEvent::Port, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD, "COM7\nzwei",
         NO_DURATION, "Programm;Port;;;;\"COM7\nzwei\";"},
        {JournalEvent::Port, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD, "COM7\rzwei",
         NO_DURATION, "Programm;Port;;;;\"COM7\rzwei\";"},
        {JournalEvent::Link, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD,
         "hergestellt", 12549, "Programm;Verbindung;;;;hergestellt;12,5"},
        {JournalEvent::Alarm, JournalSource::Transmitter, "", NO_FIELD, NO_FIELD, NO_FIELD, "aus",
         12550, "Sender;Alarm;;;;aus;12,6"},
        {JournalEvent::Alarm, JournalSource::Transmitter, "", NO_FIELD, NO_FIELD, NO_FIELD, "aus",
         40, "Sender;Alarm;;;;aus;0,0"},
        {JournalEvent::Journal, JournalSource::Program, "", NO_FIELD, NO_FIELD, NO_FIELD,
         "\x80 \x81", NO_DURATION, "Programm;Journal;;;;\xE2\x82\xAC ?;"},
    };
    test::ManualClock clock;
    for (const Case& c : cases) {
        JournalRecord r;
        r.time = clock.now();
        r.event = c.event;
        r.source = c.source;
        snprintf(r.client, sizeof r.client, "%s", c.client);
        r.address = c.address;
        r.previous = c.previous;
        r.value = c.value;
        snprintf(r.text, sizeof r.text, "%s", c.text);
        r.durationMs = c.durationMs;
        const std::string line = journalLine(r);
        EXPECT_EQ(line.substr(0, 45), "2026-12-07T03:12:45.123Z;2026-12-07 04:12:45;");
        EXPECT_EQ(test::withoutTimes(line), c.expected);
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    }
}

TEST(JournalFormat, UtcCalendarAcrossYearsAndLeapDays) {
    struct Case {
        int64_t utcMs;
        CivilTime expected;
    };
    const Case cases[] = {
        {0, {1970, 1, 1, 0, 0, 0, 0}},
        {951782400000, {2000, 2, 29, 0, 0, 0, 0}},
        {1798761599999, {2026, 12, 31, 23, 59, 59, 999}},
        {1798761600000, {2027, 1, 1, 0, 0, 0, 0}},
        {-1, {1969, 12, 31, 23, 59, 59, 999}},
    };
    for (const Case& c : cases) {
        const CivilTime t = civilFromUtc(c.utcMs);
        EXPECT_EQ(
            std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
            std::vector<int>({c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                              c.expected.minute, c.expected.second, c.expected.millisecond}))
            << c.utcMs;
    }
}

TEST(JournalFormat, FileReadBackGivesTheFieldsAndTextInCp1252) {
    std::string file = "\"a;\"\"b\"\"\r\nc\";x\r\n;;\r\nlast";
    std::string_view rest = file;
    std::vector<std::string> fields;
    ASSERT_TRUE(readJournalLine(rest, fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"a;\"b\"\r\nc", "x"}));
    ASSERT_TRUE(readJournalLine(rest, fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"", "", ""}));
    ASSERT_TRUE(readJournalLine(rest, fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"last"}));
    EXPECT_FALSE(readJournalLine(rest, fields));

    EXPECT_EQ(cp1252FromUtf8("gr\xC3\xBCn \xE2\x82\xAC \xE2\x98\x83 \xF0\x9F\x93\xBB"),
              "grün \x80 ? ?");
    EXPECT_EQ(cp1252FromUtf8("abc\xC3"), "abc?");
}

TEST(JournalFormat, FilePathPerKeyAndUtcDay) {
    char path[80];
    ASSERT_TRUE(journalFilePath("C:\\J", "Com3", T0, path, sizeof path));
    EXPECT_STREQ(path, "C:\\J\\Com3\\2026-12-07.csv");
    // 00:00 UTC starts the next file, whatever the local clock says.
    ASSERT_TRUE(journalFilePath("\\\\srv\\share\\", "allgemein", 1796688000000, path, sizeof path));
    EXPECT_STREQ(path, "\\\\srv\\share\\allgemein\\2026-12-08.csv");
    ASSERT_TRUE(journalFilePath("\\\\srv\\share\\", "allgemein", 1796687999999, path, sizeof path));
    EXPECT_STREQ(path, "\\\\srv\\share\\allgemein\\2026-12-07.csv");
    EXPECT_FALSE(journalFilePath("C:\\a-folder-too-long", "Com3", T0, path, 30));
    EXPECT_STREQ(path, "");

    ASSERT_TRUE(journalFolderOf("C:\\J\\Com3\\2026-12-07.csv", path, sizeof path));
    EXPECT_STREQ(path, "C:\\J\\Com3");

    // The copies "Kopie öffnen" makes: a new name each second, and each attempt.
    ASSERT_TRUE(journalCopyPath("C:\\Temp\\", "Com03", T0, 1, path, sizeof path));
    EXPECT_STREQ(path, "C:\\Temp\\TRXDESK-Com03-2026-12-07-031245.csv");
    ASSERT_TRUE(journalCopyPath("C:\\Temp", "allgemein", T0 + 1000, 2, path, sizeof path));
    EXPECT_STREQ(path, "C:\\Temp\\TRXDESK-allgemein-2026-12-07-031246-2.csv");
    EXPECT_FALSE(journalCopyPath("C:\\Temp", "Com03", T0, 1, path, 30));
    EXPECT_STREQ(path, "");
}

// The register texts as the panel shows the values.
TEST(JournalTexts, ReportAndCommandTextsPerRegister) {
    RegisterMirror mirror;
    mirror[FrequencyDigit1] = 0;
    mirror[FrequencyDigit2] = 3;
    mirror[FrequencyDigit3] = 6;
    char names[ANTENNA_COUNT][ANTENNA_NAME_SIZE] = {"Dipol Nord", "", "", ""};
    struct Case {
        int address, value;
        const char* report;
        const char* command = nullptr; // nullptr: the report and " angefordert"
    };
    const Case cases[] = {
        {Antenna, 0, "Antenne 0 (Dipol Nord)"},
        {Antenna, 3, "Antenne 3"},
        {FrequencyDigit4, 0, "Frequenz 03,60___", "Frequenz, Stelle 10 kHz: 0 angefordert"},
        {FrequencyDigit2, 7, "Frequenz 07,6____", "Frequenz, Stelle 1 MHz: 7 angefordert"},
        {FrequencyDigit1, 15, "Frequenz _3,6____", "Frequenz, Stelle 10 MHz: leer angefordert"},
        {FrequencyDigit7, 9, "Frequenz 03,6___9", "Frequenz, Stelle 10 Hz: 9 angefordert"},
        {OperatingState, STATE_STANDBY, "Betriebszustand: Bereit"},
        {OperatingState, STATE_P1000, "Betriebszustand: bis 1000W"},
        {OperatingState, 9, "Betriebszustand: unbekannt (9)"},
        {ProgramNumber, 12, "Programm 12"},
        {EmissionMode, 2, "Sendeart: J3"},
        {ChannelA, 1, "KA: mit Dyn."},
        {ChannelB, 6, "KB: undefiniert"},
        {Register13, 5, "Register 13: 5"},
        {PowerLevel, 5, "Leistungsanzeige 5 von 7"},
        {StatusRegister, 0, "Statuslampen: alle dunkel"},
        {StatusRegister, 9, "Statuslampen: grün (Blitz), rot (Glocke)"},
        {StatusRegister, 6, "Statuslampen: gelb (Welle), gelb (Warndreieck)"},
    };
    char text[JOURNAL_TEXT_SIZE];
    for (const Case& c : cases) {
        reportText(c.address, c.value, mirror, names, text, sizeof text);
        EXPECT_STREQ(text, c.report) << c.address << '=' << c.value;
        commandText(c.address, c.value, mirror, names, text, sizeof text);
        if (c.address == StatusRegister && c.value == 0) {
            EXPECT_STREQ(text, "alle Daten angefordert");
        } else if (c.command != nullptr) {
            EXPECT_STREQ(text, c.command);
        } else {
            EXPECT_EQ(std::string(text), std::string(c.report) + " angefordert");
        }
    }
    reportText(Antenna, 0, mirror, nullptr, text, sizeof text);
    EXPECT_STREQ(text, "Antenne 0");
    reportText(StatusRegister, 15, mirror, names, text, 20);
    EXPECT_STREQ(text, "Statuslampen: grün "); // cut to the field, still ended
}

} // namespace trx

namespace trx {

// What the window shows of a line, keeps under its filter and copies.
TEST(JournalWindowRules, RowsFilterAndCopiedText) {
    JournalRow row;
    EXPECT_FALSE(
        journalRow("Zeit UTC;Ortszeit;Quelle;Ereignis;Register;alt;neu;Text;Dauer s\r\n", row));
    EXPECT_FALSE(journalRow("2026-12-07T03:12:45.123Z;kurz\r\n", row));
    EXPECT_FALSE(journalRow("", row));
    ASSERT_TRUE(journalRow("2026-12-07T03:12:45.123Z;2026-12-07 04:12:45;Programm;Port;;;;"
                           "\"COM7: gr\xC3\xBC\xC3\x9F;\r\nzwei\";\r\n",
                           row));
    EXPECT_EQ(row.cells[0], "2026-12-07 04:12:45");
    EXPECT_EQ(row.cells[3], "COM7: grüß;  zwei");
    EXPECT_FALSE(alarmOrLink(row));

    JournalRow alarm;
    ASSERT_TRUE(journalRow(
        "2026-12-07T03:13:00.000Z;2026-12-07 04:13:00;Sender;Alarm;;;;aus;14,9\r\n", alarm));
    EXPECT_TRUE(alarmOrLink(alarm));
    EXPECT_EQ(copiedText({&alarm, &row}),
              "2026-12-07 04:13:00\tSender\tAlarm\taus\t14,9\r\n"
              "2026-12-07 04:12:45\tProgramm\tPort\tCOM7: grüß;  zwei\t\r\n");

    char title[40];
    journalWindowTitle("Sender Nord", "COM3 mit 1200 Bit/s", title, sizeof title);
    EXPECT_STREQ(title, "Betriebsjournal - Sender Nord (COM3 mit");

    char trouble[160];
    journalTroubleText("\\\\srv\\j\\Com03\\2026-12-07.csv", "Zugriff verweigert", 1, trouble,
                       sizeof trouble);
    EXPECT_STREQ(trouble, "Das Betriebsjournal kann nicht geschrieben werden (1 Zeile wartet): "
                          "Zugriff verweigert\r\n\\\\srv\\j\\Com03\\2026-12-07.csv");
    journalTroubleText("C:\\J\\x.csv", "Zugriff verweigert", 12, trouble, sizeof trouble);
    EXPECT_STREQ(trouble, "Das Betriebsjournal kann nicht geschrieben werden (12 Zeilen warten): "
                          "Zugriff verweigert\r\nC:\\J\\x.csv");
}

} // namespace trx

namespace trx {

// The window reads the time of each line back from the UTC column; anything that is not such
// a time, or a date that does not exist, is no time at all.
TEST(JournalFormat, TheUtcColumnReadsBackToTheMillisecond) {
    const struct {
        const char* line;
        bool valid;
        int64_t utcMs;
    } cases[] = {
        {"2026-12-07T03:12:46.000Z;2026-12-07 04:12:46;Programm", true, 1796613166000},
        {"1970-01-01T00:00:00.001Z", true, 1},
        {"2024-02-29T23:59:59.999Z", true, 1709251199999},
        {"2026-02-29T00:00:00.000Z", false, 0}, // no leap year
        {"2026-04-31T00:00:00.000Z", false, 0},
        {"2026-12-07T24:00:00.000Z", false, 0},
        {"2026-12-07 03:12:46.000Z", false, 0},
        {"2026-12-07T03:12:46.000", false, 0},
        {"2026-1x-07T03:12:46.000Z", false, 0},
        {"Zeit UTC;Ortszeit;Quelle", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        int64_t utcMs = 0;
        EXPECT_EQ(readUtcColumn(c.line, utcMs), c.valid) << c.line;
        if (c.valid) {
            EXPECT_EQ(utcMs, c.utcMs) << c.line;
        }
    }
}

} // namespace trx
