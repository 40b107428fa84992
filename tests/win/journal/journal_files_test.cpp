// The journal on disk: the day's file held all day, so that a spreadsheet gets it read-only
// and the journal goes on; lines appended whole while others read and write; the folder a
// port's key names; a file a spreadsheet held since before the run and a disk that cuts a
// write short, shown in the status bar and never in a box; a share that hangs, which holds
// up nothing but the writer; a line read while it is being written.
#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"
#include "journal/journal_window_rules.h"
#include "journal/journal_writer.h"
#include "journal_win_fixture.h"

#include "shell/cp1252_text.h"
#include <memory>

namespace trx {

using test::JournalFolder;

namespace {

// Opens `path` the way Excel holds a workbook: reading and writing, others may only read.
HANDLE openAsExcelDoes(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The writer's file, with a gate that holds writes up (a share that hangs) and a cut that
// lets only the first bytes of the next write arrive and then fails it (a disk that fills).
// The gate is shared: the writer may still hold it after the journal has given up waiting.
struct Gate {
    Gate()
        : open(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
          afterWrite(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}
    ~Gate() {
        CloseHandle(open);
        CloseHandle(afterWrite);
    }
    HANDLE open;
    HANDLE afterWrite; // holds the writer with its line in the file, before it knows so
    volatile LONG writesStarted = 0;
    volatile LONG cutTo = -1;
};

// Opens the gate when the test ends, also when it ends early: a writer left hanging would
// hold the folder open for the tests after it.
struct OpenAtEnd {
    ~OpenAtEnd() {
        SetEvent(gate.open);
        SetEvent(gate.afterWrite);
    }
    Gate& gate;
};

// Closes a handle when the test ends, also when it ends early.
struct Held {
    ~Held() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    HANDLE handle;
};

class GatedFile : public JournalFile {
  public:
    explicit GatedFile(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
    bool open(const char* path) override { return file_.open(path); }
    void close() override { file_.close(); }
    bool size(int64_t& bytes) override { return file_.size(bytes); }
    bool write(const char* data, size_t size, size_t& written) override {
        InterlockedIncrement(&gate_->writesStarted);
        WaitForSingleObject(gate_->open, INFINITE);
        const LONG cut = InterlockedExchange(&gate_->cutTo, -1);
        if (cut >= 0) {
            file_.write(data, static_cast<size_t>(cut), written);
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        const bool ok = file_.write(data, size, written);
        WaitForSingleObject(gate_->afterWrite, INFINITE);
        return ok;
    }
    bool truncate(int64_t bytes) override { return file_.truncate(bytes); }
    std::string reason() const override { return "Der Datenträger ist voll"; }

  private:
    std::shared_ptr<Gate> gate_;
    Win32JournalFile file_;
};

} // namespace

// The old journal let go of the file after a quiet second; a spreadsheet that took it then
// made every later write fail. Now the file is held from its first line on: the spreadsheet
// can only read it, and the journal writes on.
TEST_F(JournalFolder, ASpreadsheetGetsTheDaysFileReadOnlyAndTheJournalGoesOn) {
    makeJournal();
    announce->linkUp();
    ASSERT_TRUE(written(1));
    test::pumpMessages(1600); // a quiet line
    HANDLE excel = openAsExcelDoes(todaysFile());
    const DWORD error = GetLastError();
    if (excel != INVALID_HANDLE_VALUE) {
        CloseHandle(excel);
    }
    EXPECT_EQ(excel, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // What Excel does then: it opens the file read-only, and keeps it open.
    const Held readOnly{CreateFileA(todaysFile().c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)};
    ASSERT_NE(readOnly.handle, INVALID_HANDLE_VALUE) << GetLastError();
    announce->reported(OperatingState, 1);
    announce->linkLost();
    ASSERT_TRUE(written(3));
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"hergestellt", "Betriebszustand: Bereit", "verloren"}));
    test::pumpMessages(300);
    EXPECT_TRUE(statusBar.empty());
}

TEST_F(JournalFolder, LinesAreAppendedWholeWhileAnotherProgramHasTheFileOpen) {
    makeJournal();
    announce->linkUp();
    ASSERT_TRUE(written(1));
    // A viewer (or a second copy) holds the file open for reading and writing, sharing both.
    const Held reader{CreateFileA(todaysFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE) << GetLastError();
    Win32JournalFile other; // another copy of TRXDESK on the same key
    ASSERT_TRUE(other.open(todaysFile().c_str()));
    const std::string foreign = "x;x;x;x;;;;von nebenan;\r\n";
    size_t count = 0;
    ASSERT_TRUE(other.write(foreign.data(), foreign.size(), count));
    announce->reported(OperatingState, 1);
    ASSERT_TRUE(written(3));

    char buffer[4096] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader.handle, buffer, sizeof buffer - 1, &read, nullptr));
    const std::string content(buffer, read);
    EXPECT_EQ(content.rfind(JOURNAL_FILE_HEAD, 0), 0u) << content;
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"hergestellt", "von nebenan", "Betriebszustand: Bereit"}));
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

TEST_F(JournalFolder, ThePortKeysJournalValueNamesTheFolderElseLocalAppData) {
    char folder[MAX_PATH];
    ASSERT_TRUE(journalFolder(PORT, true, folder, sizeof folder));
    EXPECT_EQ(std::string(folder), base);

    char local[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local), 0u);
    const std::string fallback = std::string(local) + "\\TRXDESK\\Journal";
    ASSERT_TRUE(journalFolder(PORT, false, folder, sizeof folder)); // NOREG
    EXPECT_EQ(std::string(folder), fallback);
    ASSERT_TRUE(journalFolder(PORT + 1, true, folder, sizeof folder)); // a key without it
    EXPECT_EQ(std::string(folder), fallback);
    setFolderValue("");
    ASSERT_TRUE(journalFolder(PORT, true, folder, sizeof folder));
    EXPECT_EQ(std::string(folder), fallback);
}

// Another port's key within the same second: its line goes to its own file at once.
TEST_F(JournalFolder, AnotherPortsKeyTakesTheNextLineAtOnce) {
    setFolderValue(base.c_str(), PORT + 1);
    makeJournal();
    announce->linkUp();
    journal->usePort(PORT + 1);
    journal->portChanged("COM48 mit 1200 Bit/s");
    ASSERT_TRUE(written(1, PORT + 1));
    journal->finish();
    EXPECT_EQ(texts(PORT), std::vector<std::string>{"hergestellt"});
    EXPECT_EQ(texts(PORT + 1), std::vector<std::string>{"COM48 mit 1200 Bit/s"});
}

// The folder chosen in the settings dialog takes the next line, and holds for the port
// keys that follow in the run.
TEST_F(JournalFolder, AFolderChosenInTheSettingsTakesTheNextLine) {
    makeJournal();
    announce->linkUp();
    const std::string chosen = base + "\\gewählt";
    journal->useFolder(chosen.c_str());
    journal->portChanged("COM47 mit 1200 Bit/s");
    journal->usePort(PORT + 1);
    journal->portChanged("COM48 mit 1200 Bit/s");
    const std::string moved = base;
    base = chosen;
    ASSERT_TRUE(written(1, PORT + 1));
    // Each folder names the other: the trail is not lost.
    const std::string oldKeyFolder = moved + "\\Com47";
    const std::string newKeyFolder = chosen + "\\Com47";
    EXPECT_EQ(texts(PORT), (std::vector<std::string>{"fortgesetzt aus " + oldKeyFolder,
                                                     "COM47 mit 1200 Bit/s"}));
    EXPECT_EQ(texts(PORT + 1), std::vector<std::string>{"COM48 mit 1200 Bit/s"});
    base = moved;
    journal->finish();
    EXPECT_EQ(texts(PORT), (std::vector<std::string>{"hergestellt",
                                                     "weiter in " + utf8FromCp1252(newKeyFolder)}));
}

// A spreadsheet that held the file before the run, or a folder that cannot be made: the
// status bar and the journal window say so, the panel works on, and once the file is free
// every line is written late, oldest first, and the status bar is clear again.
TEST_F(JournalFolder, AFileThatCannotBeWrittenShowsInTheStatusBarUntilTheLinesAreWritten) {
    makeJournal();
    announce->linkUp();
    ASSERT_TRUE(written(1));
    journal.reset(); // an earlier run of today
    statusBar.clear();
    Held excel{openAsExcelDoes(todaysFile())};
    ASSERT_NE(excel.handle, INVALID_HANDLE_VALUE) << GetLastError();

    makeJournal();
    for (int level = 1; level <= 3; ++level) {
        announce->reported(PowerLevel, level);
    }
    ASSERT_TRUE(test::pumpUntil([&] { return !statusBar.empty(); }));
    EXPECT_EQ(statusBar, std::vector<std::string>{JOURNAL_STATUS_TROUBLE});
    const std::string shown = journal->trouble();
    EXPECT_NE(shown.find("(3 Zeilen warten)"), std::string::npos) << shown;
    EXPECT_NE(shown.find(todaysFile()), std::string::npos) << shown;
    announce->linkLost();

    CloseHandle(excel.handle); // Excel closed the workbook
    excel.handle = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(test::pumpUntil([&] { return statusBar.size() == 2; }));
    EXPECT_EQ(statusBar.back(), "");
    EXPECT_EQ(journal->trouble(), "");
    ASSERT_TRUE(written(6));
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"hergestellt", "Leistungsanzeige 1 von 7",
                                        "Leistungsanzeige 2 von 7", "Leistungsanzeige 3 von 7",
                                        "verloren", "wieder geschrieben, 4 Zeilen nachgetragen"}));
}

// A disk that takes only part of a line: the part is cut off again and the line written
// whole, so that Excel never reads a broken line.
TEST_F(JournalFolder, ALineCutShortOnDiskIsTakenBackAndWrittenWholeLater) {
    auto gate = std::make_shared<Gate>();
    makeJournal(std::make_unique<GatedFile>(gate));
    announce->linkUp();
    ASSERT_TRUE(written(1));
    gate->cutTo = 20;
    announce->reported(OperatingState, 1);
    ASSERT_TRUE(test::pumpUntil([&] { return !statusBar.empty(); }));
    EXPECT_EQ(texts(), std::vector<std::string>{"hergestellt"}); // nothing of the cut line
    ASSERT_TRUE(written(3));
    const std::string content = readSharedFile(todaysFile().c_str());
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"hergestellt", "Betriebszustand: Bereit",
                                                 "wieder geschrieben, 1 Zeilen nachgetragen"}));
}

// An offline share can take 30 s to fail a write. The panel's thread never waits for it: the
// engine's calls return while the write hangs, and the lines follow once it returns.
TEST_F(JournalFolder, AShareThatHangsNeverHoldsUpThePanel) {
    auto gate = std::make_shared<Gate>();
    OpenAtEnd openAtEnd{*gate};
    ResetEvent(gate->open);
    makeJournal(std::make_unique<GatedFile>(gate));
    announce->linkUp();
    ASSERT_TRUE(test::pumpUntil([&] { return gate->writesStarted == 1; }));
    for (int level = 1; level <= 7; ++level) {
        announce->reported(PowerLevel, level); // returns though the write hangs
    }
    test::pumpMessages(300);
    EXPECT_TRUE(statusBar.empty()); // hanging is not failing
    SetEvent(gate->open);
    ASSERT_TRUE(written(8));
    const std::vector<std::string> lines = texts();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.back(), "Leistungsanzeige 7 von 7");
}

// The journal window and "Kopie öffnen" read today's file while the writer has just put a
// line into it: the line shows once.
TEST_F(JournalFolder, ALineJustWrittenIsReadOnce) {
    auto gate = std::make_shared<Gate>();
    OpenAtEnd openAtEnd{*gate};
    ResetEvent(gate->afterWrite);
    makeJournal(std::make_unique<GatedFile>(gate));
    announce->linkUp();
    ASSERT_TRUE(test::pumpUntil([&] { return texts().size() == 1; })); // in the file
    EXPECT_EQ(journal->recentLines(10).size(), 1u);
    char copy[MAX_PATH];
    ASSERT_TRUE(journal->copyToday(copy, sizeof copy));
    const std::string copied = readSharedFile(copy);
    DeleteFileA(copy);
    EXPECT_EQ(copied, readSharedFile(todaysFile().c_str()));
    SetEvent(gate->afterWrite);
}

// A night shift opens the window after 00:00 UTC: it still sees its evening, the last 24
// hours from yesterday's file and then today's, nothing older.
TEST_F(JournalFolder, TheWindowShowsTheLast24HoursAcrossTheUtcDay) {
    FILETIME fileTime;
    GetSystemTimeAsFileTime(&fileTime);
    const int64_t now = static_cast<int64_t>(
        (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32 | fileTime.dwLowDateTime) / 10000 -
        11644473600000LL);
    const int64_t yesterdayStart = (now / JOURNAL_MS_PER_DAY - 1) * JOURNAL_MS_PER_DAY;
    std::string yesterday = JOURNAL_FILE_HEAD;
    for (const auto& [utcMs, text] : {std::pair<int64_t, const char*>{yesterdayStart, "zu alt"},
                                      {now - JOURNAL_WINDOW_SPAN_MS + 60000, "Abend"}}) {
        JournalRecord r;
        r.time.utcMs = utcMs;
        snprintf(r.text, sizeof r.text, "%s", text);
        yesterday += journalLine(r);
    }
    char path[MAX_PATH];
    ASSERT_TRUE(
        journalFilePath(base.c_str(), "Com47", now - JOURNAL_MS_PER_DAY, path, sizeof path));
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA((base + "\\Com47").c_str(), nullptr);
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    fwrite(yesterday.data(), 1, yesterday.size(), file);
    fclose(file);

    makeJournal();
    announce->linkUp();
    ASSERT_TRUE(written(1));
    std::vector<std::string> shown;
    for (const std::string& line : journal->recentLines(JOURNAL_WINDOW_LINES)) {
        JournalRow row;
        ASSERT_TRUE(journalRow(line, row)) << line;
        shown.push_back(row.cells[3]);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Abend", "hergestellt"}));
}

} // namespace trx
