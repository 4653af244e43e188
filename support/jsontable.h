// The member table of a JSON object value: a height-balanced (AVL) tree of entries ordered by a
// 32-bit hash of the member name, descending, and among equal hashes by the name itself, ascending.
// The order is fixed by the names alone, so members always iterate (and are written) in the same
// order whatever order they were put in; a replaced member keeps its place.
#pragma once

#include "core/interface.h"
#include "core/string.h"
#include "support/jsonobject.h"

#include <cstdint>

namespace support {

using core::String;
using core::StringView;

class IJsonObject;
class TJsonAvlIterator;

// One member: its name and its value's slot (nil, a value object the entry holds one count of, or a
// small value in place).
class TJsonAvlEntry {
public:
    TJsonAvlEntry(String name, void* ptr);
    // A member read from text: hash is Hash(name), which the reader works out as it scans the name;
    // the entry takes over the slot.
    TJsonAvlEntry(StringView name, uint32_t hash, const TJsonSlot& slot) : FHash(hash), FName(name), FSlot(slot) {}

    // h := h * 129 + unit + 0x9E370001 for each UTF-16 unit, with 32-bit wrap-around.
    static uint32_t Hash(StringView name)
    {
        // Four units a step give the same sum, h * 129^4 + (u0 + K) * 129^3 + ... + (u3 + K), with
        // one dependent multiplication per step instead of four.
        constexpr uint32_t k = 0x9E370001u, p1 = 129u, p2 = p1 * p1, p3 = p2 * p1, p4 = p3 * p1;
        uint32_t h = 0;
        // Units are read through a pointer that stops at the end: indexing past a short literal
        // name, even in steps that never run, draws GCC's out-of-bounds warning.
        const char16_t* unit = name.data();
        const char16_t* const end = unit + name.size();
        for (; end - unit >= 4; unit += 4)
            h = h * p4 + (unit[0] + k) * p3 + (unit[1] + k) * p2 + (unit[2] + k) * p1 + (unit[3] + k);
        for (; unit != end; ++unit)
            h = h * p1 + *unit + k;
        return h;
    }

    const String& Name() const { return FName; }
    uint32_t HashValue() const { return FHash; }
    // The value object (a value in place is made into one first), or nil.
    void* Ptr() const { return FSlot.Get(); }
    // Stores an object the entry takes a count of; what was there is not released.
    void SetPtr(void* ptr) { FSlot.PutObject(static_cast<IJsonObject*>(ptr)); }
    const TJsonSlot& Slot() const { return FSlot; }
    TJsonSlot& Slot() { return FSlot; }
    // The payload as a value (a new reference); replacing releases the old one.
    core::Ref<IJsonObject> Value() const;
    void SetValue(const core::Ref<IJsonObject>& value);

private:
    friend class TJsonAvlTree;
    friend class TJsonAvlIterator;

    TJsonAvlEntry* FGt = nullptr;
    TJsonAvlEntry* FLt = nullptr;
    int32_t FBf = 0;
    uint32_t FHash;
    String FName;
    TJsonSlot FSlot;
};

enum TJsonAvlSearchType : unsigned { stEQual = 1, stLess = 2, stGreater = 4 };
using TJsonAvlSearchTypes = unsigned;

// Paths are kept up to this many levels: an AVL tree of 2^44 entries is still shallower.
inline constexpr int kJsonAvlMaxDepth = 64;

class TJsonAvlTree {
public:
    TJsonAvlTree() = default;
    TJsonAvlTree(const TJsonAvlTree&) = delete;
    TJsonAvlTree& operator=(const TJsonAvlTree&) = delete;
    virtual ~TJsonAvlTree();

    bool IsEmpty() const { return FRoot == nullptr; }
    int32_t Count() const { return FCount; }

    // Inserts, or on an equal name swaps the payloads into the existing entry and disposes of the new
    // one; returns the entry that holds the payload now.
    virtual TJsonAvlEntry* InsertEntry(TJsonAvlEntry* entry);
    // A new entry for InsertEntry: in the tree's room for one entry when it has that room free, else
    // on the heap. The entry takes over the slot; hash is TJsonAvlEntry::Hash(name).
    TJsonAvlEntry* NewEntry(StringView name, uint32_t hash, const TJsonSlot& slot);
    // Room for one entry, a short way behind the tree, that lives as long as the tree (the reader
    // makes an object value and the room for its first member in one block); the tree keeps one entry
    // at a time in it.
    void GiveEntryRoom(void* room);
    // The exact match with stEQual; with stLess / stGreater the nearest entry before / after the key
    // in tree order; nil when there is none.
    virtual TJsonAvlEntry* FindEntry(StringView key, TJsonAvlSearchTypes kinds) const;
    virtual void Clear(bool all);

    // Removes the entry of that exact name; returns its payload (the caller takes its count) or nil.
    void* DeletePtr(StringView key);
    // Removes every entry whose payload is nil; with all, packs the remaining values too.
    void Pack(bool all);

    TJsonAvlIterator GetEnumerator() const;
    // Calls f(entry) for each entry in iteration order (the tree must not change meanwhile). Always
    // inlined, so that f is too.
    template <class F> [[gnu::always_inline]] void ForEach(F&& f) const
    {
        TJsonAvlEntry* path[kJsonAvlMaxDepth];
        int depth = 0;
        for (TJsonAvlEntry* e = FRoot;; e = e->FGt) {
            for (; e; e = e->FLt)
                path[depth++] = e;
            if (depth == 0)
                return;
            e = path[--depth];
            f(static_cast<const TJsonAvlEntry*>(e));
        }
    }

protected:
    virtual void DeleteEntry(TJsonAvlEntry* entry, bool all);
    // Ends an entry from NewEntry or new: the room is freed, a heap entry deleted.
    void DisposeEntry(TJsonAvlEntry* entry);
    virtual int CompareEntries(const TJsonAvlEntry& a, const TJsonAvlEntry& b) const;
    virtual int CompareKeyToEntry(StringView key, const TJsonAvlEntry& entry) const;

private:
    friend class TJsonAvlIterator;
    static TJsonAvlEntry* Rebalance(TJsonAvlEntry* e);
    // Negative when the key comes before the entry in tree order.
    int Order(uint32_t hash, StringView key, const TJsonAvlEntry& entry) const;
    TJsonAvlEntry* Search(StringView key, TJsonAvlSearchTypes kinds, TJsonAvlEntry** path, uint64_t& branch,
                          int& depth) const;

    TJsonAvlEntry* Room() const
    {
        return reinterpret_cast<TJsonAvlEntry*>(reinterpret_cast<uintptr_t>(this) + FRoomOffset);
    }

    TJsonAvlEntry* FRoot = nullptr;
    int32_t FCount = 0;
    // The entry room from GiveEntryRoom, as an offset from the tree (0: none), and whether it holds one.
    int16_t FRoomOffset = 0;
    bool FRoomUsed = false;
};

// The members of an object value, each payload a counted IJsonObject reference.
class TJsonTableString : public TJsonAvlTree {
public:
    ~TJsonTableString() override;

    core::Ref<IJsonObject> GetMember(StringView name) const;
    // The entry that ends up holding the value takes one count of it.
    void PutMember(StringView name, const core::Ref<IJsonObject>& value);
    void PutMember(String&& name, core::Ref<IJsonObject>&& value);
    // The same with a slot the table takes over (the caller's slot is nil afterwards).
    void PutMember(String&& name, TJsonSlot& value);
    // Removes the member; returns its value (nil when absent or nil).
    core::Ref<IJsonObject> Delete(StringView name);
    // New array values with the member values / names in iteration order.
    core::Ref<IJsonObject> GetValues() const;
    core::Ref<IJsonObject> GetNames() const;

protected:
    void DeleteEntry(TJsonAvlEntry* entry, bool all) override;
};

// A resumable walk over a tree in its order. After the last entry MoveNext starts over.
class TJsonAvlIterator {
public:
    explicit TJsonAvlIterator(const TJsonAvlTree& tree) : FTree(&tree) {}

    void First();
    void Last();
    void Next();
    void Prior();
    bool MoveNext();
    TJsonAvlEntry* GetIter() const { return FDepth < 0 ? nullptr : FPath[FDepth]; }
    TJsonAvlEntry* Current() const { return GetIter(); }
    // Positions the walk on the entry that FindEntry gives (none when nil).
    void Search(StringView key, TJsonAvlSearchTypes kinds);

private:
    void Descend(TJsonAvlEntry* from, bool towardsGt);

    const TJsonAvlTree* FTree;
    uint64_t FBranch = 0;  // bit d: the step into level d went to the FGt side
    int FDepth = -1;       // -1: no current entry; FPath[FDepth] is the current one
    // Only FPath[0..FDepth] is ever read, each slot written first; left uninitialised so that a walk
    // over a small object (the writer makes one per object) does not clear 512 bytes.
    TJsonAvlEntry* FPath[kJsonAvlMaxDepth];
};

} // namespace support
