// The array block. Capacity follows one rule: 32 at first, then the larger of twice the old capacity
// and what is needed. Below 32 the block itself is smaller: none until the first element, then 4
// slots, doubling, so that the many short arrays of a document do not each hold 32 slots. An array the
// reader makes starts in room for those 4 slots in its value's own block, and moves out when it grows.
#include "support/jsonarray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace support {

namespace {
constexpr int64_t kMaxLength = 0x7FFFFFFF;
} // namespace

TJsonArray::TJsonArray() : FArray(nullptr), FSize(0) {}

TJsonArray::~TJsonArray()
{
    Clear(false);
    if (!FInRoom)
        std::free(FArray);
}

void TJsonArray::GiveFirstRoom(TJsonSlot* room)
{
    std::memset(static_cast<void*>(room), 0, kFirstRoom * sizeof(TJsonSlot));
    FArray = room;
    FSize = kFirstRoom;
    FInRoom = true;
}

bool TJsonArray::Grow(int64_t atLeast)
{
    // Growth that would pass the largest length, or that the heap refuses, leaves the array as it is.
    if (atLeast > kMaxLength)
        return false;
    const int64_t capacity = Capacity();
    int64_t size = atLeast > capacity
                       ? std::max(capacity * 2, atLeast)
                       : std::min(capacity, std::max({int64_t(FSize) * 2, int64_t(kFirstRoom), atLeast}));
    if (size > kMaxLength)
        size = kMaxLength;
    void* block;
    if (FInRoom) {
        block = std::malloc(size_t(size) * sizeof(TJsonSlot));
        if (block)
            std::memcpy(block, static_cast<void*>(FArray), size_t(FSize) * sizeof(TJsonSlot));
    } else {
        block = std::realloc(static_cast<void*>(FArray), size_t(size) * sizeof(TJsonSlot));
    }
    if (!block)
        return false;
    FArray = static_cast<TJsonSlot*>(block);
    FInRoom = false;
    std::memset(static_cast<void*>(FArray + FSize), 0, size_t(size - FSize) * sizeof(TJsonSlot));
    FSize = int32_t(size);
    return true;
}

JsonRef TJsonArray::GetItem(int32_t index) const { return JsonRef(Item(index)); }

bool TJsonArray::Store(int32_t index, IJsonObject* owned)
{
    if (index < 0)
        return false;
    if (index >= FSize && !Grow(int64_t(index) + 1))
        return false;
    TJsonSlot old = FArray[index];
    FArray[index].PutObject(owned);
    if (index >= FLength)
        FLength = index + 1;
    old.Release();
    return true;
}

bool TJsonArray::PutItem(int32_t index, const JsonRef& value)
{
    JsonRef copy(value);
    if (!Store(index, copy.get()))
        return false;
    (void)copy.Detach();
    return true;
}

int32_t TJsonArray::Add(const JsonRef& value) { return Add(JsonRef(value)); }

int32_t TJsonArray::Add(JsonRef&& value)
{
    const int32_t index = FLength;
    if (index == kMaxLength || !Store(index, value.get()))
        return -1;
    (void)value.Detach();
    return index;
}

TJsonSlot* TJsonArray::AddSlot()
{
    if (FLength == FSize && (FLength == kMaxLength || !Grow(int64_t(FSize) + 1)))
        return nullptr;
    return &FArray[FLength++];
}

bool TJsonArray::Insert(int32_t index, const JsonRef& value)
{
    if (index < 0)
        return false;
    if (index >= FLength)
        return PutItem(index, value);
    if (FLength == FSize && !Grow(int64_t(FSize) + 1))
        return false;
    std::memmove(static_cast<void*>(FArray + index + 1), FArray + index, size_t(FLength - index) * sizeof(TJsonSlot));
    if (value)
        value->AddRef();
    FArray[index].PutObject(value.get());
    ++FLength;
    return true;
}

JsonRef TJsonArray::Delete(int32_t index)
{
    if (index < 0 || index >= FLength)
        return nullptr;
    JsonRef result = JsonRef::Adopt(FArray[index].Take());
    std::memmove(static_cast<void*>(FArray + index), FArray + index + 1, size_t(FLength - index - 1) * sizeof(TJsonSlot));
    --FLength;
    FArray[FLength].ref = 0;
    return result;
}

void TJsonArray::Clear(bool all)
{
    // The length drops first, so that anything the releases reach sees an empty array.
    const int32_t length = std::exchange(FLength, 0);
    for (int32_t i = 0; i < length; ++i)
        FArray[i].Release(all);
}

void TJsonArray::Pack(bool all)
{
    int32_t kept = 0;
    for (int32_t i = 0; i < FLength; ++i)
        if (!FArray[i].IsNil())
            FArray[kept++] = FArray[i];
    for (int32_t i = kept; i < FLength; ++i)
        FArray[i].ref = 0;
    FLength = kept;
    // Values in place are never containers: only objects have anything to pack.
    if (all)
        for (int32_t i = 0; i < FLength; ++i)
            if (!FArray[i].InPlace())
                FArray[i].Get()->Pack(true);
}

} // namespace support
