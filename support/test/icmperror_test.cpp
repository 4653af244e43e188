// Tests of the IP status texts and the echo request data.
#include "support/icmperror.h"

#include <gtest/gtest.h>

using namespace support;

TEST(IcmpErrorString, KnownCodesAndOthers)
{
    struct Case {
        int64_t code;
        const char16_t* text;
    } cases[] = {
        {0, u"No error"}, {11001, u"Buffer too small"}, {11010, u"Request timed out"},
        {11013, u"TTL expired in transit"}, {11018, u"Bad Destination"}, {11050, u"General failure"},
        {11255, u"Pending"}, {11022, u"ICMP error #11022"}, {-1, u"ICMP error #-1"}, {10060, u"ICMP error #10060"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IcmpErrorString(c.code), c.text) << c.code;
}

TEST(IcmpEchoData, IdentificationThenBlanks)
{
    EXPECT_TRUE(IcmpEchoData(0).empty());
    EXPECT_TRUE(IcmpEchoData(-5).empty());
    const std::string full = IcmpEchoData(56);
    ASSERT_EQ(full.size(), 56u);
    // UTF-16 little endian: the letters of the text with zero high bytes between them.
    EXPECT_EQ(full[0], char(kIcmpIdentification[0]));
    EXPECT_EQ(full[1], '\0');
    EXPECT_EQ(full[2], char(kIcmpIdentification[1]));
    EXPECT_EQ(full[44], char(kIcmpIdentification[22]));
    EXPECT_EQ(full.substr(45), std::string(11, ' '));
    EXPECT_EQ(IcmpEchoData(10), full.substr(0, 10));
}
