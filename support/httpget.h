// HTTP GET of a page as text: a fresh client per request, on Windows a socket of the class library
// for http and the system's own HTTP client for https
// (httpget_win32.cpp) and the substitute service's HTTP library on the host (httpget_host.cpp, plain
// http only). Any failure gives an empty text and never an exception.
#pragma once

#include "core/string.h"

namespace support {

inline constexpr char16_t HttpUserAgent[] = u"iisuser_class";

struct HttpGetOptions {
    // How long the connection, and then the whole reply, may take (for https: each read).
    unsigned ReadTimeoutMs = 30000;
    // Redirects followed before the request counts as failed; from http only to http.
    int MaxRedirects = 5;
};

// The body of a GET of url, decoded in the system ANSI code page. Only "http://" and "https://"
// addresses are fetched. "" when the connection, the request, a read (time-out included) or the
// decoding fails, when the server answers with an error status, when redirects go on past the
// limit, or when the body grows beyond 64 MB.
core::String HttpGetText(const core::String& url, const HttpGetOptions& options = {});

} // namespace support
