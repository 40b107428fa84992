// A journal in a folder of its own, named by a port key's Journal value in the test
// prefix's registry; both are removed before and after each test.
#ifndef TRXDESK_TEST_JOURNAL_WIN_FIXTURE_H
#define TRXDESK_TEST_JOURNAL_WIN_FIXTURE_H

#include "announcer.h"
#include "app/settings_codec.h"
#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"
#include "journal/win/journal.h"
#include "receiver_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace trx::test {

inline void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
    DeleteFileA(path.c_str());
}

// Pumps messages until `done` holds (the journal's writer has its own thread); the deadline
// only keeps a broken journal from hanging the run.
template <typename Done> bool pumpUntil(Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 20000) {
            return false;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    return true;
}

// Every message waiting for this thread, for `ms` milliseconds.
inline void pumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

class JournalFolder : public ::testing::Test {
  protected:
    static constexpr int PORT = 47;

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        base = std::string(temp) + "trx-journal-test";
        removeTree(base);
        settingsKeyPath(PORT, keyPath, sizeof keyPath);
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
        setFolderValue(base.c_str());
        settings.useRegistry = true;
    }
    void TearDown() override {
        journal.reset();
        timers.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
        char otherKey[MAX_PATH];
        settingsKeyPath(PORT + 1, otherKey, sizeof otherKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, otherKey);
        removeTree(base);
    }
    void setFolderValue(const char* folder, int port = PORT) {
        char portKey[MAX_PATH];
        settingsKeyPath(port, portKey, sizeof portKey);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, portKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, JOURNAL_FOLDER_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                       static_cast<DWORD>(strlen(folder) + 1));
        RegCloseKey(key);
    }
    // `file` stands in for the writer's file (a share that hangs, a disk that cuts writes).
    void makeJournal(std::unique_ptr<JournalFile> file = std::make_unique<Win32JournalFile>()) {
        journal = std::make_unique<Journal>(
            settings, [this](const char* text) { statusBar.push_back(text); }, std::move(file));
        announce = std::make_unique<Announcer>(*journal);
        journal->usePort(PORT);
        if (!timers) {
            timers = std::make_unique<trxtest::ReceiverWindow>();
        }
        journal->carryTimers(timers->handle(), timers->router);
    }
    std::string todaysFile(int port = PORT) {
        SYSTEMTIME now;
        GetSystemTime(&now);
        char name[32];
        snprintf(name, sizeof name, "\\Com%d\\%04d-%02d-%02d.csv", port, now.wYear, now.wMonth,
                 now.wDay);
        return base + name;
    }
    // Waits until today's file holds `count` lines after its header.
    bool written(size_t count, int port = PORT) {
        return pumpUntil([&] { return texts(port).size() >= count; });
    }
    // The Text column of each line after the header.
    std::vector<std::string> texts(int port = PORT) {
        const std::string content = readSharedFile(todaysFile(port).c_str());
        std::string_view rest(content);
        std::vector<std::string> fields;
        std::vector<std::string> out;
        readJournalLine(rest, fields); // the header
        while (readJournalLine(rest, fields)) {
            out.push_back(fields.size() > COLUMN_TEXT ? fields[COLUMN_TEXT] : "");
        }
        return out;
    }

    std::string base;
    char keyPath[MAX_PATH] = {};
    Settings settings;
    std::vector<std::string> statusBar; // what the panel's status bar was told
    std::unique_ptr<Journal> journal;
    std::unique_ptr<Announcer> announce;             // the engine's side, for the journal made last
    std::unique_ptr<trxtest::ReceiverWindow> timers; // stands in for the panel
};

} // namespace trx::test

#endif
