// IP status texts of ICMP echo and the echo request data.
#include "support/icmperror.h"

#include <algorithm>

namespace support {

core::String IcmpErrorString(int64_t code)
{
    switch (code) {
    case 0: return u"No error";
    case 11001: return u"Buffer too small";
    case 11002: return u"Destination network unreachable";
    case 11003: return u"Destination host unreachable";
    case 11004: return u"Destination protocol unreachable";
    case 11005: return u"Destination port unreachable";
    case 11006: return u"No resources";
    case 11007: return u"Bad option";
    case 11008: return u"Hardware error";
    case 11009: return u"Packet too big";
    case 11010: return u"Request timed out";
    case 11011: return u"Bad request";
    case 11012: return u"Bad route";
    case 11013: return u"TTL expired in transit";
    case 11014: return u"TTL expired in reassembly";
    case 11015: return u"Parameter problem";
    case 11016: return u"Source quench";
    case 11017: return u"Option too big";
    case 11018: return u"Bad Destination";
    case 11019: return u"Address deleted";
    case 11020: return u"Spec MTU change";
    case 11021: return u"MTU change";
    case 11050: return u"General failure";
    case 11255: return u"Pending";
    default: return u"ICMP error #" + core::IntToStr(code);
    }
}

std::string IcmpEchoData(int size)
{
    if (size <= 0)
        return {};
    std::string data(size_t(size), ' ');
    const size_t count = std::min<size_t>(size_t(size), 45);
    for (size_t i = 0; i < count; ++i) {
        const char16_t unit = kIcmpIdentification[i / 2];
        data[i] = char((i % 2 == 0) ? (unit & 0xFF) : (unit >> 8));
    }
    return data;
}

} // namespace support
