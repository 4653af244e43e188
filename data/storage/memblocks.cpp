// Item blocks and the string heap.
#include "data/storage/memblocks.h"

#include "data/storage/encoding.h"

#include "core/exception.h"

#include <cstdlib>
#include <cstring>

namespace data {

namespace {

[[noreturn]] void Fail(const char16_t* message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

uint8_t* Header(void* buf) { return static_cast<uint8_t*>(buf) - TStringHeap::kHeader; }
const uint8_t* Header(const void* buf) { return static_cast<const uint8_t*>(buf) - TStringHeap::kHeader; }

void SetSizeField(uint8_t* header, uint16_t size) { std::memcpy(header, &size, 2); }
void SetCounter(uint8_t* header, uint16_t counter) { std::memcpy(header + 2, &counter, 2); }

uint16_t SizeField(const void* buf)
{
    uint16_t size;
    std::memcpy(&size, Header(buf), 2);
    return size;
}

std::unique_lock<std::mutex> LockOf(const std::unique_ptr<std::mutex>& lock)
{
    return lock ? std::unique_lock<std::mutex>(*lock) : std::unique_lock<std::mutex>();
}

} // namespace

// ---- TBlockManager ------------------------------------------------------------------------------

void TBlockManager::AllocBlock(TBlockHeader*& Block, uint16_t ItemCount)
{
    Block = static_cast<TBlockHeader*>(Marshal::AllocHGlobal(sizeof(TBlockHeader) + ItemCount * ItemBytes()));
    Block->ItemCount = ItemCount;
    Block->UsedItems = ItemCount;
    Block->Prev = nullptr;
    Block->Next = FirstBlock;
    Block->Test = 0;
    if (FirstBlock)
        FirstBlock->Prev = Block;
    FirstBlock = Block;
}

void TBlockManager::AddFreeBlock()
{
    TBlockHeader* block = nullptr;
    AllocBlock(block, DefaultItemCount);
    // Pushed from the last item down, so that items are handed out in address order: a list built by
    // appends then runs forward through memory, which the processor reads ahead.
    for (int i = block->ItemCount - 1; i >= 0; --i) {
        TItemHeader* item = ItemAt(block, i);
        item->Block = block;
        item->Flag = kItemFree;
        item->Prev = nullptr;
        item->Next = FirstFree;
        if (FirstFree)
            FirstFree->Prev = item;
        FirstFree = item;
    }
    block->UsedItems = 0;
}

void TBlockManager::AllocItem(TItemHeader*& Item)
{
    if (!FirstFree)
        AddFreeBlock();
    Item = FirstFree;
    if (Item->Flag != kItemFree)
        Fail(u"Assertion failure");
    Item->Flag = kItemInUse;
    FirstFree = Item->Next;
    if (FirstFree)
        FirstFree->Prev = nullptr;
    Item->Prev = Item->Next = nullptr;
    InitItem(Item);
    Item->Order = 0;
    Item->FilterResult = fsNotChecked;
    ++Item->Block->UsedItems;
}

void TBlockManager::Unlink(TItemHeader* item)
{
    if (item->Prev)
        item->Prev->Next = item->Next;
    else
        FirstFree = item->Next;
    if (item->Next)
        item->Next->Prev = item->Prev;
}

void TBlockManager::FreeItem(TItemHeader* Item)
{
    if (Item->Flag != kItemInUse)
        Fail(u"Assertion failure");
    Item->Flag = kItemFree;
    TBlockHeader* block = Item->Block;
    if (block->UsedItems > 1) {
        Item->Prev = nullptr;
        Item->Next = FirstFree;
        if (FirstFree)
            FirstFree->Prev = Item;
        FirstFree = Item;
        --block->UsedItems;
        return;
    }
    // The block's last item in use: its other items leave the free list and the block goes.
    for (int i = 0; i < block->ItemCount; ++i) {
        TItemHeader* other = ItemAt(block, i);
        if (other == Item)
            continue;
        if (other->Flag != kItemFree)
            Fail(u"Assertion failure");
        Unlink(other);
    }
    FreeBlock(block);
}

void TBlockManager::FreeBlock(TBlockHeader* Block)
{
    if (Block->Prev)
        Block->Prev->Next = Block->Next;
    else
        FirstBlock = Block->Next;
    if (Block->Next)
        Block->Next->Prev = Block->Prev;
    Marshal::FreeHGlobal(Block);
}

void TBlockManager::FreeAllBlock()
{
    while (FirstBlock)
        FreeBlock(FirstBlock);
    FirstFree = nullptr;
}

void TBlockManager::InitItem(TItemHeader* Item)
{
    Item->Rollback = nullptr;
    Item->Status = isUnmodified;
    Item->UpdateResult = urNone;
}

void TBlockManager::PutRecord(TItemHeader* Item, const void* Rec) const
{
    std::memmove(GetRecordPtr(Item), Rec, size_t(RecordSize));
}

void TBlockManager::GetRecord(const TItemHeader* Item, void* Rec) const
{
    std::memmove(Rec, GetRecordPtr(const_cast<TItemHeader*>(Item)), size_t(RecordSize));
}

void TBlockManager::CopyRecord(const TItemHeader* ItemSrc, TItemHeader* ItemDest) const
{
    std::memmove(GetRecordPtr(ItemDest), GetRecordPtr(const_cast<TItemHeader*>(ItemSrc)), size_t(RecordSize));
}

bool TBlockManager::IsLiveItem(const TItemHeader* Item) const
{
    const auto address = reinterpret_cast<uintptr_t>(Item);
    for (TBlockHeader* block = FirstBlock; block; block = block->Next) {
        const auto first = reinterpret_cast<uintptr_t>(ItemAt(block, 0));
        const auto end = first + block->ItemCount * ItemBytes();
        if (address >= first && address < end)
            return (address - first) % ItemBytes() == 0 && Item->Flag == kItemInUse;
    }
    return false;
}

// ---- TStringHeap --------------------------------------------------------------------------------

uint16_t TStringHeap::RefCounter(const void* Buf)
{
    uint16_t counter;
    std::memcpy(&counter, Header(Buf) + 2, 2);
    return counter;
}

uint32_t TStringHeap::BufSize(const void* Buf)
{
    const uint16_t small = SizeField(Buf);
    if (small != kLargeMark)
        return small;
    uint32_t size;
    std::memcpy(&size, static_cast<const uint8_t*>(Buf) - kLargeHeader, 4);
    return size;
}

void TStringHeap::NewBlock()
{
    auto* block = static_cast<uint8_t*>(Marshal::AllocHGlobal(kBlockSize));
    std::memcpy(block, &FRoot, sizeof FRoot);
    FRoot = block;
    FFree = kBlockRoom;
}

void TStringHeap::PushFree(int sizeClass, uint8_t* data)
{
    std::memcpy(data, &FSmallTab[sizeClass], sizeof(void*));
    FSmallTab[sizeClass] = data;
}

void* TStringHeap::NewBuf(int Size)
{
    auto guard = LockOf(m_lock);
    return NewBufLocked(Size);
}

void* TStringHeap::NewBufLocked(int Size)
{
    if (Size <= 0)
        return nullptr;
    FEmpty = false;
    const int k = (Size + 7) / 8;
    uint8_t* header;
    if (k <= kSmallClasses) {
        if (void* free = FSmallTab[k]) {
            std::memcpy(&FSmallTab[k], free, sizeof(void*));
            SetCounter(Header(free), 101);
            return free;
        }
        const int need = 8 * k + kHeader;
        if (FRoot && FFree < need) {
            // The rest of the block becomes a free buffer of its own class.
            const int capacity = ((FFree - kHeader) / 8) * 8;
            if (capacity >= 8) {
                uint8_t* rest = FRoot + kBlockSize - FFree;
                SetSizeField(rest, uint16_t(capacity));
                SetCounter(rest, 100);
                PushFree(capacity / 8, rest + kHeader);
            }
            NewBlock();
        } else if (!FRoot) {
            NewBlock();
        }
        header = FRoot + kBlockSize - FFree;
        uint16_t size = uint16_t(8 * k);
        FFree -= need;
        if (FFree < 8 + kHeader) {
            // Too little left for another buffer: it goes to this one.
            const uint16_t grown = uint16_t(size + (FFree / 8) * 8);
            if (grown <= 2000)
                size = grown;
            NewBlock();
        }
        SetSizeField(header, size);
    } else {
        auto* block = static_cast<uint8_t*>(Marshal::AllocHGlobal(size_t(Size) + kLargeHeader));
        const uint32_t size = uint32_t(Size);
        std::memcpy(block, &size, 4);
        header = block + kLargeHeader - kHeader;
        SetSizeField(header, kLargeMark);
        FSysGetMem = true;
    }
    SetCounter(header, 101);
    return header + kHeader;
}

void* TStringHeap::AllocStr(const char* Str, bool Trim, int Len)
{
    if (!Str)
        return nullptr;
    size_t length = Len < 0 ? std::strlen(Str) : size_t(Len);
    if (Trim)
        while (length > 0 && Str[length - 1] == ' ')
            --length;
    auto* buf = static_cast<char*>(NewBuf(int(length) + 1));
    std::memcpy(buf, Str, length);
    buf[length] = 0;
    return buf;
}

void* TStringHeap::AllocWideStr(const void* Str, bool Trim, int Len)
{
    if (!Str)
        return nullptr;
    size_t length = 0;
    if (Len >= 0) {
        length = size_t(Len);
    } else {
        // The text may sit at any address: its units are read one by one.
        for (core::Char c;; ++length) {
            std::memcpy(&c, static_cast<const uint8_t*>(Str) + 2 * length, 2);
            if (!c)
                break;
        }
    }
    const auto* bytes = static_cast<const uint8_t*>(Str);
    if (Trim) {
        for (core::Char c; length > 0; --length) {
            std::memcpy(&c, bytes + 2 * (length - 1), 2);
            if (c != u' ')
                break;
        }
    }
    auto* buf = static_cast<uint8_t*>(NewBuf(int(2 * length + 2)));
    std::memcpy(buf, bytes, 2 * length);
    buf[2 * length] = buf[2 * length + 1] = 0;
    return buf;
}

void* TStringHeap::ReAllocStr(void* Str, bool Trim)
{
    void* copy = AllocStr(static_cast<const char*>(Str), Trim, -1);
    DisposeBuf(Str);
    return copy;
}

void* TStringHeap::ReAllocWideStr(void* Str, bool Trim)
{
    void* copy = AllocWideStr(Str, Trim, -1);
    DisposeBuf(Str);
    return copy;
}

void TStringHeap::DisposeBuf(void* Buf)
{
    if (!Buf)
        return;
    auto guard = LockOf(m_lock);
    DisposeBufLocked(Buf);
}

void TStringHeap::DisposeBufLocked(void* Buf)
{
    uint8_t* header = Header(Buf);
    const uint16_t counter = RefCounter(Buf);
    if (counter <= 100)
        Fail(u"DisposeBuf failed");
    if (counter > 101) {
        SetCounter(header, uint16_t(counter - 1));
        return;
    }
    SetCounter(header, 100);
    if (SizeField(Buf) == kLargeMark) {
        Marshal::FreeHGlobal(static_cast<uint8_t*>(Buf) - kLargeHeader);
        return;
    }
    const int k = (SizeField(Buf) + 7) / 8;
    if (k < 1 || k > kSmallClasses)
        Fail(u"SmallTab in DisposeBuf failed");
    PushFree(k, static_cast<uint8_t*>(Buf));
}

void TStringHeap::AddRef(void* Buf)
{
    if (!Buf)
        return;
    const uint16_t counter = RefCounter(Buf);
    if (counter <= 100)
        Fail(u"AddRefStr failed");
    SetCounter(Header(Buf), uint16_t(counter + 1));
}

void TStringHeap::Clear()
{
    auto guard = LockOf(m_lock);
    ClearLocked();
}

void TStringHeap::ClearLocked()
{
    if (FEmpty)
        return;
    while (FRoot) {
        uint8_t* next;
        std::memcpy(&next, FRoot, sizeof next);
        Marshal::FreeHGlobal(FRoot);
        FRoot = next;
    }
    for (void*& head : FSmallTab)
        head = nullptr;
    FFree = kBlockRoom;
    FEmpty = true;
    FSysGetMem = false;
}

void TStringHeap::SetThreadSafety(bool Value)
{
    if (Value) {
        if (m_lock)
            Fail(u"Assertion failure");
        m_lock = std::make_unique<std::mutex>();
    } else {
        m_lock.reset();
    }
}

} // namespace data
