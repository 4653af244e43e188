// The field classes: conversions between the field-buffer forms and values.
#include "data/dataset/fields.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/format.h"
#include "data/dataset/dataset.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace data {

namespace {

[[noreturn]] void InvalidValue(StringView text, const TField& field)
{
    throw core::EConvertError(core::Format(texts::InvalidFieldValue, {text, field.DisplayName()}));
}

template <class Value>
[[noreturn]] void RangeError(const TField& field, Value value, Value min, Value max)
{
    auto text = [](auto v) {
        if constexpr (std::is_floating_point_v<decltype(v)>)
            return core::FloatToStr(v);
        else if constexpr (std::is_same_v<decltype(v), core::Currency>)
            return core::CurrToStr(v);
        else
            return core::IntToStr(v);
    };
    throw EDatabaseError(core::Format(texts::FieldRangeError,
                                      {text(value), field.DisplayName(), text(min), text(max)}));
}

} // namespace

// ---- Strings ----

TStringField::TStringField(core::Component* owner, TFieldType type) : TField(owner, type)
{
    if (Size() == 0)
        SetSize(20);
}

String TStringField::AsString() const
{
    std::string buffer(size_t(DataSize()), '\0');
    if (!GetData(buffer.data()))
        return String();
    buffer.resize(std::strlen(buffer.c_str()));
    if (FixedChar())
        while (!buffer.empty() && buffer.back() == ' ')
            buffer.pop_back();
    return core::FromAnsi(buffer);
}

void TStringField::SetAsString(StringView value)
{
    std::string bytes = core::ToAnsi(value);
    // Longer text is cut at the field's size, as the source column would.
    if (int(bytes.size()) > Size())
        bytes.resize(size_t(Size()));
    bytes.resize(size_t(DataSize()), '\0');
    SetData(bytes.data());
}

Variant TStringField::AsVariant() const
{
    if (IsNull())
        return Variant::Null();
    return Variant(AsString());
}

int32_t TStringField::AsInteger() const
{
    return core::StrToInt(AsString());
}

int64_t TStringField::AsLargeInt() const
{
    return core::StrToInt64(AsString());
}

double TStringField::AsFloat() const
{
    return core::StrToFloat(AsString());
}

void TStringField::SetAsFloat(double value)
{
    SetAsString(core::FloatToStr(value));
}

bool TStringField::AsBoolean() const
{
    String text = AsString();
    return !text.empty() && (text[0] == u'T' || text[0] == u't' || text[0] == u'Y' || text[0] == u'y');
}

core::TDateTime TStringField::AsDateTime() const
{
    return Variant(AsString()).AsDateTime();
}

void TStringField::SetAsDateTime(core::TDateTime value)
{
    SetAsString(core::DateTimeToStr(value));
}

TGuidField::TGuidField(core::Component* owner) : TStringField(owner, ftGuid)
{
    SetSize(38);
}

TWideStringField::TWideStringField(core::Component* owner, TFieldType type) : TField(owner, type)
{
    if (Size() == 0)
        SetSize(20);
}

String TWideStringField::AsString() const
{
    String buffer(size_t(Size() + 1), u'\0');
    if (!GetData(buffer.data()))
        return String();
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    return buffer;
}

void TWideStringField::SetAsString(StringView value)
{
    String buffer(value.substr(0, size_t(Size())));
    buffer.resize(size_t(Size() + 1), u'\0');
    SetData(buffer.data());
}

Variant TWideStringField::AsVariant() const
{
    if (IsNull())
        return Variant::Null();
    return Variant(AsString());
}

// ---- Integers ----

namespace {

struct IntegerShape {
    int size;
    bool is_signed;
    int64_t min;
    int64_t max;
};

IntegerShape ShapeOf(TFieldType type)
{
    switch (type) {
    case ftSmallint: return {2, true, INT16_MIN, INT16_MAX};
    case ftWord: return {2, false, 0, UINT16_MAX};
    case ftShortint: return {1, true, INT8_MIN, INT8_MAX};
    case ftByte: return {1, false, 0, UINT8_MAX};
    case ftLongWord: return {4, false, 0, UINT32_MAX};
    case ftLargeint: return {8, true, INT64_MIN, INT64_MAX};
    default: return {4, true, INT32_MIN, INT32_MAX};
    }
}

} // namespace

TIntegerField::TIntegerField(core::Component* owner, TFieldType type) : TNumericField(owner, type) {}

int TIntegerField::DataSize() const
{
    return ShapeOf(DataType()).size;
}

bool TIntegerField::GetValue(int64_t& value) const
{
    uint8_t buffer[8] = {};
    if (!GetData(buffer))
        return false;
    IntegerShape shape = ShapeOf(DataType());
    switch (shape.size) {
    case 1: value = shape.is_signed ? int64_t(int8_t(buffer[0])) : int64_t(buffer[0]); break;
    case 2: {
        uint16_t v;
        std::memcpy(&v, buffer, 2);
        value = shape.is_signed ? int64_t(int16_t(v)) : int64_t(v);
        break;
    }
    case 4: {
        uint32_t v;
        std::memcpy(&v, buffer, 4);
        value = shape.is_signed ? int64_t(int32_t(v)) : int64_t(v);
        break;
    }
    default: std::memcpy(&value, buffer, 8); break;
    }
    return true;
}

int32_t TIntegerField::AsInteger() const
{
    int64_t value = 0;
    GetValue(value);
    if (value < INT32_MIN || value > INT32_MAX)
        throw core::ERangeError(u"Range check error");
    return int32_t(value);
}

int64_t TIntegerField::AsLargeInt() const
{
    int64_t value = 0;
    GetValue(value);
    return value;
}

void TIntegerField::CheckRange(int64_t value) const
{
    IntegerShape shape = ShapeOf(DataType());
    int64_t min = shape.min;
    int64_t max = shape.max;
    if (m_min != 0 || m_max != 0) {
        min = m_min;
        max = m_max;
    }
    if (value < min || value > max)
        RangeError(*this, value, min, max);
}

void TIntegerField::SetAsLargeInt(int64_t value)
{
    CheckRange(value);
    uint8_t buffer[8];
    std::memcpy(buffer, &value, 8);  // little-endian: the low bytes are the narrow forms
    SetData(buffer);
}

void TIntegerField::SetAsFloat(double value)
{
    if (!(std::fabs(value) < 9.2e18))
        RangeError(*this, value, double(ShapeOf(DataType()).min), double(ShapeOf(DataType()).max));
    SetAsLargeInt(int64_t(std::nearbyint(value)));
}

String TIntegerField::AsString() const
{
    int64_t value = 0;
    return GetValue(value) ? core::IntToStr(value) : String();
}

void TIntegerField::SetAsString(StringView value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t number = 0;
    if (!core::TryStrToInt64(value, number))
        InvalidValue(value, *this);
    SetAsLargeInt(number);
}

String TIntegerField::GetText(bool displayText) const
{
    int64_t value = 0;
    if (!GetValue(value))
        return String();
    if (displayText && !DisplayFormat().empty())
        return core::Format(DisplayFormat(), {value});
    return core::IntToStr(value);
}

Variant TIntegerField::AsVariant() const
{
    int64_t value = 0;
    if (!GetValue(value))
        return Variant::Null();
    switch (DataType()) {
    case ftSmallint: return Variant(int16_t(value));
    case ftWord: return Variant(uint16_t(value));
    case ftShortint: return Variant(int8_t(value));
    case ftByte: return Variant(uint8_t(value));
    case ftLongWord: return Variant(uint32_t(value));
    case ftLargeint: return Variant(value);
    default: return Variant(int32_t(value));
    }
}

TAutoIncField::TAutoIncField(core::Component* owner) : TIntegerField(owner, ftAutoInc)
{
    SetAutoGenerateValue(arAutoInc);
}

// ---- Floats ----

TFloatField::TFloatField(core::Component* owner, TFieldType type) : TNumericField(owner, type) {}

void TFloatField::SetPrecision(int value)
{
    m_precision = value < 2 ? 2 : value > 15 ? 15 : value;
}

bool TFloatField::GetValue(double& value) const
{
    if (DataType() == ftSingle) {
        float f;
        if (!GetData(&f))
            return false;
        value = f;
        return true;
    }
    return GetData(&value);
}

double TFloatField::AsFloat() const
{
    double value = 0;
    GetValue(value);
    return value;
}

void TFloatField::SetAsFloat(double value)
{
    if ((m_min != 0 || m_max != 0) && (value < m_min || value > m_max))
        RangeError(*this, value, m_min, m_max);
    if (DataType() == ftSingle) {
        float f = float(value);
        SetData(&f);
    } else {
        SetData(&value);
    }
}

int32_t TFloatField::AsInteger() const
{
    return Variant(AsFloat()).AsInteger();
}

int64_t TFloatField::AsLargeInt() const
{
    return Variant(AsFloat()).AsInt64();
}

String TFloatField::AsString() const
{
    double value = 0;
    return GetValue(value) ? core::FloatToStrF(value, core::FloatFormat::General, 15, 0) : String();
}

void TFloatField::SetAsString(StringView value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    double number = 0;
    if (!core::TryStrToFloat(value, number))
        InvalidValue(value, *this);
    SetAsFloat(number);
}

String TFloatField::GetText(bool displayText) const
{
    double value = 0;
    if (!GetValue(value))
        return String();
    if (displayText && !DisplayFormat().empty())
        return core::Format(DisplayFormat(), {value});
    if (displayText && m_currency)
        return core::FloatToStrF(value, core::FloatFormat::Currency, m_precision, 2);
    return core::FloatToStrF(value, core::FloatFormat::General, m_precision, 0);
}

Variant TFloatField::AsVariant() const
{
    double value = 0;
    if (!GetValue(value))
        return Variant::Null();
    if (DataType() == ftSingle)
        return Variant(float(value));
    return Variant(value);
}

TCurrencyField::TCurrencyField(core::Component* owner) : TFloatField(owner, ftCurrency)
{
    SetCurrency(true);
}

// ---- Booleans ----

TBooleanField::TBooleanField(core::Component* owner) : TField(owner, ftBoolean) {}

void TBooleanField::SetDisplayValues(StringView values)
{
    m_display_values = String(values);
    int split = core::Pos(u";", values);
    if (split == 0) {
        m_true_text = String(values);
        m_false_text.clear();
    } else {
        m_true_text = core::Copy(values, 1, split - 1);
        m_false_text = core::Copy(values, split + 1, int(values.size()));
    }
}

bool TBooleanField::AsBoolean() const
{
    int16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value)
{
    // The platform's 16-bit Boolean: all bits set for true.
    int16_t data = value ? int16_t(-1) : int16_t(0);
    SetData(&data);
}

String TBooleanField::AsString() const
{
    int16_t value = 0;
    if (!GetData(&value))
        return String();
    return value != 0 ? m_true_text : m_false_text;
}

void TBooleanField::SetAsString(StringView value)
{
    String text = core::Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    auto prefixOf = [&](const String& whole) {
        return !whole.empty() && text.size() <= whole.size() &&
               core::AnsiSameText(whole.substr(0, text.size()), text);
    };
    if (prefixOf(m_false_text))
        SetAsBoolean(false);
    else if (prefixOf(m_true_text))
        SetAsBoolean(true);
    else
        InvalidValue(value, *this);
}

Variant TBooleanField::AsVariant() const
{
    int16_t value = 0;
    if (!GetData(&value))
        return Variant::Null();
    return Variant(value != 0);
}

// ---- Dates and times ----

TDateTimeField::TDateTimeField(core::Component* owner, TFieldType type) : TField(owner, type) {}

core::TDateTime TDateTimeField::AsDateTime() const
{
    double value = 0;
    return GetData(&value, false) ? value : 0.0;
}

void TDateTimeField::SetAsDateTime(core::TDateTime value)
{
    SetData(&value, false);
}

void TDateTimeField::SetAsString(StringView value)
{
    if (core::Trim(value).empty()) {
        Clear();
        return;
    }
    double date = 0;
    try {
        date = Variant(value).AsDateTime();
    } catch (const core::Exception&) {
        InvalidValue(value, *this);
    }
    SetAsDateTime(date);
}

String TDateTimeField::GetText(bool displayText) const
{
    double value = 0;
    if (!GetData(&value, false))
        return String();
    if (displayText && !m_display_format.empty())
        return core::FormatDateTime(m_display_format, value);
    switch (DataType()) {
    case ftDate: return core::DateToStr(value);
    case ftTime: return core::TimeToStr(value);
    default: return core::DateTimeToStr(value);
    }
}

Variant TDateTimeField::AsVariant() const
{
    double value = 0;
    if (!GetData(&value, false))
        return Variant::Null();
    return Variant::FromDate(value);
}

// ---- BCD ----

TBCDField::TBCDField(core::Component* owner) : TNumericField(owner, ftBCD)
{
    SetSize(4);
}

core::Currency TBCDField::AsCurrency() const
{
    int64_t raw = 0;
    GetData(&raw);
    return core::Currency::FromRaw(raw);
}

void TBCDField::SetAsCurrency(core::Currency value)
{
    if ((m_min != core::Currency() || m_max != core::Currency()) && (value < m_min || value > m_max))
        RangeError(*this, value, m_min, m_max);
    int64_t raw = value.Raw();
    SetData(&raw);
}

String TBCDField::AsString() const
{
    int64_t raw = 0;
    return GetData(&raw) ? core::CurrToStr(core::Currency::FromRaw(raw)) : String();
}

void TBCDField::SetAsString(StringView value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    core::Currency number;
    if (!core::TryStrToCurr(value, number))
        InvalidValue(value, *this);
    SetAsCurrency(number);
}

Variant TBCDField::AsVariant() const
{
    int64_t raw = 0;
    if (!GetData(&raw))
        return Variant::Null();
    return Variant(core::Currency::FromRaw(raw));
}

// ---- Packed decimals ----

TFMTBCDField::TFMTBCDField(core::Component* owner) : TNumericField(owner, ftFMTBcd)
{
    SetSize(8);
}

core::Bcd TFMTBCDField::AsBcd() const
{
    core::Bcd value;
    if (!GetData(&value))
        return core::Bcd();
    return value;
}

void TFMTBCDField::SetAsBcd(const core::Bcd& value)
{
    core::Bcd stored = value;
    // The column holds Precision digits with Size of them after the point.
    if (m_precision > 0 && !core::NormalizeBcd(value, stored, m_precision, std::min(Size(), m_precision)))
        throw core::EBcdOverflowException(u"BCD overflow");
    core::Bcd min, max;
    bool low = !m_min.empty() && core::TryStrToBcd(m_min, min) && core::BcdCompare(stored, min) < 0;
    bool high = !m_max.empty() && core::TryStrToBcd(m_max, max) && core::BcdCompare(stored, max) > 0;
    if (low || high)
        throw EDatabaseError(core::Format(texts::FieldRangeError,
                                          {core::BcdToStr(stored), DisplayName(), m_min, m_max}));
    SetData(&stored);
}

int32_t TFMTBCDField::AsInteger() const
{
    int64_t value = AsLargeInt();
    if (value < INT32_MIN || value > INT32_MAX)
        throw core::ERangeError(u"Range check error");
    return int32_t(value);
}

String TFMTBCDField::AsString() const
{
    core::Bcd value;
    return GetData(&value) ? core::BcdToStr(value) : String();
}

void TFMTBCDField::SetAsString(StringView value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    core::Bcd number;
    if (!core::TryStrToBcd(value, number))
        InvalidValue(value, *this);
    SetAsBcd(number);
}

Variant TFMTBCDField::AsVariant() const
{
    core::Bcd value;
    if (!GetData(&value))
        return Variant::Null();
    return Variant(value);
}

// ---- SQL time stamps ----

TSQLTimeStampField::TSQLTimeStampField(core::Component* owner) : TField(owner, ftTimeStamp) {}

core::SQLTimeStamp TSQLTimeStampField::AsSQLTimeStamp() const
{
    core::SQLTimeStamp value;
    if (!GetData(&value))
        return core::SQLTimeStamp();
    return value;
}

void TSQLTimeStampField::SetAsSQLTimeStamp(const core::SQLTimeStamp& value)
{
    // An impossible date is refused here rather than stored.
    core::TDateTime check;
    if (!core::TrySQLTimeStampToDateTime(value, check))
        InvalidValue(core::SQLTimeStampToStr(value), *this);
    SetData(&value);
}

String TSQLTimeStampField::AsString() const
{
    return GetText(false);
}

void TSQLTimeStampField::SetAsString(StringView value)
{
    if (core::Trim(value).empty()) {
        Clear();
        return;
    }
    core::SQLTimeStamp stamp;
    if (!core::TryStrToSQLTimeStamp(value, stamp))
        InvalidValue(value, *this);
    SetAsSQLTimeStamp(stamp);
}

String TSQLTimeStampField::GetText(bool displayText) const
{
    core::SQLTimeStamp value;
    if (!GetData(&value))
        return String();
    if (displayText && !m_display_format.empty())
        return core::FormatDateTime(m_display_format, core::SQLTimeStampToDateTime(value));
    return core::SQLTimeStampToStr(value);
}

Variant TSQLTimeStampField::AsVariant() const
{
    core::SQLTimeStamp value;
    if (!GetData(&value))
        return Variant::Null();
    return Variant(value);
}

// ---- Bytes ----

TBytesField::TBytesField(core::Component* owner, TFieldType type) : TField(owner, type)
{
    if (Size() == 0)
        SetSize(16);
}

Variant::Bytes TBytesField::AsBytes() const
{
    std::vector<uint8_t> buffer(static_cast<size_t>(DataSize()));
    if (!GetData(buffer.data()))
        return {};
    if (DataType() == ftVarBytes) {
        uint16_t length;
        std::memcpy(&length, buffer.data(), 2);
        length = uint16_t(std::min<int>(length, Size()));
        return Variant::Bytes(buffer.begin() + 2, buffer.begin() + 2 + length);
    }
    return buffer;
}

void TBytesField::SetAsBytes(const Variant::Bytes& value)
{
    std::vector<uint8_t> buffer(size_t(DataSize()), 0);
    size_t length = std::min(value.size(), size_t(Size()));
    if (DataType() == ftVarBytes) {
        uint16_t n = uint16_t(length);
        std::memcpy(buffer.data(), &n, 2);
        std::memcpy(buffer.data() + 2, value.data(), length);
    } else {
        std::memcpy(buffer.data(), value.data(), length);
    }
    SetData(buffer.data());
}

String TBytesField::AsString() const
{
    Variant::Bytes bytes = AsBytes();
    return core::FromAnsi(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TBytesField::SetAsString(StringView value)
{
    std::string bytes = core::ToAnsi(value);
    SetAsBytes(Variant::Bytes(bytes.begin(), bytes.end()));
}

Variant TBytesField::AsVariant() const
{
    if (IsNull())
        return Variant::Null();
    return Variant(AsBytes());
}

// ---- Blobs ----

TBlobField::TBlobField(core::Component* owner, TFieldType type) : TField(owner, type) {}

std::string TBlobField::ReadAll() const
{
    if (!DataSet())
        DatabaseErrorFmt(texts::NoDataSet, DisplayName());
    std::unique_ptr<core::Stream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    if (!stream)
        return std::string();
    return stream->ReadToEnd();
}

void TBlobField::WriteAll(const void* data, size_t size)
{
    if (!DataSet())
        DatabaseErrorFmt(texts::NoDataSet, DisplayName());
    std::unique_ptr<core::Stream> stream = DataSet()->CreateBlobStream(this, bmWrite);
    if (stream && size > 0)
        stream->WriteBuffer(data, int64_t(size));
}

int TBlobField::BlobSize() const
{
    if (!DataSet())
        return 0;
    std::unique_ptr<core::Stream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    return stream ? int(stream->Size()) : 0;
}

Variant::Bytes TBlobField::AsBytes() const
{
    std::string bytes = ReadAll();
    return Variant::Bytes(bytes.begin(), bytes.end());
}

void TBlobField::SetAsBytes(const Variant::Bytes& value)
{
    WriteAll(value.data(), value.size());
}

String TBlobField::AsString() const
{
    std::string bytes = ReadAll();
    if (DataType() == ftWideMemo) {
        String text(bytes.size() / 2, u'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * 2);
        return text;
    }
    return core::FromAnsi(bytes);
}

void TBlobField::SetAsString(StringView value)
{
    if (DataType() == ftWideMemo) {
        WriteAll(value.data(), value.size() * 2);
        return;
    }
    std::string bytes = core::ToAnsi(value);
    WriteAll(bytes.data(), bytes.size());
}

Variant TBlobField::AsVariant() const
{
    std::string bytes = ReadAll();
    if (bytes.empty())
        return Variant::Null();
    if (DataType() == ftMemo || DataType() == ftWideMemo || DataType() == ftFmtMemo || DataType() == ftOraClob)
        return Variant(AsString());
    return Variant(Variant::Bytes(bytes.begin(), bytes.end()));
}

void TBlobField::SetVarValue(const Variant& value)
{
    if (value.IsArray())
        SetAsBytes(value.AsBytes());
    else
        SetAsString(value.AsString());
}

String TBlobField::GetText(bool displayText) const
{
    if (!displayText || DataType() == ftMemo || DataType() == ftWideMemo)
        return AsString();
    // Binary content is not shown as text.
    return core::S("(") + FieldTypeName(DataType()) + u")";
}

void TBlobField::LoadFromStream(core::Stream& stream)
{
    std::string bytes = stream.ReadToEnd();
    WriteAll(bytes.data(), bytes.size());
}

void TBlobField::SaveToStream(core::Stream& stream) const
{
    std::string bytes = ReadAll();
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

// ---- Variants ----

TVariantField::TVariantField(core::Component* owner) : TField(owner, ftVariant) {}

Variant TVariantField::AsVariant() const
{
    const Variant* value = nullptr;
    if (!GetData(&value) || !value)
        return Variant::Null();
    return *value;
}

void TVariantField::SetVarValue(const Variant& value)
{
    const Variant* pointer = &value;
    SetData(&pointer);
}

// ---- Structured fields ----

TObjectField::TObjectField(core::Component* owner, TFieldType type)
    : TField(owner, type), m_fields(std::make_unique<TFields>(nullptr, this))
{
}

TObjectField::~TObjectField()
{
    m_fields->Clear();
}

Variant TObjectField::AsVariant() const
{
    Variant::Items items;
    for (int i = 0; i < m_fields->Count(); ++i)
        items.push_back(m_fields->Fields(i)->AsVariant());
    return Variant::ArrayOf(std::move(items));
}

String TObjectField::AsString() const
{
    String text = u"(";
    for (int i = 0; i < m_fields->Count(); ++i) {
        if (i > 0)
            text += u", ";
        text += m_fields->Fields(i)->AsString();
    }
    return text + u")";
}

void TObjectField::SetVarValue(const Variant& value)
{
    int count = std::min(value.ArrayCount(), m_fields->Count());
    for (int i = 0; i < count; ++i)
        m_fields->Fields(i)->SetAsVariant(value.ArrayItem(i));
}

TDataSetField::TDataSetField(core::Component* owner, TFieldType type) : TObjectField(owner, type) {}

TDataSetField::~TDataSetField()
{
    SetNestedDataSet(nullptr);
}

void TDataSetField::SetNestedDataSet(TDataSet* dataSet)
{
    if (dataSet == m_nested)
        return;
    auto unregister = [this] {
        if (TDataSet* parent = DataSet()) {
            auto& list = parent->m_nested_datasets;
            list.erase(std::remove(list.begin(), list.end(), m_nested), list.end());
        }
        m_nested->m_dataset_field = nullptr;
    };
    if (m_nested)
        unregister();
    m_nested = dataSet;
    if (m_nested) {
        m_nested->m_dataset_field = this;
        if (TDataSet* parent = DataSet())
            parent->m_nested_datasets.push_back(m_nested);
    }
}

// ---- Field classes by type ----

namespace {
template <class T> TField* Make(core::Component* owner) { return new T(owner); }
TField* MakeFixedChar(core::Component* owner) { return new TStringField(owner, ftFixedChar); }
TField* MakeFixedWide(core::Component* owner) { return new TWideStringField(owner, ftFixedWideChar); }
TField* MakeBlobOf(core::Component* owner, TFieldType type) { return new TBlobField(owner, type); }
template <TFieldType Type> TField* MakeBlob(core::Component* owner) { return MakeBlobOf(owner, Type); }
} // namespace

FieldFactory DefaultFieldClass(TFieldType type)
{
    switch (type) {
    case ftString: return &Make<TStringField>;
    case ftFixedChar: return &MakeFixedChar;
    case ftGuid: return &Make<TGuidField>;
    case ftWideString: return &Make<TWideStringField>;
    case ftFixedWideChar: return &MakeFixedWide;
    case ftSmallint: return &Make<TSmallintField>;
    case ftInteger: return &Make<TIntegerField>;
    case ftWord: return &Make<TWordField>;
    case ftAutoInc: return &Make<TAutoIncField>;
    case ftLargeint: return &Make<TLargeintField>;
    case ftShortint: return &Make<TShortintField>;
    case ftByte: return &Make<TByteField>;
    case ftLongWord: return &Make<TLongWordField>;
    case ftBoolean: return &Make<TBooleanField>;
    case ftFloat: return &Make<TFloatField>;
    case ftCurrency: return &Make<TCurrencyField>;
    case ftExtended: return &Make<TExtendedField>;
    case ftSingle: return &Make<TSingleField>;
    case ftBCD: return &Make<TBCDField>;
    case ftFMTBcd: return &Make<TFMTBCDField>;
    case ftTimeStamp: return &Make<TSQLTimeStampField>;
    case ftDate: return &Make<TDateField>;
    case ftTime: return &Make<TTimeField>;
    case ftDateTime: return &Make<TDateTimeField>;
    case ftBytes: return &Make<TBytesField>;
    case ftVarBytes: return &Make<TVarBytesField>;
    case ftBlob: return &Make<TBlobField>;
    case ftMemo: return &Make<TMemoField>;
    case ftWideMemo: return &Make<TWideMemoField>;
    case ftGraphic: return &MakeBlob<ftGraphic>;
    case ftFmtMemo: return &MakeBlob<ftFmtMemo>;
    case ftParadoxOle: return &MakeBlob<ftParadoxOle>;
    case ftDBaseOle: return &MakeBlob<ftDBaseOle>;
    case ftTypedBinary: return &MakeBlob<ftTypedBinary>;
    case ftOraBlob: return &MakeBlob<ftOraBlob>;
    case ftOraClob: return &MakeBlob<ftOraClob>;
    case ftVariant: return &Make<TVariantField>;
    case ftADT: return &Make<TADTField>;
    case ftArray: return &Make<TArrayField>;
    case ftDataSet: return &Make<TDataSetField>;
    case ftReference: return &Make<TReferenceField>;
    default: return nullptr;
    }
}

} // namespace data
