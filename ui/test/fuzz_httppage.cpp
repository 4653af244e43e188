// Fuzz target: replies and pages from the network, through the reply parser, the text decoding and
// the HTML text extraction; the same reply read in pieces; also URLs.
#include "ui/httppage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ui::HttpReply reply;
    const bool whole = ui::ParseHttpReply(bytes, reply);
    if (whole)
        (void)ui::HtmlToText(ui::ReplyText(reply));
    // Read in pieces (sizes taken from the input itself), the reply must read as it does whole.
    ui::HttpReplyReader reader;
    for (size_t at = 0; at < size;) {
        const size_t step = 1 + data[at] % 61;
        reader.Feed(bytes.substr(at, step));
        at += step;
    }
    const bool pieces = reader.Finish() == ui::HttpReplyReader::State::Complete;
    if (pieces != whole || (whole && (reader.Reply().body != reply.body || reader.Reply().status != reply.status)))
        __builtin_trap();
    (void)ui::HtmlToText(core::FromUtf8(bytes));
    ui::HttpUrl url;
    (void)ui::ParseHttpUrl(core::FromUtf8(bytes.substr(0, 512)), url);
    return 0;
}
