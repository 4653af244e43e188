// Parameters with value objects, and their collection.
#include "data/access/daparams.h"

#include "core/codepage.h"
#include "core/datetime.h"
#include "core/exception.h"
#include "core/stream.h"
#include "data/dataset/field.h"

namespace data {

namespace {

// The types a stream or a stream-persistent object can be loaded into.
bool IsLoadableBlobType(TFieldType type)
{
    return type == ftBlob || type == ftMemo || type == ftOraBlob || type == ftOraClob || type == ftWideMemo;
}

} // namespace

// ---- TDAParam ----

TDAParam::TDAParam(core::Collection* collection) : TParam(collection)
{
    SetBound(true);
}

TDAParam::~TDAParam()
{
    FreeObject();
}

void TDAParam::SetParamObject(TSharedObject* Value)
{
    // The new reference first, so that setting the object already held keeps it alive.
    if (Value)
        Value->AddRef();
    FreeObject();
    FParamObject = Value;
    if (Value)
        SetRawValue(Variant(u"Object"));
}

bool TDAParam::IsObjectDataType(TFieldType DataType) const
{
    return DataType == ftBlob || DataType == ftMemo || DataType == ftWideMemo;
}

bool TDAParam::IsBlobDataType(TFieldType DataType) const
{
    return DataType == ftBlob || DataType == ftMemo || DataType == ftWideMemo;
}

void TDAParam::SetDataType(TFieldType Value)
{
    if (Value == DataType())
        return;
    if (IsObjectDataType(DataType()))
        FreeObject();
    TParam::SetDataType(Value);
    FSubDataType = 0;
    if (IsObjectDataType(Value))
        CreateObject();
}

void TDAParam::CreateObject()
{
    CORE_ASSERT(FParamObject == nullptr, u"The parameter holds a value object already");
    if (!IsBlobDataType(DataType()))
        return;
    auto* blob = new TBlob(false);
    if (DataType() == ftWideMemo)
        blob->SetIsUnicode(true);
    FParamObject = blob;
}

void TDAParam::FreeObject()
{
    TSharedObject* object = FParamObject;
    FParamObject = nullptr;
    TSharedObject::Free(object);
}

void TDAParam::Clear()
{
    if (TBlob* blob = Blob())
        blob->Clear();
    else
        TParam::Clear();
}

bool TDAParam::IsNull() const
{
    if (TBlob* blob = Blob())
        return blob->Size() == 0;
    return TParam::IsNull();
}

Variant TDAParam::Value() const
{
    if (TBlob* blob = Blob())
        return Variant(blob->AsString());
    return TParam::Value();
}

void TDAParam::SetValue(const Variant& Value)
{
    TBlob* blob = Blob();
    if (!blob) {
        TParam::SetValue(Value);
        return;
    }
    if (Value.IsNull() || Value.IsEmpty())
        blob->Clear();
    else if (Value.IsArray() && (Value.VarType() & core::varTypeMask) == core::varByte)
        blob->SetAsBytes(Value.AsBytes());
    else
        blob->SetAsString(Value.AsString());
    SetBound(true);
}

String TDAParam::AsString() const { return AsWideString(); }
void TDAParam::SetAsString(StringView Value) { SetAsWideString(Value); }
void TDAParam::SetText(StringView Value) { SetAsString(Value); }

String TDAParam::AsAnsiString() const
{
    if (TBlob* blob = Blob())
        return IsNull() ? String() : core::FromAnsi(blob->AsAnsiString());
    if ((DataType() == ftDate || DataType() == ftDateTime) && !TParam::IsNull()) {
        const core::DateTimeFormatSettings& settings = core::DefaultDateTimeFormatSettings();
        return core::FromAnsi(core::ToAnsi(core::FormatDateTime(settings.ShortDateFormat, AsDateTime(), settings)));
    }
    return TParam::AsAnsiString();
}

void TDAParam::SetAsAnsiString(StringView Value)
{
    if (TBlob* blob = Blob()) {
        blob->SetAsAnsiString(core::ToAnsi(Value));
        SetBound(true);
    } else if (DataType() == ftWideString || DataType() == ftFixedWideChar) {
        SetAsWideString(Value);
    } else {
        TParam::SetAsAnsiString(Value);
    }
}

String TDAParam::AsWideString() const
{
    if (TBlob* blob = Blob())
        return IsNull() ? String() : blob->AsWideString();
    // The framework's text readers lead to AsString, which comes back here.
    return TParam::AsString();
}

void TDAParam::SetAsWideString(StringView Value)
{
    if (TBlob* blob = Blob()) {
        blob->SetAsWideString(String(Value));
        SetBound(true);
    } else {
        TParam::SetAsWideString(Value);
    }
}

Variant::Bytes TDAParam::AsBytes() const
{
    if (TBlob* blob = Blob())
        return IsNull() ? Variant::Bytes() : blob->AsBytes();
    return TParam::AsBytes();
}

void TDAParam::SetAsBytes(const Variant::Bytes& Value)
{
    if (TBlob* blob = Blob()) {
        blob->SetAsBytes(Value);
        SetBound(true);
    } else {
        TParam::SetAsBytes(Value);
    }
}

void TDAParam::SetAsBlob(const Variant::Bytes& Value)
{
    SetDataType(ftBlob);
    TBlob* blob = Blob();
    CORE_ASSERT(blob != nullptr, DataTypeNotSupported);
    blob->SetAsBytes(Value);
    SetBound(true);
}

void TDAParam::SetAsMemo(StringView Value)
{
    SetDataType(ftMemo);
    TBlob* blob = Blob();
    CORE_ASSERT(blob != nullptr, DataTypeNotSupported);
    blob->SetAsString(String(Value));
    SetBound(true);
}

TBlob* TDAParam::AsBlobRef()
{
    if (DataType() == ftUnknown) {
        // An object set on an untyped parameter is kept, not replaced.
        if (FParamObject)
            SetPlatformDataType(ftBlob);
        else
            SetDataType(ftBlob);
    }
    return Blob();
}

void TDAParam::SetAsBlobRef(TBlob* Value)
{
    // SetParamObject lets the old object go.
    SetPlatformDataType(ftBlob);
    SetParamObject(Value);
}

TBlob* TDAParam::AsMemoRef()
{
    if (DataType() == ftUnknown) {
        if (auto* held = dynamic_cast<TBlob*>(FParamObject))
            SetPlatformDataType(held->IsUnicode() ? ftWideMemo : ftMemo);
        else if (FParamObject)
            SetPlatformDataType(ftMemo);
        else
            SetDataType(ftMemo);
    }
    return Blob();
}

void TDAParam::SetAsMemoRef(TBlob* Value)
{
    SetPlatformDataType(Value && Value->IsUnicode() ? ftWideMemo : ftMemo);
    SetParamObject(Value);
}

TCRCursor* TDAParam::GetAsCursor()
{
    if (DataType() == ftUnknown)
        SetDataType(ftCursor);
    return DataType() == ftCursor ? dynamic_cast<TCRCursor*>(FParamObject) : nullptr;
}

void TDAParam::AssignFieldValue(TField* Field, const Variant& Value)
{
    if (!Field)
        return;
    // Fixed-length text fields carry ftFixedChar and ftFixedWideChar themselves.
    TFieldType type = Field->DataType();
    if (type == ftMemo && Field->Size() > 255)
        type = ftString;  // a long text column shown as a memo
    else if (type == ftWideMemo && Field->Size() > 255)
        type = ftWideString;
    SetDataType(type);
    if (Value.IsNull() || Value.IsEmpty())
        Clear();
    else
        SetValue(Value);
}

void TDAParam::LoadFromStream(core::Stream& Stream, TFieldType BlobType)
{
    if (!IsLoadableBlobType(BlobType))
        throw core::Exception(DataTypeNotSupported);
    // Checked before the type changes, so that a type without an object leaves the parameter as it was.
    CORE_ASSERT(IsObjectDataType(BlobType), DataTypeNotSupported);
    SetDataType(BlobType);
    TBlob* blob = Blob();
    CORE_ASSERT(blob != nullptr, DataTypeNotSupported);
    Stream.SetPosition(0);
    blob->LoadFromStream(Stream);
}

void TDAParam::LoadFromFile(const String& FileName, TFieldType BlobType)
{
    core::FileStream stream(FileName, core::fmOpenRead | core::fmShareDenyWrite);
    LoadFromStream(stream, BlobType);
}

void TDAParam::SetBlobData(const void* Buffer, int Size)
{
    CORE_ASSERT(Size >= 0 && (Buffer != nullptr || Size == 0), u"Invalid blob data");
    const auto* bytes = static_cast<const uint8_t*>(Buffer);
    SetAsBlob(Size ? Variant::Bytes(bytes, bytes + Size) : Variant::Bytes());
}

void TDAParam::SetBlobData(const char* Buffer)
{
    SetDataType(ftBlob);
    TBlob* blob = Blob();
    CORE_ASSERT(blob != nullptr, DataTypeNotSupported);
    // The bytes as they are: an ANSI blob keeps ANSI text unconverted.
    blob->SetAsAnsiString(Buffer ? AnsiString(Buffer) : AnsiString());
    SetBound(true);
}

void TDAParam::AssignField(TField* Field)
{
    if (!Field)
        return;
    AssignFieldValue(Field, Field->Value());
    SetName(Field->FieldName());
}

void TDAParam::AssignParam(const TParam& Source)
{
    SetDataType(Source.DataType());
    if (Source.TParam::IsNull())
        Clear();
    else if (Blob() && !dynamic_cast<const TDAParam*>(&Source))
        SetValue(Source.Value());
    else
        SetRawValue(Source.TParam::Value());
    SetName(Source.Name());
    if (ParamType() == ptUnknown)
        SetParamType(Source.ParamType());
}

void TDAParam::Assign(const core::Persistent& Source)
{
    if (&Source == this)
        return;
    if (auto* param = dynamic_cast<const TDAParam*>(&Source)) {
        AssignParam(*param);
        FSize = param->FSize;
        TParam::SetSize(param->TParam::Size());
        SetParamObject(param->FParamObject);
        FNational = param->FNational;
    } else if (auto* other = dynamic_cast<const TParam*>(&Source)) {
        AssignParam(*other);
    } else if (auto* field = dynamic_cast<const TField*>(&Source)) {
        AssignField(const_cast<TField*>(field));
    } else if (auto* persist = dynamic_cast<const IStreamPersist*>(&Source)) {
        Assign(*persist);
        return;
    } else {
        core::CollectionItem::Assign(Source);
    }
    Changed(false);
}

void TDAParam::Assign(const core::Strings& Source)
{
    SetAsMemo(Source.Text());
}

void TDAParam::Assign(const IStreamPersist& Source)
{
    if (!IsLoadableBlobType(DataType()))
        throw core::Exception(DataTypeNotSupported);
    core::MemoryStream stream;
    Source.SaveToStream(stream);
    LoadFromStream(stream, DataType());
}

bool TDAParam::IsDataTypeStored() const
{
    return (int(DataType()) & 0x7F) <= LastPlatformDataType;
}

bool TDAParam::IsValueStored() const
{
    return Bound() && !Value().IsArray();
}

std::vector<ui::BinaryProperty> TDAParam::BinaryProperties()
{
    ui::BinaryProperty ext;
    ext.name = u"ExtDataType";
    ext.read = [this](core::Stream& bytes) {
        const int32_t type = bytes.ReadInt32();
        if (type < 0 || type > 0xFF)
            throw core::EReadError(u"Invalid data type " + core::IntToStr(type));
        SetDataType(TFieldType(type));
    };
    ext.write = [this](core::Stream& out) { out.WriteInt32(int32_t(DataType())); };
    ext.stored = !IsDataTypeStored();
    return {std::move(ext)};
}

// ---- TDAParams ----

TDAParams::TDAParams(core::Persistent* Owner)
    : TParams(Owner, [](core::Collection* c) { return new TDAParam(c); })
{
}

void TDAParams::DisconnectObjects()
{
    for (int i = 0; i < Count(); ++i)
        if (TSharedObject* object = Items(i)->GetParamObject())
            object->Disconnect();
}

void TDAParams::Update(core::CollectionItem* item)
{
    if (FNeedsUpdateItem)
        TParams::Update(item);
}

} // namespace data
