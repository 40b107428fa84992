// The worst user against the real port in-process: a web page's requests through the
// operator's browser, a client that never stops sending, silent connections, unfinished
// scrapes, a thousand connections at once and an allow list that admits nothing. Every
// client sends to 127.0.0.1 only, bounded in count and time.
#include "control_port_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace trx {
namespace {

constexpr uint64_t FLOOD_BYTES = uint64_t{1} << 30;
// Far more than the sockets' buffers hold between a client and the port.
constexpr uint64_t CUT_OFF_BYTES = uint64_t{64} << 20;
constexpr DWORD FLOOD_MS = 10000;
constexpr DWORD SEND_TIMEOUT_MS = 2000;
constexpr int FLOOD_BUFFER = 1 << 20;
constexpr int CONNECTION_FLOOD = 1000;

bool isReset(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN;
}

TEST_F(ControlPortTest, AWebPagesRequestsPutNothingOnTheLine) {
    ControlPort port(engine, settings, panelSettings, host);
    port.tellJournal(journal);
    open(port);
    port.listener().linkUp(registers);
    const std::string body = "set program 7\r\nset state 1000\r\n";

    Client post(window);
    post.send("POST /" + std::string(300, 'p') +
              " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: " +
              std::to_string(body.size()) + "\r\n\r\n" + body);
    ASSERT_TRUE(post.closedByServer());
    EXPECT_EQ(post.received.substr(0, 31), "HTTP/1.0 405 Method Not Allowed");

    EXPECT_TRUE(engine.verbs.empty());
    for (const std::string& line : journal.lines) {
        EXPECT_EQ(line.find("verbunden"), std::string::npos) << line;
    }
}

// The panel reads once more after quit and closes: a client that sent megabytes behind its
// quit and keeps sending is cut off (reset) once the sockets' buffers are full, and another
// client is answered.
TEST_F(ControlPortTest, AfterQuitAClientThatKeepsSendingIsCutOff) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    port.listener().linkUp(registers);
    Client flooder(window);
    setsockopt(flooder.socket(), SOL_SOCKET, SO_SNDBUF,
               reinterpret_cast<const char*>(&FLOOD_BUFFER), sizeof FLOOD_BUFFER);
    std::string commands;
    while (commands.size() < static_cast<size_t>(FLOOD_BUFFER)) {
        commands += "set program 7\n";
    }
    // Everything the sockets take before the panel runs: quit, and the flood behind it.
    flooder.send("quit\n");
    uint64_t queued = 0;
    for (int count = 1; count > 0; queued += static_cast<uint64_t>(std::max(count, 0))) {
        count = ::send(flooder.socket(), commands.data(), static_cast<int>(commands.size()), 0);
    }
    u_long blocking = 0;
    ioctlsocket(flooder.socket(), FIONBIO, &blocking);
    setsockopt(flooder.socket(), SOL_SOCKET, SO_SNDTIMEO,
               reinterpret_cast<const char*>(&SEND_TIMEOUT_MS), sizeof SEND_TIMEOUT_MS);
    std::atomic<bool> cutOff{false};
    std::atomic<bool> ended{false};
    std::atomic<uint64_t> sent{0};
    std::thread sender([&] {
        const ULONGLONG until = GetTickCount64() + FLOOD_MS;
        while (sent < FLOOD_BYTES && GetTickCount64() < until) {
            const int count =
                ::send(flooder.socket(), commands.data(), static_cast<int>(commands.size()), 0);
            if (count <= 0) {
                cutOff = isReset(WSAGetLastError());
                break;
            }
            sent += static_cast<uint64_t>(count);
        }
        ended = true;
    });
    Client other(window);
    other.send("get link\n");
    EXPECT_EQ(other.readUntil("RPRT"), "link: up\r\nRPRT 0\r\n");
    window.pumpUntil([&] { return ended.load(); }, FLOOD_MS);
    sender.join();
    // What the sockets' buffers hold, not what a read loop would have swallowed.
    EXPECT_TRUE(cutOff);
    EXPECT_LT(queued + sent, CUT_OFF_BYTES) << queued << " bytes queued, " << sent << " sent";
    EXPECT_TRUE(engine.verbs.empty());
}

TEST_F(ControlPortTest, SilentConnectionsKeepOutNeitherAScrapeNorAClient) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    std::vector<std::unique_ptr<Client>> silent;
    for (int i = 0; i < CONTROL_PENDING_LIMIT; ++i) {
        silent.push_back(std::make_unique<Client>(window));
    }
    window.pumpFor(100);
    Client scrape(window);
    scrape.send("GET /metrics HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(scrape.closedByServer());
    EXPECT_EQ(scrape.received.substr(0, 15), "HTTP/1.0 200 OK");
    Client line(window);
    line.send("get link\n");
    EXPECT_EQ(line.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
}

// Scrapes have four places; the fifth is told 503 while the four have not finished their
// requests, and these are answered 408 once their time is up.
TEST_F(ControlPortTest, UnfinishedScrapesHoldTheirPlacesUntilTheirDeadline) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    std::vector<std::unique_ptr<Client>> unfinished;
    for (int i = 0; i < CONTROL_SCRAPE_LIMIT; ++i) {
        unfinished.push_back(std::make_unique<Client>(window));
        unfinished.back()->send("GET /metrics HTTP/1.1\r\nHost: x\r\n");
    }
    window.pumpFor(200);
    Client fifth(window);
    fifth.send("GET /metrics HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(fifth.closedByServer());
    EXPECT_EQ(fifth.received.substr(0, 12), "HTTP/1.0 503");
    for (const auto& scrape : unfinished) {
        ASSERT_TRUE(scrape->closedByServer(CONTROL_REQUEST_MS + WAIT_MS));
        EXPECT_EQ(scrape->received.substr(0, 12), "HTTP/1.0 408");
    }
}

// All at once, before the panel runs: the port takes them in batches, turns the flood away
// with one journal line, and serves the next client and scrape.
TEST_F(ControlPortTest, AThousandConnectionsAreTurnedAwayQuietly) {
    ControlPort port(engine, settings, panelSettings, host);
    port.tellJournal(journal);
    open(port);
    journal.lines.clear();
    std::vector<SOCKET> flood;
    const sockaddr_in address = testPortAddress();
    for (int i = 0; i < CONNECTION_FLOOD; ++i) {
        flood.push_back(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        ASSERT_EQ(
            ::connect(flood.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
            << i;
    }
    window.pumpUntil([&] { return !journal.lines.empty(); }, WAIT_MS);
    for (const SOCKET socket : flood) {
        closesocket(socket);
    }
    ASSERT_EQ(journal.lines.size(), 1u);
    unsigned long turnedAway = 0;
    EXPECT_EQ(sscanf(journal.lines[0].c_str(),
                     "127.0.0.1 abgewiesen (%lu Verbindungen, mehr als 20 je Sekunde)",
                     &turnedAway),
              1)
        << journal.lines[0];
    EXPECT_GE(turnedAway, static_cast<unsigned long>(CONNECTION_FLOOD / 2));

    Client line(window);
    line.send("get link\n");
    EXPECT_EQ(line.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
    Client scrape(window);
    scrape.send("GET /metrics HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(scrape.closedByServer());
    EXPECT_EQ(scrape.received.substr(0, 15), "HTTP/1.0 200 OK");
}

struct AllowCase {
    const char* networks;
    const char* opened;
    const char* box; // nullptr: none
};

// Every entry not taken is named once, to the operator and in the journal; without a valid
// one the port stays on this computer.
TEST_F(ControlPortTest, AnAllowListIsTakenOnlyForItsValidEntries) {
    const std::string port = std::to_string(TEST_PORT);
    const AllowCase cases[] = {
        {"0.0.0.0/0, bogus 0.0.0.0/0", "127.0.0.1",
         "übergeht in SteuerportNetz: 0.0.0.0/0, bogus. Es gelten nur IPv4-Adressen und Blöcke "
         "bis /8, etwa 192.168.10.0/24. Ohne gültigen Eintrag nimmt er nur Verbindungen von "
         "diesem Rechner an."},
        {"", "127.0.0.1", nullptr},
        {"10.0.0.0/8 1.2.3.4/33", "0.0.0.0",
         "übergeht in SteuerportNetz: 1.2.3.4/33. Es gelten nur IPv4-Adressen und Blöcke bis /8, "
         "etwa 192.168.10.0/24."},
    };
    for (const AllowCase& c : cases) {
        settings.network = true;
        snprintf(settings.networks, sizeof settings.networks, "%s", c.networks);
        host.boxes.clear();
        RecordingJournal heard;
        {
            ControlPort opened(engine, settings, panelSettings, host);
            opened.tellJournal(heard);
            open(opened);
            window.pumpFor(50);
        }
        ASSERT_FALSE(heard.lines.empty()) << c.networks;
        EXPECT_EQ(heard.lines[0], std::string("geöffnet ") + c.opened + ":" + port) << c.networks;
        if (c.box == nullptr) {
            EXPECT_TRUE(host.boxes.empty()) << c.networks;
            EXPECT_EQ(heard.lines.size(), 1u) << c.networks;
            continue;
        }
        ASSERT_EQ(host.boxes.size(), 1u) << c.networks;
        EXPECT_EQ(host.boxes[0].text, "Der Steuerport " + port + " " + c.box);
        ASSERT_EQ(heard.lines.size(), 2u) << c.networks;
        EXPECT_EQ(heard.lines[1].rfind("SteuerportNetz übergangen: ", 0), 0u) << heard.lines[1];
    }
}

} // namespace
} // namespace trx
