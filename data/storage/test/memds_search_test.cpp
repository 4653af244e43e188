#include "data/storage/test/memds_fixture.h"

#include "data/storage/test/error_of.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace data;
using namespace data::test;

namespace {

// Counts the value comparisons a search asks of the store.
class CountingStore : public TableStore {
public:
    using TableStore::TableStore;
    int CompareFieldValue(const void* ValuePtr, int ValueType, const TFieldDesc& FieldDesc, const void* RecBuf,
                          TCompareOptions Options) override
    {
        ++comparisons;
        return TableStore::CompareFieldValue(ValuePtr, ValueType, FieldDesc, RecBuf, Options);
    }
    int comparisons = 0;
};

std::vector<Column> Scores()
{
    return {{u"ID", dtInt32, 4}, {u"NAME", dtString, 21, 20}, {u"SCORE", dtFloat, 8}};
}

class SearchDataSet : public TestDataSet {
public:
    SearchDataSet() : TestDataSet(Scores()) { SetData(std::make_unique<CountingStore>(Scores())); }
    CountingStore& Store() { return static_cast<CountingStore&>(*Data()); }
    int Id() { return FieldByName(u"ID")->AsInteger(); }
    void GoTo(int id)
    {
        First();
        while (!Eof() && Id() != id)
            Next();
        ASSERT_EQ(Id(), id);
    }
};

Variant Row(std::initializer_list<Variant> values) { return Variant::ArrayOf(Variant::Items(values)); }

// ID, NAME, SCORE: three equal names, a null name; added out of order, sorted by NAME: 1 2 3 4 5 6 7.
void FillPeople(SearchDataSet& dataSet)
{
    dataSet.Open();
    const struct {
        int id;
        const char16_t* name;
    } rows[] = {{6, u"Smith"}, {3, u"Jones"}, {1, nullptr}, {4, u"Jones"}, {7, u"Young"}, {2, u"Adams"}, {5, u"Jones"}};
    for (const auto& row : rows)
        dataSet.AppendRecord({Variant(row.id), row.name ? Variant(String(row.name)) : Variant::Null(),
                              Variant(row.id * 10.0)});
    dataSet.SetIndexFieldNames(u"NAME");
    dataSet.First();
}

} // namespace

TEST(MemDataSetSearch, BinarySearchOnASortedStoreOfUniqueKeys)
{
    SearchDataSet dataSet;
    dataSet.Open();
    constexpr int n = 100000;
    std::vector<int32_t> ids(n);
    for (int i = 0; i < n; ++i)
        ids[size_t(i)] = 2 * i + 2;  // even keys: the odd ones fall between records
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
    CountingStore& store = dataSet.Store();
    void* record = store.AllocRecBuf();
    for (int32_t id : ids) {
        store.InitRecord(record);
        store.PutField(1, record, &id);
        store.AppendRecord(record);
    }
    store.FreeRecBuf(record);
    dataSet.SetIndexFieldNames(u"ID");
    dataSet.First();
    ASSERT_EQ(dataSet.Id(), 2);

    const int limit = int(2 * std::log2(double(n)) + 4);
    const struct {
        int key;
        bool found;
    } cases[] = {{2, true}, {2 * n, true}, {100000, true}, {77778, true}, {3, false}, {99999, false},
                 {1, false}, {2 * n + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        dataSet.First();
        store.comparisons = 0;
        EXPECT_EQ(dataSet.LocateEx(u"ID", Variant(c.key), {}), c.found);
        EXPECT_LE(store.comparisons, limit);
        EXPECT_GT(store.comparisons, 0);
        EXPECT_EQ(dataSet.Id(), c.found ? c.key : 2);
    }
    // A text key is converted for the sorted column.
    store.comparisons = 0;
    EXPECT_TRUE(dataSet.LocateEx(u"ID", Variant(String(u"4242")), {}));
    EXPECT_EQ(dataSet.Id(), 4242);
    EXPECT_LE(store.comparisons, limit);
}

TEST(MemDataSetSearch, CaseInsensitiveKeysScanACaseSensitiveOrder)
{
    SearchDataSet dataSet;
    dataSet.Open();
    constexpr int n = 1000;
    for (int i = n - 1; i >= 0; --i) {
        char16_t name[8] = u"N0000";
        for (int k = 4, v = i; k >= 1; --k, v /= 10)
            name[k] = char16_t(u'0' + v % 10);
        dataSet.AppendRecord({Variant(i), Variant(String(name)), Variant(0.0)});
    }
    dataSet.SetIndexFieldNames(u"NAME");
    CountingStore& store = dataSet.Store();

    store.comparisons = 0;
    EXPECT_TRUE(dataSet.LocateEx(u"NAME", Variant(String(u"N0600")), {}));
    EXPECT_EQ(dataSet.Id(), 600);
    EXPECT_LE(store.comparisons, int(2 * std::log2(double(n)) + 4));

    dataSet.First();
    store.comparisons = 0;
    EXPECT_TRUE(dataSet.LocateEx(u"NAME", Variant(String(u"n0600")), {lxCaseInsensitive}));
    EXPECT_EQ(dataSet.Id(), 600);
    EXPECT_GE(store.comparisons, 600);

    // A column sorted without regard to case takes the binary search only for such keys.
    dataSet.SetIndexFieldNames(u"NAME CIS");
    dataSet.First();
    store.comparisons = 0;
    EXPECT_TRUE(dataSet.LocateEx(u"NAME", Variant(String(u"n0700")), {lxCaseInsensitive}));
    EXPECT_EQ(dataSet.Id(), 700);
    EXPECT_LE(store.comparisons, int(2 * std::log2(double(n)) + 4));
}

TEST(MemDataSetSearch, LocateTable)
{
    SearchDataSet dataSet;
    FillPeople(dataSet);
    const struct {
        int from;
        const char16_t* fields;
        Variant key;
        TLocateExOptions options;
        bool found;
        int at;
    } cases[] = {
        {1, u"NAME", Variant(String(u"Jones")), {}, true, 3},             // the first of equal keys
        {7, u"NAME", Variant(String(u"Jones")), {lxUp}, true, 5},         // upwards: the last of them
        {5, u"NAME", Variant(String(u"Jones")), {lxNext}, false, 5},      // no match after the last one
        {3, u"NAME", Variant(String(u"Jones")), {lxNext}, true, 4},
        {4, u"NAME", Variant(String(u"Jones")), {lxUp}, true, 3},
        {7, u"NAME", Variant::Null(), {}, true, 1},                        // a Null key meets a null field
        {1, u"NAME", Variant(String(u"jones")), {lxCaseInsensitive}, true, 3},
        {1, u"NAME", Variant(String(u"Jo")), {lxPartialKey}, true, 3},
        {1, u"NAME", Variant(String(u"mit")), {lxPartialCompare}, true, 6},
        {4, u"NAME", Variant(String(u"Brown")), {}, false, 4},             // the position stays
        {1, u"NAME", Variant(String(u"Zed")), {}, false, 1},
        {1, u"NAME;ID", Row({Variant(String(u"Jones")), Variant(4)}), {}, true, 4},
        {1, u"NAME;ID", Row({Variant(String(u"Jones")), Variant(9)}), {}, false, 1},
        {1, u"ID;NAME", Row({Variant(5), Variant(String(u"Jones"))}), {}, true, 5},
        {1, u"NAME;ID", Row({Variant::Null()}), {}, false, 1},             // a missing element is Null
        {1, u"SCORE", Variant(45.0), {lxNearest}, true, 5},                // the next greater value
        {1, u"SCORE", Variant(40.0), {lxNearest}, true, 4},
        {1, u"SCORE", Variant(99.0), {lxNearest}, true, 7},                // past every record: the last
        {1, u"ID", Variant(String(u"6")), {}, true, 6},                    // a text against a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(core::ToAnsi(String(c.fields)) + " from " + std::to_string(c.from));
        dataSet.GoTo(c.from);
        EXPECT_EQ(dataSet.LocateEx(c.fields, c.key, c.options), c.found);
        EXPECT_EQ(dataSet.Id(), c.at);
    }

    // The platform's options and the field-list forms.
    dataSet.GoTo(7);
    EXPECT_TRUE(dataSet.Locate(u"NAME", Variant(String(u"ADAMS")), loCaseInsensitive));
    EXPECT_EQ(dataSet.Id(), 2);
    EXPECT_TRUE(dataSet.Locate({dataSet.FieldByName(u"NAME")}, Variant(String(u"Sm")), loPartialKey));
    EXPECT_EQ(dataSet.Id(), 6);
    EXPECT_TRUE(dataSet.LocateEx({dataSet.FieldByName(u"NAME")}, Variant(String(u"Jones")), {lxUp}));
    EXPECT_EQ(dataSet.Id(), 5);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { dataSet.LocateEx(u"NOPE", Variant(1), {}); }), u"Field NOPE not found");
    EXPECT_EQ(ErrorOf<core::EConvertError>([&] {
                  void* buffer = nullptr;
                  uint16_t type = 0;
                  TFieldDesc desc;
                  desc.DataType = dtObject;
                  dataSet.KeyValueToBuffer(Variant(1), buffer, false, desc, type);
              }),
              u"Cannot convert type");
    // A key that does not convert ends the sorted search; the scan still answers.
    EXPECT_FALSE(dataSet.LocateEx(u"NAME;ID", Row({Variant(String(u"Jones")), Variant(String(u"x"))}), {}));

    // Lookup keeps the current record.
    dataSet.GoTo(2);
    EXPECT_TRUE(dataSet.Lookup(u"NAME", Variant(String(u"Nobody")), u"ID").IsNull());
    const Variant values = dataSet.Lookup(u"NAME", Variant(String(u"Smith")), u"ID;SCORE");
    ASSERT_EQ(values.ArrayCount(), 2);
    EXPECT_EQ(values.ArrayItem(0).AsInteger(), 6);
    EXPECT_EQ(values.ArrayItem(1).AsDouble(), 60.0);
    EXPECT_EQ(dataSet.Lookup(u"ID", Variant(7), u"NAME").AsString(), u"Young");
    EXPECT_TRUE(dataSet.Lookup(u"NAME", Variant(String(u"jones")), u"ID").IsNull());  // exact and case-sensitive
    EXPECT_EQ(dataSet.Id(), 2);
}

TEST(MemDataSetSearch, KeyValuesInTheStoresForm)
{
    SearchDataSet dataSet;
    const struct {
        uint16_t code;
        Variant value;
        bool convert;
        uint16_t type;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {dtInt16, Variant(String(u"-2")), true, dtInt32, {0xFE, 0xFF, 0xFF, 0xFF}},
        {dtUInt32, Variant(int64_t(0xFFFFFFFF)), false, dtUInt32, {0xFF, 0xFF, 0xFF, 0xFF}},
        {dtBoolean, Variant(String(u"True")), true, dtBoolean, {1}},
        {dtBoolean, Variant(String(u"false")), false, dtBoolean, {0}},
        {dtVarBytes, Variant(String(u"ab")), false, dtVarBytes, {2, 0, 'a', 'b'}},
        {dtInt32, Variant(String(u"12")), false, dtString, {'1', '2', 0}},  // compared as text
        {dtWideString, Variant(String(u"A")), false, dtWideString, {'A', 0, 0, 0}},
        {dtExtString, Variant(7), false, dtString, {'7', 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        TFieldDesc desc;
        desc.DataType = c.code;
        void* buffer = nullptr;
        uint16_t type = 0;
        dataSet.KeyValueToBuffer(c.value, buffer, c.convert, desc, type);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(std::memcmp(buffer, c.bytes.data(), c.bytes.size()), 0);
        Marshal::FreeHGlobal(buffer);
    }
    TFieldDesc desc;
    desc.DataType = dtFloat;
    void* buffer = &desc;
    uint16_t type = 0;
    dataSet.KeyValueToBuffer(Variant::Null(), buffer, true, desc, type);
    EXPECT_EQ(buffer, nullptr);
    desc.DataType = dtArray;
    EXPECT_EQ(ErrorOf<core::EConvertError>([&] { dataSet.KeyValueToBuffer(Variant(String(u"1")), buffer, true, desc, type); }),
              u"Cannot convert type");
}

TEST(MemDataSetSearch, FiltersByTextAndByEvent)
{
    SearchDataSet dataSet;
    FillPeople(dataSet);
    dataSet.SetFilter(u"SCORE > 35");
    EXPECT_EQ(dataSet.RecordCount(), 7);  // not filtered yet
    dataSet.SetFiltered(true);
    EXPECT_EQ(dataSet.RecordCount(), 4);
    EXPECT_EQ(dataSet.Id(), 4);
    dataSet.SetFilter(u"   ");
    EXPECT_EQ(dataSet.RecordCount(), 7);
    dataSet.SetFilter(u"NAME = 'jones'");
    EXPECT_EQ(dataSet.RecordCount(), 0);
    dataSet.SetFilterOptions(foCaseInsensitive);
    EXPECT_EQ(dataSet.RecordCount(), 3);
    EXPECT_EQ(dataSet.Id(), 3);
    dataSet.SetFiltered(false);
    EXPECT_EQ(dataSet.RecordCount(), 7);

    // The event reads the judged record through the fields; an exception keeps the record.
    std::vector<String> reported;
    core::SetApplicationExceptionHandler([&](const std::exception& e) { reported.push_back(core::ExceptionMessage(e)); });
    dataSet.SetFilter(u"");
    dataSet.SetOnFilterRecord([](TDataSet& ds, bool& accept) {
        EXPECT_EQ(ds.State(), dsFilter);
        const int id = ds.FieldByName(u"ID")->AsInteger();
        if (id == 5)
            throw core::Exception(u"bad five");
        accept = id % 2 == 0;
    });
    EXPECT_EQ(dataSet.RecordCount(), 7);  // not filtered
    dataSet.SetFiltered(true);
    core::SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(dataSet.RecordCount(), 4);  // 2, 4, 5, 6
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported[0], u"bad five");
    std::vector<int> seen;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        seen.push_back(dataSet.Id());
    EXPECT_EQ(seen, (std::vector<int>{2, 4, 5, 6}));
    EXPECT_EQ(dataSet.State(), dsBrowse);
    dataSet.SetOnFilterRecord(nullptr);
    EXPECT_EQ(dataSet.RecordCount(), 7);
    dataSet.SetFiltered(false);

    // Find operations use the filter for the one search on an unfiltered dataset.
    dataSet.SetFilter(u"SCORE >= 50");
    EXPECT_TRUE(dataSet.FindFirst());
    EXPECT_EQ(dataSet.Id(), 5);
    EXPECT_TRUE(dataSet.FindNext());
    EXPECT_EQ(dataSet.Id(), 6);
    EXPECT_TRUE(dataSet.FindLast());
    EXPECT_EQ(dataSet.Id(), 7);
    EXPECT_FALSE(dataSet.FindNext());
    EXPECT_TRUE(dataSet.FindPrior());
    EXPECT_EQ(dataSet.Id(), 6);
    EXPECT_EQ(dataSet.RecordCount(), 7);
    dataSet.Next();
    dataSet.Prior();
    dataSet.Prior();
    EXPECT_EQ(dataSet.Id(), 5);

    // A filtered dataset opens with its filter in place.
    dataSet.SetFilter(u"ID < 3");
    dataSet.SetFiltered(true);
    dataSet.Close();
    dataSet.Open();
    EXPECT_TRUE(dataSet.Data()->HasFilterExpression());
}

TEST(MemDataSetSearch, CachedUpdateControl)
{
    SearchDataSet dataSet;
    FillPeople(dataSet);
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { (void)dataSet.UpdateRecordTypes(); }), u"Not in cached update mode");
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.SetUpdateRecordTypes(rtDeleted); }), u"Not in cached update mode");
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.ApplyUpdates(); }), u"Not in cached update mode");
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.CancelUpdates(); }), u"Not in cached update mode");
    EXPECT_THROW(dataSet.SetCachedUpdates(true), EDatabaseError);  // only while closed
    EXPECT_FALSE(dataSet.UpdatesPending());
    EXPECT_EQ(dataSet.UpdateStatus(), usUnmodified);

    dataSet.Close();
    dataSet.SetCachedUpdates(true);
    EXPECT_TRUE(dataSet.Data()->CachedUpdates());
    FillPeople(dataSet);
    dataSet.log = {};
    EXPECT_EQ(dataSet.UpdateStatus(), usInserted);
    EXPECT_EQ(dataSet.UpdateResult(), uaApplied);  // not applied yet
    EXPECT_TRUE(dataSet.UpdatesPending());
    dataSet.ApplyUpdates();
    EXPECT_EQ(dataSet.log.appends, 7);
    dataSet.CommitUpdates();
    EXPECT_FALSE(dataSet.UpdatesPending());
    EXPECT_EQ(dataSet.UpdateStatus(), usUnmodified);

    // An edit and a deletion, shown by update kind.
    dataSet.GoTo(3);
    dataSet.Edit();
    dataSet.FieldByName(u"SCORE")->SetAsFloat(31);
    dataSet.Post();
    EXPECT_EQ(dataSet.UpdateStatus(), usModified);
    dataSet.GoTo(6);
    dataSet.Delete();
    EXPECT_EQ(dataSet.RecordCount(), 6);
    dataSet.SetUpdateRecordTypes(rtDeleted);
    EXPECT_EQ(dataSet.UpdateRecordTypes(), TUpdateRecordTypes(rtDeleted));
    EXPECT_EQ(dataSet.RecordCount(), 1);
    EXPECT_EQ(dataSet.Id(), 6);
    EXPECT_EQ(dataSet.UpdateStatus(), usDeleted);
    dataSet.SetUpdateRecordTypes(rtModified);
    EXPECT_EQ(dataSet.RecordCount(), 1);
    EXPECT_EQ(dataSet.Id(), 3);
    dataSet.SetUpdateRecordTypes(rtModified | rtInserted | rtUnmodified);
    EXPECT_EQ(dataSet.RecordCount(), 6);

    // A failing apply keeps the changes and leaves the dataset usable.
    dataSet.OnUpdateRecord = [](TDataSet&, TUpdateKind, int& action) { action = uaFail; };
    EXPECT_EQ(ErrorOf<EDatabaseError>([&] { dataSet.ApplyUpdates(); }), u"Update failed");
    EXPECT_TRUE(dataSet.UpdatesPending());
    EXPECT_EQ(dataSet.State(), dsBrowse);
    dataSet.OnUpdateRecord = nullptr;

    // Reverting one record, then cancelling the rest.
    dataSet.GoTo(3);
    dataSet.Edit();
    dataSet.FieldByName(u"SCORE")->SetAsFloat(32);
    dataSet.RevertRecord();
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.FieldByName(u"SCORE")->AsFloat(), 30.0);
    EXPECT_EQ(dataSet.UpdateStatus(), usUnmodified);
    EXPECT_TRUE(dataSet.UpdatesPending());  // the deletion
    dataSet.CancelUpdates();
    EXPECT_FALSE(dataSet.UpdatesPending());
    EXPECT_EQ(dataSet.RecordCount(), 7);

    // The setting travels with Assign, through the store.
    dataSet.Close();
    SearchDataSet copy;
    copy.Assign(dataSet);
    EXPECT_TRUE(copy.CachedUpdates());
    EXPECT_TRUE(copy.Data()->CachedUpdates());
}
TEST(MemDataSet, ARecordWithValuesIntoAnEmptyDataSet)
{
    TestDataSet dataSet(Scores());
    dataSet.Open();
    dataSet.AppendRecord({Variant(6), Variant(String(u"Smith")), Variant(60.0)});
    EXPECT_EQ(dataSet.FieldByName(u"ID")->AsInteger(), 6);
    dataSet.InsertRecord({Variant(3)});
    dataSet.First();
    EXPECT_EQ(dataSet.FieldByName(u"ID")->AsInteger(), 3);
    dataSet.Next();
    EXPECT_EQ(dataSet.FieldByName(u"NAME")->AsString(), u"Smith");
}
