#include "dialogs/settings_rules.h"

#include "shell/connection_text.h"

#include <cstdio>

namespace trx {

namespace {

constexpr size_t PORT_PREFIX_LENGTH = 3; // "COM"
constexpr int32_t NUMBER_LIMIT = 0x7FFFFFFF / 10 - 1;
// The key state bits of a mouse message.
constexpr unsigned LEFT_BUTTON = 0x0001;
constexpr unsigned SHIFT_KEY = 0x0004;
constexpr unsigned CONTROL_KEY = 0x0008;

} // namespace

const char* const baudRateTexts[BAUD_RATE_COUNT] = {"1200", "600", "300", "200", "100", "50"};

std::vector<int> offeredPorts(const PresentPorts& present) {
    std::vector<int> ports{0};
    for (size_t port = 1; port < present.size(); ++port) {
        if (present[port]) {
            ports.push_back(static_cast<int>(port));
        }
    }
    return ports;
}

void formatPortEntry(int port, char* text, size_t size) {
    if (port == 0) {
        snprintf(text, size, "%s", NOT_CONNECTED_TEXT);
    } else {
        snprintf(text, size, "COM%d", port);
    }
}

int32_t numberFromText(const char* text) {
    int32_t value = 0;
    // Digits beyond what a port or a baud rate can be stop counting: the open refuses it.
    for (; *text >= '0' && *text <= '9' && value <= NUMBER_LIMIT; ++text) {
        value = value * 10 + (*text - '0');
    }
    return value;
}

int portFromEntry(const char* text) {
    for (size_t i = 0; i < PORT_PREFIX_LENGTH; ++i) {
        if (text[i] == '\0') {
            return 0;
        }
    }
    return numberFromText(text + PORT_PREFIX_LENGTH);
}

bool opensSpecialSettings(unsigned keyState) {
    return keyState == (LEFT_BUTTON | SHIFT_KEY | CONTROL_KEY);
}

} // namespace trx
