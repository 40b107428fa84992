// The four operator-defined emission-mode presets: mode types, their codes and icons,
// selection, editing rules and the 32-bit registry form.
#ifndef TRXDESK_MODE_PRESETS_H
#define TRXDESK_MODE_PRESETS_H

#include "protocol/wire_codec.h"

#include <array>
#include <cstdint>

namespace trx {

constexpr int PRESET_COUNT = 4;
constexpr int MODE_TYPE_COUNT = 11;
constexpr int MODE_TYPE_J3 = 0;
constexpr int MODE_TYPE_F1 = 1;
constexpr int MODE_TYPE_J3C = 2;
constexpr int MODE_TYPE_A1 = 3;
constexpr int MODE_TYPE_F7 = 4;
constexpr int MODE_TYPE_B8 = 5;
constexpr int MODE_TYPE_BR8 = 6;
constexpr int SHIFT_COUNT = 6;         // 22, 85, 170, 250, 340, 500 Hz
constexpr int DEFAULT_SHIFT_INDEX = 5; // 500 Hz

// The configuration of one preset. The panel keeps the button and icon handles.
struct ModePreset {
    int32_t modeType;
    int32_t channelA;
    int32_t channelB;
    int32_t shiftIndex;
};

struct ModeTypeInfo {
    const char* name;
    int defaultChannelA;
    int defaultChannelB;
    int normalIcon;
    int litIcon;
};

extern const ModeTypeInfo modeTypes[MODE_TYPE_COUNT];
extern const uint8_t modeCodeForType[16];
extern const int shiftHertz[SHIFT_COUNT];

// The type's table entry; types outside 0..10 get the entry of type 0.
const ModeTypeInfo& modeTypeInfo(int modeType);
// F1 with a shift above 0 becomes 11..15; every other preset its own type.
int effectiveType(const ModePreset& preset);
// The emission-mode code the preset writes to register 10.
int modeCode(const ModePreset& preset);
// The three writes that select a preset, in the order they are sent.
std::array<RegisterWrite, 3> presetWrites(const ModePreset& preset);

ModePreset defaultPreset(int modeType);
std::array<ModePreset, PRESET_COUNT> defaultPresets();

// Which fields a preset's context menu offers for its type.
struct EditableFields {
    bool channelA;
    bool channelB;
    bool shift;
};
EditableFields editableFields(int modeType);

// A new type chosen in the settings dialog: an unchanged or invalid type keeps everything,
// a changed one takes the type's default channels and the default shift. True on change.
bool changeModeType(ModePreset& preset, int newType);

// Registry form: byte 0 type, 1 channel A, 2 channel B, 3 shift.
uint32_t packPreset(const ModePreset& preset);
// Takes each byte's low four bits only when they are in range; other fields stay.
void unpackPreset(uint32_t packed, ModePreset& preset);

} // namespace trx

#endif
