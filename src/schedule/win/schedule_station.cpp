#include "schedule/win/schedule_station.h"

#include "app/settings_codec.h"
#include "res/resource.h"
#include "schedule/schedule_file_text.h"

#include <shlobj.h>

#include <cstdio>

namespace trx {

namespace {

constexpr char DEFAULT_SUBFOLDER[] = "TRXDESK\\Sendeplan";
constexpr char CAPTION[] = "Sendeplan";
constexpr size_t SCHEDULE_KEY_NAME_SIZE = 16;
// Windows' longest timer; the timer is set again when it ends before the event.
constexpr UtcSeconds TIMER_MAX_SECONDS = 24 * 3600;
constexpr int64_t FILETIME_PER_SECOND = 10000000;
constexpr int64_t FILETIME_1970 = 116444736000000000LL;

std::string defaultPath(const char* keyName) {
    char base[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
    if ((length == 0 || length >= sizeof base) &&
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) {
        return {};
    }
    char path[MAX_PATH];
    const int n = snprintf(path, sizeof path, "%s\\%s\\%s.csv", base, DEFAULT_SUBFOLDER, keyName);
    return n > 0 && static_cast<size_t>(n) < sizeof path ? path : std::string();
}

} // namespace

UtcSeconds systemUtcSeconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        static_cast<int64_t>((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
    return (ticks - FILETIME_1970) / FILETIME_PER_SECOND;
}

ScheduleStation::ScheduleStation(ScheduleEngine& engine, const Settings& settings, int portNumber,
                                 PanelHost& host, ShowPlan showPlan, ScheduleClock clock)
    : engine_(engine), settings_(settings), host_(host), showPlan_(showPlan), clock_(clock) {
    takePort(portNumber, false);
}

void ScheduleStation::takePort(int portNumber, bool enabled) {
    portNumber_ = portNumber;
    scheduleSettings_ = ScheduleSettings{};
    if (settings_.useRegistry) {
        loadScheduleSettings(portNumber, scheduleSettings_);
    } else {
        scheduleSettings_.enabled = enabled;
    }
    runner_.emplace(engine_, *this, scheduleSettings_.leadSeconds, scheduleSettings_.tuneSeconds);
    char keyName[SCHEDULE_KEY_NAME_SIZE];
    settingsKeyName(portNumber, keyName, sizeof keyName);
    defaultPlace_ = scheduleSettings_.path[0] == '\0';
    path_ = defaultPlace_ ? defaultPath(keyName) : scheduleSettings_.path;
}

// The settings moved the panel to another transmitter: its plan, not the last one's. A change
// under way is dropped with the old port's queue.
void ScheduleStation::usePort(int portNumber) {
    if (portNumber == portNumber_) {
        return;
    }
    watch_.stop();
    takePort(portNumber, runner_->enabled());
    char text[SCHEDULE_TEXT_SIZE];
    snprintf(text, sizeof text, "Schnittstelle gewechselt, Datei %s", path_.c_str());
    journal(text);
    runner_->setEnabled(scheduleSettings_.enabled, now());
    if (panel_) {
        watch_.start(panel_, WM_TRX_SCHEDULE_FILE, path_, defaultPlace_, settings_.antennaNames);
    }
    poll();
}

ScheduleStation::~ScheduleStation() {
    watch_.stop();
    if (window_) {
        DestroyWindow(window_);
    }
    if (router_) {
        router_->forgetTimer(IDT_SCHEDULE);
        router_->forgetMessage(WM_TRX_SCHEDULE_RUN);
        router_->forgetMessage(WM_TRX_SCHEDULE_FILE);
        router_->forgetMessage(WM_TIMECHANGE);
        router_->forgetMessage(WM_POWERBROADCAST);
    }
}

void ScheduleStation::open(HWND panel, WindowRouter& router) {
    panel_ = panel;
    router_ = &router;
    router.onTimer(IDT_SCHEDULE, [this] { poll(); });
    router.onMessage(WM_TRX_SCHEDULE_RUN, [this](WPARAM, LPARAM) {
        pollPosted_ = false;
        poll();
    });
    router.onMessage(WM_TRX_SCHEDULE_FILE, [this](WPARAM, LPARAM read) { fileRead(read); });
    // The clock jumped (synchronised, set by hand) or the machine woke: recompute.
    router.onMessage(WM_TIMECHANGE, [this](WPARAM, LPARAM) { poll(); });
    router.onMessage(WM_POWERBROADCAST, [this](WPARAM event, LPARAM) {
        if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
            poll();
        }
    });
    // On before the file is read: a message about a bad file must not hold the plan off.
    runner_->setEnabled(scheduleSettings_.enabled, now());
    watch_.start(panel_, WM_TRX_SCHEDULE_FILE, path_, defaultPlace_, settings_.antennaNames);
    poll();
}

void ScheduleStation::switchSchedule(bool on) {
    if (on == runner_->enabled()) {
        return;
    }
    runner_->setEnabled(on, now());
    if (settings_.useRegistry) {
        saveScheduleEnabled(portNumber_, on);
    }
    poll();
}

bool ScheduleStation::runScheduleNow() {
    if (!runner_->runNow(now())) {
        return false;
    }
    poll();
    return true;
}

// Answered when the file's thread has read it: a share that hangs holds up nothing here.
void ScheduleStation::reloadSchedule() {
    watch_.readNow(true, settings_.antennaNames);
    refreshWindow();
}

void ScheduleStation::acknowledgeScheduleAlarm() {
    runner_->acknowledge();
    show();
}

ScheduleReport ScheduleStation::scheduleReport() const {
    ScheduleReport report;
    report.mode = !runner_->enabled() ? ScheduleReport::Off
                  : runner_->inHand() ? ScheduleReport::Hand
                                      : ScheduleReport::On;
    Occurrence next;
    if (runner_->nextChange(now(), next)) {
        report.hasNext = true;
        report.nextChange = next.begin;
        formatIsoTime(next.begin, report.nextTime, sizeof report.nextTime);
        formatEntryValues(runner_->plan().entries[static_cast<size_t>(next.entry)], true,
                          report.nextValues, sizeof report.nextValues);
    }
    report.badLines = runner_->badLines();
    report.changesOk = runner_->changesOk();
    report.changesFailed = runner_->changesFailed();
    return report;
}

void ScheduleStation::journal(const char* text) {
    if (journal_) {
        journal_->scheduleEvent(text);
    }
}

void ScheduleStation::event(const char* text) {
    if (eventSink_) {
        eventSink_(eventContext_, text);
    }
}

void ScheduleStation::fileRead(LPARAM lParam) {
    const std::unique_ptr<PlanFileRead> read = watch_.take(lParam);
    if (!read) {
        return; // of a port left since
    }
    PlanReading& reading = read->reading;
    if (!read->readable) {
        if (!read->stamp.exists && !read->byOperator && runner_->plan().entries.empty()) {
            show(); // no plan file yet: nothing to tell
            refreshWindow();
            return;
        }
        reading.badLines = 1;
        reading.problems.push_back(
            PlanProblem{0, read->stamp.exists ? "Datei nicht lesbar" : "Datei nicht vorhanden"});
    }
    const bool tell = runner_->load(reading, now());
    refreshWindow();
    schedule();
    show();
    if (tell && panel_) {
        char caption[SCHEDULE_TEXT_SIZE];
        snprintf(caption, sizeof caption, "%s - %s", CAPTION, settings_.title);
        host_.messageBox(panel_, badPlanMessage(reading).c_str(), caption, MB_ICONWARNING);
    }
}

void ScheduleStation::poll() {
    if (asking_) {
        return; // the operator is being asked: nothing else meanwhile
    }
    if (host_.modal()) {
        postPoll(); // not inside a modal loop of the engine's: after it
        schedule();
        return;
    }
    const UtcSeconds at = now();
    if (const auto question = runner_->poll(at)) {
        asking_ = true;
        char values[SCHEDULE_TEXT_SIZE];
        formatEntryValues(runner_->plan().entries[static_cast<size_t>(question->occurrence.entry)],
                          true, values, sizeof values);
        char text[SCHEDULE_TEXT_SIZE * 2];
        snprintf(text, sizeof text,
                 "Der Sender ist mit anderen Werten auf Sendung.\n\nSoll der Sendeplan ihn jetzt "
                 "übernehmen (%s)?\n\nNein: Handbetrieb bis zum nächsten Eintrag.",
                 values);
        const int answer = host_.messageBox(panel_, text, CAPTION, MB_YESNO | MB_ICONQUESTION);
        asking_ = false;
        runner_->confirm(*question, answer == IDYES, now());
    }
    schedule();
    show();
    refreshWindow();
}

void ScheduleStation::postPoll() {
    if (!pollPosted_ && panel_) {
        pollPosted_ = PostMessageA(panel_, WM_TRX_SCHEDULE_RUN, 0, 0) != 0;
    }
}

void ScheduleStation::schedule() {
    if (!panel_) {
        return;
    }
    const UtcSeconds at = now();
    const UtcSeconds next = runner_->nextWake(at);
    if (next == NO_EVENT) {
        KillTimer(panel_, IDT_SCHEDULE);
        return;
    }
    const UtcSeconds wait = std::min(std::max<UtcSeconds>(next - at, 0), TIMER_MAX_SECONDS);
    // A whole second late rather than early: the event is due when the timer runs.
    SetTimer(panel_, IDT_SCHEDULE, static_cast<UINT>(wait * 1000 + 50), nullptr);
}

void ScheduleStation::show() {
    if (!panel_ || !showPlan_) {
        return;
    }
    char text[SCHEDULE_TEXT_SIZE];
    runner_->formatStatus(now(), text, sizeof text);
    showPlan_(panel_, text, runner_->alarm());
}

// The announcements: the sequencer hears them, and a poll is posted when it must act.
void ScheduleStation::linkUp(const RegisterMirror& r) {
    runner_->listener().linkUp(r);
    heard();
}
void ScheduleStation::linkLost(const RegisterMirror& r) {
    runner_->listener().linkLost(r);
    heard();
}
void ScheduleStation::portReopened(const RegisterMirror& r) {
    runner_->listener().portReopened(r);
    heard();
}
void ScheduleStation::resetWhileDown(const RegisterMirror& r) {
    runner_->listener().resetWhileDown(r);
    heard();
}
void ScheduleStation::reported(int address, int previous, const RegisterMirror& r) {
    runner_->listener().reported(address, previous, r);
    heard();
}
void ScheduleStation::writeSent(const LineWrite& write, const RegisterMirror& r) {
    runner_->listener().writeSent(write, r);
    // The operator's or a client's write may put the plan into hand operation.
    const bool foreign =
        write.source.kind == SourceKind::Panel || write.source.kind == SourceKind::Control;
    if (foreign && runner_->enabled()) {
        postPoll();
    }
    heard();
}
void ScheduleStation::writeEchoed(const LineWrite& write, const RegisterMirror& r) {
    runner_->listener().writeEchoed(write, r);
    heard();
}
void ScheduleStation::echoMissing(const LineWrite& write, const RegisterMirror& r) {
    runner_->listener().echoMissing(write, r);
    heard();
}

void ScheduleStation::heard() {
    if (runner_->wantsPoll()) {
        postPoll();
    }
}

} // namespace trx
