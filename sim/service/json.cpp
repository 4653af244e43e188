// JSON string literals for the control port's output.
#include "sim/service/json.h"

#include "core/string.h"

namespace sim::service {

namespace {

void AppendEscaped(std::string& out, char32_t c) {
    static const char hex[] = "0123456789abcdef";
    switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0xFF)) {
        out += "\\u00";
        out += hex[(c >> 4) & 0xF];
        out += hex[c & 0xF];
    } else {
        out += static_cast<char>(c);
    }
}

} // namespace

void AppendJsonText(std::string& out, std::string_view utf8) {
    // A round trip through UTF-16 replaces every malformed sequence.
    std::string clean = core::ToUtf8(core::FromUtf8(utf8));
    out += '"';
    for (char c : clean) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x80) out += c;
        else AppendEscaped(out, b);
    }
    out += '"';
}

void AppendJsonBytes(std::string& out, std::string_view bytes) {
    out += '"';
    for (char c : bytes) AppendEscaped(out, static_cast<unsigned char>(c));
    out += '"';
}

} // namespace sim::service
