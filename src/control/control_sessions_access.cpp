// Who may command: the password of a client from another computer (the one that switches or
// the one that only reads), and the lock one client holds against the others.
#include "control/control_sessions.h"

#include <cstdio>

namespace trx {

namespace {

constexpr char WRONG_PASSWORD_TEXT[] = "abgewiesen (falsches Kennwort)";

} // namespace

// One guess a connection: a wrong password closes it, and its address waits.
void ControlSessions::handleAuth(Client& c, const ControlCommand& command) {
    if (!c.remote || c.phase == Phase::Admitted) {
        status(c, CONTROL_OK, {});
        return;
    }
    const ControlRight right = passwordRight(command.text, password_, readPassword_);
    if (right != ControlRight::None) {
        backoff_.right(c.address);
        c.mayWrite = right == ControlRight::Switch;
        if (admit(c)) {
            status(c, CONTROL_OK, {});
        }
        return;
    }
    status(c, CONTROL_NOT_AUTHORISED, NOT_AUTHORISED);
    wrongPassword(c);
    closeAfterReply(c);
}

// A client with the read password asks for a command that switches: refused, and a write
// is journaled as every refused write is.
bool ControlSessions::readOnlyRefuses(Client& c, const ControlCommandRow& row,
                                      std::string_view line) {
    if (c.mayWrite || !row.switches()) {
        return false;
    }
    if (row.writes()) {
        refuseWrite(c, line, CONTROL_NOT_AUTHORISED, READ_ONLY);
    } else {
        status(c, CONTROL_NOT_AUTHORISED, READ_ONLY);
    }
    return true;
}

void ControlSessions::wrongPassword(Client& c) {
    backoff_.wrong(c.address, host_.milliseconds());
    ++counters_.turnedAway;
    journalClient(c.source.client, WRONG_PASSWORD_TEXT);
}

// Another client's lock refuses the command: true, with the reason.
bool ControlSessions::lockedByAnother(const Client& c, char* reason, size_t size) const {
    if (!locked_ || lockOwner_ == c.id) {
        return false;
    }
    snprintf(reason, size, "locked by %s", lockHolder_.c_str());
    return true;
}

// Another client's lock was refused by the command's row before this.
void ControlSessions::handleLock(Client& c, bool lock) {
    locked_ = lock;
    lockOwner_ = c.id;
    lockHolder_ = lock ? c.source.client : "";
    status(c, CONTROL_OK, {});
}

} // namespace trx
