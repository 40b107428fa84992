// Whatever a client sends, in pieces of any size, between the engine's announcements and
// the clock's ticks: the control port answers in whole CRLF lines, each reply ending in a
// status line it knows, or in one HTTP reply; asks the engine nothing without a link but a
// standby, nothing at all for a connection that began as an HTTP request; and keeps no more
// than its limits.
#include "announcer.h"
#include "control/control_sessions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace trx;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class Engine final : public ControlEngine, public ControlHost {
  public:
    explicit Engine(const ControlSessions* sessions) : sessions_(sessions) {}
    ControlOutcome execute(const ControlCommand& command, const CommandSource&) override {
        const bool standby =
            command.verb == ControlVerb::SetState && command.number == STATE_STANDBY;
        check(sessions_->values().linkIsUp() || standby,
              "a command went to the engine without a link");
        const ControlCommandRow* row = controlCommandRow(command.verb);
        check(row != nullptr && row->writes(), "a command that writes nothing was executed");
        check(!http, "an HTTP request reached the engine");
        return {CONTROL_OK, "", ++sequence};
    }
    int serialPortNumber() override { return 1; }
    uint64_t milliseconds() override { return now; }
    void outputWaiting() override {}

    const ControlSessions* sessions_;
    uint32_t sequence = 0;
    uint64_t now = 0;
    bool http = false; // the client's first bytes made it a scrape
};

// A scrape's reply is one HTTP reply whose body has the length it announces.
void checkHttpReply(std::string_view out) {
    const size_t head = out.find("\r\n\r\n");
    const size_t length = out.find("Content-Length: ");
    check(head != std::string_view::npos && length < head, "an HTTP reply without its head");
    const size_t body = std::strtoul(out.data() + length + 16, nullptr, 10);
    check(out.size() == head + 4 + body, "an HTTP body of another length");
}

// Every complete line is a value, an event, help or a known status line.
void checkReplies(const std::string& out) {
    if (out.rfind("HTTP/1.0 ", 0) == 0) {
        checkHttpReply(out);
        return;
    }
    std::string_view rest = out;
    for (size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
        const std::string_view line = rest.substr(0, end);
        check(!line.empty() && line.back() == '\r', "a reply line without CRLF");
        const bool status =
            line.rfind("RPRT 0\r", 0) == 0 || (line.rfind("RPRT -", 0) == 0 && line.size() > 8 &&
                                               line[6] >= '1' && line[6] <= '7' && line[7] == ' ');
        check(status || line.rfind("RPRT", 0) != 0, "a status line outside the codes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine engine(nullptr);
    ControlSessions sessions(engine, engine, {}, "x");
    engine.sessions_ = &sessions;
    trx::test::Announcer announce(sessions);
    sessions.connect(1, 0x7F000001, 1);
    std::string out;
    // Each byte below 8 is an announcement or a second of the clock; the rest goes to the
    // client in pieces that end at each byte 0xFF.
    size_t start = 0;
    std::string sent;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] >= 8 && data[i] != 0xFF) {
            continue;
        }
        const std::string_view piece(reinterpret_cast<const char*>(data) + start, i - start);
        sent.append(piece);
        engine.http = engine.http || connectionKind(sent) == ConnectionKind::Http;
        sessions.received(1, piece);
        start = i + 1;
        if (i < size) {
            LineWrite write;
            write.sequence = engine.sequence;
            switch (data[i]) {
            case 0:
                announce.linkUp();
                break;
            case 1:
                announce.linkLost();
                break;
            case 2:
                announce.writeEchoed(write);
                break;
            case 3:
                announce.echoMissing(write);
                break;
            case 4:
                engine.now += 1000;
                sessions.tick(engine.now);
                break;
            default:
                announce.reported(data[i] * 3 % REGISTER_COUNT, data[i]);
                break;
            }
        }
        sessions.serviceClients();
        ClientOutput* output = sessions.output(1);
        if (output == nullptr) {
            break;
        }
        check(output->bytes.size() <= CONTROL_OUTPUT_LIMIT, "output over its limit");
        out += output->bytes;
        output->bytes.clear();
    }
    checkReplies(out);
    return 0;
}
