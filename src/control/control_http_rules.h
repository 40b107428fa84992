// The scrape endpoint's side of HTTP: telling a request line from a command, the one
// path it serves, HTTP Basic credentials and the replies. Pure text handling.
#ifndef TRXDESK_CONTROL_HTTP_RULES_H
#define TRXDESK_CONTROL_HTTP_RULES_H

#include <string>
#include <string_view>

namespace trx {

// "<METHOD> <target> HTTP/<version>": what no command line looks like.
bool isHttpRequestLine(std::string_view line);
// GET of /metrics (a query after it is allowed).
bool isMetricsRequest(std::string_view requestLine);

// An "Authorization: Basic <base64 of user:password>" header whose password is `password`;
// the user name is not looked at.
bool basicPasswordMatches(std::string_view headerLine, std::string_view password);

enum class HttpReply {
    Metrics,      // 200 with the body in the Prometheus text format
    NotFound,     // 404
    Unauthorised, // 401 asking for Basic credentials
};

// The whole reply, status line, headers and body, for a connection that then closes.
void appendHttpReply(std::string& out, HttpReply reply, std::string_view body);

} // namespace trx

#endif
