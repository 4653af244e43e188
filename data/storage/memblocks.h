// The two allocators of the in-memory record store. TBlockManager hands out items (a header and one
// record buffer) from blocks of ten, keeps freed items on a free list and releases a block as soon as
// none of its items is in use. TStringHeap holds the by-reference strings and byte buffers of records
// in 16 KiB blocks with size-class free lists and per-buffer reference counts, so that record copies
// share buffers; it is cleared wholesale when the store's data are released.
//
// Heap buffer layout (callers hold the address of the data): a 16-bit size field, a 16-bit counter
// (100 + the number of references: 101 new, 100 on a free list), then the data. A small buffer (up to
// 2000 bytes) has class k = (size + 7) div 8 and capacity 8 x k; a larger one is allocated on its own,
// its size field holds kLargeMark and the size asked for sits in a 32-bit field in front of it. A free
// small buffer keeps the link to the next one in its first data bytes. Four header bytes rather than a
// 32-bit size field: a store of short by-reference strings pays the header once per string.
//
// Item layout: the header is packed (41 bytes on x64) and the record follows it directly; items are
// spaced by a multiple of 8 so that every header's pointers stay aligned.
#pragma once

#include "core/string.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

namespace data {

enum TItemStatus : uint8_t { isUnmodified, isUpdated, isAppended, isDeleted };
enum TUpdateRecAction : uint8_t { urFail, urAbort, urSkip, urRetry, urApplied, urNone, urSuspended };
enum TItemFilterState : uint8_t { fsNotChecked, fsNotOmitted, fsOmitted };

struct TBlockHeader;

// A 32-bit integer that may sit at any address (the packed item header's Order): read and written
// by copy, so that no reference to a misaligned int is ever formed.
struct TUnalignedInt32 {
    uint8_t Bytes[4];
    operator int32_t() const
    {
        int32_t value;
        std::memcpy(&value, Bytes, 4);
        return value;
    }
    TUnalignedInt32& operator=(int32_t value)
    {
        std::memcpy(Bytes, &value, 4);
        return *this;
    }
    TUnalignedInt32& operator+=(int32_t value) { return *this = int32_t(*this) + value; }
    TUnalignedInt32& operator-=(int32_t value) { return *this = int32_t(*this) - value; }
    TUnalignedInt32& operator++() { return *this += 1; }
    TUnalignedInt32& operator--() { return *this -= 1; }
    int32_t operator++(int)
    {
        const int32_t old = *this;
        *this += 1;
        return old;
    }
    int32_t operator--(int)
    {
        const int32_t old = *this;
        *this -= 1;
        return old;
    }
};

// An item's header; its record of RecordSize bytes follows directly.
#pragma pack(push, 1)
struct TItemHeader {
    TBlockHeader* Block;
    TItemHeader* Prev;
    TItemHeader* Next;
    TItemHeader* Rollback;
    TItemStatus Status;
    TUpdateRecAction UpdateResult;
    TUnalignedInt32 Order;  // record number without the store's offset; 0 for an omitted item
    uint8_t Flag;   // 221 free, 238 in use
    TItemFilterState FilterResult;
    uint8_t AlignByte;
};
#pragma pack(pop)
static_assert(sizeof(TItemHeader) == 41, "x64 item header: four pointers, then the state bytes");

// A block's header; its items follow directly.
struct TBlockHeader {
    uint16_t ItemCount;
    uint16_t UsedItems;
    TBlockHeader* Prev;
    TBlockHeader* Next;
    uint8_t Test;
};
static_assert(sizeof(TBlockHeader) == 32, "x64 block header");

constexpr uint8_t kItemFree = 221;
constexpr uint8_t kItemInUse = 238;

class TBlockManager {
public:
    TBlockManager() = default;
    ~TBlockManager() { FreeAllBlock(); }
    TBlockManager(const TBlockManager&) = delete;
    TBlockManager& operator=(const TBlockManager&) = delete;

    void AllocBlock(TBlockHeader*& Block, uint16_t ItemCount);
    void AddFreeBlock();
    // Assertion failures for an item that is not marked free (taken) or in use (freed).
    void AllocItem(TItemHeader*& Item);
    void FreeItem(TItemHeader* Item);
    void FreeBlock(TBlockHeader* Block);
    void FreeAllBlock();
    static void InitItem(TItemHeader* Item);

    void PutRecord(TItemHeader* Item, const void* Rec) const;
    void GetRecord(const TItemHeader* Item, void* Rec) const;
    void CopyRecord(const TItemHeader* ItemSrc, TItemHeader* ItemDest) const;
    static void* GetRecordPtr(TItemHeader* Item) { return reinterpret_cast<uint8_t*>(Item) + sizeof(TItemHeader); }

    // Whether Item is an item of a live block of this manager and in use; looks only at this manager's
    // own blocks, so a pointer into a released block is never read.
    bool IsLiveItem(const TItemHeader* Item) const;

    TItemHeader* FirstFree = nullptr;
    TBlockHeader* FirstBlock = nullptr;
    int RecordSize = 0;
    uint16_t DefaultItemCount = 10;

private:
    // Items stay pointer-aligned whatever the record size (records themselves may be odd); the record
    // fills the header's tail up to the next multiple of 8.
    size_t ItemBytes() const { return (sizeof(TItemHeader) + size_t(RecordSize) + 7) & ~size_t(7); }
    TItemHeader* ItemAt(TBlockHeader* block, int index) const
    {
        return reinterpret_cast<TItemHeader*>(reinterpret_cast<uint8_t*>(block) + sizeof(TBlockHeader) +
                                              size_t(index) * ItemBytes());
    }
    void Unlink(TItemHeader* item);
};

class TStringHeap {
public:
    static constexpr int kBlockSize = 16384;
    static constexpr int kBlockRoom = kBlockSize - int(sizeof(void*));
    static constexpr int kSmallClasses = 250;
    static constexpr int kHeader = 4;          // size field and counter
    static constexpr int kLargeHeader = 8;     // a large buffer's 32-bit size, then the small header
    static constexpr uint16_t kLargeMark = 0xFFFF;

    TStringHeap() = default;
    ~TStringHeap() { Clear(); }
    TStringHeap(const TStringHeap&) = delete;
    TStringHeap& operator=(const TStringHeap&) = delete;

    // Null for a size of 0 or less.
    void* NewBuf(int Size);
    // Null for null; Len -1 means up to the zero; Trim drops trailing spaces. The buffer holds the
    // characters and a zero. A wide text may sit at any address (a record field): it is read as bytes.
    void* AllocStr(const char* Str, bool Trim = false, int Len = -1);
    void* AllocWideStr(const void* Str, bool Trim = false, int Len = -1);
    void* ReAllocStr(void* Str, bool Trim = false);
    void* ReAllocWideStr(void* Str, bool Trim = false);
    // Drop and add one reference; null is ignored. Assertion failures "DisposeBuf failed", "SmallTab in
    // DisposeBuf failed" and "AddRefStr failed" for a buffer that is not alive.
    void DisposeBuf(void* Buf);
    void AddRef(void* Buf);
    // Releases every block and empties the free lists. Large buffers stay: their owners dispose them.
    void Clear();

    bool Empty() const { return FEmpty; }
    bool SysGetMem() const { return FSysGetMem; }
    bool ThreadSafety() const { return bool(m_lock); }
    void SetThreadSafety(bool Value);

    // The counter and size field of a buffer (for the store's checks and for tests).
    static uint16_t RefCounter(const void* Buf);
    static uint32_t BufSize(const void* Buf);

private:
    void* NewBufLocked(int Size);
    void DisposeBufLocked(void* Buf);
    void ClearLocked();
    void NewBlock();
    void PushFree(int sizeClass, uint8_t* data);

    void* FSmallTab[kSmallClasses + 1] = {};  // index 1..250
    int FFree = 0;
    uint8_t* FRoot = nullptr;  // the current block; blocks chain through their first field
    bool FEmpty = true;
    bool FSysGetMem = false;
    std::unique_ptr<std::mutex> m_lock;
};

} // namespace data
