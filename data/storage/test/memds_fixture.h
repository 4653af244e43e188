// A store whose columns the test names, a dataset over it, and a service whose updater counts what it
// is asked to do.
#pragma once

#include "data/storage/dsservice.h"
#include "data/storage/memds.h"

#include <vector>

namespace data::test {

struct Column {
    const char16_t* name;
    uint16_t type;
    uint16_t size;
    uint16_t length = 0;
    bool required = false;
    bool readOnly = false;
    uint16_t scale = 0;
};

class TableStore : public TMemData {
public:
    explicit TableStore(std::vector<Column> columns) : m_columns(std::move(columns)) {}

protected:
    void DoInitFields() override
    {
        for (const Column& column : m_columns) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = column.name;
            desc->DataType = column.type;
            desc->Size = column.size;
            desc->Length = column.length;
            desc->Scale = column.scale;
            desc->Required = column.required;
            desc->ReadOnly = column.readOnly;
            Fields().Add(std::move(desc));
        }
    }

private:
    std::vector<Column> m_columns;
};

struct UpdaterLog {
    int appends = 0, updates = 0, deletes = 0;
};

class CountingUpdater : public TDataSetUpdater {
public:
    CountingUpdater(TDataSetService* owner, UpdaterLog& log) : TDataSetUpdater(owner), m_log(log) {}
    bool PerformAppend() override { return ++m_log.appends, true; }
    bool PerformUpdate() override { return ++m_log.updates, true; }
    bool PerformDelete() override { return ++m_log.deletes, true; }

private:
    UpdaterLog& m_log;
};

class TestDataSet;

class CountingService : public TDataSetService {
public:
    explicit CountingService(TMemDataSet* owner);
};

class TestDataSet : public TMemDataSet {
public:
    explicit TestDataSet(std::vector<Column> columns) { SetData(std::make_unique<TableStore>(std::move(columns))); }
    ~TestDataSet() override { Close(); }

    TDataSetServiceClass GetDataSetServiceClass() const override
    {
        return [](TMemDataSet* dataSet) -> std::unique_ptr<TDataSetService> {
            return std::make_unique<CountingService>(dataSet);
        };
    }

    UpdaterLog log;
    using TMemDataSet::ActiveBuffer;
    using TMemDataSet::EnterTempState;
    using TMemDataSet::LeaveTempState;
};

inline CountingService::CountingService(TMemDataSet* owner) : TDataSetService(owner)
{
    SetDataSetUpdater(std::make_unique<CountingUpdater>(this, static_cast<TestDataSet*>(owner)->log));
}

} // namespace data::test
