// A line client's lines, and each command through its row of the command table: who may
// give it, whether the lock and the link let it through, and what runs it.
#include "control/control_sessions.h"

#include <cstdio>

namespace trx {

namespace {

constexpr std::string_view LINE_TOO_LONG = "line too long";
constexpr std::string_view NO_SCHEDULE = "no schedule";
constexpr std::string_view SCHEDULE_OFF = "schedule off";
constexpr size_t LOCKED_REASON_SIZE = 48;

bool isStandby(const ControlCommand& command) {
    return command.verb == ControlVerb::SetState && command.number == STATE_STANDBY;
}

} // namespace

// Lines are taken one at a time; while a command waits for its echo the rest is held, so
// that replies keep the order of the commands.
void ControlSessions::readLines(Client& c) {
    while (c.wait == Wait::None && !c.out.closeWhenSent && !c.out.dropNow) {
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
        if (c.phase == Phase::Greeting) {
            if (c.remote) {
                c.phase = Phase::Unauthorised;
            } else if (!admit(c)) {
                return;
            }
        }
        handleCommand(c, parseControlLine(line), line);
    }
}

// A client whose very first line is too long is no program that speaks this protocol.
void ControlSessions::refuseLongLine(Client& c) {
    status(c, CONTROL_BAD_INPUT, LINE_TOO_LONG);
    if (c.phase == Phase::Greeting) {
        turnAway(c);
    }
}

// Standby goes out whoever holds the lock and whether the link is up or not: it is how a
// station switches the transmitter off when something is wrong, as the panel's own key.
void ControlSessions::handleCommand(Client& c, const ControlCommand& command,
                                    std::string_view line) {
    const ControlCommandRow* row = controlCommandRow(command.verb);
    if (row == nullptr) {
        if (command.verb == ControlVerb::Invalid) {
            status(c, command.code, command.text);
        }
        return; // a blank line has no reply
    }
    if (row->needsAuth && c.phase != Phase::Admitted) {
        status(c, CONTROL_NOT_AUTHORISED, NOT_AUTHORISED);
        return;
    }
    if (readOnlyRefuses(c, *row, line)) {
        return;
    }
    char reason[LOCKED_REASON_SIZE];
    if (row->obeysLock && !isStandby(command) && lockedByAnother(c, reason, sizeof reason)) {
        if (row->writes()) {
            refuseWrite(c, line, CONTROL_LOCKED, reason);
        } else {
            status(c, CONTROL_LOCKED, reason);
        }
        return;
    }
    runAction(c, *row, command, line);
}

void ControlSessions::runAction(Client& c, const ControlCommandRow& row,
                                const ControlCommand& command, std::string_view line) {
    switch (row.action) {
    case ControlAction::Engine:
        handleWrite(c, command, line);
        return;
    case ControlAction::Values:
        replyValues(c, command);
        return;
    case ControlAction::Info: {
        std::string reply;
        appendInfoLines(reply, identity());
        appendStatusLine(reply, CONTROL_OK, {});
        send(c, reply);
        return;
    }
    case ControlAction::Subscribe:
    case ControlAction::Unsubscribe:
        c.subscribed = row.action == ControlAction::Subscribe;
        status(c, CONTROL_OK, {});
        return;
    case ControlAction::Lock:
    case ControlAction::Unlock:
        handleLock(c, row.action == ControlAction::Lock);
        return;
    case ControlAction::Auth:
        handleAuth(c, command);
        return;
    case ControlAction::Help: {
        std::string reply;
        appendControlHelp(reply);
        send(c, reply);
        return;
    }
    case ControlAction::Quit:
        status(c, CONTROL_OK, {});
        closeAfterReply(c);
        return;
    case ControlAction::ScheduleValues:
        replySchedule(c);
        return;
    case ControlAction::ScheduleSwitch:
        handleSchedule(c, command, line);
        return;
    }
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

void ControlSessions::replySchedule(Client& c) {
    if (!schedule_) {
        status(c, CONTROL_NOT_NOW, NO_SCHEDULE);
        return;
    }
    const ScheduleReport report = schedule_->scheduleReport();
    static constexpr const char* MODES[] = {"off", "on", "hand"};
    std::string reply = "schedule: ";
    reply.append(MODES[report.mode]).append("\r\nnext: ");
    if (report.hasNext) {
        reply.append(report.nextTime).append(" ").append(report.nextValues);
    } else {
        reply.append("none");
    }
    reply.append("\r\nfile: ");
    reply.append(report.badLines == 0 ? std::string("ok")
                                      : std::to_string(report.badLines) + " bad lines");
    reply.append("\r\n");
    appendStatusLine(reply, CONTROL_OK, {});
    send(c, reply);
}

// Nothing enters the engine from inside a modal loop: the line waits, first in line, until
// the loop has ended.
bool ControlSessions::waitsOutModalLoop(Client& c, std::string_view line) {
    if (!host_.modalLoop()) {
        return false;
    }
    c.input.insert(0, std::string(line) + "\n");
    c.wait = Wait::Loop;
    return true;
}

// Switching the plan is a write: it needs the lock and the switching right, waits for a
// modal loop to end, and is journaled as the client's.
void ControlSessions::handleSchedule(Client& c, const ControlCommand& command,
                                     std::string_view line) {
    if (!schedule_) {
        refuseWrite(c, line, CONTROL_NOT_NOW, NO_SCHEDULE);
        return;
    }
    if (waitsOutModalLoop(c, line)) {
        return;
    }
    journalOnce(c);
    switch (command.number) {
    case ScheduleOn:
    case ScheduleOff:
        schedule_->switchSchedule(command.number == ScheduleOn);
        break;
    case ScheduleNow:
        if (!schedule_->runScheduleNow()) {
            refuseWrite(c, line, CONTROL_NOT_NOW, SCHEDULE_OFF);
            return;
        }
        break;
    default:
        // Answered once the file has been read: then `get schedule` tells of it.
        schedule_->reloadSchedule();
        c.wait = Wait::Plan;
        c.waitingSince = host_.milliseconds();
        return;
    }
    status(c, CONTROL_OK, {});
}

// A value out of range goes to the engine too: its operation refuses it, as the operator's.
void ControlSessions::handleWrite(Client& c, const ControlCommand& command, std::string_view line) {
    const bool standby = isStandby(command);
    if (!standby && !values_.linkIsUp()) {
        refuseWrite(c, line, CONTROL_NO_LINK, LINK_DOWN);
        return;
    }
    if (waitsOutModalLoop(c, line)) {
        return;
    }
    journalOnce(c);
    const ControlOutcome outcome = engine_.execute(command, c.source);
    if (outcome.code != CONTROL_OK) {
        refuseWrite(c, line, outcome.code, outcome.reason);
        return;
    }
    if (outcome.lastWrite == 0) {
        status(c, outcome.code, outcome.reason);
        return;
    }
    // While the link is down the engine awaits no echo; the report of standby answers.
    c.wait = standby && !values_.linkIsUp() ? Wait::Standby : Wait::Echo;
    c.waitingFor = outcome.lastWrite;
    c.waitingSince = host_.milliseconds();
}

// Answered at once, nothing on the line, and one Befehl line in the journal.
void ControlSessions::refuseWrite(Client& c, std::string_view line, int code,
                                  std::string_view reason) {
    status(c, code, reason);
    journalOnce(c);
    if (journal_) {
        char german[REASON_TEXT_SIZE];
        journalReason(reason, german, sizeof german);
        char text[JOURNAL_LINE_SIZE];
        snprintf(text, sizeof text, "%.*s abgelehnt (%s)", static_cast<int>(line.size()),
                 line.data(), german);
        journal_->commandRefused(c.source, text);
    }
}

// Called from the engine's announcements: the held input runs later, from serviceClients,
// because a listener must not call back into the engine.
void ControlSessions::answerWaiting(Client& c, int code, std::string_view reason) {
    c.wait = Wait::None;
    c.resume = !c.input.empty();
    status(c, code, reason);
}

} // namespace trx
