// URL, reply and HTML text handling of the text-only web pane.
#include "ui/httppage.h"

#include "core/codepage.h"

#include <algorithm>
#include <cctype>

namespace ui {
namespace {

bool IEquals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower((unsigned char)x) == std::tolower((unsigned char)y); });
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = char(std::tolower((unsigned char)c));
    return out;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool ParseDecimal(std::string_view text, uint64_t limit, uint64_t& value)
{
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + uint64_t(c - '0');
    }
    return value <= limit;
}

void AppendUtf16(core::String& out, uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += u'\uFFFD';
    } else if (code >= 0x10000) {
        code -= 0x10000;
        out += core::Char(0xD800 + (code >> 10));
        out += core::Char(0xDC00 + (code & 0x3FF));
    } else {
        out += core::Char(code);
    }
}

bool IsBlank(core::Char c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == 0xA0; }

bool StartsWithNoCase(core::StringView text, size_t at, std::u16string_view word)
{
    if (at + word.size() > text.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        core::Char c = text[at + i];
        if (c >= u'A' && c <= u'Z')
            c = core::Char(c - u'A' + u'a');
        if (c != word[i])
            return false;
    }
    return true;
}

} // namespace

bool ParseHttpUrl(core::StringView url, HttpUrl& out)
{
    std::string text = core::ToUtf8(url);
    if (text.size() < 8 || !IEquals(std::string_view(text).substr(0, 7), "http://"))
        return false;
    std::string_view rest = std::string_view(text).substr(7);
    size_t hash = rest.find('#');
    if (hash != std::string_view::npos)
        rest = rest.substr(0, hash);
    size_t slash = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, slash);
    std::string path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (!path.empty() && path[0] == '?')
        path = "/" + path;
    if (authority.find('@') != std::string_view::npos)
        return false;
    HttpUrl result;
    size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
        uint64_t port = 0;
        if (!ParseDecimal(authority.substr(colon + 1), 65535, port) || port == 0)
            return false;
        result.port = uint16_t(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty())
        return false;
    for (char c : authority)
        if (!(std::isalnum((unsigned char)c) || c == '.' || c == '-' || c == '_'))
            return false;
    for (char c : path)
        if ((unsigned char)c <= ' ' || c == 0x7F)
            return false;
    result.host = std::string(authority);
    result.path = path;
    out = result;
    return true;
}

HttpReplyReader::State HttpReplyReader::Feed(std::string_view data)
{
    while (m_state == State::Reading && !data.empty()) {
        switch (m_step) {
        case Step::StatusLine:
        case Step::Headers:
        case Step::ChunkSize: {
            // A line ends in LF; the CR before it is dropped. One that arrived whole is read where
            // it is; the start of one still arriving is kept until its end comes.
            const size_t end = data.find('\n');
            std::string_view line = data.substr(0, end);
            if (!m_line.empty() || end == std::string_view::npos) {
                m_line.append(line);
                line = m_line;
            }
            const size_t known = std::min<size_t>(line.size(), 7);
            if (m_step == Step::StatusLine && line.substr(0, known) != std::string_view("HTTP/1.", known)) {
                m_state = State::Malformed;
                break;
            }
            if (end == std::string_view::npos)
                return m_state;
            data.remove_prefix(end + 1);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!Line(line))
                m_state = State::Malformed;
            m_line.clear();
            break;
        }
        case Step::LengthBody:
        case Step::ChunkData: {
            const size_t n = size_t(std::min<uint64_t>(m_left, data.size()));
            m_reply.body.append(data.substr(0, n));
            data.remove_prefix(n);
            m_left -= n;
            if (m_left == 0)
                m_step = m_step == Step::LengthBody ? Step::Done : Step::ChunkCr;
            break;
        }
        case Step::OpenBody:
            m_reply.body.append(data);
            return m_state;
        case Step::ChunkCr:
        case Step::ChunkLf: {
            // A chunk's data ends in CR LF (or a bare LF).
            const char c = data.front();
            data.remove_prefix(1);
            if (c == '\n')
                m_step = Step::ChunkSize;
            else if (c == '\r' && m_step == Step::ChunkCr)
                m_step = Step::ChunkLf;
            else
                m_state = State::Malformed;
            break;
        }
        case Step::Done:
            break;
        }
        if (m_step == Step::Done)
            m_state = State::Complete;
    }
    return m_state;
}

HttpReplyReader::State HttpReplyReader::Finish()
{
    if (m_state == State::Reading)
        m_state = m_step == Step::OpenBody ? State::Complete : State::Incomplete;
    return m_state;
}

bool HttpReplyReader::Line(std::string_view line)
{
    switch (m_step) {
    case Step::StatusLine: {
        // "HTTP/1.x NNN reason"
        uint64_t status = 0;
        if (line.size() < 12 || line[8] != ' ' || !ParseDecimal(line.substr(9, 3), 999, status) || status < 100
            || (line.size() > 12 && line[12] != ' '))
            return false;
        m_reply.status = int(status);
        m_step = Step::Headers;
        return true;
    }
    case Step::Headers:
        if (!line.empty())
            return Header(line);
        m_reply.framed = m_chunked || m_haveLength;
        m_step = m_chunked ? Step::ChunkSize : m_haveLength ? (m_left ? Step::LengthBody : Step::Done) : Step::OpenBody;
        return true;
    case Step::ChunkSize:
        return ChunkSizeLine(line);
    default:
        return false;
    }
}

bool HttpReplyReader::Header(std::string_view line)
{
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    const std::string name = Lower(TrimBlanks(line.substr(0, colon)));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (name == "content-type")
        m_reply.contentType = std::string(value);
    else if (name == "location")
        m_reply.location = std::string(value);
    else if (name == "transfer-encoding")
        m_chunked = Lower(value).find("chunked") != std::string::npos;
    else if (name == "content-length") {
        if (!ParseDecimal(value, UINT32_MAX, m_left))
            return false;
        m_haveLength = true;
    }
    return true;
}

bool HttpReplyReader::ChunkSizeLine(std::string_view line)
{
    const std::string_view digits = TrimBlanks(line.substr(0, line.find(';')));
    if (digits.empty() || digits.size() > 8)
        return false;
    uint64_t size = 0;
    for (char c : digits) {
        const int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (v < 0)
            return false;
        size = size * 16 + uint64_t(v);
    }
    // Trailers after the last chunk, if any, are ignored.
    m_left = size;
    m_step = size ? Step::ChunkData : Step::Done;
    return true;
}

bool ParseHttpReply(std::string_view data, HttpReply& out)
{
    HttpReplyReader reader;
    reader.Feed(data);
    if (reader.Finish() != HttpReplyReader::State::Complete)
        return false;
    out = std::move(reader.Reply());
    return true;
}

std::string ResolveLocation(const HttpUrl& base, std::string_view location)
{
    location = TrimBlanks(location);
    if (location.empty())
        return {};
    const std::string origin = "http://" + base.host + (base.port == 80 ? "" : ":" + std::to_string(base.port));
    const size_t colon = location.find(':');
    const size_t slash = location.find('/');
    if (colon != std::string_view::npos && colon > 0 && (slash == std::string_view::npos || colon < slash))
        return std::string(location);  // has a scheme of its own
    if (location.substr(0, 2) == "//")
        return "http:" + std::string(location);
    if (location.front() == '/')
        return origin + std::string(location);
    std::string folder = base.path.substr(0, base.path.find('?'));
    folder.resize(folder.rfind('/') + 1);
    return origin + folder + std::string(location);
}

core::String ReplyText(const HttpReply& reply)
{
    std::string_view body = reply.body;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        return core::FromUtf8(body.substr(3));
    std::string type = Lower(reply.contentType);
    std::string head = Lower(body.substr(0, 2048));
    bool utf8 = type.find("charset=utf-8") != std::string::npos ||
                (type.find("charset=") == std::string::npos &&
                 (head.find("charset=utf-8") != std::string::npos || head.find("charset=\"utf-8\"") != std::string::npos));
    return utf8 ? core::FromUtf8(body) : core::FromAnsi(body, 936);
}

core::String HtmlToText(core::StringView html)
{
    static const std::u16string_view kBlocks[] = {u"p",  u"div", u"br", u"li", u"tr", u"h1", u"h2", u"h3",
                                                  u"h4", u"h5",  u"h6", u"table", u"ul", u"ol", u"title", u"hr"};
    core::String out;
    auto newline = [&] {
        // At most one blank line in a row.
        size_t n = out.size();
        if (n == 0)
            return;
        if (out[n - 1] == u' ')
            out.pop_back();
        if (out.size() >= 2 && out[out.size() - 1] == u'\n' && out[out.size() - 2] == u'\n')
            return;
        out += u'\n';
    };
    size_t i = 0;
    while (i < html.size()) {
        core::Char c = html[i];
        if (c == u'<') {
            if (StartsWithNoCase(html, i, u"<!--")) {
                size_t end = html.find(u"-->", i + 4);
                i = end == core::StringView::npos ? html.size() : end + 3;
                continue;
            }
            size_t end = html.find(u'>', i);
            if (end == core::StringView::npos)
                break; // an unfinished tag ends the text
            core::StringView tag = html.substr(i + 1, end - i - 1);
            bool closing = !tag.empty() && tag[0] == u'/';
            if (closing)
                tag.remove_prefix(1);
            size_t nameEnd = 0;
            while (nameEnd < tag.size() && !IsBlank(tag[nameEnd]) && tag[nameEnd] != u'/')
                ++nameEnd;
            core::String name = core::LowerCase(tag.substr(0, nameEnd));
            i = end + 1;
            if (!closing && (name == u"script" || name == u"style")) {
                // Their content is not text: skip to the closing tag.
                core::String close = u"</" + name;
                size_t stop = i;
                while (stop < html.size() && !StartsWithNoCase(html, stop, close))
                    ++stop;
                size_t after = html.find(u'>', stop);
                i = after == core::StringView::npos ? html.size() : after + 1;
                continue;
            }
            for (std::u16string_view block : kBlocks)
                if (name == block) {
                    newline();
                    break;
                }
            continue;
        }
        if (c == u'&') {
            size_t end = html.find(u';', i);
            if (end != core::StringView::npos && end - i <= 10) {
                core::StringView entity = html.substr(i + 1, end - i - 1);
                uint32_t code = 0;
                bool ok = true;
                if (!entity.empty() && entity[0] == u'#') {
                    bool hex = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X');
                    core::StringView digits = entity.substr(hex ? 2 : 1);
                    ok = !digits.empty();
                    for (core::Char d : digits) {
                        int v = (d >= u'0' && d <= u'9') ? d - u'0'
                              : (hex && d >= u'a' && d <= u'f') ? d - u'a' + 10
                              : (hex && d >= u'A' && d <= u'F') ? d - u'A' + 10 : -1;
                        if (v < 0 || code > 0x10FFFF) {
                            ok = false;
                            break;
                        }
                        code = code * (hex ? 16 : 10) + uint32_t(v);
                    }
                } else if (entity == u"amp") code = u'&';
                else if (entity == u"lt") code = u'<';
                else if (entity == u"gt") code = u'>';
                else if (entity == u"quot") code = u'"';
                else if (entity == u"apos") code = u'\'';
                else if (entity == u"nbsp") code = u' ';
                else if (entity == u"copy") code = 0xA9;
                else ok = false;
                if (ok) {
                    AppendUtf16(out, code);
                    i = end + 1;
                    continue;
                }
            }
            out += c;
            ++i;
            continue;
        }
        if (IsBlank(c)) {
            if (!out.empty() && out.back() != u' ' && out.back() != u'\n')
                out += u' ';
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
    // Trim blanks and line breaks at both ends.
    size_t first = 0;
    while (first < out.size() && (out[first] == u' ' || out[first] == u'\n'))
        ++first;
    size_t last = out.size();
    while (last > first && (out[last - 1] == u' ' || out[last - 1] == u'\n'))
        --last;
    return out.substr(first, last - first);
}

} // namespace ui
