#include "shell/connection_text.h"

#include "protocol/line_port.h"

#include <cstdio>

namespace trx {

void formatConnectionText(int portNumber, int baudRate, char* text, size_t size) {
    if (portNumber == NO_PORT) {
        snprintf(text, size, "%s", NOT_CONNECTED_TEXT);
    } else {
        snprintf(text, size, "COM%i mit %i Bit/s", portNumber, baudRate);
    }
}

} // namespace trx
