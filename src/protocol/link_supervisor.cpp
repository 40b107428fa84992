#include "protocol/protocol.h"

#include "res/resource.h"

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
    if (isEcho(lineByte, state_.lastSent)) {
        const bool awaited = state_.awaitingEcho;
        state_.awaitingEcho = false;
        state_.ackTicks = 0;
        if (awaited) {
            const LineWrite echoed = state_.inFlight;
            announce([&](LineListener& l, const RegisterMirror& r) { l.writeEchoed(echoed, r); });
        }
        sendNext();
    }
    const RegisterWrite report = decodeByte(lineByte);
    if (applyReport(report.address, report.value) == REPORT_ALARM && !state_.alarmShown) {
        state_.alarmShown = true;
        repaintFrequency(); // in alarm colours
    }
}

void Protocol::onTimerTick() {
    if (!state_.linkAlive) {
        return;
    }
    if (state_.watchdogTicks > WATCHDOG_LIMIT) {
        resetProtocol(); // link down, nothing awaited, the unconnected look
        return;
    }
    ++state_.watchdogTicks;
    if (!state_.awaitingEcho) {
        return;
    }
    if (state_.ackTicks > ACK_LIMIT) {
        state_.awaitingEcho = false;
        state_.closeOnStandby = false;
        dropQueue();
        state_.ackTicks = 0;
        const LineWrite missing = state_.inFlight;
        announce([&](LineListener& l, const RegisterMirror& r) { l.echoMissing(missing, r); });
        // Modal: bytes and ticks keep arriving meanwhile, and nothing is awaited any more.
        view_.showError(ACK_TIMEOUT_TEXT);
    } else {
        ++state_.ackTicks;
    }
}

void Protocol::resetProtocol(bool reopened) {
    const bool wasAlive = state_.linkAlive;
    state_.linkAlive = false;
    state_.watchdogTicks = 0;
    state_.alarmShown = false;
    state_.closeOnStandby = false;
    state_.awaitingEcho = false;
    state_.ackTicks = 0;
    dropQueue();
    state_.mirror.reset();
    paintUnconnected();
    if (wasAlive && reopened) {
        announce([](LineListener& l, const RegisterMirror& r) { l.portReopened(r); });
    } else if (wasAlive) {
        announce([](LineListener& l, const RegisterMirror& r) { l.linkLost(r); });
    } else {
        announce([](LineListener& l, const RegisterMirror& r) { l.resetWhileDown(r); });
    }
}

void Protocol::paintUnconnected() {
    for (int i = 0; i < PRESET_COUNT; ++i) {
        const ModeTypeInfo& type = modeTypeInfo(settings_.presets[static_cast<size_t>(i)].modeType);
        view_.setButtonIcon(IDC_PRESET0 + i, type.normalIcon);
    }
    view_.setStatusIcon(STATUS_PART_LINK, IDI_LINK_DOWN);
    for (const StateButton& button : stateButtons) {
        view_.setButtonIcon(button.button, button.normalIcon);
    }
    view_.enableControl(IDC_PROGRAM_UPDOWN, false);
    view_.setIndicatorIcon(IDC_INDICATOR_LOW, IDI_IND_LOW_0);
    view_.setIndicatorIcon(IDC_INDICATOR_HIGH, IDI_IND_HIGH_0);
    view_.setText(IDC_FREQUENCY, FREQUENCY_UNKNOWN);
    view_.setText(IDC_PROGRAM, "");
    view_.setText(IDC_ANTENNA, "");
    view_.setProgressPosition(IDC_POWER, 0); // no stale power reading once the link is gone
    view_.setStatusText(STATUS_PART_DATA, "");
}

} // namespace trx
