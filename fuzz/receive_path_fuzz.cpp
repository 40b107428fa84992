// Random sequences of received bytes, ticks, queued writes and resets, with the engine's
// invariants checked after every step.
#include "protocol.h"

#include <cstdio>
#include <cstdlib>

namespace {

using namespace trx;

class FuzzPanel : public PanelView {
  public:
    void setText(int, const char* text) override { (void)text[0]; }
    int buttonIcon(int id) override { return icons[id % 64]; }
    void setButtonIcon(int id, int icon) override { icons[id % 64] = icon; }
    void setIndicatorIcon(int, int) override {}
    void setUpDownPosition(int, int) override {}
    void enableControl(int, bool) override {}
    void setProgressPosition(int, int) override {}
    void setStatusText(int, const char* text) override { (void)text[0]; }
    void setStatusIcon(int, int) override {}
    bool isMinimized() override { return minimized; }
    void setWindowIcon(int) override {}
    void postCommand(int) override {}
    void postClose() override {}
    void showError(const char*) override {}

    int icons[64] = {};
    bool minimized = false;
};

class FuzzPort : public LinePort {
  public:
    int write(uint8_t) override { return failing ? 0 : 1; }
    int portNumber() const override { return number; }
    bool flush(int) override { return true; }
    bool failing = false;
    int number = 1;
};

// Largest value each register may hold once reported; 13 is never stored.
constexpr int REGISTER_MAX[REGISTER_COUNT] = {3,  15, 15, 15, 15, 15, 15, 15,
                                              15, 15, 15, 15, 15, -1, 7,  15};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkInvariants(const ProtocolState& s) {
    for (int a = 0; a < REGISTER_COUNT; ++a) {
        check(s.mirror[a] == NOT_REPORTED || s.mirror[a] <= REGISTER_MAX[a],
              "mirror byte outside its register's width");
    }
    check(s.count >= 0 && s.count <= QUEUE_CAPACITY, "queue holds more than 32");
    check(!s.awaitingEcho || s.linkAlive, "waiting for an echo while the link is down");
}

// The operator's commands, with arguments the panel could never pass among them.
void operatorCommand(Protocol& protocol, int command, uint8_t arg) {
    const int signedArg = static_cast<int8_t>(arg);
    switch (command) {
    case 0:
        protocol.requestState(signedArg % 8);
        break;
    case 1:
        protocol.requestRefresh();
        break;
    case 2:
        protocol.requestProgram();
        break;
    case 3:
        protocol.stepProgram(arg * 257, (arg & 1) ? 1 : -1);
        break;
    case 4:
        protocol.selectAntenna(signedArg % 6);
        break;
    case 5:
        protocol.requestStandbyThenClose();
        break;
    case 6:
        protocol.requestStandbyNow();
        break;
    default:
        protocol.sendPreset(signedArg % 6);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Settings settings;
    FuzzPanel panel;
    FuzzPort port;
    Protocol protocol(port, panel, settings);

    for (size_t i = 0; i < size; ++i) {
        const uint8_t op = data[i];
        const uint8_t arg = i + 1 < size ? data[i + 1] : 0;
        switch (op >> 5) {
        case 0:
        case 1:
        case 2: // most input is line traffic
            protocol.onByteReceived(arg);
            ++i;
            break;
        case 3:
            for (int t = 0; t <= (op & 0x1F); ++t) {
                protocol.onTimerTick();
                checkInvariants(protocol.state);
            }
            break;
        case 4:
            protocol.queueWrite(arg & 0x1F, arg >> 3);
            ++i;
            break;
        case 5:
            protocol.sendPreset(op & 3);
            settings.presets[op & 3].shiftIndex = arg % 6;
            settings.presets[op & 3].modeType = (arg >> 3) % 12;
            ++i;
            break;
        case 6:
            port.failing = op & 1;
            port.number = (op & 2) ? 0 : 1;
            settings.hexDisplay = op & 4;
            panel.minimized = op & 8;
            if (op & 16) {
                protocol.showWindowIcon();
            }
            break;
        default:
            if ((op & 3) == 3) {
                operatorCommand(protocol, op >> 2 & 7, arg);
            } else if (op & 1) {
                protocol.resetProtocol();
            } else {
                protocol.applyReport(static_cast<int8_t>(arg) % 20, (op & 2) ? REPAINT : arg & 15);
            }
            ++i;
            break;
        }
        checkInvariants(protocol.state);
    }
    return 0;
}
