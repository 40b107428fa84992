#include "serial_instance.h"

namespace trx {

// Both in one translation unit, so serialPort is constructed before serialLine refers to it.
SerialPort serialPort;
SerialLine serialLine{serialPort};

} // namespace trx
