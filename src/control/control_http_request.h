// The scrape endpoint's side of HTTP: telling a request from a line client by its first
// bytes, reading a request's head without keeping more of it than the answer needs, HTTP
// Basic credentials and the replies. Pure text handling.
#ifndef TRXDESK_CONTROL_HTTP_RULES_H
#define TRXDESK_CONTROL_HTTP_RULES_H

#include <cstddef>
#include <string>
#include <string_view>

namespace trx {

// A request's head (request line and headers) may be this long; a longer one is answered
// 431 without being read further.
constexpr size_t HTTP_HEAD_LIMIT = 16 * 1024;

enum class ConnectionKind {
    Undecided, // the bytes so far could still become either
    Line,
    Http,
};

// What the first bytes of a connection say it is, decided before the first line ends: a
// method token, one blank and a target starting with '/', '*' or "http://" (any case) is
// HTTP whatever the method and however long the line. No command takes such an argument
// except `auth`, whose password may start so: that word is always a line client's.
ConnectionKind connectionKind(std::string_view firstBytes);

// An "Authorization: Basic <base64 of user:password>" header whose password is `password`;
// the user name is not looked at, and the password is compared in constant time.
bool basicPasswordMatches(std::string_view headerLine, std::string_view password);
// The password of such a header into `password`; false for any other line.
bool basicPassword(std::string_view headerLine, std::string& password);

// One request's head, taken in pieces as they come. It keeps the start of the request line
// and the one header it needs; what follows the head (a body) is never read.
class HttpRequestHead {
  public:
    // The next bytes of the connection; those after the head's end are ignored. Returns
    // true once the head is whole or over HTTP_HEAD_LIMIT.
    bool take(std::string_view bytes);
    bool done() const { return done_; }
    bool tooLarge() const { return tooLarge_; }
    // GET, and its target's path (without a query) is /metrics.
    bool isGet() const { return method_ == "GET"; }
    bool isMetricsPath() const { return metricsPath_; }
    // The Authorization header as sent, empty without one.
    const std::string& authorization() const { return authorization_; }

  private:
    void endLine();

    std::string line_; // the current line's first bytes
    size_t headBytes_ = 0;
    bool requestLine_ = true;
    bool sawLongRequestLine_ = false;
    bool done_ = false;
    bool tooLarge_ = false;
    std::string method_;
    bool metricsPath_ = false;
    std::string authorization_;
};

enum class HttpReply {
    Metrics,          // 200 with the body in the Prometheus text format
    NotFound,         // 404: another path
    MethodNotAllowed, // 405: another method than GET
    Unauthorised,     // 401 asking for Basic credentials
    Timeout,          // 408: the request did not come whole in time
    TooLarge,         // 431: a head longer than HTTP_HEAD_LIMIT
    Busy,             // 503: every scrape's place is taken
};

// The whole reply, status line, headers and body, for a connection that then closes.
void appendHttpReply(std::string& out, HttpReply reply, std::string_view body);

} // namespace trx

#endif
