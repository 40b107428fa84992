// The journal on disk: lines appended whole while others read and write the file, the
// folder a port's key names, and a folder that goes away and comes back.
#include "journal_csv_text.h"
#include "journal_win_fixture.h"

namespace trx {

using test::JournalFolder;

TEST_F(JournalFolder, LinesAreAppendedWholeWhileAnotherProgramHasTheFileOpen) {
    makeJournal();
    journal->linkUp();
    // A viewer (or Excel, or a second copy) holds the file open for reading and writing.
    HANDLE reader = CreateFileA(todaysFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
    Win32JournalFiles other; // another copy of TRXDESK on the same key
    ASSERT_TRUE(other.append(todaysFile().c_str(), "x;x;x;x;;;;von nebenan;\r\n"));
    journal->reported(OperatingState, NOT_REPORTED, 1);

    char buffer[4096] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer - 1, &read, nullptr));
    CloseHandle(reader);
    const std::string content(buffer, read);
    EXPECT_EQ(content.rfind(JOURNAL_FILE_HEAD, 0), 0u) << content;
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"hergestellt", "von nebenan", "Betriebszustand: Bereit"}));
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    EXPECT_TRUE(messages.empty());
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

TEST_F(JournalFolder, AFolderThatGoesAndComesBackGetsEveryLineLateAndOneMessage) {
    makeJournal();
    journal->linkUp();
    test::pumpMessages(1600); // the quiet line lets go of the file
    // The share goes offline: in its place a file, so no folder can be made either.
    test::removeTree(base);
    HANDLE blocker = CreateFileA(base.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    for (int level = 1; level <= 5; ++level) {
        journal->reported(PowerLevel, NOT_REPORTED, level);
    }
    test::pumpMessages(100);
    ASSERT_EQ(messages.size(), 1u);
    const std::string expected =
        "Das Betriebsjournal kann nicht geschrieben werden:\n" + todaysFile() + "\n";
    EXPECT_EQ(messages[0].substr(0, expected.size()), expected);
    EXPECT_GT(messages[0].size(), expected.size()); // the system's reason follows
    journal->linkLost();

    // Back again: the waiting lines are written on the retry timer, oldest first.
    DeleteFileA(base.c_str());
    test::pumpMessages(2500);
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"Leistungsanzeige 1 von 7", "Leistungsanzeige 2 von 7",
                                        "Leistungsanzeige 3 von 7", "Leistungsanzeige 4 von 7",
                                        "Leistungsanzeige 5 von 7", "verloren",
                                        "wieder geschrieben, 6 Zeilen nachgetragen"}));
    journal->linkUp();
    EXPECT_EQ(texts().back(), "hergestellt");
    EXPECT_EQ(messages.size(), 1u);
}

} // namespace trx
