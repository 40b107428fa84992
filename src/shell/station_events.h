// Everything that happens at this station, in one stream, for whoever records it (the
// operating journal): the engine's announcements, the panel's port changes and the session's
// end, and the control port's own events.
#ifndef TRXDESK_STATION_EVENTS_H
#define TRXDESK_STATION_EVENTS_H

#include "protocol/line_listener.h"

#include <cstddef>

namespace trx {

class StationEvents : public LineListener {
  public:
    // The settings moved the panel to `portNumber` (NO_PORT: none); `connection` is the
    // new connection text.
    virtual void portChanged(int portNumber, const char* connection) {
        (void)portNumber, (void)connection;
    }
    // `portNumber` did not open (at start or in the settings): the message the operator saw.
    // The panel is left without a port.
    virtual void portFailed(int portNumber, const char* message) {
        (void)portNumber, (void)message;
    }
    // Windows ends the session: the process ends after this call.
    virtual void sessionEnding() {}
    // The control port opening, a client connecting, leaving or turned away: the line's text.
    virtual void controlPortEvent(const char* text) { (void)text; }
    // A client's command that put nothing on the line: the command as sent, "abgelehnt" and
    // the reason.
    virtual void commandRefused(const CommandSource& source, const char* text) {
        (void)source, (void)text;
    }
    // The path of the file that takes the lines now, in `out`; empty while nothing records.
    virtual void recordFile(char* out, size_t size) {
        if (size > 0) {
            out[0] = '\0';
        }
    }
    // The season schedule's own doings: loading its file, switched on or off, a change begun,
    // done or failed, hand operation. The line's text.
    virtual void scheduleEvent(const char* text) { (void)text; }
};

} // namespace trx

#endif
