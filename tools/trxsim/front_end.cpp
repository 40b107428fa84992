#include "front_end.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trxsim {

namespace {

// Unwritten line output kept; beyond it new bytes are dropped.
constexpr size_t MAX_LINE_OUTPUT = 64 * 1024;
// Own reports wait while this much lies unread on the pty: no one is listening.
constexpr size_t HOLD_BACK_UNREAD = 64;
// A flood is made in batches as the pty takes it, never all at once.
constexpr size_t FLOOD_BATCH = 4096;
constexpr size_t MAX_CLIENTS = 16;
// At the end, replies still waiting get this long to go out.
constexpr int64_t DRAIN_NS = 1000000000;
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

int signalPipeWrite = -1;

// Only wakes the loop: everything else happens there.
void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (write(signalPipeWrite, &byte, 1) < 0) {
        // The pipe is full: the loop wakes anyway.
    }
    errno = saved;
}

int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

// A pipe, socket or file on stdin is a controller; a terminal or /dev/null is not.
bool stdinIsController() {
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) != 0) {
        return false;
    }
    return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISREG(st.st_mode);
}

} // namespace

FrontEnd::FrontEnd(const Options& options)
    : options_(options), startNs_(monotonicNs()),
      model_(0, ModelTiming{options.tuneMs, DEFAULT_RAMP_STEP_MS, options.reportIntervalMs}),
      log_(0), pacer_(options.baud) {
    model_.refuseFrequency(options.refusedFrequency);
    model_.setEndlessTune(options.endlessTune);
}

FrontEnd::~FrontEnd() {
    clients_.clear();
    console_.reset();
    if (listenFd_ >= 0) {
        close(listenFd_);
    }
    pty_.close();
    if (!linkTarget_.empty()) {
        removeLinkTo(options_.link, linkTarget_);
    }
    if (pidfileWritten_) {
        unlink(options_.pidfile.c_str());
    }
    if (signalsInstalled_) {
        for (int s : STOP_SIGNALS) {
            signal(s, SIG_DFL);
        }
        signalPipeWrite = -1;
    }
    for (int fd : signalPipe_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

int FrontEnd::run() {
    std::string error;
    if (!start(error)) {
        fprintf(stderr, "trxsim: %s\n", error.c_str());
        return 1;
    }
    serve();
    return 0;
}

bool FrontEnd::start(std::string& error) {
    if (!installSignals(error) || !openLine(error)) {
        return false;
    }
    if (options_.controlPort >= 0 && !listenForControl(error)) {
        return false;
    }
    if (!options_.pidfile.empty() && !writePidfile(error)) {
        return false;
    }
    const bool console = options_.stdinControl == StdinControl::On ||
                         (options_.stdinControl == StdinControl::Auto && stdinIsController());
    console_ = std::make_unique<ControlChannel>(console ? STDIN_FILENO : -1, STDOUT_FILENO, false);
    console_->send("PTY " + pty_.slavePath());
    if (listenFd_ >= 0) {
        console_->send("CONTROL " + std::to_string(controlPort_));
    }
    // Scripts wait for these lines before they do anything.
    const int64_t deadline = monotonicNs() + DRAIN_NS;
    while (console_->hasUnsent() && console_->flush() && monotonicNs() < deadline) {
        pollfd out{STDOUT_FILENO, POLLOUT, 0};
        poll(&out, 1, 100);
    }
    return true;
}

bool FrontEnd::installSignals(std::string& error) {
    if (pipe2(signalPipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + strerror(errno);
        return false;
    }
    signalPipeWrite = signalPipe_[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : STOP_SIGNALS) {
        sigaction(s, &action, nullptr);
    }
    signal(SIGPIPE, SIG_IGN); // a control client that went away is seen as EPIPE
    signalsInstalled_ = true;
    return true;
}

bool FrontEnd::openLine(std::string& error) {
    if (!pty_.open(error)) {
        return false;
    }
    if (!options_.link.empty()) {
        if (!makeLink(options_.link, pty_.slavePath(), error)) {
            return false;
        }
        linkTarget_ = pty_.slavePath();
    }
    return true;
}

void FrontEnd::closeLine() {
    pty_.close();
    lineOut_.clear();
    floodLeft_ = 0;
    floodEndsAt_ = -1;
}

void FrontEnd::lineLost(const char* operation) {
    // Cannot happen while our own slave descriptor is open; never spin on it if it does.
    fprintf(stderr, "trxsim: %s on the pty: %s; line closed until reopen\n", operation,
            strerror(errno));
    closeLine();
}

bool FrontEnd::listenForControl(std::string& error) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + strerror(errno);
        return false;
    }
    const int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(options_.controlPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 16) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "control port " + std::to_string(options_.controlPort) + ": " + strerror(errno);
        return false;
    }
    controlPort_ = ntohs(address.sin_port);
    return true;
}

bool FrontEnd::writePidfile(std::string& error) {
    const int fd = open(options_.pidfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = options_.pidfile + ": " + strerror(errno);
        return false;
    }
    char text[32];
    const int length = snprintf(text, sizeof text, "%d\n", static_cast<int>(getpid()));
    const bool ok = write(fd, text, static_cast<size_t>(length)) == length;
    close(fd);
    if (!ok) {
        error = options_.pidfile + ": cannot write";
        unlink(options_.pidfile.c_str());
        return false;
    }
    pidfileWritten_ = true;
    return true;
}

void FrontEnd::serve() {
    for (;;) {
        const int64_t now = monotonicNs();
        if (!stopping_) {
            serviceLine(now);
        } else if (!repliesPending() || now >= stopDeadlineNs_) {
            return;
        }
        watchAll(now);
        if (poll(fds_.data(), fds_.size(), pollTimeoutMs(now)) < 0) {
            if (errno == EINTR) {
                continue;
            }
            fprintf(stderr, "trxsim: poll: %s\n", strerror(errno));
            return;
        }
        dispatch(monotonicNs());
        std::erase_if(clients_, [](const std::unique_ptr<ControlChannel>& client) {
            return client->broken() || (!client->reading() && !client->hasUnsent());
        });
    }
}

void FrontEnd::watchAll(int64_t nowNs) {
    fds_.clear();
    watched_.clear();
    const auto watch = [&](int fd, int events, Source source, ControlChannel* channel) {
        fds_.push_back(pollfd{fd, static_cast<short>(events), 0});
        watched_.push_back(Watched{source, channel});
    };
    watch(signalPipe_[0], POLLIN, Source::Signal, nullptr);
    if (!stopping_ && pty_.isOpen()) {
        const bool sending = !lineOut_.empty() && pacer_.mayWrite(nowNs);
        watch(pty_.master(), POLLIN | (sending ? POLLOUT : 0), Source::Line, nullptr);
    }
    if (!stopping_ && listenFd_ >= 0) {
        watch(listenFd_, POLLIN, Source::Listen, nullptr);
    }
    for (auto& client : clients_) {
        const int events =
            (client->reading() && !stopping_ ? POLLIN : 0) | (client->hasUnsent() ? POLLOUT : 0);
        watch(client->outFd(), events, Source::Client, client.get());
    }
    if (!stopping_ && console_->reading()) {
        watch(console_->inFd(), POLLIN, Source::ConsoleIn, console_.get());
    }
    if (console_->hasUnsent() && !console_->broken()) {
        watch(console_->outFd(), POLLOUT, Source::ConsoleOut, console_.get());
    }
}

void FrontEnd::dispatch(int64_t nowNs) {
    // The line comes first in the set, so a command that reopens it cannot confuse it.
    for (size_t i = 0; i < fds_.size(); ++i) {
        const short revents = fds_[i].revents;
        ControlChannel* channel = watched_[i].channel;
        if (revents == 0) {
            continue;
        }
        switch (watched_[i].source) {
        case Source::Signal: {
            char drain[16];
            while (read(signalPipe_[0], drain, sizeof drain) > 0) {
            }
            if (stopping_) {
                stopDeadlineNs_ = nowNs; // a second signal: no more waiting for peers
            }
            stop();
            break;
        }
        case Source::Line:
            if ((revents & POLLIN) != 0) {
                readLine(nowNs);
            } else if ((revents & (POLLHUP | POLLERR)) != 0) {
                lineLost("hang-up");
            }
            if (pty_.isOpen() && (revents & POLLOUT) != 0) {
                writeLine(nowNs);
            }
            break;
        case Source::Listen:
            acceptClients();
            break;
        case Source::Client:
            // A socket is watched once for both directions.
            if ((revents & POLLIN) != 0 && channel->reading()) {
                readCommands(*channel);
            } else if ((revents & (POLLHUP | POLLERR)) != 0) {
                channel->stopReading();
            }
            if ((revents & (POLLOUT | POLLHUP | POLLERR)) != 0) {
                channel->flush(); // a peer that is gone breaks the channel
            }
            break;
        case Source::ConsoleIn:
            readCommands(*channel);
            break;
        case Source::ConsoleOut:
            channel->flush();
            break;
        }
    }
}

int FrontEnd::pollTimeoutMs(int64_t nowNs) const {
    int64_t wakeNs = NEVER;
    if (stopping_) {
        wakeNs = stopDeadlineNs_;
    } else {
        const int64_t dueMs = model_.nextDueMs();
        if (dueMs != NEVER) {
            wakeNs = startNs_ + dueMs * 1000000;
        }
        if (pty_.isOpen() && !lineOut_.empty() && !pacer_.mayWrite(nowNs)) {
            wakeNs = std::min(wakeNs, pacer_.readyNs());
        }
    }
    if (wakeNs == NEVER) {
        return -1;
    }
    const int64_t waitMs = (std::max<int64_t>(wakeNs - nowNs, 0) + 999999) / 1000000;
    return static_cast<int>(std::min<int64_t>(waitMs, 60000));
}

void FrontEnd::serviceLine(int64_t nowNs) {
    Bytes out;
    model_.advance(msSinceStart(nowNs), out);
    // Held back while no one reads, so a program that opens the line later does not start
    // with a heap of stale reports.
    if (!out.empty() && pty_.isOpen() &&
        static_cast<size_t>(pty_.unread()) + lineOut_.size() <= HOLD_BACK_UNREAD) {
        queueLine(out);
    }
    writeLine(nowNs);
}

void FrontEnd::readLine(int64_t nowNs) {
    uint8_t buffer[4096];
    const ssize_t n = read(pty_.master(), buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && wouldBlock()) {
            return;
        }
        lineLost("read");
        return;
    }
    const int64_t nowMs = msSinceStart(nowNs);
    Bytes out;
    for (ssize_t i = 0; i < n; ++i) {
        log_.add(buffer[i], nowMs);
        model_.receive(buffer[i], nowMs, out);
    }
    queueLine(out);
    writeLine(nowNs);
}

void FrontEnd::writeLine(int64_t nowNs) {
    uint8_t chunk[4096];
    while (pty_.isOpen()) {
        topUpFlood();
        if (lineOut_.empty() || !pacer_.mayWrite(nowNs)) {
            return;
        }
        const size_t n = pacer_.paced() ? 1 : std::min(lineOut_.size(), sizeof chunk);
        std::copy_n(lineOut_.begin(), n, chunk);
        const ssize_t written = write(pty_.master(), chunk, n);
        if (written < 0) {
            if (!wouldBlock()) {
                lineLost("write");
            }
            return;
        }
        lineOut_.erase(lineOut_.begin(), lineOut_.begin() + written);
        noteWritten(written);
        if (pacer_.paced()) {
            pacer_.wrote(nowNs);
        }
        if (static_cast<size_t>(written) < n) {
            return; // the pty is full: wait for POLLOUT
        }
    }
}

void FrontEnd::queueLine(const Bytes& bytes) {
    if (!pty_.isOpen()) {
        return;
    }
    const size_t room = MAX_LINE_OUTPUT - std::min(lineOut_.size(), MAX_LINE_OUTPUT);
    const size_t taken = std::min(room, bytes.size());
    lineOut_.insert(lineOut_.end(), bytes.begin(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    lineQueued_ += static_cast<int64_t>(taken);
}

void FrontEnd::noteWritten(int64_t count) {
    const int64_t before = lineWritten_;
    lineWritten_ += count;
    const bool floodGoing = floodEndsAt_ < 0 ? floodLeft_ > 0 : before < floodEndsAt_;
    if (!floodGoing) {
        return;
    }
    if (before <= floodStartsAfter_ && lineWritten_ > floodStartsAfter_) {
        floodFirstNs_ = monotonicNs();
    }
    if (floodEndsAt_ >= 0 && lineWritten_ >= floodEndsAt_) {
        floodLastNs_ = monotonicNs();
    }
}

void FrontEnd::topUpFlood() {
    while (floodLeft_ > 0 && lineOut_.size() < FLOOD_BATCH) {
        lineOut_.push_back(trx::lineByteFor(floodRegister_, model_.value(floodRegister_)));
        floodRegister_ = (floodRegister_ + 1) % trx::REGISTER_COUNT;
        ++lineQueued_;
        if (--floodLeft_ == 0) {
            floodEndsAt_ = lineQueued_;
        }
    }
}

void FrontEnd::acceptClients() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (clients_.size() >= MAX_CLIENTS) {
            static const char refusal[] = "ERR too many control clients\n";
            if (write(fd, refusal, sizeof refusal - 1) < 0) {
                // It goes anyway.
            }
            close(fd);
            continue;
        }
        clients_.push_back(std::make_unique<ControlChannel>(fd, fd, true));
    }
}

void FrontEnd::readCommands(ControlChannel& channel) {
    std::vector<InputLine> lines;
    const bool open = channel.readInput(lines);
    for (const InputLine& line : lines) {
        if (stopping_) {
            break;
        }
        handleLine(channel, line);
    }
    if (!open) {
        channel.stopReading();
        // Standard input was the only controller: its end is the end.
        if (&channel == console_.get() && listenFd_ < 0) {
            stop();
        }
    }
}

void FrontEnd::handleLine(ControlChannel& channel, const InputLine& line) {
    if (line.tooLong) {
        channel.send("ERR line too long (at most " + std::to_string(MAX_CONTROL_LINE) +
                     " characters)");
        return;
    }
    ControlCommand command;
    std::string error;
    switch (parseCommand(line.text, command, error)) {
    case ParseResult::Blank:
        break;
    case ParseResult::Malformed:
        channel.send(error);
        break;
    case ParseResult::Parsed:
        channel.send(execute(command));
        break;
    }
}

std::string FrontEnd::execute(const ControlCommand& c) {
    const int64_t nowMs = msSinceStart(monotonicNs());
    const bool needsLine =
        c.command == Command::Report || c.command == Command::Parity || c.command == Command::Flood;
    if (needsLine && !pty_.isOpen()) {
        return "ERR line is hung up (reopen first)";
    }
    Bytes out;
    switch (c.command) {
    case Command::Ping:
        break;
    case Command::Report:
        queueLine({trx::lineByteFor(c.reg, c.value)});
        break;
    case Command::Set:
        model_.setRegister(c.reg, c.value);
        break;
    case Command::Alarm:
        model_.setAlarm(c.on, out);
        queueLine(out);
        break;
    case Command::Silent:
        model_.setSilent(c.on);
        break;
    case Command::Echo:
        model_.setEcho(c.on);
        break;
    case Command::Parity:
        queueLine({trx::ERROR_CHAR});
        break;
    case Command::Flood:
        if (floodLeft_ == 0 && c.count > 0) { // a new flood, not more of a running one
            floodStartsAfter_ = lineQueued_;
            floodEndsAt_ = -1;
        }
        floodLeft_ += c.count;
        return "OK " + std::to_string(c.count);
    case Command::Flooded:
        if (floodEndsAt_ < 0 && floodLeft_ == 0) {
            return "ERR no flood has ended";
        }
        if (floodEndsAt_ < 0 || lineWritten_ < floodEndsAt_) {
            const int64_t toGo = floodEndsAt_ < 0
                                     ? floodLeft_ + static_cast<int64_t>(lineOut_.size())
                                     : floodEndsAt_ - lineWritten_;
            return "ERR flood going, at most " + std::to_string(toGo) + " bytes to go";
        }
        return "OK " + std::to_string((floodLastNs_ - floodFirstNs_) / 1000000);
    case Command::Hangup:
        closeLine();
        break;
    case Command::Reopen: {
        closeLine();
        std::string error;
        if (!openLine(error)) {
            return "ERR " + error;
        }
        console_->send("PTY " + pty_.slavePath());
        return "OK " + pty_.slavePath();
    }
    case Command::Dump: {
        std::string text = "OK";
        for (uint8_t v : model_.registers()) {
            text += ' ' + std::to_string(v);
        }
        return text;
    }
    case Command::Mark:
        log_.mark(nowMs);
        break;
    case Command::Log:
        return log_.reply();
    case Command::TuneTime:
        model_.setTuneMs(c.count);
        break;
    case Command::RefuseFrequency:
        model_.refuseFrequency(c.on ? std::optional<FrequencyDigits>(c.digits) : std::nullopt);
        break;
    case Command::EndlessTune:
        model_.setEndlessTune(c.on);
        break;
    case Command::Quit:
        stop();
        break;
    }
    return "OK";
}

void FrontEnd::stop() {
    if (!stopping_) {
        stopping_ = true;
        stopDeadlineNs_ = monotonicNs() + DRAIN_NS;
    }
}

bool FrontEnd::repliesPending() const {
    const auto pending = [](const ControlChannel& c) { return c.hasUnsent() && !c.broken(); };
    return pending(*console_) ||
           std::any_of(clients_.begin(), clients_.end(),
                       [&](const std::unique_ptr<ControlChannel>& c) { return pending(*c); });
}

} // namespace trxsim
