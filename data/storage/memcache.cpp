// Cached updates of the in-memory store: each changed item gets one cache entry at its first change
// and, at its first update, a rollback copy of its record (sharing the by-reference values with
// counted references). Applying hands the entries in order to ApplyRecord; committing makes applied
// changes final; cancelling and reverting restore the rollback copies.
#include "data/storage/memdata.h"

namespace data {

// ---- the cache list -----------------------------------------------------------------------------

void TMemData::AddCacheItem(TItemHeader* Item)
{
    auto* entry = new TCacheItem{Item, nullptr, ++FCacheSerial};
    if (LastCacheItem)
        LastCacheItem->Next = entry;
    else
        Cache = entry;
    LastCacheItem = entry;
}

TMemData::TCacheItem* TMemData::FindCacheItem(const TItemHeader* Item, TCacheItem** Prior) const
{
    TCacheItem* prior = nullptr;
    for (TCacheItem* entry = Cache; entry; prior = entry, entry = entry->Next)
        if (entry->Item == Item) {
            if (Prior)
                *Prior = prior;
            return entry;
        }
    return nullptr;
}

void TMemData::RemoveCacheItem(TCacheItem* Entry, TCacheItem* Prior)
{
    if (Prior)
        Prior->Next = Entry->Next;
    else
        Cache = Entry->Next;
    if (LastCacheItem == Entry)
        LastCacheItem = Prior;
    delete Entry;
    ++FCacheRemovals;
}

void TMemData::FreeCache()
{
    while (Cache) {
        TCacheItem* next = Cache->Next;
        delete Cache;
        Cache = next;
    }
    LastCacheItem = nullptr;
    ++FCacheRemovals;
}

bool TMemData::ListContains(const TItemHeader* Item) const
{
    for (const TItemHeader* item = FirstItem; item; item = item->Next)
        if (item == Item)
            return true;
    return false;
}

// ---- items --------------------------------------------------------------------------------------

void TMemData::DropItem(TItemHeader* Item)
{
    if (FHasComplexFields)
        FreeComplexFields(BlockMan.GetRecordPtr(Item), true);
    if (TItemHeader* rollback = Item->Rollback) {
        if (FHasComplexFields)
            FreeComplexFields(BlockMan.GetRecordPtr(rollback), true);
        BlockMan.FreeItem(rollback);
        Item->Rollback = nullptr;
    }
    // The cursor moves before the item is freed, so that nothing looks at it afterwards.
    if (CurrentItem == Item)
        CurrentItem = Item->Next ? Item->Next : Item->Prev;
    UnlinkItem(Item);
    BlockMan.FreeItem(Item);
    FRecordNoCache.clear();
    if (!FirstItem) {
        CurrentItem = nullptr;
        FBOF = FEOF = true;
    }
}

void TMemData::RestoreFromRollback(TItemHeader* Item)
{
    TItemHeader* rollback = Item->Rollback;
    if (!rollback)
        return;
    void* record = BlockMan.GetRecordPtr(Item);
    void* old = BlockMan.GetRecordPtr(rollback);
    // The item's blob object keeps its identity (dataset buffers may hold it) and takes the old data.
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (field.HasParent() || !IsBlobFieldType(field.DataType))
            continue;
        auto* blob = static_cast<TBlob*>(Slot(record, field));
        auto* oldBlob = static_cast<TBlob*>(Slot(old, field));
        if (!blob || !oldBlob || blob == oldBlob)
            continue;
        blob->AddRef();
        blob->SetData(oldBlob->GetData());
        SetSlot(old, field, blob);
        oldBlob->Release();
    }
    const int direction = FIndexFields.Count() > 0 ? CompareRecords(old, record) : 0;
    if (FHasComplexFields)
        FreeComplexFields(record, true);
    BlockMan.CopyRecord(rollback, Item);
    BlockMan.FreeItem(rollback);
    Item->Rollback = nullptr;
    Item->FilterResult = fsNotChecked;
    FRecordNoCache.clear();
    if (direction != 0) {
        TItemHeader* current = CurrentItem;
        CurrentItem = Item;
        MoveSortedItem(direction);
        CurrentItem = current;
    }
}

void TMemData::CachedUpdate(TItemHeader* Item)
{
    if (Item->Status == isUnmodified)
        AddCacheItem(Item);
    // An insertion not applied yet simply stays an insertion.
    if (!(Item->Status == isAppended && Item->UpdateResult != urApplied)) {
        Item->Status = isUpdated;
        void* record = BlockMan.GetRecordPtr(Item);
        if (!Item->Rollback) {
            TItemHeader* rollback = nullptr;
            BlockMan.AllocItem(rollback);
            BlockMan.CopyRecord(Item, rollback);
            Item->Rollback = rollback;
            if (FHasComplexFields)
                AddRefComplexFields(BlockMan.GetRecordPtr(rollback));
        }
        void* old = BlockMan.GetRecordPtr(Item->Rollback);
        // The rollback record must keep the blob's contents from before the first update while the
        // item's blob object goes on changing: it takes the blob's rollback data in a blob of its own.
        for (int i = 0; i < FFields.Count(); ++i) {
            const TFieldDesc& field = *FFields.Items(i);
            if (field.HasParent() || !IsBlobFieldType(field.DataType))
                continue;
            auto* blob = static_cast<TBlob*>(Slot(record, field));
            if (!blob || Slot(old, field) != blob || !blob->GetRollbackData())
                continue;
            auto* copy = new TBlob(blob->IsUnicode());
            copy->SetData(blob->GetRollbackData());
            SetSlot(old, field, copy);
            blob->Commit();
            blob->Release();
        }
    }
    Item->UpdateResult = urNone;
}

void TMemData::CachedDelete()
{
    TItemHeader* item = CurrentItem;
    const bool wasVisible = Visible(item);
    bool gone = false;
    switch (item->Status) {
    case isUnmodified:
        AddCacheItem(item);
        item->Status = isDeleted;
        item->UpdateResult = urNone;
        break;
    case isUpdated: {
        TItemHeader* next = item->Next;
        RestoreFromRollback(item);
        item->Status = isDeleted;
        item->UpdateResult = urNone;
        // Back to the place before the record that followed (the restore may have moved the item).
        CurrentItem = next && next->Prev ? next->Prev : FirstItem;
        break;
    }
    case isAppended: {
        TCacheItem* prior = nullptr;
        if (TCacheItem* entry = FindCacheItem(item, &prior))
            RemoveCacheItem(entry, prior);
        DropItem(item);
        gone = true;
        break;
    }
    case isDeleted:
        break;
    }
    if (!gone)
        item->FilterResult = fsNotChecked;
    if (CurrentItem)
        CurrentItem->FilterResult = fsNotChecked;
    // Only an item that leaves the visible statuses leaves the count.
    if (wasVisible && (gone || !Visible(item)))
        --FRecordCount;
    ReorderItems(CurrentItem, 1);
}

void TMemData::RevertItem(TItemHeader* Item)
{
    const bool wasVisible = Visible(Item);
    if (Item->Status == isAppended) {
        DropItem(Item);
        if (wasVisible)
            --FRecordCount;
        return;
    }
    if (Item->Status == isUpdated)
        RestoreFromRollback(Item);
    Item->Status = isUnmodified;
    Item->UpdateResult = urNone;
    Item->FilterResult = fsNotChecked;
    const bool visible = Visible(Item);
    if (visible != wasVisible)
        FRecordCount += visible ? 1 : -1;
}

// ---- operations ---------------------------------------------------------------------------------

bool TMemData::GetUpdatesPending()
{
    for (TCacheItem* entry = Cache; entry; entry = entry->Next)
        if (entry->Item->UpdateResult != urApplied)
            return true;
    return false;
}

void TMemData::ApplyUpdates()
{
    if (!FCachedUpdates)
        return;
    TItemHeader* remembered = CurrentItem;
    bool renumber = false;
    // The entry with the smallest serial at or after a serial: entries are appended in rising order,
    // so this finds the walk's place again after a handler removed entries.
    auto entryFrom = [this](uint64_t serial) {
        TCacheItem* entry = Cache;
        while (entry && entry->Serial < serial)
            entry = entry->Next;
        return entry;
    };
    uint64_t runStart = 0;  // serial of a suspended run's first entry, 0 for none
    TCacheItem* entry = Cache;
    try {
        while (entry) {
            TItemHeader* item = entry->Item;
            if (item->UpdateResult == urApplied) {
                entry = entry->Next;
                continue;
            }
            const uint64_t serial = entry->Serial;
            const uint64_t nextSerial = entry->Next ? entry->Next->Serial : 0;
            const uint64_t removals = FCacheRemovals;
            CurrentItem = item;
            TUpdateRecAction action = urFail;
            auto stillCached = [&]() -> TCacheItem* {
                if (!FActive)
                    return nullptr;
                if (FCacheRemovals == removals)
                    return entry;
                TCacheItem* found = entryFrom(serial);
                return found && found->Serial == serial ? found : nullptr;
            };
            auto record = [&](TCacheItem* self) {
                if (action != urSuspended && runStart)
                    for (TCacheItem* e = entryFrom(runStart); e && e != self; e = e->Next)
                        e->Item->UpdateResult = action;
                self->Item->UpdateResult = action;
            };
            try {
                const bool last = entry->Next == nullptr;
                switch (item->Status) {
                case isUpdated: case isAppended: {
                    void* stored = BlockMan.GetRecordPtr(item);
                    if (NewCacheRecBuf)
                        BlockMan.GetRecord(item, NewCacheRecBuf);
                    if (OldCacheRecBuf)
                        BlockMan.GetRecord(item->Status == isUpdated && item->Rollback ? item->Rollback : item,
                                           OldCacheRecBuf);
                    ApplyRecord(item->Status == isUpdated ? ukUpdate : ukInsert, action, last);
                    // The handler may have changed the new values (generated keys, defaults).
                    if (NewCacheRecBuf && stillCached()) {
                        const int direction =
                            FIndexFields.Count() > 0 ? CompareRecords(NewCacheRecBuf, stored) : 0;
                        BlockMan.PutRecord(item, NewCacheRecBuf);
                        item->FilterResult = fsNotChecked;
                        FRecordNoCache.clear();
                        if (direction != 0) {
                            MoveSortedItem(direction);
                            renumber = true;
                        }
                    }
                    break;
                }
                case isDeleted:
                    if (NewCacheRecBuf)
                        BlockMan.GetRecord(item, NewCacheRecBuf);
                    if (OldCacheRecBuf)
                        BlockMan.GetRecord(item, OldCacheRecBuf);
                    ApplyRecord(ukDelete, action, last);
                    break;
                default:
                    core::AssertFailed(u"Assertion failure", __FILE__, __LINE__);
                }
            } catch (...) {
                if (TCacheItem* self = stillCached())
                    record(self);
                // The failing record stays current when it still exists.
                CurrentItem = ListContains(item) ? item : nullptr;
                if (!CurrentItem) {
                    FBOF = true;
                    FEOF = !FirstItem;
                }
                throw;
            }
            if (!FActive)
                return;  // the handler closed the store
            TCacheItem* self = stillCached();
            if (!self) {
                // The handler removed the entry (reverted the record): nothing to record.
                entry = nextSerial ? entryFrom(nextSerial) : nullptr;
                continue;
            }
            record(self);
            if (action == urRetry) {
                entry = runStart ? entryFrom(runStart) : self;
                runStart = 0;
                continue;
            }
            if (action == urSuspended) {
                if (!runStart)
                    runStart = serial;
            } else {
                runStart = 0;
            }
            entry = self->Next;
        }
    } catch (...) {
        if (renumber && FActive)
            ReorderItems(nullptr, 2);
        throw;
    }
    if (renumber)
        ReorderItems(nullptr, 2);
    // A handler may have reverted the remembered record.
    if (remembered && ListContains(remembered)) {
        CurrentItem = remembered;
        FBOF = FEOF = false;
    } else {
        CurrentItem = nullptr;
        FBOF = true;
        FEOF = !FirstItem;
    }
}

void TMemData::CommitUpdates()
{
    if (GetUpdatesPending())
        ApplyUpdates();
    bool changed = false;
    TCacheItem* prior = nullptr;
    for (TCacheItem* entry = Cache; entry;) {
        TCacheItem* next = entry->Next;
        TItemHeader* item = entry->Item;
        if (item->UpdateResult != urApplied) {
            prior = entry;
            entry = next;
            continue;
        }
        if (TItemHeader* rollback = item->Rollback) {
            if (FHasComplexFields)
                FreeComplexFields(BlockMan.GetRecordPtr(rollback), true);
            BlockMan.FreeItem(rollback);
            item->Rollback = nullptr;
        }
        if (item->Status == isDeleted) {
            DropItem(item);
        } else {
            item->Status = isUnmodified;
            item->UpdateResult = urNone;
            item->FilterResult = fsNotChecked;
        }
        changed = true;
        RemoveCacheItem(entry, prior);
        entry = next;
    }
    if (changed)
        ReorderItems(nullptr, 2);
}

void TMemData::CancelUpdates()
{
    while (Cache) {
        TItemHeader* item = Cache->Item;
        RemoveCacheItem(Cache, nullptr);
        RevertItem(item);
    }
    LastCacheItem = nullptr;
    ReorderItems(nullptr, 2);
}

void TMemData::RestoreUpdates()
{
    if (!FCachedUpdates)
        return;
    for (TCacheItem* entry = Cache; entry; entry = entry->Next)
        entry->Item->UpdateResult = urNone;
}

void TMemData::RevertRecord()
{
    TCacheItem* prior = nullptr;
    TCacheItem* entry = CurrentItem ? FindCacheItem(CurrentItem, &prior) : nullptr;
    if (!entry)
        return;
    TItemHeader* item = entry->Item;
    RemoveCacheItem(entry, prior);
    RevertItem(item);
    // The count and a sorted place may have changed: the numbers follow.
    ReorderItems(nullptr, 2);
}

} // namespace data
