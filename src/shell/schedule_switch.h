// What the panel and the control port ask of the season schedule, without knowing it: its
// switch, "Plan jetzt ausführen", reading its file again, the alarm's acknowledgement, its
// window and what it reports. The entry point hands the schedule to both.
#ifndef TRXDESK_SCHEDULE_SWITCH_H
#define TRXDESK_SCHEDULE_SWITCH_H

#include <cstdint>

namespace trx {

constexpr int SCHEDULE_VALUES_SIZE = 96;
constexpr int SCHEDULE_TIME_SIZE = 24;

// The control port's view: `get schedule` and the metrics.
struct ScheduleReport {
    enum Mode : uint8_t { Off, On, Hand };
    Mode mode = Off;
    bool hasNext = false;
    int64_t nextChange = 0;                 // UTC seconds of the next entry's begin
    char nextTime[SCHEDULE_TIME_SIZE] = {}; // the same as "2026-12-08T03:00:00Z"
    char nextValues[SCHEDULE_VALUES_SIZE] = {};
    int badLines = 0; // of the file last read; 0: ok
    int changesOk = 0;
    int changesFailed = 0;
};

class ScheduleSwitch {
  public:
    virtual ~ScheduleSwitch() = default;
    virtual bool scheduleOn() const = 0;
    // Persisted per port; journaled.
    virtual void switchSchedule(bool on) = 0;
    // False while the plan is off: nothing runs.
    virtual bool runScheduleNow() = 0;
    virtual void reloadSchedule() = 0;
    // The operator saw the alarm of a failed change.
    virtual void acknowledgeScheduleAlarm() = 0;
    // The window "Sendeplan…", owned by the panel.
    virtual void showScheduleWindow() = 0;
    virtual ScheduleReport scheduleReport() const = 0;
    // The settings moved the panel to another port: that port's plan and switch.
    virtual void usePort(int portNumber) = 0;
};

} // namespace trx

#endif
