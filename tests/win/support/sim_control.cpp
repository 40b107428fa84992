#include "sim_control.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>

namespace trxtest {

namespace {

constexpr DWORD REPLY_TIMEOUT_MS = 5000;
constexpr DWORD LOG_POLL_MS = 10;
constexpr int RECEIVE_CHUNK = 4096;
constexpr int HEX_BASE = 16;

bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

} // namespace

int environmentNumber(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? 0 : std::atoi(value);
}

int benchTrials(int full, int smoke) {
    return environmentNumber("TRX_BENCH_SMOKE") > 0 ? smoke : full;
}

SimControl::~SimControl() {
    if (socket_ != INVALID_SOCKET) {
        closesocket(static_cast<SOCKET>(socket_));
        socket_ = INVALID_SOCKET;
    }
}

bool SimControl::connect(int port) {
    if (!startWinsock() || port <= 0) {
        return false;
    }
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const DWORD timeout = REPLY_TIMEOUT_MS;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return false;
    }
    socket_ = s;
    return true;
}

std::string SimControl::command(const std::string& line) {
    if (socket_ == INVALID_SOCKET) {
        return {};
    }
    const std::string out = line + "\n";
    if (send(static_cast<SOCKET>(socket_), out.data(), static_cast<int>(out.size()), 0) !=
        static_cast<int>(out.size())) {
        return {};
    }
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        char chunk[RECEIVE_CHUNK];
        const int got = recv(static_cast<SOCKET>(socket_), chunk, sizeof chunk, 0);
        if (got <= 0) {
            return {};
        }
        pending_.append(chunk, static_cast<size_t>(got));
    }
    std::string reply = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (!reply.empty() && reply.back() == '\r') {
        reply.pop_back();
    }
    return reply;
}

bool SimControl::ok(const std::string& line) {
    return command(line).rfind("OK", 0) == 0;
}

bool SimControl::loggedBytes(std::vector<uint8_t>& bytes) {
    // "OK <count> <ms>:<HH>:<reg>:<val> ..."
    std::istringstream reply(command("log"));
    std::string status;
    size_t count = 0;
    if (!(reply >> status >> count) || status != "OK") {
        return false;
    }
    bytes.clear();
    std::string entry;
    while (reply >> entry) {
        const size_t first = entry.find(':');
        if (first == std::string::npos) {
            return false;
        }
        bytes.push_back(
            static_cast<uint8_t>(std::strtoul(entry.c_str() + first + 1, nullptr, HEX_BASE)));
    }
    return bytes.size() == count;
}

bool SimControl::waitForLogged(size_t count, std::vector<uint8_t>& bytes, unsigned timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (!loggedBytes(bytes)) {
            return false;
        }
        if (bytes.size() >= count || GetTickCount64() >= deadline) {
            return bytes.size() >= count;
        }
        Sleep(LOG_POLL_MS);
    }
}

} // namespace trxtest
