// A dataset over rows kept in memory, written for the tests: it implements every hook of the buffer
// protocol in the plainest way, so that the tests watch the framework and not a store.
//
// Record buffer: the record part (per column one null byte, then the field-buffer form), the
// calculated area, the record information (record number int32, update status, bookmark flag) and
// the bookmark (the row's id, int32). Blob columns keep their bytes beside the buffer.
#pragma once

#include "data/dataset/dataset.h"

#include <map>
#include <string>
#include <vector>

namespace data::test {

class TArrayDataSet : public TDataSet {
public:
    explicit TArrayDataSet(core::Component* owner = nullptr) : TDataSet(owner) {}
    ~TArrayDataSet() override;

    // Columns: call before opening. The definitions are what the store reports.
    void AddColumn(StringView name, TFieldType type, int size = 0, bool required = false);
    // Rows added straight to the store, values in column order.
    void AddRow(const std::vector<Variant>& values);
    int RowCount() const { return int(m_rows.size()); }
    bool ReadOnlyStore = false;
    // How many record buffers exist right now.
    int LiveBuffers() const { return m_live_buffers; }
    // Makes the next fetch of a record fail with a database error.
    bool FailNextFetch = false;
    // Makes the next opening fail once its default fields are made.
    bool FailOpenAfterFields = false;

    int RecNo() const override;
    void SetRecNo(int value) override;
    int RecordCount() const override;
    bool IsSequenced() const override { return !Filtered(); }
    bool CanModify() const override { return !ReadOnlyStore; }
    bool BookmarkValid(const TBookmark& bookmark) const override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    bool Locate(StringView keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(StringView keyFields, const Variant& keyValues, StringView resultFields) override;
    TUpdateStatus UpdateStatus() const override;
    std::unique_ptr<core::Stream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool GetFieldData(TField* field, void* buffer) override;
    using TDataSet::GetFieldData;
    void SetFiltered(bool value) override;
    void SetOnFilterRecord(FilterRecordEvent handler) override;

    using TDataSet::CheckFieldWrite;
    using TDataSet::EnterTempState;
    using TDataSet::LeaveTempState;
    using TDataSet::BufferCount;
    using TDataSet::ActiveRecord;

protected:
    void OpenStore() override;
    void CloseStore() override;
    bool StoreIsOpen() const override { return m_open; }
    void InitStoreFieldDefs() override;
    void RefreshStore() override {}
    int StoreRecordSize() const override { return m_record_size; }
    RecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(RecordBuffer& buffer) override;
    TGetResult FetchRecord(RecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void ClearRecordBuffer(RecordBuffer buffer) override;
    void ReadBookmark(RecordBuffer buffer, void* data) const override;
    void WriteBookmark(RecordBuffer buffer, const void* data) override;
    TBookmarkFlag ReadBookmarkFlag(RecordBuffer buffer) const override;
    void WriteBookmarkFlag(RecordBuffer buffer, TBookmarkFlag flag) override;
    void SeekBookmark(const void* bookmark) override;
    void SeekRecordBuffer(RecordBuffer buffer) override;
    void MoveToBegin() override { m_cursor = -1; }
    void MoveToEnd() override { m_cursor = int(m_rows.size()); }
    void StoreAddRecord(RecordBuffer buffer, bool append) override;
    void DeleteCurrentRecord() override;
    void BeginRecordEdit() override;
    void CancelRecordEdit() override { m_old_valid = false; }
    void HandleNewRecord() override;
    void PostRecordEdit() override;
    void StoreFieldData(TField* field, const void* buffer) override;
    using TDataSet::StoreFieldData;
    Variant StateFieldValue(TDataSetState state, TField* field) override;
    bool FindFilteredRecord(bool restart, bool goForward) override;

private:
    struct Column {
        String name;
        TFieldType type;
        int size;
        bool required;
        int offset;  // of the null byte
        int data_size;
        int blob_index;  // -1 for columns in the record part
    };
    struct Row {
        int id;
        std::vector<uint8_t> data;
        std::vector<std::string> blobs;
        TUpdateStatus status = usUnmodified;
    };
    class BlobStream;

    RecordBuffer ActiveRecBuf() const;
    const Column* ColumnOf(const TField* field) const;
    int InfoOffset() const { return m_record_size + CalcFieldsSize(); }
    void FillBuffer(RecordBuffer buffer, int row, bool withRecNo);
    bool RowVisible(int row);
    int FindRow(int id) const;
    int VisibleIndex(int row);
    bool MatchRow(int row, const std::vector<TField*>& fields, const Variant& values, TLocateOptions options);
    void WriteRow(Row& row, RecordBuffer buffer);
    std::vector<TField*> FieldsOf(StringView names) const;

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::map<RecordBuffer, std::vector<std::string>> m_buffer_blobs;
    std::vector<uint8_t> m_filter_scratch;
    std::vector<uint8_t> m_old_scratch;
    RecordBuffer m_filter_buffer = nullptr;
    int m_blob_count = 0;
    int m_record_size = 0;
    int m_cursor = -1;
    int m_next_id = 1;
    int m_live_buffers = 0;
    bool m_open = false;
    bool m_search_filter = false;
    bool m_old_valid = false;
};

} // namespace data::test
