// Texts and decisions of the panel that need no window.
#ifndef TRXDESK_CONNECTION_TEXT_H
#define TRXDESK_CONNECTION_TEXT_H

#include "register_mirror.h"

#include <cstddef>

namespace trx {

// "getrennt" without a port, else "COM%i mit %i Bit/s".
void formatConnectionText(int portNumber, int baudRate, char* text, size_t size);

// Closing asks first while the transmitter is reported active: link up and not standby.
bool transmitterActive(const RegisterMirror& mirror, bool linkAlive);

} // namespace trx

#endif
