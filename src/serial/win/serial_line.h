// The serial port as the command queue's line: one byte per write.
#ifndef TRXDESK_SERIAL_LINE_H
#define TRXDESK_SERIAL_LINE_H

#include "protocol/line_port.h"
#include "serial/win/serial_port.h"

namespace trx {

class SerialLine final : public LinePort {
  public:
    explicit SerialLine(SerialPort& port) : port_(port) {}
    int write(uint8_t lineByte) override { return port_.write(&lineByte, 1); }
    int portNumber() const override { return port_.portNumber(); }
    bool flush(int timeoutMs) override {
        return port_.waitForWrites(static_cast<DWORD>(timeoutMs));
    }

  private:
    SerialPort& port_;
};

} // namespace trx

#endif
