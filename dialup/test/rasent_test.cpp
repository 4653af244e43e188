// Canonical numbers and the sorted entry list.
#include "dialup/rasent.h"

#include <gtest/gtest.h>

namespace dialup {
namespace {

TEST(Canonical, Builds)
{
    EXPECT_EQ(RasGetCanonical(true, 44, u"20", u"7946 0000"), u"+44 (20) 7946 0000");
    EXPECT_EQ(RasGetCanonical(true, 44, u"", u"7946 0000"), u"+44 7946 0000");
    EXPECT_EQ(RasGetCanonical(false, 44, u"20", u"7946 0000"), u"7946 0000");
}

TEST(Canonical, Unpacks)
{
    struct Case { const char16_t* text; bool use; int country; const char16_t* area; const char16_t* local; };
    const Case cases[] = {
        {u"+44 (20) 7946 0000", true, 44, u"20", u"7946 0000"},
        {u"+44 7946 0000", true, 44, u" ", u"7946 0000"},
        {u"5", false, 0, u"", u""},
        {u"", false, 0, u"", u""},
        {u"  10.0.0.1 ", false, 0, u"", u"10.0.0.1"},
        {u"+86", true, 0, u" ", u"86"},
        {u"+1 ()", true, 1, u" ", u"()"},
        {u"+1 (2)", true, 1, u"2", u""},
    };
    for (const Case& c : cases) {
        bool use = true;
        int country = -1;
        String local = u"x", area = u"x";
        RasUnpackCanonical(c.text, use, country, local, area);
        EXPECT_EQ(use, c.use) << core::ToUtf8(c.text);
        EXPECT_EQ(country, c.country) << core::ToUtf8(c.text);
        EXPECT_EQ(area, c.area) << core::ToUtf8(c.text);
        EXPECT_EQ(local, c.local) << core::ToUtf8(c.text);
    }
}

TEST(EntryList, SortsByNameThenPhonebookAndSkipsNameless)
{
    const std::vector<EnumeratedEntry> found = {
        {u"beta", 1, u"C:\\all.pbk"}, {u"Alpha", 1, u"C:\\all.pbk"}, {u"", 0, u""},
        {u"alpha", 0, u"C:\\user.pbk"}, {u"Beta", 0, u"C:\\user.pbk"},
    };
    const std::vector<TEntryRec> sorted = SortEntryRecords(found);
    ASSERT_EQ(sorted.size(), 4u);
    EXPECT_EQ(sorted[0].EntryName, u"alpha");
    EXPECT_EQ(sorted[0].PBLocation, 0);
    EXPECT_EQ(sorted[1].EntryName, u"Alpha");
    EXPECT_EQ(sorted[1].PBLocation, 1);
    EXPECT_EQ(sorted[2].EntryName, u"Beta");
    EXPECT_EQ(sorted[3].Phonebook, u"C:\\all.pbk");
    RasSetEntryList(sorted);
    EXPECT_EQ(RasEntryTot(), 4);
    RasResetEntryList();
    EXPECT_EQ(RasEntryTot(), 0);
}

} // namespace
} // namespace dialup
