// The HTTP transport of every exchange with the service: a page fetch (GET) and a form post. A
// fresh client per request; tests install their own transport or run against the substitute service.
#pragma once

#include "core/string.h"

#include <string>

namespace client {

inline constexpr unsigned kPostReadTimeoutMs = 2000;
inline constexpr unsigned kFetchReadTimeoutMs = 30000;

struct HttpReply {
    bool ok = false;      // connected, answered with a success status and read to the end
    core::String text;    // the body, decoded in the system ANSI code page
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // GET with redirects followed, user agent "iisuser_class".
    virtual HttpReply Get(const core::String& url, unsigned readTimeoutMs) = 0;
    // POST of an already encoded form body, "application/x-www-form-urlencoded".
    virtual HttpReply Post(const core::String& url, const std::string& body, unsigned readTimeoutMs) = 0;
};

// The system's transport (the platform's HTTP client on Windows, the HTTP library on the host).
HttpTransport& SystemTransport();

} // namespace client
