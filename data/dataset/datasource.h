// Data sources and data links: how controls (and detail datasets) follow a dataset. A data source
// joins one dataset to any number of links; each link asks for a number of record buffers (a grid
// shows several records, an edit one) and sees the dataset's ring through a window of that size,
// kept around the active record as the dataset scrolls. Data events reach the links through the
// source, which passes them on only while enabled.
#pragma once

#include "data/dataset/dataset.h"

#include <functional>
#include <vector>

namespace data {

class TDataLink;

class TDataSource : public core::Component {
public:
    using DataChangeEvent = std::function<void(TDataSource& sender, TField* field)>;
    using Notify = std::function<void(TDataSource& sender)>;

    explicit TDataSource(core::Component* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return m_dataset; }
    // Raises "Circular datalinks are not allowed" when dataSet is fed by this source.
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return m_auto_edit; }
    void SetAutoEdit(bool value) { m_auto_edit = value; }
    // The dataset's state as the links saw it last (dsInactive while disabled).
    TDataSetState State() const { return m_state; }
    // Puts the dataset into edit state when AutoEdit allows and it is browsing.
    void Edit();
    bool IsLinkedTo(TDataSet* dataSet) const;
    const std::vector<TDataLink*>& DataLinks() const { return m_links; }

    Notify OnStateChange;
    DataChangeEvent OnDataChange;
    Notify OnUpdateData;

protected:
    void Notification(core::Component* component, core::Operation operation) override;
    // A data source destination takes this one's dataset, AutoEdit and Enabled.
    void AssignTo(core::Persistent& dest) const override;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, intptr_t info);
    void NotifyLinks(TDataEvent event, intptr_t info);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* m_dataset = nullptr;
    std::vector<TDataLink*> m_links;
    TDataSetState m_state = dsInactive;
    bool m_enabled = true;
    bool m_auto_edit = true;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_data_source; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // Active while the source is enabled and its dataset open.
    bool Active() const { return m_active; }
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value);
    // Buffers this link shows (at least 1); the dataset's ring grows to the largest request.
    int BufferCount() const { return m_buffer_count; }
    void SetBufferCount(int count);
    // The active record within the link's window, and the records in the window.
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    int RecordCount() const;
    // The dataset buffer where the window starts.
    int FirstRecord() const { return m_first_record; }
    // Puts the dataset into edit state through the source; false when it cannot.
    bool Edit();
    // Asks the linked control to write its pending value (raises the update-record event).
    void UpdateRecord();
    // The dataset that follows this link as a detail, if any.
    virtual TDataSet* GetDetailDataSet() { return nullptr; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance);
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;

    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* m_data_source = nullptr;
    int m_buffer_count = 1;
    int m_first_record = 0;
    bool m_active = false;
    bool m_editing = false;
    bool m_read_only = false;
    bool m_updating = false;
};

// The link of a detail dataset to its master's data source: it names the detail, so that chains of
// links can be followed (and circular ones refused).
class TDetailDataLink : public TDataLink {
public:
    explicit TDetailDataLink(TDataSet* detail = nullptr) : m_detail(detail) {}
    TDataSet* GetDetailDataSet() override { return m_detail; }

private:
    TDataSet* m_detail;
};

} // namespace data
