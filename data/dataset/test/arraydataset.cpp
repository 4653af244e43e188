// The in-memory dataset of the tests.
#include "data/dataset/test/arraydataset.h"

#include <algorithm>
#include <cstring>

namespace data::test {

namespace {

int NativeSize(TFieldType type, int size)
{
    switch (type) {
    case ftString: case ftFixedChar: case ftGuid: return size + 1;
    case ftWideString: case ftFixedWideChar: return (size + 1) * 2;
    case ftSmallint: case ftWord: case ftBoolean: return 2;
    case ftShortint: case ftByte: return 1;
    case ftInteger: case ftAutoInc: case ftLongWord: case ftDate: case ftTime: case ftSingle: return 4;
    case ftLargeint: case ftFloat: case ftCurrency: case ftBCD: case ftDateTime: case ftExtended: return 8;
    case ftBytes: return size;
    case ftVarBytes: return size + 2;
    case ftFMTBcd: return 34;
    case ftTimeStamp: return 16;
    default: return 0;
    }
}

constexpr int InfoSize = 6;      // record number, update status, bookmark flag
constexpr int BookmarkBytes = 4; // the row id

} // namespace

// A blob of one record buffer, read and written in place.
class TArrayDataSet::BlobStream : public core::Stream {
public:
    BlobStream(TArrayDataSet& dataSet, TField* field, std::string* blob, uint8_t* nullByte, TBlobStreamMode mode)
        : m_dataset(dataSet), m_field(field), m_blob(blob), m_null_byte(nullByte)
    {
        if (mode == bmWrite && m_blob) {
            m_blob->clear();
            m_modified = true;
        }
    }
    ~BlobStream() override
    {
        if (!m_modified)
            return;
        *m_null_byte = m_blob->empty() ? 0 : 1;
        m_field->SetModified(true);
        try {
            m_dataset.DataEvent(deFieldChange, reinterpret_cast<intptr_t>(m_field));
        } catch (...) {
            core::HandleException();
        }
    }
    int64_t Read(void* buffer, int64_t count) override
    {
        if (!m_blob || m_position >= int64_t(m_blob->size()))
            return 0;
        int64_t n = std::min<int64_t>(count, int64_t(m_blob->size()) - m_position);
        std::memcpy(buffer, m_blob->data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (!m_blob)
            return 0;
        if (int64_t(m_blob->size()) < m_position + count)
            m_blob->resize(size_t(m_position + count));
        std::memcpy(m_blob->data() + m_position, buffer, size_t(count));
        m_position += count;
        m_modified = true;
        return count;
    }
    int64_t Seek(int64_t offset, core::SeekOrigin origin) override
    {
        int64_t size = m_blob ? int64_t(m_blob->size()) : 0;
        m_position = origin == core::soBeginning ? offset : origin == core::soCurrent ? m_position + offset : size + offset;
        return m_position;
    }

private:
    TArrayDataSet& m_dataset;
    TField* m_field;
    std::string* m_blob;
    uint8_t* m_null_byte;
    int64_t m_position = 0;
    bool m_modified = false;
};

TArrayDataSet::~TArrayDataSet()
{
    try {
        Close();
    } catch (...) {
    }
}

void TArrayDataSet::AddColumn(StringView name, TFieldType type, int size, bool required)
{
    CheckInactive();
    Column column{String(name), type, size, required, m_record_size, NativeSize(type, size), -1};
    if (IsBlobFieldType(type))
        column.blob_index = m_blob_count++;
    m_record_size += 1 + column.data_size;
    m_columns.push_back(column);
    FieldDefs().SetUpdated(false);
}

void TArrayDataSet::AddRow(const std::vector<Variant>& values)
{
    Row row{m_next_id++, std::vector<uint8_t>(size_t(m_record_size), 0),
            std::vector<std::string>(size_t(m_blob_count)), usUnmodified};
    // Written through a scratch dataset state: fields convert the values to the buffer forms.
    if (!m_open) {
        m_rows.push_back(row);
        int index = int(m_rows.size()) - 1;
        bool wasOpen = Active();
        (void)wasOpen;
        Open();
        m_cursor = index;
        Resync(rmExact);
        Edit();
        for (size_t i = 0; i < values.size() && int(i) < FieldCount(); ++i)
            Fields().Fields(int(i))->SetAsVariant(values[i]);
        Post();
        Close();
        m_rows[size_t(index)].status = usUnmodified;
        return;
    }
    DatabaseError(texts::DataSetOpen);
}

void TArrayDataSet::InitStoreFieldDefs()
{
    FieldDefs().BeginUpdate();
    FieldDefs().Clear();
    for (const Column& column : m_columns)
        FieldDefs().Add(column.name, column.type, column.size, column.required);
    FieldDefs().EndUpdate();
    FieldDefs().SetUpdated(true);
}

void TArrayDataSet::OpenStore()
{
    if (!FieldDefs().Updated())
        InitStoreFieldDefs();
    if (DefaultFields())
        CreateFields();
    if (FailOpenAfterFields) {
        FailOpenAfterFields = false;
        DatabaseError(u"Open failed");
    }
    BindFields(true);
    SetBookmarkSize(BookmarkBytes);
    size_t size = size_t(InfoOffset() + InfoSize + BookmarkBytes);
    m_filter_scratch.assign(size, 0);
    m_old_scratch.assign(size, 0);
    m_buffer_blobs[m_filter_scratch.data()].assign(size_t(m_blob_count), std::string());
    m_buffer_blobs[m_old_scratch.data()].assign(size_t(m_blob_count), std::string());
    m_cursor = -1;
    m_open = true;
}

void TArrayDataSet::CloseStore()
{
    m_open = false;
    m_old_valid = false;
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    m_buffer_blobs.erase(m_filter_scratch.data());
    m_buffer_blobs.erase(m_old_scratch.data());
}

RecordBuffer TArrayDataSet::NewRecordBuffer()
{
    size_t size = size_t(InfoOffset() + InfoSize + BookmarkBytes);
    auto* buffer = new uint8_t[size]();
    m_buffer_blobs[buffer].assign(size_t(m_blob_count), std::string());
    ++m_live_buffers;
    return buffer;
}

void TArrayDataSet::DisposeRecordBuffer(RecordBuffer& buffer)
{
    m_buffer_blobs.erase(buffer);
    delete[] buffer;
    buffer = nullptr;
    --m_live_buffers;
}

int TArrayDataSet::FindRow(int id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return int(i);
    return -1;
}

bool TArrayDataSet::RowVisible(int row)
{
    if (!(Filtered() || m_search_filter) || !OnFilterRecord())
        return true;
    FillBuffer(m_filter_scratch.data(), row, false);
    RecordBuffer saved = m_filter_buffer;
    m_filter_buffer = m_filter_scratch.data();
    TDataSetState state = EnterTempState(dsFilter);
    bool accept = true;
    try {
        OnFilterRecord()(*this, accept);
    } catch (const std::exception& error) {
        // A failing filter keeps the record rather than hiding data.
        accept = true;
        ReportException(error);
    }
    LeaveTempState(state);
    m_filter_buffer = saved;
    return accept;
}

int TArrayDataSet::VisibleIndex(int row)
{
    int index = 0;
    for (int i = 0; i < row; ++i)
        if (RowVisible(i))
            ++index;
    return index;
}

void TArrayDataSet::FillBuffer(RecordBuffer buffer, int row, bool withRecNo)
{
    const Row& r = m_rows[size_t(row)];
    std::memcpy(buffer, r.data.data(), r.data.size());
    m_buffer_blobs[buffer] = r.blobs;
    int32_t recNo = withRecNo ? VisibleIndex(row) + 1 : 0;
    uint8_t* info = buffer + InfoOffset();
    std::memcpy(info, &recNo, 4);
    info[4] = uint8_t(m_rows[size_t(row)].status);
    info[5] = bfCurrent;
    int32_t id = m_rows[size_t(row)].id;
    std::memcpy(info + InfoSize, &id, 4);
    GetCalcFields(buffer);
}

TGetResult TArrayDataSet::FetchRecord(RecordBuffer buffer, TGetMode mode, bool)
{
    if (FailNextFetch) {
        FailNextFetch = false;
        DatabaseError(u"Fetch failed");
    }
    int n = int(m_rows.size());
    switch (mode) {
    case gmNext: {
        int r = std::max(m_cursor + 1, 0);
        while (r < n && !RowVisible(r))
            ++r;
        if (r >= n) {
            m_cursor = n;
            return grEOF;
        }
        m_cursor = r;
        break;
    }
    case gmPrior: {
        int r = std::min(m_cursor - 1, n - 1);
        while (r >= 0 && !RowVisible(r))
            --r;
        if (r < 0) {
            m_cursor = -1;
            return grBOF;
        }
        m_cursor = r;
        break;
    }
    case gmCurrent:
        if (m_cursor < 0 || m_cursor >= n || !RowVisible(m_cursor))
            return grError;
        break;
    }
    FillBuffer(buffer, m_cursor, true);
    return grOK;
}

void TArrayDataSet::ClearRecordBuffer(RecordBuffer buffer)
{
    std::memset(buffer, 0, size_t(m_record_size));
    for (std::string& blob : m_buffer_blobs[buffer])
        blob.clear();
    uint8_t* info = buffer + InfoOffset();
    std::memset(info, 0, 4);
    info[4] = usInserted;
}

void TArrayDataSet::HandleNewRecord()
{
    for (int i = 0; i < FieldCount(); ++i) {
        TField* field = Fields().Fields(i);
        String text = field->DefaultExpression();
        if (text.empty())
            continue;
        if (text.size() >= 2 && text.front() == u'\'' && text.back() == u'\'')
            text = core::StringReplace(text.substr(1, text.size() - 2), u"''", u"'", core::rfReplaceAll);
        field->SetAsString(text);
    }
    TDataSet::HandleNewRecord();
}

void TArrayDataSet::ReadBookmark(RecordBuffer buffer, void* data) const
{
    std::memcpy(data, buffer + InfoOffset() + InfoSize, BookmarkBytes);
}

void TArrayDataSet::WriteBookmark(RecordBuffer buffer, const void* data)
{
    std::memcpy(buffer + InfoOffset() + InfoSize, data, BookmarkBytes);
}

TBookmarkFlag TArrayDataSet::ReadBookmarkFlag(RecordBuffer buffer) const
{
    return TBookmarkFlag(buffer[InfoOffset() + 5]);
}

void TArrayDataSet::WriteBookmarkFlag(RecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[InfoOffset() + 5] = uint8_t(flag);
}

void TArrayDataSet::SeekBookmark(const void* bookmark)
{
    int32_t id;
    std::memcpy(&id, bookmark, 4);
    int row = FindRow(id);
    m_cursor = row < 0 ? int(m_rows.size()) : row;
}

void TArrayDataSet::SeekRecordBuffer(RecordBuffer buffer)
{
    SeekBookmark(buffer + InfoOffset() + InfoSize);
}

bool TArrayDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    if (bookmark.size() != BookmarkBytes)
        return false;
    int32_t id;
    std::memcpy(&id, bookmark.data(), 4);
    return FindRow(id) >= 0;
}

int TArrayDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const
{
    if (a.empty() || b.empty())
        return a.empty() == b.empty() ? 0 : a.empty() ? -1 : 1;
    int32_t ia, ib;
    std::memcpy(&ia, a.data(), 4);
    std::memcpy(&ib, b.data(), 4);
    int ra = FindRow(ia), rb = FindRow(ib);
    return ra < rb ? -1 : ra > rb ? 1 : 0;
}

void TArrayDataSet::WriteRow(Row& row, RecordBuffer buffer)
{
    std::memcpy(row.data.data(), buffer, size_t(m_record_size));
    row.blobs = m_buffer_blobs[buffer];
}

void TArrayDataSet::StoreAddRecord(RecordBuffer buffer, bool append)
{
    Row row{m_next_id++, std::vector<uint8_t>(size_t(m_record_size)), {}, usInserted};
    WriteRow(row, buffer);
    int n = int(m_rows.size());
    if (append || m_cursor < 0 || m_cursor >= n) {
        m_rows.push_back(row);
        m_cursor = n;
    } else {
        m_rows.insert(m_rows.begin() + m_cursor, row);
    }
}

void TArrayDataSet::DeleteCurrentRecord()
{
    if (ReadOnlyStore)
        DatabaseError(texts::DataSetReadOnly);
    if (m_cursor >= 0 && m_cursor < int(m_rows.size()))
        m_rows.erase(m_rows.begin() + m_cursor);
}

void TArrayDataSet::BeginRecordEdit()
{
    std::memcpy(m_old_scratch.data(), ActiveBuffer(), m_old_scratch.size());
    m_buffer_blobs[m_old_scratch.data()] = m_buffer_blobs[ActiveBuffer()];
    m_old_valid = true;
}

void TArrayDataSet::PostRecordEdit()
{
    TDataSet::PostRecordEdit();
    RecordBuffer buffer = ActiveBuffer();
    if (State() == dsEdit) {
        Row& row = m_rows[size_t(m_cursor)];
        WriteRow(row, buffer);
        if (row.status == usUnmodified)
            row.status = usModified;
    } else {
        StoreAddRecord(buffer, ReadBookmarkFlag(buffer) == bfEOF);
    }
    m_old_valid = false;
}

RecordBuffer TArrayDataSet::ActiveRecBuf() const
{
    switch (State()) {
    case dsBrowse:
    case dsBlockRead: return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue: return ActiveBuffer();
    case dsCalcFields: return CalcBuffer();
    case dsFilter: return m_filter_buffer;
    case dsOldValue: return m_old_valid ? const_cast<uint8_t*>(m_old_scratch.data()) : (IsEmpty() ? nullptr : ActiveBuffer());
    default: return nullptr;
    }
}

const TArrayDataSet::Column* TArrayDataSet::ColumnOf(const TField* field) const
{
    int number = field->FieldNo();
    if (number < 1 || number > int(m_columns.size()))
        return nullptr;
    return &m_columns[size_t(number - 1)];
}

bool TArrayDataSet::GetFieldData(TField* field, void* buffer)
{
    RecordBuffer rec = ActiveRecBuf();
    if (!rec)
        return false;
    if (field->FieldNo() > 0) {
        const Column* column = ColumnOf(field);
        if (!column)
            return false;
        bool present = rec[column->offset] != 0;
        if (present && buffer && column->data_size > 0)
            std::memcpy(buffer, rec + column->offset + 1, size_t(column->data_size));
        return present;
    }
    switch (State()) {
    case dsBrowse: case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsBlockRead: break;
    default: return false;
    }
    return ReadCalcField(rec, field, buffer);
}

void TArrayDataSet::StoreFieldData(TField* field, const void* buffer)
{
    CheckFieldWrite(field);
    RecordBuffer rec = ActiveRecBuf();
    if (!rec)
        DatabaseError(texts::NotEditing);
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
        field->Validate(buffer);
        const Column* column = ColumnOf(field);
        rec[column->offset] = buffer ? 1 : 0;
        if (buffer)
            std::memcpy(rec + column->offset + 1, buffer, size_t(column->data_size));
        else
            std::memset(rec + column->offset + 1, 0, size_t(column->data_size));
    } else {
        WriteCalcField(rec, field, buffer);
    }
    NotifyFieldWritten(field);
}

Variant TArrayDataSet::StateFieldValue(TDataSetState state, TField* field)
{
    // A record being inserted has no old values.
    if (state == dsOldValue && State() == dsInsert)
        return Variant::Null();
    return TDataSet::StateFieldValue(state, field);
}

std::unique_ptr<core::Stream> TArrayDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode)
{
    RecordBuffer rec = ActiveRecBuf();
    const Column* column = ColumnOf(field);
    if (!rec || !column || column->blob_index < 0)
        return std::make_unique<BlobStream>(*this, field, nullptr, nullptr, bmRead);
    if (!field->Modified() && mode != bmRead) {
        if (field->ReadOnly())
            DatabaseErrorFmt(texts::FieldReadOnly, field->DisplayName());
        if (State() != dsEdit && State() != dsInsert && State() != dsNewValue)
            DatabaseError(texts::NotEditing);
    }
    std::string* blob = &m_buffer_blobs[rec][size_t(column->blob_index)];
    return std::make_unique<BlobStream>(*this, field, blob, rec + column->offset, mode);
}

int TArrayDataSet::RecNo() const
{
    RecordBuffer rec = ActiveRecBuf();
    if (!rec)
        return 0;
    int32_t recNo;
    std::memcpy(&recNo, rec + InfoOffset(), 4);
    return recNo;
}

void TArrayDataSet::SetRecNo(int value)
{
    CheckBrowseMode();
    int index = 0;
    for (int r = 0; r < int(m_rows.size()); ++r)
        if (RowVisible(r) && ++index == value) {
            DoBeforeScroll();
            m_cursor = r;
            Resync(rmExact | rmCenter);
            DoAfterScroll();
            return;
        }
}

int TArrayDataSet::RecordCount() const
{
    if (!Active())
        return 0;
    auto* self = const_cast<TArrayDataSet*>(this);
    int count = 0;
    for (int r = 0; r < int(m_rows.size()); ++r)
        if (self->RowVisible(r))
            ++count;
    return count;
}

TUpdateStatus TArrayDataSet::UpdateStatus() const
{
    RecordBuffer rec = ActiveRecBuf();
    return rec ? TUpdateStatus(rec[InfoOffset() + 4]) : usUnmodified;
}

std::vector<TField*> TArrayDataSet::FieldsOf(StringView names) const
{
    std::vector<TField*> fields;
    for (const String& name : SplitFieldNames(names))
        fields.push_back(FieldByName(name));
    return fields;
}

bool TArrayDataSet::MatchRow(int row, const std::vector<TField*>& fields, const Variant& values,
                             TLocateOptions options)
{
    FillBuffer(m_filter_scratch.data(), row, false);
    RecordBuffer saved = m_filter_buffer;
    m_filter_buffer = m_filter_scratch.data();
    TDataSetState state = EnterTempState(dsFilter);
    bool match = true;
    try {
        for (size_t i = 0; i < fields.size() && match; ++i) {
            Variant key = fields.size() > 1 ? values.ArrayItem(int(i)) : values;
            Variant value = fields[i]->AsVariant();
            if (key.IsNull() || value.IsNull()) {
                match = key.IsNull() && value.IsNull();
            } else if (key.IsString() || value.IsString()) {
                String a = value.AsString(), b = key.AsString();
                if (options & loPartialKey)
                    a = a.substr(0, b.size());
                match = (options & loCaseInsensitive) ? core::AnsiSameText(a, b) : a == b;
            } else {
                match = value == key;
            }
        }
    } catch (...) {
        LeaveTempState(state);
        m_filter_buffer = saved;
        throw;
    }
    LeaveTempState(state);
    m_filter_buffer = saved;
    return match;
}

bool TArrayDataSet::Locate(StringView keyFields, const Variant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    DoBeforeScroll();
    std::vector<TField*> fields = FieldsOf(keyFields);
    for (int r = 0; r < int(m_rows.size()); ++r)
        if (RowVisible(r) && MatchRow(r, fields, keyValues, options)) {
            m_cursor = r;
            Resync(rmExact | rmCenter);
            DoAfterScroll();
            return true;
        }
    return false;
}

Variant TArrayDataSet::Lookup(StringView keyFields, const Variant& keyValues, StringView resultFields)
{
    CheckBrowseMode();
    std::vector<TField*> keys = FieldsOf(keyFields);
    std::vector<TField*> results = FieldsOf(resultFields);
    for (int r = 0; r < int(m_rows.size()); ++r) {
        if (!RowVisible(r) || !MatchRow(r, keys, keyValues, 0))
            continue;
        // The found record with its calculated fields, read without moving the cursor.
        FillBuffer(TempBuffer(), r, false);
        RecordBuffer saved = m_filter_buffer;
        m_filter_buffer = TempBuffer();
        TDataSetState state = EnterTempState(dsFilter);
        Variant result;
        try {
            if (results.size() == 1) {
                result = results[0]->AsVariant();
            } else {
                Variant::Items items;
                for (TField* f : results)
                    items.push_back(f->AsVariant());
                result = Variant::ArrayOf(std::move(items));
            }
        } catch (...) {
            LeaveTempState(state);
            m_filter_buffer = saved;
            throw;
        }
        LeaveTempState(state);
        m_filter_buffer = saved;
        return result;
    }
    return Variant::Null();
}

bool TArrayDataSet::FindFilteredRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    bool found = false;
    int n = int(m_rows.size());
    m_search_filter = true;
    try {
        int r = goForward ? (restart ? 0 : m_cursor + 1) : (restart ? n - 1 : m_cursor - 1);
        while (r >= 0 && r < n && !RowVisible(r))
            r += goForward ? 1 : -1;
        found = r >= 0 && r < n;
        if (found)
            m_cursor = r;
    } catch (...) {
        m_search_filter = false;
        throw;
    }
    m_search_filter = false;
    if (found) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    SetFound(found);
    return found;
}

void TArrayDataSet::SetFiltered(bool value)
{
    if (Active())
        CheckBrowseMode();
    TDataSet::SetFiltered(value);
    if (Active())
        First();
}

void TArrayDataSet::SetOnFilterRecord(FilterRecordEvent handler)
{
    if (Active())
        CheckBrowseMode();
    TDataSet::SetOnFilterRecord(std::move(handler));
    if (Active())
        First();
}

} // namespace data::test
