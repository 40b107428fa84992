// The control port's clients without their sockets: what each connection is (a line client
// or a scrape, told from its first bytes), its places and deadlines, each line client's
// input lines, replies, subscription, lock and the command that waits for its echo, the
// scrapes, the passwords and the floods; and the port's own copy of the transmitter's
// values, kept from the engine's announcements. Pure: the Winsock shell hands bytes in,
// calls tick with the time while needsTick says so, and sends what collects for each client.
#ifndef TRXDESK_CONTROL_SESSION_RULES_H
#define TRXDESK_CONTROL_SESSION_RULES_H

#include "control/control_allow_list.h"
#include "control/control_command_table.h"
#include "control/control_connection_rate.h"
#include "control/control_http_request.h"
#include "control/control_info_text.h"
#include "control/control_metrics_text.h"
#include "control/control_passwords.h"
#include "control/control_subscription.h"
#include "control/control_values.h"
#include "protocol/line_listener.h"
#include "protocol/protocol.h"
#include "res/resource.h"
#include "shell/schedule_switch.h"
#include "shell/station_events.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// Places: line clients (each from its first whole line, and from another computer its
// password, on), scrapes being answered, and connections not yet that far (the oldest of
// these gives its place to a new one).
constexpr int CONTROL_CLIENT_LIMIT = 8;
constexpr int CONTROL_SCRAPE_LIMIT = 4;
constexpr int CONTROL_PENDING_LIMIT = 16;
// A client with more than this waiting to be sent to it is disconnected.
constexpr size_t CONTROL_OUTPUT_LIMIT = 64 * 1024;
// Input held while a command waits for its echo; a client sending more is disconnected.
constexpr size_t CONTROL_HELD_INPUT_LIMIT = 16 * 1024;
// Deadlines from the connection (or from the end of a password's wait): a connection says
// who it is (its first whole line; from another computer, its password too) within the
// first; a scrape's request is whole within the second. A reply on its way out is dropped
// after the third when the client does not take it.
constexpr uint64_t CONTROL_INTRODUCTION_MS = 10000;
constexpr uint64_t CONTROL_REQUEST_MS = 5000;
constexpr uint64_t CONTROL_CLOSING_MS = 5000;
// The standby that went out while the link was down counts as not acknowledged when the
// transmitter is not heard in standby within the engine's own echo time (its 22nd tick).
constexpr uint64_t CONTROL_STANDBY_ECHO_MS = (ACK_LIMIT + 2) * uint64_t{SUPERVISION_PERIOD_MS};
// A plan file on a share that does not answer within this long fails `schedule reload`.
constexpr uint64_t CONTROL_PLAN_READ_MS = 10000;

// The shell's name for a connection: a number counted up from 1 and never used again, so
// that nothing of a client that left (its lock) passes to the next one.
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

// What the sessions need from the sockets' side.
class ControlHost {
  public:
    virtual ~ControlHost() = default;
    // A monotonic clock.
    virtual uint64_t milliseconds() = 0;
    // Output or a close waits: call serviceClients soon, not from inside this call. Called
    // once until serviceClients runs.
    virtual void outputWaiting() = 0;
    // A modal loop of the panel runs (a message box such as the engine's missing echo, a
    // dialog): a command that writes waits until it has ended, and runs from serviceClients
    // then; reading commands and scrapes are answered meanwhile.
    virtual bool modalLoop() { return false; }
};

// Why a connection is closed at once, without a word to it.
enum class ConnectRefusal {
    None,
    Flood,      // its address opened too many this second (counted, told later in one line)
    NotListed,  // a remote address outside the allow list
    NoPassword, // remote, but neither password is set
};

// What waits to go to a client; the shell sends from the front.
struct ClientOutput {
    std::string bytes;
    bool closeWhenSent = false; // quit, a scrape answered, a refused client
    bool dropNow = false;       // it stopped reading, or its time is up: close without sending
};

class ControlSessions final : public LineListener {
  public:
    // `allowList` and the passwords as configured: `password` switches, `readPassword` only
    // reads; empty ones are not set. Engine and host must outlive the sessions.
    ControlSessions(ControlEngine& engine, ControlHost& host, AllowList allowList,
                    std::string password, std::string readPassword = {});

    // New settings: every client is to be gone first (the shell closes them), so that none
    // keeps a right that an old password gave.
    void configure(AllowList allowList, std::string password, std::string readPassword);

    ConnectRefusal connect(ClientId id, uint32_t address, uint16_t port);
    void received(ClientId id, std::string_view bytes);
    // The socket is closed: the client and its lock are gone.
    void disconnected(ClientId id);

    // Runs input held while a command waited; then the shell sends every client's output.
    void serviceClients();
    std::vector<ClientId> clientIds() const;
    ClientOutput* output(ClientId id);

    // The deadlines, the passwords' waits, the standby's echo time and the floods' lines, at
    // `nowMs` of the host's clock. Call it every few hundred milliseconds while needsTick.
    void tick(uint64_t nowMs);
    bool needsTick() const;

    int lineClients() const;
    const ControlValues& values() const { return values_; }
    const ControlCounters& counters() const { return counters_; }

    // Tells `journal` (which must outlive the sessions) of clients and refused commands.
    void tellJournal(StationEvents& journal) { journal_ = &journal; }
    // The season schedule (which must outlive the sessions): `get schedule`, `schedule ...`
    // and its metrics; without it they are refused.
    void useSchedule(ScheduleSwitch& schedule) { schedule_ = &schedule; }
    // "EVENT schedule <text>" to every subscriber.
    void scheduleEvent(const char* text);
    // Tells `info` and the scrape which transmitter this is (`station` must outlive the
    // sessions).
    void tellStation(const ControlStation& station) { station_ = &station; }

    void linkUp(const RegisterMirror& registers) override;
    void linkLost(const RegisterMirror& registers) override;
    void portReopened(const RegisterMirror& registers) override;
    void reported(int address, int previous, const RegisterMirror& registers) override;
    void writeSent(const LineWrite& write, const RegisterMirror& registers) override;
    void writeEchoed(const LineWrite& write, const RegisterMirror& registers) override;
    void echoMissing(const LineWrite& write, const RegisterMirror& registers) override;

  private:
    static constexpr size_t JOURNAL_LINE_SIZE = 384; // a command line of 256 bytes and more
    static constexpr std::string_view NO_ACKNOWLEDGEMENT = "no acknowledgement";
    static constexpr std::string_view NOT_AUTHORISED = "not authorised";
    static constexpr std::string_view READ_ONLY = "read only";
    static constexpr std::string_view LINK_DOWN = "link down";
    static constexpr std::string_view PLAN_NOT_READ = "file not read";
    // The schedule's events of a file read.
    static constexpr std::string_view PLAN_LOADED = "loaded ";
    static constexpr std::string_view PLAN_BAD = "file ";

    // How far a connection has come; only an admitted line client gives commands.
    enum class Phase : uint8_t {
        Undecided,    // nothing yet tells a line client from a scrape
        Greeting,     // a line client before its first whole line
        Unauthorised, // ... from another computer, before its password
        Admitted,     // holds a line client's place; the journal knows of it
        Scrape,
    };
    // What a line client waits for before its next line (its input is held).
    enum class Wait : uint8_t {
        None,
        Echo,    // the echo of waitingFor
        Standby, // a standby sent while the link was down, which no echo answers: the
                 // transmitter reporting standby does
        Loop,    // the end of a modal loop: its next line writes
        Plan,    // `schedule reload`: the plan file read on its thread, told as an event
    };
    struct Client {
        ClientId id = 0;
        uint32_t address = 0;
        CommandSource source; // Control and "<address>:<port>"
        bool remote = false;
        bool mayWrite = true; // false for a remote client with the read password
        Phase phase = Phase::Undecided;
        Wait wait = Wait::None;
        bool subscribed = false;
        bool skipping = false;  // the rest of a line that was too long
        bool held = false;      // its address waits after a wrong password
        bool resume = false;    // held input runs from serviceClients
        bool journaled = false; // its "verbunden" line is written: from another machine, or
                                // on this PC once it asked to switch
        uint32_t waitingFor = 0;
        uint64_t waitingSince = 0;
        uint64_t since = 0;        // deadlines count from here: connected, or its wait ended
        uint64_t closingSince = 0; // its last reply was queued
        std::string input;
        HttpRequestHead request;
        ClientOutput out;
    };
    // Its command's writes went out; their echo, or the report of standby, answers it.
    static bool awaitsAnswer(const Client& c) {
        return c.wait == Wait::Echo || c.wait == Wait::Standby;
    }

    // control_session_rules.cpp: connections, places, deadlines, output.
    void consume(Client& c);
    bool mustWait(const Client& c, uint64_t nowMs) const;
    void decide(Client& c);
    bool admit(Client& c);
    bool pending(const Client& c) const;
    void makeRoomForPending();
    void closeAfterReply(Client& c);
    void turnAway(Client& c);
    void tickClient(Client& c, uint64_t nowMs);
    void tellFloods(uint64_t nowMs);
    int scrapes() const;
    void journalClient(const char* client, const char* what);
    void journalOnce(Client& c);
    void send(Client& c, std::string_view text);
    void status(Client& c, int code, std::string_view reason);
    void wake();

    // control_line_rules.cpp: a line client's lines, each command through its table row.
    void readLines(Client& c);
    void refuseLongLine(Client& c);
    void handleCommand(Client& c, const ControlCommand& command, std::string_view line);
    void runAction(Client& c, const ControlCommandRow& row, const ControlCommand& command,
                   std::string_view line);
    void handleWrite(Client& c, const ControlCommand& command, std::string_view line);
    bool waitsOutModalLoop(Client& c, std::string_view line);
    void refuseWrite(Client& c, std::string_view line, int code, std::string_view reason);
    void replyValues(Client& c, const ControlCommand& command);
    void replySchedule(Client& c);
    void handleSchedule(Client& c, const ControlCommand& command, std::string_view line);
    void answerWaiting(Client& c, int code, std::string_view reason);

    // control_access_rules.cpp: the password of a client from another computer, the lock.
    void handleAuth(Client& c, const ControlCommand& command);
    bool readOnlyRefuses(Client& c, const ControlCommandRow& row, std::string_view line);
    void wrongPassword(Client& c);
    void handleLock(Client& c, bool lock);
    bool lockedByAnother(const Client& c, char* reason, size_t size) const;

    // control_listener_rules.cpp: the engine's announcements to waiting and subscribed
    // clients.
    void broadcast(const std::string& events);

    // control_scrape_rules.cpp: a scrape's request and its answer.
    void readRequest(Client& c);
    void answerRequest(Client& c);
    bool scrapeAllowed(std::string_view authorization) const;
    // The station's texts, with the journal's day file in use.
    ControlIdentity identity() const;

    ControlEngine& engine_;
    ControlHost& host_;
    StationEvents* journal_ = nullptr;
    ScheduleSwitch* schedule_ = nullptr;
    const ControlStation* station_ = nullptr;
    AllowList allowList_;
    std::string password_;
    std::string readPassword_;
    std::map<ClientId, Client> clients_;
    // The lock and its holder's name, kept with it: the lock ends with its holder.
    bool locked_ = false;
    ClientId lockOwner_ = 0;
    std::string lockHolder_;
    bool wakePending_ = false;
    PasswordBackoff backoff_;
    ConnectionRate rate_;
    ControlValues values_;
    ControlCounters counters_;
    ControlSubscription subscription_;
};

} // namespace trx

#endif
