// The in-memory dataset: our dataset base's record-buffer protocol over a record store, with editing,
// blobs, calculated fields kept in the store, a deferred post, rowset XML output, record search (a
// binary search over sorted data), filters, local sorting and cached updates. Every dataset of
// the database layer descends from it and brings its own store and dataset service.
//
// Record buffer, from its start: the store's record (RecordSize bytes); the calculated part (the
// base's calculated area without store descriptors for calculated fields, the store's calculated part
// with them, nothing when they are cached in the record); 7 bytes of record information (record
// number int32, update status, bookmark flag, complex-fields flag); the store's bookmark (16 bytes).
//
// Also here: the map between the store's data-type codes and the field types, and the stream the
// dataset hands out for a blob field.
#pragma once

#include "data/dataset/dataset.h"
#include "data/storage/memdata.h"
#include "data/storage/sortcolumns.h"

#include <memory>
#include <vector>

namespace data {

class TMemDataSet;
class TDataSetService;

// A dataset-service class: the function that makes a service of it for a dataset.
using TDataSetServiceClass = std::unique_ptr<TDataSetService> (*)(TMemDataSet* DataSet);

// Store codes to field types and back. A provider's dataset may bring its own map.
class TDataTypesMap {
public:
    virtual ~TDataTypesMap() = default;
    // Assertion failure "Unknown data type" for a code without a field type (31 included).
    virtual TFieldType GetFieldType(uint16_t DataType) const;
    // 0 for a field type without a code.
    virtual int GetDataType(TFieldType FieldType) const;
};

// A blob field's value in the record buffer of the dataset's current state, through the store.
class TBlobStream : public core::Stream {
public:
    // The field's dataset must be a TMemDataSet (EInvalidCast otherwise). Without a buffer for the
    // state the stream stays closed: reads and writes move nothing and the size is 0.
    TBlobStream(TBlobField* Field, TBlobStreamMode Mode);
    ~TBlobStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // Not clamped to the size: a read past the end moves nothing. A position before the start raises
    // EStreamError.
    int64_t Seek(int64_t Offset, core::SeekOrigin Origin) override;
    int64_t Size() override;
    void SetSize(int64_t NewSize) override;
    void Truncate();

private:
    bool Wide() const;
    bool OldValue() const;

    TBlobField* FField;
    TMemDataSet* FDataSet;
    RecordBuffer FBuffer = nullptr;
    int FFieldNo;
    bool FOpened = false;
    bool FModified = false;
    int64_t FPosition = 0;
};

// A calculated or lookup field and its store descriptor.
struct TCalcFieldDescMapping {
    TField* Field;
    TFieldDesc* FieldDesc;
};

class TMemDataSet : public TDataSet {
public:
    using UpdateErrorEvent = std::function<void(TDataSet& DataSet, EDatabaseError& E, TUpdateKind UpdateKind,
                                                TUpdateAction& UpdateAction)>;
    using UpdateRecordEvent = std::function<void(TDataSet& DataSet, TUpdateKind UpdateKind, int& UpdateAction)>;

    explicit TMemDataSet(core::Component* owner = nullptr);
    ~TMemDataSet() override;

    // ---- own virtual operations ----
    virtual void CreateData();
    virtual void SetData(std::unique_ptr<TData> Value);
    virtual TDataSetServiceClass GetDataSetServiceClass() const;
    virtual void SetDataSetService(std::unique_ptr<TDataSetService> Value);
    virtual void ReopenData();
    virtual const TDataTypesMap& GetDataTypesMapClass() const;
    virtual void BuildFieldDefs();
    virtual void ElementFieldName(TFieldDef* FieldDef, int Index, String& Name);
    virtual int FieldDefSize(TFieldType FieldType, const TFieldDesc& FieldDesc);
    virtual TFieldType FieldTypeOfDataType(uint16_t DataType);
    virtual TFieldType FieldTypeOfDesc(const TFieldDesc& FieldDesc) { return FieldTypeOfDataType(FieldDesc.DataType); }
    virtual void PerformPost();
    virtual void ApplyDefaultValues();
    // One search key in the store's native form: Buffer comes from Marshal::AllocHGlobal (the caller
    // frees it), null for a Null or Empty value; DataType receives the form's code. ConvertStrings
    // parses a text into the descriptor's type. EConvertError "Cannot convert type".
    virtual void KeyValueToBuffer(const Variant& Value, void*& Buffer, bool ConvertStrings,
                                  const TFieldDesc& FieldDesc, uint16_t& DataType);
    virtual void Prepare();
    virtual void UnPrepare();
    virtual TFieldDesc* GetFieldDesc(const TField* Field);
    // Hands every cached change to the store's apply pass; on failure the changes stay cached.
    virtual void ApplyUpdates();

    // ---- state ----
    TData* Data() const { return FData.get(); }
    TDataSetService* DataSetService() const { return FDataSetService.get(); }
    // Recreates the service when it is not of the class GetDataSetServiceClass names.
    void CheckDataSetService();
    bool Prepared() const { return FData && FData->Prepared(); }
    void SetPrepared(bool Value) { Value ? Prepare() : UnPrepare(); }
    // EDatabaseError "DataSet is not prepared".
    void CheckPrepared() const;
    bool LocalUpdate() const { return FLocalUpdate; }
    void SetLocalUpdate(bool Value) { FLocalUpdate = Value; }
    bool CachedUpdates() const { return FCachedUpdates; }
    // Only on an inactive dataset.
    void SetCachedUpdates(bool Value);
    bool UpdatesPending() const { return FData && FData->GetUpdatesPending(); }
    bool LocalConstraints() const { return FLocalConstraints; }
    void SetLocalConstraints(bool Value) { FLocalConstraints = Value; }
    bool SparseArrays() const { return FSparseArrays; }
    void SetSparseArrays(bool Value);
    // Calculated fields kept in the record store instead of computed for each buffer.
    bool CacheCalcFields() const { return FCacheCalcFields; }
    void SetCacheCalcFields(bool Value) { FCacheCalcFields = Value; }
    bool NumberRange() const { return FNumberRange; }
    void SetNumberRange(bool Value) { FNumberRange = Value; }
    // Both raise EDatabaseError "Not in cached update mode" unless CachedUpdates.
    TUpdateRecordTypes UpdateRecordTypes() const;
    void SetUpdateRecordTypes(TUpdateRecordTypes Value);
    const String& IndexFieldNames() const { return FIndexFieldNames; }
    // Sorts the store by the columns named ("NAME DESC CIS; ID").
    void SetIndexFieldNames(StringView Value);
    bool InDeferredPost() const { return FInDeferredPost; }
    // The updater keeps the Modified flag across its dispatch.
    void RestoreModified(bool Value) { SetModified(Value); }
    UpdateErrorEvent OnUpdateError;
    UpdateRecordEvent OnUpdateRecord;

    // ---- platform operations ----
    // To another in-memory dataset: CachedUpdates, LocalConstraints and LocalUpdate.
    void AssignTo(core::Persistent& Dest) const override;
    int RecNo() const override;
    void SetRecNo(int Value) override;
    int RecordCount() const override;
    bool IsSequenced() const override { return true; }
    bool BookmarkValid(const TBookmark& Bookmark) const override;
    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override;
    void Cancel() override;
    std::unique_ptr<core::Stream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
    bool GetFieldData(TField* Field, void* Buffer) override;
    bool GetFieldData(int FieldNo, void* Buffer) override;
    bool GetFieldData(TField* Field, void* Buffer, bool NativeFormat) override;
    void SetBlockReadSize(int Value) override;
    void ConvertFieldBuffer(TField* Field, const void* Source, void* Dest, bool ToNative) override;

    // ---- search ----
    bool Locate(StringView KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
    bool Locate(const std::vector<TField*>& KeyFields, const Variant& KeyValues, TLocateOptions Options);
    bool LocateEx(StringView KeyFields, const Variant& KeyValues, TLocateExOptions Options);
    bool LocateEx(const std::vector<TField*>& KeyFields, const Variant& KeyValues, TLocateExOptions Options);
    // Null unless an exact match exists; the current record stays.
    Variant Lookup(StringView KeyFields, const Variant& KeyValues, StringView ResultFields) override;

    // ---- filters ----
    void SetFiltered(bool Value) override;
    void SetFilter(StringView Text) override;
    void SetFilterOptions(TFilterOptions Options) override;
    void SetOnFilterRecord(FilterRecordEvent Handler) override;

    // ---- cached-update control ----
    void CommitUpdates();
    void CancelUpdates();
    void RestoreUpdates();
    void RevertRecord();
    TUpdateStatus UpdateStatus() const override;
    // The store's answer for the current record; a record not applied yet reads as uaApplied.
    TUpdateAction UpdateResult();

    // ---- interfaces ----
    // Exception "Field %s not found".
    int GetFieldDescNo(const TField* Field);
    // Null without a record buffer; EDatabaseError "Field is not BLOB" for another type.
    TBlob* GetBlob(StringView FieldName);
    TBlob* GetBlob(TField* Field);
    // Writes the pending insert or edit to the source and stays in the editing state.
    void DeferredPost();
    // Rowset XML; the file is created anew.
    void SaveToXML(const String& FileName);
    void SaveToXML(core::Stream& Destination);
    TDataSetState EnterTempState(TDataSetState State) { return TDataSet::EnterTempState(State); }
    void LeaveTempState(TDataSetState State) { TDataSet::LeaveTempState(State); }
    // The record buffer of the current state; false when there is none.
    bool GetActiveRecBuf(RecordBuffer& RecBuf);
    // The parent whose scrolling moves this dataset to its first record (a detail dataset); forgotten
    // when the dataset closes.
    void SetParentDataSet(TMemDataSet* Parent) { FParentDataSet = Parent; }

    // Record information of a buffer.
    int32_t RecInfoRecordNumber(RecordBuffer Buffer) const;
    TUpdateStatus RecInfoUpdateStatus(RecordBuffer Buffer) const { return TUpdateStatus(Buffer[FRecInfoOfs + 4]); }
    int RecBufSize() const { return FRecBufSize; }

protected:
    // ---- hooks on the dataset base ----
    void OpenStore() override;
    void CloseStore() override;
    bool StoreIsOpen() const override { return FData && FData->Active(); }
    void StopCursor() override;
    void InitStoreFieldDefs() override;
    void RefreshStore() override;
    int StoreRecordSize() const override { return FData ? FData->RecordSize() : 0; }
    RecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(RecordBuffer& Buffer) override;
    TGetResult FetchRecord(RecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void ClearRecordBuffer(RecordBuffer Buffer) override;
    void PrepareNewRecord(RecordBuffer Buffer) override;
    void ClearCalculatedPart(RecordBuffer Buffer) override;
    void ReadBookmark(RecordBuffer Buffer, void* Data) const override;
    void WriteBookmark(RecordBuffer Buffer, const void* Data) override;
    TBookmarkFlag ReadBookmarkFlag(RecordBuffer Buffer) const override;
    void WriteBookmarkFlag(RecordBuffer Buffer, TBookmarkFlag Flag) override;
    void SeekBookmark(const void* Bookmark) override;
    void SeekRecordBuffer(RecordBuffer Buffer) override;
    void MoveToBegin() override;
    void MoveToEnd() override;
    void StoreAddRecord(RecordBuffer Buffer, bool Append) override;
    void DeleteCurrentRecord() override;
    void BeginRecordInsert() override;
    void BeginRecordEdit() override;
    void PostRecordEdit() override;
    void CancelRecordEdit() override;
    void HandleNewRecord() override;
    void StoreFieldData(TField* Field, const void* Buffer) override;
    void StoreFieldData(TField* Field, const void* Buffer, bool NativeFormat) override;
    Variant StateFieldValue(TDataSetState State, TField* Field) override;
    FieldFactory FieldClassOf(TFieldType FieldType) override;
    void HandleAfterOpen() override;
    void HandleDataEvent(TDataEvent Event, intptr_t Info) override;
    bool FindFilteredRecord(bool Restart, bool GoForward) override;

    // ---- search, for descendants ----
    // "Field %s not found" for a name no descriptor has.
    bool LocateRecordByNames(StringView KeyFields, const Variant& KeyValues, TLocateExOptions Options, bool SavePos);
    bool LocateRecordByFields(const std::vector<TField*>& KeyFields, const Variant& KeyValues,
                              TLocateExOptions Options, bool SavePos);
    // Positions the store on the record found; with SavePos, or when none is found, the store returns
    // to where it was.
    virtual bool LocateRecord(const std::vector<TFieldDesc*>& KeyFields, const Variant& KeyValues,
                              TLocateExOptions Options, bool SavePos);
    // The store's filter, as the dataset's filter properties say.
    void ActivateFilter();
    void DeactivateFilter();
    bool FilterRecordHandler(void* RecBuf);

    // ---- for descendants, the updater and the service ----
    void InitStoreFieldDefsDone();
    // A buffer whose flag is set holds its own references, blobs included: they go with WithBlob.
    void FreeRecBufComplexFields(RecordBuffer Buffer, bool WithBlob);
    void FreeBuffersComplexFields();
    void DoGetCachedFields();
    void FillCachedBuffer(void* RecBuf, void* FieldBuf);
    void HandleParentScroll();

    std::unique_ptr<TData> FData;
    TMemData* FMemData = nullptr;  // FData when it is an in-memory store
    std::unique_ptr<TDataSetService> FDataSetService;
    TDataSetServiceClass FDataSetServiceClass = nullptr;
    RecordBuffer FOldRecBuf = nullptr;
    RecordBuffer FFilterBuffer = nullptr;
    bool FCachedUpdates = false;
    bool FLocalUpdate = false;
    bool FInInserting = false;
    bool FInEditing = false;
    String FIndexFieldNames;
    std::vector<TCalcFieldDescMapping> FCalcFieldsMapping;
    TUpdateRecordTypes FUpdateRecordTypes = rtModified | rtInserted | rtUnmodified;
    int FBookmarkOfs = 0;
    int FRecInfoOfs = 0;
    int FRecBufSize = 0;
    bool FInCacheProcessing = false;
    bool FInDeferredPost = false;
    RecordBuffer NewCacheRecBuf = nullptr;
    RecordBuffer OldCacheRecBuf = nullptr;
    RecordBuffer OldDeferredPostBuf = nullptr;
    TMemDataSet* FParentDataSet = nullptr;
    // The parent's bookmark when this dataset last moved to its first record; empty before that.
    TBookmark FLastParentPos;
    bool FLocalConstraints = true;
    bool FNumberRange = false;
    bool FNeedAddRef = false;
    bool FCacheCalcFields = false;
    bool FCreateCalcFieldDescs = true;
    bool FSparseArrays = false;

private:
    friend class TBlobStream;
    friend class TDataSetUpdater;
    friend class TDataSetService;

    void DoDataAppend();
    void DoDataDelete();
    void DoDataUpdate();
    void AddFieldDefs(const TFieldDesc& Desc, int Index);
    void AddChildDefs(TFieldDef& Parent, TObjectType* Type, bool IsArray);
    RecordBuffer GetOldRecBuf();
    void LeaveDeferredPost();
    void CopyToDeferredBuffer();
    TFieldDesc* CalcFieldDesc(const TField* Field);
    void SetRecInfo(RecordBuffer Buffer, int32_t RecNo, uint8_t Status, TBookmarkFlag Flag);
    uint8_t& ComplexFlag(RecordBuffer Buffer) const { return Buffer[FRecInfoOfs + 6]; }
    void CheckCachedUpdates() const;
    // Re-filters the store and shows the dataset from its first record.
    void FilterChanged();
    void InstallFilterFunc();
    void SetFilterData(StringView Text, TFilterOptions Options);
    void EndCacheProcessing();
    void ProcessCache(void (TData::*Operation)(), bool ResyncOnFailure);
    void SetStoreItemTypes();

    // The record a filter handler judges, copied into a buffer of the dataset's layout.
    std::vector<uint8_t> FFilterCopy;
};

} // namespace data
