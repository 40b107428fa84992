#include "poll_until.h"

#include "latency_figures.h"
#include "receiver_window.h"

namespace trxbench {

namespace {

// A busy loop would take a core from Wine and the panel, and Sleep takes whole milliseconds,
// more than the latencies measured. ntdll's delay counts in 100 ns units: Wine sleeps a tenth
// of a millisecond (Windows rounds it up to its timer tick).
constexpr LONGLONG PAUSE_100NS = 1000;
constexpr DWORD FALLBACK_PAUSE_MS = 1;

using DelayExecution = LONG(NTAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);

DelayExecution delayExecution() {
    const FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution");
    // Through the generic function type, which GCC accepts as a cast to any other.
    return reinterpret_cast<DelayExecution>(reinterpret_cast<void (*)()>(found));
}

void shortSleep() {
    static const DelayExecution delay = delayExecution();
    if (delay == nullptr) {
        Sleep(FALLBACK_PAUSE_MS);
        return;
    }
    LARGE_INTEGER interval;
    interval.QuadPart = -PAUSE_100NS; // negative: relative to now
    delay(FALSE, &interval);
}

} // namespace

PollResult pollUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    PollResult result;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    LONGLONG previousStart = 0;
    for (;;) {
        const LONGLONG start = trxtest::performanceCounter();
        if (result.checks > 0) {
            result.periodUs += microsecondsBetween(previousStart, start);
        }
        previousStart = start;
        const bool holds = condition();
        const LONGLONG end = trxtest::performanceCounter();
        ++result.checks;
        result.checkUs = microsecondsBetween(start, end);
        if (holds) {
            result.seen = true;
            result.seenTicks = end;
            return result;
        }
        if (GetTickCount64() >= deadline) {
            return result;
        }
        shortSleep();
    }
}

} // namespace trxbench
