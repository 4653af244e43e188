#include "data/storage/memblocks.h"

#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace data;

namespace {

int CountBlocks(const TBlockManager& manager)
{
    int n = 0;
    for (TBlockHeader* block = manager.FirstBlock; block; block = block->Next)
        ++n;
    return n;
}

} // namespace

TEST(BlockManager, ElevenItemsTakeTwoBlocksAndTheEleventhReleasesItsOwn)
{
    TBlockManager manager;
    manager.RecordSize = 13;  // odd: records sit at any offset
    std::vector<TItemHeader*> items(11);
    for (auto& item : items) {
        manager.AllocItem(item);
        EXPECT_EQ(item->Flag, kItemInUse);
        EXPECT_EQ(item->Status, isUnmodified);
        EXPECT_EQ(item->UpdateResult, urNone);
        EXPECT_EQ(item->Rollback, nullptr);
    }
    EXPECT_EQ(CountBlocks(manager), 2);
    EXPECT_EQ(items[0]->Block, items[9]->Block);
    EXPECT_NE(items[10]->Block, items[0]->Block);
    // The free list hands a new block's items out in address order, so appended records run forward
    // through memory.
    EXPECT_LT(items[0], items[1]);
    // The record follows the packed header; items are spaced by 56 (41 + 13 rounded up to 8), so that
    // every header's pointers stay aligned.
    EXPECT_EQ(static_cast<uint8_t*>(TBlockManager::GetRecordPtr(items[0])), reinterpret_cast<uint8_t*>(items[0]) + 41);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(items[1]) - reinterpret_cast<uint8_t*>(items[0]), 56);
    for (TItemHeader* item : items)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(item) % 8, 0u);
    // The record number sits unaligned in the packed header and is read and written by copy.
    items[2]->Order = 41;
    ++items[2]->Order;
    items[2]->Order += 10;
    EXPECT_EQ(items[2]->Order--, 52);
    EXPECT_EQ(items[2]->Order, 51);

    const char record[13] = "abcdefghijkl";
    manager.PutRecord(items[10], record);
    manager.CopyRecord(items[10], items[3]);
    char back[13] = {};
    manager.GetRecord(items[3], back);
    EXPECT_EQ(std::memcmp(back, record, 13), 0);

    EXPECT_TRUE(manager.IsLiveItem(items[10]));
    manager.FreeItem(items[10]);
    EXPECT_EQ(CountBlocks(manager), 1);
    EXPECT_FALSE(manager.IsLiveItem(items[10]));  // its block is gone: known without reading it
    manager.FreeItem(items[0]);
    EXPECT_FALSE(manager.IsLiveItem(items[0]));
    EXPECT_EQ(items[0]->Flag, kItemFree);
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { manager.FreeItem(items[0]); }), u"no exception");
    TItemHeader* again = nullptr;
    manager.AllocItem(again);
    EXPECT_EQ(again, items[0]);  // the free list's head
    for (int i = 0; i < 10; ++i)
        manager.FreeItem(i == 0 ? again : items[size_t(i)]);
    EXPECT_EQ(CountBlocks(manager), 0);
    EXPECT_EQ(manager.FirstFree, nullptr);
}

TEST(StringHeap, SizeClassesLargeBuffersAndCounters)
{
    TStringHeap heap;
    EXPECT_TRUE(heap.Empty());
    EXPECT_EQ(heap.NewBuf(0), nullptr);
    void* one = heap.NewBuf(1);
    void* eight = heap.NewBuf(8);
    EXPECT_EQ(TStringHeap::BufSize(one), 8u);
    EXPECT_EQ(TStringHeap::BufSize(eight), 8u);
    EXPECT_EQ(TStringHeap::RefCounter(one), 101);
    void* small = heap.NewBuf(2000);
    EXPECT_EQ(TStringHeap::BufSize(small), 2000u);
    EXPECT_FALSE(heap.SysGetMem());
    void* large = heap.NewBuf(2001);
    EXPECT_EQ(TStringHeap::BufSize(large), 2001u);
    EXPECT_TRUE(heap.SysGetMem());
    EXPECT_FALSE(heap.Empty());

    heap.AddRef(one);
    heap.DisposeBuf(one);
    EXPECT_EQ(TStringHeap::RefCounter(one), 101);
    heap.DisposeBuf(one);  // the last reference: back to class 1
    EXPECT_EQ(TStringHeap::RefCounter(one), 100);
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { heap.DisposeBuf(one); }).rfind(u"DisposeBuf failed", 0), 0u);
    EXPECT_EQ(ErrorOf<core::EAssertionFailed>([&] { heap.AddRef(one); }).rfind(u"AddRefStr failed", 0), 0u);
    EXPECT_EQ(heap.NewBuf(3), one);  // taken from its free list
    heap.DisposeBuf(large);
    heap.DisposeBuf(nullptr);
    heap.Clear();
    EXPECT_TRUE(heap.Empty());
    EXPECT_FALSE(heap.SysGetMem());
}

TEST(StringHeap, BlocksFillAndTheirRestIsReused)
{
    TStringHeap heap;
    heap.SetThreadSafety(true);
    EXPECT_TRUE(heap.ThreadSafety());
    std::vector<void*> buffers;
    // 16376 bytes of room: eight 2004-byte buffers leave 344, too little for a ninth.
    for (int i = 0; i < 9; ++i)
        buffers.push_back(heap.NewBuf(2000));
    // The 344 bytes left became a free buffer of 336 (class 42), which a fitting request takes.
    void* rest = heap.NewBuf(330);
    EXPECT_EQ(TStringHeap::BufSize(rest), 336u);
    EXPECT_EQ(static_cast<uint8_t*>(rest), static_cast<uint8_t*>(buffers[7]) + 2004);
    heap.SetThreadSafety(false);
    heap.Clear();
    void* fresh = heap.NewBuf(10);
    EXPECT_FALSE(heap.Empty());
    EXPECT_EQ(TStringHeap::BufSize(fresh), 16u);
}

TEST(StringHeap, StringCopiesTrimAndEndInZero)
{
    TStringHeap heap;
    auto* text = static_cast<char*>(heap.AllocStr("abc  ", true));
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(heap.AllocStr(nullptr), nullptr);
    auto* part = static_cast<char*>(heap.AllocStr("abcdef", false, 2));
    EXPECT_STREQ(part, "ab");
    auto* wide = static_cast<core::Char*>(heap.AllocWideStr(u"xy ", true));
    EXPECT_EQ(core::String(wide), u"xy");
    auto* again = static_cast<char*>(heap.ReAllocStr(text, false));
    EXPECT_STREQ(again, "abc");
    EXPECT_EQ(TStringHeap::RefCounter(text), 100);
    auto* wide_again = static_cast<core::Char*>(heap.ReAllocWideStr(wide));
    EXPECT_EQ(core::String(wide_again), u"xy");
}
