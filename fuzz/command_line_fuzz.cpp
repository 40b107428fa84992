// Command lines as start-up hands them to the splitter: a string ending in a NUL, in a
// buffer of exactly that size, so that a read past the end is caught.
#include "app/command_line_rules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace trx;

constexpr char SEPARATORS[] = " ,\t-/";
constexpr int PORT_LIMIT = 256;
// 10^8 is a multiple of 256, so a number's last eight digits fix it modulo 256.
constexpr size_t DIGITS_MODULO_256 = 8;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The text upper-cased, every separator a blank and one blank at each end, so that a token
// is whatever stands between two blanks.
std::string blankSeparated(const char* text) {
    std::string s = " ";
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        s += std::strchr(SEPARATORS, c) != nullptr ? ' '
             : (c >= 'a' && c <= 'z')              ? static_cast<char>(c - 'a' + 'A')
                                                   : c;
    }
    return s + ' ';
}

// The number after the C of the last port token, taken modulo 256.
int expectedPort(const std::string& s, size_t tokenStart) {
    size_t i = tokenStart + 1;
    if (s[i] == '+') {
        ++i;
    }
    size_t end = i;
    while (s[end] >= '0' && s[end] <= '9') {
        ++end;
    }
    const size_t from = end - i > DIGITS_MODULO_256 ? end - DIGITS_MODULO_256 : i;
    return std::atoi(s.substr(from, end - from).c_str()) % PORT_LIMIT;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const CommandLine line = parseCommandLine(text.get());

    check(line.portNumber >= 0 && line.portNumber < PORT_LIMIT, "port outside 0..255");
    check(line.portGiven || line.portNumber == 0, "port number without a port token");

    const std::string s = blankSeparated(text.get());
    check(line.noRegistry == (s.find(" NOREG ") != std::string::npos),
          "NOREG switch and NOREG token disagree");
    const size_t lastPort = s.rfind(" C");
    check(line.portGiven == (lastPort != std::string::npos), "port given without a C token");
    if (line.portGiven) {
        check(line.portNumber == expectedPort(s, lastPort + 1), "port is not the last C number");
    }

    // The same text without its NUL, in libFuzzer's buffer of exactly its size: a read
    // beyond the text is a read beyond the buffer.
    if (std::memchr(data, '\0', size) == nullptr) {
        const CommandLine bare = parseCommandLine({reinterpret_cast<const char*>(data), size});
        check(bare.portGiven == line.portGiven && bare.portNumber == line.portNumber &&
                  bare.noRegistry == line.noRegistry,
              "text read differently without its NUL");
    }
    return 0;
}
