// The control port's clients without their sockets: each one's input lines, replies,
// subscription, lock and the command that waits for its echo; the scrape endpoint; and
// the port's own copy of the transmitter's values, kept from the engine's announcements.
// Pure: the Winsock shell hands bytes in and sends what collects for each client.
#ifndef TRXDESK_CONTROL_SESSION_RULES_H
#define TRXDESK_CONTROL_SESSION_RULES_H

#include "control_allow_rules.h"
#include "control_command_rules.h"
#include "control_metrics_text.h"
#include "control_values_rules.h"
#include "line_listener.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

constexpr int CONTROL_CLIENT_LIMIT = 8;
// A client with more than this waiting to be sent to it is disconnected.
constexpr size_t CONTROL_OUTPUT_LIMIT = 64 * 1024;
// Input held while a command waits for its echo; a client sending more is disconnected.
constexpr size_t CONTROL_HELD_INPUT_LIMIT = 16 * 1024;

// The shell's name for a client (its socket).
using ClientId = uint64_t;

// What an engine operation made of a client's command.
struct ControlOutcome {
    int code = CONTROL_OK;   // a refusal as its status code
    const char* reason = ""; // and its reason
    uint32_t lastWrite = 0;  // the write whose echo answers the command; 0: answer now
};

// What the clients' commands need from the engine.
class ControlEngine {
  public:
    virtual ~ControlEngine() = default;
    // A command that writes, through the same engine operation as the operator's click.
    virtual ControlOutcome execute(const ControlCommand& command, const CommandSource& source) = 0;
    // The panel's COM port, 0 without one.
    virtual int serialPortNumber() = 0;
};

// What the operating journal hears of the control port beside the engine's announcements.
class ControlJournal {
  public:
    virtual ~ControlJournal() = default;
    // The port opening, a client connecting, leaving or turned away: the line's text.
    virtual void controlPortEvent(const char* text) = 0;
    // A client's command that put nothing on the line: the command as sent, "abgelehnt"
    // and the reason.
    virtual void commandRefused(const CommandSource& source, const char* text) = 0;
};

// What the sessions need from the sockets' side.
class ControlHost {
  public:
    virtual ~ControlHost() = default;
    // A monotonic clock.
    virtual uint64_t milliseconds() = 0;
    // Output or a close waits: call serviceClients soon, not from inside this call. Called
    // once until serviceClients runs.
    virtual void outputWaiting() = 0;
};

enum class ConnectRefusal {
    None,
    NotListed,  // a remote address outside the allow list
    NoPassword, // remote, but no password is set
    TooMany,    // every place is taken; it is told so and closed
};

// What waits to go to a client; the shell sends from the front.
struct ClientOutput {
    std::string bytes;
    bool closeWhenSent = false; // quit, a scrape answered, a refused client
    bool dropNow = false;       // it stopped reading: close without sending the rest
};

class ControlSessions final : public LineListener {
  public:
    // `allowList` and `password` as configured; engine and host must outlive the sessions.
    ControlSessions(ControlEngine& engine, ControlHost& host, AllowList allowList,
                    std::string password);

    ConnectRefusal connect(ClientId id, uint32_t address, uint16_t port);
    void received(ClientId id, std::string_view bytes);
    // The socket is closed: the client and its lock are gone.
    void disconnected(ClientId id);

    // Runs input held while a command waited; then the shell sends every client's output.
    void serviceClients();
    std::vector<ClientId> clientIds() const;
    ClientOutput* output(ClientId id);

    int lineClients() const;
    const ControlValues& values() const { return values_; }
    const ControlCounters& counters() const { return counters_; }

    // Tells `journal` (which must outlive the sessions) of clients and refused commands.
    void tellJournal(ControlJournal& journal) { journal_ = &journal; }

    void linkUp() override;
    void linkLost() override;
    void reported(int address, int previous, int value) override;
    void writeSent(const LineWrite& write) override;
    void writeEchoed(const LineWrite& write) override;
    void echoMissing(const LineWrite& write) override;

  private:
    struct Client {
        ClientId id = 0;
        CommandSource source; // Control and "<address>:<port>"
        bool remote = false;
        bool counted = true; // takes a place (not a refused client)
        bool authorised = false;
        bool subscribed = false;
        bool firstLineSeen = false;
        bool journaled = false; // its connection is in the journal (a line client, not a scrape)
        bool http = false;
        bool metricsRequested = false;
        bool httpAuthorised = false;
        bool skipping = false; // the rest of a line that was too long
        bool waiting = false;  // for the echo of waitingFor
        bool resume = false;   // answered while input was held
        uint32_t waitingFor = 0;
        std::string input;
        ClientOutput out;
    };

    void consume(Client& c);
    void refuseLongLine(Client& c);
    void handleLine(Client& c, std::string_view line);
    void handleHeader(Client& c, std::string_view line);
    void handleCommand(Client& c, const ControlCommand& command, std::string_view line);
    void handleWrite(Client& c, const ControlCommand& command, std::string_view line);
    void refuseWrite(Client& c, std::string_view line, int code, std::string_view reason);
    void journalClient(const char* client, const char* what);
    void handleLock(Client& c, bool lock);
    bool lockedByAnother(const Client& c, char* reason, size_t size) const;
    void replyValues(Client& c, const ControlCommand& command);
    void send(Client& c, std::string_view text);
    void status(Client& c, int code, std::string_view reason);
    void answerWaiting(Client& c, int code, std::string_view reason);
    void announce(int firstKey, int lastKey);
    void event(std::string_view key, std::string_view value);
    void wake();

    ControlEngine& engine_;
    ControlHost& host_;
    ControlJournal* journal_ = nullptr;
    AllowList allowList_;
    std::string password_;
    std::map<ClientId, Client> clients_;
    bool locked_ = false;
    ClientId lockOwner_ = 0;
    bool wakePending_ = false;
    ControlValues values_;
    ControlCounters counters_;
    // The value each key last showed to subscribers.
    std::array<std::string, CONTROL_KEY_COUNT> shown_;
};

} // namespace trx

#endif
