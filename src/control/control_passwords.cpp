#include "control/control_passwords.h"

#include <algorithm>

namespace trx {

bool passwordMatches(std::string_view sent, std::string_view password) {
    // Every byte of the password is looked at, whatever was sent: no early end tells a
    // guesser how much of it was right.
    unsigned difference = sent.size() != password.size() ? 1u : 0u;
    for (size_t i = 0; i < password.size(); ++i) {
        const unsigned char guess = i < sent.size() ? static_cast<unsigned char>(sent[i]) : 0;
        difference |= guess ^ static_cast<unsigned char>(password[i]);
    }
    return difference == 0;
}

ControlRight passwordRight(std::string_view sent, std::string_view switchPassword,
                           std::string_view readPassword) {
    const bool switches = passwordMatches(sent, switchPassword) && !switchPassword.empty();
    const bool reads = passwordMatches(sent, readPassword) && !readPassword.empty();
    return switches ? ControlRight::Switch : reads ? ControlRight::Read : ControlRight::None;
}

void PasswordBackoff::wrong(uint32_t address, uint64_t nowMs) {
    // Addresses quiet for long are forgotten here, so the table holds only recent guessers.
    std::erase_if(entries_, [&](const auto& entry) {
        return nowMs > entry.second.until + PASSWORD_FORGET_MS;
    });
    Entry& entry = entries_[address];
    entry.wait = entry.wait == 0 ? PASSWORD_WAIT_FIRST_MS
                                 : std::min(entry.wait * 2, PASSWORD_WAIT_LONGEST_MS);
    entry.until = nowMs + entry.wait;
}

bool PasswordBackoff::waiting(uint32_t address, uint64_t nowMs) const {
    const auto found = entries_.find(address);
    return found != entries_.end() && nowMs < found->second.until;
}

} // namespace trx
