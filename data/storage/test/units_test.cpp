// Every test of this binary runs with the library's units started, as the program starts them.
#include "data/storage/storage.h"

#include "data/storage/encoding.h"
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"
#include "data/storage/parser.h"

#include <gtest/gtest.h>

namespace {

class StorageUnits : public ::testing::Environment {
public:
    void SetUp() override { data::InitStorageUnits(); }
    void TearDown() override { data::DoneStorageUnits(); }
};

[[maybe_unused]] const auto* const g_units = ::testing::AddGlobalTestEnvironment(new StorageUnits);

} // namespace

TEST(StorageUnits, NestedStartsShareOneSetOfSharedObjects)
{
    data::Encoding* before = &data::Encoding::UTF8();
    data::InitStorageUnits();
    EXPECT_EQ(&data::Encoding::UTF8(), before);
    data::DoneStorageUnits();
    // The outer start still holds the units.
    EXPECT_EQ(&data::Encoding::UTF8(), before);
    EXPECT_EQ(data::CompressProc, &data::ZCompressBlock);
    EXPECT_EQ(data::ParserKeywordLexems().Find(u"and"), 29);
}

TEST(StorageUnits, TheRefreshIterationCounterStartsAtOne)
{
    // A full stop and start resets the counter: the next store takes 2.
    data::DoneStorageUnits();
    data::InitStorageUnits();
    class Store : public data::TMemData {} first, second;
    EXPECT_EQ(first.RefreshIteration(), 2);
    EXPECT_EQ(second.RefreshIteration(), 3);
    first.FreeData();
    EXPECT_EQ(first.RefreshIteration(), 4);
}
