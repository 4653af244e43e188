// JSON lines of the simulated remote-access library's call log.
#include "sim/rasapi32/jsonlog.h"

namespace sim::rasapi32 {

std::string JsonQuote(core::StringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string utf8 = core::ToUtf8(text);
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
    return out;
}

void JsonLine::Key(std::string_view key)
{
    if (!m_body.empty())
        m_body += ',';
    m_body += JsonQuote(core::FromUtf8(key));
    m_body += ':';
}

JsonLine& JsonLine::Text(std::string_view key, core::StringView value)
{
    Key(key);
    m_body += JsonQuote(value);
    return *this;
}

JsonLine& JsonLine::Number(std::string_view key, int64_t value)
{
    Key(key);
    m_body += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Bool(std::string_view key, bool value)
{
    Key(key);
    m_body += value ? "true" : "false";
    return *this;
}

} // namespace sim::rasapi32
