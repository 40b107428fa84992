// Talks to trxsim's control port from a Windows test: one command a line, one reply a line.
#ifndef TRXDESK_E2E_TRXSIM_CLIENT_H
#define TRXDESK_E2E_TRXSIM_CLIENT_H

#include <winsock2.h>

#include <string>
#include <vector>

namespace trx::e2e {

class TrxsimClient {
  public:
    TrxsimClient();
    ~TrxsimClient();
    TrxsimClient(const TrxsimClient&) = delete;
    TrxsimClient& operator=(const TrxsimClient&) = delete;

    bool connected() const { return socket_ != INVALID_SOCKET; }
    // The reply line without its end, or "" when the connection failed.
    std::string command(const std::string& line);
    // The sixteen register values of `dump`.
    std::vector<int> registers();
    // Line bytes received since the last `mark`.
    std::vector<int> receivedBytes();

  private:
    SOCKET socket_ = INVALID_SOCKET;
    std::string pending_;
};

} // namespace trx::e2e

#endif
