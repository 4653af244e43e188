// The list of active connections and its change detection.
#include "dialup/connlist.h"

#include <gtest/gtest.h>

namespace dialup {
namespace {

TRasConnRecord Conn(uint64_t handle, const char16_t* name)
{
    TRasConnRecord r;
    r.dwSize = 708;
    r.rasConn = handle;
    r.szEntryName = name;
    r.szDeviceType = u"VPN";
    r.szDeviceName = u"WAN 微型端口 (PPTP)";
    r.dwSubEntry = 1;
    return r;
}

TEST(ConnectionList, UnchangedListIsLeftAlone)
{
    TConnectionList list;
    const std::vector<TRasConnRecord> two = {Conn(0x10, u"a"), Conn(0x20, u"b")};
    EXPECT_TRUE(list.Update(two));
    EXPECT_FALSE(list.Update(two));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.RasConn(1), 0x20u);
    EXPECT_EQ(list.DeviceType(0), u"vpn");
}

TEST(ConnectionList, AnyFieldCountsAsAChange)
{
    TConnectionList list;
    list.Update({Conn(0x10, u"a")});
    TRasConnRecord moved = Conn(0x10, u"a");
    moved.dwFlags = 1;
    EXPECT_TRUE(list.Update({moved}));
    EXPECT_EQ(list.Flags(0), 1u);
    EXPECT_TRUE(list.Update({}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Update({}));
}

TEST(ConnectionList, HoldsAtMostEight)
{
    TConnectionList list;
    std::vector<TRasConnRecord> many;
    for (uint64_t i = 1; i <= 12; ++i)
        many.push_back(Conn(i, u"x"));
    EXPECT_TRUE(list.Update(many));
    EXPECT_EQ(list.Count(), 8);
    EXPECT_FALSE(list.Update(many));
    EXPECT_EQ(list.RasConn(7), 8u);
}

TEST(ConnectionList, BadIndexesGiveEmptyValues)
{
    TConnectionList list;
    list.AddConnection(Conn(5, u"e"));
    for (int index : {-1, 1, 100}) {
        EXPECT_EQ(list.RasConn(index), 0u);
        EXPECT_TRUE(list.EntryName(index).empty());
        EXPECT_EQ(list.GetConn(index), TRasConnRecord{});
    }
    list.Delete(3);
    EXPECT_EQ(list.Count(), 1);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
} // namespace dialup
