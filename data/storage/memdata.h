// TMemData, the in-memory record store: a doubly linked list of items (a header and one record each)
// from a block manager, by-reference values in the store's string heap. Record numbers are the items'
// stored orders plus an offset, so that a change near either end renumbers only the shorter side.
// Bookmarks carry the store's refresh iteration; an item pointer is trusted only while it is a live
// item of this store in that iteration, otherwise the bookmark's record number is used.
#pragma once

#include "data/storage/recordstore.h"
#include "data/storage/sortcolumns.h"

#include <functional>
#include <vector>

namespace data {

// The unit's refresh-iteration counter: set to 1 when the units start; every InitData of any store
// raises it and takes the new value.
void InitMemDataUnit();
void DoneMemDataUnit();

using TFilterFunc = std::function<bool(void* RecBuf)>;

class TMemData : public TData {
public:
    TMemData();
    ~TMemData() override;

    // ---- lifecycle ----
    void InitData() override;
    // Releases every item's values, the string heap and every block, then starts a new iteration.
    void FreeData() override;
    void Reopen() override;
    void InitFields() override;
    void ClearFields() override;

    // ---- navigation ----
    bool GetEof() override { return !CurrentItem && FEOF; }
    bool GetBof() override { return !CurrentItem && FBOF; }
    int GetRecordCount() override { return FRecordCount; }
    int GetRecordNo() override { return CurrentItem ? CurrentItem->Order + FRecordNoOffset : 0; }
    // Positions on record Value from the nearest known point; nothing happens for an unknown number.
    void SetRecordNo(int Value) override;
    void SetToBegin() override;
    void SetToEnd() override;
    void GetRecord(void* RecBuf) override;
    // The item's rollback copy when it has one.
    void GetOldRecord(void* RecBuf) override;
    void GetNextRecord(void* RecBuf) override;
    void GetPriorRecord(void* RecBuf) override;
    // Fills the record-number cache when it is empty (one entry per visible item, in list order).
    void PrepareRecNoCache();

    // ---- editing ----
    // Assertion failure without a current item.
    void PutRecord(void* RecBuf) override;
    void AppendRecord(void* RecBuf) override;
    void InsertRecord(void* RecBuf) override;
    void UpdateRecord(void* RecBuf) override;
    void DeleteRecord() override;
    void AddRecord(void* RecBuf);
    void RemoveRecord();
    TItemStatus GetUpdateStatus() override { return CurrentItem ? CurrentItem->Status : isUnmodified; }
    TUpdateRecAction GetUpdateResult() override { return CurrentItem ? CurrentItem->UpdateResult : urNone; }

    // ---- cached updates ----
    // Some change is not applied yet.
    bool GetUpdatesPending() override;
    void SetCacheRecBuf(void* NewBuf, void* OldBuf) override
    {
        NewCacheRecBuf = NewBuf;
        OldCacheRecBuf = OldBuf;
    }
    // Hands the changes in the order they were first made to ApplyRecord. After an exception the
    // failing record is current; otherwise the record current before, while it still exists.
    void ApplyUpdates() override;
    void CommitUpdates() override;
    void CancelUpdates() override;
    void RestoreUpdates() override;
    void RevertRecord() override;

    // ---- bookmarks ----
    void GetBookmark(TRecBookmark* Bookmark) override;
    void SetToBookmark(TRecBookmark* Bookmark) override;
    bool BookmarkValid(TRecBookmark* Bookmark) override;
    int CompareBookmarks(TRecBookmark* Bookmark1, TRecBookmark* Bookmark2) override;

    // ---- filtering ----
    // Resets every cached filter decision and renumbers the whole list.
    void FilterUpdated() override;
    void SetFilterItemTypes(TItemTypes Value) override;
    void ClearItemsOmittedStatus();
    bool FilterActive() const { return bool(FilterFunc) || bool(FilterMDFunc) || HasFilterExpression(); }
    // Whether the filters hide Item; the decision is cached in the item until its record changes.
    virtual bool OmitRecord(TItemHeader* Item);
    // OmitRecord with the cached decision read in line.
    bool Omitted(TItemHeader* Item)
    {
        return Item->FilterResult == fsNotOmitted ? false
            : Item->FilterResult == fsOmitted     ? true
                                                  : OmitRecord(Item);
    }
    TFilterFunc FilterFunc;
    TFilterFunc FilterMDFunc;

    // A store that fills itself on demand fetches more rows here and reports whether it did.
    virtual bool FetchMore(bool FetchBack) { (void)FetchBack; return false; }

    // Fills the cached fields of each item from FItem (default the first) to LItem (default the last).
    void UpdateCachedBuffer(TItemHeader* FItem = nullptr, TItemHeader* LItem = nullptr);
    std::function<void(void* Buffer, void* Source)> OnGetCachedBuffer;

    // Renumbering: mode 0 after an insertion at Item, 1 after a removal (Item the new current item),
    // 2 for the whole list.
    void ReorderItems(TItemHeader* Item, int Mode);

    // ---- ordering ----
    // Stores the text; while open, rebuilds the columns and sorts. A text that does not parse raises
    // and is not kept: the previous text and columns stay.
    virtual void SetIndexFieldNames(StringView Value);
    const String& IndexFieldNames() const { return FIndexFieldNames; }
    const TSortColumns& IndexFields() const { return FIndexFields; }
    // A stable sort by the index columns that relinks items; records are never copied.
    virtual void SortItems();
    virtual void InitSortColumn(TSortColumn& SortColumn);
    virtual int CompareAnsiPtr(const char* S1, const char* S2, TCompareOptions Options);
    virtual int CompareAnsi(const AnsiString& S1, const AnsiString& S2, TCompareOptions Options);
    virtual int CompareWidePrefix(StringView S1, StringView S2, TCompareOptions Options);
    virtual int CompareWide(StringView S1, StringView S2, TCompareOptions Options);
    virtual int CompareAnsiValue(const AnsiString& Value, const AnsiString& FieldText, TCompareOptions Options);
    virtual int CompareWideValue(StringView Value, StringView FieldText, TCompareOptions Options);
    // The sign of the value (in the native form of ValueType) minus the field's value in RecBuf.
    virtual int CompareFieldValue(const void* ValuePtr, int ValueType, const TFieldDesc& FieldDesc,
                                  const void* RecBuf, TCompareOptions Options);
    virtual int CompareFields(const void* RecBuf1, const void* RecBuf2, const TSortColumn& SortColumn);
    // Nulls first; the sign of record 1 minus record 2.
    virtual int CompareFields(const void* RecBuf1, const void* RecBuf2, const TFieldDesc& FieldDesc,
                              TCompareOptions Options);
    // By every index column in order.
    int CompareRecords(const void* RecBuf1, const void* RecBuf2);

    int RefreshIteration() const { return FRefreshIteration; }
    int RecordNoOffset() const { return FRecordNoOffset; }
    TItemHeader* First() const { return FirstItem; }
    TItemHeader* Last() const { return LastItem; }
    TItemHeader* Current() const { return CurrentItem; }

protected:
    // Adds ready records (full buffers of this store's layout) after the last item as rows fetched
    // from a server: no append event, no cached change, status unmodified. The store takes over the
    // buffers' references to complex values (strings, blobs): the caller frees the buffers without
    // freeing those. The current record stays.
    void AppendFetchedRecords(const std::vector<const void*>& RecBufs);
    // Whether FilterFunc, FilterMDFunc and the filter text all accept the record.
    bool AcceptedByFilters(void* RecBuf);
    // OmitRecord's decision on a full buffer with the calculated fields filled by OnGetCachedBuffer.
    bool OmitWithCalculatedFields(TItemHeader* Item);
    // Walks forward or backward from Item to the visible item numbered Value; asks for more rows at the
    // end of a forward walk.
    void WalkTo(TItemHeader* Item, int Value, bool Forward);
    bool FetchMoreKeepingPosition();
    void CommitBlobs(void* RecBuf);

    // Rebuilds the columns from IndexFieldNames into Columns (nothing kept on failure).
    void ParseIndexFieldNames(StringView Text, TSortColumns& Columns);
    // Moves the current item towards its place by the index: back for Direction < 0, on for > 0.
    void MoveSortedItem(int Direction);
    void UnlinkItem(TItemHeader* Item);
    void LinkAfter(TItemHeader* Item, TItemHeader* Prior);
    // Links Item after the last one, numbered next.
    void LinkAtEnd(TItemHeader* Item);
    // Whether the sort may compare extracted keys of this column instead of calling CompareFields: a
    // descendant that overrides CompareFieldValue or CompareFields for such a column returns false.
    virtual bool SortByNativeKeys(const TSortColumn& SortColumn) const;
    // The sort on one integer column whose keys span at most 32 bits; false (nothing changed but the
    // record-number cache) when they span more.
    bool SortByIntegerKey(const TFieldDesc& Field, bool Descending);
    // Links the items in the order itemAt(0..count-1) gives, numbering them when all are visible.
    template <class ItemAt> void RelinkSorted(size_t Count, const ItemAt& ItemAtIndex);

    // Cached updates.
    struct TCacheItem {
        TItemHeader* Item = nullptr;
        TCacheItem* Next = nullptr;
        uint64_t Serial = 0;  // entries are appended in rising order
    };
    void AddCacheItem(TItemHeader* Item);
    TCacheItem* FindCacheItem(const TItemHeader* Item, TCacheItem** Prior = nullptr) const;
    void RemoveCacheItem(TCacheItem* Entry, TCacheItem* Prior);
    void FreeCache();
    void CachedUpdate(TItemHeader* Item);
    void CachedDelete();
    void RevertItem(TItemHeader* Item);
    void RestoreFromRollback(TItemHeader* Item);
    // Unlinks and frees Item with its values; the cursor moves on as RemoveRecord moves it.
    void DropItem(TItemHeader* Item);
    bool ListContains(const TItemHeader* Item) const;
    bool Visible(TItemHeader* Item) { return Item && !OmitRecord(Item); }

    TCacheItem* Cache = nullptr;
    TCacheItem* LastCacheItem = nullptr;
    uint64_t FCacheSerial = 0;
    uint64_t FCacheRemovals = 0;
    String FIndexFieldNames;
    TSortColumns FIndexFields;

    static constexpr size_t kPrefetchDistance = 16;
    int FRefreshIteration = 0;
    std::vector<TItemHeader*> FRecordNoCache;
    TItemHeader* FirstItem = nullptr;
    TItemHeader* LastItem = nullptr;
    TItemHeader* CurrentItem = nullptr;
    TBlockManager BlockMan;
};

} // namespace data
