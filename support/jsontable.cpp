// The member table: AVL insertion, removal and rebalancing, search and the resumable iterator.
#include "support/jsontable.h"

#include "support/jsonarray.h"
#include "support/jsonobject.h"

#include <new>
#include <utility>
#include <vector>

namespace support {

// ---- entries ----------------------------------------------------------------------------------------

TJsonAvlEntry::TJsonAvlEntry(String name, void* ptr) : FHash(Hash(name)), FName(std::move(name)), FSlot{}
{
    FSlot.PutObject(static_cast<IJsonObject*>(ptr));
}

core::Ref<IJsonObject> TJsonAvlEntry::Value() const
{
    return core::Ref<IJsonObject>(FSlot.Get());
}

void TJsonAvlEntry::SetValue(const core::Ref<IJsonObject>& value)
{
    if (value)
        value->AddRef();
    TJsonSlot old = FSlot;
    FSlot.PutObject(value.get());
    old.Release();
}

// ---- tree -------------------------------------------------------------------------------------------

// Rebalances an entry whose factor reached -2 or +2; returns the new root of its subtree. The factors
// after a single rotation through a balanced child say the height did not change (deletion relies on
// that to stop early).
TJsonAvlEntry* TJsonAvlTree::Rebalance(TJsonAvlEntry* e)
{
    using Entry = TJsonAvlEntry;
    if (e->FBf < 0) {
        Entry* l = e->FLt;
        if (l->FBf <= 0) {
            e->FLt = l->FGt;
            l->FGt = e;
            if (l->FBf == 0) {
                l->FBf = 1;
                e->FBf = -1;
            } else {
                l->FBf = 0;
                e->FBf = 0;
            }
            return l;
        }
        Entry* g = l->FGt;
        l->FGt = g->FLt;
        e->FLt = g->FGt;
        g->FLt = l;
        g->FGt = e;
        e->FBf = g->FBf == -1 ? 1 : 0;
        l->FBf = g->FBf == 1 ? -1 : 0;
        g->FBf = 0;
        return g;
    }
    Entry* r = e->FGt;
    if (r->FBf >= 0) {
        e->FGt = r->FLt;
        r->FLt = e;
        if (r->FBf == 0) {
            r->FBf = -1;
            e->FBf = 1;
        } else {
            r->FBf = 0;
            e->FBf = 0;
        }
        return r;
    }
    Entry* g = r->FLt;
    r->FLt = g->FGt;
    e->FGt = g->FLt;
    g->FGt = r;
    g->FLt = e;
    e->FBf = g->FBf == 1 ? -1 : 0;
    r->FBf = g->FBf == -1 ? 1 : 0;
    g->FBf = 0;
    return g;
}

TJsonAvlTree::~TJsonAvlTree() { Clear(false); }

int TJsonAvlTree::CompareEntries(const TJsonAvlEntry& a, const TJsonAvlEntry& b) const
{
    return StringView(a.FName).compare(b.FName);
}

int TJsonAvlTree::CompareKeyToEntry(StringView key, const TJsonAvlEntry& entry) const
{
    return key.compare(entry.FName);
}

int TJsonAvlTree::Order(uint32_t hash, StringView key, const TJsonAvlEntry& entry) const
{
    if (hash != entry.FHash)
        return hash > entry.FHash ? -1 : 1;
    return CompareKeyToEntry(key, entry);
}

void TJsonAvlTree::DeleteEntry(TJsonAvlEntry* entry, bool) { DisposeEntry(entry); }

void TJsonAvlTree::DisposeEntry(TJsonAvlEntry* entry)
{
    if (FRoomOffset != 0 && entry == Room()) {
        entry->~TJsonAvlEntry();
        FRoomUsed = false;
    } else {
        delete entry;
    }
}

TJsonAvlEntry* TJsonAvlTree::NewEntry(StringView name, uint32_t hash, const TJsonSlot& slot)
{
    if (FRoomOffset == 0 || FRoomUsed)
        return new TJsonAvlEntry(name, hash, slot);
    auto* entry = new (Room()) TJsonAvlEntry(name, hash, slot);
    FRoomUsed = true;
    return entry;
}

void TJsonAvlTree::GiveEntryRoom(void* room)
{
    // The room lies just behind the value object that holds the tree: a short way on.
    FRoomOffset = int16_t(reinterpret_cast<uintptr_t>(room) - reinterpret_cast<uintptr_t>(this));
}

TJsonAvlEntry* TJsonAvlTree::InsertEntry(TJsonAvlEntry* entry)
{
    entry->FGt = entry->FLt = nullptr;
    entry->FBf = 0;
    if (!FRoot) {
        FRoot = entry;
        FCount = 1;
        return entry;
    }
    TJsonAvlEntry* path[kJsonAvlMaxDepth];
    int dirs[kJsonAvlMaxDepth];
    int n = 0;
    TJsonAvlEntry* node = FRoot;
    for (;;) {
        int c = entry->FHash != node->FHash ? (entry->FHash > node->FHash ? -1 : 1) : CompareEntries(*entry, *node);
        if (c == 0) {
            // The existing entry keeps its place and takes the new payload; the new entry leaves with
            // the old one.
            std::swap(node->FSlot, entry->FSlot);
            DeleteEntry(entry, false);
            return node;
        }
        path[n] = node;
        dirs[n] = c < 0 ? -1 : 1;
        ++n;
        TJsonAvlEntry* next = c < 0 ? node->FLt : node->FGt;
        if (!next) {
            (c < 0 ? node->FLt : node->FGt) = entry;
            break;
        }
        node = next;
    }
    ++FCount;
    for (int i = n - 1; i >= 0; --i) {
        TJsonAvlEntry* e = path[i];
        e->FBf += dirs[i];
        if (e->FBf == 0)
            break;
        if (e->FBf == 1 || e->FBf == -1)
            continue;
        TJsonAvlEntry* top = Rebalance(e);
        if (i == 0)
            FRoot = top;
        else
            (dirs[i - 1] < 0 ? path[i - 1]->FLt : path[i - 1]->FGt) = top;
        break;
    }
    return entry;
}

TJsonAvlEntry* TJsonAvlTree::FindEntry(StringView key, TJsonAvlSearchTypes kinds) const
{
    TJsonAvlEntry* path[kJsonAvlMaxDepth];
    uint64_t branch = 0;
    int depth = -1;
    return Search(key, kinds, path, branch, depth);
}

TJsonAvlEntry* TJsonAvlTree::Search(StringView key, TJsonAvlSearchTypes kinds, TJsonAvlEntry** path, uint64_t& branch,
                                    int& depth) const
{
    const uint32_t hash = TJsonAvlEntry::Hash(key);
    const int d = (kinds & stLess) ? 1 : (kinds & stGreater) ? -1 : 0;
    TJsonAvlEntry* best = nullptr;
    int bestDepth = -1;
    uint64_t bestBranch = 0;
    uint64_t walk = 0;
    int level = 0;
    for (TJsonAvlEntry* node = FRoot; node; ++level) {
        path[level] = node;
        int c = Order(hash, key, *node);
        if (c == 0) {
            if (kinds & stEQual) {
                depth = level;
                branch = walk;
                return node;
            }
            c = -d;
        }
        if (d != 0 && (c > 0) == (d > 0) && c != 0) {
            best = node;
            bestDepth = level;
            bestBranch = walk;
        }
        node = c < 0 ? node->FLt : node->FGt;
        if (c >= 0)
            walk |= uint64_t(1) << (level + 1);
    }
    depth = bestDepth;
    branch = bestBranch;
    return best;
}

void* TJsonAvlTree::DeletePtr(StringView key)
{
    const uint32_t hash = TJsonAvlEntry::Hash(key);
    TJsonAvlEntry* path[kJsonAvlMaxDepth];
    int dirs[kJsonAvlMaxDepth];
    int n = 0;
    TJsonAvlEntry* node = FRoot;
    while (node) {
        int c = Order(hash, key, *node);
        if (c == 0)
            break;
        path[n] = node;
        dirs[n] = c < 0 ? -1 : 1;
        ++n;
        node = c < 0 ? node->FLt : node->FGt;
    }
    if (!node)
        return nullptr;
    TJsonAvlEntry* target = node;
    if (node->FLt && node->FGt) {
        // The in-order neighbour from the heavier side takes the target's place; their contents are
        // exchanged so that the entry unlinked below has at most one child.
        const int side = node->FBf < 0 ? -1 : 1;
        path[n] = node;
        dirs[n] = side;
        ++n;
        TJsonAvlEntry* m = side < 0 ? node->FLt : node->FGt;
        while (side < 0 ? m->FGt : m->FLt) {
            path[n] = m;
            dirs[n] = -side;
            ++n;
            m = side < 0 ? m->FGt : m->FLt;
        }
        std::swap(target->FName, m->FName);
        std::swap(target->FHash, m->FHash);
        std::swap(target->FSlot, m->FSlot);
        node = m;
    }
    TJsonAvlEntry* child = node->FLt ? node->FLt : node->FGt;
    if (n == 0)
        FRoot = child;
    else
        (dirs[n - 1] < 0 ? path[n - 1]->FLt : path[n - 1]->FGt) = child;
    for (int i = n - 1; i >= 0; --i) {
        TJsonAvlEntry* e = path[i];
        e->FBf -= dirs[i];
        if (e->FBf == 1 || e->FBf == -1)
            break;  // the subtree kept its height
        if (e->FBf == 0)
            continue;
        TJsonAvlEntry* top = Rebalance(e);
        if (i == 0)
            FRoot = top;
        else
            (dirs[i - 1] < 0 ? path[i - 1]->FLt : path[i - 1]->FGt) = top;
        if (top->FBf != 0)
            break;
    }
    void* result = node->FSlot.Take();
    DeleteEntry(node, false);
    --FCount;
    return result;
}

void TJsonAvlTree::Clear(bool all)
{
    // The tree is detached first, so that anything the disposal reaches sees an empty table.
    TJsonAvlEntry* node = std::exchange(FRoot, nullptr);
    FCount = 0;
    while (node) {
        if (TJsonAvlEntry* l = node->FLt) {
            node->FLt = l->FGt;
            l->FGt = node;
            node = l;
        } else {
            TJsonAvlEntry* next = node->FGt;
            DeleteEntry(node, all);
            node = next;
        }
    }
}

void TJsonAvlTree::Pack(bool all)
{
    std::vector<String> empty;
    TJsonAvlIterator it(*this);
    while (it.MoveNext())
        if (it.Current()->FSlot.IsNil())
            empty.push_back(it.Current()->FName);
    for (const String& name : empty)
        DeletePtr(name);
    if (all) {
        it.First();
        for (TJsonAvlEntry* e = it.GetIter(); e; it.Next(), e = it.GetIter())
            if (!e->FSlot.IsNil() && !e->FSlot.InPlace())
                e->FSlot.Get()->Pack(true);
    }
}

TJsonAvlIterator TJsonAvlTree::GetEnumerator() const { return TJsonAvlIterator(*this); }

// ---- string table -----------------------------------------------------------------------------------

TJsonTableString::~TJsonTableString() { Clear(false); }

void TJsonTableString::DeleteEntry(TJsonAvlEntry* entry, bool all)
{
    entry->Slot().Release(all);
    DisposeEntry(entry);
}

core::Ref<IJsonObject> TJsonTableString::GetMember(StringView name) const
{
    TJsonAvlEntry* e = FindEntry(name, stEQual);
    return e ? e->Value() : nullptr;
}

void TJsonTableString::PutMember(StringView name, const core::Ref<IJsonObject>& value)
{
    if (value)
        value->AddRef();
    InsertEntry(new TJsonAvlEntry(String(name), value.get()));
}

void TJsonTableString::PutMember(String&& name, core::Ref<IJsonObject>&& value)
{
    InsertEntry(new TJsonAvlEntry(std::move(name), value.Detach()));
}

void TJsonTableString::PutMember(String&& name, TJsonSlot& value)
{
    auto* entry = new TJsonAvlEntry(std::move(name), nullptr);
    entry->Slot() = std::exchange(value, TJsonSlot{});
    InsertEntry(entry);
}

core::Ref<IJsonObject> TJsonTableString::Delete(StringView name)
{
    return core::Ref<IJsonObject>::Adopt(static_cast<IJsonObject*>(DeletePtr(name)));
}

core::Ref<IJsonObject> TJsonTableString::GetValues() const
{
    auto result = TJsonObject::Make(stArray);
    TJsonAvlIterator it(*this);
    while (it.MoveNext())
        result->AsArray()->Add(it.Current()->Value());
    return result;
}

core::Ref<IJsonObject> TJsonTableString::GetNames() const
{
    auto result = TJsonObject::Make(stArray);
    TJsonAvlIterator it(*this);
    while (it.MoveNext())
        result->AsArray()->Add(TJsonObject::Make(it.Current()->Name()));
    return result;
}

// ---- iterator ---------------------------------------------------------------------------------------

void TJsonAvlIterator::Descend(TJsonAvlEntry* from, bool towardsGt)
{
    for (TJsonAvlEntry* e = towardsGt ? from->FGt : from->FLt; e; e = towardsGt ? e->FGt : e->FLt) {
        ++FDepth;
        FPath[FDepth] = e;
        if (towardsGt)
            FBranch |= uint64_t(1) << FDepth;
        else
            FBranch &= ~(uint64_t(1) << FDepth);
    }
}

void TJsonAvlIterator::First()
{
    FDepth = -1;
    FBranch = 0;
    if (!FTree->FRoot)
        return;
    FDepth = 0;
    FPath[0] = FTree->FRoot;
    Descend(FTree->FRoot, false);
}

void TJsonAvlIterator::Last()
{
    FDepth = -1;
    FBranch = ~uint64_t(0);
    if (!FTree->FRoot)
        return;
    FDepth = 0;
    FPath[0] = FTree->FRoot;
    Descend(FTree->FRoot, true);
}

void TJsonAvlIterator::Next()
{
    if (FDepth < 0)
        return;
    TJsonAvlEntry* cur = FPath[FDepth];
    if (cur->FGt) {
        ++FDepth;
        FPath[FDepth] = cur->FGt;
        FBranch |= uint64_t(1) << FDepth;
        Descend(cur->FGt, false);
        return;
    }
    while (FDepth > 0 && (FBranch >> FDepth & 1))
        --FDepth;
    --FDepth;  // from the root this ends the walk (-1)
}

void TJsonAvlIterator::Prior()
{
    if (FDepth < 0)
        return;
    TJsonAvlEntry* cur = FPath[FDepth];
    if (cur->FLt) {
        ++FDepth;
        FPath[FDepth] = cur->FLt;
        FBranch &= ~(uint64_t(1) << FDepth);
        Descend(cur->FLt, true);
        return;
    }
    while (FDepth > 0 && !(FBranch >> FDepth & 1))
        --FDepth;
    --FDepth;
}

bool TJsonAvlIterator::MoveNext()
{
    if (FDepth < 0)
        First();
    else
        Next();
    return FDepth >= 0;
}

void TJsonAvlIterator::Search(StringView key, TJsonAvlSearchTypes kinds)
{
    int depth = -1;
    FTree->Search(key, kinds, FPath, FBranch, depth);
    FDepth = depth;
}

} // namespace support
