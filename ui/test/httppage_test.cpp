// URLs, replies and page text of the text-only web pane.
#include "ui/httppage.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace ui {
namespace {

TEST(HttpPages, UrlsAreSplitIntoHostPortAndPath)
{
    struct Case {
        const char16_t* url;
        bool ok;
        const char* host;
        uint16_t port;
        const char* path;
    };
    for (const Case& c : {
             Case{u"http://127.0.0.1:8001/divezevor2011/news.htm", true, "127.0.0.1", 8001, "/divezevor2011/news.htm"},
             Case{u"HTTP://host", true, "host", 80, "/"},
             Case{u"http://host?a=1#top", true, "host", 80, "/?a=1"},
             Case{u"http://host:8000/zirovadi/useradmin/", true, "host", 8000, "/zirovadi/useradmin/"},
             Case{u"https://host/", false, "", 0, ""},
             Case{u"http://", false, "", 0, ""},
             Case{u"http://:80/", false, "", 0, ""},
             Case{u"http://host:0/", false, "", 0, ""},
             Case{u"http://host:65536/", false, "", 0, ""},
             Case{u"http://host:8x/", false, "", 0, ""},
             Case{u"http://user@host/", false, "", 0, ""},
             Case{u"http://ho st/", false, "", 0, ""},
             Case{u"http://host/a b", false, "", 0, ""},
         }) {
        HttpUrl url;
        ASSERT_EQ(ParseHttpUrl(c.url, url), c.ok) << core::ToUtf8(c.url);
        if (!c.ok)
            continue;
        EXPECT_EQ(url.host, c.host);
        EXPECT_EQ(url.port, c.port);
        EXPECT_EQ(url.path, c.path);
    }
}

struct ReplyCase {
    const char* data;
    bool ok;
    int status;
    const char* body;
};

const ReplyCase kReplies[] = {
    {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", true, 200, "hello"},
    {"HTTP/1.0 404 Not Found\nServer: x\n\nmissing", true, 404, "missing"},
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n1;x=y\r\n!\r\n0\r\n\r\n", true, 200, "hello!"},
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\nabc\n0\n", true, 200, "abc"},
    {"HTTP/1.1 200\r\n\r\n", true, 200, ""},
    {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFF\r\nab", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n", false, 0, ""},  // no last chunk
    {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\rX0\r\n", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nno colon\r\n\r\n", false, 0, ""},
    {"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n", false, 0, ""},
    {"HTTP/2 200 OK\r\n\r\n", false, 0, ""},
    {"HTTP/1.1 abc OK\r\n\r\n", false, 0, ""},
    {"garbage", false, 0, ""},
    {"", false, 0, ""},
};

TEST(HttpPages, RepliesWithLengthChunksOrToTheEnd)
{
    for (const ReplyCase& c : kReplies) {
        HttpReply reply;
        ASSERT_EQ(ParseHttpReply(c.data, reply), c.ok) << c.data;
        if (!c.ok)
            continue;
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.body, c.body);
    }
}

// The reader keeps its place between reads: a reply split anywhere, or fed a byte at a time,
// reads as it does whole.
TEST(HttpPages, AReplyReadInPiecesReadsAsItDoesWhole)
{
    using State = HttpReplyReader::State;
    for (const ReplyCase& c : kReplies) {
        const std::string_view data = c.data;
        std::vector<std::vector<size_t>> splits{std::vector<size_t>(data.size(), 1)};
        for (size_t at = 0; at <= data.size(); ++at)
            splits.push_back({at, data.size() - at});
        for (const std::vector<size_t>& pieces : splits) {
            HttpReplyReader reader;
            size_t from = 0;
            for (size_t piece : pieces) {
                reader.Feed(data.substr(from, piece));
                from += piece;
            }
            ASSERT_EQ(reader.Finish() == State::Complete, c.ok) << c.data << " in " << pieces.size() << " pieces from " << pieces[0];
            if (c.ok) {
                EXPECT_EQ(reader.Reply().status, c.status);
                EXPECT_EQ(reader.Reply().body, c.body);
            }
        }
    }
}

TEST(HttpPages, AReaderSaysWhenAReplyEndsAndWhenItCannotBeOne)
{
    using State = HttpReplyReader::State;
    const struct {
        const char* data;
        State fed;       // after the data
        State finished;  // after the connection's end
    } cases[] = {
        // Complete at their last byte, without waiting for the server to close.
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nab", State::Complete, State::Complete},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", State::Complete, State::Complete},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n", State::Complete, State::Complete},
        // Only the close ends a reply that gives no length.
        {"HTTP/1.1 200 OK\r\n\r\nab", State::Reading, State::Complete},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nab", State::Reading, State::Incomplete},
        {"HTTP/1.1 200 OK\r\n", State::Reading, State::Incomplete},
        {"HTTP/1.", State::Reading, State::Incomplete},
        // Refused as soon as it shows, whatever follows.
        {"garbage", State::Malformed, State::Malformed},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc", State::Malformed, State::Malformed},
    };
    for (const auto& c : cases) {
        HttpReplyReader reader;
        EXPECT_EQ(reader.Feed(c.data), c.fed) << c.data;
        EXPECT_EQ(reader.Finish(), c.finished) << c.data;
    }
}

TEST(HttpPages, RedirectLocationsResolveAgainstTheRequest)
{
    HttpUrl base;
    ASSERT_TRUE(ParseHttpUrl(u"http://127.0.0.1:8000/a/b/netcheck.php?x=1", base));
    const struct {
        const char* location;
        const char* url;
    } cases[] = {
        {"http://127.0.0.2:8000/c", "http://127.0.0.2:8000/c"},
        {"https://127.0.0.1/c", "https://127.0.0.1/c"},
        {"ftp://host/c", "ftp://host/c"},
        {"//127.0.0.3/c", "http://127.0.0.3/c"},
        {"/c/d", "http://127.0.0.1:8000/c/d"},
        {"netcheck.php", "http://127.0.0.1:8000/a/b/netcheck.php"},
        {" e?f=1 ", "http://127.0.0.1:8000/a/b/e?f=1"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLocation(base, c.location), c.url) << c.location;
    HttpReply reply;
    ASSERT_TRUE(ParseHttpReply("HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", reply));
    EXPECT_EQ(reply.status, 302);
    EXPECT_EQ(reply.location, "/x");
    EXPECT_TRUE(reply.framed);
    ASSERT_TRUE(ParseHttpReply("HTTP/1.0 200 OK\r\n\r\nrest", reply));
    EXPECT_FALSE(reply.framed);
}

TEST(HttpPages, BodyTextIsUtf8WhenDeclaredElseCodePage936)
{
    HttpReply reply;
    reply.body = "\xC4\xE3\xBA\xC3"; // 你好 in code page 936
    EXPECT_EQ(ReplyText(reply), u"你好");
    reply.contentType = "text/html; charset=UTF-8";
    reply.body = "\xE4\xBD\xA0\xE5\xA5\xBD";
    EXPECT_EQ(ReplyText(reply), u"你好");
    reply.contentType = "text/html";
    reply.body = "<meta charset=\"utf-8\">\xE4\xBD\xA0";
    EXPECT_EQ(ReplyText(reply), u"<meta charset=\"utf-8\">你");
    reply.body = "\xEF\xBB\xBF\xE5\xA5\xBD";
    EXPECT_EQ(ReplyText(reply), u"好");
}

TEST(HttpPages, HtmlBecomesReadableText)
{
    struct Case {
        const char16_t* html;
        const char16_t* text;
    };
    for (const Case& c : {
             Case{u"<html><head><title>新闻</title><style>p{}</style><script>var a='<p>';</script></head>"
                  u"<body><p>第一条&nbsp;消息</p><p>A &amp; B &lt;C&gt;</p></body></html>",
                  u"新闻\n\n第一条 消息\n\nA & B <C>"},
             Case{u"a<br>b<BR/>c", u"a\nb\nc"},
             Case{u"  many   \r\n blanks  ", u"many blanks"},
             Case{u"&#20320;&#x597D;&#0;&bogus;", u"你好\uFFFD&bogus;"},
             Case{u"<!-- hidden -->shown<!-- open", u"shown"},
             Case{u"text <unfinished", u"text"},
             Case{u"<p></p><p></p><p></p>x", u"x"},
             Case{u"&#x110000;", u"\uFFFD"},
             Case{u"<script>never closed", u""},
         })
        EXPECT_EQ(HtmlToText(c.html), c.text) << core::ToUtf8(c.html);
}

} // namespace
} // namespace ui
