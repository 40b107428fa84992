// trxsim as a whole: a child process driven over its control port or stdin, with the test
// on the program's side of the pty. Every wait is bounded by poll().
#include "protocol/wire_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace trxsim::test {
namespace {

constexpr int WAIT_MS = 5000;

// Line bytes as a string, so that they compare and print easily.
std::string line(std::initializer_list<std::pair<int, int>> reports) {
    std::string bytes;
    for (const auto& [address, value] : reports) {
        bytes += static_cast<char>(trx::lineByteFor(address, value));
    }
    return bytes;
}

bool waitFd(int fd, short events, int timeoutMs = WAIT_MS) {
    pollfd p{fd, events, 0};
    return fd >= 0 && poll(&p, 1, timeoutMs) > 0;
}

// An owned descriptor with bounded reads of lines or bytes.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept { *this = std::move(other); }
    Fd& operator=(Fd&& other) noexcept {
        reset();
        std::swap(fd_, other.fd_);
        buffered_ = std::move(other.buffered_);
        ended_ = other.ended_;
        return *this;
    }
    void reset() {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = -1;
    }
    int get() const { return fd_; }

    void write(const std::string& data) {
        for (size_t done = 0; done < data.size() && waitFd(fd_, POLLOUT);) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno != EAGAIN) {
                return;
            }
            done += static_cast<size_t>(std::max<ssize_t>(n, 0));
        }
    }
    // Empty after WAIT_MS or at the end.
    std::string readLine() {
        size_t newline;
        while ((newline = buffered_.find('\n')) == std::string::npos && fill()) {
        }
        std::string text = buffered_.substr(0, newline);
        buffered_.erase(0, newline == std::string::npos ? buffered_.size() : newline + 1);
        return newline == std::string::npos ? "" : text;
    }
    std::string command(const std::string& text) {
        write(text + "\n");
        return readLine();
    }
    std::string read(size_t count) {
        while (buffered_.size() < count && fill()) {
        }
        std::string got = buffered_.substr(0, count);
        buffered_.erase(0, got.size());
        return got;
    }
    // Reads until `sequence` came; all read so far is in `seen`.
    bool waitFor(const std::string& sequence, std::string* seen = nullptr) {
        bool found;
        while (!(found = buffered_.find(sequence) != std::string::npos) && fill()) {
        }
        if (seen != nullptr) {
            *seen = buffered_;
        }
        buffered_.clear();
        return found;
    }
    bool atEnd() {
        while (fill()) {
        }
        return ended_;
    }

  private:
    bool fill() {
        char chunk[65536];
        if (ended_ || !waitFd(fd_, POLLIN)) {
            return false;
        }
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        ended_ = n == 0 || (n < 0 && errno != EAGAIN);
        buffered_.append(chunk, static_cast<size_t>(std::max<ssize_t>(n, 0)));
        return !ended_;
    }

    int fd_ = -1;
    std::string buffered_;
    bool ended_ = false;
};

Fd openSlave(const std::string& path) {
    Fd slave(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios raw{};
    if (tcgetattr(slave.get(), &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slave.get(), TCSANOW, &raw);
    }
    return slave;
}

Fd connectControl(int port) {
    Fd control(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(control.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        control.reset();
    }
    return control;
}

// trxsim_checked started with `args`; reads its PTY line and, with a port, CONTROL line.
struct Sim {
    explicit Sim(const std::vector<std::string>& args, bool stdinPipe = false) {
        int out[2], in[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            dup2(stdinPipe ? in[0] : open("/dev/null", O_RDONLY), STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv = {const_cast<char*>(TRXSIM_BINARY)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(TRXSIM_BINARY, argv.data());
            _exit(127);
        }
        close(out[1]);
        close(in[0]);
        stdout_ = Fd(out[0]);
        stdin_ = Fd(in[1]);
        pidfd = Fd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))); // readable at its end
        const std::string ptyLine = stdout_.readLine();
        pty = ptyLine.rfind("PTY ", 0) == 0 ? ptyLine.substr(4) : "";
        if (std::find(args.begin(), args.end(), "--control-port") != args.end()) {
            const std::string controlLine = stdout_.readLine();
            port = controlLine.rfind("CONTROL ", 0) == 0 ? std::stoi(controlLine.substr(8)) : -1;
        }
    }
    ~Sim() {
        if (pid > 0 && waitExit(0) == -1) {
            kill(pid, SIGKILL);
            waitExit();
        }
    }
    // Exit status, 128 + signal, or -1 while it still runs after timeoutMs.
    int waitExit(int timeoutMs = WAIT_MS) {
        int status = 0;
        if (exitStatus < 0 && waitFd(pidfd.get(), POLLIN, timeoutMs) &&
            waitpid(pid, &status, 0) == pid) {
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return exitStatus;
    }

    pid_t pid = -1;
    Fd pidfd;
    Fd stdin_;
    Fd stdout_;
    std::string pty;
    int port = -1;
    int exitStatus = -1;
};

// No own report rounds: every byte on the line is an answer, so sequences are exact.
std::vector<std::string> quiet(std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--control-port", "0", "--report-interval-ms", "0"});
    return more;
}

std::vector<int> dumpValues(const std::string& reply) {
    std::istringstream in(reply);
    std::string ok;
    std::vector<int> values;
    in >> ok;
    for (int v; in >> v;) {
        values.push_back(v);
    }
    EXPECT_EQ(ok + " " + std::to_string(values.size()), "OK 16") << reply;
    values.resize(16);
    return values;
}

std::string linkTarget(const std::string& path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_symlink(path, error) || std::filesystem::exists(path, error);
}

struct TempDir {
    TempDir() {
        char name[] = "/tmp/trxsim-test-XXXXXX";
        dir = mkdtemp(name) != nullptr ? name : "/nonexistent";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string operator/(const char* name) const { return dir + "/" + name; }
    std::string dir;
};

// Until the receive log holds `count` bytes, that is until the simulator took them in.
bool waitLogged(Fd& control, int count) {
    const std::string prefix = "OK " + std::to_string(count);
    for (int i = 0; i < 200; ++i) {
        const std::string log = control.command("log");
        if (log == prefix || log.rfind(prefix + " ", 0) == 0) {
            return true;
        }
        poll(nullptr, 0, 10);
    }
    return false;
}

TEST(TrxsimProcess, AnnouncesLinksAndCleansUpOnQuitAndSignals) {
    TempDir dir;
    const std::string link = dir / "com5", pidfile = dir / "pid";
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0); // a stale link is replaced
    {
        Sim sim(quiet({"--link", link, "--pidfile", pidfile}));
        ASSERT_EQ(sim.pty.rfind("/dev/pts/", 0), 0u);
        EXPECT_EQ(linkTarget(link), sim.pty);
        int written = 0;
        std::ifstream(pidfile) >> written;
        EXPECT_EQ(written, sim.pid);
        EXPECT_EQ(connectControl(sim.port).command("quit"), "OK");
        EXPECT_EQ(sim.waitExit(), 0);
        EXPECT_FALSE(exists(link));
        EXPECT_FALSE(exists(pidfile));
    }
    for (int sig : {SIGINT, SIGTERM}) {
        Sim sim({"--link", link});
        Fd slave = openSlave(sim.pty); // the program's side being open holds nothing up
        kill(sim.pid, sig);
        EXPECT_EQ(sim.waitExit(), 0) << sig;
        EXPECT_FALSE(exists(link)) << sig;
    }
}

TEST(TrxsimProcess, TouchesOnlyLinksThatAreItsOwn) {
    TempDir dir;
    std::ofstream(dir / "com1") << "keep";
    Sim refused({"--link", dir / "com1"});
    EXPECT_EQ(refused.waitExit(), 1);
    EXPECT_TRUE(exists(dir / "com1"));

    // Someone else re-pointed the link meanwhile: it stays.
    Sim sim(quiet({"--link", dir / "com2"}));
    ASSERT_EQ(symlink("/dev/null", (dir / "other").c_str()), 0);
    ASSERT_EQ(rename((dir / "other").c_str(), (dir / "com2").c_str()), 0);
    EXPECT_EQ(connectControl(sim.port).command("quit"), "OK");
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(linkTarget(dir / "com2"), "/dev/null");

    EXPECT_EQ(Sim({"--help"}).waitExit(), 0);
    EXPECT_EQ(Sim({"--report-interval-ms", "5000"}).waitExit(), 2);
}

TEST(TrxsimLine, EchoesWritesAndAnswersTheRefreshFromTheModel) {
    Sim sim(quiet());
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    const std::string writes = line({{10, 2}, {9, 7}, {13, 4}});
    slave.write(writes);
    EXPECT_EQ(slave.read(3), writes);

    const std::vector<int> v = dumpValues(control.command("dump"));
    EXPECT_EQ(v[9], 7);
    std::string answer = line({{15, v[15]}});
    for (int r = 0; r < 16; ++r) {
        answer += line({{r, v[static_cast<size_t>(r)]}});
    }
    slave.write("\x0F");
    EXPECT_EQ(slave.read(17), answer);

    // Untuned: the power stage is refused and the real state follows the echo.
    slave.write(line({{8, 5}}));
    EXPECT_EQ(slave.read(2), line({{8, 5}, {8, 1}}));
}

TEST(TrxsimLine, PlaysTheFaultsItIsStartedWithAndTurnsThemOffWhenTold) {
    Sim sim(quiet({"--refuse-frequency", "7,12346", "--endless-tune"}));
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    slave.write(line({{7, 6}})); // 07,12345 to 07,12346: refused, the 5 kept
    EXPECT_EQ(slave.read(2), line({{7, 6}, {7, 5}}));
    slave.write(line({{8, 2}, {8, 6}})); // tune, and the stage it never reaches
    EXPECT_EQ(slave.read(4), line({{8, 2}, {15, 2}, {8, 6}, {8, 2}}));
    EXPECT_EQ(control.command("refuse-frequency off"), "OK");
    EXPECT_EQ(control.command("endless-tune off"), "OK");
    EXPECT_EQ(control.command("refuse-frequency 40"),
              "ERR usage: refuse-frequency MHZ (1.5..29.99999)|off");
    slave.write(line({{8, 1}, {7, 6}}));
    EXPECT_EQ(slave.read(3), line({{8, 1}, {15, 0}, {7, 6}}));
}

TEST(TrxsimLine, TuneSequenceUnlocksAndRampsThePowerOnAPacedLine) {
    Sim sim(quiet({"--tune-ms", "60000", "--baud", "9600"}));
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    EXPECT_EQ(control.command("tune-time 100"), "OK");
    slave.write(line({{8, 2}}));
    EXPECT_EQ(slave.read(2), line({{8, 2}, {15, 2}}));
    EXPECT_TRUE(slave.waitFor(line({{8, 3}, {15, 1}})));
    slave.write(line({{8, 4}}));
    EXPECT_TRUE(slave.waitFor(line({{14, 3}, {15, 1}})));
    const std::vector<int> v = dumpValues(control.command("dump"));
    EXPECT_EQ(v[8], 4);
    EXPECT_EQ(v[14], 3);
    EXPECT_EQ(control.command("flood 100"), "OK 100");
    EXPECT_EQ(slave.read(100).size(), 100u);
}

TEST(TrxsimLine, ReportsOnItsOwnAndOutlivesTheProgramClosingItsSide) {
    Sim sim({"--control-port", "0", "--report-interval-ms", "1"});
    for (int round = 0; round < 3; ++round) {
        Fd slave = openSlave(sim.pty);
        ASSERT_GE(slave.get(), 0);
        slave.write(line({{9, round}}));
        std::string seen;
        EXPECT_TRUE(slave.waitFor(line({{9, round}}), &seen)) << round;
        EXPECT_TRUE(slave.waitFor(line({{15, 0}})));
        // Held back while the side was closed: a few rounds, not the 3,000 bytes or so of a
        // second; what comes while a busy machine answers slowly stays well below that.
        EXPECT_LE(seen.size(), 1000u) << round;
        slave.reset();
        poll(nullptr, 0, 1000);
    }
    EXPECT_EQ(connectControl(sim.port).command("ping"), "OK");
}

TEST(TrxsimControl, MalformedCommandsGetErrAndChangeNothing) {
    Sim sim(quiet());
    Fd control = connectControl(sim.port);
    const std::string before = control.command("dump");
    for (const std::string& text : std::vector<std::string>{
             "bogus", "report 16 1", "set 1", "alarm maybe", "flood 1000001", "tune-time x",
             "quit now", std::string("\0\xff junk", 7), std::string(5000, 'x')}) {
        EXPECT_EQ(control.command(text).rfind("ERR ", 0), 0u) << text.substr(0, 20);
    }
    EXPECT_EQ(control.command("dump"), before);
    // Blank lines go unanswered, CR LF is fine, and pipelined commands answer in order.
    control.write("\n\r\n  \nping\r\nset 9 3\ndump\n");
    EXPECT_EQ(control.readLine(), "OK");
    EXPECT_EQ(control.readLine(), "OK");
    EXPECT_EQ(dumpValues(control.readLine())[9], 3);
}

TEST(TrxsimControl, SeveralClientsAtOnceAndOneThatVanishesMidLine) {
    Sim sim(quiet());
    Fd gone = connectControl(sim.port);
    Fd a = connectControl(sim.port);
    Fd b = connectControl(sim.port);
    gone.write("set 9 1"); // never finished: never carried out
    gone.reset();
    a.write("set 9 5\n");
    EXPECT_EQ(b.command("ping"), "OK");
    EXPECT_EQ(a.readLine(), "OK");
    EXPECT_EQ(dumpValues(b.command("dump"))[9], 5);
    EXPECT_EQ(connectControl(sim.port).command("ping"), "OK");
}

TEST(TrxsimControl, LogListsEveryByteSinceTheMark) {
    Sim sim(quiet());
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    slave.write(line({{9, 1}}));
    ASSERT_EQ(slave.read(1).size(), 1u);
    EXPECT_EQ(control.command("mark"), "OK");
    EXPECT_EQ(control.command("log"), "OK 0");
    slave.write("\xA1");
    ASSERT_EQ(slave.read(2).size(), 2u); // echo and correction: it was taken in
    slave.write("\x0F");
    ASSERT_EQ(slave.read(17).size(), 17u);

    long first = -1, second = -1;
    char a[16] = {}, b[16] = {};
    const std::string log = control.command("log");
    ASSERT_EQ(sscanf(log.c_str(), "OK 2 %ld:%15s %ld:%15s", &first, a, &second, b), 4) << log;
    EXPECT_STREQ(a, "A1:8:5");
    EXPECT_STREQ(b, "0F:15:0");
    EXPECT_GE(first, 0);
    EXPECT_GE(second, first);
}

TEST(TrxsimControl, InjectionsGoOnTheLineAndLeaveTheModelAlone) {
    Sim sim(quiet());
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    EXPECT_EQ(control.command("report 8 5"), "OK");
    EXPECT_EQ(control.command("parity"), "OK");
    EXPECT_EQ(control.command("alarm on"), "OK");
    EXPECT_EQ(slave.read(3), "\xA1\x30" + line({{15, 8}}));
    EXPECT_EQ(control.command("set 10 14"), "OK");
    const std::vector<int> v = dumpValues(control.command("dump"));
    EXPECT_EQ(v[8], 1);
    EXPECT_EQ(v[10], 14);
    EXPECT_EQ(v[15], 8);

    EXPECT_EQ(control.command("flooded"), "ERR no flood has ended");
    EXPECT_EQ(control.command("flood 1000"), "OK 1000");
    const std::string flood = slave.read(1000);
    ASSERT_EQ(flood.size(), 1000u);
    EXPECT_EQ(control.command("flooded").rfind("OK ", 0), 0u); // its last byte has left
    for (size_t i = 0; i < flood.size(); ++i) {
        const int r = static_cast<int>(i % 16);
        ASSERT_EQ(flood.substr(i, 1), line({{r, v[static_cast<size_t>(r)]}})) << i;
    }
    // A flood no one reads never stalls the control; hangup drops the rest.
    EXPECT_EQ(control.command("flood 1000000"), "OK 1000000");
    EXPECT_EQ(control.command("flooded").rfind("ERR flood going, at most ", 0), 0u);
    EXPECT_EQ(control.command("hangup"), "OK");
    EXPECT_EQ(control.command("ping"), "OK");
}

TEST(TrxsimControl, SilentAndEchoOffMuteTheLineButTheTransmitterStillActs) {
    Sim sim(quiet());
    Fd slave = openSlave(sim.pty);
    Fd control = connectControl(sim.port);
    EXPECT_EQ(control.command("silent on"), "OK");
    slave.write(line({{13, 3}}) + "\x0F");
    ASSERT_TRUE(waitLogged(control, 2));
    EXPECT_EQ(control.command("silent off"), "OK");
    slave.write(line({{9, 4}}));
    EXPECT_EQ(slave.read(1), line({{9, 4}})); // nothing came before it

    EXPECT_EQ(control.command("echo off"), "OK");
    EXPECT_EQ(control.command("mark"), "OK");
    slave.write(line({{9, 5}}));
    ASSERT_TRUE(waitLogged(control, 1));
    EXPECT_EQ(control.command("echo on"), "OK");
    slave.write(line({{9, 6}}));
    EXPECT_EQ(slave.read(1), line({{9, 6}}));
    const std::vector<int> v = dumpValues(control.command("dump"));
    EXPECT_EQ(v[13], 3);
    EXPECT_EQ(v[9], 6);
}

TEST(TrxsimControl, HangupTakesTheLineAwayAndReopenBringsANewOne) {
    TempDir dir;
    Sim sim(quiet({"--link", dir / "com5"}));
    Fd control = connectControl(sim.port);
    Fd old = openSlave(sim.pty);
    EXPECT_EQ(control.command("hangup"), "OK");
    EXPECT_TRUE(old.atEnd());
    EXPECT_EQ(control.command("report 1 1").rfind("ERR ", 0), 0u);
    EXPECT_EQ(control.command("flood 5").rfind("ERR ", 0), 0u);

    const std::string reply = control.command("reopen");
    ASSERT_EQ(reply.rfind("OK /dev/pts/", 0), 0u) << reply;
    const std::string pty = reply.substr(3);
    EXPECT_EQ(sim.stdout_.readLine(), "PTY " + pty);
    EXPECT_EQ(linkTarget(dir / "com5"), pty);
    Fd slave = openSlave(pty);
    slave.write(line({{9, 2}}));
    EXPECT_EQ(slave.read(1), line({{9, 2}}));
}

TEST(TrxsimControl, StdinTakesTheSameCommandsAndItsEndEndsOnlyAPortlessRun) {
    {
        Sim sim({"--report-interval-ms", "0"}, true);
        sim.stdin_.write("ping\nreport 16 0\nset 9 9\ndump\n");
        EXPECT_EQ(sim.stdout_.readLine(), "OK");
        EXPECT_EQ(sim.stdout_.readLine().rfind("ERR ", 0), 0u);
        EXPECT_EQ(sim.stdout_.readLine(), "OK");
        EXPECT_EQ(dumpValues(sim.stdout_.readLine())[9], 9);
        sim.stdin_.reset();
        EXPECT_EQ(sim.waitExit(), 0);
    }
    Sim sim({"--control-port", "0"}, true);
    sim.stdin_.reset();
    Fd control = connectControl(sim.port);
    EXPECT_EQ(control.command("ping"), "OK");
    EXPECT_EQ(control.command("ping"), "OK"); // the end of stdin was seen by now
    EXPECT_EQ(sim.waitExit(0), -1);
}

} // namespace
} // namespace trxsim::test
