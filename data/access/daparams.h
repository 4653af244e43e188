// The parameters of the database access layer: the dataset framework's parameter with a value object
// for large values (a blob for byte and memo data, a provider cursor for cursor parameters), a size of
// its own, a national-character flag and a provider subtype; and their collection.
//
// The value object is shared and counted: a parameter holds one reference, and a parameter assigned
// from another shares the other's object.
#pragma once

#include "core/stringlist.h"
#include "data/access/crcursor.h"
#include "data/dataset/params.h"
#include "data/storage/blob.h"
#include "ui/binaryprops.h"

#include <vector>

namespace data {

// An object that writes itself to a stream and reads itself back; a parameter of a blob type can be
// assigned from one.
class IStreamPersist {
public:
    virtual void LoadFromStream(core::Stream& Stream) = 0;
    virtual void SaveToStream(core::Stream& Stream) const = 0;

protected:
    ~IStreamPersist() = default;
};

// The highest data type number of the dataset framework; a parameter with a higher (provider) number
// stores it under "ExtDataType".
inline constexpr int LastPlatformDataType = int(ftSingle);

class TDAParam : public TParam {
public:
    // A new parameter is bound from the start.
    explicit TDAParam(core::Collection* collection = nullptr);
    ~TDAParam() override;

    // ---- Value object ----
    virtual TSharedObject* GetParamObject() const { return FParamObject; }
    // Holds one more reference to Value (null releases the current object only).
    virtual void SetParamObject(TSharedObject* Value);
    virtual bool IsObjectDataType(TFieldType DataType) const;
    virtual bool IsBlobDataType(TFieldType DataType) const;
    virtual bool IsBlob() const { return IsBlobDataType(DataType()); }
    bool IsObject() const { return IsObjectDataType(DataType()); }

    // ---- Shape ----
    // A change of type frees an object of the old type, resets the subtype and makes an object for
    // the new one.
    void SetDataType(TFieldType Value) override;
    // The provider's size, separate from the framework's.
    int Size() const override { return FSize; }
    void SetSize(int Value) override { FSize = Value; }
    uint16_t SubDataType() const { return FSubDataType; }
    void SetSubDataType(uint16_t Value) { FSubDataType = Value; }
    bool National() const { return FNational; }
    virtual void SetNational(bool Value) { FNational = Value; }

    // ---- Value ----
    // The numeric, date and time stamp accessors are the framework's. With a blob, the text, byte
    // and variant accessors below go to the blob.
    String AsString() const override;
    void SetAsString(StringView Value) override;
    // Dates in the short date format, without the time.
    String AsAnsiString() const override;
    void SetAsAnsiString(StringView Value) override;
    String AsWideString() const override;
    void SetAsWideString(StringView Value) override;
    Variant::Bytes AsBytes() const override;
    void SetAsBytes(const Variant::Bytes& Value) override;
    void SetAsBlob(const Variant::Bytes& Value) override;
    // Assertion failure when the memo has no blob.
    void SetAsMemo(StringView Value) override;
    // An untyped parameter becomes ftBlob; null when it holds no blob.
    virtual TBlob* AsBlobRef();
    // Shares Value; the type becomes ftBlob without a new object.
    virtual void SetAsBlobRef(TBlob* Value);
    // An untyped parameter becomes ftMemo (ftWideMemo over a Unicode blob); null without a blob.
    virtual TBlob* AsMemoRef();
    virtual void SetAsMemoRef(TBlob* Value);
    Variant Value() const override;
    void SetValue(const Variant& Value) override;
    void SetText(StringView Value) override;
    bool IsNull() const override;
    // An untyped parameter becomes ftCursor; the cursor of an ftCursor parameter, else null.
    TCRCursor* GetAsCursor();

    // ---- Object lifetime ----
    // Assertion failure when an object is held already.
    virtual void CreateObject();
    virtual void FreeObject();
    // Empties a blob, else the value.
    void Clear() override;

    // ---- Copying ----
    void AssignFieldValue(TField* Field, const Variant& Value) override;
    // Blob types only (ftOraBlob and ftOraClob need a provider's object); Exception "Data type is not
    // supported" otherwise, the parameter unchanged.
    virtual void LoadFromStream(core::Stream& Stream, TFieldType BlobType);
    void LoadFromFile(const String& FileName, TFieldType BlobType);
    // Size bytes as a blob.
    void SetBlobData(const void* Buffer, int Size);
    // A zero-terminated ANSI text as a blob.
    void SetBlobData(const char* Buffer);
    void AssignField(TField* Field);
    // From a parameter (a TDAParam's object is shared), a field, a string list or a stream-persistent
    // object; anything else is the assignment error.
    void Assign(const core::Persistent& Source) override;
    void Assign(const core::Strings& Source);
    void Assign(const IStreamPersist& Source);

    // ---- Streaming ----
    bool IsDataTypeStored() const;
    bool IsValueStored() const;
    // "ExtDataType": the data type number when it is above the framework's.
    std::vector<ui::BinaryProperty> BinaryProperties();

private:
    // The blob of a blob type, else null.
    TBlob* Blob() const { return IsBlob() ? dynamic_cast<TBlob*>(FParamObject) : nullptr; }
    // The framework's copy from a parameter, with the value into the blob when this one has one.
    void AssignParam(const TParam& Source);
    // Sets the framework's type only, keeping the object.
    void SetPlatformDataType(TFieldType Value) { TParam::SetDataType(Value); }

    int FSize = 0;
    uint16_t FSubDataType = 0;
    TSharedObject* FParamObject = nullptr;  // one reference held
    bool FNational = false;
};

class TDAParams : public TParams {
public:
    explicit TDAParams(core::Persistent* Owner = nullptr);

    TDAParam* Items(int index) const { return static_cast<TDAParam*>(TParams::Items(index)); }
    TDAParam* operator[](int index) const { return Items(index); }
    TDAParam* FindParam(StringView Value) const { return static_cast<TDAParam*>(TParams::FindParam(Value)); }
    // EDatabaseError "Parameter '%s' not found".
    TDAParam* ParamByName(StringView Value) const { return static_cast<TDAParam*>(TParams::ParamByName(Value)); }
    // Typed through TDAParam::SetDataType, so object types get their object.
    TDAParam* CreateParam(TFieldType FldType, StringView ParamName, TParamType ParamType)
    {
        return static_cast<TDAParam*>(TParams::CreateParam(FldType, ParamName, ParamType));
    }
    // Every value object lets go of its server resources (a blob keeps its data).
    void DisconnectObjects();

    // While false, item changes are not passed on.
    bool NeedsUpdateItem() const { return FNeedsUpdateItem; }
    void SetNeedsUpdateItem(bool Value) { FNeedsUpdateItem = Value; }

protected:
    void Update(core::CollectionItem* item) override;

private:
    bool FNeedsUpdateItem = true;
};

// Fixed text.
inline constexpr core::Char DataTypeNotSupported[] = u"Data type is not supported";

} // namespace data
