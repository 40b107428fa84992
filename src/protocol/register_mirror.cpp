#include "register_mirror.h"

#include <cstdio>

namespace trx {

const char* const modeNames[MODE_NAME_COUNT] = {
    "R3",       "H3",       "J3",   "J2",  "H2", "A1",      "F1:85Hz", "F1:170Hz", "F1:250Hz",
    "F1:340Hz", "F1:500Hz", "F7BD", "Br8", "B8", "F1:22Hz", "J3C",     "??"};

const char* const channelNames[CHANNEL_NAME_COUNT] = {
    "unbenutzt", "mit Dyn.", "ohne Dyn.", "1000Hz", "WT", "GT", "TT", "undefiniert"};

const char* modeName(int code) {
    return modeNames[(code >= 0 && code <= 15) ? code : MODE_NAME_COUNT - 1];
}

const char* channelAName(int code) {
    return channelNames[(code >= 0 && code <= CHANNEL_A_MAX) ? code : CHANNEL_NAME_COUNT - 1];
}

const char* channelBName(int code) {
    return channelNames[(code >= 0 && code <= CHANNEL_B_MAX) ? code : CHANNEL_NAME_COUNT - 1];
}

namespace {
// Text position of digit registers 1..7; position 2 holds the comma.
constexpr int DIGIT_PLACE[FREQUENCY_DIGIT_COUNT + 1] = {-1, 0, 1, 3, 4, 5, 6, 7};
} // namespace

void formatFrequency(const RegisterMirror& mirror, char unknown, char* text, std::size_t size) {
    char shown[FREQUENCY_TEXT_SIZE];
    for (int i = 0; i < FREQUENCY_TEXT_SIZE - 1; ++i) {
        shown[i] = FREQUENCY_UNKNOWN[i] == ',' ? ',' : unknown;
    }
    shown[FREQUENCY_TEXT_SIZE - 1] = '\0';
    for (int reg = FrequencyDigit1; reg <= FrequencyDigit7; ++reg) {
        if (mirror[reg] < 10) {
            shown[DIGIT_PLACE[reg]] = static_cast<char>('0' + mirror[reg]);
        }
    }
    snprintf(text, size, "%s", shown);
}

void formatModeText(const RegisterMirror& mirror, char* text, std::size_t size) {
    snprintf(text, size, "%s, KA: %s, KB: %s", modeName(mirror[EmissionMode]),
             channelAName(mirror[ChannelA]), channelBName(mirror[ChannelB]));
}

} // namespace trx
