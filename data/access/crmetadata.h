// Catalogue information as result tables: one in-memory record store per metadata kind with a fixed
// column list. The base knows the kinds, their restrictions and the columns; a provider runs the
// catalogue queries and fills the rows through a TDataHelper.
#pragma once

#include "core/stringlist.h"
#include "data/access/crrecordset.h"
#include "data/storage/memdata.h"

#include <memory>

namespace data {

// A cursor that appends rows to a record store (or reads them) through one record buffer.
class TDataHelper {
public:
    explicit TDataHelper(TData* Data) : FData(Data) {}
    ~TDataHelper();
    TDataHelper(const TDataHelper&) = delete;
    TDataHelper& operator=(const TDataHelper&) = delete;

    // A new buffer of the store's present layout (the old one is freed).
    void AllocBuffer();
    void FreeBuffer();
    // Blank, with the complex field objects (blobs) made when the store has such fields.
    void InitRecord();
    // The store takes the buffer's values over, complex field objects included.
    void AppendRecord();
    // The store's next record into the buffer; false at the end of the data.
    bool NextRecord();
    void SetFieldValue(int FieldNo, const core::Variant& Value);
    core::Variant GetFieldValue(int FieldNo) const;

    TData* Data() const { return FData; }
    void* RecBuf() const { return FRecBuf; }

private:
    // Frees complex field objects that InitRecord made and no record took over.
    void ReleaseOwnObjects();

    TData* FData;
    void* FRecBuf = nullptr;
    bool m_owns_objects = false;
};

class TCRMetaData : public core::Object {
public:
    // ---- virtual operations, in slot order ----
    // The provider's record set for catalogue queries.
    virtual std::unique_ptr<TCRRecordSet> CreateRecordSet() = 0;
    virtual TData* InternalGetMetaData(StringView MetaDataKind, const core::Strings& Restrictions);
    virtual void CreateMetaDataKindsFields();
    virtual void InternalGetMetaDataKindsList(core::Strings& List);
    virtual TData* GetMetaDataKinds();
    virtual void CreateRestrictionsFields();
    virtual void InternalGetRestrictionsList(core::Strings& List, StringView MetaDataKind);
    virtual TData* GetRestrictions(const core::Strings& Restrictions);
    virtual void CreateTablesFields();
    virtual TData* GetTables(const core::Strings& Restrictions) = 0;
    virtual void CreateColumnsFields();
    virtual TData* GetColumns(const core::Strings& Restrictions) = 0;
    virtual void CreateProceduresFields();
    virtual TData* GetProcedures(const core::Strings& Restrictions) = 0;
    virtual void CreateProcedureParametersFields();
    virtual TData* GetProcedureParameters(const core::Strings& Restrictions) = 0;
    virtual void CreateIndexesFields();
    virtual TData* GetIndexes(const core::Strings& Restrictions) = 0;
    virtual void CreateIndexColumnsFields();
    virtual TData* GetIndexColumns(const core::Strings& Restrictions) = 0;
    virtual void CreateConstraintsFields();
    virtual TData* GetConstraints(const core::Strings& Restrictions) = 0;
    // Exception "Unsupported metadata kind" in the base, as are the five after it.
    virtual TData* GetDatabases(const core::Strings& Restrictions);
    virtual void CreateDatabasesFields();
    virtual TData* GetDataTypes(const core::Strings& Restrictions);
    virtual TData* GetUsers(const core::Strings& Restrictions);
    virtual TData* GetRoles(const core::Strings& Restrictions);
    virtual TData* GetUserDefinedTypes(const core::Strings& Restrictions);
    virtual TData* GetPackages(const core::Strings& Restrictions);
    TCRMetaData();
    // The kind is trimmed and lower-cased; the result store belongs to this object and is refilled by
    // the next call.
    virtual TData* GetMetaData(TCRConnection* Connection, TCRTransaction* Transaction, StringView MetaDataKind,
                               const core::Strings& Restrictions);

    ~TCRMetaData() override;

    // ---- static operations ----
    void GetMetaDataKindsList(core::Strings& List);
    void GetRestrictionsList(core::Strings& List, StringView MetaDataKind);
    // A column of the result store: Size as the store keeps the data type (an object or heap
    // reference is pointer-sized), FieldNo by position.
    void AddField(StringView Name, uint16_t DataType, int Length = 0);

    TMemData& MemData() const { return *FMemData; }
    TDataHelper& MemDataHelper() const { return *FMemDataHelper; }
    // Made on first use with fetch-all on and flat buffers off: a constructor cannot reach the
    // provider's CreateRecordSet.
    TCRRecordSet& RecordSet();
    TDataHelper& RecordSetHelper();
    const String& Operator() const { return FOperator; }
    void SetOperator(StringView Value) { FOperator = String(Value); }

protected:
    // Clears the result store's columns (closing it first) before a Create...Fields adds its own.
    void BeginFields();
    // Lays the columns out.
    void EndFields() { FMemData->InitFields(); }
    // Opens the result store and makes the helper's buffer for its layout.
    void OpenResult();
    // Appends one row of text values (null for an empty text) to the result store.
    void AddResultRow(std::initializer_list<core::Variant> Values);

    std::unique_ptr<TMemData> FMemData;
    std::unique_ptr<TDataHelper> FMemDataHelper;
    std::unique_ptr<TCRRecordSet> FRecordSet;
    std::unique_ptr<TDataHelper> FRecordSetHelper;
    String FOperator = u"=";
};

} // namespace data
