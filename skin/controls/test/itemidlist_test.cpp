// Item identifier list walks and the display-name helpers of shell folder support.
#include "skin/controls/itemidlist.h"

#include <gtest/gtest.h>

#include <vector>

namespace skin {
namespace {

TEST(ItemIdList, SizesOfWellFormedAndDamagedLists)
{
    std::vector<uint8_t> one(22, 0);
    one[0] = 20;
    EXPECT_EQ(ItemIdListSize(one.data()), 22u);
    EXPECT_EQ(ItemIdListSize(nullptr), 0u);
    std::vector<uint8_t> two(2 + 4 + 6 + 2, 0);
    two[0] = 4;
    two[4] = 6;
    EXPECT_EQ(ItemIdListSize(two.data()), 12u);
    EXPECT_EQ(ItemIdNext(two.data()), two.data() + 4);
    // A count of 1 ends the walk instead of stepping into the middle of an item.
    std::vector<uint8_t> damaged = {4, 0, 9, 9, 1, 0, 0xFF, 0xFF};
    EXPECT_EQ(ItemIdListSize(damaged.data()), 6u);
    EXPECT_EQ(ItemIdNext(damaged.data() + 4), nullptr);
}

TEST(ItemIdList, DisplayNameHelpers)
{
    EXPECT_EQ(StripQuestionMarks(u"?3abc?"), u"3abc");
    EXPECT_EQ(StripQuestionMarks(u"?a?"), u"?a?");
    EXPECT_EQ(StripQuestionMarks(u"?"), u"?");
    EXPECT_TRUE(HasZipExtension(u"pack.ZIP"));
    EXPECT_TRUE(HasZipExtension(u"pack.zip"));
    EXPECT_FALSE(HasZipExtension(u"pack.zipx"));
    EXPECT_FALSE(HasZipExtension(u"zip"));
}

} // namespace
} // namespace skin
