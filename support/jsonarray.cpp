// The array block: capacity 32 at first, then the larger of twice the old size and what is needed.
#include "support/jsonarray.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace support {

namespace {
constexpr int32_t kInitialCapacity = 32;
constexpr int64_t kMaxLength = 0x7FFFFFFF;
} // namespace

TJsonArray::TJsonArray()
    : FArray(static_cast<IJsonObject**>(std::calloc(kInitialCapacity, sizeof(IJsonObject*)))), FSize(kInitialCapacity)
{
    if (!FArray)
        throw std::bad_alloc();
}

TJsonArray::~TJsonArray()
{
    Clear(false);
    std::free(FArray);
}

bool TJsonArray::Grow(int64_t atLeast)
{
    // Growth that would pass the largest length, or that the heap refuses, leaves the array as it is.
    if (atLeast > kMaxLength)
        return false;
    int64_t size = std::max<int64_t>(int64_t(FSize) * 2, atLeast);
    if (size > kMaxLength)
        size = kMaxLength;
    void* block = std::realloc(FArray, size_t(size) * sizeof(IJsonObject*));
    if (!block)
        return false;
    FArray = static_cast<IJsonObject**>(block);
    std::memset(FArray + FSize, 0, size_t(size - FSize) * sizeof(IJsonObject*));
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
    IJsonObject* old = std::exchange(FArray[index], owned);
    if (index >= FLength)
        FLength = index + 1;
    if (old)
        old->Release();
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

bool TJsonArray::Insert(int32_t index, const JsonRef& value)
{
    if (index < 0)
        return false;
    if (index >= FLength)
        return PutItem(index, value);
    if (FLength == FSize && !Grow(int64_t(FSize) + 1))
        return false;
    std::memmove(FArray + index + 1, FArray + index, size_t(FLength - index) * sizeof(IJsonObject*));
    if (value)
        value->AddRef();
    FArray[index] = value.get();
    ++FLength;
    return true;
}

JsonRef TJsonArray::Delete(int32_t index)
{
    if (index < 0 || index >= FLength)
        return nullptr;
    JsonRef result = JsonRef::Adopt(FArray[index]);
    std::memmove(FArray + index, FArray + index + 1, size_t(FLength - index - 1) * sizeof(IJsonObject*));
    --FLength;
    FArray[FLength] = nullptr;
    return result;
}

void TJsonArray::Clear(bool all)
{
    // The length drops first, so that anything the releases reach sees an empty array.
    const int32_t length = std::exchange(FLength, 0);
    for (int32_t i = 0; i < length; ++i) {
        if (IJsonObject* item = std::exchange(FArray[i], nullptr)) {
            if (all)
                item->Clear(true);
            item->Release();
        }
    }
}

void TJsonArray::Pack(bool all)
{
    int32_t kept = 0;
    for (int32_t i = 0; i < FLength; ++i)
        if (FArray[i])
            FArray[kept++] = FArray[i];
    for (int32_t i = kept; i < FLength; ++i)
        FArray[i] = nullptr;
    FLength = kept;
    if (all)
        for (int32_t i = 0; i < FLength; ++i)
            if (FArray[i])
                FArray[i]->Pack(true);
}

} // namespace support
