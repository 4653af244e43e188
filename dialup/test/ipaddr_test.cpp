// Dotted IPv4 text.
#include "dialup/ipaddr.h"

#include <gtest/gtest.h>

namespace dialup {
namespace {

TEST(IPText, ParsesAndRejects)
{
    struct Case { const char16_t* text; bool ok; uint32_t address; };
    const Case cases[] = {
        {u"10.0.0.1", true, 0x0100000A}, {u"0.0.0.0", true, 0}, {u"255.255.255.255", true, 0xFFFFFFFF},
        {u"1..2.34", true, 0x22020001},   {u"10.0.1", false, 0}, {u"10.0.0.256", false, 0},
        {u"0.1.2.3", false, 0},          {u"1.2.3", false, 0},  {u"a.b.c.d.e", false, 0},
        {u"1.2.3.4.5", false, 0},        {u"10.0.0.-1", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t address = 99;
        EXPECT_EQ(Str2IP(c.text, address), c.ok) << core::ToUtf8(c.text);
        EXPECT_EQ(address, c.address) << core::ToUtf8(c.text);
        EXPECT_EQ(IsIPStr(c.text), c.ok);
    }
}

TEST(IPText, FormatsInMemoryOrder)
{
    EXPECT_EQ(IPToStr(0x0100000A), u"10.0.0.1");
    String text = u"010.000.000.001";
    EXPECT_TRUE(IsFmtIPStr(text));
    EXPECT_EQ(text, u"10.0.0.1");
    String bad = u"1.2.3";
    EXPECT_FALSE(IsFmtIPStr(bad));
    EXPECT_EQ(bad, u"1.2.3");
    EXPECT_EQ(StrToIP(u"x"), 0u);
}

} // namespace
} // namespace dialup
