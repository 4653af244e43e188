#include "data/storage/memdata.h"

#include "data/storage/test/error_of.h"
#include "data/storage/test/table_store.h"

#include <gtest/gtest.h>

using namespace data;
using namespace storetest;

namespace {

// ID, V (ANSI text), M (memo); records 1 "a", 2 "b", 3 "c", with cached updates on.
std::unique_ptr<TableStore> Cached()
{
    auto store = std::make_unique<TableStore>(
        std::vector<Column>{{u"ID", dtInt32, 4}, {u"V", dtString, 11, 10}, {u"M", dtMemo, 8}});
    store->Add({int32_t(1), u"a"});
    store->Add({int32_t(2), u"b"});
    store->Add({int32_t(3), u"c"});
    store->SetCachedUpdates(true);
    return store;
}

// Every item of the list, hidden ones included: "id:status:result".
String State(TableStore& store)
{
    static const char16_t* statuses[] = {u"unmodified", u"updated", u"appended", u"deleted"};
    static const char16_t* results[] = {u"fail", u"abort", u"skip", u"retry", u"applied", u"none", u"suspended"};
    String text;
    for (TItemHeader* item = store.First(); item; item = item->Next) {
        int32_t id = 0;
        bool blank = false;
        store.GetField(1, TBlockManager::GetRecordPtr(item), &id, blank);
        text += (text.empty() ? u"" : u" ") + core::IntToStr(id) + u":" + statuses[item->Status] + u":" +
            results[item->UpdateResult];
    }
    return text;
}

void Go(TableStore& store, int id)
{
    ASSERT_TRUE(store.Find(u"ID", core::IntToStr(id)));
}

// The memo of the current record rewritten as a dataset does it: rollback on, new text, posted.
void EditMemo(TableStore& store, const std::string& text)
{
    void* buffer = store.AllocRecBuf(true);
    store.GetRecord(buffer);
    store.EditRecord(buffer);
    store.TruncateBlob(3, buffer, 0);
    store.WriteBlob(3, buffer, 0, int(text.size()), text.data());
    store.PostRecord(buffer);
    store.FreeRecBuf(buffer);
}

std::string Memo(TableStore& store, bool old)
{
    void* buffer = store.AllocRecBuf(true);
    if (old)
        store.GetOldRecord(buffer);
    else
        store.GetRecord(buffer);
    std::string text(size_t(store.GetBlobSize(3, buffer)), '\0');
    store.ReadBlob(3, buffer, 0, int(text.size()), text.data());
    store.FreeRecBuf(buffer);
    return text;
}

} // namespace

TEST(CachedUpdates, UpdateThenDeleteKeepsOneEntryAndTheOldValues)
{
    auto store = Cached();
    Go(*store, 2);
    store->Update(u"V", u"x");
    EXPECT_EQ(store->GetUpdateStatus(), isUpdated);
    store->DeleteRecord();
    EXPECT_EQ(State(*store), u"1:unmodified:none 2:deleted:none 3:unmodified:none");
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"3"}));
    bool blank = false;
    char value[11] = {};
    store->GetField(2, TBlockManager::GetRecordPtr(store->First()->Next), value, blank);
    EXPECT_STREQ(value, "b");  // restored from the rollback copy
    store->CancelUpdates();
    EXPECT_EQ(store->Walk(u"V"), Texts({u"a", u"b", u"c"}));
    EXPECT_FALSE(store->GetUpdatesPending());
}

TEST(CachedUpdates, InsertThenDeleteLeavesNothing)
{
    auto store = Cached();
    store->Add({int32_t(4), u"d"});
    EXPECT_TRUE(store->GetUpdatesPending());
    EXPECT_EQ(store->GetUpdateStatus(), isAppended);
    store->DeleteRecord();  // the cursor leaves the item before it is freed
    EXPECT_FALSE(store->GetUpdatesPending());
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"2", u"3"}));
    EXPECT_EQ(State(*store), u"1:unmodified:none 2:unmodified:none 3:unmodified:none");
}

TEST(CachedUpdates, AnAppliedInsertThatIsUpdatedGetsARollbackCopy)
{
    auto store = Cached();
    store->Add({int32_t(4), u"d"});
    std::vector<TUpdateRecKind> kinds;
    store->OnApplyRecord = [&](TUpdateRecKind kind, TUpdateRecAction& action, bool) {
        kinds.push_back(kind);
        action = urApplied;
    };
    store->ApplyUpdates();
    EXPECT_EQ(kinds, std::vector<TUpdateRecKind>{ukInsert});
    EXPECT_FALSE(store->GetUpdatesPending());
    Go(*store, 4);
    store->Update(u"V", u"e");
    EXPECT_EQ(store->GetUpdateStatus(), isUpdated);
    void* old = store->AllocRecBuf();
    store->GetOldRecord(old);
    Variant value;
    store->GetFieldAsVariant(2, old, value);
    store->FreeRecBuf(old);
    EXPECT_EQ(value.AsString(), u"d");
    store->CommitUpdates();
    EXPECT_EQ(kinds, (std::vector<TUpdateRecKind>{ukInsert, ukUpdate}));
    EXPECT_EQ(State(*store), u"1:unmodified:none 2:unmodified:none 3:unmodified:none 4:unmodified:none");
}

TEST(CachedUpdates, SuspendedRunsAndRetries)
{
    struct Case {
        std::vector<TUpdateRecAction> answers;  // then urApplied
        std::vector<int> calls;
        const char16_t* state;
    } cases[] = {
        {{urSuspended, urSuspended, urApplied}, {1, 2, 3}, u"1:updated:applied 2:updated:applied 3:updated:applied"},
        {{urSuspended, urSuspended, urRetry}, {1, 2, 3, 1, 2, 3}, u"1:updated:applied 2:updated:applied 3:updated:applied"},
        {{urRetry}, {1, 1, 2, 3}, u"1:updated:applied 2:updated:applied 3:updated:applied"},
        {{urSuspended, urSkip, urApplied}, {1, 2, 3}, u"1:updated:skip 2:updated:skip 3:updated:applied"},
        {{urApplied, urSuspended, urSuspended}, {1, 2, 3}, u"1:updated:applied 2:updated:suspended 3:updated:suspended"},
    };
    for (const Case& c : cases) {
        auto store = Cached();
        for (int id = 1; id <= 3; ++id) {
            Go(*store, id);
            store->Update(u"V", u"x");
        }
        std::vector<int> calls;
        size_t answer = 0;
        store->OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
            calls.push_back(store->Value(u"ID").AsInteger());
            action = answer < c.answers.size() ? c.answers[answer++] : urApplied;
        };
        store->ApplyUpdates();
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(core::ToAnsi(State(*store)), core::ToAnsi(c.state));
    }
}

TEST(CachedUpdates, ARaisingHandlerLeavesTheFailingRecordCurrent)
{
    auto store = Cached();
    for (int id = 1; id <= 3; ++id) {
        Go(*store, id);
        store->Update(u"V", u"x");
    }
    Go(*store, 1);
    store->OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        if (store->Value(u"ID").AsInteger() == 2)
            throw core::Exception(u"server says no");
        action = urApplied;
    };
    EXPECT_EQ(ErrorOf<core::Exception>([&] { store->ApplyUpdates(); }), u"server says no");
    EXPECT_EQ(State(*store), u"1:updated:applied 2:updated:fail 3:updated:none");
    EXPECT_EQ(store->Value(u"ID").AsInteger(), 2);
}

TEST(CachedUpdates, CommitAfterAPartialFailureKeepsTheFailedEntries)
{
    auto store = Cached();
    for (int id = 1; id <= 3; ++id) {
        Go(*store, id);
        store->Update(u"V", u"x");
    }
    Go(*store, 1);
    store->DeleteRecord();
    // The handler reads the lent buffers: a deleted record is not reachable by navigation.
    void* fresh = store->AllocRecBuf();
    void* old = store->AllocRecBuf();
    store->SetCacheRecBuf(fresh, old);
    store->OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        bool blank = false;
        int32_t id = 0;
        store->GetField(1, fresh, &id, blank);
        action = id == 2 ? urFail : urApplied;
    };
    store->CommitUpdates();
    store->SetCacheRecBuf(nullptr, nullptr);
    store->FreeRecBuf(fresh);
    store->FreeRecBuf(old);
    EXPECT_EQ(State(*store), u"2:updated:fail 3:unmodified:none");
    EXPECT_TRUE(store->GetUpdatesPending());
    EXPECT_EQ(store->Walk(u"V"), Texts({u"x", u"x"}));
    store->CancelUpdates();
    EXPECT_EQ(store->Walk(u"V"), Texts({u"b", u"x"}));
}

TEST(CachedUpdates, ABlobEditedTwiceKeepsItsFirstContentsForRollback)
{
    auto store = Cached();
    Go(*store, 2);
    EditMemo(*store, "one");
    store->SetCachedUpdates(false);  // "one" is the committed state
    store->SetCachedUpdates(true);
    EXPECT_EQ(Memo(*store, false), "");
    Go(*store, 2);
    EditMemo(*store, "one");
    store->CancelUpdates();
    EXPECT_EQ(Memo(*store, false), "");

    Go(*store, 2);
    void* buffer = store->AllocRecBuf();
    store->GetRecord(buffer);
    TSharedObject* blob = store->GetObject(3, buffer);
    store->FreeRecBuf(buffer);
    EditMemo(*store, "two");
    EditMemo(*store, "three");
    EXPECT_EQ(Memo(*store, false), "three");
    EXPECT_EQ(Memo(*store, true), "");
    store->RevertRecord();
    EXPECT_EQ(Memo(*store, false), "");
    buffer = store->AllocRecBuf();
    store->GetRecord(buffer);
    EXPECT_EQ(store->GetObject(3, buffer), blob);  // the blob object keeps its identity
    store->FreeRecBuf(buffer);
    EXPECT_FALSE(store->GetUpdatesPending());
}

TEST(CachedUpdates, RecordCountsFollowTheVisibleStatuses)
{
    auto store = Cached();
    store->SetFilterItemTypes({isUnmodified, isUpdated, isAppended, isDeleted});
    Go(*store, 2);
    store->DeleteRecord();
    EXPECT_EQ(store->GetRecordCount(), 3);
    Go(*store, 2);
    store->DeleteRecord();  // already deleted: nothing changes
    EXPECT_EQ(store->GetRecordCount(), 3);
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"2", u"3"}));
    store->Add({int32_t(4), u"d"});
    store->DeleteRecord();
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"2", u"3"}));
    store->SetFilterItemTypes({isUnmodified, isUpdated, isAppended});
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"3"}));
    Go(*store, 1);
    store->DeleteRecord();
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"3"}));
    store->SetToBegin();
    store->GetNextRecord(nullptr);
    store->RevertRecord();  // no entry for record 3: nothing happens
    store->CancelUpdates();
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"2", u"3"}));
}

TEST(CachedUpdates, AHandlerThatRevertsTheCurrentInsertion)
{
    auto store = Cached();
    store->Add({int32_t(4), u"d"});
    int calls = 0;
    store->OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool last) {
        ++calls;
        EXPECT_TRUE(last);
        store->RevertRecord();
        action = urApplied;
    };
    store->ApplyUpdates();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(store->GetBof());
    EXPECT_FALSE(store->GetUpdatesPending());
    EXPECT_EQ(store->Walk(u"ID"), Texts({u"1", u"2", u"3"}));
}

TEST(CachedUpdates, AHandlerThatClosesTheStoreEndsTheWalk)
{
    auto store = Cached();
    Go(*store, 1);
    store->Update(u"V", u"x");
    Go(*store, 2);
    store->Update(u"V", u"y");
    int calls = 0;
    store->OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        ++calls;
        action = urApplied;
        store->Close();
    };
    store->ApplyUpdates();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(store->Active());
}

TEST(CachedUpdates, RestoreCancelAndSwitchingOff)
{
    auto store = Cached();
    Go(*store, 3);
    store->Update(u"V", u"z");
    store->Add({int32_t(4), u"d"});
    Go(*store, 1);
    store->DeleteRecord();
    store->OnApplyRecord = [](TUpdateRecKind, TUpdateRecAction& action, bool) { action = urApplied; };
    store->ApplyUpdates();
    EXPECT_FALSE(store->GetUpdatesPending());
    store->RestoreUpdates();
    EXPECT_TRUE(store->GetUpdatesPending());
    EXPECT_EQ(State(*store), u"1:deleted:none 2:unmodified:none 3:updated:none 4:appended:none");
    store->SetCachedUpdates(false);
    EXPECT_EQ(store->Walk(u"V"), Texts({u"a", u"b", u"c"}));
}

TEST(CachedUpdates, WithoutCachingTheModifyEventsRunFirst)
{
    auto store = Cached();
    store->SetCachedUpdates(false);
    int events = 0;
    store->OnUpdate = [&] { ++events; };
    store->OnDelete = [&] { throw core::Exception(u"refused"); };
    Go(*store, 1);
    store->Update(u"V", u"x");
    EXPECT_EQ(events, 1);
    EXPECT_ANY_THROW(store->DeleteRecord());
    EXPECT_EQ(store->Walk(u"V"), Texts({u"x", u"b", u"c"}));
    store->SetCachedUpdates(true);
    Go(*store, 2);
    store->Update(u"V", u"y");
    EXPECT_EQ(events, 1);  // not raised with cached updates
}
