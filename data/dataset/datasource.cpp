// Data sources and data links.
#include "data/dataset/datasource.h"

#include <algorithm>

namespace data {

TDataSource::TDataSource(core::Component* owner) : core::Component(owner) {}

TDataSource::~TDataSource()
{
    BeforeDestruction();
    SetDataSet(nullptr);
    while (!m_links.empty())
        m_links.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == m_dataset)
        return;
    if (dataSet && dataSet->IsLinkedTo(this))
        DatabaseError(texts::CircularDataLink);
    if (m_dataset) {
        auto& list = m_dataset->m_data_sources;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        RemoveFreeNotification(m_dataset);
    }
    m_dataset = dataSet;
    if (m_dataset) {
        m_dataset->m_data_sources.push_back(this);
        FreeNotification(m_dataset);
        m_dataset->UpdateBufferCount();
    }
    UpdateState();
}

void TDataSource::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
    // The dataset is being freed: only its pointer may be compared now.
    if (operation == core::opRemove && component == m_dataset) {
        m_dataset = nullptr;
        UpdateState();
    }
}

void TDataSource::SetEnabled(bool value)
{
    m_enabled = value;
    UpdateState();
}

void TDataSource::Edit()
{
    if (m_auto_edit && m_dataset && m_dataset->State() == dsBrowse)
        m_dataset->Edit();
}

void TDataSource::AssignTo(core::Persistent& dest) const
{
    auto* source = dynamic_cast<TDataSource*>(&dest);
    if (!source) {
        core::Component::AssignTo(dest);
        return;
    }
    source->SetDataSet(m_dataset);
    source->SetAutoEdit(m_auto_edit);
    source->SetEnabled(m_enabled);
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const
{
    return dataSet && dataSet->IsLinkedTo(const_cast<TDataSource*>(this));
}

void TDataSource::UpdateState()
{
    TDataSetState state = m_enabled && m_dataset ? m_dataset->State() : dsInactive;
    if (state == m_state)
        return;
    m_state = state;
    for (TDataLink* link : std::vector<TDataLink*>(m_links))
        link->UpdateState();
    if (OnStateChange)
        OnStateChange(*this);
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info)
{
    for (TDataLink* link : std::vector<TDataLink*>(m_links))
        link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (m_state == dsInactive)
        return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (OnDataChange)
            OnDataChange(*this, reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(*this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(*this);
        break;
    default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link)
{
    m_links.push_back(link);
    link->m_data_source = this;
    if (m_dataset)
        m_dataset->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    link->SetActive(false);
    link->m_data_source = nullptr;
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
    if (m_dataset)
        m_dataset->UpdateBufferCount();
}

// ---- Links ----

TDataLink::~TDataLink()
{
    if (m_data_source) {
        m_active = false;  // no call into a derived part that is gone
        m_data_source->RemoveDataLink(this);
    }
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == m_data_source)
        return;
    if (m_data_source)
        m_data_source->RemoveDataLink(this);
    if (source)
        source->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const
{
    return m_data_source ? m_data_source->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value)
{
    if (m_read_only == value)
        return;
    m_read_only = value;
    UpdateState();
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(count, 1);
    if (count == m_buffer_count)
        return;
    m_buffer_count = count;
    if (m_active) {
        TDataSet* dataSet = DataSet();
        dataSet->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const
{
    TDataSet* dataSet = DataSet();
    if (!m_active || !dataSet)
        return 0;
    return dataSet->m_active_record - m_first_record;
}

void TDataLink::SetActiveRecord(int index)
{
    TDataSet* dataSet = DataSet();
    if (m_active && dataSet)
        dataSet->m_active_record = index + m_first_record;
}

int TDataLink::RecordCount() const
{
    TDataSet* dataSet = DataSet();
    if (!m_active || !dataSet)
        return 0;
    return std::clamp(dataSet->m_record_count - m_first_record, 0, m_buffer_count);
}

bool TDataLink::Edit()
{
    if (!m_read_only && m_data_source)
        m_data_source->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord()
{
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TDataLink::DataSetScrolled(int)
{
    DataSetChanged();
}

void TDataLink::UpdateState()
{
    bool active = m_data_source && m_data_source->State() != dsInactive;
    SetActive(active);
    TDataSetState state = active ? m_data_source->State() : dsInactive;
    SetEditing((state == dsEdit || state == dsInsert || state == dsSetKey) && !m_read_only);
}

void TDataLink::SetActive(bool value)
{
    if (value == m_active)
        return;
    m_active = value;
    if (value)
        UpdateRange();
    else
        m_first_record = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value)
{
    if (value == m_editing)
        return;
    m_editing = value;
    EditingChanged();
}

void TDataLink::UpdateRange()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    int active = dataSet->m_active_record;
    int first = m_first_record;
    if (active < first)
        first = active;
    if (active >= first + m_buffer_count)
        first = active - m_buffer_count + 1;
    first = std::clamp(first, 0, std::max(0, dataSet->m_buffer_count - m_buffer_count));
    m_first_record = first;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info)
{
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!m_updating)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int first = m_first_record;
        if (event == deDataSetScroll)
            m_first_record += int(info);
        UpdateRange();
        if (event == deDataSetScroll)
            DataSetScrolled(first - m_first_record);
        else if (event == deLayoutChange)
            LayoutChanged();
        else
            DataSetChanged();
        break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    default: break;
    }
}

} // namespace data
