// Every test of this binary runs with the library's units started, as the program starts them.
#include "data/storage/storage.h"

#include "data/storage/encoding.h"
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"
#include "data/storage/parser.h"
#include "data/storage/unitgroup.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

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

namespace {

std::string g_steps;
bool g_second_fails = false;

void InitA() { g_steps += "+a"; }
void DoneA() { g_steps += "-a"; }
void InitB()
{
    if (g_second_fails)
        throw std::runtime_error("refused");
    g_steps += "+b";
}
void InitC() { g_steps += "+c"; }
void DoneC() { g_steps += "-c"; }

// B has no finishing step; the group skips it.
constexpr data::TUnitSteps kSteps[] = {{InitA, DoneA}, {InitB, nullptr}, {InitC, DoneC}};

} // namespace

TEST(UnitGroup, OnlyTheOutermostPairRunsTheStepsInOrderAndInReverse)
{
    data::TUnitGroup group(kSteps);
    g_steps.clear();
    g_second_fails = false;
    group.Finish();  // unmatched: nothing
    group.Start();
    group.Start();
    EXPECT_EQ(g_steps, "+a+b+c");
    group.Finish();
    EXPECT_TRUE(group.Started());
    EXPECT_EQ(g_steps, "+a+b+c");
    group.Finish();
    EXPECT_FALSE(group.Started());
    EXPECT_EQ(g_steps, "+a+b+c-c-a");
}

TEST(UnitGroup, AFailedStartFinishesWhatItStartedAndCanBeRetried)
{
    data::TUnitGroup group(kSteps);
    g_steps.clear();
    g_second_fails = true;
    EXPECT_THROW(group.Start(), std::runtime_error);
    EXPECT_FALSE(group.Started());
    EXPECT_EQ(g_steps, "+a-a");
    group.Finish();  // the failed start is not counted
    EXPECT_EQ(g_steps, "+a-a");
    g_second_fails = false;
    g_steps.clear();
    group.Start();
    group.Finish();
    EXPECT_EQ(g_steps, "+a+b+c-c-a");
}
