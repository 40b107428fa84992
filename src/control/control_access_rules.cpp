// Who may command: the password of a client from another computer, and the lock one client
// holds against the others.
#include "control_session_rules.h"

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
    if (passwordMatches(command.text, password_)) {
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
