// Latency samples in microseconds and the figures printed from them.
#ifndef TRXDESK_BENCH_LATENCY_FIGURES_H
#define TRXDESK_BENCH_LATENCY_FIGURES_H

#include <windows.h>

#include <vector>

namespace trxbench {

struct LatencyFigures {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles; all zero for no samples.
LatencyFigures figuresOf(std::vector<double> samplesUs);

// QueryPerformanceCounter ticks as microseconds.
double microsecondsBetween(LONGLONG fromTicks, LONGLONG toTicks);

} // namespace trxbench

#endif
