#include "data/storage/memdata.h"
#include "data/storage/memutils.h"

#include "data/storage/test/error_of.h"
#include "data/storage/test/table_store.h"

#include "core/bcd.h"
#include "core/sqltimestamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace data;
using namespace storetest;

namespace {

std::vector<Column> NameColumns()
{
    return {{u"ID", dtInt32, 4}, {u"NAME", dtString, 11, 10}, {u"Order Date", dtDate, 8}, {u"W", dtWideString, 22, 10}};
}

String Columns(const TMemData& store)
{
    String text;
    for (int i = 0; i < store.IndexFields().Count(); ++i) {
        const TSortColumn& column = *store.IndexFields().GetItem(i);
        text += (i ? u";" : u"") + column.FieldDesc->Name + (column.DescendingOrder ? u" desc" : u" asc") +
            (column.SortType == stCaseInsensitive ? u" cis" : column.SortType == stBinary ? u" bin" : u" cs");
    }
    return text;
}

} // namespace

TEST(IndexFieldNames, TextsGiveColumnsOrTheirMessage)
{
    TableStore store(NameColumns());
    struct Case {
        const char16_t* text;
        const char16_t* result;  // the columns, or the message
    } cases[] = {
        {u"NAME DESC CIS; ID", u"NAME desc cis;ID asc cs"},
        {u"[Order Date] BIN", u"Order Date asc bin"},
        {u"name asc, id desc", u"NAME asc cs;ID desc cs"},
        {u"'NAME' cs", u"NAME asc cs"},
        {u"ID;", u"ID asc cs"},
        {u"   ", u""},
        {u"NAME DESC ASC", u"Invalid IndexFieldNames format!"},
        {u"NAME CIS BIN", u"Invalid IndexFieldNames format!"},
        {u"NAME XYZ", u"Invalid IndexFieldNames format!"},
        {u"NAME 5", u"Invalid IndexFieldNames format!"},
        {u"NAME = ID", u"Invalid IndexFieldNames format!"},
        {u"NAME ; ; ID", u"Invalid IndexFieldNames format!"},
        {u"NAME NOT", u"Invalid IndexFieldNames format!"},
        {u"NOPE", u"Field NOPE not found"},
        {u"[No Such]", u"Field No Such not found"},
    };
    for (const Case& c : cases) {
        store.SetIndexFieldNames(u"ID");
        const String error = ErrorOf<core::Exception>([&] { store.SetIndexFieldNames(c.text); });
        if (error == u"no exception") {
            EXPECT_EQ(core::ToAnsi(Columns(store)), core::ToAnsi(c.result)) << core::ToAnsi(c.text);
        } else {
            EXPECT_EQ(core::ToAnsi(error), core::ToAnsi(c.result)) << core::ToAnsi(c.text);
            // Not kept: the previous text and columns stay.
            EXPECT_EQ(store.IndexFieldNames(), u"ID");
            EXPECT_EQ(Columns(store), u"ID asc cs");
        }
    }
}

TEST(IndexFieldNames, ABadTextNeverReachesALaterOpen)
{
    TableStore store(NameColumns(), false);
    store.SetIndexFieldNames(u"NAME");
    EXPECT_ANY_THROW(store.SetIndexFieldNames(u"NAME DESC ASC"));
    store.Open();
    EXPECT_EQ(Columns(store), u"NAME asc cs");
}

namespace {

// A store of one field of a type; CompareFieldValue of a value against the stored one.
struct OneField {
    TableStore store;
    void* record;
    OneField(uint16_t type, uint16_t size, uint16_t length = 0)
        : store({{u"F", type, size, length}}), record(store.AllocRecBuf())
    {
        store.InitRecord(record);
        store.CreateComplexFields(record, true);
    }
    ~OneField()
    {
        store.FreeComplexFields(record, true);
        store.FreeRecBuf(record);
    }
    const TFieldDesc& Field() { return *store.FieldByName(u"F"); }
    void Put(const Variant& value) { store.PutFieldAsVariant(1, record, value); }
    int Compare(const void* value, int type, TCompareOptions options = {})
    {
        return store.CompareFieldValue(value, type, Field(), record, options);
    }
};

std::vector<uint8_t> Counted(std::initializer_list<uint8_t> bytes)
{
    std::vector<uint8_t> result(bytes.size() + 2, 0);
    result[0] = uint8_t(bytes.size());
    std::copy(bytes.begin(), bytes.end(), result.begin() + 2);
    return result;
}

} // namespace

TEST(CompareFieldValue, NumbersDatesAndDecimalsByValue)
{
    {
        OneField f(dtInt32, 4);
        f.Put(int32_t(7));
        const int32_t values[] = {5, 7, 9};
        EXPECT_EQ(f.Compare(&values[0], dtInt32), -1);
        EXPECT_EQ(f.Compare(&values[1], dtInt32), 0);
        EXPECT_EQ(f.Compare(&values[2], dtInt32), 1);
    }
    {
        OneField f(dtInt64, 8);
        f.Put(int64_t(-5'000'000'000));
        const int64_t value = -4'000'000'000;
        EXPECT_EQ(f.Compare(&value, dtInt64), 1);
    }
    {
        OneField f(dtUInt32, 4);
        f.Put(Variant(uint32_t(4'000'000'000u)));
        const uint32_t value = 3'000'000'000u;
        EXPECT_EQ(f.Compare(&value, dtUInt32), -1);
    }
    {
        OneField f(dtFloat, 8);
        f.Put(2.5);
        const double values[] = {2.4, 2.5};
        EXPECT_EQ(f.Compare(&values[0], dtFloat), -1);
        EXPECT_EQ(f.Compare(&values[1], dtFloat), 0);
    }
    {
        OneField f(dtDateTime, 8);
        f.Put(Variant::FromDate(40000.5));
        const double value = 40000.25;
        EXPECT_EQ(f.Compare(&value, dtDateTime), -1);
    }
    {
        OneField f(dtBoolean, 2);
        f.Put(true);
        const uint8_t values[] = {0, 1, 7};
        EXPECT_EQ(f.Compare(&values[0], dtBoolean), -1);
        EXPECT_EQ(f.Compare(&values[1], dtBoolean), 0);
        EXPECT_EQ(f.Compare(&values[2], dtBoolean), 0);
    }
    {
        // Ten-thousandths on both sides: 1.23449999 rounds to the stored 12345.
        OneField f(dtBCD, 8);
        f.Put(Variant(core::Currency::FromRaw(12345)));
        const double values[] = {1.23449999, 1.2344, 1.2346};
        EXPECT_EQ(f.Compare(&values[0], dtBCD), 0);
        EXPECT_EQ(f.Compare(&values[1], dtBCD), -1);
        EXPECT_EQ(f.Compare(&values[2], dtBCD), 1);
    }
    {
        OneField f(dtFMTBCD, 34);
        f.Put(Variant(core::StrToBcd(u"10.5")));
        const core::Bcd value = core::StrToBcd(u"9.75");
        EXPECT_EQ(f.Compare(&value, dtFMTBCD), -1);
    }
    {
        OneField f(dtSQLTimeStamp, 16);
        core::SQLTimeStamp stored{2020, 5, 6, 7, 8, 9, 10};
        f.Put(Variant(stored));
        core::SQLTimeStamp later = stored;
        later.Fractions = 11;
        core::SQLTimeStamp earlier = stored;
        earlier.Month = 4;
        earlier.Day = 30;
        EXPECT_EQ(f.Compare(&later, dtSQLTimeStamp), 1);
        EXPECT_EQ(f.Compare(&earlier, dtSQLTimeStamp), -1);
        EXPECT_EQ(f.Compare(&stored, dtSQLTimeStamp), 0);
    }
}

TEST(CompareFieldValue, BytesWithBothPartialOptions)
{
    struct Case {
        std::vector<uint8_t> value;
        TCompareOptions options;
        int result;
    } cases[] = {
        {Counted({2, 3}), {coPartialCompare}, 0},      // found at the last position
        {Counted({1, 3}), {coPartialCompare}, 1},
        {Counted({1, 2, 3, 4}), {coPartialCompare}, 1},
        {Counted({1, 2}), {coPartialKey}, 0},
        {Counted({1, 3}), {coPartialKey}, 1},
        {Counted({0, 9}), {coPartialKey}, -1},
        {Counted({1, 2}), {}, -1},                      // a longer field
        {Counted({1, 2, 3}), {}, 0},
        {Counted({1, 2, 3, 0}), {}, 1},                 // a longer value
        {Counted({0x80}), {}, 1},                       // bytes are unsigned
    };
    for (uint16_t type : {dtBytes, dtVarBytes, dtExtVarBytes}) {
        OneField f(type, type == dtExtVarBytes ? 8 : type == dtBytes ? 3 : 5, 3);
        f.Put(Variant(core::Variant::Bytes{1, 2, 3}));
        for (const Case& c : cases)
            EXPECT_EQ(f.Compare(c.value.data(), type, c.options), c.result) << type << " " << int(c.value[0]);
    }
}

TEST(CompareFieldValue, TextsWithPartialKeysTrimsAndCoercions)
{
    {
        OneField f(dtString, 11, 10);
        f.Put(u"ABC");
        struct Case {
            const char* value;
            TCompareOptions options;
            int result;
        } cases[] = {
            {"AB", {coPartialKey}, 0}, {"ABCD", {coPartialKey}, 1}, {"", {coPartialKey}, -1},
            {"B", {coPartialCompare}, 0}, {"b", {coPartialCompare}, 1}, {"b", {coPartialCompare, coCaseInsensitive}, 0},
            {"abc", {coCaseInsensitive}, 0}, {"ABC", {}, 0}, {"ABD", {coOrdinalCompare}, 1}, {"AB", {}, -1},
        };
        for (const Case& c : cases)
            EXPECT_EQ(f.Compare(c.value, dtString, c.options), c.result) << c.value;
    }
    {
        // An empty ANSI key matches only an empty field.
        OneField f(dtString, 11, 10);
        f.Put(u"");
        f.store.SetNull(1, f.record, false);
        EXPECT_EQ(f.Compare("", dtString, {coPartialKey}), 0);
    }
    {
        // An empty UTF-16 key matches every field.
        OneField f(dtWideString, 22, 10);
        f.Put(u"Hello");
        EXPECT_EQ(f.Compare(u"", dtWideString, {coPartialKey}), 0);
        EXPECT_EQ(f.Compare(u"He", dtWideString, {coPartialKey}), 0);
        EXPECT_EQ(f.Compare(u"Hello!", dtWideString, {coPartialKey}), 1);
        EXPECT_EQ(f.Compare(u"hello", dtWideString, {coCaseInsensitive}), 0);
        EXPECT_EQ(f.Compare(u"ll", dtWideString, {coPartialCompare}), 0);
    }
    {
        // Trailing blanks go on both sides where the field trims.
        OneField f(dtString, 11, 10);
        f.Put(u"AB  ");
        f.store.TrimVarChar = true;
        EXPECT_EQ(f.Compare("AB ", dtString), 0);
        f.store.TrimVarChar = false;
        EXPECT_NE(f.Compare("AB", dtString), 0);
    }
    {
        // A text against a number compares with the number's text.
        OneField f(dtInt32, 4);
        f.Put(int32_t(42));
        EXPECT_EQ(f.Compare("42", dtString), 0);
        EXPECT_EQ(f.Compare(u"4", dtWideString, {coPartialKey}), 0);
    }
    {
        OneField f(dtBCD, 8);
        f.Put(Variant(core::Currency::FromRaw(15000)));
        EXPECT_EQ(f.Compare("1.5", dtString), 0);
    }
    {
        OneField f(dtMemo, 8);
        f.store.WriteBlob(1, f.record, 0, 5, "hello");
        EXPECT_EQ(f.Compare("ell", dtString, {coPartialCompare}), 0);
    }
}

TEST(CompareFieldValue, UnconvertibleFieldsAndUnknownValueCodes)
{
    OneField f(dtReference, 8);
    EXPECT_EQ(ErrorOf<core::EConvertError>([&] { f.Compare("x", dtString); }), u"Cannot convert type");
    OneField g(dtInt32, 4);
    const int32_t value = 1;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { g.Compare(&value, 99); }).find(u"Unknown ValueType = 99"),
              String::npos);
}

TEST(CompareFieldValue, VariantsByKindThenValue)
{
    OneField f(dtVariant, 8);
    TVariantObject value;
    TVariantObject* slot = &value;
    struct Case {
        Variant field, value;
        int result;
    } cases[] = {
        {Variant(int32_t(5)), Variant(7.5), 1},
        {Variant(u"abc"), Variant(u"abd"), 1},
        {Variant(u"5"), Variant(int32_t(5)), 0},
        {Variant::Null(), Variant(Variant::Bytes{1}), 1},
        {Variant(Variant::Bytes{1, 2}), Variant(Variant::Bytes{9}), -1},
        {Variant(Variant::Bytes{1, 2}), Variant(Variant::Bytes{1, 3}), 1},
        {Variant(Variant::Bytes{1, 2}), Variant::Null(), -1},
    };
    for (const Case& c : cases) {
        f.Put(c.field);
        value.SetValue(c.value);
        EXPECT_EQ(f.Compare(&slot, dtVariant), c.result) << core::ToAnsi(core::VarToStr(c.field));
    }
}

namespace {

// ID and a key column of a type; keys given as variants (Variant() for Null).
std::unique_ptr<TableStore> Keyed(uint16_t type, uint16_t size, const std::vector<Variant>& keys)
{
    auto store = std::make_unique<TableStore>(std::vector<Column>{{u"ID", dtInt32, 4}, {u"K", type, size, 10}});
    int id = 0;
    for (const Variant& key : keys)
        store->Add({int32_t(++id), key});
    return store;
}

std::vector<String> Ids(TableStore& store)
{
    return store.Walk(u"ID");
}

} // namespace

TEST(SortItems, SortedReversedAndEqualKeysKeepTheirOrder)
{
    // Each key type: by extracted keys (int, double, ANSI text) and through CompareFields (UTF-16).
    struct Case {
        uint16_t type, size;
        std::vector<Variant> keys;
        const char16_t* index;
        std::vector<String> ids;
    };
    const std::vector<Case> cases = {
        {dtInt32, 4, {int32_t(1), int32_t(2), int32_t(3), int32_t(4)}, u"K", Texts({u"1", u"2", u"3", u"4"})},
        {dtInt32, 4, {int32_t(4), int32_t(3), int32_t(2), int32_t(1)}, u"K", Texts({u"4", u"3", u"2", u"1"})},
        {dtInt32, 4, {int32_t(2), int32_t(1), int32_t(2), int32_t(1)}, u"K", Texts({u"2", u"4", u"1", u"3"})},
        {dtInt32, 4, {int32_t(2), int32_t(1), int32_t(2), int32_t(1)}, u"K DESC", Texts({u"1", u"3", u"2", u"4"})},
        {dtInt32, 4, {int32_t(2), Variant(), int32_t(1), Variant()}, u"K", Texts({u"2", u"4", u"3", u"1"})},
        {dtInt32, 4, {int32_t(2), Variant(), int32_t(1), Variant()}, u"K DESC", Texts({u"1", u"3", u"2", u"4"})},
        {dtFloat, 8, {2.5, -1.0, 2.5, 0.0}, u"K", Texts({u"2", u"4", u"1", u"3"})},
        {dtString, 11, {u"b", u"B", u"a", u"b"}, u"K BIN", Texts({u"2", u"3", u"1", u"4"})},
        {dtString, 11, {u"b", Variant(), u"a", u"b"}, u"K DESC", Texts({u"1", u"4", u"3", u"2"})},
        // Short texts are sorted in entries of their own, longer ones by reference: the same orders.
        {dtString, 11, {u"b", u"B", u"a", u"b"}, u"K", Texts({u"3", u"1", u"4", u"2"})},
        {dtString, 40, {u"b", u"B", u"a", u"b"}, u"K", Texts({u"3", u"1", u"4", u"2"})},
        {dtString, 11, {u"b", u"B", u"a", u"b"}, u"K CIS", Texts({u"3", u"1", u"2", u"4"})},
        {dtString, 11, {u"b", u"a", u"b", u"a"}, u"K; ID DESC", Texts({u"4", u"2", u"3", u"1"})},
        {dtWideString, 22, {u"b", u"a", u"b", u"a"}, u"K", Texts({u"2", u"4", u"1", u"3"})},
        {dtWideString, 22, {u"b", Variant(), u"a", u"c"}, u"K DESC", Texts({u"4", u"1", u"3", u"2"})},
        {dtInt32, 4, {int32_t(2), int32_t(1), int32_t(2), int32_t(1)}, u"K; ID DESC", Texts({u"4", u"2", u"3", u"1"})},
        // Keys spanning more than 32 bits, and a narrow span at the bottom of the range.
        {dtInt64, 8, {INT64_MAX, INT64_MIN, int64_t(0), int64_t(-1)}, u"K", Texts({u"2", u"4", u"3", u"1"})},
        {dtInt64, 8, {INT64_MIN + 5, INT64_MIN, INT64_MIN + 5, INT64_MIN + 2}, u"K DESC", Texts({u"1", u"3", u"4", u"2"})},
    };
    for (const Case& c : cases) {
        auto store = Keyed(c.type, c.size, c.keys);
        store->SetIndexFieldNames(c.index);
        EXPECT_EQ(Ids(*store), c.ids) << c.type << " " << core::ToAnsi(c.index);
    }
}

TEST(SortItems, ALongSortedListSortsWithoutDeepRecursion)
{
    std::vector<Variant> keys;
    for (int i = 0; i < 20000; ++i)
        keys.emplace_back(int32_t(i / 2));
    auto store = Keyed(dtInt32, 4, keys);
    store->SetIndexFieldNames(u"K DESC");
    store->SetRecordNo(1);
    EXPECT_EQ(store->Value(u"ID").AsInteger(), 19999);
    EXPECT_EQ(store->Value(u"K").AsInteger(), 9999);
    store->SetRecordNo(20000);
    EXPECT_EQ(store->Value(u"ID").AsInteger(), 2);
}

TEST(SortItems, InsertsAndEditsMoveToTheirPlace)
{
    auto store = Keyed(dtInt32, 4, {int32_t(10), int32_t(20), int32_t(30), int32_t(40)});
    store->SetIndexFieldNames(u"K");
    // Edited to sort after its successors: it moves forward step by step to its place.
    ASSERT_TRUE(store->Find(u"K", u"10"));
    store->Update(u"K", int32_t(35));
    EXPECT_EQ(store->Value(u"ID").AsInteger(), 1);
    EXPECT_EQ(store->GetRecordNo(), 3);
    EXPECT_EQ(store->Walk(u"K"), Texts({u"20", u"30", u"35", u"40"}));
    ASSERT_TRUE(store->Find(u"K", u"40"));
    store->Update(u"K", int32_t(5));
    EXPECT_EQ(store->Walk(u"K"), Texts({u"5", u"20", u"30", u"35"}));
    // Appended and inserted records go to their place too.
    store->Add({int32_t(5), int32_t(25)});
    store->Add({int32_t(6), int32_t(1)});
    EXPECT_EQ(store->Walk(u"K"), Texts({u"1", u"5", u"20", u"25", u"30", u"35"}));
    ASSERT_TRUE(store->Find(u"K", u"30"));
    void* buffer = store->Fill({int32_t(7), int32_t(99)});
    store->InsertRecord(buffer);
    store->FreeRecBuf(buffer);
    EXPECT_EQ(store->Walk(u"K"), Texts({u"1", u"5", u"20", u"25", u"30", u"35", u"99"}));
    // Inserted before the first record, it still goes to its place.
    store->SetToBegin();
    buffer = store->Fill({int32_t(8), int32_t(22)});
    store->InsertRecord(buffer);
    store->FreeRecBuf(buffer);
    EXPECT_EQ(store->Walk(u"K"), Texts({u"1", u"5", u"20", u"22", u"25", u"30", u"35", u"99"}));
}

TEST(SortItems, CalculatedColumnsCompareFullBuffers)
{
    TableStore store({{u"ID", dtInt32, 4}, {u"NEG", dtInt32, 4, 0, fdkCalculated}}, false);
    store.OnGetCachedBuffer = [&](void* buffer, void*) {
        bool blank = false;
        int32_t id = 0;
        store.GetField(1, buffer, &id, blank);
        const int32_t negative = -id;
        store.PutField(2, buffer, &negative);
    };
    store.Open();
    for (int i = 1; i <= 4; ++i)
        store.Add({int32_t(i)});
    store.SetIndexFieldNames(u"NEG");
    EXPECT_EQ(store.Walk(u"ID"), Texts({u"4", u"3", u"2", u"1"}));
}

TEST(OddPlacedFields, WideTextIsReadAndWrittenWhereverTheItemPutsIt)
{
    // Items put their records straight after a 41-byte header, so a UTF-16 field at an even record
    // offset sits at an odd address: every access must go byte-wise (the host build's UBSan reports a
    // misaligned Char or double read).
    TableStore store({{u"ID", dtInt32, 4}, {u"NAME", dtWideString, 22, 10}, {u"PRICE", dtFloat, 8}});
    const std::vector<std::vector<Variant>> rows = {
        {int32_t(1), u"Bob  ", 3.5}, {int32_t(2), u"anna", 1.0}, {int32_t(3), u"Al", 2.0}, {int32_t(4), Variant(), 0.5}};
    for (const auto& row : rows)
        store.Add(row);
    const TFieldDesc& name = *store.FieldByName(u"NAME");
    auto record = [&](int n) {
        TItemHeader* item = store.First();
        while (--n > 0)
            item = item->Next;
        return static_cast<uint8_t*>(TBlockManager::GetRecordPtr(item));
    };
    ASSERT_EQ(reinterpret_cast<uintptr_t>(record(1) + name.Offset) % 2, 1u);

    // Get and put straight on an item's record, into and from odd buffers, with trimming.
    store.TrimVarChar = true;
    alignas(8) uint8_t buffer[32] = {};
    bool blank = true;
    store.GetField(name.FieldNo, record(1), buffer + 1, blank);
    EXPECT_FALSE(blank);
    EXPECT_EQ(WideTextAtZ(buffer + 1), u"Bob");
    std::memcpy(buffer + 3, u"Alma", 10);
    store.PutField(name.FieldNo, record(2), buffer + 3);
    Variant value;
    store.GetFieldAsVariant(name.FieldNo, record(2), value);
    EXPECT_EQ(value.AsString(), u"Alma");
    store.TrimVarChar = false;

    // Comparison of two records and of a value with a record.
    EXPECT_EQ(store.CompareFields(record(1), record(2), name, {}), 1);
    EXPECT_EQ(store.CompareFields(record(4), record(3), name, {}), -1);
    std::memcpy(buffer + 5, u"Al", 6);
    EXPECT_EQ(store.CompareFieldValue(buffer + 5, dtWideString, name, record(3), {}), 0);
    EXPECT_EQ(store.CompareFieldValue(buffer + 5, dtWideString, name, record(2), {coPartialKey}), 0);

    // Filters, natively and through variants, case-sensitive and not.
    struct FilterCase {
        const char16_t* text;
        bool caseless, variants;
        std::vector<String> ids;
    };
    const std::vector<FilterCase> filters = {
        {u"NAME LIKE 'A%'", false, false, Texts({u"2", u"3"})},
        {u"NAME LIKE 'A%'", false, true, Texts({u"2", u"3"})},
        {u"NAME LIKE 'b%'", true, false, Texts({u"1"})},
        {u"NAME = 'Al' OR PRICE > 3", false, false, Texts({u"1", u"3"})},
        {u"NAME IS NULL", false, false, Texts({u"4"})},
    };
    for (const FilterCase& c : filters) {
        store.FilterCaseInsensitive = c.caseless;
        store.FilterVariantRoadOnly = c.variants;
        store.SetFilterText(c.text);
        store.FilterUpdated();
        EXPECT_EQ(Ids(store), c.ids) << core::ToAnsi(c.text);
    }
    store.SetFilterText(u"");
    store.FilterUpdated();

    // Sorts by the wide field (record comparison) and by the double beside it (extracted keys).
    const std::vector<std::pair<const char16_t*, std::vector<String>>> sorts = {
        {u"NAME", Texts({u"4", u"3", u"2", u"1"})},
        {u"NAME DESC", Texts({u"1", u"2", u"3", u"4"})},
        {u"PRICE", Texts({u"4", u"2", u"3", u"1"})},
    };
    for (const auto& [index, ids] : sorts) {
        store.SetIndexFieldNames(index);
        EXPECT_EQ(Ids(store), ids) << core::ToAnsi(index);
    }
}
