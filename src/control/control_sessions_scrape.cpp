// A scrape: its request's head, read whatever its length, and the one answer before the
// close. Nothing of it is ever read as a command. And which transmitter this is, for the
// scrape and `info`.
#include "control/control_sessions.h"

namespace trx {

void ControlSessions::readRequest(Client& c) {
    const bool whole = c.request.take(c.input);
    c.input.clear(); // a body is never read
    if (whole) {
        answerRequest(c);
    }
}

// Either password lets a scrape read.
bool ControlSessions::scrapeAllowed(std::string_view authorization) const {
    std::string sent;
    return basicPassword(authorization, sent) &&
           passwordRight(sent, password_, readPassword_) != ControlRight::None;
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
    } else if (c.remote && !scrapeAllowed(request.authorization())) {
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
        const ControlIdentity station = identity();
        appendMetricsText(body, {values_, counters_, engine_.serialPortNumber(), lineClients(),
                                 host_.milliseconds(), &station, schedule_ ? &schedule : nullptr});
        appendHttpReply(reply, HttpReply::Metrics, body);
    }
    send(c, reply);
    closeAfterReply(c);
}

// Without a station (a port made without one) the texts stay empty; the journal's file is
// empty while the journal is off.
ControlIdentity ControlSessions::identity() const {
    ControlIdentity identity;
    char port[CONTROL_PORT_NAME_SIZE];
    formatPortName(engine_.serialPortNumber(), port, sizeof port);
    identity.port = port;
    if (station_ != nullptr) {
        identity.title = oneLineText(station_->title(), CONTROL_TITLE_LIMIT);
        identity.baudRate = station_->baudRate();
        identity.version = oneLineText(station_->version(), CONTROL_TITLE_LIMIT);
    }
    if (journal_ != nullptr) {
        char file[CONTROL_PATH_LIMIT + 1];
        journal_->recordFile(file, sizeof file);
        identity.journalFile = oneLineText(file, CONTROL_PATH_LIMIT);
    }
    return identity;
}

} // namespace trx
