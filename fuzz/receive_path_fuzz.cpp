// Random sequences of received bytes, ticks, queued writes and resets, with the engine's
// invariants checked after every step.
#include "protocol/protocol.h"

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

void checkInvariants(const Protocol& protocol) {
    const RegisterMirror& mirror = protocol.mirror();
    for (int a = 0; a < REGISTER_COUNT; ++a) {
        check(mirror[a] == NOT_REPORTED || mirror[a] <= REGISTER_MAX[a],
              "mirror byte outside its register's width");
    }
}

// What the engine announces must add up: writes leave in the order they were queued, and
// only the write last sent, while the link is up, is echoed or given up on, once.
class FuzzListener : public LineListener {
  public:
    void linkUp(const RegisterMirror&) override {
        check(!up, "link up twice");
        up = true;
    }
    void linkLost(const RegisterMirror&) override {
        check(up, "link lost while down");
        up = false;
        awaited = false;
    }
    void resetWhileDown(const RegisterMirror&) override {
        check(!up, "reset while down announced with the link up");
    }
    void writeSent(const LineWrite& write, const RegisterMirror&) override {
        check(write.sequence > lastSequence, "writes out of order");
        lastSequence = write.sequence;
        awaited = up;
    }
    void writeEchoed(const LineWrite& write, const RegisterMirror&) override {
        settle(write, "echo");
    }
    void echoMissing(const LineWrite& write, const RegisterMirror&) override {
        settle(write, "missing echo");
    }

  private:
    void settle(const LineWrite& write, const char* what) {
        check(awaited && write.sequence == lastSequence, what);
        awaited = false;
    }
    bool up = false;
    bool awaited = false;
    uint32_t lastSequence = 0;
};

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
    case 7:
        protocol.selectProgram(signedArg % 20);
        break;
    case 8:
        protocol.enterFrequency({arg & 15, arg >> 4, 1, 2, 3, 4, 5}, signedArg % 8);
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
    FuzzListener listener;
    protocol.addListener(listener);

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
                checkInvariants(protocol);
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
                operatorCommand(protocol, (op >> 2 & 7) + (arg & 1), arg);
            } else if (op & 1) {
                protocol.resetProtocol();
            } else {
                protocol.applyReport(static_cast<int8_t>(arg) % 20, arg & 15);
            }
            ++i;
            break;
        }
        checkInvariants(protocol);
    }
    return 0;
}
