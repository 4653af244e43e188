// What the text-only web pane needs to show a page: the parts of an http:// URL, the reply of an
// HTTP/1.x server, the reply body as text, and the readable text of an HTML document.
//
// A reply is a status line ("HTTP/1.1 200 OK"), header lines ending in CR LF (a bare LF is
// accepted), an empty line and the body. The body runs to the end of the data, or is cut to
// Content-Length, or is a sequence of chunks (hex size line, data, CR LF, ending with size 0)
// when Transfer-Encoding is chunked. Anything else is refused.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

struct HttpUrl {
    std::string host;
    uint16_t port = 80;
    std::string path = "/"; // with the query, without the fragment
};

// Only "http://" URLs with a host; false for anything else (no exception).
bool ParseHttpUrl(core::StringView url, HttpUrl& out);

struct HttpReply {
    int status = 0;
    std::string contentType;
    std::string location;  // the Location header of a redirect
    std::string body;
    bool framed = false;   // the reply says where it ends (Content-Length or chunks)
};

// Reads a reply as its bytes arrive: the status line and headers are parsed once, then the body is
// appended piece by piece, a chunked one decoded as its chunks come in, so that a reply costs time
// in proportion to its size however it is framed and however the connection splits it.
class HttpReplyReader {
public:
    enum class State { Reading, Complete, Malformed, Incomplete };

    // Takes the next bytes of the connection. A reply is complete at its length or its last
    // (zero-size) chunk; bytes after that are ignored.
    State Feed(std::string_view data);
    // The connection ended: a reply without a length or chunks is complete now; one still waiting
    // for its length, its last chunk or the end of its headers is incomplete.
    State Finish();

    State Status() const { return m_state; }
    const HttpReply& Reply() const { return m_reply; }
    HttpReply& Reply() { return m_reply; }

private:
    enum class Step { StatusLine, Headers, LengthBody, OpenBody, ChunkSize, ChunkData, ChunkCr, ChunkLf, Done };
    bool Line(std::string_view line);
    bool Header(std::string_view line);
    bool ChunkSizeLine(std::string_view line);

    State m_state = State::Reading;
    Step m_step = Step::StatusLine;
    std::string m_line;      // the part of a line that has arrived
    uint64_t m_left = 0;     // bytes of the body or of the current chunk still to come
    bool m_chunked = false;
    bool m_haveLength = false;
    HttpReply m_reply;
};

// False for data that is not a complete, well-formed reply: a body shorter than its Content-Length
// or chunks without the last (zero-size) one are incomplete. A reply without either runs to the end
// of the data, so only the end of the connection completes it.
bool ParseHttpReply(std::string_view data, HttpReply& out);

// The address a redirect's Location names, taken relative to `base` (absolute "scheme://...",
// host-relative "/path" or relative to the base's folder). Empty when it is empty.
std::string ResolveLocation(const HttpUrl& base, std::string_view location);

// The body as text: UTF-8 when the content type or an HTML meta tag says so (or a UTF-8 byte order
// mark starts it), else the system's ANSI code page 936 as the service writes its pages.
core::String ReplyText(const HttpReply& reply);

// The text a reader sees: tags removed, script and style content dropped, line breaks for block
// elements and <br>, the common entities and numeric character references decoded, runs of blanks
// collapsed and blank lines limited to one.
core::String HtmlToText(core::StringView html);

} // namespace ui
