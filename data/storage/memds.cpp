// The in-memory dataset, the data-type map and the blob stream.
#include "data/storage/memds.h"

#include "data/storage/dsservice.h"
#include "data/storage/encoding.h"
#include "data/storage/memutils.h"

#include "core/exception.h"
#include "core/fileio.h"

#include <algorithm>
#include <cstring>

namespace data {

namespace {

[[noreturn]] void Fail(StringView message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

constexpr int kRecInfoSize = 7;
constexpr int kBookmarkSize = int(sizeof(TRecBookmark));

} // namespace

// ---- TDataTypesMap ------------------------------------------------------------------------------

TFieldType TDataTypesMap::GetFieldType(uint16_t DataType) const
{
    switch (DataType) {
    case dtUnknown: return ftUnknown;
    case dtString: case dtExtString: return ftString;
    case dtInt8: case dtInt16: return ftSmallint;
    case dtInt32: return ftInteger;
    case dtFloat: return ftFloat;
    case dtDate: return ftDate;
    case dtTime: return ftTime;
    case dtDateTime: return ftDateTime;
    case dtUInt16: return ftWord;
    case dtBoolean: return ftBoolean;
    case dtInt64: case dtUInt32: return ftLargeint;
    case dtCurrency: return ftCurrency;
    case dtBlob: return ftBlob;
    case dtMemo: return ftMemo;
    case dtObject: return ftADT;
    case dtReference: return ftReference;
    case dtArray: return ftArray;
    case dtTable: return ftDataSet;
    case dtVariant: return ftVariant;
    case dtBytes: return ftBytes;
    case dtVarBytes: case dtExtVarBytes: return ftVarBytes;
    case dtWideString: case dtExtWideString: return ftWideString;
    case dtBCD: return ftBCD;
    case dtFMTBCD: return ftFMTBcd;
    case dtGuid: return ftGuid;
    case dtWideMemo: return ftWideMemo;
    case dtCursor: return ftCursor;
    default: Fail(u"Unknown data type");
    }
}

int TDataTypesMap::GetDataType(TFieldType FieldType) const
{
    switch (FieldType) {
    case ftString: case ftFixedChar: return dtString;
    case ftSmallint: case ftByte: return dtInt16;
    case ftInteger: case ftAutoInc: return dtInt32;
    case ftWord: return dtUInt16;
    case ftBoolean: return dtBoolean;
    case ftFloat: case ftExtended: case ftSingle: return dtFloat;
    case ftCurrency: return dtCurrency;
    case ftBCD: return dtBCD;
    case ftDate: return dtDate;
    case ftTime: return dtTime;
    case ftDateTime: return dtDateTime;
    case ftBytes: return dtBytes;
    case ftVarBytes: return dtVarBytes;
    case ftBlob: return dtBlob;
    case ftMemo: return dtMemo;
    case ftLargeint: return dtInt64;
    case ftADT: return dtObject;
    case ftArray: return dtArray;
    case ftReference: return dtReference;
    case ftDataSet: return dtTable;
    case ftVariant: return dtVariant;
    case ftGuid: return dtGuid;
    case ftFMTBcd: return dtFMTBCD;
    case ftWideString: case ftFixedWideChar: return dtWideString;
    case ftWideMemo: return dtWideMemo;
    case ftLongWord: return dtUInt32;
    case ftShortint: return dtInt8;
    case ftCursor: return dtCursor;
    default: return dtUnknown;
    }
}

// ---- TBlobStream --------------------------------------------------------------------------------

TBlobStream::TBlobStream(TBlobField* Field, TBlobStreamMode Mode) : FField(Field)
{
    FDataSet = dynamic_cast<TMemDataSet*>(Field->DataSet());
    if (!FDataSet)
        throw core::EInvalidCast(u"Invalid class typecast");
    FFieldNo = Field->FieldNo();
    if (!FDataSet->GetActiveRecBuf(FBuffer))
        return;
    if (!Field->Modified() && Mode != bmRead) {
        if (Field->ReadOnly())
            DatabaseErrorFmt(texts::FieldReadOnly, Field->DisplayName());
        const TDataSetState state = FDataSet->State();
        if (state != dsEdit && state != dsInsert && state != dsNewValue)
            DatabaseError(texts::NotEditing);
    }
    FOpened = true;
    if (Mode == bmWrite)
        Truncate();
}

TBlobStream::~TBlobStream()
{
    if (FOpened && FModified)
        FField->SetModified(true);
    if (FModified) {
        try {
            FDataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
        } catch (...) {
            core::HandleException();
        }
    }
}

bool TBlobStream::Wide() const { return dynamic_cast<TWideMemoField*>(FField) != nullptr; }

bool TBlobStream::OldValue() const { return FDataSet->State() == dsOldValue; }

int64_t TBlobStream::Read(void* Buffer, int64_t Count)
{
    if (!FOpened)
        return 0;
    const int64_t left = Size() - FPosition;
    if (left <= 0 || Count <= 0)
        return 0;
    const int count = int(std::min(Count, left));
    const int read = FDataSet->Data()->ReadBlob(FFieldNo, FBuffer, int(FPosition), count, Buffer, OldValue(), Wide());
    FPosition += read;
    return read;
}

int64_t TBlobStream::Write(const void* Buffer, int64_t Count)
{
    if (!FOpened || Count <= 0)
        return 0;
    FDataSet->Data()->WriteBlob(FFieldNo, FBuffer, int(FPosition), int(Count), Buffer, Wide());
    FPosition += Count;
    FModified = true;
    return Count;
}

int64_t TBlobStream::Seek(int64_t Offset, core::SeekOrigin Origin)
{
    int64_t position = FPosition;
    switch (Origin) {
    case core::soBeginning: position = Offset; break;
    case core::soCurrent: position = FPosition + Offset; break;
    case core::soEnd: position = Size() + Offset; break;
    }
    if (position < 0)
        throw core::EStreamError(u"Invalid stream position");
    FPosition = position;
    return FPosition;
}

int64_t TBlobStream::Size()
{
    if (!FOpened)
        return 0;
    return FDataSet->Data()->GetBlobSize(FFieldNo, FBuffer, OldValue(), Wide());
}

void TBlobStream::SetSize(int64_t NewSize)
{
    if (FOpened)
        FDataSet->Data()->SetBlobSize(FFieldNo, FBuffer, int(NewSize), OldValue(), Wide());
}

void TBlobStream::Truncate()
{
    if (!FOpened)
        return;
    FDataSet->Data()->TruncateBlob(FFieldNo, FBuffer, int(FPosition), Wide());
    FModified = true;
}

// ---- TMemDataSet: creation and services ---------------------------------------------------------

TMemDataSet::TMemDataSet(core::Component* owner) : TDataSet(owner)
{
    SetBookmarkSize(kBookmarkSize);
}

TMemDataSet::~TMemDataSet()
{
    SetActive(false);
    if (FData) {
        try {
            UnPrepare();
        } catch (...) {
            core::HandleException();
        }
    }
    FreeBuffersComplexFields();
    if (OldDeferredPostBuf)
        Marshal::FreeHGlobal(OldDeferredPostBuf);
    if (FOldRecBuf)
        Marshal::FreeHGlobal(FOldRecBuf);
    FData.reset();
    FDataSetService.reset();
}

void TMemDataSet::AssignTo(core::Persistent& Dest) const
{
    auto* target = dynamic_cast<TMemDataSet*>(&Dest);
    if (!target) {
        TDataSet::AssignTo(Dest);
        return;
    }
    target->SetCachedUpdates(FCachedUpdates);
    target->FLocalConstraints = FLocalConstraints;
    target->FLocalUpdate = FLocalUpdate;
}

void TMemDataSet::CreateData() { SetData(std::make_unique<TMemData>()); }

void TMemDataSet::SetData(std::unique_ptr<TData> Value)
{
    FData = std::move(Value);
    FMemData = dynamic_cast<TMemData*>(FData.get());
    if (!FData)
        return;
    FData->SetCachedUpdates(FCachedUpdates);
    SetStoreItemTypes();
    if (FMemData && !FIndexFieldNames.empty())
        FMemData->SetIndexFieldNames(FIndexFieldNames);
    FData->OnApplyRecord = [this](TUpdateRecKind UpdateKind, TUpdateRecAction& Action, bool LastItem) {
        CheckDataSetService();
        FDataSetService->Updater()->DoApplyRecord(UpdateKind, Action, LastItem);
    };
    FData->SparseArrays = FSparseArrays;
    FData->OnAppend = [this] { DoDataAppend(); };
    FData->OnDelete = [this] { DoDataDelete(); };
    FData->OnUpdate = [this] { DoDataUpdate(); };
    if (FCreateCalcFieldDescs) {
        FData->OnGetCachedFields = [this] { DoGetCachedFields(); };
        if (auto* mem = dynamic_cast<TMemData*>(FData.get()))
            mem->OnGetCachedBuffer = [this](void* RecBuf, void* FieldBuf) { FillCachedBuffer(RecBuf, FieldBuf); };
    }
}

TDataSetServiceClass TMemDataSet::GetDataSetServiceClass() const { return MakeDataSetService; }

void TMemDataSet::SetDataSetService(std::unique_ptr<TDataSetService> Value)
{
    FDataSetService = std::move(Value);
}

void TMemDataSet::CheckDataSetService()
{
    const TDataSetServiceClass wanted = GetDataSetServiceClass();
    if (!FDataSetService || FDataSetServiceClass != wanted) {
        SetDataSetService(wanted(this));
        FDataSetServiceClass = wanted;
    }
}

void TMemDataSet::ReopenData()
{
    if (!FData)
        Fail(u"Assertion failure");
    FData->Reopen();
}

const TDataTypesMap& TMemDataSet::GetDataTypesMapClass() const
{
    static const TDataTypesMap map;
    return map;
}

void TMemDataSet::DoDataAppend()
{
    if (FDataSetService && FDataSetService->Updater())
        FDataSetService->Updater()->DoPerformAppend();
}

void TMemDataSet::DoDataDelete()
{
    if (FDataSetService && FDataSetService->Updater())
        FDataSetService->Updater()->DoPerformDelete();
}

void TMemDataSet::DoDataUpdate()
{
    if (FDataSetService && FDataSetService->Updater())
        FDataSetService->Updater()->DoPerformUpdate();
}

FieldFactory TMemDataSet::FieldClassOf(TFieldType FieldType)
{
    CheckDataSetService();
    return FDataSetService->FieldClassForType(FieldType);
}

// ---- preparation and field definitions ----------------------------------------------------------

void TMemDataSet::Prepare()
{
    if (Prepared() || !FData)
        return;
    FData->Prepare();
    CheckDataSetService();
    FDataSetService->InitFieldsExt();
    BuildFieldDefs();
}

void TMemDataSet::UnPrepare()
{
    if (Active())
        Close();
    if (FData)
        FData->UnPrepare();
    if (!HasState(core::csDestroying))
        FieldDefs().SetUpdated(false);
}

void TMemDataSet::CheckPrepared() const
{
    if (!Prepared())
        DatabaseError(u"DataSet is not prepared");
}

void TMemDataSet::SetSparseArrays(bool Value)
{
    if (Value == FSparseArrays)
        return;
    UnPrepare();
    FSparseArrays = Value;
    if (FData)
        FData->SparseArrays = Value;
}

TFieldType TMemDataSet::FieldTypeOfDataType(uint16_t DataType)
{
    return GetDataTypesMapClass().GetFieldType(DataType);
}

int TMemDataSet::FieldDefSize(TFieldType FieldType, const TFieldDesc& FieldDesc)
{
    switch (FieldType) {
    case ftString: case ftWideString: case ftGuid: return FieldDesc.Length == 0 ? 1 : FieldDesc.Length;
    case ftBytes: case ftVarBytes: return FieldDesc.Length;
    default: return 0;
    }
}

void TMemDataSet::ElementFieldName(TFieldDef*, int Index, String& Name) { Name = core::IntToStr(Index); }

void TMemDataSet::BuildFieldDefs()
{
    if (FieldDefs().Updated())
        return;
    TFieldDefs& defs = FieldDefs();
    defs.BeginUpdate();
    try {
        defs.Clear();
        for (int i = 0; i < FData->FieldCount(); ++i) {
            const TFieldDesc& desc = *FData->Fields().Items(i);
            if (desc.HiddenObject || desc.FieldDescKind != fdkData)
                continue;
            if (desc.HasParent() && !desc.ParentField->HiddenObject)
                continue;
            AddFieldDefs(desc, i);
        }
    } catch (...) {
        defs.EndUpdate();
        throw;
    }
    defs.EndUpdate();
    FieldDefList().Invalidate();
    defs.SetUpdated(FData->FieldCount() > 0);
}

void TMemDataSet::AddFieldDefs(const TFieldDesc& Desc, int Index)
{
    const TFieldType type = FieldTypeOfDesc(Desc);
    if (type == ftUnknown)
        DatabaseError(u"Data type is not supported");
    TFieldDef* def = FieldDefs().AddFieldDef();
    def->SetName(Desc.Name);
    def->SetDataType(type);
    def->SetSize(FieldDefSize(type, Desc));
    def->SetFieldNo(Index + 1);
    TFieldAttributes attributes = def->Attributes();
    if (Desc.Required && FLocalConstraints)
        attributes |= faRequired;
    if (Desc.ReadOnly)
        attributes |= faReadonly;
    if (Desc.Hidden)
        attributes |= faHiddenCol;
    if (Desc.Fixed)
        attributes |= faFixed;
    def->SetAttributes(attributes);
    switch (type) {
    case ftSmallint: case ftInteger: case ftFloat: case ftLargeint: def->SetPrecision(Desc.Length); break;
    case ftBCD: case ftFMTBcd:
        def->SetPrecision(Desc.Length);
        def->SetSize(Desc.Scale);
        break;
    case ftADT: case ftArray: AddChildDefs(*def, Desc.ObjectType(), type == ftArray); break;
    default: break;
    }
}

void TMemDataSet::AddChildDefs(TFieldDef& Parent, TObjectType* Type, bool IsArray)
{
    if (!Type)
        return;
    TFieldDefs& children = Parent.ChildDefs();
    auto addChild = [&](String name, const TAttribute& attribute) {
        // A name already taken below this parent gets "_1", "_2" ... appended.
        const String base = name;
        for (int n = 1; FieldDefList().Find(Parent.FullName() + u"." + name) || children.FindDef(name); ++n)
            name = base + u"_" + core::IntToStr(n);
        const TFieldType type = FieldTypeOfDataType(attribute.DataType());
        TFieldDef* child = children.AddFieldDef();
        child->SetName(name);
        child->SetDataType(type);
        child->SetSize(type == ftString || type == ftWideString ? attribute.Length : 0);
        if (Parent.ReadOnly())
            child->SetAttributes(child->Attributes() | faReadonly);
        if (type == ftADT || type == ftArray)
            AddChildDefs(*child, attribute.ObjectType(), type == ftArray);
    };
    if (!IsArray) {
        if (Type->DataType() == dtObject)
            for (int i = 0; i < Type->AttributeCount(); ++i)
                addChild(Type->AttributeAt(i)->Name(), *Type->AttributeAt(i));
        return;
    }
    const int count = FSparseArrays ? 1 : std::min(Type->Size(), 100);
    for (int i = 0; i < Type->AttributeCount(); ++i) {
        const TAttribute& element = *Type->AttributeAt(i);
        for (int index = 0; index < count; ++index) {
            String name;
            ElementFieldName(&Parent, index, name);
            addChild(name, element);
        }
    }
}

void TMemDataSet::InitStoreFieldDefs()
{
    if (FData && FData->Active())
        return;
    if (!FData)
        Fail(u"Assertion failure");
    std::vector<String> names;
    const bool had = FieldDefs().Count() > 0 && FieldDefs().Updated();
    if (had)
        for (int i = 0; i < FData->FieldCount(); ++i)
            names.push_back(FData->Fields().Items(i)->Name);
    FData->ExplicitInitFields();
    if (had) {
        bool changed = int(names.size()) != FData->FieldCount();
        for (int i = 0; !changed && i < FData->FieldCount(); ++i)
            changed = names[size_t(i)] != FData->Fields().Items(i)->Name;
        if (changed)
            FieldDefs().SetUpdated(false);
    }
    InitStoreFieldDefsDone();
}

void TMemDataSet::InitStoreFieldDefsDone()
{
    CheckDataSetService();
    FDataSetService->InitFieldsExt();
    BuildFieldDefs();
}

// ---- opening and closing ------------------------------------------------------------------------

void TMemDataSet::OpenStore()
{
    if (!FData)
        Fail(u"Assertion failure");
    // A store without a provider learns its descriptors only when asked (a record set makes them as
    // it opens).
    if (FData->FieldCount() == 0)
        FData->ExplicitInitFields();
    FData->Open();
    CheckDataSetService();
    FDataSetService->InitFieldsExt();
    BuildFieldDefs();

    if (DefaultFields()) {
        CreateFields();
    } else {
        for (TField* field : FieldList()) {
            if (field->FieldKind() != fkData)
                continue;
            TFieldDef* def = FieldDefList().Find(field->FullName());
            if (def && def->DataType() == ftString) {
                CheckFieldCompatibility(*field, *def);
                field->SetSize(def->Size());
            }
        }
    }
    if (FNumberRange)
        for (int i = 0; i < FieldDefList().Count(); ++i)
            FDataSetService->SetNumberRange(FieldDefList().FieldDefs(i));

    BindFields(true);
    if (FData->FieldCount() > 0 && FData->Fields().Items(FData->FieldCount() - 1)->FieldDescKind == fdkCached)
        if (auto* mem = dynamic_cast<TMemData*>(FData.get()))
            mem->UpdateCachedBuffer();
    if (ObjectView())
        for (TField* field : FieldList())
            if (auto* object = dynamic_cast<TObjectField*>(field))
                if (TFieldDesc* desc = GetFieldDesc(field))
                    if (desc->ObjectType())
                        object->SetObjectType(desc->ObjectType()->Name());
    if (FMemData && FMemData->IndexFields().Count() > 0)
        FMemData->SortItems();

    if (!FCreateCalcFieldDescs)
        FRecInfoOfs = FData->RecordSize() + CalcFieldsSize();
    else if (!FCacheCalcFields)
        FRecInfoOfs = FData->RecordSize() + FData->CalcRecordSize();
    else
        FRecInfoOfs = FData->RecordSize();
    FBookmarkOfs = FRecInfoOfs + kRecInfoSize;
    FRecBufSize = FBookmarkOfs + kBookmarkSize;
    FInCacheProcessing = false;

    if (Filtered()) {
        ActivateFilter();
        if (FMemData)
            FMemData->FilterUpdated();
    }
}

void TMemDataSet::CloseStore()
{
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    if (FData)
        FData->Close();
}

void TMemDataSet::StopCursor()
{
    try {
        if (FData && FData->HasComplexFields()) {
            RecordBuffer active = ActiveBuffer();
            if (active && (FInInserting || FInEditing)) {
                if (FInEditing)
                    FData->CancelRecord(active);
                else
                    FData->FreeComplexFields(active, true);
                ComplexFlag(active) = 0;
            }
        }
        FInInserting = FInEditing = false;
        LeaveDeferredPost();
        if (FOldRecBuf) {
            FreeRecBufComplexFields(FOldRecBuf, true);
            Marshal::FreeHGlobal(FOldRecBuf);
            FOldRecBuf = nullptr;
        }
    } catch (...) {
        FParentDataSet = nullptr;
        FLastParentPos.clear();
        TDataSet::StopCursor();
        throw;
    }
    FParentDataSet = nullptr;
    FLastParentPos.clear();
    TDataSet::StopCursor();
}

void TMemDataSet::RefreshStore()
{
    FreeBuffersComplexFields();
    ReopenData();
    // The store's own reopen sorts again when it has sort columns.
}

void TMemDataSet::HandleAfterOpen()
{
    TDataSet::HandleAfterOpen();
    DataEvent(deDataSetChange, 0);
    for (TDataSet* nested : NestedDataSets())
        if (nested->Active())
            DataEvent(deParentScroll, 0);
}

void TMemDataSet::HandleDataEvent(TDataEvent Event, intptr_t Info)
{
    if (Event == deParentScroll && FParentDataSet)
        HandleParentScroll();
    TDataSet::HandleDataEvent(Event, Info);
}

void TMemDataSet::HandleParentScroll()
{
    // The whole bookmark is compared: two parent records must never pass for one.
    TBookmark position;
    if (!FParentDataSet->IsEmpty())
        position = FParentDataSet->GetBookmark();
    if (!FLastParentPos.empty() && FLastParentPos == position) {
        UpdateCursorPos();
        Resync(0);
        return;
    }
    First();
    FLastParentPos = position.empty() ? TBookmark{0} : position;
}

// ---- record buffers -----------------------------------------------------------------------------

RecordBuffer TMemDataSet::NewRecordBuffer()
{
    auto* buffer = static_cast<RecordBuffer>(Marshal::AllocHGlobal(size_t(FRecBufSize)));
    std::memset(buffer, 0, size_t(FRecBufSize));
    return buffer;
}

void TMemDataSet::DisposeRecordBuffer(RecordBuffer& Buffer)
{
    if (!Buffer)
        return;
    FreeRecBufComplexFields(Buffer, true);
    Marshal::FreeHGlobal(Buffer);
    Buffer = nullptr;
}

void TMemDataSet::FreeRecBufComplexFields(RecordBuffer Buffer, bool WithBlob)
{
    if (Buffer && FData && ComplexFlag(Buffer)) {
        FData->FreeComplexFields(Buffer, WithBlob);
        ComplexFlag(Buffer) = 0;
    }
}

void TMemDataSet::FreeBuffersComplexFields()
{
    if (FNeedAddRef)
        for (int i = 0; i < BufferCount(); ++i)
            FreeRecBufComplexFields(Buffers(i), true);
    FreeRecBufComplexFields(TempBuffer(), true);
}

void TMemDataSet::SetRecInfo(RecordBuffer Buffer, int32_t RecNo, uint8_t Status, TBookmarkFlag Flag)
{
    std::memcpy(Buffer + FRecInfoOfs, &RecNo, 4);
    Buffer[FRecInfoOfs + 4] = Status;
    Buffer[FRecInfoOfs + 5] = uint8_t(Flag);
}

int32_t TMemDataSet::RecInfoRecordNumber(RecordBuffer Buffer) const
{
    int32_t number;
    std::memcpy(&number, Buffer + FRecInfoOfs, 4);
    return number;
}

TGetResult TMemDataSet::FetchRecord(RecordBuffer Buffer, TGetMode GetMode, bool)
{
    FreeRecBufComplexFields(Buffer, true);
    switch (GetMode) {
    case gmCurrent: FData->GetRecord(Buffer); break;
    case gmNext: FData->GetNextRecord(Buffer); break;
    case gmPrior: FData->GetPriorRecord(Buffer); break;
    }
    if (FData->GetBof())
        return grBOF;
    if (FData->GetEof())
        return grEOF;
    SetRecInfo(Buffer, FData->GetRecordNo(), uint8_t(FMemData ? FMemData->GetUpdateStatus() : isUnmodified), bfCurrent);
    if (FNeedAddRef) {
        ComplexFlag(Buffer) = 1;
        FData->AddRefComplexFields(Buffer);
    }
    if (!FCacheCalcFields)
        GetCalcFields(Buffer);
    TRecBookmark bookmark;
    FData->GetBookmark(&bookmark);
    std::memcpy(Buffer + FBookmarkOfs, &bookmark, sizeof bookmark);
    return grOK;
}

void TMemDataSet::ClearRecordBuffer(RecordBuffer Buffer)
{
    FreeRecBufComplexFields(Buffer, true);
    FData->InitRecord(Buffer);
    if (FData->HasComplexFields()) {
        FData->CreateComplexFields(Buffer, true);
        ComplexFlag(Buffer) = 1;
    }
}

void TMemDataSet::PrepareNewRecord(RecordBuffer Buffer)
{
    TDataSet::PrepareNewRecord(Buffer);
    SetRecInfo(Buffer, 0, uint8_t(isAppended), bfInserted);
    if (RecordBuffer old = GetOldRecBuf())
        FData->InitRecord(old);
}

void TMemDataSet::ClearCalculatedPart(RecordBuffer Buffer)
{
    if (!FCreateCalcFieldDescs) {
        TDataSet::ClearCalculatedPart(Buffer);
        return;
    }
    for (int i = 0; i < FData->FieldCount(); ++i) {
        const TFieldDesc& desc = *FData->Fields().Items(i);
        if (desc.FieldDescKind != fdkData)
            FData->SetNull(desc.FieldNo, Buffer, true);
    }
}

void TMemDataSet::ReadBookmark(RecordBuffer Buffer, void* Data) const
{
    std::memcpy(Data, Buffer + FBookmarkOfs, kBookmarkSize);
}

void TMemDataSet::WriteBookmark(RecordBuffer Buffer, const void* Data)
{
    std::memcpy(Buffer + FBookmarkOfs, Data, kBookmarkSize);
}

TBookmarkFlag TMemDataSet::ReadBookmarkFlag(RecordBuffer Buffer) const { return TBookmarkFlag(Buffer[FRecInfoOfs + 5]); }

void TMemDataSet::WriteBookmarkFlag(RecordBuffer Buffer, TBookmarkFlag Flag) { Buffer[FRecInfoOfs + 5] = uint8_t(Flag); }

void TMemDataSet::SeekBookmark(const void* Bookmark)
{
    TRecBookmark bookmark;
    std::memcpy(&bookmark, Bookmark, sizeof bookmark);
    FData->SetToBookmark(&bookmark);
}

void TMemDataSet::SeekRecordBuffer(RecordBuffer Buffer) { SeekBookmark(Buffer + FBookmarkOfs); }

void TMemDataSet::MoveToBegin() { FData->SetToBegin(); }

void TMemDataSet::MoveToEnd() { FData->SetToEnd(); }

bool TMemDataSet::BookmarkValid(const TBookmark& Bookmark) const
{
    if (!FData || Bookmark.size() != size_t(kBookmarkSize))
        return false;
    TRecBookmark bookmark;
    std::memcpy(&bookmark, Bookmark.data(), sizeof bookmark);
    return FData->BookmarkValid(&bookmark);
}

int TMemDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const
{
    if (!FData)
        return 0;
    TRecBookmark first, second;
    TRecBookmark* a = nullptr;
    TRecBookmark* b = nullptr;
    if (Bookmark1.size() == size_t(kBookmarkSize)) {
        std::memcpy(&first, Bookmark1.data(), sizeof first);
        a = &first;
    }
    if (Bookmark2.size() == size_t(kBookmarkSize)) {
        std::memcpy(&second, Bookmark2.data(), sizeof second);
        b = &second;
    }
    return FData->CompareBookmarks(a, b);
}

// ---- the buffer of the current state ------------------------------------------------------------

RecordBuffer TMemDataSet::GetOldRecBuf()
{
    if (!FData || FRecBufSize == 0)
        return nullptr;
    if (!FOldRecBuf)
        FOldRecBuf = NewRecordBuffer();
    return FOldRecBuf;
}

bool TMemDataSet::GetActiveRecBuf(RecordBuffer& RecBuf)
{
    RecBuf = nullptr;
    switch (State()) {
    case dsBrowse:
        if (FInCacheProcessing) {
            RecBuf = NewCacheRecBuf;
            break;
        }
        [[fallthrough]];
    case dsBlockRead:
        if (!IsEmpty())
            RecBuf = ActiveBuffer();
        break;
    case dsEdit:
    case dsInsert: RecBuf = ActiveBuffer(); break;
    case dsCalcFields: RecBuf = CalcBuffer(); break;
    case dsFilter: RecBuf = FFilterBuffer; break;
    case dsNewValue: RecBuf = FInCacheProcessing ? NewCacheRecBuf : ActiveBuffer(); break;
    case dsOldValue:
        if (FInDeferredPost) {
            RecBuf = OldDeferredPostBuf;
        } else if (FInCacheProcessing) {
            RecBuf = OldCacheRecBuf;
        } else if ((RecBuf = GetOldRecBuf())) {
            UpdateCursorPos();
            FreeRecBufComplexFields(RecBuf, true);
            if (auto* mem = dynamic_cast<TMemData*>(FData.get()))
                mem->GetOldRecord(RecBuf);
            else
                FData->GetRecord(RecBuf);
        }
        break;
    default: break;
    }
    return RecBuf != nullptr;
}

// ---- field data ---------------------------------------------------------------------------------

TFieldDesc* TMemDataSet::GetFieldDesc(const TField* Field)
{
    if (!FData)
        Fail(u"FIRecordSet must be setted to this time");
    if (!Field)
        Fail(u"Field cannot be nil");
    if (Field->DataSet() != this)
        Fail(u"Wrong DataSet");
    TFieldDescs& descs = FData->Fields();
    if (Field->FieldNo() > 0)
        return Field->FieldNo() <= descs.Count() ? descs.Items(Field->FieldNo() - 1) : nullptr;
    if (ObjectView() && FieldCount() == descs.Count() && Field->Index() >= 0 && Field->Index() < descs.Count() &&
        !Field->ParentField())
        return descs.Items(Field->Index());
    const bool calculated = Field->FieldKind() == fkCalculated || Field->FieldKind() == fkLookup;
    for (int i = 0; i < descs.Count(); ++i) {
        TFieldDesc* desc = descs.Items(i);
        if (calculated) {
            if (desc->FieldDescKind != fdkData &&
                (core::SameText(desc->Name, Field->FieldName()) || core::SameText(desc->ActualName, Field->FieldName())))
                return desc;
        } else if (core::SameText(desc->Name, Field->FieldName())) {
            return desc;
        }
    }
    return nullptr;
}

int TMemDataSet::GetFieldDescNo(const TField* Field)
{
    TFieldDesc* desc = GetFieldDesc(Field);
    if (!desc)
        throw core::Exception(u"Field " + Field->FieldName() + u" not found");
    return desc->FieldNo;
}

TFieldDesc* TMemDataSet::CalcFieldDesc(const TField* Field)
{
    for (const TCalcFieldDescMapping& mapping : FCalcFieldsMapping)
        if (mapping.Field == Field)
            return mapping.FieldDesc;
    return FData->Fields().Items(GetFieldDescNo(Field) - 1);
}

bool TMemDataSet::GetFieldData(TField* Field, void* Buffer)
{
    RecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf))
        return false;
    bool blank = true;
    if (Field->FieldNo() >= 1) {
        FData->GetField(Field->FieldNo(), recBuf, Buffer, blank);
        return !blank;
    }
    switch (State()) {
    case dsBrowse: case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsBlockRead: break;
    default: return false;
    }
    if (!FCreateCalcFieldDescs)
        return ReadCalcField(recBuf, Field, Buffer);
    FData->GetField(CalcFieldDesc(Field)->FieldNo, recBuf, Buffer, blank);
    return !blank;
}

bool TMemDataSet::GetFieldData(int FieldNo, void* Buffer)
{
    RecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf))
        return false;
    bool blank = true;
    FData->GetField(FieldNo, recBuf, Buffer, blank);
    return !blank;
}

bool TMemDataSet::GetFieldData(TField* Field, void* Buffer, bool NativeFormat)
{
    if (Field->DataType() == ftWideString && Buffer)
        NativeFormat = true;
    const size_t size = size_t(std::max(Field->DataSize(), 8));
    if (NativeFormat || !Buffer || size > 64)
        return TDataSet::GetFieldData(Field, Buffer, NativeFormat);
    // Dates and times are read this way for every record of a walk: the native form goes through a
    // buffer on the stack.
    alignas(8) uint8_t native[64];
    if (!GetFieldData(Field, native))
        return false;
    ConvertFieldBuffer(Field, native, Buffer, false);
    return true;
}

void TMemDataSet::ConvertFieldBuffer(TField* Field, const void* Source, void* Dest, bool ToNative)
{
    if (Field->DataType() == ftBCD) {
        // The store keeps these as a 64-bit integer scaled by 10000, which is the field's form.
        std::memcpy(Dest, Source, 8);
        return;
    }
    TDataSet::ConvertFieldBuffer(Field, Source, Dest, ToNative);
}

void TMemDataSet::StoreFieldData(TField* Field, const void* Buffer)
{
    CheckFieldWrite(Field);
    RecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf))
        return;  // a state without a record buffer of ours (a key edit of a descendant)
    if (Field->FieldNo() > 0) {
        Field->Validate(Buffer);
        if (Field->FieldKind() != fkInternalCalc)
            FData->PutField(Field->FieldNo(), recBuf, Buffer);
    } else if (FCreateCalcFieldDescs) {
        FData->PutField(CalcFieldDesc(Field)->FieldNo, recBuf, Buffer);
    } else {
        WriteCalcField(recBuf, Field, Buffer);
    }
    NotifyFieldWritten(Field);
}

void TMemDataSet::StoreFieldData(TField* Field, const void* Buffer, bool NativeFormat)
{
    if (dynamic_cast<TWideStringField*>(Field))
        NativeFormat = true;
    TDataSet::StoreFieldData(Field, Buffer, NativeFormat);
}

Variant TMemDataSet::StateFieldValue(TDataSetState State, TField* Field)
{
    if (State == dsOldValue && FInInserting && !FInDeferredPost)
        return Variant::Null();
    return TDataSet::StateFieldValue(State, Field);
}

TBlob* TMemDataSet::GetBlob(StringView FieldName)
{
    if (!FData || !Active())
        return nullptr;
    const TFieldDesc* desc = FData->FieldByName(FieldName);
    if (!FData->IsBlobFieldType(desc->DataType))
        DatabaseError(u"Field is not BLOB");
    RecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf))
        return nullptr;
    return static_cast<TBlob*>(FData->GetObject(desc->FieldNo, recBuf));
}

TBlob* TMemDataSet::GetBlob(TField* Field)
{
    if (!Field || !Active())
        return nullptr;
    TFieldDesc* desc = GetFieldDesc(Field);
    if (!desc)
        return nullptr;
    if (!FData->IsBlobFieldType(desc->DataType))
        DatabaseError(u"Field is not BLOB");
    RecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf))
        return nullptr;
    return static_cast<TBlob*>(FData->GetObject(desc->FieldNo, recBuf));
}

std::unique_ptr<core::Stream> TMemDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode)
{
    auto* blobField = dynamic_cast<TBlobField*>(Field);
    if (!blobField)
        Fail(u"Assertion failure");
    return std::make_unique<TBlobStream>(blobField, Mode);
}

// ---- navigation ---------------------------------------------------------------------------------

int TMemDataSet::RecordCount() const
{
    if (!Active() || !FData)
        return 0;
    return FData->GetRecordCount();
}

int TMemDataSet::RecNo() const
{
    RecordBuffer recBuf;
    if (!const_cast<TMemDataSet*>(this)->GetActiveRecBuf(recBuf))
        return 0;
    return RecInfoRecordNumber(recBuf);
}

void TMemDataSet::SetRecNo(int Value)
{
    CheckBrowseMode();
    DoBeforeScroll();
    FData->SetRecordNo(Value);
    Resync(0);
    DoAfterScroll();
}

void TMemDataSet::SetBlockReadSize(int Value)
{
    if (Value != BlockReadSize() && (Value > 0 || Value < -1) && Active())
        UpdateCursorPos();
    TDataSet::SetBlockReadSize(Value);
}

// ---- editing ------------------------------------------------------------------------------------

void TMemDataSet::StoreAddRecord(RecordBuffer Buffer, bool Append)
{
    if (Append)
        FData->AppendRecord(Buffer);
    else
        FData->InsertRecord(Buffer);
}

void TMemDataSet::DeleteCurrentRecord()
{
    if (!CanModify())
        DatabaseError(texts::DataSetReadOnly);
    FData->DeleteRecord();
    FInInserting = FInEditing = false;
}

void TMemDataSet::LeaveDeferredPost()
{
    if (OldDeferredPostBuf) {
        FreeRecBufComplexFields(OldDeferredPostBuf, true);
        Marshal::FreeHGlobal(OldDeferredPostBuf);
        OldDeferredPostBuf = nullptr;
    }
    FInDeferredPost = false;
}

void TMemDataSet::BeginRecordInsert()
{
    LeaveDeferredPost();
    FInInserting = true;
}

void TMemDataSet::BeginRecordEdit()
{
    LeaveDeferredPost();
    FInEditing = true;
    RecordBuffer active = ActiveBuffer();
    FreeRecBufComplexFields(active, true);
    FData->EditRecord(active);
}

void TMemDataSet::PostRecordEdit()
{
    TDataSet::PostRecordEdit();
    RecordBuffer active = ActiveBuffer();
    for (TField* field : FieldList()) {
        if (!field->IsBlob() || field->FieldNo() < 1)
            continue;
        TFieldDesc* desc = GetFieldDesc(field);
        if (!desc || !FData->IsBlobFieldType(desc->DataType))
            continue;
        if (auto* blob = static_cast<TBlob*>(FData->GetObject(desc->FieldNo, active)))
            if (blob->CanRollback())
                field->SetModified(true);
    }
    if (State() == dsEdit)
        FData->PostRecord(active);
    else
        FData->InsertRecord(active);
    // The stored record owns the buffer's values now.
    ComplexFlag(active) = 0;
    LeaveDeferredPost();
    FInInserting = FInEditing = false;
}

void TMemDataSet::CancelRecordEdit()
{
    LeaveDeferredPost();
    const bool editing = FInEditing;
    const bool inserting = FInInserting;
    FInInserting = FInEditing = false;
    RecordBuffer active = ActiveBuffer();
    if (!active)
        return;
    if (editing) {
        FData->CancelRecord(active);
        ComplexFlag(active) = 0;
    } else if (inserting) {
        FreeRecBufComplexFields(active, true);
    }
}

void TMemDataSet::Cancel()
{
    RecordBuffer copy = nullptr;
    if ((State() == dsEdit || State() == dsInsert) && FData && FData->HasComplexFields() && ActiveBuffer()) {
        // The cancel still reads the active buffer's objects after releasing them: a referenced copy
        // keeps them alive until it is over.
        copy = NewRecordBuffer();
        std::memcpy(copy, ActiveBuffer(), size_t(FRecBufSize));
        FData->AddRefComplexFields(copy);
        ComplexFlag(copy) = 1;
    }
    try {
        TDataSet::Cancel();
    } catch (...) {
        if (copy)
            DisposeRecordBuffer(copy);
        throw;
    }
    if (copy)
        DisposeRecordBuffer(copy);
}

void TMemDataSet::ApplyDefaultValues()
{
    for (TField* field : FieldList()) {
        const String& text = field->DefaultExpression();
        if (text.empty())
            continue;
        if (text.size() >= 2 && text.front() == u'\'' && text.back() == u'\'')
            field->SetAsString(core::StringReplace(text.substr(1, text.size() - 2), u"''", u"'", core::rfReplaceAll));
        else
            field->SetAsString(text);
    }
}

void TMemDataSet::HandleNewRecord()
{
    try {
        ApplyDefaultValues();
        TDataSet::HandleNewRecord();
    } catch (...) {
        CancelRecordEdit();
        throw;
    }
}

void TMemDataSet::PerformPost()
{
    CheckDataSetService();
    if (State() == dsEdit)
        FDataSetService->Updater()->DoPerformUpdate();
    else
        FDataSetService->Updater()->DoPerformAppend();
}

void TMemDataSet::CopyToDeferredBuffer()
{
    if (!OldDeferredPostBuf)
        OldDeferredPostBuf = NewRecordBuffer();
    FreeRecBufComplexFields(OldDeferredPostBuf, true);
    RecordBuffer active = ActiveBuffer();
    std::memcpy(OldDeferredPostBuf, active, size_t(FRecBufSize));
    ComplexFlag(OldDeferredPostBuf) = 0;
    if (FData->HasComplexFields()) {
        FData->AddRefComplexFields(OldDeferredPostBuf);
        ComplexFlag(OldDeferredPostBuf) = 1;
    }
}

void TMemDataSet::DeferredPost()
{
    if (FCachedUpdates)
        return;
    UpdateRecord();
    if (State() != dsEdit && State() != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    CheckRequiredFields();
    UpdateCursorPos();
    PerformPost();
    CopyToDeferredBuffer();
    FInDeferredPost = true;
}

// ---- calculated fields in the store -------------------------------------------------------------

void TMemDataSet::DoGetCachedFields()
{
    FCalcFieldsMapping.clear();
    if (DefaultFields() || FieldCount() == 0)
        return;
    const TDataTypesMap& map = GetDataTypesMapClass();
    for (TField* field : FieldList()) {
        if (field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup)
            continue;
        auto desc = FData->CreateFieldDesc();
        desc->Name = desc->ActualName = field->FullName();
        desc->FieldNo = uint16_t(FData->FieldCount() + 1);
        desc->DataType = uint16_t(map.GetDataType(field->DataType()));
        switch (field->DataType()) {
        case ftDate: case ftTime: desc->Size = uint16_t(2 * field->DataSize()); break;
        case ftWideString: desc->Size = uint16_t(2 * field->Size() + 2); break;
        default: desc->Size = uint16_t(field->DataSize()); break;
        }
        desc->Length = uint16_t(field->Size());
        desc->FieldDescKind = FCacheCalcFields ? fdkCached : fdkCalculated;
        FCalcFieldsMapping.push_back({field, desc.get()});
        FData->Fields().Add(std::move(desc));
    }
}

void TMemDataSet::FillCachedBuffer(void* RecBuf, void* FieldBuf)
{
    if (!HasCalcFields())
        return;
    RecordBuffer temp = NewRecordBuffer();
    try {
        std::memcpy(temp, FieldBuf ? FieldBuf : RecBuf, size_t(FData->RecordSize()));
        GetCalcFields(temp);
        std::memcpy(RecBuf, temp, size_t(FRecInfoOfs));
    } catch (...) {
        Marshal::FreeHGlobal(temp);
        throw;
    }
    Marshal::FreeHGlobal(temp);
}

// ---- rowset XML ---------------------------------------------------------------------------------

void TMemDataSet::SaveToXML(const String& FileName)
{
    core::FileStream stream(FileName, core::fmCreate);
    SaveToXML(stream);
}

void TMemDataSet::SaveToXML(core::Stream& Destination)
{
    CheckDataSetService();
    FDataSetService->SaveToXML(Destination);
}

} // namespace data
