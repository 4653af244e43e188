#include "data/storage/memdata.h"

#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace data;

namespace {

// A store of one 32-bit column; FetchMore hands over up to `fetchable` further rows, one at a time.
class IntStore : public TMemData {
public:
    int fetchable = 0;
    int fetchCalls = 0;
    int nextFetched = 1000;

    IntStore()
    {
        InitFields();
        Open();
    }
    ~IntStore() override { Close(); }

    void Add(int32_t value)
    {
        void* buffer = AllocRecBuf();
        InitRecord(buffer);
        PutField(1, buffer, &value);
        AppendRecord(buffer);
        FreeRecBuf(buffer);
    }
    void InsertBefore(int recordNo, int32_t value)
    {
        SetRecordNo(recordNo);
        ASSERT_EQ(GetRecordNo(), recordNo);
        void* buffer = AllocRecBuf();
        InitRecord(buffer);
        PutField(1, buffer, &value);
        InsertRecord(buffer);
        FreeRecBuf(buffer);
    }
    void Update(int32_t value)
    {
        void* buffer = AllocRecBuf();
        GetRecord(buffer);
        PutField(1, buffer, &value);
        UpdateRecord(buffer);
        FreeRecBuf(buffer);
    }
    int32_t Value()
    {
        void* buffer = AllocRecBuf();
        GetRecord(buffer);
        int32_t value = -1;
        bool blank = false;
        GetField(1, buffer, &value, blank);
        FreeRecBuf(buffer);
        return value;
    }
    // Appends the values as fetched rows, in one block.
    void AppendFetched(const std::vector<int32_t>& values)
    {
        std::vector<const void*> ready;
        for (int32_t value : values) {
            void* buffer = AllocRecBuf();
            InitRecord(buffer);
            PutField(1, buffer, &value);
            ready.push_back(buffer);
        }
        AppendFetchedRecords(ready);
        for (const void* buffer : ready)
            FreeRecBuf(const_cast<void*>(buffer));
    }
    // The values in walking order, each checked against its record number.
    std::vector<int32_t> Walk()
    {
        std::vector<int32_t> values;
        SetToBegin();
        for (GetNextRecord(nullptr); !GetEof(); GetNextRecord(nullptr)) {
            values.push_back(Value());
            EXPECT_EQ(GetRecordNo(), int(values.size()));
        }
        return values;
    }
    bool FetchMore(bool) override
    {
        ++fetchCalls;
        if (fetchable == 0)
            return false;
        --fetchable;
        Add(nextFetched++);
        return true;
    }

protected:
    void DoInitFields() override
    {
        auto desc = CreateFieldDesc();
        desc->Name = desc->ActualName = u"N";
        desc->DataType = dtInt32;
        desc->Size = 4;
        Fields().Add(std::move(desc));
    }
};

std::vector<int32_t> Range(int from, int to)
{
    std::vector<int32_t> values;
    for (int i = from; i <= to; ++i)
        values.push_back(i);
    return values;
}

void Fill(IntStore& store, int count)
{
    for (int i = 1; i <= count; ++i)
        store.Add(i);
}

} // namespace

TEST(MemDataNumbering, InsertionsAndRemovalsRenumberTheShorterSide)
{
    struct Case {
        const char* what;
        int count;
        std::function<void(IntStore&)> change;
        int offset;
        std::vector<int32_t> values;
        int current;  // record number of the current item after the change
    } cases[] = {
        {"insert before record 2 of 5", 5, [](IntStore& s) { s.InsertBefore(2, 100); }, 1,
         {1, 100, 2, 3, 4, 5}, 2},
        {"two inserts before record 2", 5, [](IntStore& s) { s.InsertBefore(2, 100); s.InsertBefore(2, 200); }, 2,
         {1, 200, 100, 2, 3, 4, 5}, 2},
        {"insert before record 5 of 5", 5, [](IntStore& s) { s.InsertBefore(5, 100); }, 0,
         {1, 2, 3, 4, 100, 5}, 5},
        {"remove record 5 of 5", 5, [](IntStore& s) { s.SetRecordNo(5); s.DeleteRecord(); }, 0, {1, 2, 3, 4}, 4},
        {"remove record 1 of 5", 5, [](IntStore& s) { s.SetRecordNo(1); s.DeleteRecord(); }, 0, {2, 3, 4, 5}, 1},
        {"remove record 2 of 10", 10, [](IntStore& s) { s.SetRecordNo(2); s.DeleteRecord(); }, -1,
         {1, 3, 4, 5, 6, 7, 8, 9, 10}, 2},
        {"insert at the front, then remove it", 5,
         [](IntStore& s) {
             s.SetToBegin();
             void* blank = s.AllocRecBuf();
             s.InitRecord(blank);
             s.InsertRecord(blank);
             s.FreeRecBuf(blank);
             EXPECT_EQ(s.GetRecordNo(), 1);
             EXPECT_EQ(s.RecordNoOffset(), 1);
             s.DeleteRecord();
         },
         0, {1, 2, 3, 4, 5}, 1},
        {"remove the only record", 1, [](IntStore& s) { s.SetRecordNo(1); s.DeleteRecord(); }, 0, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IntStore store;
        Fill(store, c.count);
        c.change(store);
        EXPECT_EQ(store.RecordNoOffset(), c.offset);
        EXPECT_EQ(store.GetRecordNo(), c.current);
        EXPECT_EQ(store.GetRecordCount(), int(c.values.size()));
        EXPECT_EQ(store.Walk(), c.values);
        if (c.values.empty()) {
            EXPECT_TRUE(store.GetBof());
            EXPECT_TRUE(store.GetEof());
        }
    }
}

TEST(MemDataNumbering, InsertBeforeRecordTwoGivesTheNewItemOrderOneAndTheFirstOrderZero)
{
    IntStore store;
    Fill(store, 5);
    store.InsertBefore(2, 100);
    EXPECT_EQ(store.First()->Order, 0);
    EXPECT_EQ(store.First()->Next->Order, 1);
    EXPECT_EQ(store.Last()->Order, 5);
}

TEST(MemDataSetRecordNo, EveryNumberFromEveryStartAndBothEnds)
{
    IntStore store;
    Fill(store, 11);  // two blocks
    store.InsertBefore(2, 100);  // an offset of 1 and an order of 0 at the front
    store.InsertBefore(2, 200);
    const std::vector<int32_t> values = {1, 200, 100, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const int n = int(values.size());
    for (int start : {0, 1, 2, 7, n}) {
        for (int target = 1; target <= n; ++target) {
            SCOPED_TRACE(testing::Message() << "from " << start << " to " << target);
            if (start == 0)
                store.SetToEnd();
            else
                store.SetRecordNo(start);
            store.SetRecordNo(target);
            EXPECT_EQ(store.GetRecordNo(), target);
            EXPECT_EQ(store.Value(), values[size_t(target) - 1]);
        }
    }
    // Unknown numbers leave the cursor alone, with or without the record-number cache.
    for (bool cached : {false, true}) {
        if (cached)
            store.PrepareRecNoCache();
        for (int bad : {0, -1, n + 1, n + 50}) {
            store.SetRecordNo(4);
            store.SetRecordNo(bad);
            EXPECT_EQ(store.GetRecordNo(), 4) << bad;
        }
        store.SetRecordNo(n);
        EXPECT_EQ(store.Value(), 11);
    }
}

TEST(MemDataSetRecordNo, ABeyondTheCacheWalksAndFetches)
{
    IntStore store;
    Fill(store, 3);
    store.PrepareRecNoCache();
    store.fetchable = 2;
    store.SetRecordNo(5);
    EXPECT_EQ(store.GetRecordNo(), 5);
    EXPECT_EQ(store.Value(), 1001);
    EXPECT_EQ(store.GetRecordCount(), 5);
}

TEST(MemDataNavigation, EndsEmptyStoreAndFetchingOnDemand)
{
    IntStore store;
    store.SetToBegin();
    EXPECT_TRUE(store.GetEof());
    EXPECT_TRUE(store.GetBof());
    store.SetToEnd();
    EXPECT_TRUE(store.GetBof());

    Fill(store, 3);
    store.SetToBegin();
    EXPECT_FALSE(store.GetEof());
    store.SetToEnd();
    std::vector<int32_t> backwards;
    for (store.GetPriorRecord(nullptr); !store.GetBof(); store.GetPriorRecord(nullptr))
        backwards.push_back(store.Value());
    EXPECT_EQ(backwards, (std::vector<int32_t>{3, 2, 1}));

    // A forward walk reaching the last item asks for more rows.
    store.fetchable = 2;
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 2, 3, 1000, 1001}));
    EXPECT_EQ(store.fetchCalls, 3);

    // Deleting the last item asks first, and the fetched row becomes current.
    store.fetchable = 1;
    store.SetRecordNo(5);
    store.DeleteRecord();
    EXPECT_EQ(store.fetchCalls, 4);
    EXPECT_EQ(store.Value(), 1002);
    EXPECT_EQ(store.GetRecordNo(), 5);
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 2, 3, 1000, 1002}));
}

TEST(MemDataNavigation, PutAndUpdateWithoutACurrentItemAreAssertionFailures)
{
    IntStore store;
    Fill(store, 1);
    store.SetToEnd();
    void* buffer = store.AllocRecBuf();
    store.InitRecord(buffer);
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { store.PutRecord(buffer); }).substr(0, 17), u"Assertion failure");
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { store.UpdateRecord(buffer); }).substr(0, 17), u"Assertion failure");
    store.FreeRecBuf(buffer);
    // A refusing modify event leaves the list untouched.
    store.OnDelete = [] { throw core::Exception(u"refused"); };
    store.SetRecordNo(1);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { store.DeleteRecord(); }), u"refused");
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1}));
}

TEST(MemDataFetch, NumbersStayRightAcrossManySmallBlocks)
{
    struct Case {
        const char* what;
        bool filter;       // hides the multiples of 4
        bool removeEarly;  // record 2 removed first: the numbers after it are kept by an offset
        bool cacheBefore;  // the record-number cache full before each block
    } cases[] = {
        {"plain", false, false, false},
        {"after an early removal", false, true, false},
        {"filtered", true, false, false},
        {"filtered, after an early removal, cache full", true, true, true},
        {"cache full", false, false, true},
    };
    const auto visible = [](const Case& c, int32_t value) { return !c.filter || value % 4 != 0; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IntStore store;
        Fill(store, 10);
        std::vector<int32_t> expected;
        if (c.filter)
            store.FilterFunc = [](void* record) {
                int32_t value = 0;
                std::memcpy(&value, record, sizeof value);
                return value % 4 != 0;
            };
        store.FilterUpdated();
        for (int32_t value : Range(1, 10))
            if (visible(c, value))
                expected.push_back(value);
        if (c.removeEarly) {
            store.SetRecordNo(2);
            store.DeleteRecord();
            expected.erase(expected.begin() + 1);
        }
        store.SetRecordNo(3);
        const int32_t current = store.Value();
        int32_t next = 100;
        for (int block = 0; block < 300; ++block) {
            if (c.cacheBefore)
                store.PrepareRecNoCache();
            std::vector<int32_t> values;
            for (int i = 0; i < 3; ++i, ++next) {
                values.push_back(next);
                if (visible(c, next))
                    expected.push_back(next);
            }
            store.AppendFetched(values);
            ASSERT_EQ(store.GetRecordCount(), int(expected.size()));
            ASSERT_EQ(store.GetRecordNo(), 3);  // the current record stays
            ASSERT_EQ(store.Value(), current);
        }
        EXPECT_EQ(store.Walk(), expected);
        for (int target : {int(expected.size()), 1, 2, 3, 500, int(expected.size()) / 2}) {
            store.SetRecordNo(target);
            EXPECT_EQ(store.Value(), expected[size_t(target) - 1]) << target;
        }
    }
}

TEST(MemDataFilter, OmittedItemsAreSkippedAndNumbersStayConsecutive)
{
    IntStore store;
    Fill(store, 11);
    store.FilterFunc = [&](void* record) {
        int32_t value = 0;
        std::memcpy(&value, record, sizeof value);
        return value % 2 == 1;
    };
    store.FilterUpdated();
    EXPECT_EQ(store.GetRecordCount(), 6);
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 3, 5, 7, 9, 11}));
    for (int target : {6, 1, 4, 2, 5}) {
        store.SetRecordNo(target);
        EXPECT_EQ(store.Value(), 2 * target - 1);
    }
    store.PrepareRecNoCache();
    store.SetRecordNo(3);
    EXPECT_EQ(store.Value(), 5);

    // A record the filter hides is stored but not counted.
    store.Add(12);
    EXPECT_EQ(store.GetRecordCount(), 6);
    store.Add(13);
    EXPECT_EQ(store.GetRecordCount(), 7);
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 3, 5, 7, 9, 11, 13}));

    // An update that hides the current record lowers the count once; deleting it then does not again.
    store.SetRecordNo(2);
    store.Update(4);
    EXPECT_EQ(store.GetRecordCount(), 6);
    store.DeleteRecord();
    EXPECT_EQ(store.GetRecordCount(), 6);
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 5, 7, 9, 11, 13}));

    store.FilterFunc = [](void*) { return false; };
    store.FilterUpdated();
    EXPECT_EQ(store.GetRecordCount(), 0);
    EXPECT_TRUE(store.GetEof());
    EXPECT_EQ(store.Walk(), std::vector<int32_t>{});

    store.FilterFunc = nullptr;
    store.FilterUpdated();
    EXPECT_EQ(store.Walk(), (std::vector<int32_t>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
}

TEST(MemDataBookmarks, AcrossInitDataTheRecordNumberDecides)
{
    IntStore store;
    Fill(store, 5);
    store.SetRecordNo(3);
    TRecBookmark mark;
    store.GetBookmark(&mark);
    EXPECT_EQ(mark.Order, 3);
    EXPECT_EQ(mark.RefreshIteration, store.RefreshIteration());
    const int before = store.RefreshIteration();

    store.FreeData();
    EXPECT_GT(store.RefreshIteration(), before);
    for (int i = 10; i <= 50; i += 10)
        store.Add(i);  // the items may reuse the old addresses
    store.SetRecordNo(5);
    store.SetToBookmark(&mark);
    EXPECT_EQ(store.GetRecordNo(), 3);
    EXPECT_EQ(store.Value(), 30);

    // Within an iteration the item follows its record across insertions.
    store.GetBookmark(&mark);
    store.InsertBefore(1, 5);
    store.SetRecordNo(1);
    store.SetToBookmark(&mark);
    EXPECT_EQ(store.Value(), 30);
    EXPECT_EQ(store.GetRecordNo(), 4);

    TRecBookmark none;
    store.SetToEnd();
    store.GetBookmark(&none);
    EXPECT_EQ(none.Order, -1);
    EXPECT_FALSE(store.BookmarkValid(&none));
    EXPECT_FALSE(store.BookmarkValid(nullptr));
    EXPECT_TRUE(store.BookmarkValid(&mark));
}

TEST(MemDataBookmarks, ABookmarkOutlivesItsRecordAndItsBlock)
{
    IntStore store;
    Fill(store, 11);  // the eleventh item alone in the second block
    TRecBookmark last, fifth, seventh;
    store.SetRecordNo(11);
    store.GetBookmark(&last);
    store.SetRecordNo(5);
    store.GetBookmark(&fifth);
    store.SetRecordNo(7);
    store.GetBookmark(&seventh);

    store.SetRecordNo(11);
    store.DeleteRecord();  // releases the second block
    store.SetRecordNo(5);
    store.DeleteRecord();  // its block stays, the item is free

    // Neither item is read: ASan would report a read of the released block.
    store.SetRecordNo(2);
    store.SetToBookmark(&last);
    EXPECT_EQ(store.GetRecordNo(), 2);  // record 11 is gone: nothing moves
    store.SetToBookmark(&fifth);
    EXPECT_EQ(store.Value(), 6);  // the record now numbered 5
    store.SetToBookmark(&seventh);
    EXPECT_EQ(store.Value(), 7);
    EXPECT_EQ(store.GetRecordNo(), 6);

    struct Case { TRecBookmark* a; TRecBookmark* b; int expected; } comparisons[] = {
        {&last, &fifth, 1}, {&fifth, &last, -1}, {&last, &last, 0}, {&fifth, &seventh, -1}, {nullptr, &fifth, 1},
    };
    for (const auto& c : comparisons)
        EXPECT_EQ(store.CompareBookmarks(c.a, c.b), c.expected);

    EXPECT_TRUE(store.BookmarkValid(&last));  // no filter: the number rule
    store.FilterFunc = [](void*) { return true; };
    store.FilterUpdated();
    EXPECT_FALSE(store.BookmarkValid(&last));
    EXPECT_FALSE(store.BookmarkValid(&fifth));
    EXPECT_TRUE(store.BookmarkValid(&seventh));
}

TEST(MemDataValues, FreeDataReleasesBlobsStringsAndVariants)
{
    class Mixed : public TMemData {
    protected:
        void DoInitFields() override
        {
            const std::tuple<const char16_t*, uint16_t, uint16_t, uint16_t> columns[] = {
                {u"B", dtMemo, 8, 0}, {u"RS", dtExtString, 8, 10}, {u"N", dtInt32, 4, 0}};
            for (const auto& [name, type, size, length] : columns) {
                auto desc = CreateFieldDesc();
                desc->Name = desc->ActualName = name;
                desc->DataType = type;
                desc->Size = size;
                desc->Length = length;
                Fields().Add(std::move(desc));
            }
        }
    } store;
    store.InitFields();
    store.Open();
    for (int i = 0; i < 12; ++i) {
        void* buffer = store.AllocRecBuf();
        store.InitRecord(buffer);
        store.CreateComplexFields(buffer, true);
        static_cast<TBlob*>(store.GetObject(1, buffer))->Write(0, 5, "memo!");
        store.PutField(2, buffer, "text");
        store.AppendRecord(buffer);  // the stored record owns the values now
        store.FreeRecBuf(buffer);
    }
    EXPECT_EQ(store.GetRecordCount(), 12);
    store.SetRecordNo(12);
    store.DeleteRecord();  // releases its values and its block
    store.SetRecordNo(3);
    char text[16] = {};
    void* buffer = store.AllocRecBuf();
    store.GetRecord(buffer);
    bool blank = true;
    store.GetField(2, buffer, text, blank);
    EXPECT_STREQ(text, "text");
    EXPECT_EQ(store.GetBlobSize(1, buffer), 5);
    store.FreeRecBuf(buffer);
    store.FreeData();  // LeakSanitizer checks that every blob went
    EXPECT_EQ(store.GetRecordCount(), 0);
    EXPECT_TRUE(store.GetEof());
    store.Close();
}

TEST(MemDataValues, UpdateCachedBufferVisitsTheRange)
{
    IntStore store;
    Fill(store, 5);
    std::vector<int32_t> seen;
    store.OnGetCachedBuffer = [&](void* buffer, void* source) {
        EXPECT_EQ(source, nullptr);
        int32_t value = 0;
        std::memcpy(&value, buffer, sizeof value);
        seen.push_back(value);
    };
    store.UpdateCachedBuffer();
    EXPECT_EQ(seen, Range(1, 5));
    seen.clear();
    store.UpdateCachedBuffer(store.First()->Next, store.Last()->Prev);
    EXPECT_EQ(seen, Range(2, 4));
}
