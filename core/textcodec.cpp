// Byte-order-mark detection and the encodings of text files.
#include "core/textcodec.h"

#include "core/codepage.h"

namespace core {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LEBom = "\xFF\xFE";
constexpr std::string_view Utf16BEBom = "\xFE\xFF";

String DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    String out;
    out.reserve(bytes.size() / 2 + 1);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(bigEndian ? Char((a << 8) | b) : Char((b << 8) | a));
    }
    if (i < bytes.size())
        out.push_back(u'\uFFFD');
    return out;
}

void AppendUtf16(std::string& out, StringView text, bool bigEndian)
{
    out.reserve(out.size() + text.size() * 2);
    for (Char c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
}

} // namespace

String DecodeText(std::string_view bytes, TextEncoding* detected)
{
    TextEncoding encoding = TextEncoding::Ansi;
    String text;
    if (bytes.substr(0, 3) == Utf8Bom) {
        encoding = TextEncoding::Utf8;
        text = FromUtf8(bytes.substr(3));
    } else if (bytes.substr(0, 2) == Utf16LEBom) {
        encoding = TextEncoding::Utf16LE;
        text = DecodeUtf16(bytes.substr(2), false);
    } else if (bytes.substr(0, 2) == Utf16BEBom) {
        encoding = TextEncoding::Utf16BE;
        text = DecodeUtf16(bytes.substr(2), true);
    } else {
        text = FromAnsi(bytes);
    }
    if (detected)
        *detected = encoding;
    return text;
}

std::string EncodeText(StringView text, TextEncoding encoding)
{
    std::string out;
    switch (encoding) {
    case TextEncoding::Utf8:
        out.append(Utf8Bom);
        out.append(ToUtf8(text));
        break;
    case TextEncoding::Utf16LE:
        out.append(Utf16LEBom);
        AppendUtf16(out, text, false);
        break;
    case TextEncoding::Utf16BE:
        out.append(Utf16BEBom);
        AppendUtf16(out, text, true);
        break;
    case TextEncoding::Ansi:
    default:
        out = ToAnsi(text);
        break;
    }
    return out;
}

} // namespace core
