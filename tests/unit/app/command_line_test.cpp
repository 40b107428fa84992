#include "app/command_line_rules.h"

#include <gtest/gtest.h>

namespace trx {

struct LineCase {
    const char* text;
    bool portGiven;
    int port;
    bool noRegistry;
};

TEST(CommandLine, TokensSeparatorsAndCase) {
    const LineCase cases[] = {
        {"", false, 0, false},
        {"C3", true, 3, false},
        {"c3 noreg", true, 3, true},
        {"-C3", true, 3, false},
        {"/C3", true, 3, false},
        {"/noREG,c7", true, 7, true},
        {"\t-/ ,", false, 0, false},
        {"C", true, 0, false},
        {"COM3", true, 0, false},
        {"C259", true, 3, false},
        {"C256", true, 0, false},
        {"C 3", true, 0, false},
        {"C2 C5", true, 5, false},
        {"C+12", true, 12, false},
        {"C12X4", true, 12, false},
        {"NOREGX XNOREG", false, 0, false},
        {"verbose 17 C4", true, 4, false},
    };
    for (const LineCase& c : cases) {
        const CommandLine line = parseCommandLine(c.text);
        EXPECT_EQ(line.portGiven, c.portGiven) << '"' << c.text << '"';
        EXPECT_EQ(line.portNumber, c.port) << '"' << c.text << '"';
        EXPECT_EQ(line.noRegistry, c.noRegistry) << '"' << c.text << '"';
    }
}

TEST(CommandLine, ControlPortWordInAnyCaseOverridesUntilAnInvalidValue) {
    struct ControlCase {
        const char* text;
        bool given;
        int port;
    };
    const ControlCase cases[] = {
        {"", false, 0},
        {"STEUERPORT=4703", true, 4703},
        {"noreg steuerport=0 C3", true, 0},
        {"SteuerPort=65535", true, 65535},
        {"STEUERPORT=65536", false, 0},
        {"STEUERPORT=99999999999999999999", false, 0},
        {"STEUERPORT=", false, 0},
        {"STEUERPORT=47x3", false, 0},
        {"STEUERPORT 4703", false, 0},
        {"STEUERPORT=1 STEUERPORT=2", true, 2},
    };
    for (const ControlCase& c : cases) {
        const CommandLine line = parseCommandLine(c.text);
        EXPECT_EQ(line.controlPortGiven, c.given) << '"' << c.text << '"';
        EXPECT_EQ(line.controlPort, c.port) << '"' << c.text << '"';
    }
    // The COM port rules are untouched by it.
    EXPECT_FALSE(parseCommandLine("STEUERPORT=4703").portGiven);
}

TEST(CommandLine, HugeNumbersWrapModulo256WithoutOverflow) {
    // 10^30 + 3 mod 256 = 3 + (10^30 mod 256); 10^30 = 2^30 * 5^30, so it is 0 mod 256.
    EXPECT_EQ(parseCommandLine("C1000000000000000000000000000003").portNumber, 3);
    // 10^20 - 1: 10^20 is 0 mod 256, so this is 255.
    EXPECT_EQ(parseCommandLine("C99999999999999999999").portNumber, 255);
}

} // namespace trx
