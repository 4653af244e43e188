// The node list: value fields by position, the L2TP flag, reserved sections, duplicate sections,
// rows and the document loaded from the service's text.
#include "client/nodelist.h"

#include <gtest/gtest.h>

namespace client {
namespace {

using core::String;

TEST(NodeValue, FieldsKeepTheirPlaces)
{
    const struct {
        const char16_t* value;
        const char16_t* ip;
        const char16_t* rate;
        bool l2tp;
    } cases[] = {
        {u"1.2.3.4,98%,1", u"1.2.3.4", u"98%", true},
        {u"5.6.7.8,95%,0", u"5.6.7.8", u"95%", false},
        {u"1.2.3.4,,1", u"1.2.3.4", u"", true},
        {u",1.2.3.4,98%,1", u"", u"1.2.3.4", false},
        {u"1.2.3.4,99%", u"1.2.3.4", u"99%", false},
        {u"1.2.3.4", u"1.2.3.4", u"", false},
        {u"1.2.3.4,99%,yes", u"1.2.3.4", u"99%", false},
        {u"1.2.3.4,99%, 1", u"1.2.3.4", u"99%", false},
        {u"1.2.3.4,99%,+1", u"1.2.3.4", u"99%", true},
        {u"1.2.3.4,99%,01", u"1.2.3.4", u"99%", true},
        {u"1.2.3.4,99%,1,extra,more", u"1.2.3.4", u"99%", true},
        {u"1.2.3.4,99%,99999999999999999999", u"1.2.3.4", u"99%", false},
        {u"", u"", u"", false},
    };
    for (const auto& c : cases) {
        const NodeValue v = ParseNodeValue(c.value);
        EXPECT_EQ(v.ip, String(c.ip)) << core::ToUtf8(c.value);
        EXPECT_EQ(v.rate, String(c.rate)) << core::ToUtf8(c.value);
        EXPECT_EQ(v.l2tp, c.l2tp) << core::ToUtf8(c.value);
    }
}

TEST(NodeRecord, MadeAsTheTreeShowsIt)
{
    const ps row = MakeNodeRecord(u"节点1", u"1.2.3.4,98%,1");
    EXPECT_EQ(row.name, u"节点1");
    EXPECT_EQ(row.ip, u"1.2.3.4");
    EXPECT_EQ(row.delay, u"NA");
    EXPECT_EQ(row.lostpacket, u"98%");
    EXPECT_EQ(row.sendtimes, u"支持");
    EXPECT_EQ(row.losttimes, 0);
    EXPECT_EQ(MakeNodeRecord(u"n", u"1.2.3.4,98%,x").sendtimes, u"不支持");
}

TEST(ReservedSections, OnlyTheFourNames)
{
    for (const char16_t* name : {u"Route", u"海外加速", u"电信加速", u"网通加速"})
        EXPECT_TRUE(IsReservedSection(name));
    for (const char16_t* name : {u"route", u"华东", u"", u"海外"})
        EXPECT_FALSE(IsReservedSection(name));
}

TEST(NodeList, AreasRowsAndNames)
{
    auto ini = LoadNodeList(u"[Route]\r\nr=1\r\n[华东]\r\n节点1=1.2.3.4,98%,1\r\n节点2=5.6.7.8,95%,0\r\n"
                            u"空=\r\n坏=9.9.9.9,90%,x\r\n[海外加速]\r\n香港=7.7.7.7,99%,1\r\n[华东]\r\n后=8.8.8.8,1%,1\r\n");
    EXPECT_EQ(AreaNames(*ini), (std::vector<String>{u"Route", u"华东", u"海外加速", u"华东"}));
    EXPECT_EQ(TitleAreaNames(*ini), (std::vector<String>{u"华东", u"华东"}));
    // The later of two sections of one name is the one looked up.
    EXPECT_EQ(NodeNames(*ini, u"华东"), (std::vector<String>{u"后"}));
    const auto rows = NodeRows(*ini, u"华东");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].ip, u"8.8.8.8");
}

TEST(NodeList, EmptyValuesSkippedAndMalformedFlagsRead)
{
    auto ini = LoadNodeList(u"[华东]\n节点1=1.2.3.4,98%,1\n空=\n坏=9.9.9.9,,x\n节点2=5.6.7.8,95%,0\n");
    EXPECT_EQ(NodeNames(*ini, u"华东"), (std::vector<String>{u"节点1", u"空", u"坏", u"节点2"}));
    const auto rows = NodeRows(*ini, u"华东");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].name, u"坏");
    EXPECT_EQ(rows[1].lostpacket, u"");
    EXPECT_EQ(rows[1].sendtimes, u"不支持");
    EXPECT_EQ(rows[2].sendtimes, u"不支持");
    EXPECT_EQ(FindNode(*ini, u"华东", u"节点2").ip, u"5.6.7.8");
    EXPECT_EQ(FindNode(*ini, u"华东", u"none").ip, u"");
}

TEST(NodeList, EmptyTextGivesNoAreas)
{
    auto ini = LoadNodeList(u"");
    EXPECT_TRUE(AreaNames(*ini).empty());
    EXPECT_TRUE(NodeRows(*ini, u"华东").empty());
}

} // namespace
} // namespace client
