#include "register_mirror.h"

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

} // namespace trx
