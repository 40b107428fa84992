#include "control/control_allow_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace trx {

namespace {

constexpr uint32_t LOOPBACK_NETWORK = 0x7F000000; // 127.0.0.0/8
constexpr uint32_t LOOPBACK_MASK = 0xFF000000;
constexpr int ADDRESS_PARTS = 4;
constexpr int PART_MAX = 255;
constexpr int PREFIX_MAX = 32;
constexpr std::string_view SEPARATORS = " \t,";

// Digits only, at most `max`.
bool readPart(std::string_view text, int max, int& value) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value <= max;
}

uint32_t prefixMask(int prefix) {
    return ~uint32_t{0} << (PREFIX_MAX - prefix);
}

} // namespace

bool isLoopbackAddress(uint32_t address) {
    return (address & LOOPBACK_MASK) == LOOPBACK_NETWORK;
}

bool readIpv4Address(std::string_view text, uint32_t& address) {
    uint32_t result = 0;
    for (int part = 0; part < ADDRESS_PARTS; ++part) {
        const size_t dot = part < ADDRESS_PARTS - 1 ? text.find('.') : text.size();
        int value = 0;
        if (dot == std::string_view::npos || !readPart(text.substr(0, dot), PART_MAX, value)) {
            return false;
        }
        result = result << 8 | static_cast<uint32_t>(value);
        text.remove_prefix(dot == text.size() ? dot : dot + 1);
    }
    address = result;
    return true;
}

void formatAddress(uint32_t address, char* text, size_t size) {
    snprintf(text, size, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF, address >> 8 & 0xFF,
             address & 0xFF);
}

void formatClientName(uint32_t address, uint16_t port, char* text, size_t size) {
    char dotted[CLIENT_ADDRESS_SIZE];
    formatAddress(address, dotted, sizeof dotted);
    snprintf(text, size, "%s:%u", dotted, static_cast<unsigned>(port));
}

std::vector<std::string> AllowList::read(std::string_view text) {
    blocks_.clear();
    std::vector<std::string> leftOut;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(SEPARATORS, pos)) != std::string_view::npos) {
        const size_t end = std::min(text.find_first_of(SEPARATORS, pos), text.size());
        const std::string_view entry = text.substr(pos, end - pos);
        pos = end;
        const size_t slash = entry.find('/');
        uint32_t address = 0;
        int prefix = PREFIX_MAX;
        if (!readIpv4Address(entry.substr(0, slash), address) ||
            (slash != std::string_view::npos &&
             !readPart(entry.substr(slash + 1), PREFIX_MAX, prefix)) ||
            prefix < ALLOW_PREFIX_MIN) {
            if (std::find(leftOut.begin(), leftOut.end(), entry) == leftOut.end()) {
                leftOut.emplace_back(entry);
            }
            continue;
        }
        const uint32_t mask = prefixMask(prefix);
        blocks_.push_back({address & mask, mask});
    }
    return leftOut;
}

bool AllowList::allows(uint32_t address) const {
    if (isLoopbackAddress(address)) {
        return true;
    }
    for (const Block& block : blocks_) {
        if ((address & block.mask) == block.network) {
            return true;
        }
    }
    return false;
}

} // namespace trx
