// The host build's transport: the single-header HTTP library, plain http only.
#include "client/httptransport.h"

#include "core/codepage.h"

#include <httplib.h>

namespace client {

using core::String;

namespace {

struct Target {
    std::string host;
    int port = 80;
    std::string path = "/";
};

bool Split(const String& url, Target& out)
{
    const std::string text = core::ToUtf8(url);
    const std::string scheme = "http://";
    if (text.compare(0, scheme.size(), scheme) != 0)
        return false;
    const std::string rest = text.substr(scheme.size());
    const size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    out.path = slash == std::string::npos ? "/" : rest.substr(slash);
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos) {
        try {
            out.port = std::stoi(authority.substr(colon + 1));
        } catch (...) {
            return false;
        }
        authority.resize(colon);
    }
    out.host = authority;
    return !out.host.empty();
}

HttpReply Finish(const httplib::Result& result)
{
    HttpReply reply;
    if (result && result->status >= 200 && result->status < 300) {
        reply.ok = true;
        reply.text = core::FromAnsi(result->body);
    }
    return reply;
}

httplib::Client MakeClient(const Target& target, unsigned readMs)
{
    httplib::Client client(target.host, target.port);
    client.set_read_timeout(readMs / 1000, (readMs % 1000) * 1000);
    client.set_connection_timeout(5, 0);
    client.set_follow_location(true);
    return client;
}

class HostTransport final : public HttpTransport {
public:
    HttpReply Get(const String& url, unsigned readTimeoutMs) override
    {
        Target target;
        if (!Split(url, target))
            return {};
        auto client = MakeClient(target, readTimeoutMs);
        return Finish(client.Get(target.path, httplib::Headers{{"User-Agent", "iisuser_class"}}));
    }
    HttpReply Post(const String& url, const std::string& body, unsigned readTimeoutMs) override
    {
        Target target;
        if (!Split(url, target))
            return {};
        auto client = MakeClient(target, readTimeoutMs);
        return Finish(client.Post(target.path, body, "application/x-www-form-urlencoded"));
    }
};

} // namespace

HttpTransport& SystemTransport()
{
    static HostTransport transport;
    return transport;
}

} // namespace client
