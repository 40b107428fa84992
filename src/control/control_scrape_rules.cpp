// A scrape: its request's head, read whatever its length, and the one answer before the
// close. Nothing of it is ever read as a command.
#include "control_session_rules.h"

namespace trx {

void ControlSessions::readRequest(Client& c) {
    const bool whole = c.request.take(c.input);
    c.input.clear(); // a body is never read
    if (whole) {
        answerRequest(c);
    }
}

void ControlSessions::answerRequest(Client& c) {
    const HttpRequestHead& request = c.request;
    std::string reply;
    if (request.tooLarge()) {
        appendHttpReply(reply, HttpReply::TooLarge, {});
    } else if (!request.isGet()) {
        appendHttpReply(reply, HttpReply::MethodNotAllowed, {});
    } else if (!request.isMetricsPath()) {
        appendHttpReply(reply, HttpReply::NotFound, {});
    } else if (c.remote && request.authorization().empty()) {
        appendHttpReply(reply, HttpReply::Unauthorised, {}); // asks for the credentials
    } else if (c.remote && !basicPasswordMatches(request.authorization(), password_)) {
        wrongPassword(c);
        appendHttpReply(reply, HttpReply::Unauthorised, {});
    } else {
        if (c.remote) {
            backoff_.right(c.address);
        }
        std::string body;
        ScheduleReport schedule;
        if (schedule_) {
            schedule = schedule_->scheduleReport();
        }
        appendMetricsText(body, {values_, counters_, engine_.serialPortNumber(), lineClients(),
                                 host_.milliseconds(), schedule_ ? &schedule : nullptr});
        appendHttpReply(reply, HttpReply::Metrics, body);
    }
    send(c, reply);
    closeAfterReply(c);
}

} // namespace trx
