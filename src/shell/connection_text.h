// The status bar's connection text.
#ifndef TRXDESK_CONNECTION_TEXT_H
#define TRXDESK_CONNECTION_TEXT_H

#include <cstddef>

namespace trx {

// What the status bar and the settings dialog's port list show for no port.
constexpr char NOT_CONNECTED_TEXT[] = "getrennt";

// Room for any text formatConnectionText writes.
constexpr size_t CONNECTION_TEXT_SIZE = 64;

// NOT_CONNECTED_TEXT without a port, else "COM%i mit %i Bit/s".
void formatConnectionText(int portNumber, int baudRate, char* text, size_t size);

} // namespace trx

#endif
