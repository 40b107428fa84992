// The serial line as the command queue sees it: one byte at a time.
#ifndef TRXDESK_LINE_PORT_H
#define TRXDESK_LINE_PORT_H

#include <cstdint>

namespace trx {

// Port numbers: 0 means not connected, COM1 to COM255 can be used.
constexpr int NO_PORT = 0;
constexpr int MAX_PORT = 255;

class LinePort {
  public:
    virtual ~LinePort() = default;
    // 1 when the byte was written or is on its way, 0 when the write did not start.
    virtual int write(uint8_t lineByte) = 0;
    // NO_PORT when no port is configured.
    virtual int portNumber() const = 0;
    // Waits at most timeoutMs for every byte written so far to leave the port. True when
    // nothing is left on its way.
    virtual bool flush(int timeoutMs) = 0;
};

} // namespace trx

#endif
