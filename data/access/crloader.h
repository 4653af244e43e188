// Bulk loading and server events. A loader learns a table's columns from the server and takes values
// cell by cell, row by row, which a provider sends with its fast load facility; an alerter listens for
// named server events and reports them and its errors through callbacks.
#pragma once

#include "data/access/crrecordset.h"

#include <functional>
#include <memory>
#include <vector>

namespace data {

class TCRLoaderColumn : public core::Object {
public:
    TCRLoaderColumn() = default;

    const String& Name() const { return FName; }
    void SetName(StringView Value) { FName = String(Value); }
    uint16_t DataType() const { return FDataType; }
    void SetDataType(uint16_t Value) { FDataType = Value; }
    int32_t Size() const { return FSize; }
    void SetSize(int32_t Value) { FSize = Value; }
    int32_t Precision() const { return FPrecision; }
    void SetPrecision(int32_t Value) { FPrecision = Value; }
    int32_t Scale() const { return FScale; }
    void SetScale(int32_t Value) { FScale = Value; }

protected:
    String FName;
    uint16_t FDataType = dtUnknown;
    int32_t FSize = 0;
    int32_t FPrecision = 0;
    int32_t FScale = 0;
};

// The owning list of a loader's columns.
class TCRLoaderColumns {
public:
    TCRLoaderColumns() = default;
    TCRLoaderColumns(const TCRLoaderColumns&) = delete;
    TCRLoaderColumns& operator=(const TCRLoaderColumns&) = delete;

    int Count() const { return int(m_items.size()); }
    TCRLoaderColumn* Items(int Index) const { return m_items.at(size_t(Index)).get(); }
    TCRLoaderColumn* Add(std::unique_ptr<TCRLoaderColumn> Column)
    {
        m_items.push_back(std::move(Column));
        return m_items.back().get();
    }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TCRLoaderColumn>> m_items;
};

// Class references of a loader: the functions that make its record set and its columns.
using TCRRecordSetClass = std::unique_ptr<TCRRecordSet> (*)();
using TCRLoaderColumnClass = std::unique_ptr<TCRLoaderColumn> (*)();

template<class T>
std::unique_ptr<TCRRecordSet> NewRecordSetOf()
{
    return NewRecordSet<T>();
}

// Rows are numbered from 1 and columns from 0. Values go in row order: into the current row again or
// into the next one, never back.
class TCRLoader : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    // The provider's record set that describes the table; an assertion failure in the base.
    virtual TCRRecordSetClass GetRecordSetClass() const;
    virtual void SetConnection(TCRConnection* Value) { FConnection = Value; }
    virtual void SetTransaction(TCRTransaction* Value) { FTransaction = Value; }
    // Name and type from the descriptor; precision and scale for a numeric type, a size otherwise.
    virtual void FillColumn(TCRLoaderColumn& Column, const TFieldDesc& FieldDesc);
    TCRLoader() = default;
    // Know no number: an assertion failure.
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);
    virtual TCRLoaderColumnClass GetColumnClass() const;
    virtual void Prepare();
    virtual void Reset();
    // The provider sends the rows; nothing in the base.
    virtual void DoLoad() {}
    virtual void Finish() {}
    // Checks the position ("Invalid column number", "Invalid row number"), leaving the loader as it
    // was on a rejection; a provider stores the value after calling this.
    virtual void PutColumnData(int Col, int Row, const core::Variant& Value);

    // ---- static operations ----
    // The table's columns from "SELECT * FROM <table> WHERE 1=0".
    void CreateColumns();
    // Gives up the current row unless it was handed to the server already.
    void DiscardRow();
    // Exception "TableName must be defined" for a name of blanks only.
    void CheckTableName() const;

    // ---- properties ----
    TCRConnection* Connection() const { return FConnection; }
    TCRTransaction* Transaction() const { return FTransaction; }
    const String& TableName() const { return FTableName; }
    void SetTableName(StringView Value) { FTableName = String(Value); }
    TCRLoaderColumns& Columns() { return FColumns; }
    bool SkipReadOnlyFieldDescs() const { return FSkipReadOnlyFieldDescs; }
    void SetSkipReadOnlyFieldDescs(bool Value) { FSkipReadOnlyFieldDescs = Value; }
    int LastRow() const { return FLastRow; }
    int LoadedRows() const { return FLoadedRows; }

protected:
    TCRConnection* FConnection = nullptr;
    TCRTransaction* FTransaction = nullptr;
    String FTableName;
    TCRLoaderColumns FColumns;
    int32_t FLastRow = -1;
    int32_t FLoadedRows = 0;
    bool FSkipReadOnlyFieldDescs = true;
};

using TCRAlerterEventCallback = std::function<void(const String& EventName, const String& Message)>;
using TCRAlerterErrorCallback = std::function<void(const core::Exception& E)>;

class TCRAlerter : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    virtual void SetConnection(TCRConnection* Value) { FConnection = Value; }
    virtual void SetTransaction(TCRTransaction* Value) { FTransaction = Value; }
    TCRAlerter() = default;
    // Takes the auto-commit number and ignores it; any other number is an assertion failure.
    virtual bool SetProp(int Prop, const core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);
    virtual void SendEvent(StringView EventName, StringView Message) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const { return FActive; }

    // ---- properties ----
    TCRConnection* Connection() const { return FConnection; }
    TCRTransaction* Transaction() const { return FTransaction; }
    core::StringList& EventNames() { return FEventNames; }
    TCRAlerterEventCallback OnEvent;
    TCRAlerterErrorCallback OnError;

protected:
    TCRConnection* FConnection = nullptr;
    TCRTransaction* FTransaction = nullptr;
    core::StringList FEventNames;
    bool FActive = false;
};

} // namespace data
