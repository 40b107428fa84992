#include "protocol/wire_codec.h"

namespace trx {

const uint8_t nibble_reverse[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};

uint8_t encodeByte(uint8_t queued) {
    return static_cast<uint8_t>((nibble_reverse[queued >> 4] << 4) | nibble_reverse[queued & 0x0F]);
}

RegisterWrite decodeByte(uint8_t line) {
    return RegisterWrite{nibble_reverse[line & 0x0F], nibble_reverse[line >> 4]};
}

} // namespace trx
