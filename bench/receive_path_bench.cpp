// Throughput of the whole receive path (onByteReceived through applyReport) against a
// panel that draws nothing, on a byte mix like a busy line: mostly periodic reports that
// repeat the mirror, some changes, echoes of commands and the odd parity-error byte.
#include "protocol/protocol.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace trx;

class NullPanel : public PanelView {
  public:
    void setText(int, const char*) override {}
    int buttonIcon(int) override { return 0; }
    void setButtonIcon(int, int) override {}
    void setIndicatorIcon(int, int) override {}
    void setUpDownPosition(int, int) override {}
    void enableControl(int, bool) override {}
    void setProgressPosition(int, int) override {}
    void setStatusText(int, const char*) override {}
    void setStatusIcon(int, int) override {}
    bool isMinimized() override { return false; }
    void setWindowIcon(int) override {}
    void postCommand(int) override {}
    void postClose() override {}
    void showError(const char*) override {}
};

class NullPort : public LinePort {
  public:
    int write(uint8_t) override { return 1; }
    int portNumber() const override { return 1; }
    bool flush(int) override { return true; }
};

// 12 bits per byte on the line: start bit, 8 data bits, even parity, 2 stop bits.
constexpr double FASTEST_LINE_BYTES_PER_SECOND = 256000.0 / 12.0;
constexpr size_t MIX_LENGTH = 1 << 20;
constexpr int BYTES_PER_TICK = 2000; // a tick per 100 ms of a fast line

std::vector<uint8_t> makeMix() {
    const int width[REGISTER_COUNT] = {4, 10, 10, 10, 10, 10, 10, 10, 7, 16, 16, 7, 5, 16, 8, 16};
    int transmitter[REGISTER_COUNT] = {1, 0, 7, 1, 2, 3, 4, 5, 1, 3, 2, 1, 0, 0, 0, 1};
    uint32_t seed = 0x2545F491u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    std::vector<uint8_t> mix;
    mix.reserve(MIX_LENGTH);
    while (mix.size() < MIX_LENGTH) {
        const int reg = static_cast<int>(next() % REGISTER_COUNT);
        const uint32_t roll = next() % 100;
        if (roll < 15) {
            transmitter[reg] = static_cast<int>(next() % static_cast<uint32_t>(width[reg]));
        }
        if (roll == 99) {
            mix.push_back(ERROR_CHAR);
        }
        mix.push_back(lineByteFor(reg, transmitter[reg] & 0x0F));
    }
    return mix;
}

} // namespace

int main() {
    const std::vector<uint8_t> mix = makeMix();
    Settings settings;
    NullPanel panel;
    NullPort port;
    Protocol protocol(port, panel, settings);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    uint64_t bytes = 0;
    double seconds = 0;
    do {
        int untilTick = BYTES_PER_TICK;
        for (uint8_t b : mix) {
            protocol.onByteReceived(b);
            if (--untilTick == 0) {
                protocol.onTimerTick();
                if (b % 8 == 0) {
                    protocol.queueWrite(OperatingState, b & 7); // its echo is in the mix
                }
                untilTick = BYTES_PER_TICK;
            }
        }
        bytes += mix.size();
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 1.0);

    const double rate = static_cast<double>(bytes) / seconds;
    std::printf("receive path: %llu bytes in %.3f s\n", static_cast<unsigned long long>(bytes),
                seconds);
    std::printf("bytes per second: %.0f\n", rate);
    std::printf("ratio to the fastest line (256000 Bd, %.0f bytes/s): %.0f\n",
                FASTEST_LINE_BYTES_PER_SECOND, rate / FASTEST_LINE_BYTES_PER_SECOND);
    return 0;
}
