// A pseudo-terminal pair in raw mode, and the symlink that names its slave for Wine.
#ifndef TRXSIM_PTY_PAIR_H
#define TRXSIM_PTY_PAIR_H

#include <string>

namespace trxsim {

// The simulator keeps a slave descriptor of its own open, so the master never sees a
// hang-up (EIO, POLLHUP) while the program has its side closed.
class PtyPair {
  public:
    PtyPair() = default;
    ~PtyPair() { close(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // A new pair; the master is non-blocking. False with the failed call in `error`.
    bool open(std::string& error);
    // Closing the master takes the line away from whoever has the slave open.
    void close();
    bool isOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // Bytes on their way to the slave that no one has read yet.
    int unread() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Makes `path` a symlink to `target`, atomically replacing a symlink that is there; refuses
// to replace anything else.
bool makeLink(const std::string& path, const std::string& target, std::string& error);
// Removes `path` only if it is still a symlink to `target`.
void removeLinkTo(const std::string& path, const std::string& target);

} // namespace trxsim

#endif
