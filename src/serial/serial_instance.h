// The program's one serial port, in static storage: constructed, and so the COM ports
// probed, before the entry function runs; closed when the process exits normally.
#ifndef TRXDESK_SERIAL_INSTANCE_H
#define TRXDESK_SERIAL_INSTANCE_H

#include "serial_line.h"
#include "serial_port.h"

namespace trx {

extern SerialPort serialPort;
extern SerialLine serialLine; // the command queue's line, writing through serialPort

} // namespace trx

#endif
