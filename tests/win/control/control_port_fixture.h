// The control port in-process with Winsock on loopback, as its tests share it: a client on
// the test's own thread that never blocks (so the panel's messages keep running while it
// waits), an engine and a journal that record, and the port opened on a stand-in window.
#ifndef TRXDESK_TEST_CONTROL_PORT_FIXTURE_H
#define TRXDESK_TEST_CONTROL_PORT_FIXTURE_H

#include "control/win/control_port.h"
#include "panel_fakes.h"
#include "receiver_window.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <string>
#include <vector>

namespace trx {

constexpr int TEST_PORT = TRX_CONTROL_TEST_PORT; // one per build tree
constexpr DWORD WAIT_MS = 5000;

inline sockaddr_in testPortAddress() {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(TEST_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

class Client {
  public:
    explicit Client(trxtest::ReceiverWindow& window, int receiveBuffer = 0) : window_(window) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (receiveBuffer > 0) {
            setsockopt(socket_, SOL_SOCKET, SO_RCVBUF,
                       reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
        }
        const sockaddr_in address = testPortAddress();
        connected =
            ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        u_long nonBlocking = 1;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
    }
    ~Client() { closesocket(socket_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // "127.0.0.1:<port>" as the control port names this client.
    std::string name() const {
        sockaddr_in local = {};
        int size = sizeof local;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
        return "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
    }

    void send(const std::string& text) {
        ::send(socket_, text.data(), static_cast<int>(text.size()), 0);
    }

    // Reads until `text` has arrived (or the connection ended); returns what arrived.
    std::string readUntil(const std::string& text) {
        window_.pumpUntil([&] { return poll() || received.find(text) != std::string::npos; },
                          WAIT_MS);
        std::string all;
        all.swap(received);
        return all;
    }

    // Until the server closes the connection, at most `waitMs`.
    bool closedByServer(DWORD waitMs = WAIT_MS) {
        return window_.pumpUntil([&] { return poll(); }, waitMs);
    }

    // True once the connection has ended.
    bool poll() {
        char bytes[4096];
        for (;;) {
            const int count = recv(socket_, bytes, sizeof bytes, 0);
            if (count > 0) {
                received.append(bytes, static_cast<size_t>(count));
                continue;
            }
            return count == 0 || WSAGetLastError() != WSAEWOULDBLOCK;
        }
    }

    SOCKET socket() const { return socket_; }

    bool connected = false;
    std::string received;

  private:
    trxtest::ReceiverWindow& window_;
    SOCKET socket_ = INVALID_SOCKET;
};

struct RecordingJournal final : StationEvents {
    void controlPortEvent(const char* text) override { lines.push_back(text); }
    void commandRefused(const CommandSource& source, const char* text) override {
        lines.push_back(std::string(source.client) + ": " + text);
    }
    std::vector<std::string> lines;
};

class RecordingEngine final : public ControlEngine {
  public:
    ControlOutcome execute(const ControlCommand& command, const CommandSource& source) override {
        verbs.push_back(command.verb);
        sources.push_back(source.client);
        return {CONTROL_OK, "", ++sequence};
    }
    int serialPortNumber() override { return 3; }

    std::vector<ControlVerb> verbs;
    std::vector<std::string> sources;
    uint32_t sequence = 0;
};

class ControlPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data); // the test's own clients
        settings.port = TEST_PORT;
    }
    void TearDown() override { WSACleanup(); }

    void open(ControlPort& port) {
        port.attach(window.handle(), window.router);
        window.pumpUntil([&] { return port.listeningPort() != 0; }, WAIT_MS);
        ASSERT_EQ(port.listeningPort(), TEST_PORT);
    }

    void reportProgram(ControlPort& port, int program) {
        const int previous = registers[ProgramNumber];
        registers[ProgramNumber] = static_cast<uint8_t>(program);
        port.listener().reported(ProgramNumber, previous, registers);
    }

    trxtest::ReceiverWindow window;
    RegisterMirror registers; // as the engine announces them
    RecordingEngine engine;
    RecordingJournal journal;
    ControlSettings settings;
    Settings panelSettings;
    FakeHost host;
};

} // namespace trx

#endif
