// The protocol engine: command queue with echo acknowledgement, link supervision and the
// handling of every register report. It is passive: bytes and 100 ms ticks are handed to
// it, and it answers through the panel view and the line port. One per process.
#ifndef TRXDESK_PROTOCOL_H
#define TRXDESK_PROTOCOL_H

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

// Results of applyReport.
constexpr int REPORT_OK = 0;
constexpr int REPORT_BAD_ADDRESS = 1;
constexpr int REPORT_ALARM = 2;
// applyReport value that repaints from the mirror without storing.
constexpr int REPAINT = -1;

extern const char* const ACK_TIMEOUT_TEXT;

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
    // Clears the link, both counters, the flags and the queue; the mirror becomes unreported.
    void resetProtocol();
    // One report: updates mirror and panel. REPORT_OK, REPORT_BAD_ADDRESS or REPORT_ALARM.
    int applyReport(int address, int value);
    // The three writes of preset `index` (0..3).
    void selectPreset(int index);

    ProtocolState state;

  private:
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
