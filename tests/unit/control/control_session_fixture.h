// The control port's sessions against a host that stands in for the engine, the sockets,
// the clock and the journal, as the native tests of the sessions share it.
#ifndef TRXDESK_TEST_CONTROL_SESSION_FIXTURE_H
#define TRXDESK_TEST_CONTROL_SESSION_FIXTURE_H

#include "announcer.h"
#include "control/control_sessions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace trx {

constexpr uint32_t LOOPBACK = 0x7F000001;
constexpr uint32_t REMOTE = 0xC0A80114;   // 192.168.1.20, in the list
constexpr uint32_t UNLISTED = 0x0A000001; // 10.0.0.1
constexpr char PASSWORD[] = "Geheim";

class FakeHost final : public ControlEngine, public ControlHost {
  public:
    ControlOutcome execute(const ControlCommand& command, const CommandSource& source) override {
        executed.push_back(command);
        sources.push_back(source.client);
        ControlOutcome result = next;
        if (result.code == CONTROL_OK && writesPerCommand > 0) {
            sequence += writesPerCommand;
            result.lastWrite = sequence;
        }
        return result;
    }
    uint64_t milliseconds() override { return now; }
    void outputWaiting() override { ++wakes; }
    bool modalLoop() override { return loop; }
    int serialPortNumber() override { return 3; }

    std::vector<ControlCommand> executed;
    std::vector<std::string> sources;
    ControlOutcome next;
    int writesPerCommand = 1;
    uint32_t sequence = 0;
    uint64_t now = 0;
    int wakes = 0;
    bool loop = false; // a modal loop of the panel runs
};

struct HeardJournal final : StationEvents {
    void controlPortEvent(const char* text) override { lines.push_back(text); }
    void commandRefused(const CommandSource& source, const char* text) override {
        lines.push_back(std::string(source.client) + ": " + text);
    }
    void recordFile(char* out, size_t size) override { snprintf(out, size, "%s", file.c_str()); }
    std::vector<std::string> lines;
    std::string file; // empty: the journal is off
};

// The panel's title as the registry or the command line gave it, in CP1252.
struct FakeStation final : ControlStation {
    std::string_view title() const override { return titleBytes; }
    int baudRate() const override { return 1200; }
    std::string_view version() const override { return "1.4.0"; }
    std::string titleBytes = "Sender 1";
};

inline LineWrite writeNumber(uint32_t sequence) {
    LineWrite write;
    write.sequence = sequence;
    write.source.kind = SourceKind::Control;
    return write;
}

class ControlSessionTest : public ::testing::Test {
  protected:
    ControlSessionTest() : sessions(host, host, allowList(), PASSWORD) {
        sessions.tellJournal(heard);
        sessions.tellStation(station);
    }

    static AllowList allowList() {
        AllowList list;
        list.read("192.168.1.0/24");
        return list;
    }

    // What waits for the client, taken as the shell would send it.
    std::string take(ClientId id) {
        sessions.serviceClients();
        ClientOutput* out = sessions.output(id);
        if (out == nullptr) {
            return "(gone)";
        }
        std::string sent;
        sent.swap(out->bytes);
        return sent;
    }

    std::string ask(ClientId id, const std::string& lines) {
        sessions.received(id, lines);
        return take(id);
    }

    // The shell closes the client once its output is sent, or at once.
    bool closing(ClientId id) {
        const ClientOutput* out = sessions.output(id);
        return out != nullptr && (out->closeWhenSent || out->dropNow);
    }

    // The clock moves on, and the shell's timer ticks.
    void after(uint64_t milliseconds) {
        host.now += milliseconds;
        sessions.tick(host.now);
    }

    // Link up and every register reported as trxsim starts.
    void reportAll() {
        announce.linkUp();
        const int values[REGISTER_COUNT] = {2, 0, 3, 6, 0, 0, 0, 0, 1, 7, 2, 1, 0, 0, 0, 1};
        for (int address = 0; address < REGISTER_COUNT; ++address) {
            announce.reported(address, values[address]);
        }
    }

    FakeHost host;
    HeardJournal heard;
    FakeStation station;
    ControlSessions sessions;
    test::Announcer announce{sessions};
};

} // namespace trx

#endif
