// The status bar's connection text.
#ifndef TRXDESK_CONNECTION_TEXT_H
#define TRXDESK_CONNECTION_TEXT_H

#include <cstddef>

namespace trx {

// "getrennt" without a port, else "COM%i mit %i Bit/s".
void formatConnectionText(int portNumber, int baudRate, char* text, size_t size);

} // namespace trx

#endif
