#include "protocol/mode_presets.h"

#include "protocol/transmitter_vocabulary.h"
#include "res/resource.h"

namespace trx {

const ModeTypeInfo modeTypes[MODE_TYPE_COUNT] = {
    {"J3", 1, 0, IDI_PRESET_J3, IDI_PRESET_J3_LIT},
    {"F1", 5, 0, IDI_PRESET_F1, IDI_PRESET_F1_LIT},
    {"J3C", 5, 0, IDI_PRESET_J3C, IDI_PRESET_J3C_LIT},
    {"A1", 5, 0, IDI_PRESET_A1, IDI_PRESET_A1_LIT},
    {"F7", 5, 4, IDI_PRESET_F7, IDI_PRESET_F7_LIT},
    {"B8", 1, 1, IDI_PRESET_B8, IDI_PRESET_B8_LIT},
    {"Br8", 1, 1, IDI_PRESET_BR8, IDI_PRESET_BR8_LIT},
    {"R3", 1, 0, IDI_PRESET_R3, IDI_PRESET_R3_LIT},
    {"H3", 1, 0, IDI_PRESET_H3, IDI_PRESET_H3_LIT},
    {"J2", 5, 0, IDI_PRESET_J2, IDI_PRESET_J2_LIT},
    {"H2", 5, 0, IDI_PRESET_H2, IDI_PRESET_H2_LIT},
};

// Entries 0..10 are the types' codes, 11..15 the F1 codes for shifts 1..5.
const uint8_t modeCodeForType[16] = {2, 14, 15, 5, 11, 13, 12, 0, 1, 3, 4, 6, 7, 8, 9, 10};

const int shiftHertz[SHIFT_COUNT] = {22, 85, 170, 250, 340, 500};

namespace {
constexpr int SHIFTED_F1_BASE = 10; // effective type of F1 = shift index + 10

// Registry bytes: how many values each field has (type, channel A, channel B, shift).
constexpr uint32_t PACKED_FIELD_LIMIT[4] = {MODE_TYPE_COUNT, CHANNEL_A_MAX + 1, CHANNEL_B_MAX + 1,
                                            SHIFT_COUNT};
} // namespace

const ModeTypeInfo& modeTypeInfo(int modeType) {
    return modeTypes[(modeType >= 0 && modeType < MODE_TYPE_COUNT) ? modeType : MODE_TYPE_J3];
}

int effectiveType(const ModePreset& preset) {
    if (preset.modeType == MODE_TYPE_F1 && preset.shiftIndex > 0) {
        return preset.shiftIndex + SHIFTED_F1_BASE;
    }
    return preset.modeType;
}

int modeCode(const ModePreset& preset) {
    return modeCodeForType[effectiveType(preset) & 0x0F];
}

std::array<RegisterWrite, 3> presetWrites(const ModePreset& preset) {
    return {RegisterWrite{ChannelA, preset.channelA}, RegisterWrite{ChannelB, preset.channelB},
            RegisterWrite{EmissionMode, modeCode(preset)}};
}

ModePreset defaultPreset(int modeType) {
    const ModeTypeInfo& info = modeTypeInfo(modeType);
    return ModePreset{modeType, info.defaultChannelA, info.defaultChannelB, DEFAULT_SHIFT_INDEX};
}

std::array<ModePreset, PRESET_COUNT> defaultPresets() {
    return {defaultPreset(MODE_TYPE_J3), defaultPreset(MODE_TYPE_J3C), defaultPreset(MODE_TYPE_F1),
            defaultPreset(MODE_TYPE_A1)};
}

EditableFields editableFields(int modeType) {
    switch (modeType) {
    case MODE_TYPE_F1:
        return {true, false, true};
    case MODE_TYPE_F7:
    case MODE_TYPE_B8:
    case MODE_TYPE_BR8:
        return {true, true, false};
    default:
        return {true, false, false};
    }
}

bool changeModeType(ModePreset& preset, int newType) {
    if (newType == preset.modeType || newType < 0 || newType >= MODE_TYPE_COUNT) {
        return false;
    }
    preset = defaultPreset(newType);
    return true;
}

uint32_t packPreset(const ModePreset& preset) {
    const int32_t fields[4] = {preset.modeType, preset.channelA, preset.channelB,
                               preset.shiftIndex};
    uint32_t packed = 0;
    for (int i = 0; i < 4; ++i) {
        packed |= (static_cast<uint32_t>(fields[i]) & 0xFFu) << (8 * i);
    }
    return packed;
}

void unpackPreset(uint32_t packed, ModePreset& preset) {
    int32_t* const fields[4] = {&preset.modeType, &preset.channelA, &preset.channelB,
                                &preset.shiftIndex};
    for (int i = 0; i < 4; ++i) {
        const uint32_t low = (packed >> (8 * i)) & 0x0Fu;
        if (low < PACKED_FIELD_LIMIT[i]) {
            *fields[i] = static_cast<int32_t>(low);
        }
    }
}

} // namespace trx
