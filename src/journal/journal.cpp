#include "journal.h"

#include "journal_csv_text.h"
#include "journal_path_rules.h"
#include "line_port.h"
#include "res/resource.h"
#include "settings_codec.h"

#include <cstdio>

namespace trx {

namespace {

// 100 ns intervals from 1601 to 1970.
constexpr int64_t FILETIME_1970 = 116444736000000000;
constexpr int64_t FILETIME_PER_MS = 10000;
constexpr UINT RETRY_PERIOD_MS = 2000;
// The file closes when no line came for a second; checked twice a second while it is open.
constexpr DWORD IDLE_CLOSE_MS = 1000;
constexpr UINT IDLE_CHECK_MS = 500;
// The window property that leads a timer of the carrying window back to its journal.
constexpr char JOURNAL_PROPERTY[] = "TRXDESK.Journal";
constexpr size_t KEY_PATH_SIZE = 96;

constexpr int64_t MS_PER_MINUTE = 60000;

int64_t msSince1970(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return (static_cast<int64_t>(ticks.QuadPart) - FILETIME_1970) / FILETIME_PER_MS;
}

} // namespace

JournalTime Win32JournalClock::now() {
    FILETIME fileTime;
    GetSystemTimeAsFileTime(&fileTime);
    JournalTime time;
    time.utcMs = msSince1970(fileTime);
    const int64_t minute = time.utcMs / MS_PER_MINUTE;
    if (minute != minute_) {
        SYSTEMTIME utc;
        SYSTEMTIME local;
        FILETIME localTime;
        minute_ = minute;
        offsetMs_ = FileTimeToSystemTime(&fileTime, &utc) &&
                            SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) &&
                            SystemTimeToFileTime(&local, &localTime)
                        ? msSince1970(localTime) - time.utcMs
                        : 0;
    }
    time.local = civilFromUtc(time.utcMs + offsetMs_);
    return time;
}

Journal::Journal(const Settings& settings, ShowError showError)
    : settings_(settings), showError_(std::move(showError)) {
    usePort(NO_PORT);
}

Journal::~Journal() {
    if (timerWindow_ != nullptr && IsWindow(timerWindow_)) {
        for (UINT_PTR timer : {IDT_JOURNAL_RETRY, IDT_JOURNAL_MESSAGE, IDT_JOURNAL_IDLE}) {
            KillTimer(timerWindow_, timer);
        }
        RemovePropA(timerWindow_, JOURNAL_PROPERTY);
    }
}

void Journal::carryTimers(HWND window) {
    timerWindow_ = window;
    SetPropA(window, JOURNAL_PROPERTY, this);
}

void Journal::usePort(int portNumber) {
    char keyPath[KEY_PATH_SIZE];
    char folder[JOURNAL_PATH_SIZE];
    if (!settingsKeyPath(portNumber, keyPath, sizeof keyPath)) {
        settingsKeyPath(NO_PORT, keyPath, sizeof keyPath);
    }
    journalFolder(portNumber, settings_.useRegistry, folder, sizeof folder);
    char key[KEY_PATH_SIZE];
    journalKeyName(keyPath, key, sizeof key);
    writer_.setPlace(folder, key);
}

void Journal::started(const char* version, const char* connection) {
    recorder_.started(version, connection);
}

void Journal::ended(JournalRecorder::Ending how) {
    recorder_.ended(how);
}

void Journal::portChanged(const char* text) {
    recorder_.portChanged(text);
}

void Journal::keyFolder(char* out, size_t size) const {
    snprintf(out, size, "%s\\%s", writer_.folder(), writer_.key());
}

std::vector<std::string> Journal::todaysLines(size_t limit) {
    char path[JOURNAL_PATH_SIZE];
    journalFilePath(writer_.folder(), writer_.key(), clock_.now().utcMs, path, sizeof path);
    const std::string file = readSharedFile(path);
    std::string_view rest = file;
    const size_t head = strlen(JOURNAL_FILE_HEAD);
    if (rest.substr(0, head) == JOURNAL_FILE_HEAD) {
        rest.remove_prefix(head);
    }
    std::vector<std::string> lines;
    while (!rest.empty()) {
        // One line may hold quoted line breaks: take it whole, as the parser sees it.
        std::string_view before = rest;
        std::vector<std::string> fields;
        readJournalLine(rest, fields);
        lines.emplace_back(before.substr(0, before.size() - rest.size()));
    }
    for (std::string& waiting : writer_.waitingLines()) {
        lines.push_back(std::move(waiting));
    }
    if (lines.size() > limit) {
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
    }
    return lines;
}

bool Journal::retry() {
    return writer_.retry(clock_.now());
}

void Journal::firstFailure(const char* path) {
    snprintf(failure_, sizeof failure_,
             "Das Betriebsjournal kann nicht geschrieben werden:\n%s\n%s", path, files_.reason());
    // From now on waiting lines are tried again even when nothing new happens.
    startTimer(IDT_JOURNAL_RETRY, RETRY_PERIOD_MS);
    // The message box is shown from the timer, after the engine's call has returned: its
    // modal loop would otherwise hand the engine the next byte while it is still in this one.
    startTimer(IDT_JOURNAL_MESSAGE, 0);
}

void Journal::startTimer(UINT_PTR timer, UINT periodMs) {
    if (timerWindow_ != nullptr) {
        SetTimer(timerWindow_, timer, periodMs, onTimer);
    }
}

VOID CALLBACK Journal::onTimer(HWND window, UINT, UINT_PTR timer, DWORD) {
    auto* journal = static_cast<Journal*>(GetPropA(window, JOURNAL_PROPERTY));
    if (journal == nullptr) {
        return;
    }
    if (timer == IDT_JOURNAL_MESSAGE) {
        KillTimer(window, IDT_JOURNAL_MESSAGE);
        if (journal->showError_) {
            journal->showError_(journal->failure_);
        }
    } else if (timer == IDT_JOURNAL_IDLE) {
        if (journal->files_.closeIfIdle(IDLE_CLOSE_MS)) {
            KillTimer(window, IDT_JOURNAL_IDLE);
            journal->idleTimerRunning_ = false;
        }
    } else {
        journal->retry();
    }
}

void Journal::lineAdded(const std::string& line) {
    if (!idleTimerRunning_) {
        idleTimerRunning_ = true;
        startTimer(IDT_JOURNAL_IDLE, IDLE_CHECK_MS);
    }
    if (feed_) {
        feed_(line);
    }
}

} // namespace trx
