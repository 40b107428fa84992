// The control port in-process with Winsock on loopback: real sockets and messages, an
// engine that records the commands and announcements made by hand.
#include "control/win/control_port.h"
#include "control_port_fixture.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace trx {
namespace {

LineWrite write(uint32_t sequence) {
    LineWrite w;
    w.sequence = sequence;
    return w;
}

// A client's command sent while a box of the panel is up (the engine's missing echo, say)
// waits for the box: nothing enters the engine from inside the box's message loop. What
// follows it on its connection waits with it; another client's reading is answered at once.
TEST_F(ControlPortTest, ACommandDuringAMessageBoxWaitsUntilTheBoxIsClosed) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    port.listener().linkUp(registers);
    Client client(window);
    Client reader(window);
    client.send("get link\n");
    EXPECT_EQ(client.readUntil("RPRT"), "link: up\r\nRPRT 0\r\n");

    host.duringBox = [&] {
        client.send("set program 3\nget link\n");
        window.pumpFor(600); // the box stays up for more than two of the port's ticks
        client.poll();
        EXPECT_TRUE(engine.verbs.empty()) << "a command entered the engine inside the box";
        EXPECT_EQ(client.received, "");
        reader.send("get link\n");
        EXPECT_EQ(reader.readUntil("RPRT"), "link: up\r\nRPRT 0\r\n");
    };
    host.messageBox(window.handle(), "Der Sender hat den letzten Befehl nicht quittiert.", "",
                    MB_OK);
    window.pumpUntil([&] { return !engine.verbs.empty(); }, WAIT_MS);
    ASSERT_EQ(engine.verbs, std::vector<ControlVerb>{ControlVerb::SetProgram});
    port.listener().writeEchoed(write(1), registers);
    EXPECT_EQ(client.readUntil("RPRT 0\r\nlink"), "RPRT 0\r\nlink: up\r\nRPRT 0\r\n");
}

TEST_F(ControlPortTest, TwoClientsGetSetSubscribeAndLock) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client first(window);
    auto second = std::make_unique<Client>(window);
    ASSERT_TRUE(first.connected && second->connected);

    first.send("get\r\n");
    EXPECT_EQ(first.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");

    port.listener().linkUp(registers);
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
    port.listener().writeEchoed(write(1), registers);
    reportProgram(port, 3);
    EXPECT_EQ(second->readUntil("EVENT"), "RPRT 0\r\nEVENT program 3\r\n");
    first.send("get program\n");
    EXPECT_EQ(first.readUntil("RPRT"), "program: 3\r\nRPRT 0\r\n"); // not subscribed

    // The lock ends with its holder's connection, and the next connection (whose socket may
    // well have the holder's value again) inherits nothing; a missing echo is told.
    second.reset();
    window.pumpFor(100);
    Client third(window);
    third.send("get link\n");
    EXPECT_EQ(third.readUntil("RPRT"), "link: up\r\nRPRT 0\r\n");
    first.send("set antenna 1\n");
    window.pumpUntil([&] { return engine.verbs.size() == 2; }, WAIT_MS);
    port.listener().echoMissing(write(2), registers);
    EXPECT_EQ(first.readUntil("RPRT"), "RPRT -4 no acknowledgement\r\n");
}

// The ninth is told once it speaks: until then it might be a scrape, which has places of its own.
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
    ninth.send("get link\n");
    EXPECT_TRUE(ninth.closedByServer());
    EXPECT_EQ(ninth.received, "RPRT -7 too many clients\r\n");

    clients.pop_back();
    window.pumpFor(100);
    Client next(window);
    next.send("get link\n");
    EXPECT_EQ(next.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
}

// After its first line: a first line too long is no client of this protocol, and ends it.
TEST_F(ControlPortTest, ALineTooLongIsRefusedAndTheNextOneRead) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client client(window);
    client.send("get link\r\n" + std::string(300, 'x') + "\r\nget link\r\n");
    EXPECT_EQ(client.readUntil("RPRT -1 line too long\r\nlink: down\r\nRPRT -3 link down\r\n"),
              "link: down\r\nRPRT -3 link down\r\nRPRT -1 line too long\r\nlink: down\r\n"
              "RPRT -3 link down\r\n");
    Client first(window);
    first.send(std::string(300, 'x') + "\r\nget link\r\n");
    ASSERT_TRUE(first.closedByServer());
    EXPECT_EQ(first.received, "RPRT -1 line too long\r\n");
}

TEST_F(ControlPortTest, AClientThatStopsReadingIsDisconnectedAndTheOthersGoOn) {
    ControlPort port(engine, settings, panelSettings, host);
    open(port);
    Client stalled(window, 1024);
    Client reader(window);
    stalled.send("subscribe\n");
    reader.send("subscribe\n");
    EXPECT_EQ(reader.readUntil("RPRT 0\r\n"), "RPRT 0\r\n");
    port.listener().linkUp(registers);

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
    port.attach(window.handle(), window.router);
    window.pumpUntil([&] { return !host.boxes.empty(); }, WAIT_MS);
    window.pumpFor(100);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Der Steuerport " + std::to_string(TEST_PORT) +
                                      " ist belegt; TRXDESK läuft ohne Steuerport.");
    EXPECT_EQ(port.listeningPort(), 0);
    closesocket(holder);
}

// The settings dialog's OK: the port opens, changes and closes while the panel runs; every
// client is let go, since its right may have come from a password no longer set.
TEST_F(ControlPortTest, NewSettingsTakeEffectWithoutARestart) {
    settings.port = 0;
    settings.passwordUnreadable = true;
    ControlPort port(engine, settings, panelSettings, host);
    RecordingJournal heard;
    port.tellJournal(heard);
    port.attach(window.handle(), window.router);
    window.pumpFor(100);
    EXPECT_EQ(port.listeningPort(), 0);
    EXPECT_FALSE(Client(window).connected);

    settings.port = TEST_PORT;
    port.applySettings();
    window.pumpUntil([&] { return port.listeningPort() != 0; }, WAIT_MS);
    ASSERT_EQ(port.listeningPort(), TEST_PORT);
    Client before(window);
    before.send("get link\n");
    EXPECT_EQ(before.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");

    snprintf(settings.password, sizeof settings.password, "neu");
    port.applySettings();
    EXPECT_TRUE(before.closedByServer());
    Client after(window);
    after.send("get link\n");
    EXPECT_EQ(after.readUntil("RPRT"), "link: down\r\nRPRT -3 link down\r\n");
    // The stored password that could not be read is told once, however often the port opens.
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("kann SteuerportKennwort nicht lesen"), std::string::npos);
    EXPECT_EQ(heard.lines,
              (std::vector<std::string>{"geöffnet 127.0.0.1:" + std::to_string(TEST_PORT),
                                        "SteuerportKennwort nicht lesbar, gilt als nicht gesetzt",
                                        "neue Einstellungen übernommen"}));

    settings.port = 0;
    port.applySettings();
    EXPECT_TRUE(after.closedByServer());
    EXPECT_EQ(port.listeningPort(), 0);
    EXPECT_FALSE(Client(window).connected);
}

} // namespace
} // namespace trx
