#include "protocol.h"

namespace trx {

const char* const ACK_TIMEOUT_TEXT =
    "Der Sender hat den letzten Befehl nicht ordnungsgemäß\nquittiert. Überprüfen Sie die "
    "Verbindung zum Sender und\nstellen Sie sicher, daß die Bedienung bei Ihnen liegt.";

namespace {
bool isEcho(uint8_t received, uint8_t lastSent) {
    // The refresh request is answered by a status report of any value.
    return received == lastSent ||
           (lastSent == REFRESH_REQUEST && (received & 0x0F) == (REFRESH_REQUEST & 0x0F));
}
} // namespace

void Protocol::onByteReceived(uint8_t lineByte) {
    if (lineByte == ERROR_CHAR) {
        return; // parity error: not even a sign of life
    }
    if (isEcho(lineByte, state.lastSent)) {
        state.awaitingEcho = false;
        state.ackTicks = 0;
        sendNext();
    }
    const RegisterWrite report = decodeByte(lineByte);
    if (applyReport(report.address, report.value) == REPORT_ALARM && !state.alarmShown) {
        state.alarmShown = true;
        applyReport(FrequencyDigit1, REPAINT); // repaint the display in alarm colours
    }
}

void Protocol::onTimerTick() {
    if (!state.linkAlive) {
        return;
    }
    if (state.watchdogTicks > WATCHDOG_LIMIT) {
        view_.resetPanel(); // resets this state too: link down, nothing awaited
        return;
    }
    ++state.watchdogTicks;
    if (!state.awaitingEcho) {
        return;
    }
    if (state.ackTicks > ACK_LIMIT) {
        state.awaitingEcho = false;
        state.closeOnStandby = false;
        state.count = 0;
        state.ackTicks = 0;
        // Modal: bytes and ticks keep arriving meanwhile, and nothing is awaited any more.
        view_.showError(ACK_TIMEOUT_TEXT);
    } else {
        ++state.ackTicks;
    }
}

void Protocol::resetProtocol() {
    state.linkAlive = false;
    state.watchdogTicks = 0;
    state.alarmShown = false;
    state.closeOnStandby = false;
    state.awaitingEcho = false;
    state.ackTicks = 0;
    state.count = 0;
    state.mirror.reset();
}

} // namespace trx
