#include "latency_figures.h"

#include "receiver_window.h"

#include <algorithm>

namespace trxbench {

namespace {

constexpr double MICROSECONDS = 1e6;
constexpr double P50 = 0.50;
constexpr double P99 = 0.99;

double percentile(const std::vector<double>& sorted, double share) {
    return sorted[static_cast<size_t>(share * static_cast<double>(sorted.size() - 1))];
}

} // namespace

LatencyFigures figuresOf(std::vector<double> samplesUs) {
    if (samplesUs.empty()) {
        return {};
    }
    std::sort(samplesUs.begin(), samplesUs.end());
    return {percentile(samplesUs, P50), percentile(samplesUs, P99), samplesUs.back()};
}

double microsecondsBetween(LONGLONG fromTicks, LONGLONG toTicks) {
    return static_cast<double>(toTicks - fromTicks) * MICROSECONDS /
           static_cast<double>(trxtest::performanceFrequency());
}

} // namespace trxbench
