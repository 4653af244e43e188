// Ordering of the in-memory store: the IndexFieldNames text, value comparison by type code, the
// comparison of two records by the index, the stable sort that relinks items and the move of one item
// to its place after an edit.
#include "data/storage/filter.h"
#include "data/storage/memdata.h"
#include "data/storage/memutils.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

namespace data {

namespace {

template<class T>
int Sign(T a, T b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

[[noreturn]] void InvalidIndexText()
{
    throw core::Exception(u"Invalid IndexFieldNames format!");
}

bool IsIntegerCode(int code)
{
    return code == dtInt8 || code == dtInt16 || code == dtInt32 || code == dtUInt16 || code == dtInt64 ||
        code == dtUInt32;
}

bool IsFloatCode(int code)
{
    return code == dtFloat || code == dtCurrency || code == dtDate || code == dtTime || code == dtDateTime;
}

// A field's stored number, by the field's own code.
double ReadFieldDouble(const void* p, int code)
{
    if (IsIntegerCode(code))
        return double(ReadInteger(p, code));
    if (code == dtBCD)
        return double(ReadAt<int64_t>(p)) / 10000;
    return ReadAt<double>(p);
}

// Unsigned bytes, the first difference deciding, under the partial options.
int CompareBytes(const uint8_t* v, size_t m, const uint8_t* f, size_t n, TCompareOptions options)
{
    if (options.Contains(coPartialCompare)) {
        if (m > n)
            return 1;
        for (size_t at = 0; at + m <= n; ++at)
            if (m == 0 || std::memcmp(v, f + at, m) == 0)
                return 0;
        return 1;
    }
    if (options.Contains(coPartialKey)) {
        if (m > n)
            return 1;
        const int c = m ? std::memcmp(v, f, m) : 0;
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    const int c = std::min(m, n) ? std::memcmp(v, f, std::min(m, n)) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    return Sign(m, n);
}

AnsiString UpperAnsi(const AnsiString& text)
{
    return core::ToAnsi(StrToUpper(core::FromAnsi(text)));
}

} // namespace

// ---- IndexFieldNames ----------------------------------------------------------------------------

void TMemData::ParseIndexFieldNames(StringView Text, TSortColumns& Columns)
{
    Columns.Clear();
    if (Text.find_first_not_of(u' ') == StringView::npos)
        return;
    TBoolParser parser(Text);
    String lexem;
    int code = parser.GetNext(lexem);
    auto isSeparator = [&] { return code == LexemSymbol && (lexem == u";" || lexem == u","); };
    while (code != LexemEnd) {
        String name;
        if (code == LexemIdent || code == LexemString) {
            name = lexem;
        } else if (code == lxLeftSquare) {
            parser.SetOmitBlank(false);
            for (code = parser.GetNext(lexem); code != lxRightSquare && code != LexemEnd; code = parser.GetNext(lexem))
                name += lexem;
            parser.SetOmitBlank(true);
        } else {
            InvalidIndexText();
        }
        TFieldDesc* field = FindField(name);
        if (!field)
            throw core::Exception(core::Format(u"Field %s not found", {name}));
        TSortColumn* column = Columns.Add();
        column->FieldDesc = field;
        InitSortColumn(*column);
        bool order = false, sortType = false;
        for (code = parser.GetNext(lexem); code != LexemEnd && !isSeparator(); code = parser.GetNext(lexem)) {
            if (code != LexemIdent)
                InvalidIndexText();
            const String word = StrToUpper(lexem);
            bool& seen = word == u"DESC" || word == u"ASC" ? order : sortType;
            if (seen)
                InvalidIndexText();
            seen = true;
            if (word == u"DESC" || word == u"ASC")
                column->DescendingOrder = word == u"DESC";
            else if (word == u"CIS")
                column->SortType = stCaseInsensitive;
            else if (word == u"CS")
                column->SortType = stCaseSensitive;
            else if (word == u"BIN")
                column->SortType = stBinary;
            else
                InvalidIndexText();
        }
        if (isSeparator())
            code = parser.GetNext(lexem);
    }
}

void TMemData::SetIndexFieldNames(StringView Value)
{
    // Checked against the descriptors when there are any, so that a bad text is never kept.
    if (Active() || FieldCount() > 0) {
        TSortColumns columns;
        ParseIndexFieldNames(Value, columns);
        FIndexFields.Swap(columns);
    }
    FIndexFieldNames = String(Value);
    if (Active())
        SortItems();
}

void TMemData::InitSortColumn(TSortColumn& SortColumn)
{
    SortColumn.DescendingOrder = false;
    SortColumn.SortType = stCaseSensitive;
}

// ---- text comparers -----------------------------------------------------------------------------

int TMemData::CompareAnsiPtr(const char* S1, const char* S2, TCompareOptions Options)
{
    if (Options.Contains(coOrdinalCompare)) {
        const int c = std::strcmp(S1, S2);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return Options.Contains(coCaseInsensitive) ? LocaleCompareTextZ(S1, S2) : LocaleCompareZ(S1, S2);
}

int TMemData::CompareAnsi(const AnsiString& S1, const AnsiString& S2, TCompareOptions Options)
{
    if (Options.Contains(coOrdinalCompare)) {
        const int c = S1.compare(S2);
        // std::string compares chars as unsigned through char_traits.
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return Options.Contains(coCaseInsensitive) ? LocaleCompareTextA(S1, S2) : LocaleCompareA(S1, S2);
}

int TMemData::CompareWide(StringView S1, StringView S2, TCompareOptions Options)
{
    if (Options.Contains(coOrdinalCompare)) {
        const int c = S1.compare(S2);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return Options.Contains(coCaseInsensitive) ? LocaleCompareTextW(S1, S2) : LocaleCompareW(S1, S2);
}

int TMemData::CompareWidePrefix(StringView S1, StringView S2, TCompareOptions Options)
{
    const int length = int(S1.size());
    if (Options.Contains(coOrdinalCompare))
        return CompareWide(S1, S2.substr(0, size_t(length)), Options);
    return Options.Contains(coCaseInsensitive) ? LocaleCompareTextLenW(S1, S2, length)
                                               : LocaleCompareLenW(S1, S2, length);
}

int TMemData::CompareAnsiValue(const AnsiString& Value, const AnsiString& FieldText, TCompareOptions Options)
{
    if (Options.Contains(coPartialCompare)) {
        const bool upper = Options.Contains(coCaseInsensitive);
        const AnsiString field = upper ? UpperAnsi(FieldText) : FieldText;
        return field.find(upper ? UpperAnsi(Value) : Value) != AnsiString::npos ? 0 : 1;
    }
    if (Options.Contains(coPartialKey)) {
        const size_t key = Value.empty() ? FieldText.size() : Value.size();
        if (FieldText.size() < key)
            return 1;
        return CompareAnsi(Value, FieldText.substr(0, key), Options);
    }
    return CompareAnsi(Value, FieldText, Options);
}

int TMemData::CompareWideValue(StringView Value, StringView FieldText, TCompareOptions Options)
{
    if (IsWin9x())
        return CompareAnsiValue(core::ToAnsi(Value), core::ToAnsi(FieldText), Options);
    if (Options.Contains(coPartialCompare)) {
        const bool upper = Options.Contains(coCaseInsensitive);
        const String field = upper ? StrToUpper(FieldText) : String(FieldText);
        return field.find(upper ? StrToUpper(Value) : String(Value)) != String::npos ? 0 : 1;
    }
    if (Options.Contains(coPartialKey)) {
        if (FieldText.size() < Value.size())
            return 1;
        return CompareWidePrefix(Value, FieldText, Options);
    }
    return CompareWide(Value, FieldText, Options);
}

// ---- value comparison ---------------------------------------------------------------------------

namespace {

// A field's value as text, for a text value compared with it. Code 27, 28 and 29 texts are compared
// without case.
String FieldText(TData& data, const TFieldDesc& field, const uint8_t* place, const void* RecBuf, bool trim,
                 bool& caseless)
{
    caseless = false;
    const int code = field.DataType;
    switch (code) {
    case dtString: case dtGuid: {
        const size_t limit = field.Size;
        size_t length = 0;
        while (length < limit && place[length])
            ++length;
        std::string text(reinterpret_cast<const char*>(place), length);
        if (code == dtString && trim)
            text.erase(text.find_last_not_of(' ') + 1);
        caseless = code == dtGuid;
        return core::FromAnsi(text);
    }
    case dtWideString: {
        const size_t limit = field.Size / 2;
        String text(limit, u'\0');
        std::memcpy(text.data(), place, limit * 2);
        text.resize(std::min(text.find(u'\0'), limit));
        if (trim)
            text.erase(std::min(text.size(), text.find_last_not_of(u' ') + 1));
        return text;
    }
    case dtExtString: {
        const char* text = ReadAt<const char*>(place);
        return text ? core::FromAnsi(text) : String();
    }
    case dtExtWideString: {
        const Char* text = ReadAt<const Char*>(place);
        return text ? String(text) : String();
    }
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtInt64: case dtUInt32:
        return core::IntToStr(ReadInteger(place, code));
    case dtFloat: case dtCurrency:
        return core::FloatToStr(ReadAt<double>(place));
    case dtDate:
        return core::DateToStr(ReadAt<double>(place));
    case dtTime:
        return core::TimeToStr(ReadAt<double>(place));
    case dtDateTime:
        return core::DateTimeToStr(ReadAt<double>(place));
    case dtVariant: {
        auto* object = ReadAt<TVariantObject*>(place);
        return object ? core::VarToStr(object->Value()) : String();
    }
    case dtBCD:
        caseless = true;
        return core::CurrToStr(core::Currency::FromRaw(ReadAt<int64_t>(place)));
    case dtFMTBCD:
        caseless = true;
        return core::BcdToStr(ReadAt<core::Bcd>(place));
    default:
        if (data.IsBlobFieldType(uint16_t(code))) {
            auto* blob = static_cast<TBlob*>(data.GetObject(field.FieldNo, RecBuf));
            return code == dtWideMemo ? String(blob->AsWideString()) : core::FromAnsi(blob->AsAnsiString());
        }
        throw core::EConvertError(u"Cannot convert type");
    }
}

} // namespace

int TMemData::CompareFieldValue(const void* ValuePtr, int ValueType, const TFieldDesc& FieldDesc, const void* RecBuf,
                                TCompareOptions Options)
{
    const uint8_t* place = static_cast<const uint8_t*>(RecBuf) + FieldDesc.Offset;
    void* temporary = nullptr;
    if (FieldDesc.HasParent()) {
        String name;
        TDBObject* object = AttributeObject(RecBuf, FieldDesc, name);
        bool isNull = true, isTemporary = false;
        void* value = object ? object->GetAttributeValue(name, isNull, isTemporary) : nullptr;
        CORE_ASSERT(value != nullptr, u"Assertion failure");
        place = static_cast<const uint8_t*>(value);
        if (isTemporary)
            temporary = value;
    }
    struct Release {
        void* p;
        ~Release() { Marshal::FreeHGlobal(p); }
    } release{temporary};
    const int fieldCode = FieldDesc.DataType;

    switch (ValueType) {
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtUInt32: case dtInt64: {
        const int64_t value = ReadInteger(ValuePtr, ValueType);
        if (IsIntegerCode(fieldCode))
            return Sign(value, ReadInteger(place, fieldCode));
        return Sign(double(value), ReadFieldDouble(place, fieldCode));
    }
    case dtFloat: case dtCurrency: case dtDate: case dtTime: case dtDateTime:
        return Sign(ReadAt<double>(ValuePtr), ReadFieldDouble(place, fieldCode));
    case dtBoolean: {
        const bool value = ReadAt<uint8_t>(ValuePtr) != 0;
        const bool field = ReadAt<uint8_t>(place) != 0;
        return Sign(int(value), int(field));
    }
    case dtBCD: {
        const int64_t value = std::llround(ReadAt<double>(ValuePtr) * 10000);
        return Sign(value, ReadAt<int64_t>(place));
    }
    case dtFMTBCD:
        return core::BcdCompare(ReadAt<core::Bcd>(ValuePtr), ReadAt<core::Bcd>(place));
    case dtSQLTimeStamp:
        return core::CompareSQLTimeStamp(ReadAt<core::SQLTimeStamp>(ValuePtr), ReadAt<core::SQLTimeStamp>(place));
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
        const auto* value = static_cast<const uint8_t*>(ValuePtr);
        const size_t m = ReadAt<uint16_t>(value);
        const uint8_t* field;
        size_t n;
        if (fieldCode == dtBytes) {
            field = place;
            n = FieldDesc.Length;
        } else if (fieldCode == dtVarBytes) {
            n = ReadAt<uint16_t>(place);
            field = place + 2;
        } else {
            const auto* bytes = ReadAt<const uint8_t*>(place);
            n = bytes ? ReadAt<uint16_t>(bytes) : 0;
            field = bytes ? bytes + 2 : nullptr;
        }
        return CompareBytes(value + 2, m, field, n, Options);
    }
    case dtVariant: {
        auto* valueObject = ReadAt<TVariantObject*>(ValuePtr);
        auto* fieldObject = ReadAt<TVariantObject*>(place);
        const core::Variant empty;
        const core::Variant& a = valueObject ? valueObject->Value() : empty;
        const core::Variant& b = fieldObject ? fieldObject->Value() : empty;
        const bool bytesA = a.VarType() == (core::varArray | core::varByte);
        const bool bytesB = b.VarType() == (core::varArray | core::varByte);
        if (bytesA || bytesB) {
            if (a.IsNull() || b.IsNull())
                return a.IsNull() && b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
            if (bytesA && bytesB) {
                const auto x = a.AsBytes(), y = b.AsBytes();
                if (x.size() != y.size())
                    return Sign(x.size(), y.size());
                return CompareBytes(x.data(), x.size(), y.data(), y.size(), Options);
            }
            return Sign(unsigned(a.VarType()), unsigned(b.VarType()));
        }
        auto numeric = [](core::VarType t) { return (t >= 2 && t <= 6) || (t >= 14 && t <= 20); };
        if (a.VarType() == b.VarType() || (numeric(a.VarType()) && numeric(b.VarType())))
            return a == b ? 0 : a < b ? -1 : a > b ? 1 : 0;
        if (a.IsString() || b.IsString())
            return CompareAnsiValue(core::ToAnsi(core::VarToStr(a)), core::ToAnsi(core::VarToStr(b)), Options);
        return Sign(unsigned(a.VarType()), unsigned(b.VarType()));
    }
    case dtString: case dtGuid: {
        const char* value = static_cast<const char*>(ValuePtr);
        const bool partial = Options.Contains(coPartialKey) || Options.Contains(coPartialCompare);
        const bool trim = (FieldDesc.Fixed && TrimFixedChar) || (!FieldDesc.Fixed && TrimVarChar);
        if (!partial && fieldCode == dtString && !trim && !FieldDesc.HasParent())
            return CompareAnsiPtr(value, reinterpret_cast<const char*>(place), Options);
        if (!partial && fieldCode == dtExtString) {
            const char* text = ReadAt<const char*>(place);
            return CompareAnsiPtr(value, text ? text : "", Options);
        }
        bool caseless;
        const AnsiString field = core::ToAnsi(FieldText(*this, FieldDesc, place, RecBuf, trim, caseless));
        AnsiString text(value);
        if ((fieldCode == dtString || fieldCode == dtWideString) && trim)
            text.erase(text.find_last_not_of(' ') + 1);
        return CompareAnsiValue(text, field, caseless ? Options.With(coCaseInsensitive) : Options);
    }
    case dtWideString: {
        const bool trim = (FieldDesc.Fixed && TrimFixedChar) || (!FieldDesc.Fixed && TrimVarChar);
        bool caseless;
        const String field = FieldText(*this, FieldDesc, place, RecBuf, trim, caseless);
        String text = WideTextAtZ(ValuePtr);
        if ((fieldCode == dtString || fieldCode == dtWideString) && trim)
            text.erase(std::min(text.size(), text.find_last_not_of(u' ') + 1));
        return CompareWideValue(text, field, fieldCode == dtBCD ? Options.With(coCaseInsensitive) : Options);
    }
    default:
        core::AssertFailed(u"Unknown ValueType = " + core::IntToStr(ValueType), __FILE__, __LINE__);
    }
}

int TMemData::CompareFields(const void* RecBuf1, const void* RecBuf2, const TSortColumn& SortColumn)
{
    TCompareOptions options;
    if (SortColumn.SortType == stCaseInsensitive)
        options.Include(coCaseInsensitive);
    else if (SortColumn.SortType == stBinary)
        options.Include(coOrdinalCompare);
    return CompareFields(RecBuf1, RecBuf2, *SortColumn.FieldDesc, options);
}

int TMemData::CompareFields(const void* RecBuf1, const void* RecBuf2, const TFieldDesc& FieldDesc,
                            TCompareOptions Options)
{
    int type = 0;
    bool blank1 = false, native = true;
    void* value = GetFieldBuf(RecBuf1, FieldDesc, type, blank1, native);
    struct Release {
        void* p;
        ~Release() { Marshal::FreeHGlobal(p); }
    } release{native ? nullptr : value};
    const bool blank2 = GetNull(FieldDesc.FieldNo, const_cast<void*>(RecBuf2));
    if (blank1 || blank2)
        return blank1 && blank2 ? 0 : blank1 ? -1 : 1;
    return CompareFieldValue(value, type, FieldDesc, RecBuf2, Options);
}

int TMemData::CompareRecords(const void* RecBuf1, const void* RecBuf2)
{
    void* full[2] = {nullptr, nullptr};
    struct Release {
        TData* data;
        void** full;
        ~Release()
        {
            data->FreeRecBuf(full[0]);
            data->FreeRecBuf(full[1]);
        }
    } release{this, full};
    for (int i = 0; i < FIndexFields.Count(); ++i) {
        const TSortColumn& column = *FIndexFields.GetItem(i);
        int result;
        if (column.FieldDesc->FieldDescKind == fdkCalculated) {
            // A calculated value lives only in a full buffer that the owner fills.
            if (!full[0]) {
                const void* records[2] = {RecBuf1, RecBuf2};
                for (int r = 0; r < 2; ++r) {
                    full[r] = AllocRecBuf(true);
                    std::memset(full[r], 0, size_t(RecordSize() + CalcRecordSize()));
                    std::memcpy(full[r], records[r], size_t(RecordSize()));
                    if (OnGetCachedBuffer)
                        OnGetCachedBuffer(full[r], nullptr);
                }
            }
            result = CompareFields(full[0], full[1], column);
        } else {
            result = CompareFields(RecBuf1, RecBuf2, column);
        }
        if (column.DescendingOrder)
            result = -result;
        if (result != 0)
            return result;
    }
    return 0;
}

// ---- sorting ------------------------------------------------------------------------------------

bool TMemData::SortByNativeKeys(const TSortColumn& SortColumn) const
{
    const TFieldDesc& field = *SortColumn.FieldDesc;
    if (field.HasParent() || field.FieldDescKind == fdkCalculated)
        return false;
    const int code = field.DataType;
    if (IsIntegerCode(code) || IsFloatCode(code) || code == dtBoolean || code == dtExtString)
        return true;
    return code == dtString && !(field.Fixed ? TrimFixedChar : TrimVarChar);
}

namespace {

// Inline text keys of at most this many bytes are sorted in entries of their own.
constexpr uint16_t kInlineKeyBytes = 22;

struct SortEntry {
    union {
        int64_t i;
        double d;
        const char* s;
    } key;
    TItemHeader* item;
    bool null;
};

enum class KeyKind { None, Integer, Double, Text };

// A stable sort by integer keys, nulls first (last when descending): an LSD radix sort of the keys'
// distances from the smallest (largest when descending) in 11-bit digits, as many as the range of the
// keys needs. Runs of equal keys are then ordered by the remaining columns when there are any.
template<class Less>
void RadixSort(std::vector<SortEntry>& entries, bool descending, const Less& lessRest, bool hasRest)
{
    // 16 bytes a key, so that each pass moves as little as it can.
    struct Keyed {
        uint64_t key;
        TItemHeader* item;
    };
    int64_t low = INT64_MAX, high = INT64_MIN;
    size_t nullCount = 0;
    for (const SortEntry& entry : entries) {
        if (entry.null) {
            ++nullCount;
            continue;
        }
        low = std::min(low, entry.key.i);
        high = std::max(high, entry.key.i);
    }
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size() - nullCount);
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].null) {
            const uint64_t key = descending ? uint64_t(high) - uint64_t(entries[i].key.i)
                                            : uint64_t(entries[i].key.i) - uint64_t(low);
            keyed.push_back(Keyed{key, entries[i].item});
        }
    const uint64_t range = keyed.empty() ? 0 : uint64_t(high) - uint64_t(low);
    int bits = 0;
    while (bits < 64 && (range >> bits) != 0)
        ++bits;
    constexpr int kDigit = 11;
    constexpr uint64_t kMask = (uint64_t(1) << kDigit) - 1;
    std::vector<Keyed> other(keyed.size());
    std::vector<size_t> counts((size_t(1) << kDigit) + 1);
    for (int shift = 0; shift < bits; shift += kDigit) {
        std::fill(counts.begin(), counts.end(), 0);
        for (const Keyed& k : keyed)
            ++counts[((k.key >> shift) & kMask) + 1];
        for (size_t d = 1; d < counts.size(); ++d)
            counts[d] += counts[d - 1];
        for (const Keyed& k : keyed)
            other[counts[(k.key >> shift) & kMask]++] = k;
        keyed.swap(other);
    }
    std::vector<SortEntry> sorted;
    sorted.reserve(entries.size());
    auto appendNulls = [&] {
        for (const SortEntry& entry : entries)
            if (entry.null)
                sorted.push_back(entry);
    };
    if (!descending)
        appendNulls();
    // The keys travel with their items: no look-up into the entries in sorted order.
    for (const Keyed& k : keyed)
        sorted.push_back(SortEntry{{int64_t(k.key)}, k.item, false});
    if (descending)
        appendNulls();
    // Runs of one key (or of nulls) go by the remaining columns.
    if (hasRest) {
        auto same = [](const SortEntry& a, const SortEntry& b) {
            return a.null == b.null && (a.null || a.key.i == b.key.i);
        };
        for (auto run = sorted.begin(); run != sorted.end();) {
            auto stop = run + 1;
            while (stop != sorted.end() && same(*run, *stop))
                ++stop;
            if (stop - run > 1)
                std::stable_sort(run, stop, lessRest);
            run = stop;
        }
    }
    entries.swap(sorted);
}

// A stable LSD radix sort of packed entries (a key's distance from the smallest in the high 32 bits,
// the item's place in walk order in the low 32) by their high bits; the passes go between the two
// arrays, and the result ends in the first. One counting pass gives every digit's histogram.
void RadixSortPacked(uint64_t* entries, uint64_t* other, size_t count, int keyBits)
{
    if (keyBits == 0)
        return;
    const int passes = (keyBits + 10) / 11;
    const int digit = (keyBits + passes - 1) / passes;
    const uint64_t mask = (uint64_t(1) << digit) - 1;
    std::vector<size_t> counts(size_t(passes) << digit);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t key = entries[i] >> 32;
        for (int p = 0; p < passes; ++p)
            ++counts[(size_t(p) << digit) + ((key >> (p * digit)) & mask)];
    }
    uint64_t* from = entries;
    uint64_t* to = other;
    for (int p = 0; p < passes; ++p) {
        size_t* bucket = counts.data() + (size_t(p) << digit);
        size_t sum = 0;
        for (size_t d = 0; d <= mask; ++d)
            sum += std::exchange(bucket[d], sum);
        const int shift = 32 + p * digit;
        for (size_t i = 0; i < count; ++i)
            to[bucket[(from[i] >> shift) & mask]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries)
        std::memcpy(entries, from, count * sizeof(uint64_t));
}

} // namespace

bool TMemData::SortByIntegerKey(const TFieldDesc& field, bool descending)
{
    // The items in walk order go where the record-number cache will be, so that its memory is taken
    // once; the keys and the radix passes need two arrays of 8 bytes an item and nothing else.
    std::vector<TItemHeader*>& walk = FRecordNoCache;
    walk.clear();
    walk.reserve(size_t(FRecordCount));
    for (TItemHeader* item = FirstItem; item; item = item->Next)
        walk.push_back(item);
    const size_t count = walk.size();
    if (count >= (size_t(1) << 32))
        return false;
    std::unique_ptr<uint64_t[]> packed(new uint64_t[count]);
    std::unique_ptr<uint64_t[]> other(new uint64_t[count]);
    std::vector<uint32_t> nulls;
    int64_t low = INT64_MAX, high = INT64_MIN;
    size_t keyed = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i + kPrefetchDistance < count)
            __builtin_prefetch(BlockMan.GetRecordPtr(walk[i + kPrefetchDistance]));
        auto* record = static_cast<uint8_t*>(BlockMan.GetRecordPtr(walk[i]));
        if (GetNull(field.FieldNo, record)) {
            nulls.push_back(uint32_t(i));
            continue;
        }
        const uint8_t* place = record + field.Offset;
        const int64_t key = field.DataType == dtBoolean ? int64_t(place[0] != 0) : ReadInteger(place, field.DataType);
        low = std::min(low, key);
        high = std::max(high, key);
        packed[keyed] = uint64_t(key);
        other[keyed++] = i;
    }
    const uint64_t range = keyed ? uint64_t(high) - uint64_t(low) : 0;
    if (range >> 32)
        return false;
    int bits = 0;
    while (bits < 32 && (range >> bits) != 0)
        ++bits;
    for (size_t i = 0; i < keyed; ++i) {
        const uint64_t distance = descending ? uint64_t(high) - packed[i] : packed[i] - uint64_t(low);
        packed[i] = distance << 32 | other[i];
    }
    RadixSortPacked(packed.get(), other.get(), keyed, bits);

    // Nulls first (last when descending), in walk order; the sorted items then replace the walk.
    static_assert(sizeof(uintptr_t) <= sizeof(uint64_t));
    uint64_t* sorted = other.get();
    size_t at = 0;
    auto put = [&](TItemHeader* item) { sorted[at++] = reinterpret_cast<uintptr_t>(item); };
    if (!descending)
        for (uint32_t i : nulls)
            put(walk[i]);
    for (size_t i = 0; i < keyed; ++i)
        put(walk[uint32_t(packed[i])]);
    if (descending)
        for (uint32_t i : nulls)
            put(walk[i]);
    for (size_t i = 0; i < count; ++i)
        walk[i] = reinterpret_cast<TItemHeader*>(uintptr_t(sorted[i]));
    RelinkSorted(count, [&](size_t i) { return walk[i]; });
    return true;
}

void TMemData::SortItems()
{
    if (FIndexFields.Count() == 0 || !FirstItem)
        return;
    const TSortColumn& first = *FIndexFields.GetItem(0);
    KeyKind kind = KeyKind::None;
    if (SortByNativeKeys(first)) {
        const int code = first.FieldDesc->DataType;
        kind = IsIntegerCode(code) || code == dtBoolean ? KeyKind::Integer
            : IsFloatCode(code)                         ? KeyKind::Double
                                                        : KeyKind::Text;
    }
    TCompareOptions textOptions;
    if (first.SortType == stCaseInsensitive)
        textOptions.Include(coCaseInsensitive);
    else if (first.SortType == stBinary)
        textOptions.Include(coOrdinalCompare);
    if (kind == KeyKind::Integer && FIndexFields.Count() == 1 && SortByIntegerKey(*first.FieldDesc, first.DescendingOrder))
        return;
    const TFieldDesc& field = *first.FieldDesc;
    // The remaining columns (all of them without keys) decide ties.
    const int rest = kind == KeyKind::None ? 0 : 1;
    auto compareRest = [&](const auto& a, const auto& b) {
        if (rest == 0)
            return CompareRecords(BlockMan.GetRecordPtr(a.item), BlockMan.GetRecordPtr(b.item));
        for (int i = rest; i < FIndexFields.Count(); ++i) {
            const TSortColumn& column = *FIndexFields.GetItem(i);
            if (column.FieldDesc->FieldDescKind == fdkCalculated) {
                // Full buffers are made by the record comparison; it compares every column again.
                return CompareRecords(BlockMan.GetRecordPtr(a.item), BlockMan.GetRecordPtr(b.item));
            }
            int result = CompareFields(BlockMan.GetRecordPtr(a.item), BlockMan.GetRecordPtr(b.item), column);
            if (column.DescendingOrder)
                result = -result;
            if (result != 0)
                return result;
        }
        return 0;
    };
    // Short inline texts are copied into the entries themselves, so that no comparison reads an item:
    // the items lie scattered in memory, and each look at an item's key would wait for it.
    if (kind == KeyKind::Text && field.DataType == dtString && field.Size <= kInlineKeyBytes) {
        struct TextEntry {
            char text[kInlineKeyBytes + 1];  // the last byte stays 0
            bool null;
            TItemHeader* item;
        };
        static_assert(sizeof(TextEntry) == 32);
        std::vector<TextEntry> texts(static_cast<size_t>(FRecordCount));
        size_t count = 0;
        for (TItemHeader* item = FirstItem; item; item = item->Next) {
            if (TItemHeader* next = item->Next; next && next->Next) {
                __builtin_prefetch(next->Next);
                __builtin_prefetch(reinterpret_cast<const char*>(next->Next) + 64);
            }
            if (count == texts.size())
                texts.emplace_back();
            TextEntry& entry = texts[count++];
            auto* record = static_cast<uint8_t*>(BlockMan.GetRecordPtr(item));
            entry.null = GetNull(field.FieldNo, record);
            std::memcpy(entry.text, record + field.Offset, field.Size);
            entry.item = item;
        }
        texts.resize(count);
        const bool descending = first.DescendingOrder;
        std::stable_sort(texts.begin(), texts.end(), [&](const TextEntry& a, const TextEntry& b) {
            int result = a.null || b.null ? (a.null && b.null ? 0 : a.null ? -1 : 1)
                                          : CompareAnsiPtr(a.text, b.text, textOptions);
            if (descending)
                result = -result;
            if (result == 0)
                result = compareRest(a, b);
            return result < 0;
        });
        FRecordNoCache.clear();
        RelinkSorted(texts.size(), [&](size_t i) { return texts[i].item; });
        return;
    }
    // One walk of the list takes each item and its key; the item two places on is asked for early.
    std::vector<SortEntry> entries;
    entries.reserve(size_t(FRecordCount));
    for (TItemHeader* item = FirstItem; item; item = item->Next) {
        if (TItemHeader* next = item->Next; next && next->Next) {
            __builtin_prefetch(next->Next);
            __builtin_prefetch(reinterpret_cast<const char*>(next->Next) + 64);
        }
        SortEntry entry{{0}, item, false};
        if (kind != KeyKind::None) {
            auto* record = static_cast<uint8_t*>(BlockMan.GetRecordPtr(item));
            entry.null = GetNull(field.FieldNo, record);
            const uint8_t* place = record + field.Offset;
            switch (kind) {
            case KeyKind::Integer:
                entry.key.i = field.DataType == dtBoolean ? int64_t(place[0] != 0) : ReadInteger(place, field.DataType);
                break;
            case KeyKind::Double:
                entry.key.d = ReadAt<double>(place);
                break;
            default: {
                const char* text = field.DataType == dtString ? reinterpret_cast<const char*>(place)
                                                              : ReadAt<const char*>(place);
                entry.key.s = text ? text : "";
                break;
            }
            }
        }
        entries.push_back(entry);
    }
    const bool descending = first.DescendingOrder;
    auto less = [&](const SortEntry& a, const SortEntry& b) {
        int result = 0;
        if (kind != KeyKind::None) {
            if (a.null || b.null) {
                result = a.null && b.null ? 0 : a.null ? -1 : 1;
            } else if (kind == KeyKind::Integer) {
                result = Sign(a.key.i, b.key.i);
            } else if (kind == KeyKind::Double) {
                result = Sign(a.key.d, b.key.d);
            } else {
                result = CompareAnsiPtr(a.key.s, b.key.s, textOptions);
            }
            if (descending)
                result = -result;
        }
        if (result == 0)
            result = compareRest(a, b);
        return result < 0;
    };
    if (kind == KeyKind::Integer)
        RadixSort(entries, descending, [&](const SortEntry& a, const SortEntry& b) { return compareRest(a, b) < 0; },
                  FIndexFields.Count() > 1);
    else
        std::stable_sort(entries.begin(), entries.end(), less);

    FRecordNoCache.clear();
    RelinkSorted(entries.size(), [&](size_t i) { return entries[i].item; });
}

template <class ItemAt>
void TMemData::RelinkSorted(size_t count, const ItemAt& itemAt)
{
    // One relinking pass; with every item visible it numbers them and fills the record-number cache
    // too (unless it holds them already), so that no second pass over the scattered items is needed.
    const bool allVisible = !FilterActive() && !FCachedUpdates;
    const bool cacheFilled = FRecordNoCache.size() == count;
    if (allVisible && !cacheFilled)
        FRecordNoCache.reserve(count);
    TItemHeader* prior = nullptr;
    int number = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i + 2 * kPrefetchDistance < count)
            __builtin_prefetch(itemAt(i + 2 * kPrefetchDistance), 1);
        TItemHeader* item = itemAt(i);
        item->Prev = prior;
        if (prior)
            prior->Next = item;
        prior = item;
        if (allVisible) {
            item->FilterResult = fsNotOmitted;
            item->Order = ++number;
            if (!cacheFilled)
                FRecordNoCache.push_back(item);
        }
    }
    prior->Next = nullptr;
    FirstItem = itemAt(0);
    LastItem = prior;
    if (allVisible) {
        FRecordNoOffset = 0;
        FRecordCount = number;
    } else {
        FRecordNoCache.clear();
        ReorderItems(nullptr, 2);
    }
}

void TMemData::UnlinkItem(TItemHeader* Item)
{
    if (Item->Prev)
        Item->Prev->Next = Item->Next;
    else
        FirstItem = Item->Next;
    if (Item->Next)
        Item->Next->Prev = Item->Prev;
    else
        LastItem = Item->Prev;
    Item->Prev = Item->Next = nullptr;
}

void TMemData::LinkAfter(TItemHeader* Item, TItemHeader* Prior)
{
    Item->Prev = Prior;
    Item->Next = Prior ? Prior->Next : FirstItem;
    if (Item->Next)
        Item->Next->Prev = Item;
    else
        LastItem = Item;
    if (Prior)
        Prior->Next = Item;
    else
        FirstItem = Item;
}

void TMemData::MoveSortedItem(int Direction)
{
    TItemHeader* item = CurrentItem;
    if (!item || Direction == 0 || FIndexFields.Count() == 0)
        return;
    FRecordNoCache.clear();
    void* record = BlockMan.GetRecordPtr(item);
    // The exchanges with each neighbour in turn end in the same place as one relinking there.
    if (Direction < 0) {
        TItemHeader* before = item->Prev;
        while (before && CompareRecords(record, BlockMan.GetRecordPtr(before)) < 0)
            before = before->Prev;
        if (before == item->Prev)
            return;
        UnlinkItem(item);
        LinkAfter(item, before);
    } else {
        TItemHeader* after = item->Next;
        TItemHeader* last = item;
        while (after && CompareRecords(record, BlockMan.GetRecordPtr(after)) > 0) {
            last = after;
            after = after->Next;
        }
        if (last == item)
            return;
        UnlinkItem(item);
        LinkAfter(item, last);
    }
}

} // namespace data
