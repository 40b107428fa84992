// The protocol engine: command queue with echo acknowledgement, link supervision and the
// handling of every register report. It is passive: bytes and 100 ms ticks are handed to
// it, and it answers through the panel view and the line port. One per process.
#ifndef TRXDESK_PROTOCOL_H
#define TRXDESK_PROTOCOL_H

#include "line_port.h"
#include "panel_view.h"
#include "register_mirror.h"
#include "settings.h"

#include <array>
#include <cstdint>

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
// applyReport value that repaints from the mirror without storing.
constexpr int REPAINT = -1;

extern const char* const ACK_TIMEOUT_TEXT;

// A digit register written with this holds no frequency.
constexpr int NO_DIGIT = 15;

// The frequency display before any digit is reported.
constexpr char FREQUENCY_UNKNOWN[] = "__,_____";

// The six operating-state buttons, indexed by operating state - 1.
constexpr int STATE_COUNT = 6;
struct StateButton {
    int button;
    int normalIcon;
    int litIcon;
};
extern const StateButton stateButtons[STATE_COUNT];

struct ProtocolState {
    std::array<uint8_t, QUEUE_CAPACITY> queue{}; // queued form, oldest first
    int count = 0;
    uint8_t lastSent = 0; // line form
    bool awaitingEcho = false;
    bool linkAlive = false;
    int watchdogTicks = 0;
    int ackTicks = 0;
    bool alarmShown = false;
    bool closeOnStandby = false;
    RegisterMirror mirror;
};

class Protocol {
  public:
    Protocol(LinePort& port, PanelView& view, const Settings& settings)
        : port_(port), view_(view), settings_(settings) {}

    // False when refused: no port configured or the queue is full. Callers may ignore it.
    bool queueWrite(int address, int value);
    void sendNext();
    // One byte from the line (message 1126).
    void onByteReceived(uint8_t lineByte);
    // Every 100 ms.
    void onTimerTick();
    // Clears the link, both counters, the flags and the queue; the mirror becomes unreported
    // and the view shows the look of a panel that has received nothing.
    void resetProtocol();
    // One report: updates mirror and panel. REPORT_OK, REPORT_BAD_ADDRESS or REPORT_ALARM.
    int applyReport(int address, int value);

    // What the operator asks for. Each command checks its own condition and does nothing,
    // without a word, when it fails; a write the queue refuses is dropped the same way.
    //
    // Standby; also takes the alarm colours off the frequency display.
    void requestStandby();
    // Operating state 1..6; the power stages (3..6) need the status register's ready bit.
    void requestState(int operatingState);
    // Asks the transmitter for a report of every register.
    void requestRefresh();
    // In standby: sends the program shown again.
    void requestProgram();
    // In standby: the program `step` (+1 or -1) away from `position`, modulo 16.
    void stepProgram(int position, int step);
    // In standby: antenna 0..3.
    void selectAntenna(int antenna);
    // The three writes of preset `index` (0..3), in any state.
    void sendPreset(int index);
    // A frequency entered: standby, then the digits of registers 1..7; with a power stage
    // (4..6) as `tuneTo` the transmitter then tunes and goes to that stage, 0 leaves it.
    void sendFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, int tuneTo);
    // No frequency entered: standby, and no digit in any digit register.
    void clearFrequency();
    // Standby, and a close of the panel as soon as the transmitter reports it.
    void requestStandbyThenClose();
    // Windows is ending: the standby byte goes on the line at once, ahead of any write still
    // waiting for its echo, and the queue behind it is dropped; then waits, bounded, for it
    // to leave the port. False when it could not be written.
    bool requestStandbyNow();

    // The transmitter reports standby (register 8 exactly 1; never when unreported).
    bool standby() const;
    // The power stages may be asked for: bit 0 of the status register (set when unreported).
    bool powerStagesUnlocked() const;
    // Closing asks first while the transmitter has reported and is not in standby.
    bool transmitterActive() const;
    // Shows the operating state as the window icon while the panel is minimised, from the
    // mirror as it is: no report, no sign of life.
    void showWindowIcon();

    ProtocolState state;

  private:
    void paintUnconnected();
    void writeDebugLine();
    void showFrequency();
    void showOperatingState(int value);
    void showPresetsAndMode();
    int showStatus(int value);

    LinePort& port_;
    PanelView& view_;
    const Settings& settings_;
};

} // namespace trx

#endif
