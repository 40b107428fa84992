#include "control/control_connection_rate.h"

#include <cstddef>

namespace trx {

namespace {

// Addresses are forgotten when their window has passed and nothing is left to tell; the
// table is swept only when it has grown, so an admit costs little.
constexpr size_t SWEEP_SIZE = 64;

} // namespace

bool ConnectionRate::admit(uint32_t address, uint64_t nowMs) {
    if (entries_.size() >= SWEEP_SIZE) {
        forgetQuiet(nowMs);
    }
    Entry& entry = entries_[address];
    if (entry.count == 0 || nowMs >= entry.windowStart + FLOOD_WINDOW_MS) {
        entry.windowStart = nowMs;
        entry.count = 0;
    }
    if (entry.count < CONTROL_CONNECTIONS_PER_SECOND) {
        ++entry.count;
        return true;
    }
    if (entry.turnedAway == 0) {
        entry.toldAt = nowMs;
    }
    ++entry.turnedAway;
    entry.lastTurnedAway = nowMs;
    return false;
}

std::vector<FloodSummary> ConnectionRate::summaries(uint64_t nowMs) {
    std::vector<FloodSummary> due;
    for (auto& [address, entry] : entries_) {
        if (entry.turnedAway == 0) {
            continue;
        }
        const bool paused = nowMs >= entry.lastTurnedAway + FLOOD_WINDOW_MS;
        if (paused || nowMs >= entry.toldAt + FLOOD_TELL_EVERY_MS) {
            due.push_back({address, entry.turnedAway});
            entry.turnedAway = 0;
            entry.toldAt = nowMs;
        }
    }
    forgetQuiet(nowMs);
    return due;
}

bool ConnectionRate::untold() const {
    for (const auto& entry : entries_) {
        if (entry.second.turnedAway > 0) {
            return true;
        }
    }
    return false;
}

void ConnectionRate::forgetQuiet(uint64_t nowMs) {
    std::erase_if(entries_, [&](const auto& entry) {
        return entry.second.turnedAway == 0 && nowMs >= entry.second.windowStart + FLOOD_WINDOW_MS;
    });
}

} // namespace trx
