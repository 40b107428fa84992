#include "protocol/protocol.h"

namespace trx {

namespace {

CommandResult refused(Refusal why) {
    CommandResult result;
    result.refusal = why;
    return result;
}

} // namespace

bool Protocol::standby() const {
    return state_.mirror[OperatingState] == STATE_STANDBY;
}

bool Protocol::powerStagesUnlocked() const {
    return (state_.mirror[StatusRegister] & STATUS_READY) != 0;
}

bool Protocol::transmitterActive() const {
    return state_.linkAlive && !standby();
}

CommandResult Protocol::requestStandby(const CommandSource& source) {
    const CommandResult result = queueAll({{OperatingState, STATE_STANDBY}}, source);
    if (state_.alarmShown) {
        state_.alarmShown = false;
        repaintFrequency(); // back to the normal colours
    }
    return result;
}

CommandResult Protocol::requestState(int operatingState, const CommandSource& source) {
    switch (operatingState) {
    case STATE_STANDBY:
        return requestStandby(source);
    case STATE_TUNE:
        return queueAll({{OperatingState, STATE_TUNE}}, source);
    case STATE_NO_POWER:
    case STATE_P100:
    case STATE_P250:
    case STATE_P1000:
        if (!powerStagesUnlocked()) {
            return refused(Refusal::NotTuned);
        }
        return queueAll({{OperatingState, operatingState}}, source);
    default:
        return refused(Refusal::OutOfRange);
    }
}

CommandResult Protocol::requestRefresh(const CommandSource& source) {
    return queueAll({{StatusRegister, 0}}, source);
}

CommandResult Protocol::requestProgram(const CommandSource& source) {
    // Nothing is shown before the program is reported, so there is nothing to send again.
    if (!standby() || state_.mirror[ProgramNumber] == NOT_REPORTED) {
        return refused(Refusal::NotStandby);
    }
    return queueAll({{ProgramNumber, state_.mirror[ProgramNumber]}}, source);
}

CommandResult Protocol::selectProgram(int program, const CommandSource& source) {
    if (program < 0 || program >= PROGRAM_COUNT) {
        return refused(Refusal::OutOfRange);
    }
    if (!standby()) {
        return refused(Refusal::NotStandby);
    }
    return queueAll({{ProgramNumber, program}}, source);
}

CommandResult Protocol::stepProgram(int position, int step, const CommandSource& source) {
    if (!standby()) {
        return refused(Refusal::NotStandby);
    }
    return queueAll(
        {{ProgramNumber, ((position + step) % PROGRAM_COUNT + PROGRAM_COUNT) % PROGRAM_COUNT}},
        source);
}

CommandResult Protocol::selectAntenna(int antenna, const CommandSource& source) {
    if (antenna < 0 || antenna >= ANTENNA_COUNT) {
        return refused(Refusal::OutOfRange);
    }
    if (!standby()) {
        return refused(Refusal::NotStandby);
    }
    return queueAll({{Antenna, antenna}}, source);
}

CommandResult Protocol::sendPreset(int index, const CommandSource& source) {
    if (index < 0 || index >= PRESET_COUNT) {
        return refused(Refusal::OutOfRange);
    }
    const auto writes = presetWrites(settings_.presets[static_cast<size_t>(index)]);
    return queueAll({writes[0], writes[1], writes[2]}, source);
}

CommandResult Protocol::sendFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits,
                                      int tuneTo, const CommandSource& source) {
    // Standby, the seven digits, and tune and the stage when asked: all or nothing.
    std::array<RegisterWrite, FREQUENCY_DIGIT_COUNT + 3> writes{};
    size_t count = 0;
    writes[count++] = {OperatingState, STATE_STANDBY};
    for (int i = 0; i < FREQUENCY_DIGIT_COUNT; ++i) {
        writes[count++] = {FrequencyDigit1 + i, digits[static_cast<size_t>(i)]};
    }
    if (tuneTo >= STATE_P100 && tuneTo <= STATE_P1000) {
        writes[count++] = {OperatingState, STATE_TUNE};
        writes[count++] = {OperatingState, tuneTo};
    }
    return queueAll(std::span<const RegisterWrite>(writes.data(), count), source);
}

CommandResult Protocol::enterFrequency(const std::array<int, FREQUENCY_DIGIT_COUNT>& digits,
                                       int tuneTo, const CommandSource& source) {
    if (!standby()) {
        return refused(Refusal::NotStandby);
    }
    return sendFrequency(digits, tuneTo, source);
}

CommandResult Protocol::clearFrequency(const CommandSource& source) {
    return queueAll({{OperatingState, STATE_STANDBY},
                     {FrequencyDigit1, NO_DIGIT},
                     {FrequencyDigit2, NO_DIGIT},
                     {FrequencyDigit3, NO_DIGIT},
                     {FrequencyDigit4, NO_DIGIT},
                     {FrequencyDigit5, NO_DIGIT},
                     {FrequencyDigit6, NO_DIGIT},
                     {FrequencyDigit7, NO_DIGIT}},
                    source);
}

CommandResult Protocol::requestStandbyThenClose(const CommandSource& source) {
    state_.closeOnStandby = true;
    return queueAll({{OperatingState, STATE_STANDBY}}, source);
}

bool Protocol::requestStandbyNow(const CommandSource& source) {
    if (port_.portNumber() == NO_PORT) {
        return false;
    }
    // Whatever was queued before must not follow the standby onto the line.
    dropQueue();
    LineWrite write;
    write.address = OperatingState;
    write.value = STATE_STANDBY;
    write.previous = state_.mirror[OperatingState];
    write.source = source;
    const uint8_t lineByte = lineByteFor(write.address, write.value);
    if (!port_.write(lineByte)) {
        return false;
    }
    write.sequence = ++state_.sequence;
    state_.inFlight = write;
    state_.lastSent = lineByte;
    state_.awaitingEcho = state_.linkAlive;
    state_.ackTicks = 0;
    announce([&](LineListener& l, const RegisterMirror& r) { l.writeSent(write, r); });
    port_.flush(END_SESSION_FLUSH_MS);
    return true;
}

} // namespace trx
