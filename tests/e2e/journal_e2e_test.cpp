// The operating journal of the real TRXDESK.exe against trxsim: a whole session leaves
// exactly its lines in the day's file, with durations that fit what happened, and the
// journal window shows them; a spreadsheet holding the file shows in the status bar, never
// in a box, and once the file is free the lines come late and the panel holds the file.
#include "journal/journal_csv_text.h"
#include "panel_story.h"

#include <fstream>
#include <iterator>

namespace trx::e2e {
namespace {

constexpr DWORD ALARM_MS = 1500;
constexpr DWORD SILENCE_MS = 5000;
constexpr DWORD PAINT_MS = 500;

struct JournalStory : PanelStory {
    void SetUp() override {
        PanelStory::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "trx-journal-e2e";
        removeFolder();
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, portKey().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Journal", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
        RegCloseKey(key);
    }
    void TearDown() override {
        removeFolder();
        PanelStory::TearDown();
    }
    void removeFolder() {
        const std::string files = folder + "\\Com" + std::to_string(comNumber());
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((files + "\\*.csv").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((files + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(files.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string todaysFile() {
        SYSTEMTIME now;
        GetSystemTime(&now);
        char name[40];
        snprintf(name, sizeof name, "\\Com%d\\%04d-%02d-%02d.csv", comNumber(), now.wYear,
                 now.wMonth, now.wDay);
        return folder + name;
    }
    // The lines of today's file, split into their fields (the header first).
    std::vector<std::vector<std::string>> journalLines() {
        std::ifstream in(todaysFile(), std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(content.rfind("\xEF\xBB\xBF", 0), 0u);
        std::string_view rest(content);
        rest.remove_prefix(std::min<size_t>(3, rest.size()));
        std::vector<std::vector<std::string>> lines;
        std::vector<std::string> fields;
        while (readJournalLine(rest, fields)) {
            lines.push_back(fields);
        }
        return lines;
    }

    std::string folder;
};

double seconds(const std::string& duration) {
    std::string text = duration;
    std::replace(text.begin(), text.end(), ',', '.');
    return text.empty() ? -1 : std::stod(text);
}

TEST_F(JournalStory, ASessionLeavesItsLinesWithTheirDurations) {
    PanelProcess program;
    ASSERT_TRUE(program.start(port()));
    ASSERT_TRUE(showsSimulator(program));
    post(program, IDC_STATE_STANDBY);
    ASSERT_TRUE(received({lineByteFor(OperatingState, STATE_STANDBY)}));

    ASSERT_EQ(sim.command("alarm on"), "OK");
    ASSERT_TRUE(waitFor([&] { return program.backgroundColour(IDC_FREQUENCY) == ALARM_RED; },
                        SHOW_TIMEOUT_MS));
    Sleep(ALARM_MS);
    ASSERT_EQ(sim.command("alarm off"), "OK");
    Sleep(ALARM_MS); // the report that clears the lamp

    ASSERT_EQ(sim.command("silent on"), "OK");
    ASSERT_TRUE(waitFor([&] { return program.controlText(IDC_FREQUENCY) == FREQUENCY_UNKNOWN; },
                        SILENCE_TIMEOUT_MS));
    Sleep(SILENCE_MS);
    ASSERT_EQ(sim.command("silent off"), "OK");
    ASSERT_TRUE(showsSimulator(program));

    // F9 shows the journal beside the panel.
    PostMessageA(program.panel(), WM_KEYDOWN, VK_F9, 0);
    char title[96];
    snprintf(title, sizeof title, "Betriebsjournal - TRXDESK (COM%d mit 1200 Bit/s)", comNumber());
    ASSERT_NE(waitForDialog(title), nullptr);
    Sleep(PAINT_MS);
    program.screenshot("journal-window");
    ASSERT_TRUE(program.close());

    const auto lines = journalLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], (std::vector<std::string>{"Zeit UTC", "Ortszeit", "Quelle", "Ereignis",
                                                  "Register", "alt", "neu", "Text", "Dauer s"}));
    // Everything but the reports, whose number depends on the simulator's own rounds.
    std::vector<std::string> story;
    std::vector<double> durations;
    int reports = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string>& f = lines[i];
        ASSERT_EQ(f.size(), 9u) << i;
        EXPECT_EQ(f[COLUMN_UTC].size(), 24u) << f[COLUMN_UTC];
        if (f[COLUMN_EVENT] == "Meldung") {
            EXPECT_EQ(f[COLUMN_SOURCE], "Sender");
            // A frequency is written whole, once its change has arrived.
            EXPECT_EQ(f[COLUMN_TEXT].find('_'), std::string::npos) << f[COLUMN_TEXT];
            ++reports;
            continue;
        }
        story.push_back(f[COLUMN_SOURCE] + ";" + f[COLUMN_EVENT] + ";" + f[COLUMN_TEXT]);
        durations.push_back(seconds(f[COLUMN_DURATION]));
    }
    char start[96];
    snprintf(start, sizeof start, "Programm;Start;TRXDESK 1.0.0, COM%d mit 1200 Bit/s",
             comNumber());
    EXPECT_EQ(story, (std::vector<std::string>{
                         start,
                         "Programm;Verbindung;hergestellt",
                         "Programm;Befehl;alle Daten angefordert",
                         "Bedienfeld;Befehl;Betriebszustand: Bereit angefordert",
                         "Sender;Alarm;ein",
                         "Sender;Alarm;aus",
                         "Programm;Verbindung;verloren",
                         "Programm;Verbindung;hergestellt",
                         "Programm;Befehl;alle Daten angefordert",
                         "Programm;Ende;geschlossen",
                     }));
    EXPECT_GE(reports, 10); // every register at the first link-up, the frequency in one line
    ASSERT_EQ(durations.size(), 10u);
    std::printf("alarm lasted %.1f s, the link was lost for %.1f s\n", durations[5], durations[7]);
    EXPECT_GE(durations[5], ALARM_MS / 1000.0);
    EXPECT_LT(durations[5], 10.0);
    EXPECT_GE(durations[7], SILENCE_MS / 1000.0);
    EXPECT_LT(durations[7], 15.0);
    for (size_t i : {0, 1, 2, 3, 4, 6, 8, 9}) {
        EXPECT_EQ(durations[i], -1) << story[i];
    }
}

// Opens `path` the way Excel holds a workbook: reading and writing, others may only read.
HANDLE openAsExcelDoes(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Excel held today's file from before the start: the status bar says the journal cannot
// write, no box covers the display, and once Excel lets go the lines are written late and
// the panel holds the file, so that Excel gets it read-only from then on.
TEST_F(JournalStory, ASpreadsheetHoldingTheFileShowsInTheStatusBarNeverInABox) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\Com" + std::to_string(comNumber())).c_str(), nullptr);
    {
        std::ofstream earlier(todaysFile(), std::ios::binary);
        earlier << JOURNAL_FILE_HEAD;
    }
    HANDLE excel = openAsExcelDoes(todaysFile());
    ASSERT_NE(excel, INVALID_HANDLE_VALUE) << GetLastError();
    PanelProcess program;
    ASSERT_TRUE(program.start(port()));
    ASSERT_TRUE(showsSimulator(program));
    // The journal's part is the last, after the season schedule's plan line.
    const bool shown =
        waitFor([&] { return program.statusText(4) == "Journal: Schreibfehler"; }, SHOW_TIMEOUT_MS);
    program.screenshot("journal-trouble");
    CloseHandle(excel);
    ASSERT_TRUE(shown);
    EXPECT_EQ(program.window("#32770"), nullptr); // no box over the display

    ASSERT_TRUE(waitFor([&] { return program.statusText(4).empty(); }, SHOW_TIMEOUT_MS));
    excel = openAsExcelDoes(todaysFile());
    const DWORD error = GetLastError();
    if (excel != INVALID_HANDLE_VALUE) {
        CloseHandle(excel);
    }
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    ASSERT_TRUE(program.close());

    const auto lines = journalLines();
    ASSERT_GE(lines.size(), 4u);
    ASSERT_EQ(lines[1].size(), 9u);
    EXPECT_EQ(lines[1][COLUMN_EVENT], "Start");
    int late = 0;
    for (const auto& fields : lines) {
        ASSERT_EQ(fields.size(), 9u);
        late += fields[COLUMN_TEXT].rfind("wieder geschrieben, ", 0) == 0;
    }
    EXPECT_EQ(late, 1);
    EXPECT_EQ(lines.back()[COLUMN_TEXT], "geschlossen");
}

} // namespace
} // namespace trx::e2e
