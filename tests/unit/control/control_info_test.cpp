// Which transmitter: `info` and the scrape's trxdesk_info with the titles an operator, a
// registry file or a command line may give, and `info` behind the same gates as `get`.
#include "control_session_fixture.h"

namespace trx {

namespace {

struct TextCase {
    const char* what;
    std::string cp1252;
    std::string line; // UTF-8
};

TEST(ControlInfoText, OutsideTextsBecomeOneBoundedUtf8Line) {
    const TextCase cases[] = {
        {"plain", "Sender 1", "Sender 1"},
        {"umlaut and euro",
         "S\xFC"
         "d \x80",
         "S\xC3\xBC"
         "d \xE2\x82\xAC"},
        {"CR and LF cannot end the line", "A\r\nRPRT 0", "A  RPRT 0"},
        {"tab and delete", "A\tB\x7F", "A B "},
        {"a terminator ends it", std::string("Nord\0Sued", 9), "Nord"},
        {"cut at the limit", std::string(40, 'x'), std::string(CONTROL_TITLE_LIMIT, 'x')},
        {"unused CP1252 byte", "\x81", "?"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(oneLineText(c.cp1252, CONTROL_TITLE_LIMIT), c.line) << c.what;
    }
}

TEST_F(ControlSessionTest, InfoNamesTheStationWithTheJournalsFileOrNone) {
    station.titleBytes = "S\xFC"
                         "d \"A\"\r\nRPRT 0";
    heard.file = "C:\\users\\op\\Journal\\Com03\\2026-12-08.csv";
    sessions.connect(1, LOOPBACK, 50000);
    EXPECT_EQ(ask(1, "info\n"), "title: S\xC3\xBC"
                                "d \"A\"  RPRT 0\r\n"
                                "port: COM3\r\n"
                                "baud: 1200\r\n"
                                "version: 1.4.0\r\n"
                                "journal: C:\\users\\op\\Journal\\Com03\\2026-12-08.csv\r\n"
                                "RPRT 0\r\n");
    heard.file.clear();
    EXPECT_NE(ask(1, "INFO\n").find("\r\njournal: \r\nRPRT 0\r\n"), std::string::npos);
    EXPECT_EQ(ask(1, "info now\n"), "RPRT -1 bad argument\r\n");
}

// A remote client without the password learns nothing, as with `get`, until `auth`.
TEST_F(ControlSessionTest, InfoFromAnotherComputerWaitsForThePasswordAsGetDoes) {
    ASSERT_EQ(sessions.connect(1, REMOTE, 40000), ConnectRefusal::None);
    const std::string get = ask(1, "get\n");
    EXPECT_EQ(get, "RPRT -6 not authorised\r\n");
    EXPECT_EQ(ask(1, "info\n"), get);
    EXPECT_EQ(ask(1, "auth Geheim\ninfo\n").substr(0, 25), "RPRT 0\r\ntitle: Sender 1\r\n");
}

// The journal off and the title hostile: the scrape still carries the one info sample,
// escaped as the text format wants it, beside the other families.
TEST_F(ControlSessionTest, TheScrapeNamesTheStationInItsInfoSample) {
    station.titleBytes = "Nord \\ \"7\"\n\xFC";
    sessions.connect(1, LOOPBACK, 50000);
    const std::string reply = ask(1, "GET /metrics HTTP/1.1\r\n\r\n");
    EXPECT_NE(reply.find("# TYPE trxdesk_info gauge\n"
                         "trxdesk_info{port=\"COM3\",title=\"Nord \\\\ \\\"7\\\" \xC3\xBC\","
                         "version=\"1.4.0\"} 1\n"),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find("trxdesk_link_up{port=\"COM3\"} 0\n"), std::string::npos);
}

} // namespace

} // namespace trx
