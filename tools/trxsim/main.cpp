// trxsim: the transmitter simulator on a pseudo-terminal. See --help.
#include "front_end.h"
#include "options.h"

#include <cstdio>

int main(int argc, char** argv) {
    trxsim::Options options;
    std::string error;
    if (!trxsim::parseOptions(argc, argv, options, error)) {
        fprintf(stderr, "trxsim: %s\nTry 'trxsim --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        fputs(trxsim::USAGE, stdout);
        return 0;
    }
    trxsim::FrontEnd frontEnd(options);
    return frontEnd.run();
}
