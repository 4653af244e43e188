// The member table: order by hash, replacement in place, removal with rebalancing, packing and the
// resumable iterator.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsontable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

using namespace support;
using core::String;

std::vector<String> Names(const TJsonAvlTree& table)
{
    std::vector<String> names;
    TJsonAvlIterator it(table);
    while (it.MoveNext())
        names.push_back(it.Current()->Name());
    return names;
}

TEST(JsonTable, HashesAndOrderFollowTheNameHash)
{
    EXPECT_EQ(TJsonAvlEntry::Hash(u""), 0u);
    EXPECT_EQ(TJsonAvlEntry::Hash(u"a"), 0x9E370062u);
    EXPECT_EQ(TJsonAvlEntry::Hash(u"b"), 0x9E370063u);
    EXPECT_EQ(TJsonAvlEntry::Hash(u"id"), 0x57EE35CFu);
    EXPECT_EQ(TJsonAvlEntry::Hash(u"name"), 0x2C290125u);

    TJsonTableString table;
    for (const char16_t* name : {u"a", u"b", u"id", u"name"})
        table.PutMember(name, TJsonObject::Make(1));
    EXPECT_EQ(Names(table), (std::vector<String>{u"b", u"a", u"id", u"name"}));
}

// The hash is worked out several units at a time; names of every length up to a few steps and with
// units across the whole range give what the one-unit rule gives.
TEST(JsonTable, HashOfLongerNamesFollowsTheOneUnitRule)
{
    const String units = u"a\u00C2\uFFFFz0\u4E0A_\xD800\xDC00~ \u0001Q";
    for (size_t length = 0; length <= units.size(); ++length) {
        const StringView name = StringView(units).substr(0, length);
        uint32_t expected = 0;
        for (char16_t c : name)
            expected = expected * 129u + c + 0x9E370001u;
        EXPECT_EQ(TJsonAvlEntry::Hash(name), expected) << length;
    }
}

TEST(JsonTable, EqualHashesIterateByName)
{
    // (a + K) * 129 + b: one less in the first unit and 129 more in the second give the same hash.
    const String low = u"a\u00C2";
    const String high = u"bA";
    ASSERT_EQ(TJsonAvlEntry::Hash(low), TJsonAvlEntry::Hash(high));
    TJsonTableString table;
    table.PutMember(high, TJsonObject::Make(1));
    table.PutMember(low, TJsonObject::Make(2));
    EXPECT_EQ(Names(table), (std::vector<String>{low, high}));
    EXPECT_EQ(table.GetMember(high)->AsInteger(), 1);
    EXPECT_EQ(table.GetMember(low)->AsInteger(), 2);
}

TEST(JsonTable, ReplacingKeepsThePlaceAndReleasesTheOldValue)
{
    TJsonTableString table;
    JsonRef first = TJsonObject::Make(1);
    for (const char16_t* name : {u"x", u"y", u"z"})
        table.PutMember(name, first);
    auto* object = dynamic_cast<TJsonObject*>(first.get());
    EXPECT_EQ(object->RefCount(), 4);
    const auto before = Names(table);
    table.PutMember(u"y", TJsonObject::Make(2));
    EXPECT_EQ(Names(table), before);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(object->RefCount(), 3);
    EXPECT_EQ(table.GetMember(u"y")->AsInteger(), 2);
    // Case matters.
    table.PutMember(u"Y", TJsonObject::Make(3));
    EXPECT_EQ(table.Count(), 4);
}

TEST(JsonTable, SearchKinds)
{
    TJsonTableString table;
    for (const char16_t* name : {u"a", u"b", u"id", u"name"})
        table.PutMember(name, TJsonObject::Make(1));
    // Order: b, a, id, name. "c" hashes above "b", so nothing precedes it.
    EXPECT_EQ(table.FindEntry(u"a", stEQual)->Name(), u"a");
    EXPECT_EQ(table.FindEntry(u"zz", stEQual), nullptr);
    EXPECT_EQ(table.FindEntry(u"a", stLess)->Name(), u"b");
    EXPECT_EQ(table.FindEntry(u"a", stGreater)->Name(), u"id");
    EXPECT_EQ(table.FindEntry(u"a", stEQual | stLess)->Name(), u"a");
    EXPECT_EQ(table.FindEntry(u"b", stLess), nullptr);
    EXPECT_EQ(table.FindEntry(u"name", stGreater), nullptr);

    TJsonAvlIterator it(table);
    it.Search(u"a", stGreater);
    ASSERT_NE(it.Current(), nullptr);
    EXPECT_EQ(it.Current()->Name(), u"id");
    it.Next();
    EXPECT_EQ(it.Current()->Name(), u"name");
    it.Last();
    EXPECT_EQ(it.Current()->Name(), u"name");
    it.Prior();
    EXPECT_EQ(it.Current()->Name(), u"id");
}

TEST(JsonTable, IteratorStartsOverAfterTheEnd)
{
    TJsonTableString table;
    TJsonAvlIterator empty(table);
    EXPECT_FALSE(empty.MoveNext());
    table.PutMember(u"a", nullptr);
    table.PutMember(u"b", nullptr);
    TJsonAvlIterator it(table);
    EXPECT_TRUE(it.MoveNext());
    EXPECT_TRUE(it.MoveNext());
    EXPECT_FALSE(it.MoveNext());
    EXPECT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Current()->Name(), u"b");
}

TEST(JsonTable, PackRemovesExactlyTheNilMembers)
{
    TJsonTableString table;
    for (int i = 0; i < 40; ++i)
        table.PutMember(u"m" + core::IntToStr(i), i % 3 == 0 ? nullptr : TJsonObject::Make(i));
    table.Pack(false);
    EXPECT_EQ(table.Count(), 26);
    for (int i = 0; i < 40; ++i) {
        const String name = u"m" + core::IntToStr(i);
        if (i % 3 == 0)
            EXPECT_EQ(table.FindEntry(name, stEQual), nullptr);
        else
            EXPECT_EQ(table.GetMember(name)->AsInteger(), i);
    }
}

TEST(JsonTable, RandomInsertsAndDeletesKeepTheTreeOrdered)
{
    std::mt19937 random(7);
    TJsonTableString table;
    std::set<String> live;
    for (int step = 0; step < 20000; ++step) {
        const String name = core::IntToStr(random() % 2000);
        if (random() % 3 == 0) {
            const bool had = live.erase(name) > 0;
            EXPECT_EQ(table.Delete(name) != nullptr, had);
        } else {
            live.insert(name);
            table.PutMember(name, TJsonObject::Make(1));
        }
    }
    ASSERT_EQ(table.Count(), int32_t(live.size()));
    const auto names = Names(table);
    ASSERT_EQ(names.size(), live.size());
    for (size_t i = 1; i < names.size(); ++i) {
        const uint32_t a = TJsonAvlEntry::Hash(names[i - 1]), b = TJsonAvlEntry::Hash(names[i]);
        EXPECT_TRUE(a > b || (a == b && names[i - 1] < names[i]));
    }
    for (const String& name : live)
        EXPECT_NE(table.FindEntry(name, stEQual), nullptr);
    // The values and names arrays follow the same order.
    JsonRef values = table.GetValues();
    JsonRef keys = table.GetNames();
    ASSERT_EQ(keys->AsArray()->Length(), int32_t(names.size()));
    EXPECT_EQ(keys->AsArray()->GetItem(0)->AsString(), names[0]);
    EXPECT_EQ(values->AsArray()->Length(), int32_t(names.size()));
}

} // namespace
