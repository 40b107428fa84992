#include "protocol/protocol.h"

#include "res/resource.h"

#include <cstdio>

namespace trx {

const StateButton stateButtons[STATE_COUNT] = {
    {IDC_STATE_STANDBY, IDI_STANDBY, IDI_STANDBY_LIT}, {IDC_STATE_TUNE, IDI_TUNE, IDI_TUNE_LIT},
    {IDC_STATE_NOPOWER, IDI_NOPOWER, IDI_NOPOWER_LIT}, {IDC_STATE_P100, IDI_P100, IDI_P100_LIT},
    {IDC_STATE_P250, IDI_P250, IDI_P250_LIT},          {IDC_STATE_P1000, IDI_P1000, IDI_P1000_LIT},
};

namespace {

// Indicator icons by field value: low field 0..3, high field (value >> 2) 0..3.
constexpr int LOW_FIELD_ICONS[4] = {IDI_IND_LOW_0, IDI_IND_LOW_1, IDI_IND_LOW_2, IDI_IND_LOW_3};
constexpr int HIGH_FIELD_ICONS[4] = {IDI_IND_HIGH_0, IDI_IND_HIGH_4, IDI_IND_HIGH_8,
                                     IDI_IND_HIGH_12};

// Each register's width: a report is cut to it before it is stored. The antenna and power
// registers are as wide as their highest value.
constexpr int NIBBLE_MASK = 0x0F;
static_assert((HIGHEST_ANTENNA & (HIGHEST_ANTENNA + 1)) == 0, "antenna register is all ones");
static_assert((POWER_LEVEL_MAX & (POWER_LEVEL_MAX + 1)) == 0, "power register is all ones");

bool differs(int value, uint8_t stored) {
    return value != static_cast<int>(stored);
}

bool alarmBit(int stored) {
    return stored != NOT_REPORTED && (stored & STATUS_ALARM) != 0;
}

} // namespace

int Protocol::applyReport(int address, int value) {
    if (settings_.hexDisplay) {
        writeDebugLine();
    }
    if (address < 0 || address >= REGISTER_COUNT) {
        return REPORT_BAD_ADDRESS;
    }
    if (!state_.linkAlive && address == StatusRegister) {
        bringLinkUp();
    }
    state_.watchdogTicks = 0;

    const int previous = state_.mirror[address];
    int result = REPORT_OK;
    if (address == StatusRegister) {
        result = storeStatus(value);
    } else {
        storeAndShow(address, value);
    }
    const int stored = state_.mirror[address];
    announce([&](LineListener& l, const RegisterMirror& r) { l.reported(address, previous, r); });
    if (address == StatusRegister && alarmBit(stored) != alarmBit(previous)) {
        if (alarmBit(stored)) {
            announce([](LineListener& l, const RegisterMirror& r) { l.alarmRaised(r); });
        } else {
            announce([](LineListener& l, const RegisterMirror& r) { l.alarmCleared(r); });
        }
    }
    return result;
}

void Protocol::bringLinkUp() {
    state_.linkAlive = true;
    view_.setStatusIcon(STATUS_PART_LINK, IDI_LINK_UP);
    view_.postCommand(IDM_REFRESH);
    announce([](LineListener& l, const RegisterMirror& r) { l.linkUp(r); });
}

// Every register but the status register: stored cut to its width and shown when it
// differs from the mirror (register 8 always relights its buttons; 13 means nothing).
void Protocol::storeAndShow(int address, int value) {
    RegisterMirror& mirror = state_.mirror;
    char text[8];
    switch (address) {
    case OperatingState:
        showOperatingState(value);
        return;
    case Register13:
        return;
    default:
        break;
    }
    if (!differs(value, mirror[address])) {
        return;
    }
    switch (address) {
    case Antenna:
        mirror[address] = static_cast<uint8_t>(value & HIGHEST_ANTENNA);
        snprintf(text, sizeof text, "%d", mirror[address]);
        view_.setText(IDC_ANTENNA, text);
        break;
    case ProgramNumber:
        mirror[address] = static_cast<uint8_t>(value & NIBBLE_MASK);
        snprintf(text, sizeof text, "%d", mirror[address]);
        view_.setText(IDC_PROGRAM, text);
        view_.setUpDownPosition(IDC_PROGRAM_UPDOWN, mirror[address]);
        break;
    case EmissionMode:
    case ChannelA:
    case ChannelB:
        mirror[address] = static_cast<uint8_t>(value & NIBBLE_MASK);
        showPresetsAndMode();
        break;
    case PowerLevel:
        mirror[address] = static_cast<uint8_t>(value & POWER_LEVEL_MAX);
        view_.setProgressPosition(IDC_POWER, mirror[address]);
        break;
    default: // the frequency digits, registers 1..7
        mirror[address] = static_cast<uint8_t>(value & NIBBLE_MASK);
        repaintFrequency();
        break;
    }
}

// The register dump, taken before the report is applied.
void Protocol::writeDebugLine() {
    const RegisterMirror& m = state_.mirror;
    char line[96];
    snprintf(line, sizeof line, "a%X freq%X%X%X%X%X%X%X bz%X pr%X sab%X%X%X bg%X hf%X st%X", m[0],
             m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13],
             m[14], m[15]);
    view_.setStatusText(STATUS_PART_DATA, line);
}

void Protocol::repaintFrequency() {
    char text[FREQUENCY_TEXT_SIZE];
    formatFrequency(state_.mirror, FREQUENCY_UNKNOWN[0], text, sizeof text);
    view_.setText(IDC_FREQUENCY, text);
}

void Protocol::showOperatingState(int value) {
    state_.mirror[OperatingState] = static_cast<uint8_t>(value & NIBBLE_MASK);
    for (int k = 1; k <= STATE_COUNT; ++k) {
        const StateButton& button = stateButtons[k - 1];
        const bool showsLit = view_.buttonIcon(button.button) == button.litIcon;
        if (value == k && !showsLit) {
            view_.setButtonIcon(button.button, button.litIcon);
        } else if (value != k && showsLit) {
            view_.setButtonIcon(button.button, button.normalIcon);
        }
    }
    showWindowIcon();
    if (value == STATE_STANDBY) {
        view_.enableControl(IDC_PROGRAM_UPDOWN, true);
        if (state_.closeOnStandby) {
            view_.postClose();
        }
    } else {
        view_.enableControl(IDC_PROGRAM_UPDOWN, false);
    }
}

void Protocol::showWindowIcon() {
    if (!view_.isMinimized()) {
        return;
    }
    const int stored = state_.mirror[OperatingState];
    view_.setWindowIcon(stored >= STATE_STANDBY && stored <= STATE_COUNT
                            ? stateButtons[stored - 1].litIcon
                            : IDI_UNKNOWN_STATE);
}

void Protocol::showPresetsAndMode() {
    const RegisterMirror& mirror = state_.mirror;
    for (int i = 0; i < PRESET_COUNT; ++i) {
        const ModePreset& preset = settings_.presets[static_cast<size_t>(i)];
        const ModeTypeInfo& info = modeTypeInfo(preset.modeType);
        const bool running = mirror[EmissionMode] == modeCode(preset) &&
                             mirror[ChannelA] == preset.channelA &&
                             mirror[ChannelB] == preset.channelB;
        view_.setButtonIcon(IDC_PRESET0 + i, running ? info.litIcon : info.normalIcon);
    }
    if (!settings_.hexDisplay) {
        char line[64];
        formatModeText(mirror, line, sizeof line);
        view_.setStatusText(STATUS_PART_DATA, line);
    }
}

// Each field of the status register is stored and shown on its own; REPORT_ALARM when the
// alarm field has just changed to a value with the alarm bit.
int Protocol::storeStatus(int value) {
    uint8_t& stored = state_.mirror[StatusRegister];
    const bool unreported = stored == NOT_REPORTED;
    int result = REPORT_OK;

    const int low = value & STATUS_LOW_FIELD;
    if (unreported || low != (stored & STATUS_LOW_FIELD)) {
        stored = static_cast<uint8_t>((stored & STATUS_HIGH_FIELD) | low);
        view_.setIndicatorIcon(IDC_INDICATOR_LOW, LOW_FIELD_ICONS[low]);
    }
    const int high = value & STATUS_HIGH_FIELD;
    if (unreported || high != (stored & STATUS_HIGH_FIELD)) {
        stored = static_cast<uint8_t>((stored & STATUS_LOW_FIELD) | high);
        view_.setIndicatorIcon(IDC_INDICATOR_HIGH, HIGH_FIELD_ICONS[high >> 2]);
        if (high & STATUS_ALARM) {
            result = REPORT_ALARM;
        }
    }
    return result;
}

} // namespace trx
