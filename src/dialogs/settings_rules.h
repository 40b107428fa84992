// The settings dialog's lists and what it reads back from them, apart from the dialog: the
// ports offered, the baud rates, and the numbers behind an entry's text.
#ifndef TRXDESK_SETTINGS_RULES_H
#define TRXDESK_SETTINGS_RULES_H

#include "protocol/line_port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trx {

// A flag for each of COM0 .. COM255: non-zero where the port is present.
using PresentPorts = std::array<int32_t, MAX_PORT + 1>;

constexpr int BAUD_RATE_COUNT = 6;
extern const char* const baudRateTexts[BAUD_RATE_COUNT];

// The port list: "getrennt" (port 0) first, then every present port from 1 up; port 0 is
// never offered, whatever its flag says.
std::vector<int> offeredPorts(const PresentPorts& present);
// "getrennt" for port 0, else "COM" and the number.
void formatPortEntry(int port, char* text, size_t size);
// The number behind "COM" (from the fourth character on): 0 for "getrennt" or no digits.
int portFromEntry(const char* text);
// A list entry's decimal number: 0 for an empty or unreadable text.
int32_t numberFromText(const char* text);

// The special settings open on a double click on the icon with exactly the left button,
// Shift and Ctrl held.
bool opensSpecialSettings(unsigned keyState);

} // namespace trx

#endif
