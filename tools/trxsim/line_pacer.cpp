#include "line_pacer.h"

namespace trxsim {

void LinePacer::wrote(int64_t nowNs) {
    // A byte written a little late still follows its predecessor back to back, so coarse
    // wake-ups keep the rate; after a real pause the line starts afresh.
    const bool idle = nowNs - lineFreeNs_ > byteNs_;
    lineFreeNs_ = (idle ? nowNs : lineFreeNs_) + byteNs_;
}

} // namespace trxsim
