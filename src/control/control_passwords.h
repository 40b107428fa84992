// The control port's two passwords, one that may only read and one that may also switch:
// compared in constant time, and a wrong one costs its sender's address time before its
// next try is read. Pure.
#ifndef TRXDESK_CONTROL_PASSWORD_RULES_H
#define TRXDESK_CONTROL_PASSWORD_RULES_H

#include <cstdint>
#include <map>
#include <string_view>

namespace trx {

// The first wait after a wrong password, doubled with each further one up to the longest.
constexpr uint64_t PASSWORD_WAIT_FIRST_MS = 1000;
constexpr uint64_t PASSWORD_WAIT_LONGEST_MS = 60000;
// An address without a wrong password for this long starts again at the first wait.
constexpr uint64_t PASSWORD_FORGET_MS = 10 * 60 * 1000;

// `sent` equals `password`; the time taken depends on the password's length only.
bool passwordMatches(std::string_view sent, std::string_view password);

// What a client from another computer may do once its password is known.
enum class ControlRight : uint8_t {
    None,   // a wrong password
    Read,   // get, info, subscribe, scrapes
    Switch, // every command, those that write too
};

// The right `sent` gives. Both passwords are compared, whichever matches, so the time
// taken tells nothing of which one it was; an empty password (not set) gives no right.
ControlRight passwordRight(std::string_view sent, std::string_view switchPassword,
                           std::string_view readPassword);

// Per address (IPv4, host order): when its next try may be read.
class PasswordBackoff {
  public:
    // A wrong password from `address` at `nowMs`: it waits, longer than the last time.
    void wrong(uint32_t address, uint64_t nowMs);
    // The right one: the address starts again at the first wait.
    void right(uint32_t address) { entries_.erase(address); }
    // Whether a try from `address` must still wait at `nowMs`.
    bool waiting(uint32_t address, uint64_t nowMs) const;

  private:
    struct Entry {
        uint64_t until = 0;
        uint64_t wait = 0;
    };
    std::map<uint32_t, Entry> entries_;
};

} // namespace trx

#endif
