#include "control/control_http_request.h"

#include "control/control_passwords.h"

#include <algorithm>
#include <cstdint>

namespace trx {

namespace {

constexpr std::string_view METRICS_PATH = "/metrics";
constexpr std::string_view HTTP_VERSION_PREFIX = " HTTP/";
constexpr std::string_view AUTHORIZATION = "authorization:";
constexpr std::string_view BASIC = "basic ";
constexpr std::string_view AUTH_WORD = "auth";
constexpr std::string_view ABSOLUTE_TARGETS[] = {"http://", "https://"};
constexpr std::string_view METRICS_CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view PLAIN_CONTENT_TYPE = "text/plain; charset=utf-8";
// Longer than any method in use ("UPDATEREDIRECTREF" has 17 letters).
constexpr size_t METHOD_LIMIT = 24;
// Of each line of a head only this much is kept: enough for the request line's method and
// path and for Basic credentials; the rest of a longer line is counted, not kept.
constexpr size_t HTTP_LINE_KEEP = 1024;
constexpr int BASE64_BITS = 6;
constexpr int BYTE_BITS = 8;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithWord(std::string_view text, std::string_view lowerWord) {
    if (text.size() < lowerWord.size()) {
        return false;
    }
    for (size_t i = 0; i < lowerWord.size(); ++i) {
        if (lower(text[i]) != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

// A character of an HTTP token (a method).
bool isTokenChar(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// `text` in any case is the beginning of `lowerWord`.
bool beginsWord(std::string_view text, std::string_view lowerWord) {
    return text.size() <= lowerWord.size() &&
           startsWithWord(text, lowerWord.substr(0, text.size()));
}

// Whether `target` (what follows the method's blank) starts as a request target does;
// Undecided while it is a beginning of "http://" or "https://".
ConnectionKind targetKind(std::string_view target) {
    if (target.empty()) {
        return ConnectionKind::Undecided;
    }
    if (target[0] == '/' || target[0] == '*') {
        return ConnectionKind::Http;
    }
    bool couldBecome = false;
    for (const std::string_view absolute : ABSOLUTE_TARGETS) {
        if (startsWithWord(target, absolute)) {
            return ConnectionKind::Http;
        }
        couldBecome = couldBecome || beginsWord(target, absolute);
    }
    return couldBecome ? ConnectionKind::Undecided : ConnectionKind::Line;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    return c == '/' ? 63 : -1;
}

// False on a character outside the alphabet; padding ends the text.
bool decodeBase64(std::string_view text, std::string& decoded) {
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const int value = base64Value(c);
        if (value < 0) {
            return false;
        }
        bits = (bits << BASE64_BITS | static_cast<uint32_t>(value)) & 0xFFFFFF;
        count += BASE64_BITS;
        if (count >= BYTE_BITS) {
            count -= BYTE_BITS;
            decoded.push_back(static_cast<char>(bits >> count & 0xFF));
        }
    }
    return true;
}

std::string_view trimBlanks(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

} // namespace

ConnectionKind connectionKind(std::string_view firstBytes) {
    size_t method = 0;
    while (method < firstBytes.size() && method < METHOD_LIMIT && isTokenChar(firstBytes[method])) {
        ++method;
    }
    if (method == firstBytes.size()) {
        return method < METHOD_LIMIT ? ConnectionKind::Undecided : ConnectionKind::Line;
    }
    const std::string_view token = firstBytes.substr(0, method);
    if (method == 0 || firstBytes[method] != ' ' ||
        (token.size() == AUTH_WORD.size() && startsWithWord(token, AUTH_WORD))) {
        return ConnectionKind::Line;
    }
    return targetKind(firstBytes.substr(method + 1));
}

bool basicPasswordMatches(std::string_view headerLine, std::string_view password) {
    std::string sent;
    return basicPassword(headerLine, sent) && passwordMatches(sent, password);
}

bool basicPassword(std::string_view headerLine, std::string& password) {
    if (!startsWithWord(headerLine, AUTHORIZATION)) {
        return false;
    }
    const std::string_view value = trimBlanks(headerLine.substr(AUTHORIZATION.size()));
    if (!startsWithWord(value, BASIC)) {
        return false;
    }
    std::string credentials;
    if (!decodeBase64(trimBlanks(value.substr(BASIC.size())), credentials)) {
        return false;
    }
    const size_t colon = credentials.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    password = credentials.substr(colon + 1);
    return true;
}

bool HttpRequestHead::take(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size() && !done_; ++i) {
        if (++headBytes_ > HTTP_HEAD_LIMIT) {
            tooLarge_ = true;
            done_ = true;
        } else if (bytes[i] == '\n') {
            endLine();
        } else if (line_.size() < HTTP_LINE_KEEP) {
            line_.push_back(bytes[i]);
        } else if (requestLine_) {
            // A request line this long has no short version word at its end to wait for.
            sawLongRequestLine_ = true;
        }
    }
    return done_;
}

// The request line tells the method and the path; of the headers only the credentials
// count; an empty line ends the head. A request line without a version (HTTP/0.9) has no
// headers after it.
void HttpRequestHead::endLine() {
    std::string_view line = line_;
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (requestLine_) {
        requestLine_ = false;
        const size_t blank = line.find(' ');
        method_ = line.substr(0, blank == std::string_view::npos ? line.size() : blank);
        std::string_view target =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        const size_t version = target.rfind(HTTP_VERSION_PREFIX);
        const bool versioned = version != std::string_view::npos || sawLongRequestLine_;
        target = target.substr(0, std::min(target.find(' '), target.find('?')));
        metricsPath_ = target == METRICS_PATH;
        done_ = !versioned;
    } else if (line.empty()) {
        done_ = true;
    } else if (startsWithWord(line, AUTHORIZATION)) {
        authorization_ = line;
    }
    line_.clear();
}

void appendHttpReply(std::string& out, HttpReply reply, std::string_view body) {
    std::string_view status = "200 OK";
    std::string_view type = METRICS_CONTENT_TYPE;
    switch (reply) {
    case HttpReply::Metrics:
        break;
    case HttpReply::NotFound:
        status = "404 Not Found";
        body = "not found\n";
        break;
    case HttpReply::MethodNotAllowed:
        status = "405 Method Not Allowed";
        body = "only GET /metrics\n";
        break;
    case HttpReply::Unauthorised:
        status = "401 Unauthorized";
        body = "not authorised\n";
        break;
    case HttpReply::Timeout:
        status = "408 Request Timeout";
        body = "request not complete in time\n";
        break;
    case HttpReply::TooLarge:
        status = "431 Request Header Fields Too Large";
        body = "request too large\n";
        break;
    case HttpReply::Busy:
        status = "503 Service Unavailable";
        body = "too many scrapes\n";
        break;
    }
    if (reply != HttpReply::Metrics) {
        type = PLAIN_CONTENT_TYPE;
    }
    out.append("HTTP/1.0 ").append(status).append("\r\n");
    out.append("Content-Type: ").append(type).append("\r\n");
    out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
    if (reply == HttpReply::Unauthorised) {
        out.append("WWW-Authenticate: Basic realm=\"TRXDESK\"\r\n");
    } else if (reply == HttpReply::MethodNotAllowed) {
        out.append("Allow: GET\r\n");
    } else if (reply == HttpReply::Busy) {
        out.append("Retry-After: 1\r\n");
    }
    out.append("Connection: close\r\n\r\n").append(body);
}

} // namespace trx
