// Parameters and their collection.
#include "data/dataset/params.h"

#include "data/dataset/field.h"

namespace data {

namespace {

// The type an untyped parameter takes from the kind of value written into it.
TFieldType FieldTypeOfVariant(const Variant& value)
{
    if (value.IsArray())
        return (value.VarType() & core::varTypeMask) == core::varByte ? ftBlob : ftUnknown;
    switch (value.VarType()) {
    case core::varSmallint: return ftSmallint;
    case core::varInteger: return ftInteger;
    case core::varSingle: case core::varDouble: return ftFloat;
    case core::varCurrency: return ftCurrency;
    case core::varDate: return ftDateTime;
    case core::varBoolean: return ftBoolean;
    case core::varShortInt: return ftShortint;
    case core::varByte: return ftByte;
    case core::varWord: return ftWord;
    case core::varLongWord: return ftLongWord;
    case core::varInt64: case core::varUInt64: return ftLargeint;
    case core::varString: return ftString;
    case core::varUString: case core::varOleStr: return ftWideString;
    case core::varFMTBcd: return ftFMTBcd;
    case core::varSQLTimeStamp: return ftTimeStamp;
    case core::varVariant: return ftVariant;
    default: return ftUnknown;
    }
}

} // namespace

// ---- TParam ----

TParam::TParam(core::Collection* collection) : core::CollectionItem(collection) {}

TParam::TParam(TParams* params, TParamType paramType) : core::CollectionItem(params), m_param_type(paramType) {}

void TParam::SetName(StringView name)
{
    m_name = String(name);
    Changed(false);
}

String TParam::DisplayName() const
{
    return m_name.empty() ? core::CollectionItem::DisplayName() : m_name;
}

void TParam::SetDataType(TFieldType type)
{
    m_data_type = type;
}

Variant TParam::Value() const
{
    return m_value;
}

void TParam::SetValue(const Variant& value)
{
    Put(FieldTypeOfVariant(value), value);
}

bool TParam::IsNull() const
{
    return m_value.IsNull() || m_value.IsEmpty();
}

void TParam::Clear()
{
    m_value = Variant();
}

void TParam::Put(TFieldType type, const Variant& value)
{
    if (DataType() == ftUnknown && type != ftUnknown)
        SetDataType(type);
    m_value = value;
    m_bound = true;
}

void TParam::SetText(StringView text) { SetAsString(text); }

String TParam::AsString() const { return IsNull() ? String() : m_value.AsString(); }
void TParam::SetAsString(StringView value) { SetAsWideString(value); }
String TParam::AsAnsiString() const { return AsString(); }
void TParam::SetAsAnsiString(StringView value) { Put(ftString, Variant::FromAnsiString(String(value))); }
String TParam::AsWideString() const { return AsString(); }
void TParam::SetAsWideString(StringView value) { Put(ftWideString, Variant(value)); }
int32_t TParam::AsInteger() const { return IsNull() ? 0 : m_value.AsInteger(); }
void TParam::SetAsInteger(int32_t value) { Put(ftInteger, Variant(value)); }
void TParam::SetAsSmallInt(int16_t value) { Put(ftSmallint, Variant(value)); }
void TParam::SetAsWord(uint16_t value) { Put(ftWord, Variant(value)); }
void TParam::SetAsShortInt(int8_t value) { Put(ftShortint, Variant(value)); }
void TParam::SetAsByte(uint8_t value) { Put(ftByte, Variant(value)); }
int64_t TParam::AsLargeInt() const { return IsNull() ? 0 : m_value.AsInt64(); }
void TParam::SetAsLargeInt(int64_t value) { Put(ftLargeint, Variant(value)); }
double TParam::AsFloat() const { return IsNull() ? 0.0 : m_value.AsDouble(); }
void TParam::SetAsFloat(double value) { Put(ftFloat, Variant(value)); }
core::Currency TParam::AsCurrency() const { return IsNull() ? core::Currency() : m_value.AsCurrency(); }
void TParam::SetAsCurrency(core::Currency value) { Put(ftCurrency, Variant(value)); }
bool TParam::AsBoolean() const { return !IsNull() && m_value.AsBoolean(); }
void TParam::SetAsBoolean(bool value) { Put(ftBoolean, Variant(value)); }
void TParam::SetAsDate(core::TDateTime value) { Put(ftDate, Variant::FromDate(value)); }
void TParam::SetAsTime(core::TDateTime value) { Put(ftTime, Variant::FromDate(value)); }
core::TDateTime TParam::AsDateTime() const { return IsNull() ? 0.0 : m_value.AsDateTime(); }
void TParam::SetAsDateTime(core::TDateTime value) { Put(ftDateTime, Variant::FromDate(value)); }
core::Currency TParam::AsBCD() const { return AsCurrency(); }
void TParam::SetAsBCD(core::Currency value) { Put(ftBCD, Variant(value)); }
core::Bcd TParam::AsFMTBCD() const { return IsNull() ? core::Bcd() : m_value.AsBcd(); }
void TParam::SetAsFMTBCD(const core::Bcd& value) { Put(ftFMTBcd, Variant(value)); }
core::SQLTimeStamp TParam::AsSQLTimeStamp() const { return IsNull() ? core::SQLTimeStamp() : m_value.AsSQLTimeStamp(); }
void TParam::SetAsSQLTimeStamp(const core::SQLTimeStamp& value) { Put(ftTimeStamp, Variant(value)); }
Variant::Bytes TParam::AsBytes() const { return IsNull() ? Variant::Bytes() : m_value.AsBytes(); }
void TParam::SetAsBytes(const Variant::Bytes& value) { Put(ftVarBytes, Variant(value)); }
void TParam::SetAsBlob(const Variant::Bytes& value) { Put(ftBlob, Variant(value)); }
void TParam::SetAsMemo(StringView value) { Put(ftMemo, Variant(value)); }

void TParam::Assign(const core::Persistent& source)
{
    if (auto* param = dynamic_cast<const TParam*>(&source))
        AssignParam(*param);
    else if (auto* field = dynamic_cast<const TField*>(&source))
        AssignField(const_cast<TField*>(field));
    else
        core::CollectionItem::Assign(source);
}

void TParam::AssignParam(const TParam& source)
{
    if (&source == this)
        return;
    SetDataType(source.DataType());
    if (source.IsNull())
        Clear();
    else
        SetValue(source.Value());
    m_bound = source.Bound();
    m_name = source.Name();
    if (m_param_type == ptUnknown)
        m_param_type = source.ParamType();
    SetSize(source.Size());
    m_precision = source.Precision();
    m_numeric_scale = source.NumericScale();
    Changed(false);
}

void TParam::AssignField(TField* field)
{
    if (!field)
        return;
    AssignFieldValue(field, field->Value());
    m_name = field->FieldName();
    SetSize(field->Size());
    m_bound = true;
    Changed(false);
}

void TParam::AssignFieldValue(TField* field, const Variant& value)
{
    if (!field)
        return;
    SetDataType(field->DataType());
    if (value.IsNull() || value.IsEmpty())
        Clear();
    else
        SetValue(value);
    m_bound = true;
}

void TParam::AssignTo(core::Persistent& dest) const
{
    if (auto* field = dynamic_cast<TField*>(&dest))
        field->SetValue(IsNull() ? Variant::Null() : Value());
    else
        core::CollectionItem::AssignTo(dest);
}

// ---- TParams ----

TParams::TParams(core::Persistent* owner, ItemFactory factory)
    : core::Collection(factory ? std::move(factory) : ItemFactory([](core::Collection* c) { return new TParam(c); }),
                       owner)
{
}

TParam* TParams::FindParam(StringView name) const
{
    for (int i = 0; i < Count(); ++i)
        if (core::AnsiSameText(Items(i)->Name(), name))
            return Items(i);
    return nullptr;
}

TParam* TParams::ParamByName(StringView name) const
{
    TParam* param = FindParam(name);
    if (!param)
        DatabaseErrorFmt(texts::ParamNotFound, name);
    return param;
}

TParam* TParams::CreateParam(TFieldType type, StringView name, TParamType paramType)
{
    auto* param = static_cast<TParam*>(Add());
    param->SetParamType(paramType);
    param->SetName(name);
    param->SetDataType(type);
    return param;
}

void TParams::AddParam(TParam* param)
{
    param->SetCollection(this);
}

void TParams::RemoveParam(TParam* param)
{
    if (param->Collection() == this)
        param->SetCollection(nullptr);
}

Variant TParams::ParamValues(StringView names) const
{
    std::vector<String> list = SplitFieldNames(names);
    if (list.size() == 1)
        return ParamByName(list[0])->Value();
    Variant::Items values;
    for (const String& name : list)
        values.push_back(ParamByName(name)->Value());
    return Variant::ArrayOf(std::move(values));
}

void TParams::SetParamValues(StringView names, const Variant& value)
{
    std::vector<String> list = SplitFieldNames(names);
    if (list.size() == 1 && !value.IsArray()) {
        ParamByName(list[0])->SetValue(value);
        return;
    }
    for (size_t i = 0; i < list.size(); ++i)
        ParamByName(list[i])->SetValue(value.ArrayItem(int(i)));
}

void TParams::AssignValues(const TParams& source)
{
    for (int i = 0; i < source.Count(); ++i)
        if (TParam* param = FindParam(source.Items(i)->Name()))
            param->Assign(*source.Items(i));
}

bool TParams::IsEqual(const TParams& other) const
{
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i) {
        const TParam& a = *Items(i);
        const TParam& b = *other.Items(i);
        if (a.Name() != b.Name() || a.DataType() != b.DataType() || a.ParamType() != b.ParamType() ||
            a.Bound() != b.Bound() || a.IsNull() != b.IsNull())
            return false;
        if (!a.IsNull() && !(a.Value() == b.Value()))
            return false;
    }
    return true;
}

String TParams::ParamNames() const
{
    String names;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0)
            names += u';';
        names += Items(i)->Name();
    }
    return names;
}

void TParams::Update(core::CollectionItem* item)
{
    core::Collection::Update(item);
}

} // namespace data
