// trxsim's command line.
#ifndef TRXSIM_OPTIONS_H
#define TRXSIM_OPTIONS_H

#include "transmitter_model.h"

#include <optional>
#include <string>

namespace trxsim {

enum class StdinControl { Auto, On, Off };

struct Options {
    std::string link;     // empty: no link
    int controlPort = -1; // -1: no control port, 0: a free one
    int baud = 0;         // 0: unpaced
    int tuneMs = DEFAULT_TUNE_MS;
    int reportIntervalMs = DEFAULT_REPORT_INTERVAL_MS;
    std::string pidfile;
    std::optional<FrequencyDigits> refusedFrequency; // --refuse-frequency
    bool endlessTune = false;
    StdinControl stdinControl = StdinControl::Auto;
    bool help = false;
};

constexpr int MAX_BAUD = 4000000;

// Accepts "--name value" and "--name=value". False with a message in `error` otherwise.
bool parseOptions(int argc, const char* const argv[], Options& options, std::string& error);

// The --help text: options, the model and every control command.
extern const char USAGE[];

} // namespace trxsim

#endif
