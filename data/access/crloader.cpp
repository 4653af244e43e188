// The loader's column discovery and row-order checks, and the alerter's property.
#include "data/access/crloader.h"

#include "core/exception.h"

namespace data {

namespace {

bool IsNumericType(uint16_t DataType)
{
    switch (DataType) {
    case dtInt8: case dtInt16: case dtInt32: case dtFloat: case dtUInt16: case dtInt64: case dtCurrency:
    case dtUInt32: case dtBCD: case dtFMTBCD:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---- loader -------------------------------------------------------------------------------------

TCRRecordSetClass TCRLoader::GetRecordSetClass() const
{
    core::AssertFailed(u"Must be overrided", __FILE__, __LINE__);
}

TCRLoaderColumnClass TCRLoader::GetColumnClass() const
{
    return [] { return std::make_unique<TCRLoaderColumn>(); };
}

bool TCRLoader::SetProp(int Prop, const core::Variant&) { UnknownProp(Prop); }

bool TCRLoader::GetProp(int Prop, core::Variant&) { UnknownProp(Prop); }

void TCRLoader::FillColumn(TCRLoaderColumn& Column, const TFieldDesc& FieldDesc)
{
    Column.SetName(FieldDesc.Name);
    Column.SetDataType(FieldDesc.DataType);
    if (IsNumericType(FieldDesc.DataType)) {
        Column.SetPrecision(FieldDesc.Length);
        Column.SetScale(FieldDesc.Scale);
    } else {
        Column.SetSize(FieldDesc.Length);
    }
}

void TCRLoader::CheckTableName() const
{
    if (core::Trim(FTableName).empty())
        throw core::Exception(u"TableName must be defined");
}

void TCRLoader::Prepare()
{
    CheckTableName();
    Reset();
}

void TCRLoader::Reset()
{
    FLastRow = -1;
    FLoadedRows = 0;
}

void TCRLoader::PutColumnData(int Col, int Row, const core::Variant&)
{
    if (Col < 0 || Col >= FColumns.Count())
        throw core::Exception(u"Invalid column number");
    if (Row < 1 || Row < FLastRow + 1 || Row > FLastRow + 2)
        throw core::Exception(u"Invalid row number");
    FLastRow = Row - 1;
}

void TCRLoader::DiscardRow()
{
    if (FLastRow >= FLoadedRows)
        --FLastRow;
}

void TCRLoader::CreateColumns()
{
    CheckTableName();
    FColumns.Clear();
    std::unique_ptr<TCRRecordSet> recordSet = GetRecordSetClass()();
    recordSet->SetConnection(FConnection);
    recordSet->SetTransaction(FTransaction);
    recordSet->SetSQL(u"SELECT * FROM " + FTableName + u" WHERE 1=0");
    recordSet->Open();
    const TCRLoaderColumnClass columnClass = GetColumnClass();
    for (int i = 0; i < recordSet->Fields().Count(); ++i) {
        const TFieldDesc& field = *recordSet->Fields().Items(i);
        if (field.ReadOnly && FSkipReadOnlyFieldDescs)
            continue;
        std::unique_ptr<TCRLoaderColumn> column = columnClass();
        FillColumn(*column, field);
        FColumns.Add(std::move(column));
    }
    recordSet->Close();
}

// ---- alerter ------------------------------------------------------------------------------------

bool TCRAlerter::SetProp(int Prop, const core::Variant&)
{
    if (Prop != PropAutoCommit)
        UnknownProp(Prop);
    return true;
}

bool TCRAlerter::GetProp(int Prop, core::Variant&) { UnknownProp(Prop); }

} // namespace data
