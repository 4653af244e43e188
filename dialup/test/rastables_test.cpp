// Record sizes and bound entry points for every operating-system kind.
#include "dialup/rastables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace dialup {
namespace {

TEST(RecordSizes, EveryKind)
{
    struct Row { OSKind kind; uint32_t entry, conn, status, dial, name, lcp; };
    const Row rows[] = {
        {OSW9x, 1768, 416, 160, 1052, 264, 8},    {OSNT4, 1796, 680, 288, 1064, 264, 8},
        {OSW2K, 2088, 696, 288, 1064, 532, 1080}, {OSWXP, 2884, 708, 288, 1064, 532, 1080},
        {OSVista, 2884, 708, 288, 1064, 532, 1080},
    };
    for (const Row& r : rows) {
        const RecordSizes s = RecordSizesFor(r.kind);
        EXPECT_EQ(s.entry, r.entry) << int(r.kind);
        EXPECT_EQ(s.conn, r.conn) << int(r.kind);
        EXPECT_EQ(s.connStatus, r.status) << int(r.kind);
        EXPECT_EQ(s.dialParams, r.dial) << int(r.kind);
        EXPECT_EQ(s.entryName, r.name) << int(r.kind);
        EXPECT_EQ(s.pppLcp, r.lcp) << int(r.kind);
        EXPECT_EQ(s.pppIp, 40u);
        EXPECT_EQ(s.subEntry, 288u);
        EXPECT_EQ(s.devInfo, 152u);
        EXPECT_EQ(s.countryInfo, 20u);
        EXPECT_EQ(s.credentials, 540u);
        EXPECT_EQ(s.stats, 60u);
        EXPECT_LE(s.entry, kEntryBufferSize);
        EXPECT_LE(s.conn, kLargestConnRecord);
    }
}

std::set<std::string> Bound(OSKind kind, uint32_t minor)
{
    std::set<std::string> names;
    for (const BindRule& rule : RasBindRules())
        if (RuleApplies(rule, kind, minor))
            names.insert(rule.name);
    return names;
}

TEST(BindRules, EntryPointsByKind)
{
    const std::set<std::string> nine = Bound(OSW9x, 0);
    EXPECT_EQ(nine.size(), 12u + 7u);
    EXPECT_FALSE(nine.count("RasConnectionNotificationA"));
    EXPECT_FALSE(nine.count("RasGetCredentialsA"));
    EXPECT_TRUE(Bound(OSW9x, 10).count("RasConnectionNotificationA"));

    const std::set<std::string> nt4 = Bound(OSNT4, 0);
    EXPECT_EQ(nt4.size(), 13u + 12u + 7u + 3u);
    EXPECT_TRUE(nt4.count("RasGetCredentialsA"));
    EXPECT_TRUE(nt4.count("RasEntryDlgA"));
    EXPECT_FALSE(nt4.count("RasGetConnectionStatistics"));

    const std::set<std::string> w2k = Bound(OSW2K, 0);
    EXPECT_EQ(w2k.size(), nt4.size() + 4);
    EXPECT_TRUE(w2k.count("RasGetConnectionStatistics"));
    EXPECT_FALSE(w2k.count("RasDeleteSubEntryA"));

    EXPECT_EQ(Bound(OSWXP, 1).size(), w2k.size() + 1);
    EXPECT_EQ(Bound(OSVista, 1), Bound(OSWXP, 1));
}

TEST(BindRules, OrderMatchesTheFunctionIndex)
{
    size_t i = 0;
    for (const BindRule& rule : RasBindRules())
        EXPECT_EQ(static_cast<size_t>(rule.fn), i++) << rule.name;
}

} // namespace
} // namespace dialup
