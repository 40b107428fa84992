#include "control/control_values.h"

#include "protocol/transmitter_vocabulary.h"

#include <cstdio>

namespace trx {

namespace {

bool isReported(const RegisterMirror& registers, int address) {
    return registers[address] != NOT_REPORTED;
}

void formatNumber(const RegisterMirror& registers, int address, int max, char* text, size_t size) {
    const int value = registers[address];
    if (value > max) {
        snprintf(text, size, "%s", CONTROL_UNKNOWN);
        return;
    }
    snprintf(text, size, "%d", value);
}

void formatStatusBit(const RegisterMirror& registers, int bit, const char* set, const char* clear,
                     char* text, size_t size) {
    if (!isReported(registers, StatusRegister)) {
        snprintf(text, size, "%s", CONTROL_UNKNOWN);
        return;
    }
    snprintf(text, size, "%s", (registers[StatusRegister] & bit) ? set : clear);
}

} // namespace

void ControlValues::linkUp(const RegisterMirror& registers) {
    registers_ = &registers;
    linkUp_ = true;
}

void ControlValues::linkLost(const RegisterMirror& registers) {
    registers_ = &registers;
    linkUp_ = false;
    anyReport_ = false;
}

void ControlValues::reported(int address, const RegisterMirror& registers, uint64_t nowMs) {
    registers_ = &registers;
    if (address < 0 || address >= REGISTER_COUNT) {
        return;
    }
    anyReport_ = true;
    lastReportMs_ = nowMs;
}

bool ControlValues::frequencyHertz(uint32_t& hertz) const {
    return trx::frequencyHertz(*registers_, hertz);
}

bool ControlValues::reportAge(uint64_t nowMs, uint64_t& ageMs) const {
    if (!anyReport_) {
        return false;
    }
    ageMs = nowMs >= lastReportMs_ ? nowMs - lastReportMs_ : 0;
    return true;
}

void ControlValues::format(ControlKey key, uint64_t nowMs, char* text, size_t size) const {
    const RegisterMirror& r = *registers_;
    snprintf(text, size, "%s", CONTROL_UNKNOWN);
    switch (key) {
    case ControlKey::Link:
        snprintf(text, size, "%s", linkUp_ ? "up" : "down");
        break;
    case ControlKey::Frequency: {
        uint32_t hertz = 0;
        if (frequencyHertz(hertz)) {
            formatMegahertz(hertz, text, size);
        }
        break;
    }
    case ControlKey::State:
        if (const OperatingStateName* state = operatingStateName(r[OperatingState])) {
            snprintf(text, size, "%s", state->word);
        }
        break;
    case ControlKey::Power:
        formatNumber(r, PowerLevel, POWER_LEVEL_MAX, text, size);
        break;
    case ControlKey::Program:
        formatNumber(r, ProgramNumber, HIGHEST_PROGRAM, text, size);
        break;
    case ControlKey::Antenna:
        formatNumber(r, Antenna, HIGHEST_ANTENNA, text, size);
        break;
    case ControlKey::Mode:
        if (isReported(r, EmissionMode) && isReported(r, ChannelA) && isReported(r, ChannelB)) {
            formatModeText(r, text, size);
        }
        break;
    case ControlKey::Tuned:
        formatStatusBit(r, STATUS_READY, "yes", "no", text, size);
        break;
    case ControlKey::Alarm:
        formatStatusBit(r, STATUS_ALARM, "on", "off", text, size);
        break;
    case ControlKey::ReportAge: {
        uint64_t age = 0;
        if (reportAge(nowMs, age)) {
            snprintf(text, size, "%llu", static_cast<unsigned long long>(age));
        }
        break;
    }
    }
}

} // namespace trx
