// Dotted IPv4 text.
#include "dialup/ipaddr.h"

namespace dialup {

String IPToStr(uint32_t address)
{
    String out;
    for (int i = 0; i < 4; ++i) {
        if (i)
            out += u'.';
        out += core::UIntToStr((address >> (8 * i)) & 0xFF);
    }
    return out;
}

bool Str2IP(StringView text, uint32_t& address)
{
    address = 0;
    if (text.size() <= 6)
        return false;
    uint32_t parts[4] = {};
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t end = text.size();
        if (i < 3) {
            end = text.find(u'.', start);
            if (end == StringView::npos)
                return false;
        }
        const StringView part = text.substr(start, end - start);
        uint32_t value = 0;
        for (char16_t c : part) {
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + static_cast<uint32_t>(c - u'0');
            if (value >= 256)
                return false;
        }
        parts[i] = value;
        start = end + 1;
    }
    if (parts[0] == 0 && (parts[1] || parts[2] || parts[3]))
        return false;
    address = parts[0] | (parts[1] << 8) | (parts[2] << 16) | (parts[3] << 24);
    return true;
}

uint32_t StrToIP(StringView text)
{
    uint32_t address = 0;
    Str2IP(text, address);
    return address;
}

bool IsIPStr(StringView text)
{
    uint32_t address = 0;
    return Str2IP(text, address);
}

bool IsFmtIPStr(String& text)
{
    uint32_t address = 0;
    if (!Str2IP(text, address))
        return false;
    text = IPToStr(address);
    return true;
}

} // namespace dialup
