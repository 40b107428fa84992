#include "receive_log.h"

#include "protocol/wire_codec.h"

#include <cinttypes>
#include <cstdio>

namespace trxsim {

void ReceiveLog::mark(int64_t nowMs) {
    markMs_ = nowMs;
    entries_.clear();
}

void ReceiveLog::add(uint8_t lineByte, int64_t nowMs) {
    if (entries_.size() < CAPACITY) {
        entries_.push_back(Entry{nowMs - markMs_, lineByte});
    }
}

std::string ReceiveLog::reply() const {
    std::string text = "OK " + std::to_string(entries_.size());
    text.reserve(text.size() + entries_.size() * 16);
    char item[48];
    for (const Entry& e : entries_) {
        const trx::RegisterWrite w = trx::decodeByte(e.lineByte);
        snprintf(item, sizeof item, " %" PRId64 ":%02X:%d:%d", e.ms, e.lineByte, w.address,
                 w.value);
        text += item;
    }
    return text;
}

} // namespace trxsim
