// The dataset: lifecycle, the buffer ring and navigation, data events and controls.
#include "data/dataset/dataset.h"

#include "core/format.h"
#include "data/dataset/datasource.h"

#include <algorithm>
#include <cstring>

namespace data {

namespace {

// Switches to a temporary state and back, also when an exception passes.
class TempStateGuard {
public:
    TempStateGuard(TDataSet& dataSet, TDataSetState state,
                   TDataSetState (TDataSet::*enter)(TDataSetState), void (TDataSet::*leave)(TDataSetState))
        : m_dataset(dataSet), m_leave(leave), m_saved((dataSet.*enter)(state))
    {
    }
    ~TempStateGuard() { (m_dataset.*m_leave)(m_saved); }

private:
    TDataSet& m_dataset;
    void (TDataSet::*m_leave)(TDataSetState);
    TDataSetState m_saved;
};

[[noreturn]] void Abstract()
{
    throw core::EAbstractError(u"Abstract Error");
}

bool IsEditState(TDataSetState state)
{
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

} // namespace

#define TEMP_STATE(state) TempStateGuard temp_state_guard(*this, (state), &TDataSet::EnterTempState, &TDataSet::LeaveTempState)

TDataSet::TDataSet(core::Component* owner)
    : core::Component(owner), m_fields(std::make_unique<TFields>(this)),
      m_field_defs(std::make_unique<TFieldDefs>(this)),
      m_field_def_list(std::make_unique<TFieldDefList>(*m_field_defs))
{
}

TDataSet::~TDataSet()
{
    // Descendants close in their own destructor: the hooks that release their buffers are gone here.
    BeforeDestruction();
    while (!m_data_sources.empty())
        m_data_sources.back()->SetDataSet(nullptr);
    if (m_dataset_field)
        m_dataset_field->SetNestedDataSet(nullptr);
    for (TDataSet* nested : std::vector<TDataSet*>(m_nested_datasets))
        nested->m_dataset_field = nullptr;
    m_nested_datasets.clear();
    m_fields->Clear();
}

// ---- Lifecycle ----

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError(texts::DataSetClosed);
}

void TDataSet::CheckInactive() const
{
    if (Active())
        DatabaseError(texts::DataSetOpen);
}

void TDataSet::SetActive(bool value)
{
    if (HasState(core::csReading) || HasState(core::csLoading)) {
        m_streamed_active = value;
        return;
    }
    if (Active() == value)
        return;
    if (value) {
        Notify(BeforeOpen);
        try {
            StartCursor(false);
        } catch (...) {
            if (m_state != dsOpening) {
                SetState(dsInactive);
                StopCursor();
            }
            throw;
        }
        if (m_state != dsOpening)
            OpenCursorComplete();
    } else {
        bool destroying = HasState(core::csDestroying);
        if (!destroying)
            Notify(BeforeClose);
        SetState(dsInactive);
        StopCursor();
        if (!destroying)
            Notify(AfterClose);
    }
}

void TDataSet::Loaded()
{
    core::Component::Loaded();
    if (m_streamed_active) {
        m_streamed_active = false;
        SetActive(true);
    }
}

void TDataSet::StartCursor(bool infoQuery)
{
    if (infoQuery)
        InitStoreFieldDefs();
    else if (m_state != dsOpening)
        DoInternalOpen();
}

void TDataSet::DoInternalOpen()
{
    m_default_fields = FieldCount() == 0;
    OpenStore();
    m_internal_open_complete = true;
    UpdateBufferCount();
    m_bof = true;
}

void TDataSet::OpenCursorComplete()
{
    try {
        if (m_state == dsOpening)
            DoInternalOpen();
    } catch (...) {
        SetState(dsInactive);
        StopCursor();
        throw;
    }
    if (m_internal_open_complete) {
        SetState(dsBrowse);
        HandleAfterOpen();
        if (!IsEmpty())
            DoAfterScroll();
    } else {
        SetState(dsInactive);
        StopCursor();
    }
}

void TDataSet::StopCursor()
{
    if (m_block_read_size != 0)
        m_block_read_size = 0;
    bool opened = m_internal_open_complete;
    m_internal_open_complete = false;
    ClearBuffers();
    SetBufListSize(0);
    m_buffer_count = 0;
    if (opened || StoreIsOpen())
        CloseStore();
    // Fields made for this opening go with it, also when the store failed before taking them back:
    // left behind, the next opening would take them for persistent fields.
    if (m_default_fields)
        DestroyFields();
    m_default_fields = false;
}

void TDataSet::HandleAfterOpen()
{
    Notify(AfterOpen);
}

void TDataSet::SetState(TDataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    m_modified = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::EnterTempState(TDataSetState state)
{
    TDataSetState saved = m_state;
    m_state = state;
    ++m_disable_count;
    return saved;
}

void TDataSet::LeaveTempState(TDataSetState state)
{
    m_state = state;
    --m_disable_count;
}

// ---- Default hooks ----

void TDataSet::OpenStore() { Abstract(); }
void TDataSet::CloseStore() { Abstract(); }
bool TDataSet::StoreIsOpen() const { return false; }
void TDataSet::InitStoreFieldDefs() { Abstract(); }
void TDataSet::RefreshStore() { Abstract(); }
int TDataSet::StoreRecordSize() const { Abstract(); }
RecordBuffer TDataSet::NewRecordBuffer() { Abstract(); }
void TDataSet::DisposeRecordBuffer(RecordBuffer& buffer) { (void)buffer; Abstract(); }
TGetResult TDataSet::FetchRecord(RecordBuffer, TGetMode, bool) { Abstract(); }
void TDataSet::ClearRecordBuffer(RecordBuffer) { Abstract(); }
void TDataSet::ReadBookmark(RecordBuffer, void*) const { Abstract(); }
void TDataSet::WriteBookmark(RecordBuffer, const void*) { Abstract(); }
TBookmarkFlag TDataSet::ReadBookmarkFlag(RecordBuffer) const { Abstract(); }
void TDataSet::WriteBookmarkFlag(RecordBuffer, TBookmarkFlag) { Abstract(); }
void TDataSet::SeekBookmark(const void*) { Abstract(); }
void TDataSet::SeekRecordBuffer(RecordBuffer) { Abstract(); }
void TDataSet::MoveToBegin() { Abstract(); }
void TDataSet::MoveToEnd() { Abstract(); }
void TDataSet::StoreAddRecord(RecordBuffer, bool) { Abstract(); }
void TDataSet::DeleteCurrentRecord() { Abstract(); }
bool TDataSet::GetFieldData(TField*, void*) { Abstract(); }
void TDataSet::StoreFieldData(TField*, const void*) { Abstract(); }

void TDataSet::PrepareNewRecord(RecordBuffer buffer)
{
    ClearRecordBuffer(buffer);
    ClearCalculatedPart(buffer);
    WriteBookmarkFlag(buffer, bfInserted);
}

void TDataSet::ClearCalculatedPart(RecordBuffer buffer)
{
    if (m_calc_fields_size > 0)
        std::memset(buffer + StoreRecordSize(), 0, size_t(m_calc_fields_size));
}

void TDataSet::PostRecordEdit()
{
    CheckRequiredFields();
}

void TDataSet::HandleNewRecord()
{
    Notify(OnNewRecord);
}

void TDataSet::ReportException(const std::exception&)
{
    core::HandleException();
}

FieldFactory TDataSet::FieldClassOf(TFieldType type)
{
    return DefaultFieldClass(type);
}

bool TDataSet::FindFilteredRecord(bool, bool)
{
    return false;
}

bool TDataSet::Locate(StringView, const Variant&, TLocateOptions)
{
    CheckActive();
    return false;
}

Variant TDataSet::Lookup(StringView, const Variant&, StringView)
{
    CheckActive();
    return Variant::Null();
}

std::unique_ptr<core::Stream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode)
{
    return nullptr;
}

// ---- Buffers ----

void TDataSet::SetBufListSize(int size)
{
    int current = int(m_buffers.size());
    if (size == current)
        return;
    if (size < current) {
        for (int i = size; i < current; ++i)
            DisposeRecordBuffer(m_buffers[size_t(i)]);
        m_buffers.resize(size_t(size));
    } else {
        m_buffers.reserve(size_t(size));
        while (int(m_buffers.size()) < size)
            m_buffers.push_back(NewRecordBuffer());
    }
    if (size > 0 && !m_temp_buffer) {
        m_temp_buffer = NewRecordBuffer();
    } else if (size == 0 && m_temp_buffer) {
        DisposeRecordBuffer(m_temp_buffer);
        m_temp_buffer = nullptr;
        m_calc_buffer = nullptr;
    }
}

void TDataSet::AdjustFirstRecords(int delta)
{
    if (delta == 0)
        return;
    for (TDataSource* source : m_data_sources)
        for (TDataLink* link : source->m_links)
            if (link->m_active)
                link->m_first_record += delta;
}

void TDataSet::SetBufferCount(int count)
{
    constexpr int MaxBufferCount = 1024;
    count = std::clamp(count, 1, MaxBufferCount);
    if (count == m_buffer_count)
        return;
    if (m_buffer_count > count && m_record_count > 0) {
        // Keep the active record and the windows of the links that stay.
        int delta = m_active_record;
        for (TDataSource* source : m_data_sources)
            for (TDataLink* link : source->m_links)
                if (link->m_active && link->m_first_record < delta)
                    delta = link->m_first_record;
        delta = std::min(delta, m_buffer_count - count);
        delta = std::max(delta, m_active_record - count + 1);
        for (int i = 0; i < count; ++i)
            MoveBuffer(i + delta, i);
        m_active_record -= delta;
        if (m_current_record != -1)
            m_current_record -= delta;
        if (m_record_count > count)
            m_record_count = count;
        AdjustFirstRecords(-delta);
    }
    SetBufListSize(count + 1);
    m_buffer_count = count;
    GetNextRecords();
    AdjustFirstRecords(GetPriorRecords());
}

void TDataSet::UpdateBufferCount()
{
    if (!StoreIsOpen())
        return;
    int count = 1;
    for (TDataSource* source : m_data_sources)
        for (TDataLink* link : source->m_links)
            count = std::max(count, link->m_buffer_count);
    SetBufferCount(count);
}

void TDataSet::ClearBuffers()
{
    m_record_count = 0;
    m_active_record = 0;
    m_current_record = -1;
    m_bof = true;
    m_eof = true;
}

void TDataSet::ActivateBuffers()
{
    m_record_count = 1;
    m_active_record = 0;
    m_current_record = 0;
    m_bof = false;
    m_eof = false;
}

void TDataSet::MoveBuffer(int from, int to)
{
    if (from == to)
        return;
    RecordBuffer buffer = m_buffers[size_t(from)];
    if (from < to)
        std::move(m_buffers.begin() + from + 1, m_buffers.begin() + to + 1, m_buffers.begin() + from);
    else
        std::move_backward(m_buffers.begin() + to, m_buffers.begin() + from, m_buffers.begin() + from + 1);
    m_buffers[size_t(to)] = buffer;
}

void TDataSet::SetCurrentRecord(int index)
{
    if (m_current_record == index)
        return;
    RecordBuffer buffer = m_buffers[size_t(index)];
    switch (ReadBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted: SeekRecordBuffer(buffer); break;
    case bfBOF: MoveToBegin(); break;
    case bfEOF: MoveToEnd(); break;
    }
    m_current_record = index;
}

void TDataSet::UpdateCursorPos()
{
    if (m_record_count > 0)
        SetCurrentRecord(m_active_record);
}

bool TDataSet::GetNextRecord()
{
    TGetMode mode = gmNext;
    if (m_record_count > 0) {
        SetCurrentRecord(m_record_count - 1);
        // An inserted record not yet posted is where the cursor stands: fetch what follows it.
        if (m_state == dsInsert && m_current_record == m_active_record &&
            ReadBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    bool ok = FetchRecord(m_buffers[size_t(m_record_count)], mode, true) == grOK;
    if (ok) {
        if (m_record_count == 0)
            ActivateBuffers();
        else if (m_record_count < m_buffer_count)
            ++m_record_count;
        else
            MoveBuffer(0, m_record_count);
        m_current_record = m_record_count - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord()
{
    if (m_record_count > 0)
        SetCurrentRecord(0);
    bool ok = FetchRecord(m_buffers[size_t(m_record_count)], gmPrior, true) == grOK;
    if (ok) {
        if (m_record_count == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(m_record_count, 0);
            if (m_record_count < m_buffer_count) {
                ++m_record_count;
                ++m_active_record;
            }
        }
        m_current_record = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords()
{
    int count = 0;
    while (m_record_count < m_buffer_count && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords()
{
    int count = 0;
    while (m_record_count < m_buffer_count && GetPriorRecord())
        ++count;
    return count;
}

// ---- Navigation ----

bool TDataSet::IsEmpty() const
{
    return m_active_record >= m_record_count;
}

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        MoveToBegin();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        m_bof = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    m_bof = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        MoveToEnd();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        m_eof = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    m_eof = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((distance > 0 && !m_eof) || (distance < 0 && !m_bof)) {
        m_bof = false;
        m_eof = false;
        int oldRecordCount = m_record_count;
        int scrollDistance = 0;
        auto tell = [&] {
            if (m_record_count != oldRecordCount)
                DataEvent(deDataSetChange, 0);
            else
                DataEvent(deDataSetScroll, scrollDistance);
        };
        try {
            while (distance > 0) {
                if (m_active_record < m_record_count - 1) {
                    ++m_active_record;
                } else {
                    int shift = m_record_count < m_buffer_count ? 0 : 1;
                    if (!GetNextRecord()) {
                        m_eof = true;
                        break;
                    }
                    scrollDistance -= shift;
                    if (m_active_record < m_record_count - 1)
                        ++m_active_record;
                }
                --distance;
                ++result;
            }
            while (distance < 0) {
                if (m_active_record > 0) {
                    --m_active_record;
                } else {
                    int shift = m_record_count < m_buffer_count ? 0 : 1;
                    if (!GetPriorRecord()) {
                        m_bof = true;
                        break;
                    }
                    scrollDistance += shift;
                    if (m_active_record > 0)
                        --m_active_record;
                }
                ++distance;
                --result;
            }
        } catch (...) {
            tell();
            throw;
        }
        tell();
        DoAfterScroll();
    }
    return result;
}

void TDataSet::Resync(TResyncModes mode)
{
    if (mode & rmExact) {
        CursorPosChanged();
        if (FetchRecord(m_buffers[size_t(m_record_count)], gmCurrent, true) != grOK)
            DatabaseError(texts::RecordNotFound);
    } else if (FetchRecord(m_buffers[size_t(m_record_count)], gmCurrent, false) != grOK &&
               FetchRecord(m_buffers[size_t(m_record_count)], gmNext, false) != grOK &&
               FetchRecord(m_buffers[size_t(m_record_count)], gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (mode & rmCenter) ? (m_buffer_count - 1) / 2 : m_active_record;
    MoveBuffer(m_record_count, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh()
{
    Notify(BeforeRefresh);
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        RefreshStore();
    } catch (...) {
        Resync(0);
        throw;
    }
    Resync(0);
    Notify(AfterRefresh);
}

// ---- Bookmarks ----

bool TDataSet::BookmarkAvailable() const
{
    return (m_state == dsBrowse || m_state == dsEdit || m_state == dsInsert || m_state == dsBlockRead) &&
           !IsEmpty() && ReadBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!BookmarkAvailable())
        return {};
    TBookmark bookmark(static_cast<size_t>(m_bookmark_size));
    ReadBookmark(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    if (bookmark.empty())
        return;
    CheckBrowseMode();
    DoBeforeScroll();
    SeekBookmark(bookmark.data());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

// ---- Editing ----

void TDataSet::CheckCanModify() const
{
    if (!CanModify())
        DatabaseError(texts::DataSetReadOnly);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (m_state) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: Post(); break;
    default: break;
    }
}

void TDataSet::UpdateRecord()
{
    if (!IsEditState(m_state))
        DatabaseError(texts::NotEditing);
    DataEvent(deUpdateRecord, 0);
}

template <class Operation>
void TDataSet::CheckOperation(Operation operation, const DataSetErrorEvent& errorEvent)
{
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& error) {
            TDataAction action = daFail;
            if (errorEvent)
                errorEvent(*this, error, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                core::Abort();
            // daRetry: once more.
        }
    }
}

void TDataSet::Edit()
{
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (m_record_count == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Notify(BeforeEdit);
    CheckOperation([this] { BeginRecordEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    Notify(AfterEdit);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    Notify(BeforeInsert);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend()
{
    SetState(dsInsert);
    try {
        HandleNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange, 0);
    Notify(AfterInsert);
    DoAfterScroll();
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    TBookmark current = GetBookmark();
    MoveBuffer(m_record_count, m_active_record);
    RecordBuffer buffer = m_buffers[size_t(m_active_record)];
    PrepareNewRecord(buffer);
    if (m_record_count == 0)
        WriteBookmarkFlag(buffer, bfBOF);
    else
        WriteBookmark(buffer, current.data());
    if (m_record_count < m_buffer_count)
        ++m_record_count;
    BeginRecordInsert();
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    RecordBuffer buffer = m_buffers[0];
    PrepareNewRecord(buffer);
    WriteBookmarkFlag(buffer, bfEOF);
    m_record_count = 1;
    m_bof = false;
    GetPriorRecords();
    BeginRecordInsert();
    EndInsertAppend();
}

void TDataSet::Post()
{
    UpdateRecord();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Notify(BeforePost);
    CheckOperation([this] { PostRecordEdit(); }, OnPostError);
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterPost);
}

void TDataSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Notify(BeforeCancel);
    bool scrollEvents = m_state == dsInsert;
    if (scrollEvents)
        DoBeforeScroll();
    UpdateCursorPos();
    CancelRecordEdit();
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterCancel);
    if (scrollEvents)
        DoAfterScroll();
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert || m_state == dsSetKey) {
        Cancel();
        return;
    }
    if (m_record_count == 0)
        DatabaseError(texts::DataSetEmpty);
    DataEvent(deCheckBrowseMode, 0);
    Notify(BeforeDelete);
    DoBeforeScroll();
    CheckOperation([this] { DeleteCurrentRecord(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync(0);
    Notify(AfterDelete);
    DoAfterScroll();
}

void TDataSet::AddRecordValues(const std::vector<Variant>& values, bool append)
{
    BeginInsertAppend();
    if (!append)
        UpdateCursorPos();
    DisableControls();
    try {
        MoveBuffer(m_record_count, m_active_record);
        try {
            RecordBuffer buffer = ActiveBuffer();
            PrepareNewRecord(buffer);
            m_state = dsInsert;
            try {
                HandleNewRecord();
                Notify(AfterInsert);
                SetCurrentRecord(m_active_record);
                int count = std::min(int(values.size()), FieldCount());
                for (int i = 0; i < count; ++i)
                    if (!values[size_t(i)].IsEmpty())
                        m_fields->Fields(i)->SetAsVariant(values[size_t(i)]);
                Notify(BeforePost);
                StoreAddRecord(buffer, append);
            } catch (...) {
                m_state = dsBrowse;
                m_modified = false;
                throw;
            }
            m_state = dsBrowse;
            m_modified = false;
        } catch (...) {
            MoveBuffer(m_active_record, m_record_count);
            throw;
        }
        MoveBuffer(m_active_record, m_record_count);
        Resync(0);
        Notify(AfterPost);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TDataSet::ClearFields()
{
    if (!IsEditState(m_state))
        DatabaseError(texts::NotEditing);
    DataEvent(deCheckBrowseMode, 0);
    ClearRecordBuffer(ActiveBuffer());
    if (m_state != dsSetKey)
        GetCalcFields(ActiveBuffer());
    DataEvent(deRecordChange, 0);
}

void TDataSet::CheckRequiredFields()
{
    for (TField* field : FieldList())
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseErrorFmt(texts::FieldRequired, field->DisplayName());
        }
}

// ---- Fields ----

TFieldDefList& TDataSet::FieldDefList()
{
    return *m_field_def_list;
}

std::vector<TField*> TDataSet::FieldList() const
{
    std::vector<TField*> list;
    auto add = [&](auto& self, const TFields& fields) -> void {
        for (int i = 0; i < fields.Count(); ++i) {
            TField* field = fields.Fields(i);
            if (std::find(list.begin(), list.end(), field) != list.end())
                continue;
            list.push_back(field);
            if (auto* object = dynamic_cast<TObjectField*>(field))
                self(self, object->Fields());
        }
    };
    add(add, *m_fields);
    return list;
}

TField* TDataSet::FindField(StringView name) const
{
    if (TField* field = m_fields->FindField(name))
        return field;
    for (TField* field : FieldList())
        if (core::AnsiSameText(field->FullName(), name))
            return field;
    return nullptr;
}

TField* TDataSet::FieldByName(StringView name) const
{
    TField* field = FindField(name);
    if (!field)
        DatabaseErrorFmt(texts::FieldNotFound, name);
    return field;
}

TField* TDataSet::FieldByNumber(int fieldNo) const
{
    for (TField* field : FieldList())
        if (field->FieldNo() == fieldNo)
            return field;
    return nullptr;
}

Variant TDataSet::FieldValues(StringView names) const
{
    std::vector<String> list = SplitFieldNames(names);
    if (list.size() == 1)
        return FieldByName(list[0])->AsVariant();
    Variant::Items items;
    for (const String& name : list)
        items.push_back(FieldByName(name)->AsVariant());
    return Variant::ArrayOf(std::move(items));
}

void TDataSet::SetFieldValues(StringView names, const Variant& value)
{
    std::vector<String> list = SplitFieldNames(names);
    if (list.size() == 1) {
        FieldByName(list[0])->SetAsVariant(value);
        return;
    }
    for (size_t i = 0; i < list.size(); ++i)
        FieldByName(list[i])->SetAsVariant(value.ArrayItem(int(i)));
}

void TDataSet::SetObjectView(bool value)
{
    CheckInactive();
    m_object_view = value;
}

void TDataSet::InitFieldDefs()
{
    if (StoreIsOpen())
        InitStoreFieldDefs();
    else
        StartCursor(true);
}

void TDataSet::CheckFieldCompatibility(TField& field, TFieldDef& def) const
{
    if (field.DataType() != def.DataType())
        throw EDatabaseError(core::Format(texts::FieldTypeMismatch, {field.DisplayName(),
                                          FieldTypeName(field.DataType()), FieldTypeName(def.DataType())}));
    bool sized = field.DataType() == ftBytes || field.DataType() == ftVarBytes;
    if (sized && field.Size() != def.Size())
        throw EDatabaseError(core::Format(texts::FieldSizeMismatch, {field.DisplayName(), field.Size(), def.Size()}));
}

void TDataSet::CreateFields()
{
    TFieldDefs& defs = *m_field_defs;
    auto wanted = [&](TFieldDef* def) {
        return def->DataType() != ftUnknown && !(def->Hidden() && !defs.HiddenFields());
    };
    if (m_object_view) {
        for (int i = 0; i < defs.Count(); ++i) {
            TFieldDef* def = defs.Items(i);
            if (wanted(def) && !FindField(def->Name()))
                def->CreateField(this);
        }
        return;
    }
    TFieldDefList& list = FieldDefList();
    for (int i = 0; i < list.Count(); ++i) {
        TFieldDef* def = list.FieldDefs(i);
        if (!wanted(def) || FindField(def->FullName()))
            continue;
        TObjectField* parent = nullptr;
        if (TFieldDef* parentDef = def->ParentDef())
            parent = dynamic_cast<TObjectField*>(FindField(parentDef->FullName()));
        def->CreateField(this, parent, {}, false);
    }
}

void TDataSet::DestroyFields()
{
    m_fields->Clear();
}

void TDataSet::BindFields(bool binding)
{
    m_calc_fields_size = 0;
    m_internal_calc_fields = false;
    for (TField* field : FieldList()) {
        if (!binding) {
            field->Bind(false);
            continue;
        }
        if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
            field->m_field_no = -1;
            field->m_offset = m_calc_fields_size;
            m_calc_fields_size += field->DataSize() + 1;
        } else {
            TFieldDef* def = FieldDefList().Find(field->FullName());
            if (!def)
                DatabaseErrorFmt(texts::FieldNotFound, field->DisplayName());
            CheckFieldCompatibility(*field, *def);
            field->m_field_no = def->FieldNo();
            if (def->InternalCalcField())
                m_internal_calc_fields = true;
        }
        field->Bind(true);
    }
}

void TDataSet::FieldListChanged()
{
    if (!HasState(core::csDestroying))
        DataEvent(deFieldListChange, 0);
}

// ---- Field data ----

bool TDataSet::GetFieldData(int fieldNo, void* buffer)
{
    TField* field = FieldByNumber(fieldNo);
    return field ? GetFieldData(field, buffer) : false;
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat)
{
    if (nativeFormat || !buffer)
        return GetFieldData(field, buffer);
    std::vector<uint8_t> temp(size_t(std::max(field->DataSize(), 8)));
    if (!GetFieldData(field, temp.data()))
        return false;
    ConvertFieldBuffer(field, temp.data(), buffer, false);
    return true;
}

void TDataSet::StoreFieldData(TField* field, const void* buffer, bool nativeFormat)
{
    if (nativeFormat || !buffer) {
        StoreFieldData(field, buffer);
        return;
    }
    std::vector<uint8_t> temp(size_t(std::max(field->DataSize(), 8)));
    ConvertFieldBuffer(field, buffer, temp.data(), true);
    StoreFieldData(field, temp.data());
}

void TDataSet::ConvertFieldBuffer(TField* field, const void* source, void* dest, bool toNative)
{
    switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime: {
        if (toNative) {
            double value;
            std::memcpy(&value, source, 8);
            core::TimeStamp stamp = core::DateTimeToTimeStamp(value);
            if (field->DataType() == ftDate) {
                std::memcpy(dest, &stamp.Date, 4);
            } else if (field->DataType() == ftTime) {
                std::memcpy(dest, &stamp.Time, 4);
            } else {
                double msecs = double(core::TimeStampToMSecs(stamp));
                std::memcpy(dest, &msecs, 8);
            }
        } else {
            core::TimeStamp stamp;
            if (field->DataType() == ftDate) {
                std::memcpy(&stamp.Date, source, 4);
            } else if (field->DataType() == ftTime) {
                std::memcpy(&stamp.Time, source, 4);
                stamp.Date = core::DateDelta;
            } else {
                double msecs;
                std::memcpy(&msecs, source, 8);
                stamp = core::MSecsToTimeStamp(int64_t(msecs));
            }
            double value = core::TimeStampToDateTime(stamp);
            std::memcpy(dest, &value, 8);
        }
        break;
    }
    default: std::memcpy(dest, source, size_t(field->DataSize())); break;
    }
}

Variant TDataSet::StateFieldValue(TDataSetState state, TField* field)
{
    TEMP_STATE(state);
    return field->AsVariant();
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value)
{
    TEMP_STATE(state);
    if (value.IsNull() || value.IsEmpty())
        field->Clear();
    else if (field->DataType() == ftLargeint)
        field->SetAsLargeInt(value.AsInt64());
    else
        field->SetValue(value);
}

void TDataSet::GetDetailLinkFields(std::vector<TField*>& master, std::vector<TField*>& detail)
{
    master.clear();
    detail.clear();
}

int TDataSet::PSExecuteStatement(StringView, TParams*, std::unique_ptr<TDataSet>* resultSet)
{
    if (resultSet)
        resultSet->reset();
    return 0;
}

String TDataSet::PSGetKeyFields()
{
    String names;
    for (TField* field : FieldList()) {
        if (!(field->ProviderFlags() & pfInKey))
            continue;
        if (!names.empty())
            names += u';';
        names += field->FieldName();
    }
    return names;
}

void TDataSet::CheckFieldWrite(TField* field) const
{
    switch (m_state) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(texts::NotEditing);
    }
    if (field->FieldKind() == fkData) {
        if (m_state == dsCalcFields)
            DatabaseError(texts::NotEditing);
        if (field->ReadOnly() && m_state != dsSetKey && m_state != dsFilter)
            DatabaseErrorFmt(texts::FieldReadOnly, field->DisplayName());
    }
}

void TDataSet::NotifyFieldWritten(TField* field)
{
    if (m_state != dsCalcFields && m_state != dsFilter && m_state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

// ---- Calculated fields ----

void TDataSet::CalculateFields(RecordBuffer buffer)
{
    m_calc_buffer = buffer;
    if (m_state == dsInternalCalc)
        return;
    TEMP_STATE(dsCalcFields);
    ClearCalculatedPart(buffer);
    for (TField* field : FieldList())
        if (field->FieldKind() == fkLookup)
            field->CalcLookupValue();
    Notify(OnCalcFields);
}

void TDataSet::GetCalcFields(RecordBuffer buffer)
{
    if (m_calc_fields_size > 0 || m_internal_calc_fields)
        CalculateFields(buffer);
}

bool TDataSet::ReadCalcField(RecordBuffer buffer, TField* field, void* dest) const
{
    const uint8_t* place = buffer + StoreRecordSize() + field->Offset();
    if (place[0] == 0)
        return false;
    if (dest)
        std::memcpy(dest, place + 1, size_t(field->DataSize()));
    return true;
}

void TDataSet::WriteCalcField(RecordBuffer buffer, TField* field, const void* source)
{
    uint8_t* place = buffer + StoreRecordSize() + field->Offset();
    place[0] = source ? 1 : 0;
    if (source)
        std::memcpy(place + 1, source, size_t(field->DataSize()));
    else
        std::memset(place + 1, 0, size_t(field->DataSize()));
}

// ---- Controls and data events ----

void TDataSet::DisableControls()
{
    if (m_disable_count == 0) {
        m_disable_state = m_state;
        m_enable_event = deDataSetChange;
    }
    ++m_disable_count;
}

void TDataSet::EnableControls()
{
    if (m_disable_count == 0)
        return;
    if (--m_disable_count != 0)
        return;
    if (m_disable_state != m_state)
        DataEvent(deUpdateState, 0);
    if (m_disable_state != dsInactive && m_state != dsInactive)
        DataEvent(m_enable_event, 0);
}

void TDataSet::NotifyDataSources(TDataEvent event, intptr_t info)
{
    for (TDataSource* source : std::vector<TDataSource*>(m_data_sources))
        source->DataEvent(event, info);
}

void TDataSet::HandleDataEvent(TDataEvent event, intptr_t info)
{
    bool notify = !ControlsDisabled() && m_state != dsBlockRead;
    switch (event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)
            m_modified = true;
        if (m_state != dsSetKey) {
            if (field->FieldKind() == fkData && m_calc_fields_size > 0)
                CalculateFields(ActiveBuffer());
            field->Change();
        }
        break;
    }
    case dePropertyChange: m_field_defs->SetUpdated(false); break;
    case deDataSetChange:
    case deDataSetScroll:
        if (notify)
            for (TDataSet* nested : std::vector<TDataSet*>(m_nested_datasets))
                if (nested->Active())
                    nested->DataEvent(deParentScroll, 0);
        break;
    default: break;
    }
    if (notify)
        NotifyDataSources(event, info);
    else if ((event == deUpdateState && m_state == dsInactive) || event == deLayoutChange)
        m_enable_event = deLayoutChange;
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const
{
    while (dataSource) {
        TDataSet* dataSet = dataSource->DataSet();
        if (!dataSet)
            break;
        if (dataSet == this)
            return true;
        if (dataSet->DataSetField())
            dataSet = dataSet->DataSetField()->DataSet();
        if (!dataSet)
            break;
        dataSource = dataSet->DataSource();
    }
    return false;
}

// ---- Filters and search ----

void TDataSet::SetFiltered(bool value)
{
    m_filtered = value;
}

void TDataSet::SetFilter(StringView text)
{
    m_filter_text = String(text);
}

void TDataSet::SetFilterOptions(TFilterOptions options)
{
    m_filter_options = options;
}

void TDataSet::SetOnFilterRecord(FilterRecordEvent handler)
{
    m_on_filter_record = std::move(handler);
}

bool TDataSet::FindFirst()
{
    m_found = FindFilteredRecord(true, true);
    return m_found;
}

bool TDataSet::FindLast()
{
    m_found = FindFilteredRecord(true, false);
    return m_found;
}

bool TDataSet::FindNext()
{
    m_found = FindFilteredRecord(false, true);
    return m_found;
}

bool TDataSet::FindPrior()
{
    m_found = FindFilteredRecord(false, false);
    return m_found;
}

void TDataSet::SetBlockReadSize(int value)
{
    if (value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (m_state == dsBlockRead) {
        SetState(dsBrowse);
    }
    m_block_read_size = value;
}

} // namespace data
