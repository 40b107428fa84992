// Every byte received from the line since the last mark, with its time, for the control
// command "log".
#ifndef TRXSIM_RECEIVE_LOG_H
#define TRXSIM_RECEIVE_LOG_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trxsim {

class ReceiveLog {
  public:
    // Keeps the reply of "log" to a few megabytes; later bytes are not listed.
    static constexpr size_t CAPACITY = 100000;

    explicit ReceiveLog(int64_t nowMs) : markMs_(nowMs) {}

    // Starts a new log.
    void mark(int64_t nowMs);
    void add(uint8_t lineByte, int64_t nowMs);
    size_t size() const { return entries_.size(); }

    // "OK <count>" and one "<ms since mark>:<line byte>:<register>:<value>" per byte.
    std::string reply() const;

  private:
    struct Entry {
        int64_t ms; // since the mark
        uint8_t lineByte;
    };
    int64_t markMs_;
    std::vector<Entry> entries_;
};

} // namespace trxsim

#endif
