// Parameters of statements and procedures: a named, typed variant value with a direction, kept in
// an ordered collection where names are matched without case. Writing a value through one of the
// typed setters gives an untyped parameter that type; reading converts the value the variant way
// (a missing value reads as the neutral value of the kind asked for).
#pragma once

#include "core/bcd.h"
#include "core/collection.h"
#include "core/currency.h"
#include "core/datetime.h"
#include "core/sqltimestamp.h"
#include "core/variant.h"
#include "data/dataset/dbtypes.h"

namespace data {

using core::Variant;

class TField;
class TParams;

enum TParamType : uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam : public core::CollectionItem {
public:
    explicit TParam(core::Collection* collection = nullptr);
    TParam(TParams* params, TParamType paramType);

    // ---- Shape ----
    const String& Name() const { return m_name; }
    void SetName(StringView name);
    String DisplayName() const override;
    virtual TFieldType DataType() const { return m_data_type; }
    virtual void SetDataType(TFieldType type);
    TParamType ParamType() const { return m_param_type; }
    void SetParamType(TParamType type) { m_param_type = type; }
    // Whether a value was given (a Null counts once written).
    bool Bound() const { return m_bound; }
    void SetBound(bool value) { m_bound = value; }
    virtual int Size() const { return m_size; }
    virtual void SetSize(int size) { m_size = size; }
    uint8_t Precision() const { return m_precision; }
    void SetPrecision(uint8_t value) { m_precision = value; }
    int NumericScale() const { return m_numeric_scale; }
    void SetNumericScale(int value) { m_numeric_scale = value; }

    // ---- Value ----
    virtual Variant Value() const;
    // An untyped parameter takes the type of the variant's kind.
    virtual void SetValue(const Variant& value);
    // Null or Empty.
    virtual bool IsNull() const;
    // Empties the value; type, name and direction stay.
    virtual void Clear();
    String Text() const { return AsString(); }
    virtual void SetText(StringView text);

    virtual String AsString() const;
    virtual void SetAsString(StringView value);
    virtual String AsAnsiString() const;
    virtual void SetAsAnsiString(StringView value);
    virtual String AsWideString() const;
    virtual void SetAsWideString(StringView value);
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t value);
    int16_t AsSmallInt() const { return int16_t(AsInteger()); }
    virtual void SetAsSmallInt(int16_t value);
    uint16_t AsWord() const { return uint16_t(AsInteger()); }
    virtual void SetAsWord(uint16_t value);
    int8_t AsShortInt() const { return int8_t(AsInteger()); }
    virtual void SetAsShortInt(int8_t value);
    uint8_t AsByte() const { return uint8_t(AsInteger()); }
    virtual void SetAsByte(uint8_t value);
    virtual int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(int64_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    core::Currency AsCurrency() const;
    void SetAsCurrency(core::Currency value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    core::TDateTime AsDate() const { return AsDateTime(); }
    void SetAsDate(core::TDateTime value);
    core::TDateTime AsTime() const { return AsDateTime(); }
    void SetAsTime(core::TDateTime value);
    core::TDateTime AsDateTime() const;
    void SetAsDateTime(core::TDateTime value);
    // The 4-decimal exact kind of ftBCD.
    core::Currency AsBCD() const;
    void SetAsBCD(core::Currency value);
    core::Bcd AsFMTBCD() const;
    void SetAsFMTBCD(const core::Bcd& value);
    virtual core::SQLTimeStamp AsSQLTimeStamp() const;
    virtual void SetAsSQLTimeStamp(const core::SQLTimeStamp& value);
    virtual Variant::Bytes AsBytes() const;
    virtual void SetAsBytes(const Variant::Bytes& value);
    Variant::Bytes AsBlob() const { return AsBytes(); }
    virtual void SetAsBlob(const Variant::Bytes& value);
    String AsMemo() const { return AsString(); }
    virtual void SetAsMemo(StringView value);

    // ---- Copying ----
    // From a parameter (everything; the direction only into an unknown one) or a field
    // (AssignField); anything else raises the assignment error.
    void Assign(const core::Persistent& source) override;
    // Type, value and name of field; nothing for null.
    void AssignField(TField* field);
    // Type from field, then value (Null clears).
    virtual void AssignFieldValue(TField* field, const Variant& value);

protected:
    // A field destination receives the value.
    void AssignTo(core::Persistent& dest) const override;
    // The value as stored, without conversions: for descendants that keep it elsewhere.
    const Variant& RawValue() const { return m_value; }
    void SetRawValue(const Variant& value) { m_value = value; }

private:
    void AssignParam(const TParam& source);
    // Stores value, typing an untyped parameter as type.
    void Put(TFieldType type, const Variant& value);

    String m_name;
    Variant m_value;
    TFieldType m_data_type = ftUnknown;
    TParamType m_param_type = ptUnknown;
    bool m_bound = false;
    int m_size = 0;
    uint8_t m_precision = 0;
    int m_numeric_scale = 0;
};

class TParams : public core::Collection {
public:
    // Without a factory the items are plain TParam objects; owner is not owned.
    explicit TParams(core::Persistent* owner = nullptr, ItemFactory factory = {});

    TParam* Items(int index) const { return static_cast<TParam*>(Collection::Items(index)); }
    TParam* operator[](int index) const { return Items(index); }
    // The first parameter in order whose name matches without case; null when none.
    TParam* FindParam(StringView name) const;
    // Raises EDatabaseError "Parameter '%s' not found".
    TParam* ParamByName(StringView name) const;
    // A new parameter at the end, typed through its own SetDataType.
    TParam* CreateParam(TFieldType type, StringView name, TParamType paramType);
    // Moves param into this list, or out of it (the caller then owns it).
    void AddParam(TParam* param);
    void RemoveParam(TParam* param);
    // The values of a ";"-separated list of names: one value, or an array of them.
    Variant ParamValues(StringView names) const;
    void SetParamValues(StringView names, const Variant& value);
    // Every parameter of source whose name is found here is copied into it.
    void AssignValues(const TParams& source);
    // Same count and, in order, same names, types, directions, binding and values.
    bool IsEqual(const TParams& other) const;
    // The parameters' names, ";"-separated, in order.
    String ParamNames() const;

protected:
    void Update(core::CollectionItem* item) override;
};

} // namespace data
