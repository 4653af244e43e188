// Fuzz target: replies and pages from the network, through the reply parser, the text decoding and
// the HTML text extraction; also URLs.
#include "ui/httppage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ui::HttpReply reply;
    if (ui::ParseHttpReply(bytes, reply))
        (void)ui::HtmlToText(ui::ReplyText(reply));
    (void)ui::HtmlToText(core::FromUtf8(bytes));
    ui::HttpUrl url;
    (void)ui::ParseHttpUrl(core::FromUtf8(bytes.substr(0, 512)), url);
    return 0;
}
