// The engine's announcements: the port's copy of the values, the answers to clients that
// wait for an echo, and the events of subscribers.
#include "control/control_sessions.h"

namespace trx {

void ControlSessions::broadcast(const std::string& events) {
    if (events.empty()) {
        return;
    }
    for (auto& entry : clients_) {
        if (entry.second.subscribed) {
            send(entry.second, events);
        }
    }
}

void ControlSessions::scheduleEvent(const char* text) {
    std::string events;
    appendEventLine(events, "schedule", text);
    broadcast(events);
    // The plan file was read, good or bad: what waited for a reload is answered.
    const std::string_view event(text);
    if (event.starts_with(PLAN_LOADED) || event.starts_with(PLAN_BAD)) {
        for (auto& entry : clients_) {
            if (entry.second.wait == Wait::Plan) {
                answerWaiting(entry.second, CONTROL_OK, {});
            }
        }
    }
}

void ControlSessions::linkUp(const RegisterMirror& registers) {
    values_.linkUp(registers);
    std::string events;
    ControlSubscription::appendLink(events, true);
    // Reports that came before the announcement show now, after the link line.
    subscription_.appendChanges(events, values_, ControlKey::Frequency, ControlKey::Alarm);
    broadcast(events);
}

void ControlSessions::linkLost(const RegisterMirror& registers) {
    ++counters_.linkLosses;
    portReopened(registers);
}

// The operator's reopening of the port: the values go as with a loss, but an alert on the
// losses must not fire when the settings are checked.
void ControlSessions::portReopened(const RegisterMirror& registers) {
    values_.linkLost(registers);
    subscription_.forget();
    std::string events;
    ControlSubscription::appendLink(events, false);
    broadcast(events);
    for (auto& entry : clients_) {
        if (awaitsAnswer(entry.second)) {
            answerWaiting(entry.second, CONTROL_NO_LINK, LINK_DOWN);
        }
    }
}

// While the link is down the engine still hands on what the line brings: the standby
// write's own byte, coming back, reads as a report of standby.
void ControlSessions::reported(int address, int, const RegisterMirror& registers) {
    values_.reported(address, registers, host_.milliseconds());
    const int value = registers[address];
    if (address == OperatingState && value == STATE_STANDBY) {
        for (auto& entry : clients_) {
            if (entry.second.wait == Wait::Standby) {
                answerWaiting(entry.second, CONTROL_OK, {});
            }
        }
    }
    ControlKey first;
    ControlKey last;
    if (values_.linkIsUp() && ControlSubscription::keysOfRegister(address, first, last)) {
        std::string events;
        subscription_.appendChanges(events, values_, first, last);
        broadcast(events);
    }
}

void ControlSessions::writeSent(const LineWrite& write, const RegisterMirror&) {
    if (write.source.kind == SourceKind::Panel) {
        ++counters_.panelWrites;
    } else if (write.source.kind == SourceKind::Control) {
        ++counters_.controlWrites;
    } else if (write.source.kind == SourceKind::Schedule) {
        ++counters_.scheduleWrites;
    }
}

void ControlSessions::writeEchoed(const LineWrite& write, const RegisterMirror&) {
    for (auto& entry : clients_) {
        Client& c = entry.second;
        if (awaitsAnswer(c) && c.waitingFor <= write.sequence) {
            answerWaiting(c, CONTROL_OK, {});
        }
    }
}

// The missing echo drops every write queued behind it as well.
void ControlSessions::echoMissing(const LineWrite& write, const RegisterMirror&) {
    ++counters_.ackTimeouts;
    for (auto& entry : clients_) {
        Client& c = entry.second;
        if (awaitsAnswer(c) && c.waitingFor >= write.sequence) {
            answerWaiting(c, CONTROL_NO_ACK, NO_ACKNOWLEDGEMENT);
        }
    }
}

} // namespace trx
