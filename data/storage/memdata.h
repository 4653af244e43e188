// TMemData, the in-memory record store: a doubly linked list of items (a header and one record each)
// from a block manager, by-reference values in the store's string heap. Record numbers are the items'
// stored orders plus an offset, so that a change near either end renumbers only the shorter side.
// Bookmarks carry the store's refresh iteration; an item pointer is trusted only while it is a live
// item of this store in that iteration, otherwise the bookmark's record number is used.
#pragma once

#include "data/storage/recordstore.h"

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
    void GetOldRecord(void* RecBuf);
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
    TItemStatus GetUpdateStatus() const { return CurrentItem ? CurrentItem->Status : isUnmodified; }
    TUpdateRecAction GetUpdateResult() const { return CurrentItem ? CurrentItem->UpdateResult : urNone; }

    // ---- bookmarks ----
    void GetBookmark(TRecBookmark* Bookmark) override;
    void SetToBookmark(TRecBookmark* Bookmark) override;
    bool BookmarkValid(TRecBookmark* Bookmark) override;
    int CompareBookmarks(TRecBookmark* Bookmark1, TRecBookmark* Bookmark2) override;

    // ---- filtering ----
    // Resets every cached filter decision and renumbers the whole list.
    virtual void FilterUpdated();
    void ClearItemsOmittedStatus();
    bool FilterActive() const { return bool(FilterFunc) || bool(FilterMDFunc); }
    // Whether the filters hide Item; the decision is cached in the item until its record changes.
    virtual bool OmitRecord(TItemHeader* Item);
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

    int RefreshIteration() const { return FRefreshIteration; }
    int RecordNoOffset() const { return FRecordNoOffset; }
    TItemHeader* First() const { return FirstItem; }
    TItemHeader* Last() const { return LastItem; }
    TItemHeader* Current() const { return CurrentItem; }

protected:
    // Walks forward or backward from Item to the visible item numbered Value; asks for more rows at the
    // end of a forward walk.
    void WalkTo(TItemHeader* Item, int Value, bool Forward);
    bool FetchMoreKeepingPosition();
    void CommitBlobs(void* RecBuf);

    int FRefreshIteration = 0;
    std::vector<TItemHeader*> FRecordNoCache;
    TItemHeader* FirstItem = nullptr;
    TItemHeader* LastItem = nullptr;
    TItemHeader* CurrentItem = nullptr;
    TBlockManager BlockMan;
};

} // namespace data
