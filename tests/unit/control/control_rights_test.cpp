// The two passwords as clients meet them: from this computer none is needed; from another,
// the read password reads (values, info, subscriptions, scrapes) and the switch password
// may do everything; neither set, or a wrong one, nothing.
#include "control_session_fixture.h"

#include <cstring>

namespace trx {

namespace {

constexpr char SWITCH_PASSWORD[] = "Schalten";
constexpr char READ_PASSWORD[] = "Lesen";

struct RightCase {
    uint32_t address;
    const char* auth;    // the line sent first; nullptr: none
    const char* request; // a command line or a scrape's request
    const char* reply;   // how the reply begins
    bool reachesEngine;  // a switching command was handed to the engine
};

constexpr char READ[] = "get link\n";
constexpr char SWITCH[] = "set program 3\n";
constexpr char LOCK[] = "lock\n";
constexpr char SCRAPE[] = "GET /metrics HTTP/1.1\r\n\r\n";
constexpr char SCRAPE_READ[] = "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpMZXNlbg==\r\n\r\n";
constexpr char SCRAPE_SWITCH[] =
    "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpTY2hhbHRlbg==\r\n\r\n";
constexpr char SCRAPE_WRONG[] =
    "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpGYWxzY2g=\r\n\r\n";
constexpr char OK[] = "HTTP/1.0 200 OK";
constexpr char UNAUTHORISED[] = "HTTP/1.0 401 Unauthorized";
constexpr char NOT_AUTHORISED[] = "RPRT -6 not authorised";
constexpr char READ_ONLY[] = "RPRT -6 read only";

TEST_F(ControlSessionTest, EachPasswordGivesItsRightsFromAnotherComputerOnly) {
    const RightCase cases[] = {
        {LOOPBACK, nullptr, READ, "link: up\r\nRPRT 0", false},
        {LOOPBACK, nullptr, SWITCH, "", true},
        {LOOPBACK, nullptr, SCRAPE, OK, false},
        {LOOPBACK, "auth Lesen\n", SWITCH, "RPRT 0\r\n", true},
        {REMOTE, nullptr, READ, NOT_AUTHORISED, false},
        {REMOTE, nullptr, SWITCH, NOT_AUTHORISED, false},
        {REMOTE, nullptr, SCRAPE, UNAUTHORISED, false},
        {REMOTE, "auth Lesen\n", READ, "RPRT 0\r\nlink: up\r\nRPRT 0", false},
        {REMOTE, "auth Lesen\n", SWITCH, "RPRT 0\r\nRPRT -6 read only", false},
        {REMOTE, "auth Lesen\n", LOCK, "RPRT 0\r\nRPRT -6 read only", false},
        {REMOTE, nullptr, SCRAPE_READ, OK, false},
        {REMOTE, "auth Schalten\n", READ, "RPRT 0\r\nlink: up\r\nRPRT 0", false},
        {REMOTE, "auth Schalten\n", SWITCH, "RPRT 0\r\n", true},
        {REMOTE, "auth Schalten\n", LOCK, "RPRT 0\r\nRPRT 0", false},
        {REMOTE, nullptr, SCRAPE_SWITCH, OK, false},
        {REMOTE + 1, "auth Falsch\n", READ, NOT_AUTHORISED, false},
        {REMOTE + 2, nullptr, SCRAPE_WRONG, UNAUTHORISED, false},
    };
    sessions.configure(allowList(), SWITCH_PASSWORD, READ_PASSWORD);
    reportAll();
    ClientId id = 0;
    for (const RightCase& c : cases) {
        const size_t executed = host.executed.size();
        ++id;
        sessions.connect(id, c.address, static_cast<uint16_t>(40000 + id));
        std::string reply = c.auth ? ask(id, c.auth) : "";
        reply += ask(id, c.request);
        const std::string what = std::string(c.auth ? c.auth : "") + c.request;
        EXPECT_EQ(reply.substr(0, strlen(c.reply)), c.reply) << what;
        EXPECT_EQ(host.executed.size() > executed, c.reachesEngine) << what;
        ask(id, "unlock\n");
        sessions.disconnected(id);
    }
}

// With the read password alone a remote client is taken; with neither, it is turned away at
// once.
TEST_F(ControlSessionTest, TheReadPasswordAloneLetsRemoteClientsIn) {
    sessions.configure(allowList(), "", READ_PASSWORD);
    EXPECT_EQ(sessions.connect(1, REMOTE, 40001), ConnectRefusal::None);
    EXPECT_EQ(ask(1, "auth Lesen\nget link\nset program 3\n"),
              "RPRT 0\r\nlink: down\r\nRPRT -3 link down\r\nRPRT -6 read only\r\n");
    sessions.configure(allowList(), "", "");
    EXPECT_EQ(sessions.connect(2, REMOTE, 40002), ConnectRefusal::NoPassword);
}

} // namespace

} // namespace trx
