// Spaces output bytes as a real line would: 12 bits a byte (8 data, even parity, 2 stop).
#ifndef TRXSIM_LINE_PACER_H
#define TRXSIM_LINE_PACER_H

#include <cstdint>

namespace trxsim {

constexpr int BITS_PER_BYTE = 12;

class LinePacer {
  public:
    // 0 baud: unpaced, every byte may go at once.
    explicit LinePacer(int baud) : byteNs_(baud > 0 ? BITS_PER_BYTE * 1000000000LL / baud : 0) {}

    bool paced() const { return byteNs_ > 0; }
    bool mayWrite(int64_t nowNs) const { return nowNs >= lineFreeNs_; }
    // One byte went out at nowNs.
    void wrote(int64_t nowNs);
    // When the next byte may go.
    int64_t readyNs() const { return lineFreeNs_; }

  private:
    int64_t byteNs_;
    int64_t lineFreeNs_ = 0;
};

} // namespace trxsim

#endif
