// Which client addresses the control port accepts: loopback always, others only when an
// IPv4 address or address/prefix block of the configured list holds them. Pure.
#ifndef TRXDESK_CONTROL_ALLOW_RULES_H
#define TRXDESK_CONTROL_ALLOW_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// A block may be no wider than this: "10.0.0.0/8" is taken, "0.0.0.0/0" (everyone) is not.
constexpr int ALLOW_PREFIX_MIN = 8;

// IPv4 addresses are numbers in host order: 127.0.0.1 is 0x7F000001.
bool isLoopbackAddress(uint32_t address);

// "a.b.c.d" with each part 0..255 and nothing else; false otherwise.
bool readIpv4Address(std::string_view text, uint32_t& address);

// "255.255.255.255" and its terminator.
constexpr size_t CLIENT_ADDRESS_SIZE = 16;

// "a.b.c.d" into `text` (at least CLIENT_ADDRESS_SIZE bytes).
void formatAddress(uint32_t address, char* text, size_t size);
// "a.b.c.d:port" into `text` (at least 22 bytes with its terminator).
void formatClientName(uint32_t address, uint16_t port, char* text, size_t size);

class AllowList {
  public:
    // Entries separated by blanks or commas: "192.168.1.20, 10.8.0.0/24". An entry that is
    // no address or block, or a block wider than /ALLOW_PREFIX_MIN, is left out; returns
    // those left out, each text once, in their order.
    std::vector<std::string> read(std::string_view text);
    bool empty() const { return blocks_.empty(); }
    // Loopback, or an address inside one of the entries.
    bool allows(uint32_t address) const;

  private:
    struct Block {
        uint32_t network;
        uint32_t mask;
    };
    std::vector<Block> blocks_;
};

} // namespace trx

#endif
