// The season schedule's values in a port's registry key: REG_DWORD SendeplanAktiv (off by
// default), Vorlauf and Abstimmzeit (seconds, 60 by default), REG_SZ Sendeplan (the plan
// file; empty: the default place).
#ifndef TRXDESK_SCHEDULE_SETTINGS_H
#define TRXDESK_SCHEDULE_SETTINGS_H

namespace trx {

constexpr int SCHEDULE_PATH_SIZE = 260;
// `Vorlauf`: a change begins this long before its entry, so that the transmitter is on air at
// the begin. `Abstimmzeit`: from the tune request, the transmitter has this long to report
// every value asked for (a step without tune has as long for its own). Longer ones are cut.
constexpr int SCHEDULE_DEFAULT_SECONDS = 60;
constexpr int SCHEDULE_SECONDS_MAX = 3600;

struct ScheduleSettings {
    bool enabled = false;
    int leadSeconds = SCHEDULE_DEFAULT_SECONDS;
    int tuneSeconds = SCHEDULE_DEFAULT_SECONDS;
    char path[SCHEDULE_PATH_SIZE] = {};
};

// Read only, never created; values out of 0..SCHEDULE_SECONDS_MAX keep their default.
void loadScheduleSettings(int portNumber, ScheduleSettings& schedule);
// Writes SendeplanAktiv; false when the key cannot be written.
bool saveScheduleEnabled(int portNumber, bool enabled);

} // namespace trx

#endif
