// Catalogue result tables and the record helper that fills them.
#include "data/access/crmetadata.h"

#include "core/exception.h"

#include <vector>

namespace data {

namespace {

constexpr int kNameLength = 100;
constexpr int kKindLength = 50;

[[noreturn]] void Unsupported() { throw core::Exception(u"Unsupported metadata kind"); }

String NormalizedKind(StringView Kind) { return core::AnsiLowerCase(core::Trim(Kind)); }

// Bytes of a field in a record, by data type, as the record store keeps each type.
uint16_t FieldSize(uint16_t DataType, int Length)
{
    switch (DataType) {
    case dtString: case dtGuid: return uint16_t(Length + 1);
    case dtInt8: return 1;
    case dtInt16: case dtUInt16: case dtBoolean: return 2;
    case dtFloat: case dtDate: case dtTime: case dtDateTime: case dtInt64: case dtCurrency: case dtBCD: return 8;
    case dtWideString: return uint16_t(2 * Length + 2);
    case dtBytes: return uint16_t(Length);
    case dtVarBytes: return uint16_t(Length + 2);
    case dtFMTBCD: return 34;
    case dtSQLTimeStamp: return 16;
    case dtInt32: case dtUInt32: return 4;
    // The rest live in the record as an object or heap reference.
    default: return uint16_t(sizeof(void*));
    }
}

} // namespace

// ---- record helper ------------------------------------------------------------------------------

TDataHelper::~TDataHelper() { FreeBuffer(); }

void TDataHelper::ReleaseOwnObjects()
{
    if (m_owns_objects && FRecBuf)
        FData->FreeComplexFields(FRecBuf, true);
    m_owns_objects = false;
}

void TDataHelper::AllocBuffer()
{
    FreeBuffer();
    FRecBuf = FData->AllocRecBuf();
}

void TDataHelper::FreeBuffer()
{
    if (!FRecBuf)
        return;
    ReleaseOwnObjects();
    FData->FreeRecBuf(FRecBuf);
    FRecBuf = nullptr;
}

void TDataHelper::InitRecord()
{
    ReleaseOwnObjects();
    FData->InitRecord(FRecBuf);
    if (FData->HasComplexFields()) {
        FData->CreateComplexFields(FRecBuf, true);
        m_owns_objects = true;
    }
}

void TDataHelper::AppendRecord()
{
    FData->AppendRecord(FRecBuf);
    m_owns_objects = false;
}

bool TDataHelper::NextRecord()
{
    ReleaseOwnObjects();
    FData->GetNextRecord(FRecBuf);
    return !FData->GetEof();
}

void TDataHelper::SetFieldValue(int FieldNo, const core::Variant& Value)
{
    FData->PutFieldAsVariant(FieldNo, FRecBuf, Value);
}

core::Variant TDataHelper::GetFieldValue(int FieldNo) const
{
    core::Variant value;
    FData->GetFieldAsVariant(FieldNo, FRecBuf, value);
    return value;
}

// ---- metadata -----------------------------------------------------------------------------------

TCRMetaData::TCRMetaData()
    : FMemData(std::make_unique<TMemData>()), FMemDataHelper(std::make_unique<TDataHelper>(FMemData.get()))
{
    FMemData->AutoInitFields = false;
}

TCRMetaData::~TCRMetaData()
{
    // The helpers' buffers go before their stores.
    FRecordSetHelper.reset();
    FMemDataHelper.reset();
}

TCRRecordSet& TCRMetaData::RecordSet()
{
    if (!FRecordSet) {
        FRecordSet = CreateRecordSet();
        FRecordSet->SetProp(PropFetchAll, true);
        FRecordSet->SetProp(PropFlatBuffers, false);
    }
    return *FRecordSet;
}

TDataHelper& TCRMetaData::RecordSetHelper()
{
    if (!FRecordSetHelper)
        FRecordSetHelper = std::make_unique<TDataHelper>(&RecordSet());
    return *FRecordSetHelper;
}

TData* TCRMetaData::GetMetaData(TCRConnection* Connection, TCRTransaction* Transaction, StringView MetaDataKind,
                                const core::Strings& Restrictions)
{
    RecordSet().SetConnection(Connection);
    RecordSet().SetTransaction(Transaction);
    return InternalGetMetaData(NormalizedKind(MetaDataKind), Restrictions);
}

TData* TCRMetaData::InternalGetMetaData(StringView MetaDataKind, const core::Strings& Restrictions)
{
    const String kind = NormalizedKind(MetaDataKind);
    if (kind.empty() || kind == u"metadatakinds")
        return GetMetaDataKinds();
    if (kind == u"restrictions")
        return GetRestrictions(Restrictions);
    using Getter = TData* (TCRMetaData::*)(const core::Strings&);
    static const std::pair<const char16_t*, Getter> getters[] = {
        {u"tables", &TCRMetaData::GetTables},
        {u"columns", &TCRMetaData::GetColumns},
        {u"procedures", &TCRMetaData::GetProcedures},
        {u"procedureparameters", &TCRMetaData::GetProcedureParameters},
        {u"indexes", &TCRMetaData::GetIndexes},
        {u"indexcolumns", &TCRMetaData::GetIndexColumns},
        {u"constraints", &TCRMetaData::GetConstraints},
        {u"databases", &TCRMetaData::GetDatabases},
        {u"datatypes", &TCRMetaData::GetDataTypes},
        {u"users", &TCRMetaData::GetUsers},
        {u"roles", &TCRMetaData::GetRoles},
        {u"userdefinedtypes", &TCRMetaData::GetUserDefinedTypes},
        {u"packages", &TCRMetaData::GetPackages},
    };
    for (const auto& [name, getter] : getters)
        if (kind == name)
            return (this->*getter)(Restrictions);
    Unsupported();
}

void TCRMetaData::AddField(StringView Name, uint16_t DataType, int Length)
{
    auto field = std::make_unique<TFieldDesc>();
    field->Name = String(Name);
    field->ActualName = field->Name;
    field->DataType = DataType;
    if (Length > 0)
        field->Length = uint16_t(Length);
    field->FieldNo = uint16_t(FMemData->Fields().Count() + 1);
    field->Size = FieldSize(DataType, Length);
    FMemData->Fields().Add(std::move(field));
}

void TCRMetaData::BeginFields()
{
    FMemDataHelper->FreeBuffer();
    FMemData->Close();
    FMemData->Fields().Clear();
}

void TCRMetaData::OpenResult()
{
    FMemData->Open();
    FMemDataHelper->AllocBuffer();
}

void TCRMetaData::AddResultRow(std::initializer_list<core::Variant> Values)
{
    TDataHelper& helper = *FMemDataHelper;
    helper.InitRecord();
    int fieldNo = 1;
    for (const core::Variant& value : Values) {
        if (!(value.IsString() && value.AsString().empty()))
            helper.SetFieldValue(fieldNo, value);
        ++fieldNo;
    }
    helper.AppendRecord();
}

// ---- kinds and restrictions ---------------------------------------------------------------------

void TCRMetaData::CreateMetaDataKindsFields()
{
    BeginFields();
    AddField(u"METADATA_NAME", dtString, kKindLength);
    EndFields();
}

void TCRMetaData::InternalGetMetaDataKindsList(core::Strings& List)
{
    List.Clear();
    for (const char16_t* kind : {u"MetaDataKinds", u"Restrictions", u"Tables", u"Columns", u"Procedures",
                                 u"ProcedureParameters", u"Indexes", u"IndexColumns", u"Constraints"})
        List.Add(kind);
}

TData* TCRMetaData::GetMetaDataKinds()
{
    core::StringList kinds;
    InternalGetMetaDataKindsList(kinds);
    CreateMetaDataKindsFields();
    OpenResult();
    for (int i = 0; i < kinds.Count(); ++i)
        AddResultRow({kinds[i]});
    FMemData->SetToBegin();
    return FMemData.get();
}

void TCRMetaData::CreateRestrictionsFields()
{
    BeginFields();
    AddField(u"METADATA_NAME", dtString, kKindLength);
    AddField(u"RESTRICTION_NAME", dtString, kKindLength);
    EndFields();
}

void TCRMetaData::InternalGetRestrictionsList(core::Strings& List, StringView MetaDataKind)
{
    List.Clear();
    const String kind = NormalizedKind(MetaDataKind);
    std::vector<const char16_t*> names;
    if (kind == u"restrictions")
        names = {u"METADATA_NAME"};
    else if (kind == u"tables")
        names = {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"TABLE_TYPE"};
    else if (kind == u"columns")
        names = {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"COLUMN_NAME"};
    else if (kind == u"procedures")
        names = {u"PROCEDURE_CATALOG", u"PROCEDURE_SCHEMA", u"PROCEDURE_NAME", u"PROCEDURE_TYPE"};
    else if (kind == u"procedureparameters")
        names = {u"PROCEDURE_CATALOG", u"PROCEDURE_SCHEMA", u"PROCEDURE_NAME", u"PARAMETER_NAME"};
    else if (kind == u"indexes" || kind == u"indexcolumns")
        names = {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"INDEX_NAME"};
    else if (kind == u"constraints")
        names = {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"CONSTRAINT_NAME", u"CONSTRAINT_TYPE"};
    for (const char16_t* name : names)
        List.Add(name);
}

TData* TCRMetaData::GetRestrictions(const core::Strings& Restrictions)
{
    // The filter is named as the restriction list advertises it; the older name is still read.
    String kind = Restrictions.Values(u"METADATA_NAME");
    if (core::Trim(kind).empty())
        kind = Restrictions.Values(u"METAINFO_NAME");
    kind = NormalizedKind(kind);
    CreateRestrictionsFields();
    OpenResult();
    core::StringList restrictions;
    auto addKind = [&](const String& Kind) {
        InternalGetRestrictionsList(restrictions, Kind);
        for (int i = 0; i < restrictions.Count(); ++i)
            AddResultRow({Kind, restrictions[i]});
    };
    if (!kind.empty()) {
        addKind(kind);
    } else {
        core::StringList kinds;
        InternalGetMetaDataKindsList(kinds);
        for (int i = 0; i < kinds.Count(); ++i)
            addKind(kinds[i]);
    }
    FMemData->SetToBegin();
    return FMemData.get();
}

void TCRMetaData::GetMetaDataKindsList(core::Strings& List)
{
    core::StringList list;
    InternalGetMetaDataKindsList(list);
    List.Assign(list);
}

void TCRMetaData::GetRestrictionsList(core::Strings& List, StringView MetaDataKind)
{
    core::StringList list;
    InternalGetRestrictionsList(list, NormalizedKind(MetaDataKind));
    List.Assign(list);
}

// ---- result columns -----------------------------------------------------------------------------

void TCRMetaData::CreateTablesFields()
{
    BeginFields();
    AddField(u"TABLE_CATALOG", dtString, kNameLength);
    AddField(u"TABLE_SCHEMA", dtString, kNameLength);
    AddField(u"TABLE_NAME", dtString, kNameLength);
    AddField(u"TABLE_TYPE", dtString, kKindLength);
    EndFields();
}

void TCRMetaData::CreateColumnsFields()
{
    BeginFields();
    for (const char16_t* name : {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"COLUMN_NAME"})
        AddField(name, dtString, kNameLength);
    AddField(u"POSITION", dtInt32);
    AddField(u"DATA_TYPE", dtString, kKindLength);
    for (const char16_t* name : {u"DATA_LENGTH", u"DATA_PRECISION", u"DATA_SCALE", u"NULLABLE"})
        AddField(name, dtInt32);
    AddField(u"DEFAULT_VALUE", dtMemo);
    EndFields();
}

void TCRMetaData::CreateProceduresFields()
{
    BeginFields();
    for (const char16_t* name : {u"PROCEDURE_CATALOG", u"PROCEDURE_SCHEMA", u"PROCEDURE_NAME"})
        AddField(name, dtString, kNameLength);
    AddField(u"PROCEDURE_TYPE", dtString, kKindLength);
    EndFields();
}

void TCRMetaData::CreateProcedureParametersFields()
{
    BeginFields();
    for (const char16_t* name : {u"PROCEDURE_CATALOG", u"PROCEDURE_SCHEMA", u"PROCEDURE_NAME", u"PARAMETER_NAME"})
        AddField(name, dtString, kNameLength);
    AddField(u"POSITION", dtInt32);
    AddField(u"DIRECTION", dtString, 10);
    AddField(u"DATA_TYPE", dtString, kKindLength);
    for (const char16_t* name : {u"DATA_LENGTH", u"DATA_PRECISION", u"DATA_SCALE"})
        AddField(name, dtInt32);
    EndFields();
}

void TCRMetaData::CreateIndexesFields()
{
    BeginFields();
    for (const char16_t* name :
         {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"INDEX_CATALOG", u"INDEX_SCHEMA", u"INDEX_NAME"})
        AddField(name, dtString, kNameLength);
    AddField(u"UNIQUE", dtInt32);
    EndFields();
}

void TCRMetaData::CreateIndexColumnsFields()
{
    BeginFields();
    for (const char16_t* name : {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"INDEX_CATALOG", u"INDEX_SCHEMA",
                                 u"INDEX_NAME", u"COLUMN_NAME"})
        AddField(name, dtString, kNameLength);
    AddField(u"COLUMN_POSITION", dtInt32);
    AddField(u"SORT_ORDER", dtString, 4);
    EndFields();
}

void TCRMetaData::CreateConstraintsFields()
{
    BeginFields();
    for (const char16_t* name : {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"CONSTRAINT_NAME",
                                 u"CONSTRAINT_TYPE", u"INDEX_CATALOG", u"INDEX_SCHEMA", u"INDEX_NAME"})
        AddField(name, dtString, kNameLength);
    EndFields();
}

void TCRMetaData::CreateDatabasesFields()
{
    BeginFields();
    AddField(u"DATABASE_NAME", dtString, kNameLength);
    EndFields();
}

TData* TCRMetaData::GetDatabases(const core::Strings&) { Unsupported(); }
TData* TCRMetaData::GetDataTypes(const core::Strings&) { Unsupported(); }
TData* TCRMetaData::GetUsers(const core::Strings&) { Unsupported(); }
TData* TCRMetaData::GetRoles(const core::Strings&) { Unsupported(); }
TData* TCRMetaData::GetUserDefinedTypes(const core::Strings&) { Unsupported(); }
TData* TCRMetaData::GetPackages(const core::Strings&) { Unsupported(); }

} // namespace data
