// One line of the operating journal before it is written: what happened, when, who caused it.
#ifndef TRXDESK_JOURNAL_RECORD_H
#define TRXDESK_JOURNAL_RECORD_H

#include "protocol/line_listener.h"

#include <cstdint>

namespace trx {

enum class JournalEvent : uint8_t {
    Start,
    End,
    Port,
    Link,
    Report,
    Command,
    Echo,
    Alarm,
    Journal,
    ControlPort, // the control port opening, its clients coming, going or turned away
    Schedule,    // the season schedule's own doings (its writes are Befehl lines)
};

enum class JournalSource : uint8_t {
    Program,     // the program itself
    Transmitter, // what the transmitter reported
    Panel,       // the operator at this panel
    Control,     // a control-port client
    Schedule,    // the season schedule running by itself
};

// Whose budget of the flood limit a line draws on: what happens on the line (transmitter,
// operator, program), or the control port's own doings (its clients coming and going, their
// refused commands), which must never crowd out the line's.
enum class JournalOrigin : uint8_t {
    Line,
    ControlPort,
};

// A calendar time of day to the millisecond.
struct CivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// One moment as both columns show it: UTC as milliseconds since 1970, and the PC's local
// time, which only the platform knows.
struct JournalTime {
    int64_t utcMs = 0;
    CivilTime local;
};

// The journal is handed time, so that tests can drive the day change and the flood limit.
class JournalClock {
  public:
    virtual ~JournalClock() = default;
    virtual JournalTime now() = 0;
};

constexpr int64_t JOURNAL_MS_PER_DAY = 86400000;
constexpr int JOURNAL_TEXT_SIZE = 256;
constexpr int NO_FIELD = -1;        // an empty Register, alt or neu column
constexpr int64_t NO_DURATION = -1; // an empty Dauer column

struct JournalRecord {
    JournalTime time;
    JournalEvent event = JournalEvent::Journal;
    JournalSource source = JournalSource::Program;
    JournalOrigin origin = JournalOrigin::Line;
    char client[CLIENT_NAME_SIZE] = {}; // "<address>:<port>" of a control-port client
    int address = NO_FIELD;
    int previous = NO_FIELD;
    int value = NO_FIELD;
    char text[JOURNAL_TEXT_SIZE] = {}; // CP1252, as every text of the program
    int64_t durationMs = NO_DURATION;
};

} // namespace trx

#endif
