// A small in-memory store with the columns a test names, filled and read through variants.
#pragma once

#include "data/storage/memdata.h"
#include "data/storage/storage.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <vector>

namespace storetest {

using core::String;
using core::StringView;
using core::Variant;

struct Column {
    String name;
    uint16_t type;
    uint16_t size;
    uint16_t length = 0;
    data::TFieldDescKind kind = data::fdkData;
};

class TableStore : public data::TMemData {
public:
    explicit TableStore(std::vector<Column> columns, bool open = true) : m_columns(std::move(columns))
    {
        data::InitStorageUnits();
        InitFields();
        if (open)
            Open();
    }
    ~TableStore() override
    {
        Close();
        data::DoneStorageUnits();
    }

    // One value per column; Variant() (empty) leaves the field null.
    void Add(const std::vector<Variant>& values)
    {
        void* buffer = Fill(values);
        AppendRecord(buffer);
        FreeRecBuf(buffer);
    }
    void* Fill(const std::vector<Variant>& values)
    {
        void* buffer = AllocRecBuf(true);
        InitRecord(buffer);
        CreateComplexFields(buffer, true);
        for (size_t i = 0; i < values.size(); ++i)
            if (!values[i].IsEmpty())
                PutFieldAsVariant(int(i) + 1, buffer, values[i]);
        return buffer;
    }
    // Sets one field of the current record and stores it.
    void Update(StringView name, const Variant& value)
    {
        void* buffer = AllocRecBuf(true);
        GetRecord(buffer);
        EditRecord(buffer);
        const int no = FieldByName(name)->FieldNo;
        if (value.IsEmpty())
            SetNull(no, buffer, true);
        else
            PutFieldAsVariant(no, buffer, value);
        PostRecord(buffer);
        FreeRecBuf(buffer);
    }
    Variant Value(StringView name)
    {
        void* buffer = AllocRecBuf(true);
        GetRecord(buffer);
        Variant value;
        GetFieldAsVariant(FieldByName(name)->FieldNo, buffer, value);
        FreeRecBuf(buffer);
        return value;
    }
    // The column's texts in walking order ("null" for Null), each record's number checked.
    std::vector<String> Walk(StringView name)
    {
        std::vector<String> values;
        SetToBegin();
        for (GetNextRecord(nullptr); !GetEof(); GetNextRecord(nullptr)) {
            const Variant value = Value(name);
            values.push_back(value.IsNull() ? String(u"null") : value.AsString());
            EXPECT_EQ(GetRecordNo(), int(values.size()));
        }
        EXPECT_EQ(GetRecordCount(), int(values.size()));
        return values;
    }
    // Positions on the first record whose column shows text.
    bool Find(StringView name, StringView text)
    {
        SetToBegin();
        for (GetNextRecord(nullptr); !GetEof(); GetNextRecord(nullptr))
            if (!Value(name).IsNull() && Value(name).AsString() == text)
                return true;
        return false;
    }

protected:
    void DoInitFields() override
    {
        for (const Column& column : m_columns) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = column.name;
            desc->DataType = column.type;
            desc->Size = column.size;
            desc->Length = column.length;
            desc->FieldDescKind = column.kind;
            Fields().Add(std::move(desc));
        }
    }

private:
    std::vector<Column> m_columns;
};

inline std::vector<String> Texts(std::initializer_list<const char16_t*> items)
{
    std::vector<String> result;
    for (const char16_t* item : items)
        result.push_back(item);
    return result;
}

} // namespace storetest
