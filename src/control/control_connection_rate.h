// How many connections one address may open: beyond CONTROL_CONNECTIONS_PER_SECOND within a
// second the rest are turned away at once and only counted, and the count is told in one
// line once the flood pauses. Pure.
#ifndef TRXDESK_CONTROL_FLOOD_RULES_H
#define TRXDESK_CONTROL_FLOOD_RULES_H

#include <cstdint>
#include <map>
#include <vector>

namespace trx {

constexpr int CONTROL_CONNECTIONS_PER_SECOND = 20;
constexpr uint64_t FLOOD_WINDOW_MS = 1000;
// A flood that does not pause is told once a minute.
constexpr uint64_t FLOOD_TELL_EVERY_MS = 60000;

// Connections of one address turned away since it was last told.
struct FloodSummary {
    uint32_t address = 0;
    uint64_t turnedAway = 0;
};

class ConnectionRate {
  public:
    // A connection from `address` at `nowMs`; false when it is one too many this second.
    bool admit(uint32_t address, uint64_t nowMs);
    // The floods to tell at `nowMs`: those paused for a window, and those told last a minute
    // ago. Each is told once; their count starts again.
    std::vector<FloodSummary> summaries(uint64_t nowMs);
    // Some flood is not told yet.
    bool untold() const;

  private:
    struct Entry {
        uint64_t windowStart = 0;
        int count = 0;
        uint64_t turnedAway = 0;
        uint64_t lastTurnedAway = 0;
        uint64_t toldAt = 0; // or the flood's first turned-away connection
    };
    void forgetQuiet(uint64_t nowMs);
    std::map<uint32_t, Entry> entries_;
};

} // namespace trx

#endif
