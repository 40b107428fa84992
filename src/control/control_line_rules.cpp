// A line client's lines and commands, and the engine's announcements to the clients that
// wait for an echo or hear events.
#include "control_session_rules.h"

#include "wire_codec.h"

#include <cstdio>

namespace trx {

namespace {

constexpr std::string_view NOT_AUTHORISED = "not authorised";
constexpr std::string_view LINK_DOWN = "link down";
constexpr std::string_view LINE_TOO_LONG = "line too long";
constexpr size_t LOCKED_REASON_SIZE = 48;
constexpr char WRONG_PASSWORD_TEXT[] = "abgewiesen (falsches Kennwort)";

// The keys a report of `address` can change, as a range; false for none.
bool keysOfRegister(int address, ControlKey& first, ControlKey& last) {
    switch (address) {
    case Antenna:
        first = last = ControlKey::Antenna;
        return true;
    case OperatingState:
        first = last = ControlKey::State;
        return true;
    case ProgramNumber:
        first = last = ControlKey::Program;
        return true;
    case EmissionMode:
    case ChannelA:
    case ChannelB:
        first = last = ControlKey::Mode;
        return true;
    case PowerLevel:
        first = last = ControlKey::Power;
        return true;
    case StatusRegister:
        first = ControlKey::Tuned;
        last = ControlKey::Alarm;
        return true;
    default:
        if (address >= FrequencyDigit1 && address <= FrequencyDigit7) {
            first = last = ControlKey::Frequency;
            return true;
        }
        return false;
    }
}

bool isStandby(const ControlCommand& command) {
    return command.verb == ControlVerb::SetState && command.number == STATE_STANDBY;
}

} // namespace

// Lines are taken one at a time; while a command waits for its echo the rest is held, so
// that replies keep the order of the commands.
void ControlSessions::readLines(Client& c) {
    while (!c.waiting && !c.pausedForLoop && !c.out.closeWhenSent && !c.out.dropNow) {
        const size_t end = c.input.find('\n');
        if (end == std::string::npos) {
            // A partial line may still end in CR before its LF.
            if (!c.skipping && c.input.size() > CONTROL_LINE_LIMIT + 1) {
                refuseLongLine(c);
                c.skipping = true;
            }
            if (c.skipping) {
                c.input.clear();
            }
            return;
        }
        std::string line = c.input.substr(0, end);
        c.input.erase(0, end + 1);
        if (c.skipping) {
            c.skipping = false;
            continue;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > CONTROL_LINE_LIMIT) {
            refuseLongLine(c);
            continue;
        }
        if (!c.introduced) {
            c.introduced = true;
            if (c.authorised && !admit(c)) {
                return;
            }
        }
        handleCommand(c, parseControlLine(line), line);
    }
}

// A client whose very first line is too long is no program that speaks this protocol.
void ControlSessions::refuseLongLine(Client& c) {
    status(c, CONTROL_BAD_INPUT, LINE_TOO_LONG);
    if (!c.introduced) {
        turnAway(c);
    }
}

void ControlSessions::handleCommand(Client& c, const ControlCommand& command,
                                    std::string_view line) {
    switch (command.verb) {
    case ControlVerb::Empty:
        return;
    case ControlVerb::Invalid:
        status(c, command.code, command.text);
        return;
    case ControlVerb::Help: {
        std::string reply;
        for (int i = 0; i < CONTROL_HELP_LINE_COUNT; ++i) {
            reply.append("command: ").append(CONTROL_HELP_LINES[i]).append("\r\n");
        }
        appendStatusLine(reply, CONTROL_OK, {});
        send(c, reply);
        return;
    }
    case ControlVerb::Quit:
        status(c, CONTROL_OK, {});
        closeAfterReply(c);
        return;
    case ControlVerb::Auth:
        handleAuth(c, command);
        return;
    default:
        break;
    }
    if (!c.authorised) {
        status(c, CONTROL_NOT_AUTHORISED, NOT_AUTHORISED);
        return;
    }
    switch (command.verb) {
    case ControlVerb::Get:
        replyValues(c, command);
        return;
    case ControlVerb::Subscribe:
    case ControlVerb::Unsubscribe:
        c.subscribed = command.verb == ControlVerb::Subscribe;
        status(c, CONTROL_OK, {});
        return;
    case ControlVerb::Lock:
    case ControlVerb::Unlock:
        handleLock(c, command.verb == ControlVerb::Lock);
        return;
    default:
        handleWrite(c, command, line);
        return;
    }
}

// One guess a connection: a wrong password closes it, and its address waits.
void ControlSessions::handleAuth(Client& c, const ControlCommand& command) {
    if (c.authorised) {
        status(c, CONTROL_OK, {});
        return;
    }
    if (passwordMatches(command.text, password_)) {
        c.authorised = true;
        backoff_.right(c.address);
        if (admit(c)) {
            status(c, CONTROL_OK, {});
        }
        return;
    }
    status(c, CONTROL_NOT_AUTHORISED, NOT_AUTHORISED);
    wrongPassword(c);
    closeAfterReply(c);
}

void ControlSessions::wrongPassword(Client& c) {
    backoff_.wrong(c.address, host_.milliseconds());
    ++counters_.turnedAway;
    journalClient(c.source.client, WRONG_PASSWORD_TEXT);
}

void ControlSessions::replyValues(Client& c, const ControlCommand& command) {
    std::string reply;
    if (!values_.linkIsUp()) {
        appendValueLine(reply, ControlKey::Link, "down");
        appendStatusLine(reply, CONTROL_NO_LINK, LINK_DOWN);
        send(c, reply);
        return;
    }
    const uint64_t now = host_.milliseconds();
    char value[CONTROL_VALUE_SIZE];
    const int first = command.allKeys ? 0 : static_cast<int>(command.key);
    const int last = command.allKeys ? CONTROL_KEY_COUNT - 1 : first;
    for (int k = first; k <= last; ++k) {
        values_.format(static_cast<ControlKey>(k), now, value, sizeof value);
        appendValueLine(reply, static_cast<ControlKey>(k), value);
    }
    appendStatusLine(reply, CONTROL_OK, {});
    send(c, reply);
}

// Another client's lock refuses the command: true, with the reason.
bool ControlSessions::lockedByAnother(const Client& c, char* reason, size_t size) const {
    if (!locked_ || lockOwner_ == c.id) {
        return false;
    }
    snprintf(reason, size, "locked by %s", lockHolder_.c_str());
    return true;
}

void ControlSessions::handleLock(Client& c, bool lock) {
    char reason[LOCKED_REASON_SIZE];
    if (lockedByAnother(c, reason, sizeof reason)) {
        status(c, CONTROL_LOCKED, reason);
        return;
    }
    locked_ = lock;
    lockOwner_ = c.id;
    lockHolder_ = lock ? c.source.client : "";
    status(c, CONTROL_OK, {});
}

// Standby goes out whoever holds the lock and whether the link is up or not: it is how a
// station switches the transmitter off when something is wrong, as the panel's own key.
void ControlSessions::handleWrite(Client& c, const ControlCommand& command, std::string_view line) {
    const bool standby = isStandby(command);
    char reason[LOCKED_REASON_SIZE];
    if (!standby && lockedByAnother(c, reason, sizeof reason)) {
        refuseWrite(c, line, CONTROL_LOCKED, reason);
        return;
    }
    if (!standby && !values_.linkIsUp()) {
        refuseWrite(c, line, CONTROL_NO_LINK, LINK_DOWN);
        return;
    }
    if (host_.modalLoop()) {
        // Nothing enters the engine from inside a modal loop: the line waits, first in line.
        c.input.insert(0, std::string(line) + "\n");
        c.pausedForLoop = true;
        return;
    }
    const ControlOutcome outcome = engine_.execute(command, c.source);
    if (outcome.code != CONTROL_OK) {
        refuseWrite(c, line, outcome.code, outcome.reason);
        return;
    }
    if (outcome.lastWrite == 0) {
        status(c, outcome.code, outcome.reason);
        return;
    }
    c.waiting = true;
    c.waitingFor = outcome.lastWrite;
    // While the link is down the engine awaits no echo; the report of standby answers.
    c.standbyUnechoed = standby && !values_.linkIsUp();
    c.waitingSince = host_.milliseconds();
}

// Answered at once, nothing on the line, and one Befehl line in the journal.
void ControlSessions::refuseWrite(Client& c, std::string_view line, int code,
                                  std::string_view reason) {
    status(c, code, reason);
    if (journal_) {
        char text[JOURNAL_LINE_SIZE];
        snprintf(text, sizeof text, "%.*s abgelehnt (%.*s)", static_cast<int>(line.size()),
                 line.data(), static_cast<int>(reason.size()), reason.data());
        journal_->commandRefused(c.source, text);
    }
}

// Called from the engine's announcements: the held input runs later, from serviceClients,
// because a listener must not call back into the engine.
void ControlSessions::answerWaiting(Client& c, int code, std::string_view reason) {
    c.waiting = false;
    c.standbyUnechoed = false;
    c.resume = !c.input.empty();
    status(c, code, reason);
}

void ControlSessions::event(std::string_view key, std::string_view value) {
    std::string line;
    appendEventLine(line, key, value);
    for (auto& entry : clients_) {
        if (entry.second.subscribed) {
            send(entry.second, line);
        }
    }
}

void ControlSessions::announce(int firstKey, int lastKey) {
    char value[CONTROL_VALUE_SIZE];
    for (int k = firstKey; k <= lastKey; ++k) {
        const auto key = static_cast<ControlKey>(k);
        values_.format(key, 0, value, sizeof value);
        if (shown_[static_cast<size_t>(k)] != value) {
            shown_[static_cast<size_t>(k)] = value;
            event(controlKeyName(key), value);
        }
    }
}

void ControlSessions::linkUp() {
    values_.linkUp();
    event(controlKeyName(ControlKey::Link), "up");
    // Reports that came before the announcement show now, after the link line.
    announce(static_cast<int>(ControlKey::Frequency), static_cast<int>(ControlKey::Alarm));
}

void ControlSessions::linkLost() {
    ++counters_.linkLosses;
    portReopened();
}

// The operator's reopening of the port: the values go as with a loss, but an alert on the
// losses must not fire when the settings are checked.
void ControlSessions::portReopened() {
    values_.linkLost();
    shown_.fill(CONTROL_UNKNOWN);
    event(controlKeyName(ControlKey::Link), "down");
    for (auto& entry : clients_) {
        if (entry.second.waiting) {
            answerWaiting(entry.second, CONTROL_NO_LINK, LINK_DOWN);
        }
    }
}

// While the link is down the engine still hands on what the line brings: the standby
// write's own byte, coming back, reads as a report of standby.
void ControlSessions::reported(int address, int, int value) {
    values_.reported(address, value, host_.milliseconds());
    if (address == OperatingState && value == STATE_STANDBY) {
        for (auto& entry : clients_) {
            if (entry.second.waiting && entry.second.standbyUnechoed) {
                answerWaiting(entry.second, CONTROL_OK, {});
            }
        }
    }
    ControlKey first;
    ControlKey last;
    if (values_.linkIsUp() && keysOfRegister(address, first, last)) {
        announce(static_cast<int>(first), static_cast<int>(last));
    }
}

void ControlSessions::writeSent(const LineWrite& write) {
    if (write.source.kind == SourceKind::Panel) {
        ++counters_.panelWrites;
    } else if (write.source.kind == SourceKind::Control) {
        ++counters_.controlWrites;
    }
}

void ControlSessions::writeEchoed(const LineWrite& write) {
    for (auto& entry : clients_) {
        Client& c = entry.second;
        if (c.waiting && c.waitingFor <= write.sequence) {
            answerWaiting(c, CONTROL_OK, {});
        }
    }
}

// The missing echo drops every write queued behind it as well.
void ControlSessions::echoMissing(const LineWrite& write) {
    ++counters_.ackTimeouts;
    for (auto& entry : clients_) {
        Client& c = entry.second;
        if (c.waiting && c.waitingFor >= write.sequence) {
            answerWaiting(c, CONTROL_NO_ACK, NO_ACKNOWLEDGEMENT);
        }
    }
}

} // namespace trx
