// HTTP GET on the host build, over the single-header HTTP library that the substitute service uses,
// so that host tests of callers can fetch from a loopback server. Only "http://" is fetched here
// (the host build has no TLS); redirects and the body limit follow the Windows implementation.
#include "support/httpget.h"

#include "core/codepage.h"

#include <httplib.h>

#include <cctype>
#include <string>

namespace support {

using core::String;

namespace {

constexpr size_t MaxBodyBytes = 64u << 20;

struct Target {
    std::string origin;  // "http://host:port"
    std::string path;    // "/..." with its query
};

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

bool Parse(const std::string& url, Target& target)
{
    if (!StartsWithNoCase(url, "http://"))
        return false;
    const size_t slash = url.find_first_of("/?#", 7);
    const std::string host = url.substr(7, slash == std::string::npos ? std::string::npos : slash - 7);
    if (host.empty() || host.find_first_of(" \t\r\n@") != std::string::npos)
        return false;
    target.origin = "http://" + host;
    target.path = slash == std::string::npos ? "/" : url.substr(slash);
    if (const size_t hash = target.path.find('#'); hash != std::string::npos)
        target.path.resize(hash);
    if (target.path.empty() || target.path.front() != '/')
        target.path.insert(0, "/");
    return true;
}

// The address a Location header names, seen from the current target.
std::string Resolve(const Target& current, const std::string& location)
{
    if (location.find("://") != std::string::npos)
        return location;
    if (location.rfind("//", 0) == 0)
        return "http:" + location;
    if (location.rfind("/", 0) == 0)
        return current.origin + location;
    const std::string path = current.path.substr(0, current.path.find('?'));
    return current.origin + path.substr(0, path.rfind('/') + 1) + location;
}

String Get(const String& url, const HttpGetOptions& options)
{
    Target target;
    if (!Parse(core::ToUtf8(url), target))
        return String();
    for (int hop = 0; hop <= options.MaxRedirects; ++hop) {
        // A fresh client per request: nothing of one request is kept for the next.
        httplib::Client client(target.origin);
        client.set_read_timeout(time_t(options.ReadTimeoutMs / 1000), time_t(options.ReadTimeoutMs % 1000) * 1000);
        client.set_follow_location(false);
        client.set_default_headers({{"User-Agent", core::ToUtf8(HttpUserAgent)}});
        std::string body;
        const httplib::Result result = client.Get(target.path.c_str(), [&](const char* data, size_t length) {
            if (body.size() + length > MaxBodyBytes)
                return false;
            body.append(data, length);
            return true;
        });
        if (!result)
            return String();
        const int status = result->status;
        if (status >= 200 && status < 300)
            return core::FromAnsi(body);
        const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        const std::string location = result->get_header_value("Location");
        if (!redirect || location.empty() || !Parse(Resolve(target, location), target))
            return String();
    }
    return String();
}

} // namespace

String HttpGetText(const String& url, const HttpGetOptions& options)
{
    try {
        return Get(url, options);
    } catch (...) {
        return String();
    }
}

} // namespace support
