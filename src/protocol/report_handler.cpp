#include "protocol.h"

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

// Text position of digit registers 1..7; position 2 holds the comma.
constexpr int DIGIT_PLACE[8] = {-1, 0, 1, 3, 4, 5, 6, 7};

bool differs(int value, uint8_t stored) {
    return value != static_cast<int>(stored);
}

} // namespace

int Protocol::applyReport(int address, int value) {
    if (settings_.hexDisplay) {
        writeDebugLine();
    }
    if (address < 0 || address >= REGISTER_COUNT) {
        return REPORT_BAD_ADDRESS;
    }
    if (!state.linkAlive && address == StatusRegister) {
        state.linkAlive = true;
        view_.setStatusIcon(STATUS_PART_LINK, IDI_LINK_UP);
        view_.postCommand(IDM_REFRESH);
    }
    state.watchdogTicks = 0;

    RegisterMirror& mirror = state.mirror;
    char text[8];
    switch (address) {
    case Antenna:
        if (differs(value, mirror[address])) {
            mirror[address] = static_cast<uint8_t>(value & 3);
            snprintf(text, sizeof text, "%d", mirror[address]);
            view_.setText(IDC_ANTENNA, text);
        }
        break;
    case FrequencyDigit1:
    case FrequencyDigit2:
    case FrequencyDigit3:
    case FrequencyDigit4:
    case FrequencyDigit5:
    case FrequencyDigit6:
    case FrequencyDigit7:
        if (differs(value, mirror[address])) {
            if (value != REPAINT) {
                mirror[address] = static_cast<uint8_t>(value & 0x0F);
            }
            showFrequency();
        }
        break;
    case OperatingState:
        showOperatingState(value);
        break;
    case ProgramNumber:
        if (differs(value, mirror[address])) {
            mirror[address] = static_cast<uint8_t>(value & 0x0F);
            snprintf(text, sizeof text, "%d", mirror[address]);
            view_.setText(IDC_PROGRAM, text);
            view_.setUpDownPosition(IDC_PROGRAM_UPDOWN, mirror[address]);
        }
        break;
    case EmissionMode:
    case ChannelA:
    case ChannelB:
        if (differs(value, mirror[address])) {
            if (value != REPAINT) {
                mirror[address] = static_cast<uint8_t>(value & 0x0F);
            }
            showPresetsAndMode();
        }
        break;
    case Register13:
        break; // reported, but means nothing
    case PowerLevel:
        if (differs(value, mirror[address])) {
            mirror[address] = static_cast<uint8_t>(value & 7);
            view_.setProgressPosition(IDC_POWER, mirror[address]);
        }
        break;
    case StatusRegister:
        return showStatus(value);
    }
    return REPORT_OK;
}

// The register dump, taken before the report is applied.
void Protocol::writeDebugLine() {
    const RegisterMirror& m = state.mirror;
    char line[96];
    snprintf(line, sizeof line, "a%X freq%X%X%X%X%X%X%X bz%X pr%X sab%X%X%X bg%X hf%X st%X", m[0],
             m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13],
             m[14], m[15]);
    view_.setStatusText(STATUS_PART_DATA, line);
}

void Protocol::showFrequency() {
    char text[sizeof FREQUENCY_UNKNOWN];
    snprintf(text, sizeof text, "%s", FREQUENCY_UNKNOWN);
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        const uint8_t digit = state.mirror[reg];
        if (digit < 10) {
            text[DIGIT_PLACE[reg]] = static_cast<char>('0' + digit);
        }
    }
    view_.setText(IDC_FREQUENCY, text);
}

void Protocol::showOperatingState(int value) {
    RegisterMirror& mirror = state.mirror;
    mirror[OperatingState] = static_cast<uint8_t>(value & 0x0F);
    for (int k = 1; k <= STATE_COUNT; ++k) {
        const StateButton& state = stateButtons[k - 1];
        const bool showsLit = view_.buttonIcon(state.button) == state.litIcon;
        if (value == k && !showsLit) {
            view_.setButtonIcon(state.button, state.litIcon);
        } else if (value != k && showsLit) {
            view_.setButtonIcon(state.button, state.normalIcon);
        }
    }
    showWindowIcon();
    if (value == STATE_STANDBY) {
        view_.enableControl(IDC_PROGRAM_UPDOWN, true);
        if (state.closeOnStandby) {
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
    const int stored = state.mirror[OperatingState];
    view_.setWindowIcon(stored >= STATE_STANDBY && stored <= STATE_COUNT
                            ? stateButtons[stored - 1].litIcon
                            : IDI_UNKNOWN_STATE);
}

void Protocol::showPresetsAndMode() {
    const RegisterMirror& mirror = state.mirror;
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
        snprintf(line, sizeof line, "%s, KA: %s, KB: %s", modeName(mirror[EmissionMode]),
                 channelAName(mirror[ChannelA]), channelBName(mirror[ChannelB]));
        view_.setStatusText(STATUS_PART_DATA, line);
    }
}

int Protocol::showStatus(int value) {
    uint8_t& stored = state.mirror[StatusRegister];
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
