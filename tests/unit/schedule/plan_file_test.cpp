#include "schedule_fixture.h"

#include <gtest/gtest.h>

namespace trx {
namespace {

struct GoodCase {
    const char* line;
    int begin;
    int minutes;
    uint8_t days;
    const char* digits; // "" without frequency
    int preset, program, antenna, state;
    UtcDay first, last;
};

std::string digitText(const ScheduleEntry& e) {
    std::string text;
    for (int d : e.digits) {
        text += static_cast<char>('0' + d);
    }
    return e.hasFrequency ? text : "";
}

TEST(PlanFile, GoodLinesInEveryAcceptedSpelling) {
    const GoodCase cases[] = {
        {"03:00;04:00;1234567;9,5;;;;1000;;;", 180, 60, EVERY_DAY, "0950000", KEEP, KEEP, KEEP,
         STATE_P1000, NO_FIRST_DAY, NO_LAST_DAY},
        {"22:00;02:00;Mo,Mi;7.123456;2;15;2;250;01.04.2027;27.10.2027;Nacht", 1320, 240, 0x05,
         "0712346", 1, 15, 1, STATE_P250, dayFromDate(2027, 4, 1), dayFromDate(2027, 10, 27)},
        {"0:00;24:00;T\xC3\xA4glich;;;;rhombus;bereit;;;", 0, 1440, EVERY_DAY, "", KEEP, KEEP, 2,
         STATE_STANDBY, NO_FIRST_DAY, NO_LAST_DAY},
        {" 6:30 ; 7:00 ;76;29,99999;4;0;Dipol Nord;100;1.4.2027;;\"Ansage; mit \"\"Pause\"\"\"",
         390, 30, 0x60, "2999999", 3, 0, 0, STATE_P100, dayFromDate(2027, 4, 1), NO_LAST_DAY},
        {"12:00:00;12:01;So;1,5;;;4;1000;;", 720, 1, 0x40, "0150000", KEEP, KEEP, 3, STATE_P1000,
         NO_FIRST_DAY, NO_LAST_DAY},
    };
    for (const GoodCase& c : cases) {
        const PlanReading r = readPlanFile(planText({c.line}), ANTENNA_NAMES);
        ASSERT_TRUE(r.usable()) << c.line << ": " << (r.problems.empty() ? "" : r.problems[0].text);
        ASSERT_EQ(r.plan.entries.size(), 1u);
        const ScheduleEntry& e = r.plan.entries[0];
        EXPECT_EQ(e.line, 2) << c.line;
        EXPECT_EQ(e.beginMinute, c.begin) << c.line;
        EXPECT_EQ(e.minutes, c.minutes) << c.line;
        EXPECT_EQ(e.days, c.days) << c.line;
        EXPECT_EQ(digitText(e), c.digits) << c.line;
        EXPECT_EQ(e.preset, c.preset) << c.line;
        EXPECT_EQ(e.program, c.program) << c.line;
        EXPECT_EQ(e.antenna, c.antenna) << c.line;
        EXPECT_EQ(e.state, c.state) << c.line;
        EXPECT_EQ(e.firstDay, c.first) << c.line;
        EXPECT_EQ(e.lastDay, c.last) << c.line;
    }
}

struct BadCase {
    const char* line;
    const char* problem; // the reason as the operator reads it, after "Zeile n: "
};

TEST(PlanFile, EveryBadLineIsNamedWithItsNumberAndWhy) {
    const BadCase cases[] = {
        {"25:00;04:00;1;9,5;;;;1000;;;", "Beginn UTC: „25:00“ gibt es nicht"},
        {"03:00;03:60;1;9,5;;;;1000;;;", "Ende UTC: „03:60“ gibt es nicht"},
        {"3 Uhr;04:00;1;9,5;;;;1000;;;", "Beginn UTC: „3 Uhr“ ist keine Uhrzeit (HH:MM)"},
        {"24:00;01:00;1;9,5;;;;1000;;;", "Beginn UTC: 24:00 gibt es nur als Ende"},
        {"03:00;03:00;1;9,5;;;;1000;;;", "Ende UTC: gleich dem Beginn"},
        {"03:00;04:00;8;9,5;;;;1000;;;", "Tage: „8“ unbekannt (1234567, täglich oder Mo,Di,...)"},
        {"03:00;04:00;Mo,Mo;9,5;;;;1000;;;", "Tage: „Mo,Mo“ unbekannt"},
        {"03:00;04:00;0;9,5;;;;1000;;;", "Tage: „0“ unbekannt"}, // found by the fuzzer
        {"03:00;04:00;Montag;9,5;;;;1000;;;", "Tage: „Montag“ unbekannt"},
        {"03:00;04:00;1;35;;;;1000;;;", "Frequenz MHz: „35“ liegt nicht zwischen 1,5 und 29,99999"},
        {"03:00;04:00;1;9,5 MHz;;;;1000;;;", "Frequenz MHz: „9,5 MHz“ ist keine Zahl"},
        {"03:00;04:00;1;;;;;1000;;;", "Frequenz MHz: fehlt (zum Abstimmen nötig)"},
        {"03:00;04:00;1;9,5;5;;;1000;;;", "Taste: „5“ unbekannt (1 bis 4 oder leer)"},
        {"03:00;04:00;1;9,5;;16;;1000;;;", "Programm: „16“ unbekannt (0 bis 15 oder leer)"},
        {"03:00;04:00;1;9,5;;;Dipol;1000;;;", "Antenne: „Dipol“ unbekannt"},
        {"03:00;04:00;1;9,5;;;0;1000;;;", "Antenne: „0“ unbekannt"},
        {"03:00;04:00;1;9,5;;;;500;;;", "Betrieb: „500“ unbekannt (100, 250, 1000 oder Bereit)"},
        {"03:00;04:00;1;9,5;;;;1000;31.02.2027;;", "gültig ab: „31.02.2027“ gibt es nicht"},
        {"03:00;04:00;1;9,5;;;;1000;;2027-04-01;", "gültig bis: „2027-04-01“ ist kein Datum"},
        {"03:00;04:00;1;9,5;;;;1000;02.04.2027;01.04.2027;", "gültig bis: liegt vor „gültig ab“"},
        {"03:00;04:00;1", "3 Spalten statt 11"},
        {"03:00;04:00;1;9,5;;;;1000;;;;x", "12 Spalten statt 11"},
        {"03:00;04:00;1;9,5;;;;1000;;;\"offen", "Anführungszeichen nicht geschlossen"},
        {"03:00;04:00;1;9,5;;;;1000;;;Gr\xFC\xDF", "kein UTF-8 (Byte 31; als CSV UTF-8 speichern)"},
        {"03:00:30;04:00;1;9,5;;;;1000;;;", "Beginn UTC: „03:00:30“ ist keine Uhrzeit"},
    };
    // Each bad line between good ones, so that the numbers count every line.
    std::string text = std::string(PLAN_FILE_HEADER) + "\r\n# Sommer\r\n";
    int line = 2;
    std::vector<std::pair<int, const BadCase*>> expected;
    for (const BadCase& c : cases) {
        text += std::string(c.line) + "\r\n";
        expected.emplace_back(++line, &c);
        char good[64];
        snprintf(good, sizeof good, "%02d:%02d;%02d:%02d;7;9,5;;;;1000;;;\r\n", line / 60,
                 line % 60, line / 60, line % 60 + 1);
        text += good; // Sundays, one minute each, a minute apart
        ++line;
    }
    const PlanReading r = readPlanFile(text, ANTENNA_NAMES);
    EXPECT_FALSE(r.usable());
    EXPECT_TRUE(r.plan.entries.empty());
    EXPECT_EQ(r.badLines, static_cast<int>(std::size(cases)));
    std::string named;
    for (const PlanProblem& p : r.problems) {
        named += planProblemLine(p) + "\n";
    }
    ASSERT_EQ(r.problems.size(), std::size(cases)) << named;
    for (size_t i = 0; i < expected.size(); ++i) {
        const PlanProblem& p = r.problems[i];
        EXPECT_EQ(p.line, expected[i].first) << expected[i].second->line;
        EXPECT_EQ(p.text.rfind(expected[i].second->problem, 0), 0u)
            << expected[i].second->line << " -> " << p.text;
    }
    EXPECT_EQ(planProblemLine(r.problems[0]), "Zeile 3: Beginn UTC: „25:00“ gibt es nicht");
}

TEST(PlanFile, TheFileAsAWholeBomLineEndsCommentsAndBlankRows) {
    const std::string bomLf =
        "\xEF\xBB\xBF" +
        planText({"# Kommentar", "", ";;;;;;;;;;", "03:00;04:00;1;9,5;;;;1000;;;"}, "\n");
    const PlanReading r = readPlanFile(bomLf, ANTENNA_NAMES);
    ASSERT_TRUE(r.usable());
    ASSERT_EQ(r.plan.entries.size(), 1u);
    EXPECT_EQ(r.plan.entries[0].line, 5);

    const PlanReading noHeader = readPlanFile("03:00;04:00;1;9,5;;;;1000;;;\r\n", ANTENNA_NAMES);
    ASSERT_EQ(noHeader.problems.size(), 1u);
    EXPECT_EQ(noHeader.problems[0].line, 1);
    EXPECT_EQ(noHeader.problems[0].text.rfind("Kopfzeile erwartet", 0), 0u);

    const PlanReading empty = readPlanFile("", ANTENNA_NAMES);
    ASSERT_EQ(empty.problems.size(), 1u);
    EXPECT_EQ(planProblemLine(empty.problems[0]), "Die Datei hat keine Kopfzeile.");
}

TEST(PlanFile, HostileFilesGetANamedErrorNeverACrash) {
    const PlanReading huge = readPlanFile(std::string(PLAN_FILE_MAX_BYTES + 1, 'x'), ANTENNA_NAMES);
    ASSERT_EQ(huge.problems.size(), 1u);
    EXPECT_EQ(huge.problems[0].line, 0);
    EXPECT_EQ(huge.problems[0].text, "Die Datei ist größer als 4 MB.");

    const std::string longLine = std::string(PLAN_LINE_MAX_BYTES + 1, ';');
    const std::string nul("03:00;04:00;1;9,5;;;\0;1000;;;", 29);
    const PlanReading r =
        readPlanFile(planText({longLine.c_str(), "x"}) + nul + "\r\n\xFF\xFE", ANTENNA_NAMES);
    ASSERT_EQ(r.problems.size(), 4u);
    EXPECT_EQ(planProblemLine(r.problems[0]), "Zeile 2: länger als 1024 Bytes");
    EXPECT_EQ(planProblemLine(r.problems[1]), "Zeile 3: 1 Spalten statt 11");
    EXPECT_EQ(planProblemLine(r.problems[2]), "Zeile 4: enthält ein Nullzeichen");
    EXPECT_EQ(planProblemLine(r.problems[3]),
              "Zeile 5: kein UTF-8 (Byte 1; als CSV UTF-8 speichern)");

    // Saved by Excel as plain CSV (Windows-1252): the header's "ü" is named, nothing more.
    std::string ansi = PLAN_FILE_HEADER;
    ansi.replace(ansi.find("\xC3\xBC"), 2, "\xFC");
    const PlanReading excel =
        readPlanFile(ansi + "\r\n03:00;04:00;1;9,5;;;;1000;;;\r\n", ANTENNA_NAMES);
    ASSERT_EQ(excel.problems.size(), 1u);
    EXPECT_EQ(planProblemLine(excel.problems[0]),
              "Zeile 1: kein UTF-8 (Byte 71; als CSV UTF-8 speichern)");

    // A file of nothing but bad lines names the first ones and counts them all.
    std::string many = std::string(PLAN_FILE_HEADER) + "\n";
    for (int i = 0; i < 3 * PLAN_PROBLEM_MAX; ++i) {
        many += "kaputt\n";
    }
    const PlanReading flood = readPlanFile(many, ANTENNA_NAMES);
    EXPECT_EQ(flood.problems.size(), static_cast<size_t>(PLAN_PROBLEM_MAX));
    EXPECT_EQ(flood.badLines, 3 * PLAN_PROBLEM_MAX);
}

struct OverlapCase {
    const char* first;
    const char* second;
    const char* problem; // on line 3, nullptr: the two lines may stand together
};

TEST(PlanFile, TwoEntriesOnAirAtOnceOnOneDayAreRefused) {
    const OverlapCase cases[] = {
        {"03:00;04:00;1;9,5;;;;1000;;;", "03:30;05:00;15;9,5;;;;1000;;;",
         "überschneidet sich am Mo mit Zeile 2"},
        {"03:00;04:00;1;9,5;;;;1000;;;", "04:00;05:00;1;9,5;;;;1000;;;", nullptr},
        {"03:00;04:00;1;9,5;;;;1000;;;", "03:00;04:00;2;9,5;;;;1000;;;", nullptr},
        // Past midnight from Sunday into Monday, and round the week's end.
        {"23:00;01:00;7;9,5;;;;1000;;;", "00:30;02:00;1;9,5;;;;1000;;;",
         "überschneidet sich am Mo mit Zeile 2"},
        {"00:30;02:00;1;9,5;;;;1000;;;", "23:00;01:00;7;9,5;;;;1000;;;",
         "überschneidet sich am So mit Zeile 2"},
        {"22:00;02:00;t\xC3\xA4glich;9,5;;;;1000;;;", "01:00;03:00;3;9,5;;;;1000;;;",
         "überschneidet sich am Mi mit Zeile 2"},
        // Seasons: winter and summer share no day; ones that share a day meet on it only
        // when it is one of both entries' weekdays.
        {"10:00;12:00;1234567;9,5;;;;1000;;30.03.2027;",
         "11:00;13:00;1234567;9,5;;;;1000;31.03.2027;;", nullptr},
        {"10:00;12:00;1234567;9,5;;;;1000;;31.03.2027;",
         "11:00;13:00;1234567;9,5;;;;1000;31.03.2027;;", "überschneidet sich am Mi mit Zeile 2"},
        {"10:00;12:00;1;9,5;;;;1000;;31.03.2027;", "11:00;13:00;1;9,5;;;;1000;31.03.2027;;",
         nullptr},
        // The Sunday night of the last winter day runs into the first summer Monday.
        {"23:00;01:00;7;9,5;;;;1000;;28.03.2027;", "00:00;02:00;1;9,5;;;;1000;29.03.2027;;",
         "überschneidet sich am Mo mit Zeile 2"},
    };
    for (const OverlapCase& c : cases) {
        const PlanReading r = readPlanFile(planText({c.first, c.second}), ANTENNA_NAMES);
        if (c.problem == nullptr) {
            EXPECT_TRUE(r.usable()) << c.first << " / " << c.second << ": "
                                    << (r.problems.empty() ? "" : r.problems[0].text);
            continue;
        }
        ASSERT_EQ(r.problems.size(), 1u) << c.first << " / " << c.second;
        EXPECT_EQ(r.problems[0].line, 3);
        EXPECT_EQ(r.problems[0].text, c.problem) << c.first << " / " << c.second;
    }
}

} // namespace
} // namespace trx
