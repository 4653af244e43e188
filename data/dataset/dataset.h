// The dataset: a cursor over records kept by a descendant, seen through a ring of record buffers.
//
// The ring holds as many buffers as the most demanding data link asks for (at least one); the active
// buffer is the current record, and the buffers around it are the records before and after, as far
// as they are fetched. Moves shift the ring and fetch only what comes into view, and every change is
// told to the data sources and their links as a data event. The descendant owns the records and
// plugs into the protected hooks below: it opens and closes its store, makes and frees buffers of its
// own layout, fetches a record into a buffer, keeps bookmarks in its buffers, and carries out the
// edit cycle. Calculated and lookup fields live in a calculated area of each buffer after the
// descendant's record part: per field one presence byte and the field-buffer form.
#pragma once

#include "core/component.h"
#include "core/stream.h"
#include "data/dataset/fielddefs.h"
#include "data/dataset/fields.h"
#include "data/dataset/indexdefs.h"
#include "data/dataset/params.h"

#include <functional>
#include <memory>
#include <vector>

namespace data {

class TDataSource;
class TDataLink;

using RecordBuffer = uint8_t*;
using TBookmark = std::vector<uint8_t>;

class TDataSet : public core::Component {
public:
    using DataSetNotify = std::function<void(TDataSet& dataSet)>;
    using DataSetErrorEvent = std::function<void(TDataSet& dataSet, EDatabaseError& error, TDataAction& action)>;
    using FilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

    explicit TDataSet(core::Component* owner = nullptr);
    ~TDataSet() override;

    // ---- Lifecycle ----
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return m_state != dsInactive && m_state != dsOpening; }
    virtual void SetActive(bool value);
    TDataSetState State() const { return m_state; }
    void CheckActive() const;
    void CheckInactive() const;
    void Loaded() override;

    // ---- Navigation ----
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;
    // -1 where the descendant keeps no record numbers.
    virtual int RecNo() const { return -1; }
    virtual void SetRecNo(int) {}
    virtual int RecordCount() const { return -1; }
    virtual bool IsSequenced() const { return false; }
    void Refresh();
    virtual void Resync(TResyncModes mode);
    void UpdateCursorPos();
    void CursorPosChanged() { m_current_record = -1; }

    // ---- Editing ----
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    // Adds a whole record at once, fields in order (Null leaves a field empty).
    void InsertRecord(const std::vector<Variant>& values) { AddRecordValues(values, false); }
    void AppendRecord(const std::vector<Variant>& values) { AddRecordValues(values, true); }
    void CheckBrowseMode();
    void UpdateRecord();
    virtual bool CanModify() const { return true; }
    bool Modified() const { return m_modified; }
    void ClearFields();

    // ---- Bookmarks ----
    bool BookmarkAvailable() const;
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    TBookmark Bookmark() const { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    virtual bool BookmarkValid(const TBookmark&) const { return false; }
    virtual int CompareBookmarks(const TBookmark&, const TBookmark&) const { return 0; }
    int BookmarkSize() const { return m_bookmark_size; }

    // ---- Fields ----
    TFields& Fields() { return *m_fields; }
    const TFields& Fields() const { return *m_fields; }
    int FieldCount() const { return m_fields->Count(); }
    TFieldDefs& FieldDefs() { return *m_field_defs; }
    TFieldDefList& FieldDefList();
    // Every field, children of structured fields included, in order.
    std::vector<TField*> FieldList() const;
    TField* FindField(StringView name) const;
    // Raises "Field '%s' not found".
    TField* FieldByName(StringView name) const;
    TField* FieldByNumber(int fieldNo) const;
    // The values of fields named by a ";"-separated list: one value, or an array of them.
    Variant FieldValues(StringView names) const;
    void SetFieldValues(StringView names, const Variant& value);
    // Whether the fields were made from the definitions by Open (and go again with Close).
    bool DefaultFields() const { return m_default_fields; }
    // Structured fields hold their children (true), or the children stand among the dataset's
    // fields under their full names (false).
    bool ObjectView() const { return m_object_view; }
    void SetObjectView(bool value);
    // Makes the field definitions up to date (the store is asked when they are not).
    void InitFieldDefs();
    // Checks field against def: "Type mismatch ..." or, for strings and bytes, "Size mismatch ...".
    void CheckFieldCompatibility(TField& field, TFieldDef& def) const;
    // Makes default fields from the definitions and frees them.
    void CreateFields();
    void DestroyFields();

    // ---- Field data ----
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual bool GetFieldData(int fieldNo, void* buffer);
    virtual bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
    void SetFieldData(TField* field, const void* buffer) { StoreFieldData(field, buffer); }
    void SetFieldData(TField* field, const void* buffer, bool nativeFormat)
    {
        StoreFieldData(field, buffer, nativeFormat);
    }
    virtual std::unique_ptr<core::Stream> CreateBlobStream(TField* field, TBlobStreamMode mode);
    // Converts between the dataset's native form (dates as day numbers and milliseconds) and the
    // field's value form (dates as TDateTime); other forms are copied.
    virtual void ConvertFieldBuffer(TField* field, const void* source, void* dest, bool toNative);
    int CalcFieldsSize() const { return m_calc_fields_size; }

    // ---- Controls and data events ----
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disable_count != 0; }
    void DataEvent(TDataEvent event, intptr_t info) { HandleDataEvent(event, info); }
    // Whether dataSource feeds this dataset through a link chain (master/detail).
    bool IsLinkedTo(TDataSource* dataSource) const;
    virtual TDataSource* DataSource() const { return nullptr; }

    // ---- Filters and search ----
    bool Filtered() const { return m_filtered; }
    virtual void SetFiltered(bool value);
    const String& Filter() const { return m_filter_text; }
    virtual void SetFilter(StringView text);
    TFilterOptions FilterOptions() const { return m_filter_options; }
    virtual void SetFilterOptions(TFilterOptions options);
    const FilterRecordEvent& OnFilterRecord() const { return m_on_filter_record; }
    virtual void SetOnFilterRecord(FilterRecordEvent handler);
    bool FindFirst();
    bool FindLast();
    bool FindNext();
    bool FindPrior();
    bool Found() const { return m_found; }
    virtual bool Locate(StringView keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(StringView keyFields, const Variant& keyValues, StringView resultFields);
    virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

    // ---- Block reading ----
    int BlockReadSize() const { return m_block_read_size; }
    virtual void SetBlockReadSize(int value);

    // ---- Nested datasets ----
    TDataSetField* DataSetField() const { return m_dataset_field; }
    const std::vector<TDataSet*>& NestedDataSets() const { return m_nested_datasets; }

    // ---- Master and detail ----
    // The pairs of master and detail fields that link this dataset to its master; none here.
    virtual void GetDetailLinkFields(std::vector<TField*>& master, std::vector<TField*>& detail);

    // ---- Provider support ----
    // What a provider asks of the dataset it resolves through. The answers here are those of a
    // dataset that knows no SQL: nothing run, no text, no transaction.
    // Runs sql with params; with resultSet, a dataset of the rows is handed back. Rows affected.
    virtual int PSExecuteStatement(StringView sql, TParams* params, std::unique_ptr<TDataSet>* resultSet = nullptr);
    // The fields flagged as key fields, ";"-separated.
    virtual String PSGetKeyFields();
    virtual String PSGetQuoteChar() { return String(); }
    virtual String PSGetTableName() { return String(); }
    virtual void PSSetCommandText(StringView) {}
    virtual void PSEndTransaction(bool) {}
    virtual void PSExecute() {}
    virtual std::unique_ptr<TIndexDef> PSGetDefaultOrder() { return nullptr; }
    virtual TParams* PSGetParams() { return nullptr; }
    virtual bool PSInTransaction() { return false; }
    virtual bool PSIsSQLBased() { return false; }
    virtual bool PSIsSQLSupported() { return false; }
    virtual void PSReset() {}
    virtual void PSSetParams(TParams*) {}
    virtual void PSStartTransaction() {}
    // Applies one change of delta; false: not done here, the provider does it.
    virtual bool PSUpdateRecord(TUpdateKind, TDataSet*) { return false; }

    // ---- Events ----
    DataSetNotify BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    DataSetNotify BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    DataSetNotify BeforePost, AfterPost, BeforeCancel, AfterCancel;
    DataSetNotify BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    DataSetNotify BeforeRefresh, AfterRefresh;
    DataSetNotify OnCalcFields, OnNewRecord;
    DataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- Descendant hooks: the store ----
    virtual void OpenStore();
    virtual void CloseStore();
    virtual bool StoreIsOpen() const;
    // Opens the cursor (or, with infoQuery, only reads the field definitions).
    virtual void StartCursor(bool infoQuery);
    virtual void StopCursor();
    virtual void InitStoreFieldDefs();
    virtual void RefreshStore();
    virtual int StoreRecordSize() const;

    // ---- Descendant hooks: buffers and records ----
    virtual RecordBuffer NewRecordBuffer();
    virtual void DisposeRecordBuffer(RecordBuffer& buffer);
    virtual TGetResult FetchRecord(RecordBuffer buffer, TGetMode mode, bool doCheck);
    virtual void ClearRecordBuffer(RecordBuffer buffer);
    virtual void PrepareNewRecord(RecordBuffer buffer);
    virtual void ClearCalculatedPart(RecordBuffer buffer);
    virtual void ReadBookmark(RecordBuffer buffer, void* data) const;
    virtual void WriteBookmark(RecordBuffer buffer, const void* data);
    virtual TBookmarkFlag ReadBookmarkFlag(RecordBuffer buffer) const;
    virtual void WriteBookmarkFlag(RecordBuffer buffer, TBookmarkFlag flag);
    virtual void SeekBookmark(const void* bookmark);
    virtual void SeekRecordBuffer(RecordBuffer buffer);
    virtual void MoveToBegin();
    virtual void MoveToEnd();

    // ---- Descendant hooks: editing ----
    virtual void StoreAddRecord(RecordBuffer buffer, bool append);
    virtual void DeleteCurrentRecord();
    virtual void BeginRecordInsert() {}
    virtual void BeginRecordEdit() {}
    // The base checks the required fields.
    virtual void PostRecordEdit();
    virtual void CancelRecordEdit() {}
    virtual void HandleNewRecord();
    virtual void StoreFieldData(TField* field, const void* buffer);
    virtual void StoreFieldData(TField* field, const void* buffer, bool nativeFormat);
    virtual Variant StateFieldValue(TDataSetState state, TField* field);
    // Writes field's value as the record is seen in state (Null clears); 64-bit integers are
    // written as such, not through a narrower kind.
    virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);
    virtual FieldFactory FieldClassOf(TFieldType type);
    virtual void ReleaseBlobField(TField*) {}
    // An exception raised inside an event the dataset handles itself (a filter handler).
    virtual void ReportException(const std::exception& error);
    virtual void HandleAfterOpen();
    virtual void HandleDataEvent(TDataEvent event, intptr_t info);
    virtual bool FindFilteredRecord(bool restart, bool goForward);

    // ---- For descendants ----
    void DoBeforeScroll() { Notify(BeforeScroll); }
    virtual void DoAfterScroll() { Notify(AfterScroll); }
    void SetBookmarkSize(int size) { m_bookmark_size = size; }
    // The active record's buffer, also while a record is inserted into an empty dataset (the ring
    // counts it only once it is posted); null only without buffers.
    RecordBuffer ActiveBuffer() const
    {
        return size_t(m_active_record) < m_buffers.size() ? m_buffers[size_t(m_active_record)] : nullptr;
    }
    RecordBuffer CalcBuffer() const { return m_calc_buffer; }
    RecordBuffer TempBuffer() const { return m_temp_buffer; }
    RecordBuffer Buffers(int index) const { return m_buffers[index]; }
    int BufferCount() const { return m_buffer_count; }
    int BufferRecordCount() const { return m_record_count; }
    int ActiveRecord() const { return m_active_record; }
    int CurrentRecord() const { return m_current_record; }
    // The buffer of a record is current only when the cursor stands on it.
    void SetCurrentRecord(int index);
    // Runs the calculation of calculated and lookup fields for buffer (dsCalcFields).
    void CalculateFields(RecordBuffer buffer);
    void GetCalcFields(RecordBuffer buffer);
    bool HasCalcFields() const { return m_calc_fields_size > 0; }
    // The calculated area of buffer: reads the presence byte (and the data when dest is given),
    // writes the data (null source: absent).
    bool ReadCalcField(RecordBuffer buffer, TField* field, void* dest) const;
    void WriteCalcField(RecordBuffer buffer, TField* field, const void* source);
    // The common checks of a field write: edit state, read-only field; raises the fixed errors.
    void CheckFieldWrite(TField* field) const;
    // Temporary states switch reading to another buffer without telling the controls.
    TDataSetState EnterTempState(TDataSetState state);
    void LeaveTempState(TDataSetState state);
    void SetState(TDataSetState state);
    void SetModified(bool value) { m_modified = value; }
    void CheckRequiredFields();
    void CheckCanModify() const;
    void SetFound(bool value) { m_found = value; }
    void ClearBuffers();
    bool InternalCalcFields() const { return m_internal_calc_fields; }
    // Finds the definition of every data field and lays out the calculated area (binding), or
    // lets go of lookup bindings.
    void BindFields(bool binding);
    // Raises the field-change data event after a field write, outside the temporary states.
    void NotifyFieldWritten(TField* field);

private:
    friend class TField;
    friend class TFields;
    friend class TFieldDefs;
    friend class TFieldDef;
    friend class TDataSource;
    friend class TDataLink;
    friend class TDataSetField;

    void OpenCursorComplete();
    void DoInternalOpen();
    void SetBufListSize(int size);
    void SetBufferCount(int count);
    void UpdateBufferCount();
    void ActivateBuffers();
    void MoveBuffer(int from, int to);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void BeginInsertAppend();
    void EndInsertAppend();
    void AddRecordValues(const std::vector<Variant>& values, bool append);
    template <class Operation> void CheckOperation(Operation operation, const DataSetErrorEvent& errorEvent);
    void Notify(const DataSetNotify& handler) { if (handler) handler(*this); }
    void NotifyDataSources(TDataEvent event, intptr_t info);
    void FieldListChanged();
    void AdjustFirstRecords(int delta);

    TDataSetState m_state = dsInactive;
    std::unique_ptr<TFields> m_fields;
    std::unique_ptr<TFieldDefs> m_field_defs;
    std::unique_ptr<TFieldDefList> m_field_def_list;
    std::vector<TDataSource*> m_data_sources;
    std::vector<TDataSet*> m_nested_datasets;
    TDataSetField* m_dataset_field = nullptr;

    // The ring: m_buffers has m_buffer_count + 1 entries; the one past the ring receives fetches.
    std::vector<RecordBuffer> m_buffers;
    int m_buffer_count = 0;
    int m_record_count = 0;
    int m_active_record = 0;
    int m_current_record = -1;
    RecordBuffer m_calc_buffer = nullptr;
    RecordBuffer m_temp_buffer = nullptr;
    bool m_bof = true;
    bool m_eof = true;

    int m_bookmark_size = 0;
    int m_calc_fields_size = 0;
    bool m_internal_calc_fields = false;
    bool m_modified = false;
    bool m_default_fields = false;
    bool m_object_view = true;
    bool m_internal_open_complete = false;
    bool m_streamed_active = false;
    bool m_found = false;
    int m_disable_count = 0;
    TDataSetState m_disable_state = dsInactive;
    TDataEvent m_enable_event = deDataSetChange;
    int m_block_read_size = 0;

    bool m_filtered = false;
    String m_filter_text;
    TFilterOptions m_filter_options = 0;
    FilterRecordEvent m_on_filter_record;
};

} // namespace data
