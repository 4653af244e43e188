// The provider record set: its lifecycle around the command, fetching in blocks and the numbered
// properties.
#include "data/access/crrecordset.h"

// GCC 12 reports a false "may be used uninitialized" inside std::variant when a Variant is assigned
// from a temporary of another kind.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace data {

TCRRecordSet::TCRRecordSet() = default;

TCRRecordSet::~TCRRecordSet()
{
    // The store's destructor reaches only the store's Close; the command goes first.
    try {
        Close();
        if (FCommand)
            UnPrepare();
    } catch (...) {
        core::HandleException();
    }
    FreeCommand();
    FTablesInfo.reset();
}

void TCRRecordSet::AfterConstruction()
{
    AfterExecFetch = nullptr;
    AfterFetchAll = nullptr;
    CreateCommand();
    FTablesInfo = std::make_unique<TCRTablesInfo>(FCommand ? FCommand->GetTableInfoClass()
                                                           : NewTableInfo<TCRTableInfo>);
}

void TCRRecordSet::CreateCommand() { throw core::EAbstractError(u"Abstract Error"); }

void TCRRecordSet::FreeCommand()
{
    FCommand.reset();
    SetCommand(nullptr);
}

// ---- lifecycle ----------------------------------------------------------------------------------

void TCRRecordSet::Prepare()
{
    if (Prepared())
        return;
    TMemData::Prepare();
    if (FCommandType != ctCursor)
        return;
    try {
        InitFields();
        FPrepared = true;
    } catch (...) {
        FPrepared = false;
        DoUnPrepare();
        throw;
    }
}

void TCRRecordSet::UnPrepare()
{
    try {
        TMemData::UnPrepare();
    } catch (...) {
        if (FTablesInfo)
            FTablesInfo->Clear();
        throw;
    }
    if (FTablesInfo)
        FTablesInfo->Clear();
}

bool TCRRecordSet::NeedConvertEOL()
{
    return FCommand && FCommand->GetConnection() && FCommand->GetConnection()->ConvertEOL();
}

void TCRRecordSet::DoOpen(bool DisableInitFields)
{
    try {
        TMemData::DoOpen(DisableInitFields);
        FEOF = false;
        ExecFetch(DisableInitFields);
    } catch (...) {
        // The open's own error is the one to report: a failure while cleaning up is dropped.
        try {
            if (!Prepared())
                DoUnPrepare();
            if (FCommand->GetCursorState() == csExecuted)
                FCommand->SetCursorState(csInactive);
        } catch (...) {
        }
        throw;
    }
}

void TCRRecordSet::ExecFetch(bool DisableInitFields)
{
    ExecCommand();
    if (!DisableInitFields && (!Prepared() || FFields.Count() == 0 || NeedsFieldsReinit()))
        InitFields();
    if (FFetchAll)
        FetchAll();
    else
        FetchMore(false);
}

void TCRRecordSet::ExecCommand()
{
    FCommand->Execute(1);
    FWaitForFetchBreak = false;
}

void TCRRecordSet::Disconnect()
{
    DoUnPrepare();
    FPrepared = false;
}

void TCRRecordSet::FetchAll()
{
    while (FetchMore(false)) {
    }
}

bool TCRRecordSet::CanDisconnect()
{
    CORE_ASSERT(FCommand != nullptr, u"");
    const TCursorState state = FCommand->GetCursorState();
    return state == csInactive || state == csFetched;
}

// ---- fetching -----------------------------------------------------------------------------------

void TCRRecordSet::DoBeforeFetch(bool& Cancel)
{
    Cancel = FWaitForFetchBreak;
    if (OnBeforeFetch)
        OnBeforeFetch(Cancel);
    if (Cancel && FCommand->GetCursorState() == csFetchingAll)
        FCommand->SetCursorState(csFetching);
}

void TCRRecordSet::DoAfterFetch()
{
    if (OnAfterFetch)
        OnAfterFetch();
}

void TCRRecordSet::GetNextRecord(void* RecBuf)
{
    if (GetEof())
        return;
    auto atEnd = [this] {
        CurrentItem = nullptr;
        FEOF = true;
    };
    TItemHeader* candidate;
    if (!FirstItem) {
        if (!FetchMore(false))
            return atEnd();
        candidate = FirstItem;
    } else {
        candidate = CurrentItem ? CurrentItem->Next : FirstItem;
    }
    for (;;) {
        while (!candidate) {
            TItemHeader* last = LastItem;
            if (!FetchMore(false))
                return atEnd();
            TItemHeader* next = last ? last->Next : nullptr;
            if ((FUniDirectional || FetchesWithoutCache()) && next)
                DropBlock(next, true);
            candidate = FUniDirectional || !next ? FirstItem : next;
        }
        if (!Omitted(candidate))
            break;
        candidate = candidate->Next;
    }
    CurrentItem = candidate;
    FBOF = false;
    FEOF = false;
    if (RecBuf)
        BlockMan.GetRecord(candidate, RecBuf);
}

void TCRRecordSet::GetPriorRecord(void* RecBuf)
{
    if (FUniDirectional) {
        FBOF = true;
        CurrentItem = nullptr;
        return;
    }
    if (!FetchesWithoutCache()) {
        TMemData::GetPriorRecord(RecBuf);
        return;
    }
    if (GetBof())
        return;
    auto atBegin = [this] {
        CurrentItem = nullptr;
        FBOF = true;
    };
    TItemHeader* candidate;
    if (!FirstItem) {
        if (!FetchMore(true))
            return atBegin();
        candidate = LastItem;
    } else {
        candidate = CurrentItem ? CurrentItem->Prev : LastItem;
    }
    for (;;) {
        while (!candidate) {
            TItemHeader* first = FirstItem;
            if (!FetchMore(true))
                return atBegin();
            TItemHeader* prior = first ? first->Prev : nullptr;
            if (prior)
                DropBlock(first, false);
            candidate = prior ? prior : LastItem;
        }
        if (!Omitted(candidate))
            break;
        candidate = candidate->Prev;
    }
    CurrentItem = candidate;
    FBOF = false;
    FEOF = false;
    if (RecBuf)
        BlockMan.GetRecord(candidate, RecBuf);
}

void TCRRecordSet::PrependFetchedRecords(const std::vector<const void*>& RecBufs)
{
    if (RecBufs.empty())
        return;
    TItemHeader* const current = CurrentItem;
    TItemHeader* const oldFirst = FirstItem;
    TItemHeader* prior = nullptr;
    for (const void* recBuf : RecBufs) {
        TItemHeader* item = nullptr;
        BlockMan.AllocItem(item);
        item->FilterResult = fsNotChecked;
        item->Prev = prior;
        item->Next = oldFirst;
        if (prior)
            prior->Next = item;
        else
            FirstItem = item;
        if (oldFirst)
            oldFirst->Prev = item;
        else
            LastItem = item;
        prior = item;
        CurrentItem = item;
        PutRecord(const_cast<void*>(recBuf));
        CommitBlobs(BlockMan.GetRecordPtr(item));
    }
    CurrentItem = current;
    ReorderItems(nullptr, 2);
}

TCRRecordSet::TFetchBlock::~TFetchBlock()
{
    for (void* buffer : m_buffers) {
        if (!m_stored)
            m_owner.FreeComplexFields(buffer, true);
        m_owner.FreeRecBuf(buffer);
    }
}

void* TCRRecordSet::TFetchBlock::Add()
{
    void* buffer = m_owner.AllocRecBuf();
    try {
        m_buffers.push_back(buffer);
    } catch (...) {
        m_owner.FreeRecBuf(buffer);
        throw;
    }
    m_owner.InitRecord(buffer);
    if (m_owner.HasComplexFields())
        m_owner.CreateComplexFields(buffer, true);
    return buffer;
}

void TCRRecordSet::TFetchBlock::Store(bool Back)
{
    const std::vector<const void*> ready(m_buffers.begin(), m_buffers.end());
    if (Back)
        m_owner.PrependFetchedRecords(ready);
    else
        m_owner.AppendFetchedRecords(ready);
    m_stored = true;
}

void TCRRecordSet::DropBlock(TItemHeader* First, bool Forward)
{
    auto drop = [this](TItemHeader* item) {
        if (FCachedUpdates) {
            TCacheItem* prior = nullptr;
            if (TCacheItem* entry = FindCacheItem(item, &prior))
                RemoveCacheItem(entry, prior);
        }
        DropItem(item);
    };
    if (Forward) {
        while (FirstItem && FirstItem != First)
            drop(FirstItem);
    } else {
        while (LastItem && First) {
            TItemHeader* last = LastItem;
            drop(last);
            if (last == First)
                break;
        }
    }
    ReorderItems(nullptr, 2);
}

void TCRRecordSet::FilterUpdated()
{
    const TCursorState state = FCommand->GetCursorState();
    const bool canFetch = state >= csOpen && state <= csFetchingAll;
    TMemData::FilterUpdated();
    if (canFetch)
        FEOF = false;
}

// ---- ordering -----------------------------------------------------------------------------------

void TCRRecordSet::InitSortColumn(TSortColumn& SortColumn)
{
    TMemData::InitSortColumn(SortColumn);
    if (FCommand && FCommand->GetConnection())
        SortColumn.SortType = FCommand->GetConnection()->DefaultSortType();
}

void TCRRecordSet::SortItems()
{
    if (FIndexFields.Count() == 0 || m_sort_fetching)
        return;
    m_sort_fetching = true;
    try {
        FetchAll();
    } catch (...) {
        m_sort_fetching = false;
        throw;
    }
    m_sort_fetching = false;
    TMemData::SortItems();
}

// ---- properties ---------------------------------------------------------------------------------

bool TCRRecordSet::SetProp(int Prop, const core::Variant& Value)
{
    switch (Prop) {
    case PropUniDirectional:
        FUniDirectional = Value.AsBoolean();
        if (FUniDirectional)
            FFetchAll = false;
        break;
    case PropFetchRows: FFetchRows = Value.AsInteger(); break;
    case PropFetchAll:
        if (!FLockFetchAll)
            FFetchAll = Value.AsBoolean() && !FUniDirectional;
        break;
    case PropLongStrings: FLongStrings = Value.AsBoolean(); break;
    case PropEnableEmptyStrings: EnableEmptyStrings = Value.AsBoolean(); break;
    case PropFlatBuffers: FFlatBuffers = Value.AsBoolean(); break;
    case PropIndexFieldNames: SetIndexFieldNames(Value.AsString()); break;
    case PropCompressBlob: FCommand->SetProp(PropCompressBlob, Value); break;
    case PropRecordSetReadOnly: break;
    case PropLockFetchAll: FLockFetchAll = Value.AsBoolean(); break;
    case PropExtendedFieldsInfo: FExtendedFieldsInfo = Value.AsBoolean(); break;
    case PropDefaultValues: FDefaultValues = Value.AsBoolean(); break;
    case PropFieldsOrigin: FFieldsOrigin = Value.AsBoolean(); break;
    default: UnknownProp(Prop);
    }
    return true;
}

bool TCRRecordSet::GetProp(int Prop, core::Variant& Value)
{
    switch (Prop) {
    case PropFetchAll: Value = FFetchAll; break;
    case PropExtendedFieldsInfo: Value = FExtendedFieldsInfo; break;
    case PropDefaultValues: Value = FDefaultValues; break;
    case PropFieldsOrigin: Value = FFieldsOrigin; break;
    default: UnknownProp(Prop);
    }
    return true;
}

} // namespace data
