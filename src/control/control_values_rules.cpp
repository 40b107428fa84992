#include "control_values_rules.h"

#include "wire_codec.h"

#include <cstdio>

namespace trx {

namespace {

constexpr const char* STATE_TEXTS[] = {"standby", "tune", "nopower", "100", "250", "1000"};
constexpr int STATE_TEXT_COUNT = sizeof STATE_TEXTS / sizeof STATE_TEXTS[0];
constexpr int POWER_MAX = 7;
constexpr int PROGRAM_MAX = 15;
constexpr int ANTENNA_MAX = 3;
constexpr uint32_t HERTZ_PER_STEP = 10; // the last digit register counts 10 Hz
constexpr uint32_t HERTZ_PER_MEGAHERTZ = 1000000;

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

void ControlValues::linkUp() {
    linkUp_ = true;
}

void ControlValues::linkLost() {
    linkUp_ = false;
    anyReport_ = false;
    registers_.reset();
}

void ControlValues::reported(int address, int value, uint64_t nowMs) {
    if (address < 0 || address >= REGISTER_COUNT) {
        return;
    }
    registers_[address] = static_cast<uint8_t>(value);
    anyReport_ = true;
    lastReportMs_ = nowMs;
}

bool ControlValues::frequencyHertz(uint32_t& hertz) const {
    uint32_t steps = 0;
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        if (registers_[reg] > 9) {
            return false;
        }
        steps = steps * 10 + registers_[reg];
    }
    hertz = steps * HERTZ_PER_STEP;
    return true;
}

bool ControlValues::reportAge(uint64_t nowMs, uint64_t& ageMs) const {
    if (!anyReport_) {
        return false;
    }
    ageMs = nowMs >= lastReportMs_ ? nowMs - lastReportMs_ : 0;
    return true;
}

void ControlValues::format(ControlKey key, uint64_t nowMs, char* text, size_t size) const {
    const RegisterMirror& r = registers_;
    snprintf(text, size, "%s", CONTROL_UNKNOWN);
    switch (key) {
    case ControlKey::Link:
        snprintf(text, size, "%s", linkUp_ ? "up" : "down");
        break;
    case ControlKey::Frequency: {
        uint32_t hertz = 0;
        if (frequencyHertz(hertz)) {
            snprintf(text, size, "%u.%05u", static_cast<unsigned>(hertz / HERTZ_PER_MEGAHERTZ),
                     static_cast<unsigned>(hertz % HERTZ_PER_MEGAHERTZ / HERTZ_PER_STEP));
        }
        break;
    }
    case ControlKey::State:
        if (r[OperatingState] >= STATE_STANDBY && r[OperatingState] <= STATE_TEXT_COUNT) {
            snprintf(text, size, "%s", STATE_TEXTS[r[OperatingState] - STATE_STANDBY]);
        }
        break;
    case ControlKey::Power:
        formatNumber(r, PowerLevel, POWER_MAX, text, size);
        break;
    case ControlKey::Program:
        formatNumber(r, ProgramNumber, PROGRAM_MAX, text, size);
        break;
    case ControlKey::Antenna:
        formatNumber(r, Antenna, ANTENNA_MAX, text, size);
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
