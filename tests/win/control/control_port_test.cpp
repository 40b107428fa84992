// The control port in-process with Winsock on loopback: real sockets and messages, an
// engine that records the commands and announcements made by hand.
#include "control_port.h"
#include "panel_fakes.h"
#include "receiver_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace trx {
namespace {

using trxtest::ReceiverWindow;

constexpr int TEST_PORT = TRX_CONTROL_TEST_PORT; // one per build tree
constexpr DWORD WAIT_MS = 5000;

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

// A client on the test's own thread: it never blocks, so the panel's messages keep running.
class Client {
  public:
    Client(ReceiverWindow& window, int receiveBuffer = 0) : window_(window) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (receiveBuffer > 0) {
            setsockopt(socket_, SOL_SOCKET, SO_RCVBUF,
                       reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
        }
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(TEST_PORT);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected =
            ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        u_long nonBlocking = 1;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
    }
    ~Client() { closesocket(socket_); }

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

    // Until the server closes the connection.
    bool closedByServer() {
        return window_.pumpUntil([&] { return poll(); }, WAIT_MS);
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

    bool connected = false;
    std::string received;

  private:
    ReceiverWindow& window_;
    SOCKET socket_ = INVALID_SOCKET;
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
        port.attach(window.handle());
        window.pumpUntil([&] { return port.listeningPort() != 0; }, WAIT_MS);
        ASSERT_EQ(port.listeningPort(), TEST_PORT);
    }

    void reportProgram(ControlPort& port, int program) {
        port.listener().reported(ProgramNumber, NOT_REPORTED, program);
    }

    ReceiverWindow window;
    RecordingEngine engine;
    ControlSettings settings;
    Settings panelSettings;
    FakeHost host;
};

LineWrite write(uint32_t sequence) {
    LineWrite w;
    w.sequence = sequence;
    return w;
}

TEST_F(ControlPortTest, TwoClientsGetSetSubscribeAndLock) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client first(window);
    auto second = std::make_unique<Client>(window);
    ASSERT_TRUE(first.connected && second->connected);

    first.send("get\r\n");
    EXPECT_EQ(first.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");

    port.listener().linkUp();
    reportProgram(port, 7);
    second->send("subscribe\nlock\n");
    EXPECT_EQ(second->readUntil("RPRT 0\r\nRPRT 0\r\n"), "RPRT 0\r\nRPRT 0\r\n");

    first.send("set program 3\nget program\n");
    EXPECT_EQ(first.readUntil("RPRT 0"),
              "RPRT -5 locked by " + second->name() + "\r\nprogram: 7\r\nRPRT 0\r\n");
    EXPECT_TRUE(engine.verbs.empty());

    // The lock holder's command is answered once its write is echoed.
    second->send("set program 3\n");
    window.pumpUntil([&] { return !engine.verbs.empty(); }, WAIT_MS);
    ASSERT_EQ(engine.verbs.size(), 1u);
    EXPECT_EQ(engine.verbs[0], ControlVerb::SetProgram);
    EXPECT_EQ(engine.sources[0], second->name());
    window.pumpFor(50);
    second->poll();
    EXPECT_EQ(second->received, "") << "answered before the echo";
    port.listener().writeEchoed(write(1));
    reportProgram(port, 3);
    EXPECT_EQ(second->readUntil("EVENT"), "RPRT 0\r\nEVENT program 3\r\n");
    first.send("get program\n");
    EXPECT_EQ(first.readUntil("RPRT"), "program: 3\r\nRPRT 0\r\n"); // not subscribed

    // The lock ends with its holder's connection; a missing echo is told.
    second.reset();
    window.pumpFor(100);
    first.send("set antenna 1\n");
    window.pumpUntil([&] { return engine.verbs.size() == 2; }, WAIT_MS);
    port.listener().echoMissing(write(2));
    EXPECT_EQ(first.readUntil("RPRT"), "RPRT -4 no acknowledgement\r\n");
}

TEST_F(ControlPortTest, TheNinthClientIsToldAndClosed) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < CONTROL_CLIENT_LIMIT; ++i) {
        clients.push_back(std::make_unique<Client>(window));
        clients.back()->send("get link\n");
        EXPECT_EQ(clients.back()->readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
    }
    Client ninth(window);
    EXPECT_TRUE(ninth.closedByServer());
    EXPECT_EQ(ninth.received, "RPRT -7 too many clients\r\n");

    clients.pop_back();
    window.pumpFor(100);
    Client next(window);
    next.send("get link\n");
    EXPECT_EQ(next.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
}

TEST_F(ControlPortTest, ALineTooLongIsRefusedAndTheNextOneRead) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client client(window);
    client.send(std::string(300, 'x') + "\r\nget link\r\n");
    EXPECT_EQ(client.readUntil("link down\r\n"),
              "RPRT -1 line too long\r\nlink: down\r\nRPRT -3 link down\r\n");
}

TEST_F(ControlPortTest, AClientThatStopsReadingIsDisconnectedAndTheOthersGoOn) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client stalled(window, 1024);
    Client reader(window);
    stalled.send("subscribe\n");
    reader.send("subscribe\n");
    EXPECT_EQ(reader.readUntil("RPRT 0\r\n"), "RPRT 0\r\n");
    port.listener().linkUp();

    // Each report changes the program: one event line per report for each subscriber.
    constexpr int REPORTS = 40000;
    bool readerClosed = false;
    for (int i = 1; i <= REPORTS; ++i) {
        reportProgram(port, i % 16);
        if (i % 200 == 0) {
            window.pumpFor(0);
            readerClosed = readerClosed || reader.poll();
            reader.received.clear();
        }
    }
    window.pumpFor(200);
    EXPECT_FALSE(readerClosed || reader.poll());
    EXPECT_TRUE(stalled.closedByServer());
    EXPECT_LT(stalled.received.size(), static_cast<size_t>(REPORTS) * 17);

    reader.send("get program\n");
    EXPECT_EQ(reader.readUntil("RPRT"), "program: 0\r\nRPRT 0\r\n");
}

TEST_F(ControlPortTest, ABusyPortIsToldOnceAndThePanelGoesOn) {
    const SOCKET holder = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL exclusive = TRUE;
    setsockopt(holder, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(TEST_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    listen(holder, 1);

    ControlPort port(engine, settings, panelSettings, host);
    port.attach(window.handle());
    window.pumpUntil([&] { return !host.boxes.empty(); }, WAIT_MS);
    window.pumpFor(100);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Der Steuerport " + std::to_string(TEST_PORT) +
                                      " ist belegt; TRXDESK läuft ohne Steuerport.");
    EXPECT_EQ(port.listeningPort(), 0);
    closesocket(holder);
}

} // namespace
} // namespace trx
