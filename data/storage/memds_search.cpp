// The in-memory dataset's operations on the store as a whole: record search with a binary search
// over sorted data, filters by expression and by event, local sorting and the cached-update control.
#include "data/storage/memds.h"

#include "data/storage/memutils.h"

#include "core/bcd.h"
#include "core/codepage.h"
#include "core/convert.h"
#include "core/exception.h"
#include "core/string.h"

#include <algorithm>
#include <cstring>

namespace data {

namespace {

void* NewBuffer(const void* Source, size_t Size)
{
    void* buffer = Marshal::AllocHGlobal(Size);
    std::memcpy(buffer, Source, Size);
    return buffer;
}

void* AnsiBuffer(const std::string& Text)
{
    return NewBuffer(Text.c_str(), Text.size() + 1);
}

void* WideBuffer(const String& Text)
{
    return NewBuffer(Text.c_str(), (Text.size() + 1) * sizeof(Char));
}

// Bytes behind their 16-bit length, as byte-array fields are compared.
void* LengthPrefixed(const uint8_t* Data, size_t Size)
{
    const uint16_t length = uint16_t(std::min<size_t>(Size, 0xFFFF));
    auto* buffer = static_cast<uint8_t*>(Marshal::AllocHGlobal(size_t(length) + 2));
    std::memcpy(buffer, &length, 2);
    if (length)
        std::memcpy(buffer + 2, Data, length);
    return buffer;
}

[[noreturn]] void CannotConvert()
{
    throw core::EConvertError(u"Cannot convert type");
}

bool IsBlankText(StringView Text)
{
    for (Char c : Text)
        if (c > u' ')
            return false;
    return true;
}

TCompareOptions CompareOptionsOf(TLocateExOptions Options)
{
    TCompareOptions result;
    if (Options.Contains(lxCaseInsensitive))
        result.Include(coCaseInsensitive);
    if (Options.Contains(lxPartialKey))
        result.Include(coPartialKey);
    if (Options.Contains(lxPartialCompare))
        result.Include(coPartialCompare);
    return result;
}

TLocateExOptions LocateExOptionsOf(TLocateOptions Options)
{
    TLocateExOptions result;
    if (Options & loCaseInsensitive)
        result.Include(lxCaseInsensitive);
    if (Options & loPartialKey)
        result.Include(lxPartialKey);
    return result;
}

// The key buffers of one search, freed with it.
struct TKey {
    TFieldDesc* Desc = nullptr;
    Variant Value;
    void* Buffer = nullptr;
    uint16_t DataType = 0;
    const TSortColumn* Column = nullptr;  // the sort column of a key of the sorted prefix
};

struct TKeys {
    std::vector<TKey> Items;
    ~TKeys()
    {
        for (TKey& key : Items)
            Marshal::FreeHGlobal(key.Buffer);
    }
};

// A store without native comparison compares the key with the field's value as variants.
int CompareAsVariants(TData& Data, const Variant& Key, const TFieldDesc& FieldDesc, const void* RecBuf,
                      TCompareOptions Options)
{
    Variant field;
    Data.GetFieldAsVariant(FieldDesc.FieldNo, RecBuf, field);
    if (Key.IsString() || field.IsString()) {
        String key = Key.AsString(), text = field.AsString();
        if (Options.Contains(coCaseInsensitive)) {
            key = core::AnsiUpperCase(key);
            text = core::AnsiUpperCase(text);
        }
        if (Options.Contains(coPartialCompare))
            return text.find(key) != String::npos ? 0 : 1;
        if (Options.Contains(coPartialKey))
            text = text.substr(0, key.size());
        return key.compare(text) < 0 ? -1 : key.compare(text) > 0 ? 1 : 0;
    }
    return Key == field ? 0 : Key < field ? -1 : 1;
}

} // namespace

// ---- key values ---------------------------------------------------------------------------------

void TMemDataSet::KeyValueToBuffer(const Variant& Value, void*& Buffer, bool ConvertStrings,
                                   const TFieldDesc& FieldDesc, uint16_t& DataType)
{
    Buffer = nullptr;
    DataType = FieldDesc.DataType;
    if (Value.IsNull() || Value.IsEmpty())
        return;
    const int code = FieldDesc.DataType;
    if (Value.IsString()) {
        const String text = Value.AsString();
        if (ConvertStrings) {
            // A parsed value is then stored as a value of its own kind.
            switch (code) {
            case dtInt8: case dtInt16: case dtInt32: case dtUInt16:
                return KeyValueToBuffer(Variant(core::StrToInt(text)), Buffer, false, FieldDesc, DataType);
            case dtFloat: case dtCurrency: case dtBCD: case dtFMTBCD:
                return KeyValueToBuffer(Variant(core::StrToFloat(text)), Buffer, false, FieldDesc, DataType);
            case dtDate: case dtTime: case dtDateTime:
                return KeyValueToBuffer(Variant(text).AsType(core::varDate), Buffer, false, FieldDesc, DataType);
            case dtInt64: case dtUInt32:
                return KeyValueToBuffer(Variant(core::StrToInt64(text)), Buffer, false, FieldDesc, DataType);
            case dtBoolean: {
                const uint8_t value = core::StrToBool(text) ? 1 : 0;
                Buffer = NewBuffer(&value, 1);
                DataType = dtBoolean;
                return;
            }
            case dtBytes: case dtVarBytes: case dtExtVarBytes: {
                const std::string bytes = core::ToAnsi(text);
                Buffer = LengthPrefixed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
                return;
            }
            case dtWideString: case dtExtWideString: case dtWideMemo:
                Buffer = WideBuffer(text);
                DataType = dtWideString;
                return;
            default:
                if (code == dtUnknown || (code >= dtObject && code <= dtTable) || code > dtWideMemo)
                    CannotConvert();
                Buffer = AnsiBuffer(core::ToAnsi(text));
                DataType = dtString;
                return;
            }
        }
        switch (code) {
        case dtBoolean: {
            const uint8_t value = Value.AsBoolean() ? 1 : 0;
            Buffer = NewBuffer(&value, 1);
            DataType = dtBoolean;
            return;
        }
        case dtBytes: case dtVarBytes: case dtExtVarBytes: {
            const std::string bytes = core::ToAnsi(text);
            Buffer = LengthPrefixed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            return;
        }
        case dtWideString: case dtExtWideString:
            Buffer = WideBuffer(text);
            DataType = dtWideString;
            return;
        default:
            Buffer = AnsiBuffer(core::ToAnsi(text));
            DataType = dtString;
            return;
        }
    }
    switch (code) {
    case dtString: case dtExtString:
        Buffer = AnsiBuffer(core::ToAnsi(Value.AsString()));
        DataType = dtString;
        return;
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: {
        const int32_t value = Value.AsInteger();
        Buffer = NewBuffer(&value, sizeof value);
        DataType = dtInt32;
        return;
    }
    case dtUInt32: {
        // Unsigned, so that values above the signed range keep their order.
        const uint32_t value = uint32_t(Value.AsInt64());
        Buffer = NewBuffer(&value, sizeof value);
        DataType = dtUInt32;
        return;
    }
    case dtFloat: case dtCurrency: case dtBCD: case dtDate: case dtTime: case dtDateTime: {
        const double value = (code >= dtDate && code <= dtDateTime) ? Value.AsDateTime() : Value.AsDouble();
        Buffer = NewBuffer(&value, sizeof value);
        return;
    }
    case dtBoolean: {
        const uint8_t value = Value.AsBoolean() ? 1 : 0;
        Buffer = NewBuffer(&value, 1);
        return;
    }
    case dtInt64: {
        const int64_t value = Value.AsInt64();
        Buffer = NewBuffer(&value, sizeof value);
        return;
    }
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
        CORE_ASSERT(Value.VarType() == (core::varArray | core::varByte), u"Assertion failure");
        const auto bytes = Value.AsBytes();
        Buffer = LengthPrefixed(bytes.data(), bytes.size());
        return;
    }
    case dtWideString: case dtExtWideString:
        Buffer = WideBuffer(Value.AsString());
        DataType = dtWideString;
        return;
    case dtFMTBCD: {
        const core::Bcd value = Value.AsBcd();
        Buffer = NewBuffer(&value, sizeof value);
        return;
    }
    default:
        CannotConvert();
    }
}

// ---- search -------------------------------------------------------------------------------------

bool TMemDataSet::LocateRecordByNames(StringView KeyFields, const Variant& KeyValues, TLocateExOptions Options,
                                      bool SavePos)
{
    std::vector<TFieldDesc*> descs;
    size_t start = 0;
    while (start <= KeyFields.size()) {
        size_t end = KeyFields.find(u';', start);
        if (end == StringView::npos)
            end = KeyFields.size();
        StringView name = KeyFields.substr(start, end - start);
        while (!name.empty() && name.front() == u' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == u' ')
            name.remove_suffix(1);
        if (!name.empty())
            descs.push_back(FData->FieldByName(name));
        start = end + 1;
    }
    return LocateRecord(descs, KeyValues, Options, SavePos);
}

bool TMemDataSet::LocateRecordByFields(const std::vector<TField*>& KeyFields, const Variant& KeyValues,
                                       TLocateExOptions Options, bool SavePos)
{
    std::vector<TFieldDesc*> descs;
    for (TField* field : KeyFields)
        if (field)
            descs.push_back(GetFieldDesc(field));
    return LocateRecord(descs, KeyValues, Options, SavePos);
}

bool TMemDataSet::LocateRecord(const std::vector<TFieldDesc*>& KeyFields, const Variant& KeyValues,
                               TLocateExOptions Options, bool SavePos)
{
    if (KeyFields.empty())
        return false;
    CheckBrowseMode();
    UpdateCursorPos();
    RecordBuffer buffer = TempBuffer();
    FreeRecBufComplexFields(buffer, true);

    TRecBookmark saved;
    FData->GetBookmark(&saved);
    int rangeStart = 1;
    int rangeEnd = FData->GetRecordCount();

    TKeys keys;
    keys.Items.resize(KeyFields.size());
    bool calculated = false;
    for (size_t i = 0; i < KeyFields.size(); ++i) {
        keys.Items[i].Desc = KeyFields[i];
        calculated = calculated || KeyFields[i]->FieldDescKind != fdkData;
    }
    if (!KeyValues.IsArray() || (KeyFields.size() == 1 && KeyValues.ArrayCount() > 1)) {
        keys.Items[0].Value = KeyValues;
    } else {
        const int count = KeyValues.ArrayCount();
        for (size_t i = 0; i < keys.Items.size() && int(i) < count; ++i)
            keys.Items[i].Value = KeyValues.ArrayItem(int(i));
    }
    for (size_t i = 1; i < keys.Items.size(); ++i)
        if (keys.Items[i].Value.IsEmpty())
            keys.Items[i].Value = Variant::Null();

    // The sorted prefix: the leading sort columns that are keys searched with a fitting case option.
    size_t sorted = 0;
    const bool caseless = Options.Contains(lxCaseInsensitive);
    if (FMemData && !Options.Contains(lxPartialKey) && !Options.Contains(lxPartialCompare) &&
        !Options.Contains(lxNearest)) {
        const TSortColumns& columns = FMemData->IndexFields();
        for (int c = 0; c < columns.Count() && sorted < keys.Items.size(); ++c) {
            const TSortColumn& column = *columns.GetItem(c);
            const bool fits = column.SortType == stCaseInsensitive ? caseless : !caseless;
            size_t at = sorted;
            while (at < keys.Items.size() && keys.Items[at].Desc != column.FieldDesc)
                ++at;
            if (!fits || at == keys.Items.size())
                break;
            std::rotate(keys.Items.begin() + std::ptrdiff_t(sorted), keys.Items.begin() + std::ptrdiff_t(at),
                        keys.Items.begin() + std::ptrdiff_t(at) + 1);
            keys.Items[sorted].Column = &column;
            ++sorted;
        }
    }
    try {
        for (size_t i = 0; i < keys.Items.size(); ++i) {
            TKey& key = keys.Items[i];
            KeyValueToBuffer(key.Value, key.Buffer, i < sorted, *key.Desc, key.DataType);
        }
    } catch (const core::EConvertError&) {
        sorted = 0;
    } catch (const core::EVariantError&) {
        sorted = 0;
    }

    const TCompareOptions options = CompareOptionsOf(Options);
    auto fetch = [&]() {
        FData->GetRecord(buffer);
        if (calculated && !FCacheCalcFields)
            GetCalcFields(buffer);
    };
    // Sign of the key minus the field; a Null key equals a null field and sorts before any value.
    auto compareKey = [&](const TKey& key, TCompareOptions keyOptions) {
        const bool fieldNull = FData->GetNull(key.Desc->FieldNo, buffer);
        if (!key.Buffer)
            return fieldNull ? 0 : -1;
        if (fieldNull)
            return 1;
        return FMemData ? FMemData->CompareFieldValue(key.Buffer, key.DataType, *key.Desc, buffer, keyOptions)
                        : CompareAsVariants(*FData, key.Value, *key.Desc, buffer, keyOptions);
    };
    auto comparePrefix = [&]() {
        for (size_t i = 0; i < sorted; ++i) {
            const TKey& key = keys.Items[i];
            TCompareOptions keyOptions = options;
            if (key.Column->SortType == stBinary)
                keyOptions.Include(coOrdinalCompare);
            int result = compareKey(key, keyOptions);
            if (key.Column->DescendingOrder)
                result = -result;
            if (result != 0)
                return result;
        }
        return 0;
    };
    auto restore = [&]() {
        if (!(FData->GetBof() && FData->GetEof()))
            FData->SetToBookmark(&saved);
    };

    const bool next = Options.Contains(lxNext);
    const bool up = Options.Contains(lxUp);
    if (sorted > 0 && next) {
        FData->GetNextRecord(nullptr);
        if (FData->GetEof()) {
            restore();
            return false;
        }
        rangeStart = FData->GetRecordNo();
    }
    if (sorted > 0 && up) {
        FData->GetPriorRecord(nullptr);
        if (FData->GetBof()) {
            restore();
            return false;
        }
        rangeEnd = FData->GetRecordNo();
    }

    bool found = false;
    int candidate = 0;
    if (sorted > 0) {
        FMemData->PrepareRecNoCache();
        auto compareAt = [&](int recNo) {
            FMemData->SetRecordNo(recNo);
            fetch();
            return comparePrefix();
        };
        int low = rangeStart, high = rangeEnd;
        if (low <= high) {
            int result = compareAt(low);
            if (result <= 0) {
                candidate = result == 0 ? low : 0;
            } else if (low < high && (result = compareAt(high)) >= 0) {
                candidate = result == 0 ? high : 0;
            } else if (low < high) {
                while (high - low > 1) {
                    const int middle = low + (high - low) / 2;
                    result = compareAt(middle);
                    if (result == 0) {
                        candidate = middle;
                        break;
                    }
                    (result < 0 ? high : low) = middle;
                }
            }
        }
        if (candidate) {
            // Equal keys: the first of them (the last searching upwards).
            if (up)
                while (candidate < rangeEnd && compareAt(candidate + 1) == 0)
                    ++candidate;
            else
                while (candidate > rangeStart && compareAt(candidate - 1) == 0)
                    --candidate;
            FMemData->SetRecordNo(candidate);
            found = sorted == keys.Items.size();
        }
    }

    if (!found && (sorted == 0 || candidate)) {
        auto matches = [&]() {
            for (size_t i = 0; i < keys.Items.size(); ++i) {
                const TKey& key = keys.Items[i];
                const bool fieldNull = FData->GetNull(key.Desc->FieldNo, buffer);
                if (!key.Buffer) {
                    if (!fieldNull)
                        return false;
                    continue;
                }
                if (fieldNull)
                    return false;
                const int result = compareKey(key, options);
                if (result != 0 && !(Options.Contains(lxNearest) && result < 0))
                    return false;
            }
            return true;
        };
        auto step = [&]() {
            up ? FData->GetPriorRecord(buffer) : FData->GetNextRecord(buffer);
            if (up ? FData->GetBof() : FData->GetEof())
                return false;
            if (calculated && !FCacheCalcFields)
                GetCalcFields(buffer);
            return true;
        };
        if (candidate) {
            // The records with the prefix's keys follow one another: the scan ends with them.
            fetch();
            found = matches();
            while (!found && step() && comparePrefix() == 0)
                found = matches();
        } else {
            if (!next && !up)
                FData->SetToBegin();
            while (!found && step())
                found = matches();
            if (!found && Options.Contains(lxNearest) && FData->GetRecordCount() > 0) {
                // Past every record: the last one is the nearest.
                FData->SetToEnd();
                FData->GetPriorRecord(nullptr);
                found = true;
            }
        }
    }

    if (found)
        fetch();  // the search may have looked at other records last
    if (SavePos || !found)
        restore();
    return found;
}

bool TMemDataSet::Locate(StringView KeyFields, const Variant& KeyValues, TLocateOptions Options)
{
    DoBeforeScroll();
    const bool result = LocateRecordByNames(KeyFields, KeyValues, LocateExOptionsOf(Options), false);
    if (result) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return result;
}

bool TMemDataSet::Locate(const std::vector<TField*>& KeyFields, const Variant& KeyValues, TLocateOptions Options)
{
    DoBeforeScroll();
    const bool result = LocateRecordByFields(KeyFields, KeyValues, LocateExOptionsOf(Options), false);
    if (result) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return result;
}

bool TMemDataSet::LocateEx(StringView KeyFields, const Variant& KeyValues, TLocateExOptions Options)
{
    DoBeforeScroll();
    const bool result = LocateRecordByNames(KeyFields, KeyValues, Options, false);
    if (result) {
        Resync(0);
        DoAfterScroll();
    }
    return result;
}

bool TMemDataSet::LocateEx(const std::vector<TField*>& KeyFields, const Variant& KeyValues, TLocateExOptions Options)
{
    DoBeforeScroll();
    const bool result = LocateRecordByFields(KeyFields, KeyValues, Options, false);
    if (result) {
        Resync(0);
        DoAfterScroll();
    }
    return result;
}

Variant TMemDataSet::Lookup(StringView KeyFields, const Variant& KeyValues, StringView ResultFields)
{
    CheckActive();
    Variant result = Variant::Null();
    if (!LocateRecordByNames(KeyFields, KeyValues, TLocateExOptions(), true))
        return result;
    const TDataSetState saved = EnterTempState(dsCalcFields);
    try {
        CalculateFields(TempBuffer());
        result = FieldValues(ResultFields);
    } catch (...) {
        LeaveTempState(saved);
        throw;
    }
    LeaveTempState(saved);
    return result;
}

// ---- sorting ------------------------------------------------------------------------------------

void TMemDataSet::SetIndexFieldNames(StringView Value)
{
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    if (FMemData) {
        FMemData->SetIndexFieldNames(Value);
        if (Active() && FMemData->IndexFields().Count() > 0)
            Resync(0);
    }
    FIndexFieldNames = String(Value);
}

// ---- filters ------------------------------------------------------------------------------------

void TMemDataSet::ActivateFilter()
{
    DeactivateFilter();
    InstallFilterFunc();
    if (!IsBlankText(Filter()))
        FData->SetFilterText(Filter());
    FData->FilterCaseInsensitive = (FilterOptions() & foCaseInsensitive) != 0;
    FData->FilterNoPartialCompare = (FilterOptions() & foNoPartialCompare) != 0;
}

void TMemDataSet::DeactivateFilter()
{
    if (FMemData)
        FMemData->FilterFunc = nullptr;
    FData->SetFilterText(u"");
}

void TMemDataSet::InstallFilterFunc()
{
    if (!FMemData)
        return;
    if (Filtered() && OnFilterRecord())
        FMemData->FilterFunc = [this](void* RecBuf) { return FilterRecordHandler(RecBuf); };
    else
        FMemData->FilterFunc = nullptr;
}

bool TMemDataSet::FilterRecordHandler(void* RecBuf)
{
    // The store hands over its record (and its calculated part); the handler may read anything of the
    // dataset's buffer layout, so it sees a copy of full size.
    FFilterCopy.assign(size_t(std::max(FRecBufSize, FData->RecordSize())), 0);
    size_t size = size_t(FData->RecordSize());
    if (FCreateCalcFieldDescs && !FCacheCalcFields && FData->CalcRecordSize() > 0)
        size += size_t(FData->CalcRecordSize());
    std::memcpy(FFilterCopy.data(), RecBuf, std::min(size, FFilterCopy.size()));
    bool accept = true;
    RecordBuffer previous = FFilterBuffer;
    FFilterBuffer = FFilterCopy.data();
    const TDataSetState saved = EnterTempState(dsFilter);
    try {
        OnFilterRecord()(*this, accept);
    } catch (const std::exception& error) {
        ReportException(error);
        accept = true;
    }
    LeaveTempState(saved);
    FFilterBuffer = previous;
    return accept;
}

void TMemDataSet::FilterChanged()
{
    if (FMemData)
        FMemData->FilterUpdated();
    Resync(0);
    First();
}

void TMemDataSet::SetFiltered(bool Value)
{
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    if (Value == Filtered())
        return;
    TDataSet::SetFiltered(Value);
    if (FData) {
        if (Value)
            ActivateFilter();
        else
            DeactivateFilter();
    }
    if (Active())
        FilterChanged();
}

void TMemDataSet::SetFilterData(StringView Text, TFilterOptions Options)
{
    if (Active())
        CheckBrowseMode();
    if (Text == Filter() && Options == FilterOptions())
        return;
    if (FData) {
        FData->FilterCaseInsensitive = (Options & foCaseInsensitive) != 0;
        FData->FilterNoPartialCompare = (Options & foNoPartialCompare) != 0;
        FData->SetFilterText(IsBlankText(Text) || !Filtered() ? StringView() : Text);
    }
    TDataSet::SetFilter(Text);
    TDataSet::SetFilterOptions(Options);
    if (Active() && Filtered())
        FilterChanged();
}

void TMemDataSet::SetFilter(StringView Text) { SetFilterData(Text, FilterOptions()); }

void TMemDataSet::SetFilterOptions(TFilterOptions Options) { SetFilterData(Filter(), Options); }

void TMemDataSet::SetOnFilterRecord(FilterRecordEvent Handler)
{
    if (Active())
        CheckBrowseMode();
    TDataSet::SetOnFilterRecord(std::move(Handler));
    InstallFilterFunc();
    if (Active())
        FilterChanged();
}

bool TMemDataSet::FindFilteredRecord(bool Restart, bool GoForward)
{
    CheckBrowseMode();
    DoBeforeScroll();
    bool found = false;
    UpdateCursorPos();
    CursorPosChanged();  // the store moves on its own here
    // The filter of one search: the store forgets its decisions (and the record numbers built on
    // them) before and after.
    const bool temporary = !Filtered() && FData;
    if (temporary) {
        ActivateFilter();
        if (FMemData)
            FMemData->FilterUpdated();
    }
    auto removeTemporary = [&]() {
        if (!temporary)
            return;
        DeactivateFilter();
        if (FMemData)
            FMemData->FilterUpdated();
    };
    try {
        if (GoForward) {
            if (Restart)
                FData->SetToBegin();
            FData->GetNextRecord(nullptr);
        } else {
            if (Restart)
                FData->SetToEnd();
            FData->GetPriorRecord(nullptr);
        }
    } catch (...) {
        removeTemporary();
        throw;
    }
    removeTemporary();
    if (!FData->GetBof() && !FData->GetEof()) {
        Resync(rmCenter);
        found = true;
    }
    if (found)
        DoAfterScroll();
    return found;
}

// ---- cached updates -----------------------------------------------------------------------------

void TMemDataSet::CheckCachedUpdates() const
{
    if (!FCachedUpdates)
        DatabaseError(u"Not in cached update mode");
}

void TMemDataSet::SetCachedUpdates(bool Value)
{
    if (Value == FCachedUpdates)
        return;
    CheckInactive();
    if (FData)
        FData->SetCachedUpdates(Value);
    FCachedUpdates = Value;
}

TUpdateRecordTypes TMemDataSet::UpdateRecordTypes() const
{
    CheckCachedUpdates();
    return FUpdateRecordTypes;
}

void TMemDataSet::SetStoreItemTypes()
{
    TItemTypes types;
    if (FUpdateRecordTypes & rtModified)
        types.Include(isUpdated);
    if (FUpdateRecordTypes & rtInserted)
        types.Include(isAppended);
    if (FUpdateRecordTypes & rtDeleted)
        types.Include(isDeleted);
    if (FUpdateRecordTypes & rtUnmodified)
        types.Include(isUnmodified);
    FData->SetFilterItemTypes(types);
}

void TMemDataSet::SetUpdateRecordTypes(TUpdateRecordTypes Value)
{
    CheckCachedUpdates();
    if (Active()) {
        UpdateCursorPos();
        if (State() == dsEdit || State() == dsInsert)
            Modified() ? Post() : Cancel();
        else if (State() == dsSetKey)
            Post();
    }
    FUpdateRecordTypes = Value;
    if (FData)
        SetStoreItemTypes();
    if (Active())
        Resync(0);
}

TUpdateStatus TMemDataSet::UpdateStatus() const
{
    if (!FCachedUpdates || IsEmpty())
        return usUnmodified;
    RecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    return buffer ? RecInfoUpdateStatus(buffer) : usUnmodified;
}

TUpdateAction TMemDataSet::UpdateResult()
{
    CheckActive();
    UpdateCursorPos();
    const TUpdateRecAction result = FData->GetUpdateResult();
    return result == urNone || result == urSuspended ? uaApplied : TUpdateAction(result);
}

void TMemDataSet::EndCacheProcessing()
{
    FInCacheProcessing = false;
    FData->SetCacheRecBuf(nullptr, nullptr);
    DisposeRecordBuffer(NewCacheRecBuf);
    DisposeRecordBuffer(OldCacheRecBuf);
}

// Apply and commit walk the store's cache with the two cache buffers lent to it; a failed apply
// still shows what the handlers left, a failed commit changes nothing to show.
void TMemDataSet::ProcessCache(void (TData::*Operation)(), bool ResyncOnFailure)
{
    CheckActive();
    FreeBuffersComplexFields();
    if (State() == dsEdit || State() == dsInsert)
        Post();
    CheckCachedUpdates();
    UpdateCursorPos();
    NewCacheRecBuf = NewRecordBuffer();
    OldCacheRecBuf = NewRecordBuffer();
    FInCacheProcessing = true;
    try {
        FData->SetCacheRecBuf(NewCacheRecBuf, OldCacheRecBuf);
        (FData.get()->*Operation)();
    } catch (...) {
        EndCacheProcessing();
        if (ResyncOnFailure)
            Resync(0);
        throw;
    }
    EndCacheProcessing();
    Resync(0);
}

void TMemDataSet::ApplyUpdates() { ProcessCache(&TData::ApplyUpdates, true); }

void TMemDataSet::CommitUpdates() { ProcessCache(&TData::CommitUpdates, false); }

void TMemDataSet::CancelUpdates()
{
    CheckActive();
    FreeBuffersComplexFields();
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    CheckCachedUpdates();
    UpdateCursorPos();
    FData->CancelUpdates();
    Resync(0);
}

void TMemDataSet::RestoreUpdates()
{
    CheckActive();
    FreeBuffersComplexFields();
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    CheckCachedUpdates();
    UpdateCursorPos();
    FData->RestoreUpdates();
    Resync(0);
}

void TMemDataSet::RevertRecord()
{
    CheckActive();
    if (RecordBuffer active = ActiveBuffer())
        FreeRecBufComplexFields(active, true);
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey)
        Cancel();
    CheckCachedUpdates();
    UpdateCursorPos();
    FData->RevertRecord();
    Resync(0);
}

} // namespace data
