#include "protocol.h"

namespace trx {

namespace {
constexpr int PROGRAM_COUNT = 16;
} // namespace

bool Protocol::standby() const {
    return state.mirror[OperatingState] == STATE_STANDBY;
}

bool Protocol::powerStagesUnlocked() const {
    return (state.mirror[StatusRegister] & STATUS_READY) != 0;
}

bool Protocol::transmitterActive() const {
    return state.linkAlive && !standby();
}

void Protocol::requestStandby() {
    queueWrite(OperatingState, STATE_STANDBY);
    if (state.alarmShown) {
        state.alarmShown = false;
        applyReport(FrequencyDigit1, REPAINT); // back to the normal colours
    }
}

void Protocol::requestState(int operatingState) {
    switch (operatingState) {
    case STATE_STANDBY:
        requestStandby();
        break;
    case STATE_TUNE:
        queueWrite(OperatingState, STATE_TUNE);
        break;
    case STATE_NO_POWER:
    case STATE_P100:
    case STATE_P250:
    case STATE_P1000:
        if (powerStagesUnlocked()) {
            queueWrite(OperatingState, operatingState);
        }
        break;
    default:
        break;
    }
}

void Protocol::requestRefresh() {
    queueWrite(StatusRegister, 0);
}

void Protocol::requestProgram() {
    // Nothing is shown before the program is reported, so there is nothing to send again.
    if (standby() && state.mirror[ProgramNumber] != NOT_REPORTED) {
        queueWrite(ProgramNumber, state.mirror[ProgramNumber]);
    }
}

void Protocol::stepProgram(int position, int step) {
    if (standby()) {
        queueWrite(ProgramNumber,
                   ((position + step) % PROGRAM_COUNT + PROGRAM_COUNT) % PROGRAM_COUNT);
    }
}

void Protocol::selectAntenna(int antenna) {
    if (standby() && antenna >= 0 && antenna < ANTENNA_COUNT) {
        queueWrite(Antenna, antenna);
    }
}

void Protocol::sendPreset(int index) {
    if (index < 0 || index >= PRESET_COUNT) {
        return;
    }
    for (const RegisterWrite& w : presetWrites(settings_.presets[static_cast<size_t>(index)])) {
        queueWrite(w.address, w.value);
    }
}

void Protocol::sendFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits, int tuneTo) {
    queueWrite(OperatingState, STATE_STANDBY);
    for (int i = 0; i < FREQUENCY_DIGIT_COUNT; ++i) {
        queueWrite(FrequencyDigit1 + i, digits[static_cast<size_t>(i)]);
    }
    if (tuneTo >= STATE_P100 && tuneTo <= STATE_P1000) {
        queueWrite(OperatingState, STATE_TUNE);
        queueWrite(OperatingState, tuneTo);
    }
}

void Protocol::clearFrequency() {
    queueWrite(OperatingState, STATE_STANDBY);
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        queueWrite(reg, NO_DIGIT);
    }
}

void Protocol::requestStandbyThenClose() {
    state.closeOnStandby = true;
    queueWrite(OperatingState, STATE_STANDBY);
}

bool Protocol::requestStandbyNow() {
    if (port_.portNumber() == NO_PORT) {
        return false;
    }
    // Whatever was queued before must not follow the standby onto the line.
    state.count = 0;
    const uint8_t lineByte = lineByteFor(OperatingState, STATE_STANDBY);
    if (!port_.write(lineByte)) {
        return false;
    }
    state.lastSent = lineByte;
    state.awaitingEcho = state.linkAlive;
    state.ackTicks = 0;
    port_.flush(END_SESSION_FLUSH_MS);
    return true;
}

} // namespace trx
