// Test doubles for the protocol's two seams: a panel that records every operation and
// keeps the state a real panel would show, and a line port that records every byte.
#ifndef TRXDESK_TEST_RECORDING_PANEL_H
#define TRXDESK_TEST_RECORDING_PANEL_H

#include "protocol/protocol.h"
#include "res/resource.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace trx::test {

class RecordingPort : public LinePort {
  public:
    int write(uint8_t lineByte) override {
        if (failWrites) {
            return 0;
        }
        sent.push_back(lineByte);
        if (log) {
            char entry[16];
            snprintf(entry, sizeof entry, "send %02X", lineByte);
            log->push_back(entry);
        }
        return 1;
    }
    int portNumber() const override { return number; }
    bool flush(int timeoutMs) override {
        flushes.push_back(timeoutMs);
        return true;
    }

    std::vector<uint8_t> sent;
    std::vector<int> flushes;                // the time-out of each flush
    std::vector<std::string>* log = nullptr; // shared with the panel to see the order
    int number = 5;
    bool failWrites = false;
};

class RecordingPanel : public PanelView {
  public:
    void setText(int id, const char* text) override {
        texts[id] = text;
        log.push_back("text " + std::to_string(id) + " " + text);
    }
    int buttonIcon(int id) override {
        ++iconReads;
        auto it = icons.find(id);
        return it == icons.end() ? 0 : it->second;
    }
    void setButtonIcon(int id, int icon) override {
        icons[id] = icon;
        log.push_back("icon " + std::to_string(id) + " " + std::to_string(icon));
    }
    void setIndicatorIcon(int id, int icon) override { setButtonIcon(id, icon); }
    void setUpDownPosition(int id, int position) override {
        positions[id] = position;
        log.push_back("pos " + std::to_string(id) + " " + std::to_string(position));
    }
    void enableControl(int id, bool enable) override {
        enabled[id] = enable;
        log.push_back("enable " + std::to_string(id) + " " + std::to_string(enable));
    }
    void setProgressPosition(int id, int position) override { setUpDownPosition(id, position); }
    void setStatusText(int part, const char* text) override {
        statusTexts[part] = text;
        log.push_back("status " + std::to_string(part) + " " + text);
    }
    void setStatusIcon(int part, int icon) override {
        statusIcons[part] = icon;
        log.push_back("statusicon " + std::to_string(part) + " " + std::to_string(icon));
    }
    bool isMinimized() override { return minimized; }
    void setWindowIcon(int icon) override { windowIcon = icon; }
    void postCommand(int command) override { posted.push_back(command); }
    void postClose() override { ++closeRequests; }
    void showError(const char* text) override { errors.push_back(text); }

    // How often the panel was put back to its unconnected look (the link lamp switched off).
    int resets() const {
        char linkDown[32];
        snprintf(linkDown, sizeof linkDown, "statusicon %d %d", STATUS_PART_LINK, IDI_LINK_DOWN);
        int n = 0;
        for (const std::string& entry : log) {
            n += entry == linkDown;
        }
        return n;
    }

    std::map<int, std::string> texts;
    std::map<int, int> icons;
    std::map<int, int> positions;
    std::map<int, bool> enabled;
    std::map<int, std::string> statusTexts;
    std::map<int, int> statusIcons;
    std::vector<std::string> log;
    std::vector<int> posted;
    std::vector<std::string> errors;
    int iconReads = 0;
    int windowIcon = 0;
    int closeRequests = 0;
    bool minimized = false;
};

// A protocol wired to recorders, as the panel wires the real one.
struct Rig {
    Settings settings;
    RecordingPort port;
    RecordingPanel panel;
    Protocol protocol{port, panel, settings};

    void receive(int address, int value) { protocol.onByteReceived(lineByteFor(address, value)); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            protocol.onTimerTick();
        }
    }
    // Brings the link up as a transmitter's first status report does.
    void linkUp(int status = 0) {
        receive(StatusRegister, status);
        port.sent.clear();
        panel.posted.clear();
    }
};

} // namespace trx::test

#endif
