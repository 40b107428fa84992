#include "control_http_rules.h"

#include <cstdint>

namespace trx {

namespace {

constexpr std::string_view METRICS_PATH = "/metrics";
constexpr std::string_view HTTP_VERSION_PREFIX = "HTTP/";
constexpr std::string_view AUTHORIZATION = "authorization:";
constexpr std::string_view BASIC = "basic ";
constexpr std::string_view METRICS_CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view PLAIN_CONTENT_TYPE = "text/plain; charset=utf-8";
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

bool isHttpRequestLine(std::string_view line) {
    const size_t firstBlank = line.find(' ');
    if (firstBlank == 0 || firstBlank == std::string_view::npos) {
        return false;
    }
    for (size_t i = 0; i < firstBlank; ++i) {
        if (line[i] < 'A' || line[i] > 'Z') {
            return false;
        }
    }
    const size_t lastBlank = line.rfind(' ');
    return lastBlank > firstBlank + 1 &&
           line.substr(lastBlank + 1).substr(0, HTTP_VERSION_PREFIX.size()) == HTTP_VERSION_PREFIX;
}

bool isMetricsRequest(std::string_view requestLine) {
    if (!isHttpRequestLine(requestLine) || requestLine.substr(0, 4) != "GET ") {
        return false;
    }
    const std::string_view target =
        requestLine.substr(4, requestLine.rfind(' ') - 4); // between the blanks
    const std::string_view path = target.substr(0, target.find('?'));
    return path == METRICS_PATH;
}

bool basicPasswordMatches(std::string_view headerLine, std::string_view password) {
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
    return colon != std::string::npos &&
           std::string_view(credentials).substr(colon + 1) == password;
}

void appendHttpReply(std::string& out, HttpReply reply, std::string_view body) {
    std::string_view status = "200 OK";
    std::string_view type = METRICS_CONTENT_TYPE;
    if (reply == HttpReply::NotFound) {
        status = "404 Not Found";
        type = PLAIN_CONTENT_TYPE;
        body = "not found\n";
    } else if (reply == HttpReply::Unauthorised) {
        status = "401 Unauthorized";
        type = PLAIN_CONTENT_TYPE;
        body = "not authorised\n";
    }
    out.append("HTTP/1.0 ").append(status).append("\r\n");
    out.append("Content-Type: ").append(type).append("\r\n");
    out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
    if (reply == HttpReply::Unauthorised) {
        out.append("WWW-Authenticate: Basic realm=\"TRXDESK\"\r\n");
    }
    out.append("Connection: close\r\n\r\n").append(body);
}

} // namespace trx
