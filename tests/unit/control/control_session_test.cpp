// The control port's line clients and scrapes as a program on the other end sees them,
// against a host that stands in for the engine and the sockets.
#include "control_session_fixture.h"

namespace trx {

namespace {

TEST_F(ControlSessionTest, GetShowsTenLinesOnlyWhileTheLinkIsUp) {
    ASSERT_EQ(sessions.connect(1, LOOPBACK, 50000), ConnectRefusal::None);
    EXPECT_EQ(ask(1, "get\r\n"), "link: down\r\nRPRT -3 link down\r\n");
    EXPECT_EQ(ask(1, "get program\n"), "link: down\r\nRPRT -3 link down\r\n");

    announce.linkUp();
    host.now = 1000;
    announce.reported(ProgramNumber, 7);
    host.now = 1250;
    EXPECT_EQ(ask(1, "get\n"), "link: up\r\nfrequency: unknown\r\nstate: unknown\r\n"
                               "power: unknown\r\nprogram: 7\r\nantenna: unknown\r\n"
                               "mode: unknown\r\ntuned: unknown\r\nalarm: unknown\r\n"
                               "report_age_ms: 250\r\nRPRT 0\r\n");
    reportAll();
    EXPECT_EQ(ask(1, "GET\n"), "link: up\r\nfrequency: 3.60000\r\nstate: standby\r\n"
                               "power: 0\r\nprogram: 7\r\nantenna: 2\r\n"
                               "mode: J3, KA: mit Dyn., KB: unbenutzt\r\ntuned: yes\r\n"
                               "alarm: off\r\nreport_age_ms: 0\r\nRPRT 0\r\n");
    EXPECT_EQ(ask(1, "get frequency\nget volume\n"),
              "frequency: 3.60000\r\nRPRT 0\r\nRPRT -1 bad argument\r\n");

    announce.linkLost();
    EXPECT_EQ(ask(1, "get\n"), "link: down\r\nRPRT -3 link down\r\n");
    EXPECT_TRUE(host.executed.empty()); // reading puts nothing on the line
}

TEST_F(ControlSessionTest, SetIsAnsweredWhenItsLastWriteIsEchoed) {
    sessions.connect(1, LOOPBACK, 50000);
    EXPECT_EQ(ask(1, "set program 4\n"), "RPRT -3 link down\r\n");
    EXPECT_TRUE(host.executed.empty());

    reportAll();
    host.writesPerCommand = 3; // a preset's three writes
    EXPECT_EQ(ask(1, "preset 2\nget program\n"), "");
    ASSERT_EQ(host.executed.size(), 1u);
    EXPECT_EQ(host.executed[0].verb, ControlVerb::Preset);
    EXPECT_EQ(host.sources[0], "127.0.0.1:50000");
    announce.writeEchoed(writeNumber(2));
    EXPECT_EQ(take(1), "");
    announce.writeEchoed(writeNumber(3));
    // The held `get` runs after the answer, not inside the engine's announcement.
    EXPECT_EQ(take(1), "RPRT 0\r\nprogram: 7\r\nRPRT 0\r\n");

    host.writesPerCommand = 1;
    ask(1, "set antenna 1\n");
    announce.echoMissing(writeNumber(4));
    EXPECT_EQ(take(1), "RPRT -4 no acknowledgement\r\n");
    EXPECT_EQ(sessions.counters().ackTimeouts, 1u); // for the scrape

    ask(1, "set state tune\n");
    announce.linkLost();
    EXPECT_EQ(take(1), "RPRT -3 link down\r\n");

    reportAll();
    host.next = {CONTROL_NOT_NOW, "not in standby", 0};
    EXPECT_EQ(ask(1, "set frequency 7,1\n"), "RPRT -2 not in standby\r\n");
    EXPECT_EQ(host.executed.back().verb, ControlVerb::SetFrequency);
    host.next = {};
    host.writesPerCommand = 0; // nothing to wait for
    EXPECT_EQ(ask(1, "refresh\n"), "RPRT 0\r\n");
}

TEST_F(ControlSessionTest, SubscribersHearEachChangeAsTheLinkShowsIt) {
    sessions.connect(1, LOOPBACK, 50000);
    sessions.connect(2, LOOPBACK, 50001);
    EXPECT_EQ(ask(1, "subscribe\n"), "RPRT 0\r\n");
    reportAll();
    EXPECT_EQ(take(1), "EVENT link up\r\nEVENT antenna 2\r\nEVENT frequency 3.60000\r\n"
                       "EVENT state standby\r\nEVENT program 7\r\n"
                       "EVENT mode J3, KA: mit Dyn., KB: unbenutzt\r\nEVENT power 0\r\n"
                       "EVENT tuned yes\r\nEVENT alarm off\r\n");
    EXPECT_EQ(take(2), "");

    host.now = 5000; // age alone is no event, nor is a report of the same value
    announce.reported(ProgramNumber, 7);
    announce.reported(StatusRegister, 1 | STATUS_ALARM);
    announce.reported(FrequencyDigit2, 7);
    EXPECT_EQ(take(1), "EVENT alarm on\r\nEVENT frequency 7.60000\r\n");

    announce.linkLost();
    EXPECT_EQ(take(1), "EVENT link down\r\n");
    EXPECT_EQ(ask(1, "unsubscribe\n"), "RPRT 0\r\n");
    reportAll();
    EXPECT_EQ(take(1), "");
}

TEST_F(ControlSessionTest, AScrapeIsAnsweredClosedAndNotCountedAsALineClient) {
    sessions.connect(1, LOOPBACK, 50000);
    ask(1, "subscribe\n");
    sessions.connect(2, LOOPBACK, 50001);
    const std::string reply = ask(2, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(reply.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(reply.find("trxdesk_control_clients{port=\"COM3\"} 1\n"), std::string::npos);
    EXPECT_TRUE(sessions.output(2)->closeWhenSent);
}

TEST_F(ControlSessionTest, OtherHttpRequestsGetNotFound) {
    sessions.connect(1, LOOPBACK, 50000);
    sessions.received(1, "GET /favicon.ico HTTP/1.1\r\nCookie: " + std::string(300, 'c') + "\r\n");
    EXPECT_EQ(take(1), ""); // the headers are read before the reply
    EXPECT_EQ(ask(1, "\r\n").rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u);
}

TEST_F(ControlSessionTest, LongLinesAreRefusedAndSkippedToTheirEnd) {
    sessions.connect(1, LOOPBACK, 50000);
    const std::string longest(CONTROL_LINE_LIMIT, ' ');
    EXPECT_EQ(ask(1, longest + "\r\n"), "");
    EXPECT_EQ(ask(1, longest + " \r\n"), "RPRT -1 line too long\r\n");
    // A long line in pieces is refused once, and its end is skipped too.
    EXPECT_EQ(ask(1, std::string(200, 'x')), "");
    EXPECT_EQ(ask(1, std::string(200, 'x')), "RPRT -1 line too long\r\n");
    EXPECT_EQ(ask(1, std::string(5000, 'y')), "");
    EXPECT_EQ(ask(1, "get link\nhelp"), ""); // "get link" ended the long line
    const std::string help = ask(1, "\n");
    EXPECT_EQ(help.rfind("command: get", 0), 0u);
    EXPECT_NE(help.find("command: quit\r\nRPRT 0\r\n"), std::string::npos);

    // The longest line is taken wherever its CR and LF are cut apart.
    const std::string get = "get link" + std::string(CONTROL_LINE_LIMIT - 8, ' ');
    EXPECT_EQ(ask(1, get + "\r"), "");
    EXPECT_EQ(ask(1, "\n"), "link: down\r\nRPRT -3 link down\r\n");
    EXPECT_EQ(ask(1, get), "");
    EXPECT_EQ(ask(1, "\r"), "");
    EXPECT_EQ(ask(1, "\n"), "link: down\r\nRPRT -3 link down\r\n");
}

TEST_F(ControlSessionTest, RemoteClientsNeedTheListAndThePassword) {
    EXPECT_EQ(sessions.connect(1, UNLISTED, 40000), ConnectRefusal::NotListed);
    EXPECT_EQ(sessions.output(1), nullptr);
    ASSERT_EQ(sessions.connect(2, REMOTE, 40000), ConnectRefusal::None);
    EXPECT_EQ(ask(2, "get\nsubscribe\nset program 1\nhelp\n").substr(0, 72),
              "RPRT -6 not authorised\r\nRPRT -6 not authorised\r\nRPRT -6 not authorised\r\n");
    EXPECT_EQ(ask(2, "auth Geheim\nget link\n"), "RPRT 0\r\nlink: down\r\nRPRT -3 link down\r\n");

    ASSERT_EQ(sessions.connect(3, REMOTE, 40001), ConnectRefusal::None);
    EXPECT_NE(ask(3, "GET /metrics HTTP/1.1\r\n\r\n").find("401 Unauthorized"), std::string::npos);
    ASSERT_EQ(sessions.connect(4, REMOTE, 40002), ConnectRefusal::None);
    EXPECT_NE(
        ask(4, "GET /metrics HTTP/1.1\r\nAuthorization: Basic eDpHZWhlaW0=\r\n\r\n").find("200 OK"),
        std::string::npos);

    FakeHost other;
    ControlSessions withoutPassword(other, other, allowList(), "");
    EXPECT_EQ(withoutPassword.connect(1, REMOTE, 40000), ConnectRefusal::NoPassword);
}

// Eight line clients at once; the ninth is told when it speaks, and closed.
TEST_F(ControlSessionTest, TheNinthLineClientIsTurnedAway) {
    for (ClientId id = 1; id <= CONTROL_CLIENT_LIMIT + 1; ++id) {
        ASSERT_EQ(sessions.connect(id, LOOPBACK, static_cast<uint16_t>(50000 + id)),
                  ConnectRefusal::None);
    }
    for (ClientId id = 1; id <= CONTROL_CLIENT_LIMIT; ++id) {
        EXPECT_EQ(ask(id, "get link\n"), "link: down\r\nRPRT -3 link down\r\n") << id;
        EXPECT_FALSE(closing(id)) << id;
    }
    EXPECT_EQ(ask(CONTROL_CLIENT_LIMIT + 1, "get link\n"), "RPRT -7 too many clients\r\n");
    EXPECT_TRUE(closing(CONTROL_CLIENT_LIMIT + 1));
    EXPECT_EQ(heard.lines.back(), "127.0.0.1:50009 abgewiesen (zu viele Verbindungen)");
    EXPECT_EQ(sessions.lineClients(), CONTROL_CLIENT_LIMIT);

    sessions.disconnected(CONTROL_CLIENT_LIMIT + 1);
    sessions.disconnected(3);
    sessions.connect(20, LOOPBACK, 50020);
    EXPECT_EQ(ask(20, "get link\n"), "link: down\r\nRPRT -3 link down\r\n");
}

// The lock goes with `unlock` and with its holder's connection, and a later connection
// inherits nothing of it.
TEST_F(ControlSessionTest, TheLockEndsWithUnlockAndWithItsHolder) {
    reportAll();
    host.writesPerCommand = 0;
    sessions.connect(1, LOOPBACK, 50001);
    sessions.connect(2, LOOPBACK, 50002);
    EXPECT_EQ(ask(1, "lock\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(2, "set program 3\nunlock\n"),
              "RPRT -5 locked by 127.0.0.1:50001\r\nRPRT -5 locked by 127.0.0.1:50001\r\n");
    EXPECT_EQ(ask(1, "unlock\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(2, "set program 3\n"), "RPRT 0\r\n");

    EXPECT_EQ(ask(2, "lock\n"), "RPRT 0\r\n");
    sessions.disconnected(2);
    sessions.connect(3, LOOPBACK, 50003);
    EXPECT_EQ(ask(1, "set program 4\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(3, "lock\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(1, "set program 5\n"), "RPRT -5 locked by 127.0.0.1:50003\r\n");
    EXPECT_EQ(host.executed.size(), 2u);
}

// The transmitter must be switchable off when something is wrong: standby goes on the line
// with the link down and through another's lock, and is answered when the transmitter is
// heard in standby, or not acknowledged after the engine's echo time.
TEST_F(ControlSessionTest, StandbyGoesOutWithTheLinkDownAndThroughTheLock) {
    sessions.connect(1, LOOPBACK, 50001);
    sessions.connect(2, LOOPBACK, 50002);
    EXPECT_EQ(ask(2, "lock\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(1, "set state standby\nget link\n"), "");
    ASSERT_EQ(host.executed.size(), 1u);
    EXPECT_EQ(host.executed[0].number, STATE_STANDBY);
    announce.reported(OperatingState, STATE_TUNE);
    EXPECT_EQ(take(1), "");
    EXPECT_TRUE(sessions.needsTick()); // its echo time is counted
    announce.reported(OperatingState, STATE_STANDBY);
    EXPECT_EQ(take(1), "RPRT 0\r\nlink: down\r\nRPRT -3 link down\r\n");

    EXPECT_EQ(ask(1, "set state standby\n"), "");
    after(CONTROL_STANDBY_ECHO_MS - 1);
    EXPECT_EQ(take(1), "");
    after(1);
    EXPECT_EQ(take(1), "RPRT -4 no acknowledgement\r\n");
    EXPECT_EQ(sessions.counters().ackTimeouts, 1u);

    // Nothing else goes out past the lock, nor without a link.
    EXPECT_EQ(ask(1, "set state tune\n"), "RPRT -5 locked by 127.0.0.1:50002\r\n");
    EXPECT_EQ(ask(2, "unlock\n"), "RPRT 0\r\n");
    EXPECT_EQ(ask(1, "refresh\n"), "RPRT -3 link down\r\n");
    EXPECT_EQ(host.executed.size(), 2u);
}

// The journal hears of line clients coming and going, clients turned away and refused
// commands, and of nothing else: scrapes, reads and accepted commands (those the engine
// announces itself) leave no line here, and a client on this PC that only reads leaves none
// at all (it is counted). Reasons are German.
TEST_F(ControlSessionTest, TheJournalHearsClientsAndRefusedCommands) {
    sessions.connect(1, LOOPBACK, 50000);
    ask(1, "set program 3\n"); // no link yet
    reportAll();
    host.next = {CONTROL_NOT_NOW, "not in standby", 0};
    ask(1, "set antenna 1\n");
    host.next = {};
    ask(1, "get\nlock\n");
    sessions.connect(2, LOOPBACK, 50001);
    ask(2, "preset 2\n");
    sessions.connect(3, LOOPBACK, 50002);
    ask(3, "GET /metrics HTTP/1.0\r\n\r\n");
    sessions.disconnected(3);
    sessions.connect(4, UNLISTED, 40000);
    sessions.connect(5, LOOPBACK, 50003); // a dashboard on this PC that only reads
    ask(5, "get frequency\nsubscribe\nhelp\n");
    sessions.disconnected(5);
    sessions.disconnected(2);
    sessions.disconnected(1);
    EXPECT_EQ(sessions.counters().quietReaders, 1u);
    EXPECT_EQ(heard.lines, (std::vector<std::string>{
                               "127.0.0.1:50000 verbunden",
                               "127.0.0.1:50000: set program 3 abgelehnt (keine Verbindung)",
                               "127.0.0.1:50000: set antenna 1 abgelehnt (nicht in Standby)",
                               "127.0.0.1:50001 verbunden",
                               "127.0.0.1:50001: preset 2 abgelehnt (gesperrt von 127.0.0.1:50000)",
                               "10.0.0.1:40000 abgewiesen (nicht in SteuerportNetz)",
                               "127.0.0.1:50001 getrennt",
                               "127.0.0.1:50000 getrennt",
                           }));
}

} // namespace
} // namespace trx
