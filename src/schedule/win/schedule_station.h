// The season schedule on the panel's window: reads the plan file (again when it changes and
// on demand), keeps one timer to the next event through the panel's router, recomputes when
// the clock jumps, asks the operator before it takes over a transmitter on air with other
// values, shows its plan line and alarm on the panel, and tells the journal and the control
// port. The runner's logic is pure (schedule_runner_rules.h); this is its shell.
#ifndef TRXDESK_SCHEDULE_STATION_H
#define TRXDESK_SCHEDULE_STATION_H

#include "app/schedule_settings.h"
#include "schedule/schedule_engine.h"
#include "schedule/schedule_runner.h"
#include "schedule/win/plan_file_watch.h"
#include "shell/schedule_switch.h"
#include "shell/station_events.h"
#include "shell/win/panel_host.h"
#include "shell/win/window_router.h"

#include <windows.h>

#include <optional>
#include <string>

namespace trx {

// UTC seconds now; a test hands in its own clock.
using ScheduleClock = UtcSeconds (*)();
UtcSeconds systemUtcSeconds();

class ScheduleStation final : public ScheduleSwitch, public ScheduleNotices, public LineListener {
  public:
    // Shows the plan line on the panel; `alarm`: a failed change the operator has not yet
    // acknowledged.
    using ShowPlan = void (*)(HWND panel, const char* text, bool alarm);
    // `portNumber`'s key gives the settings and names the file's default place; without the
    // registry (NOREG) the switch is kept for the run only. All must outlive the station.
    ScheduleStation(ScheduleEngine& engine, const Settings& settings, int portNumber,
                    PanelHost& host, ShowPlan showPlan, ScheduleClock clock = systemUtcSeconds);
    ~ScheduleStation() override;
    ScheduleStation(const ScheduleStation&) = delete;
    ScheduleStation& operator=(const ScheduleStation&) = delete;

    // The panel is visible: reads the file, shows the plan line and sets the timer.
    void open(HWND panel, WindowRouter& router);
    // Tells `events` (the journal) of loading, switching, changes and hand operation.
    void tellJournal(StationEvents& events) { journal_ = &events; }
    // Tells the control port's subscribers: "EVENT schedule <text>".
    using EventSink = void (*)(void* context, const char* text);
    void tellEvents(EventSink sink, void* context) { eventSink_ = sink, eventContext_ = context; }

    const std::string& path() const { return path_; }
    const ScheduleRunner& runner() const { return *runner_; }
    UtcSeconds now() const { return clock_(); }
    // A read of the plan file is under way (a share may be slow to answer).
    bool planFileReading() const { return watch_.reading(); }
    // The window, for the message loop's dialog keys; nullptr when none is open.
    HWND window() const { return window_; }

    bool scheduleOn() const override { return runner_->enabled(); }
    void switchSchedule(bool on) override;
    bool runScheduleNow() override;
    void reloadSchedule() override;
    void acknowledgeScheduleAlarm() override;
    void showScheduleWindow() override;
    ScheduleReport scheduleReport() const override;
    void usePort(int portNumber) override;

    void journal(const char* text) override;
    void event(const char* text) override;

    // Hears the engine for the sequencer, and asks for a poll afterwards (posted, never
    // from inside the announcement).
    void linkUp(const RegisterMirror& r) override;
    void linkLost(const RegisterMirror& r) override;
    void portReopened(const RegisterMirror& r) override;
    void resetWhileDown(const RegisterMirror& r) override;
    void reported(int address, int previous, const RegisterMirror& r) override;
    void writeSent(const LineWrite& write, const RegisterMirror& r) override;
    void writeEchoed(const LineWrite& write, const RegisterMirror& r) override;
    void echoMissing(const LineWrite& write, const RegisterMirror& r) override;

    // The window's part (schedule_window.cpp).
    void windowClosed() { window_ = nullptr; }
    void refreshWindow();
    void showHelp(HWND window);

  private:
    // The port's settings, runner and file; its switch as the key says (NOREG: as it was).
    void takePort(int portNumber, bool enabled);
    void poll();
    // A read of the plan file arrived from its thread.
    void fileRead(LPARAM lParam);
    void schedule();
    void show();
    void postPoll();
    void heard();

    ScheduleEngine& engine_;
    const Settings& settings_;
    int portNumber_;
    PanelHost& host_;
    ShowPlan showPlan_;
    ScheduleClock clock_;
    ScheduleSettings scheduleSettings_;
    std::optional<ScheduleRunner> runner_; // one per port: a new transmitter starts afresh
    std::string path_;
    bool defaultPlace_ = true; // no `Sendeplan` value: the file's default place
    HWND panel_ = nullptr;
    HWND window_ = nullptr;
    WindowRouter* router_ = nullptr;
    StationEvents* journal_ = nullptr;
    EventSink eventSink_ = nullptr;
    void* eventContext_ = nullptr;
    bool pollPosted_ = false;
    bool asking_ = false;
    PlanFileWatch watch_; // last: its thread ends first
};

} // namespace trx

#endif
