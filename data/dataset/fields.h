// The field classes, one per group of field types, each with its field-buffer form:
//   string, fixed char, GUID   ANSI text, zero-terminated (Size + 1 bytes)
//   wide string, fixed wide    UTF-16 text, zero-terminated (2 x (Size + 1) bytes)
//   smallint / integer / word / large integer   int16 / int32 / uint16 / int64
//   short integer, byte, long word              int8, uint8, uint32; single  float
//   Boolean                    16 bits, non-zero true
//   float, currency, extended  double
//   BCD                        8-byte currency (ten-thousandths)
//   FMT BCD                    the 34-byte packed decimal
//   time stamp                 the 16-byte SQL time stamp
//   date / time                int32 day number (1 January 0001 = 1) / int32 milliseconds of the day
//   date-time                  double milliseconds since 1 January 0001
//   bytes / var bytes          raw Size bytes / 16-bit length and the bytes
//   variant                    a pointer to a Variant (null: Null); a store copies the value it is
//                              handed and hands out a pointer to its own copy
// Blob fields have no buffer form: they go through the dataset's blob stream.
#pragma once

#include "core/stream.h"
#include "data/dataset/field.h"

#include <memory>

namespace data {

class TStringField : public TField {
public:
    explicit TStringField(core::Component* owner = nullptr, TFieldType type = ftString);
    int DataSize() const override { return Size() + 1; }
    bool FixedChar() const { return DataType() == ftFixedChar; }
    String AsString() const override;
    void SetAsString(StringView value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsString(core::IntToStr(value)); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override { SetAsString(core::IntToStr(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? u"T" : u"F"); }
    core::TDateTime AsDateTime() const override;
    void SetAsDateTime(core::TDateTime value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsString(value.AsString()); }
};

class TGuidField : public TStringField {
public:
    explicit TGuidField(core::Component* owner = nullptr);
};

class TWideStringField : public TField {
public:
    explicit TWideStringField(core::Component* owner = nullptr, TFieldType type = ftWideString);
    int DataSize() const override { return (Size() + 1) * 2; }
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsString(value.AsString()); }
};

// Integers of every width: the width and range come from the field type.
class TNumericField : public TField {
public:
    using TField::TField;
    // The display format, as the float formatting takes it ("" is the general form).
    const String& DisplayFormat() const { return m_display_format; }
    void SetDisplayFormat(StringView format) { m_display_format = String(format); }

private:
    String m_display_format;
};

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(core::Component* owner = nullptr, TFieldType type = ftInteger);
    int DataSize() const override;
    // A range of 0 to 0 means the range of the type.
    int64_t MinValue() const { return m_min; }
    void SetMinValue(int64_t value) { m_min = value; }
    int64_t MaxValue() const { return m_max; }
    void SetMaxValue(int64_t value) { m_max = value; }
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override;
    double AsFloat() const override { return double(AsLargeInt()); }
    void SetAsFloat(double value) override;
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    bool GetValue(int64_t& value) const;
    void CheckRange(int64_t value) const;
    String GetText(bool displayText) const override;
    void SetVarValue(const Variant& value) override { SetAsLargeInt(value.AsInt64()); }

private:
    int64_t m_min = 0;
    int64_t m_max = 0;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(core::Component* owner = nullptr) : TIntegerField(owner, ftSmallint) {}
};
class TWordField : public TIntegerField {
public:
    explicit TWordField(core::Component* owner = nullptr) : TIntegerField(owner, ftWord) {}
};
class TShortintField : public TIntegerField {
public:
    explicit TShortintField(core::Component* owner = nullptr) : TIntegerField(owner, ftShortint) {}
};
class TByteField : public TIntegerField {
public:
    explicit TByteField(core::Component* owner = nullptr) : TIntegerField(owner, ftByte) {}
};
class TLongWordField : public TIntegerField {
public:
    explicit TLongWordField(core::Component* owner = nullptr) : TIntegerField(owner, ftLongWord) {}
};
class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(core::Component* owner = nullptr);
};
class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(core::Component* owner = nullptr) : TIntegerField(owner, ftLargeint) {}
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(core::Component* owner = nullptr, TFieldType type = ftFloat);
    int DataSize() const override { return DataType() == ftSingle ? 4 : 8; }
    // Significant digits of the text form (15 by default).
    int Precision() const { return m_precision; }
    void SetPrecision(int value);
    // A range of 0 to 0 means no range.
    double MinValue() const { return m_min; }
    void SetMinValue(double value) { m_min = value; }
    double MaxValue() const { return m_max; }
    void SetMaxValue(double value) { m_max = value; }
    bool Currency() const { return m_currency; }
    void SetCurrency(bool value) { m_currency = value; }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsFloat(value); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override { SetAsFloat(double(value)); }
    core::Currency AsCurrency() const override { return core::Currency::FromDouble(AsFloat()); }
    void SetAsCurrency(core::Currency value) override { SetAsFloat(value.ToDouble()); }
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    bool GetValue(double& value) const;
    String GetText(bool displayText) const override;
    void SetVarValue(const Variant& value) override { SetAsFloat(value.AsDouble()); }

private:
    int m_precision = 15;
    double m_min = 0;
    double m_max = 0;
    bool m_currency = false;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(core::Component* owner = nullptr);
};
class TExtendedField : public TFloatField {
public:
    explicit TExtendedField(core::Component* owner = nullptr) : TFloatField(owner, ftExtended) {}
};
class TSingleField : public TFloatField {
public:
    explicit TSingleField(core::Component* owner = nullptr) : TFloatField(owner, ftSingle) {}
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(core::Component* owner = nullptr);
    int DataSize() const override { return 2; }
    // "True;False" by default: the texts of the two values.
    const String& DisplayValues() const { return m_display_values; }
    void SetDisplayValues(StringView values);
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsBoolean(value.AsBoolean()); }

private:
    String m_display_values = u"True;False";
    String m_true_text = u"True";
    String m_false_text = u"False";
};

// Dates and times: the value form is TDateTime; the buffer form is given above by type.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(core::Component* owner = nullptr, TFieldType type = ftDateTime);
    int DataSize() const override { return DataType() == ftDateTime ? 8 : 4; }
    const String& DisplayFormat() const { return m_display_format; }
    void SetDisplayFormat(StringView format) { m_display_format = String(format); }
    core::TDateTime AsDateTime() const override;
    void SetAsDateTime(core::TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    String AsString() const override { return GetText(false); }
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    String GetText(bool displayText) const override;
    void SetVarValue(const Variant& value) override { SetAsDateTime(value.AsDateTime()); }

private:
    String m_display_format;
};
class TDateField : public TDateTimeField {
public:
    explicit TDateField(core::Component* owner = nullptr) : TDateTimeField(owner, ftDate) {}
};
class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(core::Component* owner = nullptr) : TDateTimeField(owner, ftTime) {}
};

// A fixed-point number kept as currency; Size is the number of decimals, Precision the digits.
class TBCDField : public TNumericField {
public:
    explicit TBCDField(core::Component* owner = nullptr);
    int DataSize() const override { return 8; }
    int Precision() const { return m_precision; }
    void SetPrecision(int value) { m_precision = value; }
    // A range of 0 to 0 means no range.
    core::Currency MinValue() const { return m_min; }
    void SetMinValue(core::Currency value) { m_min = value; }
    core::Currency MaxValue() const { return m_max; }
    void SetMaxValue(core::Currency value) { m_max = value; }
    core::Currency AsCurrency() const override;
    void SetAsCurrency(core::Currency value) override;
    double AsFloat() const override { return AsCurrency().ToDouble(); }
    void SetAsFloat(double value) override { SetAsCurrency(core::Currency::FromDouble(value)); }
    int32_t AsInteger() const override { return int32_t(AsCurrency().Round()); }
    void SetAsInteger(int32_t value) override { SetAsCurrency(core::Currency::FromInt(value)); }
    int64_t AsLargeInt() const override { return AsCurrency().Round(); }
    void SetAsLargeInt(int64_t value) override { SetAsCurrency(core::Currency::FromInt(value)); }
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsCurrency(value.AsCurrency()); }

private:
    int m_precision = 0;
    core::Currency m_min;
    core::Currency m_max;
};

// An exact decimal of up to 64 digits; Size is the number of decimals, Precision the digits (0: any).
class TFMTBCDField : public TNumericField {
public:
    explicit TFMTBCDField(core::Component* owner = nullptr);
    int DataSize() const override { return int(sizeof(core::Bcd)); }
    int Precision() const { return m_precision; }
    void SetPrecision(int value) { m_precision = value; }
    // An empty bound means no bound.
    const String& MinValue() const { return m_min; }
    void SetMinValue(StringView value) { m_min = String(value); }
    const String& MaxValue() const { return m_max; }
    void SetMaxValue(StringView value) { m_max = String(value); }
    core::Bcd AsBcd() const;
    void SetAsBcd(const core::Bcd& value);
    core::Currency AsCurrency() const override { return core::BcdToCurr(AsBcd()); }
    void SetAsCurrency(core::Currency value) override { SetAsBcd(core::CurrToBcd(value)); }
    double AsFloat() const override { return core::BcdToDouble(AsBcd()); }
    void SetAsFloat(double value) override { SetAsBcd(core::DoubleToBcd(value)); }
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsBcd(core::IntegerToBcd(value)); }
    int64_t AsLargeInt() const override { return core::BcdToInt64(AsBcd()); }
    void SetAsLargeInt(int64_t value) override { SetAsBcd(core::IntegerToBcd(value)); }
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsBcd(value.AsBcd()); }

private:
    int m_precision = 0;
    String m_min;
    String m_max;
};

// A date and time as a database hands it over (year to milliseconds, field by field).
class TSQLTimeStampField : public TField {
public:
    explicit TSQLTimeStampField(core::Component* owner = nullptr);
    int DataSize() const override { return int(sizeof(core::SQLTimeStamp)); }
    const String& DisplayFormat() const { return m_display_format; }
    void SetDisplayFormat(StringView format) { m_display_format = String(format); }
    core::SQLTimeStamp AsSQLTimeStamp() const;
    void SetAsSQLTimeStamp(const core::SQLTimeStamp& value);
    core::TDateTime AsDateTime() const override { return core::SQLTimeStampToDateTime(AsSQLTimeStamp()); }
    void SetAsDateTime(core::TDateTime value) override { SetAsSQLTimeStamp(core::DateTimeToSQLTimeStamp(value)); }
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    String GetText(bool displayText) const override;
    void SetVarValue(const Variant& value) override { SetAsSQLTimeStamp(value.AsSQLTimeStamp()); }

private:
    String m_display_format;
};

class TBytesField : public TField {
public:
    explicit TBytesField(core::Component* owner = nullptr, TFieldType type = ftBytes);
    int DataSize() const override { return DataType() == ftVarBytes ? Size() + 2 : Size(); }
    Variant::Bytes AsBytes() const override;
    void SetAsBytes(const Variant::Bytes& value) override;
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;

protected:
    void SetVarValue(const Variant& value) override { SetAsBytes(value.AsBytes()); }
};
class TVarBytesField : public TBytesField {
public:
    explicit TVarBytesField(core::Component* owner = nullptr) : TBytesField(owner, ftVarBytes) {}
};

// Binary and text large objects, read and written whole through the dataset's blob stream.
class TBlobField : public TField {
public:
    explicit TBlobField(core::Component* owner = nullptr, TFieldType type = ftBlob);
    bool IsBlob() const override { return true; }
    int BlobSize() const;
    // An empty blob is Null.
    void Clear() override { WriteAll(nullptr, 0); }
    Variant::Bytes AsBytes() const override;
    void SetAsBytes(const Variant::Bytes& value) override;
    String AsString() const override;
    void SetAsString(StringView value) override;
    Variant AsVariant() const override;
    void LoadFromStream(core::Stream& stream);
    void SaveToStream(core::Stream& stream) const;

protected:
    String GetText(bool displayText) const override;
    void SetVarValue(const Variant& value) override;
    std::string ReadAll() const;
    void WriteAll(const void* data, size_t size);
};
class TMemoField : public TBlobField {
public:
    explicit TMemoField(core::Component* owner = nullptr) : TBlobField(owner, ftMemo) {}
};
class TWideMemoField : public TBlobField {
public:
    explicit TWideMemoField(core::Component* owner = nullptr) : TBlobField(owner, ftWideMemo) {}
};

class TVariantField : public TField {
public:
    explicit TVariantField(core::Component* owner = nullptr);
    int DataSize() const override { return int(sizeof(const Variant*)); }
    Variant AsVariant() const override;
    String AsString() const override { return core::VarToStr(AsVariant()); }
    void SetAsString(StringView value) override { SetVarValue(Variant(value)); }
    int32_t AsInteger() const override { return AsVariant().AsInteger(); }
    void SetAsInteger(int32_t value) override { SetVarValue(Variant(value)); }
    double AsFloat() const override { return AsVariant().AsDouble(); }
    void SetAsFloat(double value) override { SetVarValue(Variant(value)); }
    bool AsBoolean() const override { return AsVariant().AsBoolean(); }
    void SetAsBoolean(bool value) override { SetVarValue(Variant(value)); }

protected:
    void SetVarValue(const Variant& value) override;
};

// Structured fields: an object type (ADT) or an array, whose children are fields of their own.
class TObjectField : public TField {
public:
    TObjectField(core::Component* owner, TFieldType type);
    ~TObjectField() override;
    TFields& Fields() { return *m_fields; }
    const TFields& Fields() const { return *m_fields; }
    const String& ObjectType() const { return m_object_type; }
    void SetObjectType(StringView name) { m_object_type = String(name); }
    // The values of the children, as an array.
    Variant AsVariant() const override;
    String AsString() const override;

protected:
    void SetVarValue(const Variant& value) override;

private:
    std::unique_ptr<TFields> m_fields;
    String m_object_type;
};
class TADTField : public TObjectField {
public:
    explicit TADTField(core::Component* owner = nullptr) : TObjectField(owner, ftADT) {}
};
class TArrayField : public TObjectField {
public:
    explicit TArrayField(core::Component* owner = nullptr) : TObjectField(owner, ftArray) {}
};

// A field whose value is a dataset of its own (a nested table); the nested dataset receives the
// parent's scroll events.
class TDataSetField : public TObjectField {
public:
    explicit TDataSetField(core::Component* owner = nullptr, TFieldType type = ftDataSet);
    ~TDataSetField() override;
    TDataSet* NestedDataSet() const { return m_nested; }
    void SetNestedDataSet(TDataSet* dataSet);

private:
    TDataSet* m_nested = nullptr;
};
class TReferenceField : public TDataSetField {
public:
    explicit TReferenceField(core::Component* owner = nullptr) : TDataSetField(owner, ftReference) {}
};

// Makes a field of the class that stands for type; null for a type without one.
using FieldFactory = TField* (*)(core::Component* owner);
FieldFactory DefaultFieldClass(TFieldType type);

} // namespace data
