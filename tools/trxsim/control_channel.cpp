#include "control_channel.h"

#include "control_command.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trxsim {

namespace {

// A pipe that polled writable takes this much without blocking.
constexpr size_t WRITE_CHUNK = 4096;

} // namespace

ControlChannel::ControlChannel(int inFd, int outFd, bool ownsFds)
    : inFd_(inFd), outFd_(outFd), ownsFds_(ownsFds),
      outBlocking_((fcntl(outFd, F_GETFL) & O_NONBLOCK) == 0) {}

ControlChannel::~ControlChannel() {
    if (ownsFds_) {
        if (inFd_ >= 0 && inFd_ != outFd_) {
            close(inFd_);
        }
        if (outFd_ >= 0) {
            close(outFd_);
        }
    }
}

void ControlChannel::stopReading() {
    if (ownsFds_ && inFd_ >= 0 && inFd_ != outFd_) {
        close(inFd_);
    }
    inFd_ = -1;
}

bool ControlChannel::readInput(std::vector<InputLine>& lines) {
    char buffer[4096];
    const ssize_t n = read(inFd_, buffer, sizeof buffer);
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
    if (n == 0) {
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!discarding_) {
                lines.push_back(InputLine{std::move(in_), false});
            }
            in_.clear();
            discarding_ = false;
        } else if (!discarding_) {
            in_ += c;
            if (in_.size() > MAX_CONTROL_LINE) {
                lines.push_back(InputLine{in_.substr(0, 32), true});
                in_.clear();
                discarding_ = true;
            }
        }
    }
    return true;
}

void ControlChannel::send(std::string_view line) {
    if (broken_) {
        return;
    }
    if (out_.size() - sent_ + line.size() + 1 > MAX_UNSENT) {
        broken_ = true;
        return;
    }
    out_.append(line);
    out_ += '\n';
}

bool ControlChannel::flush() {
    while (!broken_ && hasUnsent()) {
        const size_t chunk = std::min(out_.size() - sent_, WRITE_CHUNK);
        const ssize_t n = write(outFd_, out_.data() + sent_, chunk);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                break;
            }
            broken_ = true;
            break;
        }
        sent_ += static_cast<size_t>(n);
        if (outBlocking_) {
            break; // one chunk per wake-up, so a full pipe never blocks the loop
        }
    }
    if (sent_ == out_.size()) {
        out_.clear();
        sent_ = 0;
    } else if (sent_ > WRITE_CHUNK * 16 && sent_ > out_.size() / 2) {
        out_.erase(0, sent_); // a peer that always lags must not grow the buffer for ever
        sent_ = 0;
    }
    return !broken_;
}

} // namespace trxsim
