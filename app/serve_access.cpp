#include "serve_access.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace {

// "host:port" split at the last colon outside brackets; the brackets of an
// IPv6 literal are dropped.
bool splitHostPort(const std::string& text, std::string& host, std::string& port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos ||
        (text.find(']') != std::string::npos && colon < text.find(']')))
        return false;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return !host.empty();
}

bool isIpLiteral(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

bool isWildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::" || host.empty();
}

std::string cookieValue(const std::string& cookies, const std::string& name) {
    size_t at = 0;
    while (at < cookies.size()) {
        size_t end = cookies.find(';', at);
        if (end == std::string::npos)
            end = cookies.size();
        std::string pair = cookies.substr(at, end - at);
        size_t first = pair.find_first_not_of(' ');
        if (first != std::string::npos && pair.compare(first, name.size() + 1, name + "=") == 0)
            return pair.substr(first + name.size() + 1);
        at = end + 1;
    }
    return {};
}

}  // namespace

std::string randomHex(size_t bytes) {
    std::string raw(bytes, '\0');
    size_t got = 0;
    while (got < bytes) {
        ssize_t n = getrandom(raw.data() + got, bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("the system's random generator failed");
        got += size_t(n);
    }
    std::string hex;
    char digits[3];
    for (unsigned char c : raw) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        hex += digits;
    }
    return hex;
}

bool isLoopback(const std::string& host) {
    if (host == "localhost" || host == "::1")
        return true;
    in_addr v4;
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

ServeAccess::ServeAccess(std::string host, int port, std::string token)
    : host_(std::move(host)), port_(port), token_(std::move(token)) {}

std::string ServeAccess::cookieName() const {
    // Cookies ignore ports: two servers on one machine keep their own.
    return "kivano_token_" + std::to_string(port_);
}

std::string ServeAccess::setCookie() const {
    return cookieName() + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict";
}

bool ServeAccess::matches(const std::string& token) const {
    if (token.size() != token_.size())
        return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < token.size(); ++i)
        differ |= static_cast<unsigned char>(token[i] ^ token_[i]);
    return differ == 0;
}

// A name, rather than an address, is what DNS rebinding needs: only the
// names of this machine itself pass. A server bound to every interface is
// reached by the address of whichever the person uses, so any address
// literal passes there; the token still guards it.
bool ServeAccess::hostAllowed(const std::string& hostHeader) const {
    std::string host, port;
    if (!splitHostPort(hostHeader, host, port) || port != std::to_string(port_))
        return false;
    if (host == "localhost" || host == "127.0.0.1" || host == host_)
        return true;
    return isWildcard(host_) && isIpLiteral(host);
}

std::string ServeAccess::refusal(const std::string& hostHeader, const std::string& origin,
                                 const std::string& cookies, const std::string& headerToken,
                                 const std::string& queryToken, bool api) const {
    if (!hostAllowed(hostHeader))
        return "this server answers only to its own address";
    if (!origin.empty() && origin != "http://" + hostHeader)
        return "requests from other sites are refused";
    if (api && !matches(cookieValue(cookies, cookieName())) && !matches(headerToken) &&
        !matches(queryToken))
        return "open the address kivano serve printed: it carries the key to this server";
    return {};
}
