// The scrape endpoint's body: the panel's values and counters in the Prometheus text
// exposition format, version 0.0.4. Pure text handling.
#ifndef TRXDESK_CONTROL_METRICS_TEXT_H
#define TRXDESK_CONTROL_METRICS_TEXT_H

#include "control/control_info_text.h"
#include "control/control_values.h"
#include "shell/schedule_switch.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace trx {

// What the control port has counted since it opened.
struct ControlCounters {
    uint64_t panelWrites = 0;    // writes put on the line for the operator at the panel
    uint64_t controlWrites = 0;  // ... for control-port clients
    uint64_t scheduleWrites = 0; // ... for the season schedule
    uint64_t ackTimeouts = 0;    // writes whose echo did not come
    uint64_t linkLosses = 0;     // times the watchdog found the line silent
    uint64_t turnedAway = 0;     // connections closed without being served
    uint64_t quietReaders = 0;   // line clients of this PC gone without asking to switch
};

struct MetricsSnapshot {
    const ControlValues& values;
    const ControlCounters& counters;
    int portNumber;  // the COM port, 0 without one
    int lineClients; // line clients connected, the scrape not counted
    uint64_t nowMs;
    // Which transmitter, for trxdesk_info; nullptr leaves that family out.
    const ControlIdentity* identity = nullptr;
    const ScheduleReport* schedule = nullptr; // the season schedule, when the program has one
};

// A label value with backslash, double quote and line feed escaped, in double quotes.
void appendLabelValue(std::string& out, std::string_view value);

// Every family with # HELP and # TYPE; the families that come from reports are left out
// while the link is down or the value is unreported.
void appendMetricsText(std::string& out, const MetricsSnapshot& snapshot);

} // namespace trx

#endif
