// The elements of a JSON array value: a growable block of slots (counted value references, or small
// values in place) with nil holes.
#pragma once

#include "support/jsonobject.h"

#include <cstdint>

namespace support {

class TJsonArray {
public:
    TJsonArray();
    TJsonArray(const TJsonArray&) = delete;
    TJsonArray& operator=(const TJsonArray&) = delete;
    ~TJsonArray();

    int32_t Length() const { return FLength; }
    // The length the array reaches before it grows (its block may be smaller while that is under 32).
    int32_t Capacity() const { return FSize > kInitialCapacity ? FSize : kInitialCapacity; }

    // The element, or nil outside 0..Length-1.
    JsonRef GetItem(int32_t index) const;
    IJsonObject* Item(int32_t index) const { return index >= 0 && index < FLength ? FArray[index].Get() : nullptr; }
    // The slot itself, for walks that read values in place without making objects of them.
    const TJsonSlot& Slot(int32_t index) const { return FArray[index]; }
    // Stores at index (releasing what was there), growing and leaving nil holes as needed. Returns
    // false and changes nothing for a negative index or growth that cannot be had.
    bool PutItem(int32_t index, const JsonRef& value);
    // Appends; returns the index of the new element, -1 when the array cannot grow.
    int32_t Add(const JsonRef& value);
    // The same, taking over the caller's reference (no count changes hands).
    int32_t Add(JsonRef&& value);
    // Appends a nil slot for the caller to fill; nil when the array cannot grow.
    TJsonSlot* AddSlot();
    bool Insert(int32_t index, const JsonRef& value);
    // Removes and returns the element (nil outside 0..Length-1).
    JsonRef Delete(int32_t index);
    // Releases every element, first clearing each with all set; the capacity stays.
    void Clear(bool all);
    // Removes nil elements keeping the order of the rest; with all, packs the remaining values too.
    void Pack(bool all);

    // For an empty array: room for its first kFirstRoom slots that lives as long as the array (the
    // reader makes an array value and that room in one block); the array moves out when it grows.
    static constexpr int32_t kFirstRoom = 4;
    void GiveFirstRoom(TJsonSlot* room);

private:
    static constexpr int32_t kInitialCapacity = 32;

    bool Grow(int64_t atLeast);
    // Stores a reference the array now owns; false (the reference untouched) when it cannot.
    bool Store(int32_t index, IJsonObject* owned);

    TJsonSlot* FArray;  // nil until the first element
    int32_t FLength = 0;
    int32_t FSize;      // the slots of the block
    bool FInRoom = false;  // the block is the room from GiveFirstRoom
};

} // namespace support
