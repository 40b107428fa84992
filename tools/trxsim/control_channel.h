// One control connection: lines in, reply lines out, neither side able to stall the loop.
#ifndef TRXSIM_CONTROL_CHANNEL_H
#define TRXSIM_CONTROL_CHANNEL_H

#include <string>
#include <string_view>
#include <vector>

namespace trxsim {

struct InputLine {
    std::string text;
    bool tooLong = false; // the text is cut and must be refused
};

class ControlChannel {
  public:
    // Replies a peer leaves unread beyond this drop the channel.
    static constexpr size_t MAX_UNSENT = 16 * 1024 * 1024;

    // inFd -1: output only. A socket is both and owned; the console is stdin and stdout.
    ControlChannel(int inFd, int outFd, bool ownsFds);
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    int inFd() const { return inFd_; }
    int outFd() const { return outFd_; }
    bool reading() const { return inFd_ >= 0; }
    void stopReading();

    // Reads what is there and appends the complete lines. False at end of input or error.
    bool readInput(std::vector<InputLine>& lines);
    void send(std::string_view line);
    // Writes what the peer takes now. False when the peer is gone or reads nothing.
    bool flush();
    bool hasUnsent() const { return sent_ < out_.size(); }
    bool broken() const { return broken_; }

  private:
    int inFd_;
    int outFd_;
    bool ownsFds_;
    bool outBlocking_;
    bool broken_ = false;
    std::string in_;
    bool discarding_ = false; // inside a line that was too long
    std::string out_;
    size_t sent_ = 0;
};

} // namespace trxsim

#endif
