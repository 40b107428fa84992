// The protocol engine: command queue with echo acknowledgement, link supervision and the
// handling of every register report. It is passive: bytes and 100 ms ticks are handed to
// it, and it answers through the panel view and the line port. One per process.
#ifndef TRXDESK_PROTOCOL_H
#define TRXDESK_PROTOCOL_H

#include "protocol/line_listener.h"
#include "protocol/line_port.h"
#include "protocol/panel_view.h"
#include "protocol/register_mirror.h"
#include "protocol/settings.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace trx {

constexpr int QUEUE_CAPACITY = 32;
// Ticks without a report after which the link counts as lost (reset on the 42nd).
constexpr int WATCHDOG_LIMIT = 40;
// Ticks of a wait for an echo after which the command counts as lost (on the 22nd).
constexpr int ACK_LIMIT = 20;
// How long the standby byte at the end of a Windows session may take to leave the port.
constexpr int END_SESSION_FLUSH_MS = 1000;

// Results of applyReport.
constexpr int REPORT_OK = 0;
constexpr int REPORT_BAD_ADDRESS = 1;
constexpr int REPORT_ALARM = 2;

extern const char* const ACK_TIMEOUT_TEXT;

// At most this many listeners hear the engine (the panel, the journal, the control port).
constexpr int LISTENER_CAPACITY = 4;

// The six operating-state buttons, indexed by operating state - 1.
struct StateButton {
    int button;
    int normalIcon;
    int litIcon;
};
extern const StateButton stateButtons[STATE_COUNT];

// Why an operation put nothing, or not everything, on the line.
enum class Refusal : uint8_t {
    None,
    NoPort,     // no port configured
    QueueFull,  // the queue could not take every write of the operation
    NotStandby, // program, antenna and frequency change only in standby
    NotTuned,   // the power stages need the status register's ready bit
    OutOfRange, // a value the register does not take
};

struct CommandResult {
    Refusal refusal = Refusal::None;
    uint32_t lastWrite = 0; // LineWrite::sequence of the operation's last write, 0: none
    bool accepted() const { return refusal == Refusal::None; }
};

class Protocol {
  public:
    Protocol(LinePort& port, PanelView& view, const Settings& settings)
        : port_(port), view_(view), settings_(settings) {}

    // Listeners hear every announcement in the order they were added; each must outlive
    // the engine. False when LISTENER_CAPACITY are already there.
    bool addListener(LineListener& listener);

    // One write at the end of the queue. False when refused: no port configured or the
    // queue is full.
    bool queueWrite(int address, int value, const CommandSource& source = {});
    // One byte from the line (message 1126).
    void onByteReceived(uint8_t lineByte);
    // Every 100 ms.
    void onTimerTick();
    // Clears the link, both counters, the flags and the queue; the mirror becomes unreported
    // and the view shows the look of a panel that has received nothing. A link that was up
    // is announced as lost, or with `reopened` as the operator's reopening of the port; one
    // that was down as a reset while down.
    void resetProtocol(bool reopened = false);
    // One report: updates mirror and panel. REPORT_OK, REPORT_BAD_ADDRESS or REPORT_ALARM.
    int applyReport(int address, int value);

    // What the operator, the program or a control-port client asks for. Each operation
    // checks its own condition and tells why it put nothing on the line; the panel drops
    // the answer, as a click that cannot be obeyed does nothing.
    //
    // Standby; also takes the alarm colours off the frequency display.
    CommandResult requestStandby(const CommandSource& source = {});
    // Operating state 1..6; the power stages (3..6) need the status register's ready bit.
    CommandResult requestState(int operatingState, const CommandSource& source = {});
    // Asks the transmitter for a report of every register.
    CommandResult requestRefresh(const CommandSource& source = {});
    // In standby: sends the program shown again.
    CommandResult requestProgram(const CommandSource& source = {});
    // In standby: program 0..15.
    CommandResult selectProgram(int program, const CommandSource& source = {});
    // In standby: the program `step` (+1 or -1) away from `position`, modulo 16.
    CommandResult stepProgram(int position, int step, const CommandSource& source = {});
    // In standby: antenna 0..3.
    CommandResult selectAntenna(int antenna, const CommandSource& source = {});
    // The three writes of preset `index` (0..3), in any state.
    CommandResult sendPreset(int index, const CommandSource& source = {});
    // A frequency entered: standby, then the digits of registers 1..7; with a
    // power stage (4..6) as `tuneTo` the transmitter then tunes and goes to that stage, 0
    // leaves it.
    CommandResult sendFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, int tuneTo,
                                const CommandSource& source = {});
    // The same from outside the frequency entry, which opens only in standby: refused in
    // any other state.
    CommandResult enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, int tuneTo,
                                 const CommandSource& source = {});
    // No frequency entered: standby, and no digit in any digit register.
    CommandResult clearFrequency(const CommandSource& source = {});
    // Standby, and a close of the panel as soon as the transmitter reports it.
    CommandResult requestStandbyThenClose(const CommandSource& source = {});
    // Windows is ending: the standby byte goes on the line at once, ahead of any write still
    // waiting for its echo, and the queue behind it is dropped; then waits, bounded, for it
    // to leave the port. False when it could not be written.
    bool requestStandbyNow(const CommandSource& source = {});

    // The link is up: a status report came and the watchdog has not found silence since.
    bool linkAlive() const { return state_.linkAlive; }
    // The frequency display is in the alarm colours.
    bool alarmShown() const { return state_.alarmShown; }
    // The last reported values; NOT_REPORTED where none came since the last reset.
    const RegisterMirror& mirror() const { return state_.mirror; }
    // The transmitter reports standby (register 8 exactly 1; never when unreported).
    bool standby() const;
    // The power stages may be asked for: bit 0 of the status register (set when unreported).
    bool powerStagesUnlocked() const;
    // Closing asks first while the transmitter has reported and is not in standby.
    bool transmitterActive() const;
    // Shows the operating state as the window icon while the panel is minimised, from the
    // mirror as it is: no report, no sign of life.
    void showWindowIcon();

  private:
    struct State {
        std::array<LineWrite, QUEUE_CAPACITY> queue{}; // oldest first
        int count = 0;
        LineWrite inFlight;   // the write last put on the line
        uint8_t lastSent = 0; // its line form
        uint32_t sequence = 0;
        bool awaitingEcho = false;
        bool linkAlive = false;
        int watchdogTicks = 0;
        int ackTicks = 0;
        bool alarmShown = false;
        bool closeOnStandby = false;
        RegisterMirror mirror;
    };

    void sendNext();
    void dropQueue();
    CommandResult queueAll(std::span<const RegisterWrite> writes, const CommandSource& source);
    CommandResult queueAll(std::initializer_list<RegisterWrite> writes,
                           const CommandSource& source) {
        return queueAll(std::span<const RegisterWrite>(writes.begin(), writes.size()), source);
    }
    // Repaints the frequency display from the mirror, in the colours alarmShown asks for.
    void repaintFrequency();
    void bringLinkUp();
    void storeAndShow(int address, int value);
    int storeStatus(int value);
    void paintUnconnected();
    void writeDebugLine();
    void showOperatingState(int value);
    void showPresetsAndMode();
    template <typename Event> void announce(Event event) {
        for (int i = 0; i < listenerCount_; ++i) {
            event(*listeners_[static_cast<size_t>(i)],
                  static_cast<const RegisterMirror&>(state_.mirror));
        }
    }

    LinePort& port_;
    PanelView& view_;
    const Settings& settings_;
    State state_;
    std::array<LineListener*, LISTENER_CAPACITY> listeners_{};
    int listenerCount_ = 0;
};

} // namespace trx

#endif
