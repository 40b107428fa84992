#include "connection_text.h"

#include <cstdio>

namespace trx {

void formatConnectionText(int portNumber, int baudRate, char* text, size_t size) {
    if (portNumber == 0) {
        snprintf(text, size, "getrennt");
    } else {
        snprintf(text, size, "COM%i mit %i Bit/s", portNumber, baudRate);
    }
}

bool transmitterActive(const RegisterMirror& mirror, bool linkAlive) {
    return linkAlive && mirror[OperatingState] != STATE_STANDBY;
}

} // namespace trx
