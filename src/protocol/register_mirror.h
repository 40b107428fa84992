// The program's copy of the sixteen transmitter registers; what they hold and how it is
// named and shown is the transmitter's vocabulary, which comes with it.
#ifndef TRXDESK_REGISTER_MIRROR_H
#define TRXDESK_REGISTER_MIRROR_H

#include "protocol/transmitter_vocabulary.h"
#include "protocol/wire_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace trx {

// Each byte is the last reported value, or NOT_REPORTED since the last reset.
// Only the report handling stores into it; commands never do.
struct RegisterMirror {
    std::array<uint8_t, REGISTER_COUNT> bytes;

    RegisterMirror() { reset(); }
    void reset() { bytes.fill(NOT_REPORTED); }
    uint8_t operator[](int address) const { return bytes[static_cast<std::size_t>(address)]; }
    uint8_t& operator[](int address) { return bytes[static_cast<std::size_t>(address)]; }
};

} // namespace trx

#endif
