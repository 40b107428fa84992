// What happens on the line, as the engine announces it to whoever listens beside the panel
// (the operating journal, the control port). Each announcement carries the registers as the
// engine holds them after the change, read-only: listeners keep no copy of their own, never
// write the engine's state, and must not call back into the engine from inside a call.
#ifndef TRXDESK_LINE_LISTENER_H
#define TRXDESK_LINE_LISTENER_H

#include "protocol/register_mirror.h"

#include <cstdint>

namespace trx {

// Who asked for a write.
enum class SourceKind : uint8_t {
    Panel,    // the operator at this panel
    Program,  // the program itself (the refresh request at link-up, the log-off standby)
    Control,  // a control-port client
    Schedule, // the season schedule running by itself
};

// "<address>:<port>" of a control-port client and its terminator: "255.255.255.255:65535".
constexpr int CLIENT_NAME_SIZE = 24;

struct CommandSource {
    SourceKind kind = SourceKind::Panel;
    char client[CLIENT_NAME_SIZE] = {}; // empty unless kind is Control
};

// One write as the engine put it in its queue. `previous` is the mirror's value of the
// register when the write was queued (NOT_REPORTED when none); `sequence` counts the
// writes queued in this run from 1, so a caller can tell its own write among the echoes.
struct LineWrite {
    int address = 0;
    int value = 0;
    int previous = 0;
    uint32_t sequence = 0;
    CommandSource source;
};

class LineListener {
  public:
    virtual ~LineListener() = default;

    // `registers` in every call: the engine's registers after the change, valid until the
    // engine changes them again (a listener may keep the reference to answer from it).

    // The first status report after silence or start brought the link up.
    virtual void linkUp(const RegisterMirror& registers) { (void)registers; }
    // The watchdog found the line silent: every value is unreported again, the queue is
    // dropped, and no write still waiting for its echo will be confirmed.
    virtual void linkLost(const RegisterMirror& registers) { (void)registers; }
    // The operator reopened the port (the settings' OK) while the link was up: as after a
    // loss, every value is unreported and the queue is dropped, but the line was not found
    // silent and nothing was lost. Heard as a loss unless a listener tells the two apart.
    virtual void portReopened(const RegisterMirror& registers) { linkLost(registers); }
    // The engine was reset while the link was already down (a port opened or reopened, the
    // panel's reset): every value is unreported and the queue dropped; nothing was lost.
    virtual void resetWhileDown(const RegisterMirror& registers) { (void)registers; }
    // Every report of a register, changed or not: `previous` is the value before (NOT_REPORTED
    // before the first report since link-up), `registers[address]` the value now.
    virtual void reported(int address, int previous, const RegisterMirror& registers) {
        (void)address, (void)previous, (void)registers;
    }
    // A byte left for the line.
    virtual void writeSent(const LineWrite& write, const RegisterMirror& registers) {
        (void)write, (void)registers;
    }
    // The transmitter echoed it.
    virtual void writeEchoed(const LineWrite& write, const RegisterMirror& registers) {
        (void)write, (void)registers;
    }
    // The echo of `write` did not come in time: it and every write queued behind it are
    // dropped and will never be echoed.
    virtual void echoMissing(const LineWrite& write, const RegisterMirror& registers) {
        (void)write, (void)registers;
    }
    // The alarm bit of the status register went on or off in a report.
    virtual void alarmRaised(const RegisterMirror& registers) { (void)registers; }
    virtual void alarmCleared(const RegisterMirror& registers) { (void)registers; }
};

} // namespace trx

#endif
