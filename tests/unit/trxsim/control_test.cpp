#include "control_command.h"
#include "line_pacer.h"
#include "options.h"
#include "receive_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace trxsim {
namespace {

ControlCommand parsed(const char* line) {
    ControlCommand c;
    std::string error;
    EXPECT_EQ(parseCommand(line, c, error), ParseResult::Parsed) << line << ": " << error;
    return c;
}

TEST(ControlCommand, ReadsEveryCommandWithItsArguments) {
    const ControlCommand report = parsed("report 15 8");
    EXPECT_EQ(report.command, Command::Report);
    EXPECT_EQ(report.reg * 100 + report.value, 1508);
    const ControlCommand set = parsed("  set\t0   0 \r");
    EXPECT_EQ(set.command, Command::Set);
    EXPECT_EQ(set.reg + set.value, 0);
    EXPECT_TRUE(parsed("alarm on").on);
    EXPECT_FALSE(parsed("silent off").on);
    EXPECT_EQ(parsed("flood 1000000").count, 1000000);
    EXPECT_EQ(parsed("tune-time 50").count, 50);
    const std::pair<const char*, Command> plain[] = {
        {"ping", Command::Ping},     {"echo on", Command::Echo},  {"parity", Command::Parity},
        {"hangup", Command::Hangup}, {"reopen", Command::Reopen}, {"dump", Command::Dump},
        {"mark", Command::Mark},     {"log", Command::Log},       {"quit", Command::Quit}};
    for (const auto& [line, command] : plain) {
        EXPECT_EQ(parsed(line).command, command) << line;
    }
}

TEST(ControlCommand, MalformedLinesGetAReasonAndBlankLinesNothing) {
    for (const char* line :
         {"PING", "report", "report 16 0", "report 1 16", "report -1 2", "report 1 +2",
          "report 1 2 3", "report 0x1 2", "set 1 2x", "alarm", "alarm yes", "silent 1",
          "flood 1000001", "flood 99999999999999", "tune-time 600001", "quit please", "\x01\xff"}) {
        ControlCommand c;
        c.command = Command::Quit;
        std::string error;
        EXPECT_EQ(parseCommand(line, c, error), ParseResult::Malformed) << line;
        EXPECT_EQ(error.rfind("ERR ", 0), 0u) << line;
        EXPECT_EQ(c.command, Command::Quit) << "a malformed line must leave no command";
    }
    std::string error;
    ControlCommand c;
    parseCommand("flood x", c, error);
    EXPECT_EQ(error, "ERR usage: flood N (0..1000000)");
    parseCommand("bogus\x02 1", c, error);
    EXPECT_EQ(error, "ERR unknown command 'bogus?'");
    for (const char* blank : {"", "   ", "\r", " \t \r"}) {
        EXPECT_EQ(parseCommand(blank, c, error), ParseResult::Blank);
    }
}

TEST(ControlCommand, HelpNamesEveryCommand) {
    for (const char* name : {"ping",
                             "report REG VAL",
                             "set REG VAL",
                             "alarm on|off",
                             "silent on|off",
                             "echo on|off",
                             "parity",
                             "flood N",
                             "flooded",
                             "hangup",
                             "reopen",
                             "dump",
                             "mark",
                             "log",
                             "tune-time MS",
                             "refuse-frequency MHZ|off",
                             "endless-tune on|off",
                             "--refuse-frequency MHZ",
                             "--endless-tune",
                             "quit"}) {
        EXPECT_NE(strstr(USAGE, name), nullptr) << name;
    }
}

TEST(ControlCommand, TheTransmitterFaultsForTraining) {
    const ControlCommand refuse = parsed("refuse-frequency 9,5");
    EXPECT_EQ(refuse.command, Command::RefuseFrequency);
    EXPECT_TRUE(refuse.on);
    EXPECT_EQ(refuse.digits, (std::array<int, 7>{0, 9, 5, 0, 0, 0, 0}));
    EXPECT_EQ(parsed("refuse-frequency 7.123456").digits,
              (std::array<int, 7>{0, 7, 1, 2, 3, 4, 6}));
    EXPECT_FALSE(parsed("refuse-frequency off").on);
    EXPECT_TRUE(parsed("endless-tune on").on);
    EXPECT_FALSE(parsed("endless-tune off").on);
    for (const char* line : {"refuse-frequency", "refuse-frequency 35", "refuse-frequency 0",
                             "refuse-frequency 9.5MHz", "refuse-frequency -9.5",
                             "refuse-frequency 9.5 off", "endless-tune", "endless-tune 1"}) {
        ControlCommand c;
        std::string error;
        EXPECT_EQ(parseCommand(line, c, error), ParseResult::Malformed) << line;
    }
}

TEST(ReceiveLog, ListsBytesSinceTheMarkUpToItsCapacity) {
    ReceiveLog log(1000);
    log.add(0x30, 1005);
    log.mark(2000);
    EXPECT_EQ(log.reply(), "OK 0");
    log.add(0xA1, 2000);
    log.add(0x0F, 2013);
    EXPECT_EQ(log.reply(), "OK 2 0:A1:8:5 13:0F:15:0");
    for (size_t i = 0; i < ReceiveLog::CAPACITY; ++i) {
        log.add(0x45, 2014);
    }
    EXPECT_EQ(log.size(), ReceiveLog::CAPACITY);
    EXPECT_EQ(log.reply().rfind("OK 100000 0:A1:8:5 13:0F:15:0 14:45:10:2 ", 0), 0u);
}

bool parse(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "trxsim");
    return parseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(Options, BothSpellingsOfEveryOptionAndTheRefusals) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_EQ(o.controlPort, -1);
    EXPECT_EQ(o.reportIntervalMs, DEFAULT_REPORT_INTERVAL_MS);
    ASSERT_TRUE(parse({"--link", "/p/com5", "--control-port=0", "--baud", "1200", "--tune-ms=50",
                       "--report-interval-ms", "1000", "--pidfile=/p/pid", "--no-stdin"},
                      o, error))
        << error;
    EXPECT_EQ(o.link + " " + o.pidfile, "/p/com5 /p/pid");
    EXPECT_EQ(o.controlPort, 0);
    EXPECT_EQ(o.baud, 1200);
    EXPECT_EQ(o.tuneMs, 50);
    EXPECT_EQ(o.reportIntervalMs, 1000);
    EXPECT_EQ(o.stdinControl, StdinControl::Off);
    EXPECT_FALSE(o.refusedFrequency.has_value());
    EXPECT_FALSE(o.endlessTune);
    ASSERT_TRUE(parse({"--refuse-frequency", "9.5", "--endless-tune", "--baud=1200"}, o, error));
    EXPECT_EQ(o.refusedFrequency, (FrequencyDigits{0, 9, 5, 0, 0, 0, 0}));
    EXPECT_TRUE(o.endlessTune);

    for (const std::vector<const char*>& bad :
         std::vector<std::vector<const char*>>{{"--report-interval-ms", "1001"},
                                               {"--control-port", "65536"},
                                               {"--baud", "fast"},
                                               {"--tune-ms", "-1"},
                                               {"--link"},
                                               {"--link="},
                                               {"--colour"},
                                               {"com5"},
                                               {"--help=yes"},
                                               {"--refuse-frequency", "30"},
                                               {"--refuse-frequency=nine"},
                                               {"--endless-tune=yes"}}) {
        EXPECT_FALSE(parse(bad, o, error)) << bad[0];
        EXPECT_EQ(o.baud, 1200) << "a refused command line changes nothing";
    }
}

TEST(LinePacer, SpacesBytesTwelveBitsApartAndStartsAfreshAfterAPause) {
    const int64_t ms = 1000000;
    EXPECT_TRUE(LinePacer(0).mayWrite(0));
    LinePacer pacer(1200); // 10 ms a byte
    int64_t t = 5000 * ms;
    ASSERT_TRUE(pacer.mayWrite(t));
    pacer.wrote(t);
    EXPECT_FALSE(pacer.mayWrite(t + 10 * ms - 1));
    EXPECT_TRUE(pacer.mayWrite(t + 10 * ms));
    pacer.wrote(t + 14 * ms); // woken late: the next byte keeps the old schedule
    EXPECT_EQ(pacer.readyNs(), t + 20 * ms);
    t += 100 * ms; // after a pause only one byte time is owed
    pacer.wrote(t);
    EXPECT_EQ(pacer.readyNs(), t + 10 * ms);
}

} // namespace
} // namespace trxsim
