// Polling with short sleeps, timed with QueryPerformanceCounter: when a condition was first
// seen to hold, and how far apart the checks were (the figure's resolution).
#ifndef TRXDESK_BENCH_POLL_UNTIL_H
#define TRXDESK_BENCH_POLL_UNTIL_H

#include <windows.h>

#include <functional>

namespace trxbench {

struct PollResult {
    bool seen = false;
    LONGLONG seenTicks = 0; // when the check that saw the condition returned
    int checks = 0;
    double checkUs = 0;  // duration of the last check
    double periodUs = 0; // sum of the times from one check's start to the next one's
};

// Checks at once, then after each short sleep, until `condition` holds or `timeoutMs` passed.
PollResult pollUntil(const std::function<bool()>& condition, DWORD timeoutMs);

} // namespace trxbench

#endif
