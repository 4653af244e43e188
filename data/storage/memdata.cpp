#include "data/storage/memdata.h"

#include "data/storage/filter.h"

#include "core/exception.h"

#include <cstdlib>
#include <cstring>

namespace data {

namespace {

int g_refresh_iteration = 0;

[[noreturn]] void Fail(const char16_t* message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

} // namespace

void InitMemDataUnit()
{
    InitFilterLists();
    g_refresh_iteration = 1;
}

void DoneMemDataUnit()
{
    DoneFilterLists();
}

TMemData::TMemData()
{
    InitData();
}

TMemData::~TMemData()
{
    // The base destructor would reach only the base class's release, which knows nothing of the items.
    try {
        Close();
        FreeData();
    } catch (...) {
        core::HandleException();
    }
    FRecordNoCache.clear();
}

// ---- lifecycle ----------------------------------------------------------------------------------

void TMemData::InitData()
{
    TData::InitData();
    FirstItem = LastItem = CurrentItem = nullptr;
    FreeCache();
    FRecordNoCache.clear();
    BlockMan.FirstFree = nullptr;
    FRefreshIteration = ++g_refresh_iteration;
}

void TMemData::FreeData()
{
    bool ownValues = StringHeap->SysGetMem();
    for (int i = 0; i < FFields.Count() && !ownValues; ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        ownValues = !field.HasParent() && (IsBlobFieldType(field.DataType) || field.DataType == dtVariant);
    }
    // Heap strings need no release one by one when the heap holds them all: clearing it frees them.
    if (!StringHeap->SysGetMem())
        StringHeap->Clear();
    if (ownValues && FHasComplexFields) {
        for (TItemHeader* item = FirstItem; item; item = item->Next)
            FreeComplexFields(BlockMan.GetRecordPtr(item), true);
        for (TCacheItem* entry = Cache; entry; entry = entry->Next)
            if (entry->Item->Rollback)
                FreeComplexFields(BlockMan.GetRecordPtr(entry->Item->Rollback), true);
    }
    FreeCache();
    StringHeap->Clear();
    BlockMan.FreeAllBlock();
    InitData();
}

void TMemData::Reopen()
{
    TData::Reopen();
    FRecordNoCache.clear();
    if (FilterActive() || !FilterText().empty())
        FilterUpdated();
    if (FIndexFields.Count() > 0)
        SortItems();
}

void TMemData::InitFields()
{
    TData::InitFields();
    BlockMan.RecordSize = RecordSize();
    ParseIndexFieldNames(FIndexFieldNames, FIndexFields);
}

void TMemData::ClearFields()
{
    // The columns point at the descriptors.
    FIndexFields.Clear();
    TData::ClearFields();
}

// ---- navigation ---------------------------------------------------------------------------------

void TMemData::SetToBegin()
{
    CurrentItem = nullptr;
    FBOF = true;
    FEOF = !FirstItem;
}

void TMemData::SetToEnd()
{
    CurrentItem = nullptr;
    FEOF = true;
    FBOF = !FirstItem;
}

void TMemData::GetRecord(void* RecBuf)
{
    if (FBOF && !CurrentItem)
        return;
    if (FEOF && !CurrentItem)
        return;
    if (!CurrentItem)
        return;
    if (OmitRecord(CurrentItem)) {
        GetNextRecord(RecBuf);
        return;
    }
    BlockMan.GetRecord(CurrentItem, RecBuf);
}

void TMemData::GetOldRecord(void* RecBuf)
{
    if (!CurrentItem || OmitRecord(CurrentItem)) {
        GetRecord(RecBuf);
        return;
    }
    BlockMan.GetRecord(CurrentItem->Rollback ? CurrentItem->Rollback : CurrentItem, RecBuf);
}

bool TMemData::FetchMoreKeepingPosition()
{
    // A fetch appends through the editing operations, which move the cursor.
    TItemHeader* current = CurrentItem;
    const bool bof = FBOF, eof = FEOF;
    const bool fetched = FetchMore(false);
    CurrentItem = current;
    FBOF = bof;
    FEOF = eof;
    return fetched;
}

void TMemData::GetNextRecord(void* RecBuf)
{
    if (GetEof())
        return;
    TItemHeader* before = CurrentItem;
    if (FBOF) {
        FBOF = false;
        before = nullptr;
    }
    // With every visible item in the record-number cache, the next one is looked up there (omitted
    // items are not visited) and the ones a few places on are fetched into the cache ahead of use: a
    // sorted list links items in no particular memory order. They are asked for eight at a time: each
    // such item is on a page of its own, and the page look-ups of a batch overlap.
    const size_t known = FRecordNoCache.size();
    if (known && known == size_t(FRecordCount)) {
        size_t next = 0;
        bool found = !before;
        if (before) {
            const int number = before->Order + FRecordNoOffset;
            found = number >= 1 && size_t(number) <= known && FRecordNoCache[size_t(number) - 1] == before;
            next = size_t(number);
        }
        if (found && next < known) {
            TItemHeader* item = FRecordNoCache[next];
            if (next % 8 == 0 && next + kPrefetchDistance + 8 < known) {
                for (size_t i = 0; i < 8; ++i) {
                    const char* ahead = reinterpret_cast<const char*>(FRecordNoCache[next + kPrefetchDistance + i]);
                    __builtin_prefetch(ahead);
                    __builtin_prefetch(ahead + 64);
                }
            }
            CurrentItem = item;
            FEOF = false;
            if (RecBuf)
                BlockMan.GetRecord(item, RecBuf);
            return;
        }
    }
    for (;;) {
        TItemHeader* item = before ? before->Next : FirstItem;
        while (item && Omitted(item)) {
            before = item;
            item = item->Next;
        }
        if (item) {
            CurrentItem = item;
            FEOF = false;
            if (RecBuf)
                BlockMan.GetRecord(item, RecBuf);
            return;
        }
        if (!FetchMoreKeepingPosition())
            break;
    }
    CurrentItem = nullptr;
    FEOF = true;
}

void TMemData::GetPriorRecord(void* RecBuf)
{
    if (GetBof())
        return;
    TItemHeader* item = FEOF ? LastItem : CurrentItem ? CurrentItem->Prev : LastItem;
    FEOF = false;
    while (item && OmitRecord(item))
        item = item->Prev;
    if (!item) {
        CurrentItem = nullptr;
        FBOF = true;
        return;
    }
    CurrentItem = item;
    FBOF = false;
    if (RecBuf)
        BlockMan.GetRecord(item, RecBuf);
}

void TMemData::PrepareRecNoCache()
{
    if (!FRecordNoCache.empty())
        return;
    FRecordNoCache.reserve(size_t(FRecordCount));
    for (TItemHeader* item = FirstItem; item; item = item->Next)
        if (!OmitRecord(item))
            FRecordNoCache.push_back(item);
}

void TMemData::WalkTo(TItemHeader* Item, int Value, bool Forward)
{
    while (Item) {
        // An omitted item carries order 0, which the offset can make look like a valid number.
        if (!OmitRecord(Item) && Item->Order + FRecordNoOffset == Value) {
            CurrentItem = Item;
            FBOF = FEOF = false;
            return;
        }
        if (Forward) {
            if (!Item->Next)
                FetchMoreKeepingPosition();
            Item = Item->Next;
        } else {
            Item = Item->Prev;
        }
    }
}

void TMemData::SetRecordNo(int Value)
{
    if (!FirstItem || Value <= 0)
        return;
    if (!FRecordNoCache.empty() && size_t(Value) <= FRecordNoCache.size()) {
        CurrentItem = FRecordNoCache[size_t(Value) - 1];
        FBOF = FEOF = false;
        return;
    }
    TItemHeader* start = CurrentItem ? CurrentItem : FirstItem;
    TItemHeader* last = LastItem;
    // The last visible item; a visible item near the front may carry order 0, so the filter decides.
    while (last && OmitRecord(last))
        last = last->Prev;
    if (!last)
        return;
    const int lastNo = FRecordNoOffset + last->Order;
    const int startNo = FRecordNoOffset + start->Order;
    const int dLast = std::abs(lastNo - Value);
    const int dStart = std::abs(startNo - Value);
    if (Value < dLast && Value < dStart)
        WalkTo(FirstItem, Value, true);
    else if (dLast < dStart)
        WalkTo(last, Value, lastNo < Value);
    else
        WalkTo(start, Value, startNo < Value);
}

// ---- editing ------------------------------------------------------------------------------------

void TMemData::PutRecord(void* RecBuf)
{
    if (!CurrentItem)
        Fail(u"Assertion failure");
    FRecordNoCache.clear();
    CurrentItem->FilterResult = fsNotChecked;
    BlockMan.PutRecord(CurrentItem, RecBuf);
}

void TMemData::CommitBlobs(void* RecBuf)
{
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (!field.HasParent() && IsBlobFieldType(field.DataType))
            if (auto* blob = static_cast<TBlob*>(Slot(RecBuf, field)))
                blob->Commit();
    }
}

void TMemData::AppendRecord(void* RecBuf)
{
    SetToEnd();
    InsertRecord(RecBuf);
}

void TMemData::InsertRecord(void* RecBuf)
{
    if (!FCachedUpdates)
        DoAppend();
    AddRecord(RecBuf);
    if (FCachedUpdates)
        AddCacheItem(CurrentItem);
}

void TMemData::AddRecord(void* RecBuf)
{
    TItemHeader* before = CurrentItem;
    TItemHeader* item = nullptr;
    BlockMan.AllocItem(item);
    item->FilterResult = fsNotChecked;
    if (FCachedUpdates) {
        // Set before the filter first looks at the item: the status decides its visibility.
        item->Status = isAppended;
        item->UpdateResult = urNone;
    }
    if (before) {
        item->Prev = before->Prev;
        item->Next = before;
        if (before->Prev)
            before->Prev->Next = item;
        else
            FirstItem = item;
        before->Prev = item;
        item->Order = before->Order;
    } else if (FBOF && !FEOF) {
        item->Prev = nullptr;
        item->Next = FirstItem;
        if (FirstItem)
            FirstItem->Prev = item;
        else
            LastItem = item;
        FirstItem = item;
        item->Order = 1;
    } else {
        LinkAtEnd(item);
    }
    CurrentItem = item;
    FBOF = FEOF = false;
    PutRecord(RecBuf);
    CommitBlobs(BlockMan.GetRecordPtr(item));
    // Without a remembered item the new one is last (moves back) or, inserted at the start, first
    // (moves on).
    if (FIndexFields.Count() > 0)
        MoveSortedItem(before ? CompareRecords(RecBuf, BlockMan.GetRecordPtr(before)) : item->Next ? 1 : -1);
    // A record the filter hides is stored but not counted.
    if (!OmitRecord(item))
        ++FRecordCount;
    ReorderItems(item, 0);
}

void TMemData::LinkAtEnd(TItemHeader* Item)
{
    Item->Order = LastItem ? LastItem->Order + 1 : 1;
    LinkAfter(Item, LastItem);
}

void TMemData::AppendFetchedRecords(const std::vector<const void*>& RecBufs)
{
    if (RecBufs.empty())
        return;
    // Visible item n is numbered n - FRecordNoOffset, so the new items continue from the count and
    // nothing before them is renumbered: fetching in small blocks stays linear. The record-number
    // cache grows with them when it held every visible item.
    const bool sorted = FIndexFields.Count() > 0;
    bool extendCache = !sorted && FRecordNoCache.size() == size_t(FRecordCount);
    if (!extendCache)
        FRecordNoCache.clear();
    for (const void* recBuf : RecBufs) {
        TItemHeader* item = nullptr;
        BlockMan.AllocItem(item);
        item->FilterResult = fsNotChecked;
        item->Order = 0;
        LinkAfter(item, LastItem);
        BlockMan.PutRecord(item, recBuf);
        CommitBlobs(BlockMan.GetRecordPtr(item));
        if (OmitRecord(item))
            continue;
        item->Order = ++FRecordCount - FRecordNoOffset;
        if (extendCache) {
            try {
                FRecordNoCache.push_back(item);
            } catch (...) {
                // The cache is only a short way: it is built again when next asked for.
                FRecordNoCache.clear();
                extendCache = false;
            }
        }
    }
    // The sort relinks and renumbers the whole list.
    if (sorted)
        SortItems();
}

void TMemData::UpdateRecord(void* RecBuf)
{
    if (!CurrentItem)
        Fail(u"Assertion failure");
    const bool wasOmitted = OmitRecord(CurrentItem);
    if (FCachedUpdates)
        CachedUpdate(CurrentItem);
    else
        DoUpdate();
    if (FIndexFields.Count() > 0) {
        const int direction = CompareRecords(RecBuf, BlockMan.GetRecordPtr(CurrentItem));
        PutRecord(RecBuf);
        MoveSortedItem(direction);
        ReorderItems(nullptr, 2);
        return;
    }
    PutRecord(RecBuf);
    const bool omitted = OmitRecord(CurrentItem);
    if (omitted == wasOmitted)
        return;
    // The item leaves (or joins) the visible records: the count and the numbers after it follow.
    FRecordCount += omitted ? -1 : 1;
    ReorderItems(CurrentItem, omitted ? 1 : 0);
}

void TMemData::DeleteRecord()
{
    if (!CurrentItem)
        Fail(u"Assertion failure");
    if (!CurrentItem->Next)
        FetchMoreKeepingPosition();
    if (FCachedUpdates) {
        CachedDelete();
        return;
    }
    DoDelete();
    RemoveRecord();
}

void TMemData::RemoveRecord()
{
    TItemHeader* item = CurrentItem;
    if (!item)
        Fail(u"Assertion failure");
    if (FCachedUpdates) {
        TCacheItem* prior = nullptr;
        if (TCacheItem* entry = FindCacheItem(item, &prior))
            RemoveCacheItem(entry, prior);
        if (item->Status == isAppended) {
            // Reverting an insertion removes the item.
            RevertItem(item);
            ReorderItems(CurrentItem, 1);
            return;
        }
        RevertItem(item);
    }
    // An item the filter already hid was not counted.
    const bool counted = !OmitRecord(item);
    DropItem(item);
    if (counted)
        --FRecordCount;
    ReorderItems(CurrentItem, 1);
}

// ---- numbering ----------------------------------------------------------------------------------

void TMemData::ReorderItems(TItemHeader* Item, int Mode)
{
    FRecordNoCache.clear();
    auto forward = [&](TItemHeader* from) {
        int base = 1;
        TItemHeader* prior = from->Prev;
        while (prior && OmitRecord(prior))
            prior = prior->Prev;
        if (prior)
            base = prior->Order + 1;
        else
            FRecordNoOffset = 0;
        int numbered = 0;
        for (TItemHeader* item = from; item; item = item->Next)
            if (OmitRecord(item)) {
                item->Order = 0;
            } else {
                item->Order = base++;
                ++numbered;
            }
        return numbered;
    };
    if (Mode == 2) {
        // The whole list: the record-number cache is filled on the way.
        FRecordNoOffset = 0;
        int number = 0;
        try {
            for (TItemHeader* item = FirstItem; item; item = item->Next) {
                if (Omitted(item)) {
                    item->Order = 0;
                } else {
                    item->Order = ++number;
                    FRecordNoCache.push_back(item);
                }
            }
        } catch (...) {
            FRecordNoCache.clear();
            throw;
        }
        FRecordCount = number;
        return;
    }
    if (!Item)
        return;
    int o;
    if (Item->Next) {
        o = Item->Next->Order;
    } else if (Item->Prev) {
        o = Item->Prev->Order;
    } else {
        Item->Order = OmitRecord(Item) ? 0 : 1;
        FRecordNoOffset = 0;
        return;
    }
    if ((FRecordCount + FRecordNoOffset) / 2 < o) {
        forward(Item);
        return;
    }
    int base;
    TItemHeader* after = Item->Next;
    while (after && OmitRecord(after))
        after = after->Next;
    if (after) {
        base = after->Order - 1;
        FRecordNoOffset += Mode == 0 ? 1 : -1;
    } else {
        base = FRecordCount;
        FRecordNoOffset = 0;
    }
    for (TItemHeader* item = Item; item; item = item->Prev)
        item->Order = OmitRecord(item) ? 0 : base--;
}

// ---- filtering ----------------------------------------------------------------------------------

bool TMemData::OmitRecord(TItemHeader* Item)
{
    if (!Item)
        return true;
    if (Item->FilterResult != fsNotChecked)
        return Item->FilterResult == fsOmitted;
    bool omit = false;
    if (FCachedUpdates && !FilterItemTypes().Contains(Item->Status))
        omit = true;
    else if (FCalcRecordSize > 0 && OnGetCachedBuffer && FilterActive())
        omit = OmitWithCalculatedFields(Item);
    else if (FilterActive())
        omit = !AcceptedByFilters(BlockMan.GetRecordPtr(Item));
    Item->FilterResult = omit ? fsOmitted : fsNotOmitted;
    return omit;
}

bool TMemData::AcceptedByFilters(void* RecBuf)
{
    return (!FilterFunc || FilterFunc(RecBuf)) && (!FilterMDFunc || FilterMDFunc(RecBuf)) && EvaluateFilter(RecBuf);
}

bool TMemData::OmitWithCalculatedFields(TItemHeader* Item)
{
    // The filters see the calculated part too: a full buffer that the owner fills.
    void* buffer = AllocRecBuf(true);
    bool accepted;
    try {
        BlockMan.GetRecord(Item, buffer);
        OnGetCachedBuffer(buffer, nullptr);
        accepted = AcceptedByFilters(buffer);
    } catch (...) {
        FreeRecBuf(buffer);
        throw;
    }
    FreeRecBuf(buffer);
    return !accepted;
}

void TMemData::ClearItemsOmittedStatus()
{
    for (TItemHeader* item = FirstItem; item; item = item->Next)
        item->FilterResult = fsNotChecked;
}

void TMemData::FilterUpdated()
{
    // One pass: each decision is reset just before the renumbering asks for it again.
    FRecordNoCache.clear();
    FRecordNoCache.reserve(size_t(FRecordCount));
    FRecordNoOffset = 0;
    int number = 0;
    try {
        for (TItemHeader* item = FirstItem; item; item = item->Next) {
            // Two items on are asked for now, so that the walk does not wait for each in turn.
            if (TItemHeader* next = item->Next; next && next->Next) {
                __builtin_prefetch(next->Next);
                __builtin_prefetch(reinterpret_cast<const char*>(next->Next) + 64);
            }
            // Items of a list built by appends lie in address order, a block after another: memory a
            // little further on is asked for as well. A guess only, and a prefetch never faults.
            __builtin_prefetch(reinterpret_cast<const char*>(item) + 2048, 1);
            item->FilterResult = fsNotChecked;
            if (OmitRecord(item)) {
                item->Order = 0;
            } else {
                item->Order = ++number;
                FRecordNoCache.push_back(item);
            }
        }
    } catch (...) {
        // The rest keep stale decisions: they are reset, so that they are asked again.
        ClearItemsOmittedStatus();
        FRecordNoCache.clear();
        throw;
    }
    FRecordCount = number;
    if (FRecordCount == 0) {
        CurrentItem = nullptr;
        FEOF = true;
    }
}

void TMemData::SetFilterItemTypes(TItemTypes Value)
{
    if (Value == FilterItemTypes())
        return;
    TData::SetFilterItemTypes(Value);
    FilterUpdated();
}

void TMemData::UpdateCachedBuffer(TItemHeader* FItem, TItemHeader* LItem)
{
    // An item holds RecordSize bytes only: a calculated part has no room in it.
    if (!OnGetCachedBuffer || FCalcRecordSize > 0)
        return;
    if (!FItem)
        FItem = FirstItem;
    if (!LItem)
        LItem = LastItem;
    for (TItemHeader* item = FItem; item; item = item->Next) {
        OnGetCachedBuffer(BlockMan.GetRecordPtr(item), nullptr);
        if (item == LItem)
            break;
    }
}

// ---- bookmarks ----------------------------------------------------------------------------------

void TMemData::GetBookmark(TRecBookmark* Bookmark)
{
    Bookmark->RefreshIteration = FRefreshIteration;
    Bookmark->Item = CurrentItem;
    Bookmark->Order = CurrentItem ? GetRecordNo() : -1;
}

void TMemData::SetToBookmark(TRecBookmark* Bookmark)
{
    // The item is only looked at while it is a live item of this store in the bookmark's iteration:
    // a deleted record's block may already be gone.
    if (Bookmark->RefreshIteration == FRefreshIteration && Bookmark->Item && BlockMan.IsLiveItem(Bookmark->Item)) {
        CurrentItem = Bookmark->Item;
        FBOF = FEOF = false;
        return;
    }
    TData::SetToBookmark(Bookmark);
}

bool TMemData::BookmarkValid(TRecBookmark* Bookmark)
{
    if (!Bookmark || (Bookmark->Order == -1 && !Bookmark->Item))
        return false;
    if (!FilterActive())
        return true;
    return Bookmark->RefreshIteration == FRefreshIteration && Bookmark->Item && BlockMan.IsLiveItem(Bookmark->Item) &&
        !OmitRecord(Bookmark->Item);
}

int TMemData::CompareBookmarks(TRecBookmark* Bookmark1, TRecBookmark* Bookmark2)
{
    // Comparing pointers reads nothing, so a bookmark of a deleted record is safe here.
    if (Bookmark1 && Bookmark2 && Bookmark1->RefreshIteration == Bookmark2->RefreshIteration &&
        Bookmark1->Item && Bookmark1->Item == Bookmark2->Item)
        return 0;
    return TData::CompareBookmarks(Bookmark1, Bookmark2);
}

} // namespace data
