#include "control_session_rules.h"

#include "control_http_rules.h"
#include "wire_codec.h"

#include <cstdio>
#include <utility>

namespace trx {

namespace {

constexpr std::string_view NOT_AUTHORISED = "not authorised";
constexpr std::string_view LINK_DOWN = "link down";
constexpr std::string_view NO_ACKNOWLEDGEMENT = "no acknowledgement";
constexpr std::string_view LINE_TOO_LONG = "line too long";
constexpr std::string_view TOO_MANY_CLIENTS = "too many clients";
constexpr size_t LOCKED_REASON_SIZE = 48;
// The journal's words for a client turned away.
constexpr char NOT_LISTED_TEXT[] = "abgewiesen (nicht in SteuerportNetz)";
constexpr char NO_PASSWORD_TEXT[] = "abgewiesen (kein SteuerportKennwort)";
constexpr char TOO_MANY_TEXT[] = "abgewiesen (zu viele Verbindungen)";
constexpr size_t JOURNAL_LINE_SIZE = 384; // a command line of 256 bytes and its refusal

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

} // namespace

ControlSessions::ControlSessions(ControlEngine& engine, ControlHost& host, AllowList allowList,
                                 std::string password)
    : engine_(engine), host_(host), allowList_(std::move(allowList)),
      password_(std::move(password)) {
    shown_.fill(CONTROL_UNKNOWN);
}

ConnectRefusal ControlSessions::connect(ClientId id, uint32_t address, uint16_t port) {
    char name[CLIENT_NAME_SIZE];
    formatClientName(address, port, name, sizeof name);
    const bool remote = !isLoopbackAddress(address);
    if (remote && !allowList_.allows(address)) {
        journalClient(name, NOT_LISTED_TEXT);
        return ConnectRefusal::NotListed;
    }
    if (remote && password_.empty()) {
        journalClient(name, NO_PASSWORD_TEXT);
        return ConnectRefusal::NoPassword;
    }
    Client& c = clients_[id];
    c = Client{};
    c.id = id;
    c.source.kind = SourceKind::Control;
    snprintf(c.source.client, sizeof c.source.client, "%s", name);
    c.remote = remote;
    c.authorised = !remote;
    if (lineClients() > CONTROL_CLIENT_LIMIT) {
        c.counted = false;
        status(c, CONTROL_BUSY, TOO_MANY_CLIENTS);
        c.out.closeWhenSent = true;
        journalClient(name, TOO_MANY_TEXT);
        return ConnectRefusal::TooMany;
    }
    return ConnectRefusal::None;
}

void ControlSessions::journalClient(const char* client, const char* what) {
    if (journal_) {
        char text[JOURNAL_LINE_SIZE];
        snprintf(text, sizeof text, "%s %s", client, what);
        journal_->controlPortEvent(text);
    }
}

void ControlSessions::received(ClientId id, std::string_view bytes) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& c = found->second;
    if (c.out.closeWhenSent || c.out.dropNow) {
        return; // nothing more is read from a client on its way out
    }
    c.input.append(bytes);
    consume(c);
}

void ControlSessions::disconnected(ClientId id) {
    if (locked_ && lockOwner_ == id) {
        locked_ = false;
    }
    const auto found = clients_.find(id);
    if (found != clients_.end() && found->second.journaled) {
        journalClient(found->second.source.client, "getrennt");
    }
    clients_.erase(id);
}

void ControlSessions::serviceClients() {
    wakePending_ = false;
    for (auto& [id, c] : clients_) {
        if (c.resume) {
            c.resume = false;
            consume(c);
        }
    }
}

std::vector<ClientId> ControlSessions::clientIds() const {
    std::vector<ClientId> ids;
    ids.reserve(clients_.size());
    for (const auto& entry : clients_) {
        ids.push_back(entry.first);
    }
    return ids;
}

ClientOutput* ControlSessions::output(ClientId id) {
    const auto found = clients_.find(id);
    return found == clients_.end() ? nullptr : &found->second.out;
}

int ControlSessions::lineClients() const {
    int count = 0;
    for (const auto& entry : clients_) {
        count += entry.second.counted && !entry.second.http;
    }
    return count;
}

// Lines are taken one at a time; while a command waits for its echo the rest is held, so
// that replies keep the order of the commands.
void ControlSessions::consume(Client& c) {
    while (!c.waiting && !c.out.closeWhenSent && !c.out.dropNow) {
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
        handleLine(c, line);
    }
    if (c.waiting && c.input.size() > CONTROL_HELD_INPUT_LIMIT) {
        c.out.bytes.clear();
        c.out.dropNow = true;
        wake();
    }
}

// A scrape's long header (a cookie, say) is skipped without a word: it is no command.
void ControlSessions::refuseLongLine(Client& c) {
    if (!c.http) {
        status(c, CONTROL_BAD_INPUT, LINE_TOO_LONG);
    }
}

void ControlSessions::handleLine(Client& c, std::string_view line) {
    if (!c.firstLineSeen) {
        c.firstLineSeen = true;
        if (isHttpRequestLine(line)) {
            c.http = true;
            c.metricsRequested = isMetricsRequest(line);
            return;
        }
        // A line client: scrapes come every few seconds and are no news for the journal.
        c.journaled = true;
        journalClient(c.source.client, "verbunden");
    }
    if (c.http) {
        handleHeader(c, line);
        return;
    }
    handleCommand(c, parseControlLine(line), line);
}

// The reply goes when the headers end, so that the request is read whole before the close.
void ControlSessions::handleHeader(Client& c, std::string_view line) {
    if (!line.empty()) {
        if (c.remote && basicPasswordMatches(line, password_)) {
            c.httpAuthorised = true;
        }
        return;
    }
    std::string reply;
    if (!c.metricsRequested) {
        appendHttpReply(reply, HttpReply::NotFound, {});
    } else if (c.remote && !c.httpAuthorised) {
        appendHttpReply(reply, HttpReply::Unauthorised, {});
    } else {
        std::string body;
        appendMetricsText(body, {values_, counters_, engine_.serialPortNumber(), lineClients(),
                                 host_.milliseconds()});
        appendHttpReply(reply, HttpReply::Metrics, body);
    }
    send(c, reply);
    c.out.closeWhenSent = true;
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
        c.out.closeWhenSent = true;
        return;
    case ControlVerb::Auth:
        c.authorised = c.authorised || command.text == password_;
        status(c, c.authorised ? CONTROL_OK : CONTROL_NOT_AUTHORISED, NOT_AUTHORISED);
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
    const auto holder = clients_.find(lockOwner_);
    if (!locked_ || lockOwner_ == c.id || holder == clients_.end()) {
        return false;
    }
    snprintf(reason, size, "locked by %s", holder->second.source.client);
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
    status(c, CONTROL_OK, {});
}

void ControlSessions::handleWrite(Client& c, const ControlCommand& command, std::string_view line) {
    char reason[LOCKED_REASON_SIZE];
    if (lockedByAnother(c, reason, sizeof reason)) {
        refuseWrite(c, line, CONTROL_LOCKED, reason);
        return;
    }
    if (!values_.linkIsUp()) {
        refuseWrite(c, line, CONTROL_NO_LINK, LINK_DOWN);
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

void ControlSessions::send(Client& c, std::string_view text) {
    if (c.out.dropNow) {
        return;
    }
    if (c.out.bytes.size() + text.size() > CONTROL_OUTPUT_LIMIT) {
        c.out.bytes.clear(); // it stopped reading: the panel does not wait for it
        c.out.dropNow = true;
    } else {
        c.out.bytes.append(text);
    }
    wake();
}

void ControlSessions::status(Client& c, int code, std::string_view reason) {
    std::string line;
    appendStatusLine(line, code, reason);
    send(c, line);
}

// Called from the engine's announcements: the held input runs later, from serviceClients,
// because a listener must not call back into the engine.
void ControlSessions::answerWaiting(Client& c, int code, std::string_view reason) {
    c.waiting = false;
    c.resume = !c.input.empty();
    status(c, code, reason);
}

void ControlSessions::wake() {
    if (!wakePending_) {
        wakePending_ = true;
        host_.outputWaiting();
    }
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
    values_.linkLost();
    ++counters_.linkLosses;
    shown_.fill(CONTROL_UNKNOWN);
    event(controlKeyName(ControlKey::Link), "down");
    for (auto& entry : clients_) {
        if (entry.second.waiting) {
            answerWaiting(entry.second, CONTROL_NO_LINK, LINK_DOWN);
        }
    }
}

void ControlSessions::reported(int address, int, int value) {
    values_.reported(address, value, host_.milliseconds());
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
