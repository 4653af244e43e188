// HTTP over a socket: one request on a fresh connection, for the text-only web pane and the
// client's exchanges with its service. The time-out bounds the whole request (connection, request,
// reply and, for a fetch, every redirect), not each read, so that a server that trickles its reply,
// never accepts the connection or redirects slowly cannot hold the caller past it.
#pragma once

#include "core/string.h"
#include "ui/httppage.h"

#include <functional>
#include <string>

namespace ui {

constexpr size_t MaxReplyBytes = 4u << 20;

struct HttpRequest {
    const char* verb = "GET";
    const char* version = "HTTP/1.0";
    HttpUrl url;
    std::string headers;  // further header lines, each ending in CR LF
    std::string body;     // sent with a Content-Length when the verb is not GET
    unsigned timeoutMs = 30000;
    size_t maxReplyBytes = MaxReplyBytes;
    // Called every few milliseconds while the exchange runs, also while data keeps arriving (a GUI
    // thread answers its messages).
    std::function<void()> waiting;
};

// The reply in `reply`, read as it arrives and ended by its length, its last chunk or, for a reply
// that says neither, by the server closing the connection; false with a reason in `error` when the
// host cannot be reached, the connection fails, the time-out passes first, the reply is not HTTP,
// ends short or grows past the limit. Blocks the calling thread.
bool HttpExchange(const HttpRequest& request, HttpReply& reply, core::String& error);

// The exchange with its redirects followed: at most maxRedirects of them, and only to http
// addresses (a loop of redirects, or one to another scheme, is a failed fetch). A 303, or a 301 or
// 302 answering a POST, goes on as a GET without the body. `reply` is the last reply; false when an
// exchange fails or the chain does not end within the request's time-out.
bool HttpFetch(HttpRequest request, int maxRedirects, HttpReply& reply, core::String& error);

// A GET of url (HTTP/1.0, "Connection: close").
bool HttpGet(const HttpUrl& url, unsigned timeoutMs, HttpReply& reply, core::String& error);

} // namespace ui
