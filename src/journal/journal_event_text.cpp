#include "journal/journal_event_text.h"

#include "protocol/protocol.h"

#include <cstdio>

namespace trx {

namespace {

constexpr size_t MEANING_SIZE = 96;

// The display as it reads with `value` in digit register `address`.
void frequencyText(int address, int value, const RegisterMirror& mirror, char* out, size_t size) {
    RegisterMirror shown = mirror;
    shown[address] = static_cast<uint8_t>(value);
    char display[FREQUENCY_TEXT_SIZE];
    formatFrequency(shown, FREQUENCY_UNKNOWN[0], display, sizeof display);
    snprintf(out, size, "Frequenz %s", display);
}

void lampText(int value, char* out, size_t size) {
    int used = snprintf(out, size, "Statuslampen:");
    bool any = false;
    for (int bit = 0; bit < LAMP_COUNT; ++bit) {
        if ((value >> bit) & 1) {
            const size_t at = static_cast<size_t>(used) < size ? static_cast<size_t>(used) : size;
            used += snprintf(out + at, size - at, "%s %s", any ? "," : "", lampNames[bit]);
            any = true;
        }
    }
    if (!any) {
        const size_t at = static_cast<size_t>(used) < size ? static_cast<size_t>(used) : size;
        snprintf(out + at, size - at, " alle dunkel");
    }
}

} // namespace

void reportText(int address, int value, const RegisterMirror& mirror,
                const char (*antennaNames)[ANTENNA_NAME_SIZE], char* out, size_t size) {
    switch (address) {
    case Antenna:
        if (antennaNames != nullptr && value >= 0 && value < ANTENNA_COUNT &&
            antennaNames[value][0] != '\0') {
            snprintf(out, size, "Antenne %d (%.*s)", value, ANTENNA_NAME_SIZE, antennaNames[value]);
        } else {
            snprintf(out, size, "Antenne %d", value);
        }
        break;
    case FrequencyDigit1:
    case FrequencyDigit2:
    case FrequencyDigit3:
    case FrequencyDigit4:
    case FrequencyDigit5:
    case FrequencyDigit6:
    case FrequencyDigit7:
        frequencyText(address, value, mirror, out, size);
        break;
    case OperatingState:
        if (const OperatingStateName* state = operatingStateName(value)) {
            snprintf(out, size, "Betriebszustand: %s", state->german);
        } else {
            snprintf(out, size, "Betriebszustand: unbekannt (%d)", value);
        }
        break;
    case ProgramNumber:
        snprintf(out, size, "Programm %d", value);
        break;
    case EmissionMode:
        snprintf(out, size, "Sendeart: %s", modeName(value));
        break;
    case ChannelA:
        snprintf(out, size, "KA: %s", channelAName(value));
        break;
    case ChannelB:
        snprintf(out, size, "KB: %s", channelBName(value));
        break;
    case PowerLevel:
        snprintf(out, size, "Leistungsanzeige %d von %d", value, POWER_LEVEL_MAX);
        break;
    case StatusRegister:
        lampText(value, out, size);
        break;
    default:
        snprintf(out, size, "Register %d: %d", address, value);
        break;
    }
}

void commandText(int address, int value, const RegisterMirror& mirror,
                 const char (*antennaNames)[ANTENNA_NAME_SIZE], char* out, size_t size) {
    if (address == StatusRegister && value == 0) {
        snprintf(out, size, "alle Daten angefordert");
        return;
    }
    // One digit of a frequency command: its place, not a frequency that mixes the old digits
    // with the new ones while the command's other digits are still on their way.
    if (address >= FrequencyDigit1 && address <= FrequencyDigit7) {
        const char* place = frequencyDigitPlaces[address - FrequencyDigit1];
        if (value >= 0 && value <= 9) {
            snprintf(out, size, "Frequenz, Stelle %s: %d angefordert", place, value);
        } else {
            snprintf(out, size, "Frequenz, Stelle %s: leer angefordert", place);
        }
        return;
    }
    char meaning[MEANING_SIZE];
    reportText(address, value, mirror, antennaNames, meaning, sizeof meaning);
    snprintf(out, size, "%s angefordert", meaning);
}

} // namespace trx
