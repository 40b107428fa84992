// What a connection must be and do before the control port serves it, as a browser, a
// silent or flooding program and a password guesser find out: HTTP stays HTTP, places and
// deadlines, the password's cost, and floods turned away in one journal line.
#include "control_session_fixture.h"

#include <cstdio>

namespace trx {

namespace {

struct BrowserCase {
    const char* what;
    std::string request;
    const char* status;
};

// Whatever a web page makes the operator's browser send to a loopback port is answered as
// HTTP and closed, in one piece or byte by byte, and nothing of it reaches the engine.
TEST_F(ControlSessionTest, BrowserRequestsAreHttpAndNeverCommands) {
    const std::string commands = "set program 7\r\nset state 1000\r\n";
    const BrowserCase cases[] = {
        {"a POST whose request line is longer than a command line",
         "POST /" + std::string(300, 'p') +
             " HTTP/1.1\r\nHost: 127.0.0.1:4703\r\n"
             "Content-Type: text/plain\r\nContent-Length: 31\r\n\r\n" +
             commands,
         "405 Method Not Allowed"},
        {"a PUT", "PUT /x HTTP/1.1\r\nContent-Length: 31\r\n\r\n" + commands,
         "405 Method Not Allowed"},
        {"a preflight",
         "OPTIONS * HTTP/1.1\r\nAccess-Control-Request-Method: PUT\r\n\r\n" + commands,
         "405 Method Not Allowed"},
        {"a method in lower case", "post /x HTTP/1.1\r\n\r\n" + commands, "405 Method Not Allowed"},
        {"no version, so no headers", "POST /\n" + commands, "405 Method Not Allowed"},
        {"an absolute target", "GET http://127.0.0.1:4703/ HTTP/1.1\r\n\r\n" + commands,
         "404 Not Found"},
        {"a form in a long query", "GET /?q=" + std::string(5000, 'q') + " HTTP/1.1\r\n\r\n",
         "404 Not Found"},
        {"headers over the limit",
         "GET /metrics HTTP/1.1\r\nCookie: " + std::string(HTTP_HEAD_LIMIT, 'c') + "\r\n\r\n",
         "431 Request Header Fields Too Large"},
        {"a command as a header", "POST /x HTTP/1.1\r\nset program 7\r\n\r\n",
         "405 Method Not Allowed"},
    };
    reportAll();
    ClientId id = 0;
    for (const BrowserCase& c : cases) {
        for (const bool pieces : {false, true}) {
            sessions.connect(++id, LOOPBACK, 50000);
            std::string reply;
            if (pieces) {
                for (const char byte : c.request) {
                    reply += ask(id, std::string(1, byte));
                }
            } else {
                reply = ask(id, c.request);
            }
            EXPECT_EQ(reply.substr(0, reply.find('\r')), std::string("HTTP/1.0 ") + c.status)
                << c.what << (pieces ? ", byte by byte" : "");
            EXPECT_TRUE(closing(id)) << c.what;
            sessions.disconnected(id);
        }
    }
    EXPECT_TRUE(host.executed.empty());
    EXPECT_TRUE(heard.lines.empty()); // no line client ever connected
}

TEST_F(ControlSessionTest, ALineClientsFirstLineTooLongEndsTheConnection) {
    sessions.connect(1, LOOPBACK, 50001);
    EXPECT_EQ(ask(1, std::string(CONTROL_LINE_LIMIT + 2, 'x')), "RPRT -1 line too long\r\n");
    EXPECT_TRUE(closing(1));
    EXPECT_EQ(ask(1, "\nset program 3\n"), "");
    sessions.connect(2, LOOPBACK, 50002);
    EXPECT_EQ(ask(2, std::string(CONTROL_LINE_LIMIT + 1, 'x') + "\n"), "RPRT -1 line too long\r\n");
    EXPECT_TRUE(closing(2));
}

// Nor do connections that say no more than a byte of a line (nor, from another computer,
// lines without the password): a place is a line client's once it has said who it is.
TEST_F(ControlSessionTest, SilentConnectionsKeepOutNeitherClientsNorScrapes) {
    for (ClientId id = 1; id <= CONTROL_PENDING_LIMIT; ++id) {
        sessions.connect(id, id % 4 ? LOOPBACK : REMOTE, static_cast<uint16_t>(50000 + id));
        ask(id, id % 2 ? "" : id % 4 ? "g" : "get link\n");
    }
    EXPECT_EQ(sessions.lineClients(), 0);
    EXPECT_FALSE(closing(1));
    // A new connection takes the place of the oldest silent one.
    sessions.connect(100, LOOPBACK, 50100);
    EXPECT_TRUE(closing(1));
    EXPECT_FALSE(closing(2));
    EXPECT_EQ(ask(100, "GET /metrics HTTP/1.1\r\n\r\n").substr(0, 15), "HTTP/1.0 200 OK");
    sessions.connect(101, LOOPBACK, 50101);
    EXPECT_EQ(ask(101, "get link\n"), "link: down\r\nRPRT -3 link down\r\n");
    EXPECT_EQ(sessions.counters().turnedAway, 1u);
}

TEST_F(ControlSessionTest, ScrapesHavePlacesOfTheirOwn) {
    for (ClientId id = 1; id <= CONTROL_SCRAPE_LIMIT; ++id) {
        sessions.connect(id, LOOPBACK, static_cast<uint16_t>(50000 + id));
        EXPECT_EQ(ask(id, "GET /metrics HTTP/1.1\r\nHost: x\r\n"), ""); // not whole yet
    }
    sessions.connect(10, LOOPBACK, 50010);
    EXPECT_EQ(ask(10, "GET /metrics HTTP/1.1\r\n\r\n").substr(0, 33),
              "HTTP/1.0 503 Service Unavailable\r");
    EXPECT_TRUE(closing(10));
    sessions.connect(11, LOOPBACK, 50011);
    EXPECT_EQ(ask(11, "get link\n"), "link: down\r\nRPRT -3 link down\r\n");

    // An unfinished request has its deadline; then the places are free again.
    after(CONTROL_REQUEST_MS - 1);
    EXPECT_EQ(take(1), "");
    after(1);
    EXPECT_EQ(take(1).substr(0, 28), "HTTP/1.0 408 Request Timeout");
    for (ClientId id = 1; id <= CONTROL_SCRAPE_LIMIT; ++id) {
        EXPECT_TRUE(closing(id));
        sessions.disconnected(id);
    }
    sessions.connect(12, LOOPBACK, 50012);
    EXPECT_EQ(ask(12, "GET /metrics HTTP/1.1\r\n\r\n").substr(0, 15), "HTTP/1.0 200 OK");
}

// Until a connection has said who it is (a whole first line, and from another computer
// its password too) it has ten seconds; after that, none: a subscriber may listen for hours.
TEST_F(ControlSessionTest, ConnectionsThatDoNotSayWhoTheyAreAreClosed) {
    sessions.connect(1, LOOPBACK, 50001); // silent
    sessions.connect(2, LOOPBACK, 50002);
    ask(2, "get"); // a line client, but no whole line
    sessions.connect(3, LOOPBACK, 50003);
    ask(3, "subscribe\n");
    sessions.connect(4, REMOTE, 40004);
    ask(4, "get link\n"); // but no password
    sessions.connect(5, REMOTE, 40005);
    ask(5, "auth Geheim\n");
    EXPECT_TRUE(sessions.needsTick());
    after(CONTROL_INTRODUCTION_MS - 1);
    for (ClientId id = 1; id <= 5; ++id) {
        EXPECT_FALSE(closing(id)) << id;
    }
    after(1);
    EXPECT_TRUE(closing(1) && closing(2) && closing(4));
    EXPECT_FALSE(closing(3) || closing(5));
    for (const ClientId id : {1, 2, 4}) {
        sessions.disconnected(id);
    }
    EXPECT_FALSE(sessions.needsTick()); // the shell's timer may rest
    after(3600 * 1000);
    EXPECT_FALSE(closing(3) || closing(5));
}

// After quit nothing more of the client is read, and a reply it does not take is dropped.
TEST_F(ControlSessionTest, AClientOnItsWayOutIsNeitherReadNorWaitedFor) {
    reportAll();
    sessions.connect(1, LOOPBACK, 50001);
    EXPECT_EQ(ask(1, "quit\nset program 3\n"), "RPRT 0\r\n");
    sessions.received(1, "set program 4\n");
    EXPECT_TRUE(host.executed.empty());
    sessions.output(1)->bytes = "not taken";
    EXPECT_TRUE(sessions.needsTick());
    after(CONTROL_CLOSING_MS - 1);
    EXPECT_FALSE(sessions.output(1)->dropNow);
    after(1);
    EXPECT_TRUE(sessions.output(1)->dropNow);
}

// One guess a connection, each wrong one journaled; the address then waits before its next
// try is read, twice as long each time up to a minute, whichever connection it comes on.
TEST_F(ControlSessionTest, AWrongPasswordCostsItsAddressTime) {
    std::string guesses;
    for (int i = 0; i < 20000; ++i) {
        guesses += "auth guess" + std::to_string(i) + "\n";
    }
    ClientId id = 1;
    sessions.connect(id, REMOTE, 40000);
    EXPECT_EQ(ask(id, guesses), "RPRT -6 not authorised\r\n");
    EXPECT_TRUE(closing(id));
    EXPECT_EQ(heard.lines,
              std::vector<std::string>{"192.168.1.20:40000 abgewiesen (falsches Kennwort)"});

    const uint64_t waits[] = {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000};
    for (const uint64_t wait : waits) {
        sessions.disconnected(id);
        sessions.connect(++id, REMOTE, 40000);
        EXPECT_EQ(ask(id, "auth wrong\n"), "") << wait;
        after(wait - 1);
        EXPECT_EQ(take(id), "") << wait;
        after(1);
        EXPECT_EQ(take(id), "RPRT -6 not authorised\r\n") << wait;
    }
    // Another address and this computer do not wait; the right password ends the waiting.
    sessions.connect(50, REMOTE + 1, 40000);
    EXPECT_EQ(ask(50, "auth Geheim\n"), "RPRT 0\r\n");
    sessions.connect(51, LOOPBACK, 50000);
    EXPECT_EQ(ask(51, "auth wrong\n"), "RPRT 0\r\n");
    sessions.connect(52, REMOTE, 40000);
    EXPECT_EQ(ask(52, "auth Geheim\n"), "");
    after(60000);
    EXPECT_EQ(take(52), "RPRT 0\r\n");
    sessions.connect(53, REMOTE, 40000);
    ask(53, "auth wrong\n");
    sessions.connect(54, REMOTE, 40000);
    ask(54, "auth Geheim\n");
    after(1000);
    EXPECT_EQ(take(54), "RPRT 0\r\n");
}

TEST_F(ControlSessionTest, AWrongBasicPasswordCostsTheScrapeTime) {
    sessions.connect(1, REMOTE, 40001);
    // "x:geheim"
    EXPECT_EQ(
        ask(1, "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpnZWhlaW0=\r\n\r\n").substr(0, 25),
        "HTTP/1.0 401 Unauthorized");
    EXPECT_EQ(heard.lines.back(), "192.168.1.20:40001 abgewiesen (falsches Kennwort)");
    sessions.disconnected(1);
    sessions.connect(2, REMOTE, 40002);
    EXPECT_EQ(ask(2, "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpHZWhlaW0=\r\n\r\n"), "");
    after(1000);
    EXPECT_EQ(take(2).substr(0, 15), "HTTP/1.0 200 OK");
}

// A flood is turned away at once and told in one line once it pauses, or once a minute.
TEST_F(ControlSessionTest, FloodsAreTurnedAwayAndToldInOneLine) {
    ClientId id = 0;
    for (int i = 0; i < CONTROL_CONNECTIONS_PER_SECOND; ++i) {
        EXPECT_EQ(sessions.connect(++id, UNLISTED, 40000), ConnectRefusal::NotListed);
        EXPECT_EQ(sessions.connect(++id, LOOPBACK, 50000), ConnectRefusal::None);
        sessions.disconnected(id);
    }
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(sessions.connect(++id, UNLISTED, 40000), ConnectRefusal::Flood);
        EXPECT_EQ(sessions.connect(++id, LOOPBACK, 50000), ConnectRefusal::Flood);
    }
    EXPECT_EQ(heard.lines.size(), static_cast<size_t>(CONTROL_CONNECTIONS_PER_SECOND));
    EXPECT_EQ(sessions.counters().turnedAway, 2020u);
    heard.lines.clear();
    after(FLOOD_WINDOW_MS - 1);
    EXPECT_TRUE(heard.lines.empty());
    after(1);
    EXPECT_EQ(heard.lines, (std::vector<std::string>{
                               "10.0.0.1 abgewiesen (1000 Verbindungen, mehr als 20 je Sekunde)",
                               "127.0.0.1 abgewiesen (1000 Verbindungen, mehr als 20 je Sekunde)",
                           }));
    EXPECT_EQ(sessions.connect(++id, LOOPBACK, 50000), ConnectRefusal::None); // a new second
    sessions.disconnected(id);

    // One that never pauses for a second: a line a minute, and one when it ends.
    heard.lines.clear();
    const uint64_t before = sessions.counters().turnedAway;
    for (int half = 0; half < 260; ++half) {
        for (int i = 0; i <= CONTROL_CONNECTIONS_PER_SECOND; ++i) {
            sessions.connect(++id, REMOTE, 40000);
            sessions.disconnected(id);
        }
        after(FLOOD_WINDOW_MS / 2);
    }
    EXPECT_EQ(heard.lines.size(), 2u);
    EXPECT_TRUE(sessions.needsTick());
    after(FLOOD_WINDOW_MS);
    ASSERT_EQ(heard.lines.size(), 3u);
    uint64_t told = 0;
    for (const std::string& line : heard.lines) {
        unsigned long count = 0;
        ASSERT_EQ(sscanf(line.c_str(), "192.168.1.20 abgewiesen (%lu Verbindungen,", &count), 1)
            << line;
        told += count;
    }
    EXPECT_EQ(told, sessions.counters().turnedAway - before);
    EXPECT_FALSE(sessions.needsTick());
}

} // namespace
} // namespace trx
