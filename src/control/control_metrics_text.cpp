#include "control/control_metrics_text.h"

#include "protocol/transmitter_vocabulary.h"

#include <cstdio>

namespace trx {

namespace {

constexpr size_t NUMBER_SIZE = 32;
constexpr double MILLISECONDS_PER_SECOND = 1000.0;

class MetricsWriter {
  public:
    MetricsWriter(std::string& out, int portNumber) : out_(out) {
        char name[CONTROL_PORT_NAME_SIZE];
        formatPortName(portNumber, name, sizeof name);
        portLabel_ = "port=";
        appendLabelValue(portLabel_, name);
    }

    void family(const char* name, const char* type, const char* help) {
        out_.append("# HELP ").append(name).append(" ").append(help).append("\n");
        out_.append("# TYPE ").append(name).append(" ").append(type).append("\n");
    }

    // One sample; `extraLabel` ("source=\"panel\"") or empty.
    void sample(const char* name, std::string_view extraLabel, const char* value) {
        out_.append(name).append("{").append(portLabel_);
        if (!extraLabel.empty()) {
            out_.append(",").append(extraLabel);
        }
        out_.append("} ").append(value).append("\n");
    }

    void gauge(const char* name, const char* help, uint64_t value) {
        family(name, "gauge", help);
        sample(name, {}, number(value));
    }

    void counter(const char* name, const char* help, uint64_t value) {
        family(name, "counter", help);
        sample(name, {}, number(value));
    }

    const char* number(uint64_t value) {
        snprintf(number_, sizeof number_, "%llu", static_cast<unsigned long long>(value));
        return number_;
    }

    const char* seconds(uint64_t milliseconds) {
        snprintf(number_, sizeof number_, "%.3f",
                 static_cast<double>(milliseconds) / MILLISECONDS_PER_SECOND);
        return number_;
    }

  private:
    std::string& out_;
    std::string portLabel_;
    char number_[NUMBER_SIZE] = {};
};

void appendReportedValues(MetricsWriter& w, const ControlValues& values, uint64_t nowMs) {
    const RegisterMirror& r = values.registers();
    uint64_t age = 0;
    if (values.reportAge(nowMs, age)) {
        w.family("trxdesk_report_age_seconds", "gauge",
                 "Seconds since the transmitter last reported.");
        w.sample("trxdesk_report_age_seconds", {}, w.seconds(age));
    }
    uint32_t hertz = 0;
    if (values.frequencyHertz(hertz)) {
        w.gauge("trxdesk_frequency_hertz", "The transmitter's reported frequency.", hertz);
    }
    if (isOperatingState(r[OperatingState])) {
        w.gauge("trxdesk_operating_state",
                "Reported operating state: 1 standby, 2 tune, 3 no power, 4 100 W, 5 250 W, "
                "6 1000 W.",
                r[OperatingState]);
    }
    if (r[PowerLevel] <= POWER_LEVEL_MAX) {
        w.gauge("trxdesk_power_level", "Reported power level, 0 to 7.", r[PowerLevel]);
    }
    if (r[StatusRegister] != NOT_REPORTED) {
        w.gauge("trxdesk_tuned", "Whether the transmitter reports itself tuned (1) or not (0).",
                (r[StatusRegister] & STATUS_READY) ? 1 : 0);
        w.gauge("trxdesk_alarm", "Whether the transmitter reports an alarm (1) or not (0).",
                (r[StatusRegister] & STATUS_ALARM) ? 1 : 0);
    }
}

// Dashboards and alerts join on it for the title of the panel behind a port.
void appendInfo(MetricsWriter& w, std::string& out, const ControlIdentity& identity) {
    w.family("trxdesk_info", "gauge", "Which transmitter: the panel's title and the version.");
    out.append("trxdesk_info{port=");
    appendLabelValue(out, identity.port);
    out.append(",title=");
    appendLabelValue(out, identity.title);
    out.append(",version=");
    appendLabelValue(out, identity.version);
    out.append("} 1\n");
}

} // namespace

void appendLabelValue(std::string& out, std::string_view value) {
    out.push_back('"');
    for (const char c : value) {
        switch (c) {
        case '\\':
            out.append("\\\\");
            break;
        case '"':
            out.append("\\\"");
            break;
        case '\n':
            out.append("\\n");
            break;
        default:
            out.push_back(c);
        }
    }
    out.push_back('"');
}

void appendMetricsText(std::string& out, const MetricsSnapshot& s) {
    MetricsWriter w(out, s.portNumber);
    const bool up = s.values.linkIsUp();
    if (s.identity != nullptr) {
        appendInfo(w, out, *s.identity);
    }
    w.gauge("trxdesk_link_up", "Whether the transmitter reports (1) or its link is down (0).",
            up ? 1 : 0);
    if (up) {
        appendReportedValues(w, s.values, s.nowMs);
    }
    w.family("trxdesk_commands_total", "counter", "Writes put on the line, by who asked.");
    w.sample("trxdesk_commands_total", "source=\"panel\"", w.number(s.counters.panelWrites));
    w.sample("trxdesk_commands_total", "source=\"control\"", w.number(s.counters.controlWrites));
    w.sample("trxdesk_commands_total", "source=\"schedule\"", w.number(s.counters.scheduleWrites));
    w.counter("trxdesk_ack_timeouts_total", "Writes the transmitter did not echo in time.",
              s.counters.ackTimeouts);
    w.counter("trxdesk_link_losses_total", "Times the link was lost to silence.",
              s.counters.linkLosses);
    w.gauge("trxdesk_control_clients", "Line clients connected to the control port.",
            static_cast<uint64_t>(s.lineClients));
    w.counter("trxdesk_control_turned_away_total",
              "Connections to the control port closed without being served: too many at once, "
              "not allowed, a wrong password, or silent too long.",
              s.counters.turnedAway);
    w.counter("trxdesk_control_read_only_sessions_total",
              "Line clients on this PC that only read and left; the journal leaves them out.",
              s.counters.quietReaders);
    if (const ScheduleReport* plan = s.schedule) {
        w.gauge("trxdesk_schedule_enabled", "Whether the season schedule runs (1) or not (0).",
                plan->mode == ScheduleReport::Off ? 0 : 1);
        if (plan->hasNext) {
            w.gauge("trxdesk_schedule_next_change_timestamp_seconds",
                    "Begin of the schedule's next entry, UTC seconds since 1970.",
                    static_cast<uint64_t>(plan->nextChange));
        }
        w.family("trxdesk_schedule_changes_total", "counter",
                 "Changes of the season schedule, by how they ended.");
        w.sample("trxdesk_schedule_changes_total", "result=\"ok\"",
                 w.number(static_cast<uint64_t>(plan->changesOk)));
        w.sample("trxdesk_schedule_changes_total", "result=\"failed\"",
                 w.number(static_cast<uint64_t>(plan->changesFailed)));
    }
}

} // namespace trx
