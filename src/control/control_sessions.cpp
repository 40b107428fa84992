#include "control/control_sessions.h"

#include <cstdio>
#include <utility>

namespace trx {

namespace {

constexpr std::string_view TOO_MANY_CLIENTS = "too many clients";
// The journal's words for a client turned away and for one that left.
constexpr char NOT_LISTED_TEXT[] = "abgewiesen (nicht in SteuerportNetz)";
constexpr char NO_PASSWORD_TEXT[] = "abgewiesen (kein SteuerportKennwort)";
constexpr char TOO_MANY_TEXT[] = "abgewiesen (zu viele Verbindungen)";
constexpr char FLOOD_FORMAT[] = "%s abgewiesen (%llu Verbindungen, mehr als %d je Sekunde)";
constexpr char CONNECTED_TEXT[] = "verbunden";
constexpr char LEFT_TEXT[] = "getrennt";

} // namespace

ControlSessions::ControlSessions(ControlEngine& engine, ControlHost& host, AllowList allowList,
                                 std::string password, std::string readPassword)
    : engine_(engine), host_(host), allowList_(std::move(allowList)),
      password_(std::move(password)), readPassword_(std::move(readPassword)) {}

void ControlSessions::configure(AllowList allowList, std::string password,
                                std::string readPassword) {
    allowList_ = std::move(allowList);
    password_ = std::move(password);
    readPassword_ = std::move(readPassword);
}

// A flood is turned away before anything else, without a journal line each.
ConnectRefusal ControlSessions::connect(ClientId id, uint32_t address, uint16_t port) {
    const uint64_t now = host_.milliseconds();
    if (!rate_.admit(address, now)) {
        ++counters_.turnedAway;
        return ConnectRefusal::Flood;
    }
    char name[CLIENT_NAME_SIZE];
    formatClientName(address, port, name, sizeof name);
    const bool remote = !isLoopbackAddress(address);
    if (remote && !allowList_.allows(address)) {
        ++counters_.turnedAway;
        journalClient(name, NOT_LISTED_TEXT);
        return ConnectRefusal::NotListed;
    }
    if (remote && password_.empty() && readPassword_.empty()) {
        ++counters_.turnedAway;
        journalClient(name, NO_PASSWORD_TEXT);
        return ConnectRefusal::NoPassword;
    }
    makeRoomForPending();
    Client& c = clients_[id];
    c = Client{};
    c.id = id;
    c.address = address;
    c.source.kind = SourceKind::Control;
    snprintf(c.source.client, sizeof c.source.client, "%s", name);
    c.remote = remote;
    c.since = now;
    return ConnectRefusal::None;
}

// Not yet a line client nor a scrape, and not on its way out.
bool ControlSessions::pending(const Client& c) const {
    return c.phase != Phase::Scrape && c.phase != Phase::Admitted && !c.out.closeWhenSent &&
           !c.out.dropNow;
}

// Connections that say nothing must not keep out those that speak: the oldest one goes.
void ControlSessions::makeRoomForPending() {
    int count = 0;
    Client* oldest = nullptr;
    for (auto& [id, c] : clients_) {
        if (pending(c)) {
            ++count;
            oldest = oldest == nullptr ? &c : oldest; // ids count up: the first is the oldest
        }
    }
    if (count >= CONTROL_PENDING_LIMIT) {
        oldest->out.bytes.clear();
        oldest->out.dropNow = true;
        ++counters_.turnedAway;
        wake();
    }
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
        lockHolder_.clear();
    }
    const auto found = clients_.find(id);
    if (found != clients_.end() && found->second.phase == Phase::Admitted) {
        if (found->second.journaled) {
            journalClient(found->second.source.client, LEFT_TEXT);
        } else {
            ++counters_.quietReaders;
        }
    }
    clients_.erase(id);
}

void ControlSessions::serviceClients() {
    wakePending_ = false;
    const bool loop = host_.modalLoop();
    for (auto& [id, c] : clients_) {
        if (c.wait == Wait::Loop && !loop) {
            c.wait = Wait::None;
            c.resume = true;
        }
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
        count += entry.second.phase == Phase::Admitted;
    }
    return count;
}

int ControlSessions::scrapes() const {
    int count = 0;
    for (const auto& entry : clients_) {
        count += entry.second.phase == Phase::Scrape;
    }
    return count;
}

// A client that must give a password is not read at all while its address waits after a
// wrong one: its next try waits with it, however many connections it opens.
bool ControlSessions::mustWait(const Client& c, uint64_t nowMs) const {
    return c.remote && c.phase != Phase::Admitted && backoff_.waiting(c.address, nowMs);
}

void ControlSessions::consume(Client& c) {
    if (c.out.closeWhenSent || c.out.dropNow) {
        return;
    }
    const uint64_t now = host_.milliseconds();
    if (mustWait(c, now)) {
        c.held = true;
    } else {
        if (c.held) {
            c.held = false;
            c.since = now;
        }
        if (c.phase == Phase::Undecided) {
            decide(c);
        }
        if (c.phase == Phase::Scrape) {
            readRequest(c);
        } else if (c.phase != Phase::Undecided) {
            readLines(c);
        }
    }
    if (c.input.size() > CONTROL_HELD_INPUT_LIMIT) {
        c.out.bytes.clear();
        c.out.dropNow = true;
        wake();
    }
}

// The first bytes tell a line client from a scrape. A scrape needs a place at once; a line
// client once it has said who it is (admit).
void ControlSessions::decide(Client& c) {
    switch (connectionKind(c.input)) {
    case ConnectionKind::Undecided:
        return;
    case ConnectionKind::Line:
        c.phase = Phase::Greeting;
        return;
    case ConnectionKind::Http:
        if (scrapes() >= CONTROL_SCRAPE_LIMIT) {
            std::string reply;
            appendHttpReply(reply, HttpReply::Busy, {});
            send(c, reply);
            turnAway(c);
            return;
        }
        c.phase = Phase::Scrape;
        return;
    }
}

// A line client that has said who it is takes a place, or is told there is none and closed.
// Scrapes come every few seconds and are no news for the journal; a client from another
// machine is, and so is one on this PC once it asks to switch: a dashboard that only reads
// is counted, not journaled.
bool ControlSessions::admit(Client& c) {
    if (lineClients() >= CONTROL_CLIENT_LIMIT) {
        status(c, CONTROL_BUSY, TOO_MANY_CLIENTS);
        journalClient(c.source.client, TOO_MANY_TEXT);
        turnAway(c);
        return false;
    }
    c.phase = Phase::Admitted;
    if (c.remote) {
        journalOnce(c);
    }
    return true;
}

void ControlSessions::journalOnce(Client& c) {
    if (!c.journaled) {
        c.journaled = true;
        journalClient(c.source.client, CONNECTED_TEXT);
    }
}

void ControlSessions::turnAway(Client& c) {
    ++counters_.turnedAway;
    closeAfterReply(c);
}

void ControlSessions::closeAfterReply(Client& c) {
    c.out.closeWhenSent = true;
    c.closingSince = host_.milliseconds();
    c.input.clear();
    wake();
}

void ControlSessions::tick(uint64_t nowMs) {
    for (auto& entry : clients_) {
        tickClient(entry.second, nowMs);
    }
    tellFloods(nowMs);
}

void ControlSessions::tickClient(Client& c, uint64_t nowMs) {
    if (c.out.dropNow) {
        return;
    }
    if (c.out.closeWhenSent) {
        if (nowMs >= c.closingSince + CONTROL_CLOSING_MS) {
            c.out.bytes.clear(); // it does not take its last reply: the panel does not wait
            c.out.dropNow = true;
            wake();
        }
        return;
    }
    if (c.wait == Wait::Standby && nowMs >= c.waitingSince + CONTROL_STANDBY_ECHO_MS) {
        ++counters_.ackTimeouts;
        answerWaiting(c, CONTROL_NO_ACK, NO_ACKNOWLEDGEMENT);
        wake();
    }
    if (c.wait == Wait::Plan && nowMs >= c.waitingSince + CONTROL_PLAN_READ_MS) {
        answerWaiting(c, CONTROL_NOT_NOW, PLAN_NOT_READ);
        wake();
    }
    if (c.held) {
        if (!mustWait(c, nowMs)) {
            c.held = false;
            c.since = nowMs;
            c.resume = true;
            wake();
        }
        return;
    }
    if (c.phase == Phase::Scrape) {
        if (nowMs >= c.since + CONTROL_REQUEST_MS) {
            std::string reply;
            appendHttpReply(reply, HttpReply::Timeout, {});
            send(c, reply);
            turnAway(c);
        }
        return;
    }
    if (c.phase != Phase::Admitted && nowMs >= c.since + CONTROL_INTRODUCTION_MS) {
        ++counters_.turnedAway;
        c.out.bytes.clear();
        c.out.dropNow = true;
        wake();
    }
}

void ControlSessions::tellFloods(uint64_t nowMs) {
    for (const FloodSummary& flood : rate_.summaries(nowMs)) {
        if (journal_) {
            char address[CLIENT_ADDRESS_SIZE];
            formatAddress(flood.address, address, sizeof address);
            char text[JOURNAL_LINE_SIZE];
            snprintf(text, sizeof text, FLOOD_FORMAT, address,
                     static_cast<unsigned long long>(flood.turnedAway),
                     CONTROL_CONNECTIONS_PER_SECOND);
            journal_->controlPortEvent(text);
        }
    }
}

bool ControlSessions::needsTick() const {
    if (rate_.untold()) {
        return true;
    }
    for (const auto& [id, c] : clients_) {
        if (c.out.dropNow) {
            continue;
        }
        if (c.out.closeWhenSent || c.held || c.phase != Phase::Admitted ||
            c.wait == Wait::Standby || c.wait == Wait::Loop || c.wait == Wait::Plan) {
            return true;
        }
    }
    return false;
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

void ControlSessions::wake() {
    if (!wakePending_) {
        wakePending_ = true;
        host_.outputWaiting();
    }
}

} // namespace trx
