#include "pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace trxsim {

bool PtyPair::open(std::string& error) {
    close();
    const auto fail = [&](const std::string& operation) {
        error = operation + ": " + strerror(errno);
        close();
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        return fail("posix_openpt");
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return fail("unlocking the pty");
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        return fail("ptsname");
    }
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        return fail(name);
    }
    // A new pty is cooked and echoes; the line must pass every byte through unchanged.
    termios raw{};
    if (tcgetattr(slave_, &raw) != 0) {
        return fail("tcgetattr");
    }
    cfmakeraw(&raw);
    if (tcsetattr(slave_, TCSANOW, &raw) != 0) {
        return fail("tcsetattr");
    }
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        return fail("fcntl");
    }
    slavePath_ = name;
    return true;
}

void PtyPair::close() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
}

int PtyPair::unread() const {
    int count = 0;
    if (slave_ < 0 || ioctl(slave_, FIONREAD, &count) != 0) {
        return 0;
    }
    return count;
}

bool makeLink(const std::string& path, const std::string& target, std::string& error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = path + " exists and is not a symlink";
        return false;
    }
    const std::string temporary = path + ".trxsim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        error = "symlink " + temporary + ": " + strerror(errno);
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = "rename to " + path + ": " + strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void removeLinkTo(const std::string& path, const std::string& target) {
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    if (n > 0 && static_cast<size_t>(n) < sizeof buffer &&
        target == std::string(buffer, static_cast<size_t>(n))) {
        unlink(path.c_str());
    }
}

} // namespace trxsim
