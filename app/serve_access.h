#pragma once
// Who may use "kivano serve": the person who started it, through the address
// it printed. A page of any other site the same browser visits must neither
// drive the server (it would start jobs, read their results, and through a
// model's references read the person's files) nor reach it by a name that
// resolves to this machine only for a while (DNS rebinding).
#include <string>

// `bytes` random bytes from the operating system's generator, as hex.
std::string randomHex(size_t bytes);

// A host literal that only this machine reaches: 127.0.0.0/8, ::1, localhost.
bool isLoopback(const std::string& host);

class ServeAccess {
public:
    // `host` as the server was bound, `port` as it listens.
    ServeAccess(std::string host, int port, std::string token);

    const std::string& token() const { return token_; }
    // The cookie that lets the page's own requests carry the token.
    std::string cookieName() const;
    std::string setCookie() const;

    // The refusal for a request, or empty when it may go on: its Host must
    // name this server, its Origin (if any) be this server's, and API calls
    // must carry the token (cookie, "X-Kivano-Token" header or "token"
    // parameter).
    std::string refusal(const std::string& hostHeader, const std::string& origin,
                        const std::string& cookies, const std::string& headerToken,
                        const std::string& queryToken, bool api) const;

    // Whether `token` is this server's, compared in constant time.
    bool matches(const std::string& token) const;

private:
    bool hostAllowed(const std::string& hostHeader) const;

    std::string host_;
    int port_;
    std::string token_;
};
