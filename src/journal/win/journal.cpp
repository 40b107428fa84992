#include "journal/win/journal.h"

#include "app/settings_codec.h"
#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"
#include "journal/journal_window_rules.h"
#include "protocol/line_port.h"
#include "res/resource.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

// 100 ns intervals from 1601 to 1970.
constexpr int64_t FILETIME_1970 = 116444736000000000;
constexpr int64_t FILETIME_PER_MS = 10000;
// How often the panel's thread asks the writer how it fares while lines come or wait, and
// for how many quiet rounds after that: starting the timer for each line would cost the
// panel a round trip to Wine's server each time.
constexpr UINT HEAR_WRITER_MS = 250;
constexpr int QUIET_HEARINGS = 4;
// The window property that leads a timer of the carrying window back to its journal.
constexpr size_t KEY_PATH_SIZE = 96;
constexpr size_t TROUBLE_TEXT_SIZE = JOURNAL_PATH_SIZE + JOURNAL_REASON_SIZE + 96;
constexpr int COPY_ATTEMPTS = 20;

constexpr int64_t MS_PER_MINUTE = 60000;

int64_t msSince1970(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return (static_cast<int64_t>(ticks.QuadPart) - FILETIME_1970) / FILETIME_PER_MS;
}

// For the writer's thread, which only needs to know when a day ends.
int64_t utcNowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return msSince1970(now);
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

Journal::Journal(const Settings& settings, ShowTrouble showTrouble,
                 std::unique_ptr<JournalFile> file)
    : settings_(settings), showTrouble_(std::move(showTrouble)),
      thread_(std::move(file), utcNowMs) {
    usePort(NO_PORT);
}

Journal::~Journal() {
    if (router_ != nullptr) {
        router_->forgetTimer(IDT_JOURNAL_WRITER);
        if (IsWindow(timerWindow_)) {
            KillTimer(timerWindow_, IDT_JOURNAL_WRITER);
        }
    }
    finish();
}

void Journal::carryTimers(HWND window, WindowRouter& router) {
    timerWindow_ = window;
    router_ = &router;
    router.onTimer(IDT_JOURNAL_WRITER, [this] { hearWriter(); });
}

void Journal::folderFor(int portNumber, char* folder, size_t size) const {
    if (chosenFolder_ && !chosenFolder_->empty()) {
        snprintf(folder, size, "%s", chosenFolder_->c_str());
    } else {
        journalFolder(portNumber, settings_.useRegistry && !chosenFolder_, folder, size);
    }
}

void Journal::usePort(int portNumber) {
    char folder[JOURNAL_PATH_SIZE];
    portNumber_ = portNumber;
    folderFor(portNumber, folder, sizeof folder);
    char key[KEY_PATH_SIZE];
    settingsKeyName(portNumber, key, sizeof key);
    writer_.setPlace(folder, key);
}

void Journal::useFolder(const char* folder) {
    char before[JOURNAL_PATH_SIZE];
    keyFolder(before, sizeof before);
    chosenFolder_ = folder;
    char place[JOURNAL_PATH_SIZE];
    folderFor(portNumber_, place, sizeof place);
    char key[KEY_PATH_SIZE];
    settingsKeyName(portNumber_, key, sizeof key);
    char after[JOURNAL_PATH_SIZE];
    snprintf(after, sizeof after, "%s\\%s", place, key);
    const bool moves = strcmp(before, after) != 0;
    char text[JOURNAL_TEXT_SIZE];
    // The last line where the journal was names where it goes on, and the first line there
    // names where it came from.
    if (moves) {
        snprintf(text, sizeof text, "weiter in %s", after);
        recorder_.folderChanged(text);
    }
    writer_.setPlace(place, key);
    if (moves) {
        snprintf(text, sizeof text, "fortgesetzt aus %s", before);
        recorder_.folderChanged(text);
    }
}

void Journal::started(const char* version, const char* connection) {
    recorder_.started(version, connection);
}

void Journal::ended(JournalRecorder::Ending how) {
    recorder_.ended(how);
}

void Journal::finish() {
    if (!finished_) {
        finished_ = true;
        thread_.finish(JOURNAL_FINISH_WAIT_MS);
    }
}

void Journal::portChanged(const char* text) {
    recorder_.portChanged(text);
}

void Journal::keyFolder(char* out, size_t size) const {
    snprintf(out, size, "%s\\%s", writer_.folder(), writer_.key());
}

void Journal::dayFile(char* out, size_t size) {
    journalFilePath(writer_.folder(), writer_.key(), clock_.now().utcMs, out, size);
}

// The file of the UTC day of `utcMs` as far as the writer's own lines reach (a line being
// written is still waiting), then the waiting lines: each line once.
std::string Journal::contentOfDay(int64_t utcMs) {
    char path[JOURNAL_PATH_SIZE];
    journalFilePath(writer_.folder(), writer_.key(), utcMs, path, sizeof path);
    std::vector<std::string> waiting;
    const int64_t written = thread_.snapshot(path, waiting);
    return writtenAndWaiting(readSharedFile(path, written), written >= 0, waiting);
}

std::string Journal::todaysContent() {
    return contentOfDay(clock_.now().utcMs);
}

namespace {

// The lines after a file's header; one line may hold quoted line breaks: each is taken whole,
// as the parser sees it. With `sinceUtcMs` only those written from then on.
void appendLines(const std::string& content, int64_t sinceUtcMs, std::vector<std::string>& lines) {
    std::string_view rest = content;
    if (rest.substr(0, strlen(JOURNAL_FILE_HEAD)) == JOURNAL_FILE_HEAD) {
        rest.remove_prefix(strlen(JOURNAL_FILE_HEAD));
    }
    while (!rest.empty()) {
        std::string_view before = rest;
        std::vector<std::string> fields;
        readJournalLine(rest, fields);
        const std::string_view line = before.substr(0, before.size() - rest.size());
        int64_t utcMs = 0;
        if (sinceUtcMs == INT64_MIN || (readUtcColumn(line, utcMs) && utcMs >= sinceUtcMs)) {
            lines.emplace_back(line);
        }
    }
}

} // namespace

// The window spans the change of the UTC day: the end of yesterday's file, then today's.
std::vector<std::string> Journal::recentLines(size_t limit) {
    const int64_t now = clock_.now().utcMs;
    std::vector<std::string> lines;
    appendLines(contentOfDay(now - JOURNAL_MS_PER_DAY), now - JOURNAL_WINDOW_SPAN_MS, lines);
    appendLines(contentOfDay(now), INT64_MIN, lines);
    if (lines.size() > limit) {
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
    }
    return lines;
}

bool Journal::copyToday(char* out, size_t size) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        return false;
    }
    const std::string content = todaysContent();
    const int64_t now = clock_.now().utcMs;
    // A copy made in the same second may still be open in the spreadsheet: a new name.
    for (int attempt = 1; attempt <= COPY_ATTEMPTS; ++attempt) {
        if (!journalCopyPath(temp, writer_.key(), now, attempt, out, size)) {
            return false;
        }
        if (writeNewFile(out, content)) {
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

// A frequency change waits for its last digits: the timer that hears the writer settles it.
void Journal::reported(int address, int previous, const RegisterMirror& r) {
    recorder_.reported(address, previous, r);
    if (recorder_.frequencyPending()) {
        hear();
    }
}

void Journal::hear() {
    quietHearings_ = 0;
    if (!hearing_ && timerWindow_ != nullptr) {
        hearing_ = SetTimer(timerWindow_, IDT_JOURNAL_WRITER, HEAR_WRITER_MS, nullptr) != 0;
    }
}

void Journal::add(const std::string& path, int64_t utcDay, const std::string& line) {
    thread_.add(path, utcDay, line);
    hear();
    if (feed_) {
        feed_(line);
    }
}

// On the panel's thread: trouble shown or cleared, the line that ends an episode of waiting,
// and the timer stopped once nothing is outstanding.
void Journal::hearWriter() {
    recorder_.settle();
    const JournalWriterState state = thread_.state();
    if (state.caughtUp) {
        writer_.rewritten(clock_.now(), state.episode.writtenLate, state.episode.lost);
    }
    char text[TROUBLE_TEXT_SIZE] = "";
    if (state.trouble.failing) {
        journalTroubleText(state.trouble.path.c_str(), state.trouble.reason.c_str(), state.waiting,
                           text, sizeof text);
    }
    if (trouble_ != text) {
        const bool wasFailing = !trouble_.empty();
        trouble_ = text;
        if (showTrouble_ && wasFailing != state.trouble.failing) {
            showTrouble_(state.trouble.failing ? JOURNAL_STATUS_TROUBLE : "");
        }
        if (troubleFeed_) {
            troubleFeed_();
        }
    }
    const bool quiet = !state.trouble.failing && state.waiting == 0 && !state.caughtUp &&
                       !recorder_.frequencyPending();
    quietHearings_ = quiet ? quietHearings_ + 1 : 0;
    if (quietHearings_ >= QUIET_HEARINGS) {
        KillTimer(timerWindow_, IDT_JOURNAL_WRITER);
        hearing_ = false;
    }
}

} // namespace trx
