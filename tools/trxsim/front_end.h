// The POSIX front end around the model: the pty line, the control port and console,
// signals, and one poll loop that never blocks on a peer.
#ifndef TRXSIM_FRONT_END_H
#define TRXSIM_FRONT_END_H

#include "control_channel.h"
#include "control_command.h"
#include "line_pacer.h"
#include "options.h"
#include "pty_pair.h"
#include "receive_log.h"
#include "transmitter_model.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <poll.h>
#include <string>
#include <vector>

namespace trxsim {

class FrontEnd {
  public:
    explicit FrontEnd(const Options& options);
    // Removes the link (if it still points to our pty) and the pidfile.
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // Sets up, serves until "quit" or a signal, and returns the exit status.
    int run();

  private:
    bool start(std::string& error);
    bool installSignals(std::string& error);
    bool openLine(std::string& error);
    void closeLine();
    void lineLost(const char* operation);
    bool listenForControl(std::string& error);
    bool writePidfile(std::string& error);
    void serve();
    void watchAll(int64_t nowNs);
    void dispatch(int64_t nowNs);
    int pollTimeoutMs(int64_t nowNs) const;

    void serviceLine(int64_t nowNs);
    void readLine(int64_t nowNs);
    void writeLine(int64_t nowNs);
    void queueLine(const Bytes& bytes);
    void noteWritten(int64_t count);
    void topUpFlood();

    void acceptClients();
    void readCommands(ControlChannel& channel);
    void handleLine(ControlChannel& channel, const InputLine& line);
    std::string execute(const ControlCommand& command);
    void stop();
    bool repliesPending() const;

    int64_t msSinceStart(int64_t nowNs) const { return (nowNs - startNs_) / 1000000; }

    Options options_;
    int64_t startNs_;
    TransmitterModel model_;
    ReceiveLog log_;
    LinePacer pacer_;
    PtyPair pty_;
    std::string linkTarget_; // what the link we made points to; empty: none made
    std::deque<uint8_t> lineOut_;
    int64_t floodLeft_ = 0;
    int floodRegister_ = 0;
    // Bytes ever queued for and written to the line: they tell when a flood's first and
    // last bytes left, which "flooded" reports.
    int64_t lineQueued_ = 0;
    int64_t lineWritten_ = 0;
    int64_t floodStartsAfter_ = 0; // bytes queued before the flood's first
    int64_t floodEndsAt_ = -1;     // bytes queued up to its last; -1 until queued
    int64_t floodFirstNs_ = 0;
    int64_t floodLastNs_ = 0;
    int listenFd_ = -1;
    int controlPort_ = 0;
    std::unique_ptr<ControlChannel> console_;
    std::vector<std::unique_ptr<ControlChannel>> clients_;
    // The poll set of one round and what each entry stands for.
    enum class Source { Signal, Line, Listen, Client, ConsoleIn, ConsoleOut };
    struct Watched {
        Source source;
        ControlChannel* channel;
    };
    std::vector<pollfd> fds_;
    std::vector<Watched> watched_;
    int signalPipe_[2] = {-1, -1};
    bool signalsInstalled_ = false;
    bool pidfileWritten_ = false;
    bool stopping_ = false;
    int64_t stopDeadlineNs_ = 0;
};

} // namespace trxsim

#endif
