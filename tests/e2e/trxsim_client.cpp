#include "trxsim_client.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>

namespace trx::e2e {

namespace {
constexpr DWORD REPLY_TIMEOUT_MS = 10000;
constexpr int READ_CHUNK = 4096;
} // namespace

TrxsimClient::TrxsimClient() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const char* port = std::getenv("TRXSIM_CONTROL_PORT");
    if (!port) {
        return;
    }
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
        return;
    }
    DWORD timeout = REPLY_TIMEOUT_MS;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
}

TrxsimClient::~TrxsimClient() {
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
    }
    WSACleanup();
}

std::string TrxsimClient::command(const std::string& line) {
    if (socket_ == INVALID_SOCKET) {
        return "";
    }
    const std::string out = line + "\n";
    if (::send(socket_, out.data(), static_cast<int>(out.size()), 0) !=
        static_cast<int>(out.size())) {
        return "";
    }
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        char chunk[READ_CHUNK];
        const int n = ::recv(socket_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return "";
        }
        pending_.append(chunk, static_cast<size_t>(n));
    }
    std::string reply = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (!reply.empty() && reply.back() == '\r') {
        reply.pop_back();
    }
    return reply;
}

std::vector<int> TrxsimClient::registers() {
    std::istringstream reply(command("dump"));
    std::string ok;
    reply >> ok;
    std::vector<int> values;
    int v;
    while (reply >> v) {
        values.push_back(v);
    }
    return values;
}

std::vector<int> TrxsimClient::receivedBytes() {
    std::istringstream reply(command("log"));
    std::string ok;
    int count = 0;
    reply >> ok >> count;
    std::vector<int> bytes;
    std::string item; // ms:HH:reg:value
    while (reply >> item) {
        const size_t first = item.find(':');
        if (first != std::string::npos) {
            bytes.push_back(static_cast<int>(std::strtol(item.c_str() + first + 1, nullptr, 16)));
        }
    }
    return bytes;
}

} // namespace trx::e2e
