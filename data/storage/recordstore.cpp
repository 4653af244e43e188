// The abstract record set: layout, field values, complex slots, lifecycle and editing.
#include "data/storage/recordstore.h"

#include "data/storage/filter.h"

#include "data/storage/memutils.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/datetime.h"
#include "core/exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace data {

std::function<void()> StartWaitProc;
std::function<void()> StopWaitProc;
std::function<void(String& Title)> ApplicationTitleProc;

void CallStartWaitHook()
{
    if (StartWaitProc)
        StartWaitProc();
}

void CallStopWaitHook()
{
    if (StopWaitProc)
        StopWaitProc();
}

String GetHostAppTitle()
{
    String title;
    if (ApplicationTitleProc)
        ApplicationTitleProc(title);
    return title;
}

namespace {

[[noreturn]] void Fail(StringView message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

bool IsTextCode(uint16_t type)
{
    return type == dtString || type == dtExtString || type == dtWideString || type == dtExtWideString;
}

bool IsByReference(uint16_t type)
{
    return type == dtExtString || type == dtExtVarBytes || type == dtExtWideString;
}

// Copies text units with line-break completion: CR LF as it is, a lone LF as CR LF; stops at a zero
// and after `length` units, and ends the result with a zero.
template<class Unit>
void CopyWithCrLf(const uint8_t* source, uint8_t* dest, int length)
{
    int written = 0;
    Unit previous = 0;
    for (int i = 0; written < length; ++i) {
        Unit c;
        std::memcpy(&c, source + i * sizeof(Unit), sizeof c);
        if (!c)
            break;
        if (c == Unit('\n') && previous != Unit('\r')) {
            const Unit cr = Unit('\r');
            std::memcpy(dest + written++ * sizeof(Unit), &cr, sizeof cr);
            if (written >= length)
                break;
        }
        std::memcpy(dest + written++ * sizeof(Unit), &c, sizeof c);
        previous = c;
    }
    const Unit zero = 0;
    std::memcpy(dest + written * sizeof(Unit), &zero, sizeof zero);
}

// Units before the first zero, at most `limit`.
template<class Unit>
int LengthZ(const uint8_t* text, int limit)
{
    int n = 0;
    for (Unit c; n < limit; ++n) {
        std::memcpy(&c, text + n * sizeof(Unit), sizeof c);
        if (!c)
            break;
    }
    return n;
}

double RoundToScale(double value, int scale)
{
    if (scale <= 0 || !std::isfinite(value))
        return value;
    return core::StrToFloat(core::FloatToStrF(value, core::FloatFormat::Fixed, 18, scale));
}

} // namespace

// ---- lifecycle ----------------------------------------------------------------------------------

TData::TData() = default;

TData::~TData()
{
    try {
        Close();
        ClearFields();
    } catch (...) {
        core::HandleException();
    }
}

void TData::InitData()
{
    FBOF = FEOF = true;
    FRecordCount = 0;
    FRecordNoOffset = 0;
}

void TData::Prepare()
{
    DoPrepare();
    FPrepared = true;
}

void TData::UnPrepare()
{
    if (!FPrepared)
        return;
    FPrepared = false;
    if (AutoInitFields)
        ClearFields();
    DoUnPrepare();
}

void TData::Open()
{
    if (FActive)
        return;
    InitData();
    try {
        DoOpen(false);
    } catch (...) {
        FreeData();
        FreeFilter();
        throw;
    }
    try {
        ParseFilter();
    } catch (...) {
        try {
            DoClose();
        } catch (...) {
        }
        FreeData();
        FreeFilter();
        throw;
    }
    FActive = true;
}

void TData::Close()
{
    struct Finally {
        TData* data;
        ~Finally()
        {
            data->FActive = false;
            data->FreeData();
            if (data->AutoInitFields && !data->FPrepared)
                data->ClearFields();
            data->FreeFilter();
        }
    };
    Finally finally{this};
    if (FActive)
        DoClose();
}

void TData::SetFilterText(StringView Value)
{
    if (Value == FFilterText)
        return;
    if (FActive) {
        // Parsed into a new tree and swapped in on success, so that text and filter always agree.
        std::unique_ptr<TFilterExpression> parsed = ParseFilterText(Value, *this);
        FFilterExpression = std::move(parsed);
    }
    FFilterText = String(Value);
}

void TData::ParseFilter()
{
    FFilterExpression = ParseFilterText(FFilterText, *this);
}

void TData::FreeFilter()
{
    FFilterExpression.reset();
}

void TData::SetCachedUpdates(bool Value)
{
    if (Value == FCachedUpdates)
        return;
    if (FCachedUpdates)
        CancelUpdates();
    FCachedUpdates = Value;
    if (Value)
        SetFilterItemTypes({isUnmodified, isUpdated, isAppended});
}

void TData::Reopen()
{
    Close();
    Open();
}

void TData::ClearFields()
{
    FFields.Clear();
    if (OnFieldsChanged)
        OnFieldsChanged();
}

bool TData::IsBlobFieldType(uint16_t DataType) const
{
    return DataType == dtBlob || DataType == dtMemo || DataType == dtWideMemo;
}

bool TData::IsComplexFieldType(uint16_t DataType) const
{
    return DataType == dtVariant || DataType == dtExtString || DataType == dtExtVarBytes ||
        DataType == dtExtWideString || IsBlobFieldType(DataType);
}

bool TData::HasFields(std::initializer_list<uint16_t> FieldTypes) const
{
    for (int i = 0; i < FFields.Count(); ++i)
        if (std::find(FieldTypes.begin(), FieldTypes.end(), FFields.Items(i)->DataType) != FieldTypes.end())
            return true;
    return false;
}

bool TData::HasBlobFields() const
{
    for (int i = 0; i < FFields.Count(); ++i)
        if (IsBlobFieldType(FFields.Items(i)->DataType))
            return true;
    return false;
}

bool TData::CheckHasComplexFields()
{
    FHasComplexFields = false;
    for (int i = 0; i < FFields.Count(); ++i)
        if (IsComplexFieldType(FFields.Items(i)->DataType))
            FHasComplexFields = true;
    return FHasComplexFields;
}

void TData::MakeNamesUnique()
{
    std::vector<TFieldDesc*> top;
    for (int i = 0; i < FFields.Count(); ++i)
        if (!FFields.Items(i)->HasParent())
            top.push_back(FFields.Items(i));
    // Empty names are numbered from 0; of equal names the first keeps it and the others are numbered
    // from 1 in field order. A new name that meets an existing one wins: the existing field is
    // numbered in turn, until every name is unique.
    std::vector<bool> renamed(top.size(), false);
    int empty = 0;
    for (size_t i = 0; i < top.size(); ++i) {
        if (top[i]->Name.empty()) {
            top[i]->Name = u"_" + core::IntToStr(empty++);
            top[i]->Reserved = true;
            renamed[i] = true;
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        std::map<String, std::vector<size_t>> groups;
        for (size_t i = 0; i < top.size(); ++i)
            groups[StrToUpper(top[i]->Name)].push_back(i);
        for (auto& [key, members] : groups) {
            if (members.size() < 2)
                continue;
            auto keeper = std::find_if(members.begin(), members.end(), [&](size_t i) { return renamed[i]; });
            const size_t keep = keeper == members.end() ? members.front() : *keeper;
            int k = 0;
            for (size_t i : members) {
                top[i]->Reserved = true;
                if (i == keep)
                    continue;
                top[i]->Name += u"_" + core::IntToStr(++k);
                renamed[i] = true;
            }
            for (size_t i : members)
                if (i != keep)
                    renamed[i] = true;
            renamed[keep] = keeper != members.end();
            changed = true;
        }
    }
}

void TData::InitFields()
{
    if (AutoInitFields) {
        auto changed = std::move(OnFieldsChanged);
        try {
            ClearFields();
        } catch (...) {
            OnFieldsChanged = std::move(changed);
            throw;
        }
        OnFieldsChanged = std::move(changed);
        DoInitFields();
        if (OnGetCachedFields)
            OnGetCachedFields();
        MakeNamesUnique();
    }
    int offset = 0;
    for (int i = 0; i < FFields.Count(); ++i) {
        TFieldDesc& field = *FFields.Items(i);
        field.FieldNo = uint16_t(i + 1);
        if (field.HasParent() || field.FieldDescKind == fdkCalculated)
            continue;
        if (field.DataType == dtWideString && offset % 2)
            ++offset;
        // A Boolean is 16 bits wide everywhere (field buffers, variant conversions), whatever width
        // the source declared.
        if (field.DataType == dtBoolean)
            field.Size = 2;
        field.Offset = offset;
        offset += field.Size;
    }
    FDataSize = offset;
    FRecordSize = FDataSize + GetIndicatorSize();
    if (FRecordSize % 2 == 0)
        ++FRecordSize;
    int calc = FRecordSize;
    for (int i = 0; i < FFields.Count(); ++i) {
        TFieldDesc& field = *FFields.Items(i);
        if (field.HasParent() || field.FieldDescKind != fdkCalculated)
            continue;
        if (field.DataType == dtWideString && calc % 2)
            ++calc;
        if (field.DataType == dtBoolean)
            field.Size = 2;
        field.Offset = calc;
        calc += field.Size;
    }
    FCalcRecordSize = calc - FRecordSize;
    if (FCalcRecordSize > 0 && FCalcRecordSize % 2 == 0)
        ++FCalcRecordSize;
    CheckHasComplexFields();
    if (OnFieldsChanged)
        OnFieldsChanged();
}

// ---- record buffers -----------------------------------------------------------------------------

void* TData::AllocRecBuf(bool withCalculated)
{
    return Marshal::AllocHGlobal(size_t(FRecordSize) + (withCalculated ? size_t(FCalcRecordSize) : 0));
}

void TData::FreeRecBuf(void* RecBuf)
{
    Marshal::FreeHGlobal(RecBuf);
}

void TData::InitRecord(void* RecBuf)
{
    if (FHasComplexFields)
        FillBuffer(RecBuf, size_t(FRecordSize), 0);
    for (int n = 1; n <= FieldCount(); ++n)
        SetNull(n, RecBuf, true);
}

TFieldDesc& TData::Desc(int FieldNo) const
{
    if (FieldNo < 1 || FieldNo > FFields.Count())
        Fail(u"Assertion failure");
    return *FFields.Items(FieldNo - 1);
}

String TData::AttributeFullName(const TFieldDesc& Field, const TFieldDesc*& Top) const
{
    String name = Field.Name;
    const TFieldDesc* level = &Field;
    while (level->ParentField && level->ParentField->HasParent()) {
        const TFieldDesc* parent = level->ParentField;
        // Elements of an array join their parent without a dot: ITEMS[1].
        name = parent->Name + (parent->DataType == dtArray ? u"" : u".") + name;
        level = parent;
    }
    Top = level->ParentField;
    return name;
}

TDBObject* TData::AttributeObject(const void* RecBuf, const TFieldDesc& Field, String& Name) const
{
    const TFieldDesc* top = nullptr;
    Name = AttributeFullName(Field, top);
    return top ? static_cast<TDBObject*>(Slot(RecBuf, *top)) : nullptr;
}

// ---- null flags ---------------------------------------------------------------------------------

bool TData::GetNull(int FieldNo, void* RecBuf)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (field.HasParent()) {
        String name;
        TDBObject* object = AttributeObject(RecBuf, field, name);
        return !object || object->GetAttributeIsNull(name);
    }
    uint8_t* flag = FlagOf(RecBuf, FieldNo);
    if (*flag && IsBlobFieldType(field.DataType)) {
        // Data written into the blob directly counts as a value.
        auto* blob = static_cast<TBlob*>(Slot(RecBuf, field));
        if (blob && blob->Size() > 0) {
            *flag = 0;
            return false;
        }
    }
    return *flag != 0;
}

void TData::SetNull(int FieldNo, void* RecBuf, bool Value)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (field.HasParent()) {
        String name;
        if (TDBObject* object = AttributeObject(RecBuf, field, name))
            object->SetAttributeValue(name, nullptr);
        return;
    }
    *FlagOf(RecBuf, FieldNo) = Value ? 1 : 0;
    if (Value && IsBlobFieldType(field.DataType))
        if (auto* blob = static_cast<TBlob*>(Slot(RecBuf, field)))
            blob->Clear();
}

// ---- values -------------------------------------------------------------------------------------

void TData::GetField(int FieldNo, const void* RecBuf, void* Dest, bool& IsBlank)
{
    const TFieldDesc& field = Desc(FieldNo);
    IsBlank = GetNull(FieldNo, const_cast<void*>(RecBuf));
    if (!Dest)
        return;
    if (IsBlank && (!IsComplexFieldType(field.DataType) || IsByReference(field.DataType)))
        return;
    if (field.HasParent()) {
        String name;
        TDBObject* object = AttributeObject(RecBuf, field, name);
        bool is_null = true, temporary = false;
        void* value = object ? object->GetAttributeValue(name, is_null, temporary) : nullptr;
        if (value) {
            TFieldDesc place;
            place.Assign(field);
            place.Offset = 0;
            place.ParentField = nullptr;
            GetFieldData(place, value, Dest);
            if (temporary)
                Marshal::FreeHGlobal(value);
        }
    } else {
        GetFieldData(field, static_cast<const uint8_t*>(RecBuf) + field.Offset, Dest);
    }
    if (field.DataType == dtString || field.DataType == dtWideString) {
        if ((field.Fixed && TrimFixedChar) || (!field.Fixed && TrimVarChar)) {
            if (field.DataType == dtString)
                TrimTrailingBlanksA(static_cast<char*>(Dest), -1);
            else
                TrimTrailingBlanksW(Dest, -1);
        }
    }
}

void TData::GetFieldData(const TFieldDesc& Field, const void* FieldBuf, void* Dest)
{
    const auto* in = static_cast<const uint8_t*>(FieldBuf);
    auto* out = static_cast<uint8_t*>(Dest);
    const bool eol = IsTextCode(Field.DataType) && NeedConvertEOL();
    switch (Field.DataType) {
    case dtString: {
        if (eol) {
            CopyWithCrLf<char>(in, out, Field.Length);
            return;
        }
        const int n = LengthZ<char>(in, std::min<int>(Field.Length, Field.Size));
        std::memcpy(out, in, size_t(n));
        out[n] = 0;
        return;
    }
    case dtDate: GetDateFromBuf(in, Field, out, dfDate); return;
    case dtTime: GetDateFromBuf(in, Field, out, dfTime); return;
    case dtDateTime: GetDateFromBuf(in, Field, out, dfMSecs); return;
    case dtVariant: {
        void* object;
        std::memcpy(&object, in, sizeof object);
        *static_cast<core::Variant*>(Dest) = object ? static_cast<TVariantObject*>(object)->Value() : core::Variant();
        return;
    }
    case dtExtString: case dtExtWideString: {
        const uint8_t* text;
        std::memcpy(&text, in, sizeof text);
        if (!text)
            Fail(u"Assertion failure");
        if (Field.DataType == dtExtString) {
            if (eol)
                return CopyWithCrLf<char>(text, out, Field.Length);
            const int n = LengthZ<char>(text, Field.Length);
            std::memcpy(out, text, size_t(n));
            out[n] = 0;
        } else {
            if (eol)
                return CopyWithCrLf<char16_t>(text, out, Field.Length);
            const int n = LengthZ<char16_t>(text, Field.Length);
            std::memcpy(out, text, size_t(n) * 2);
            out[2 * n] = out[2 * n + 1] = 0;
        }
        return;
    }
    case dtExtVarBytes: {
        const uint8_t* bytes;
        std::memcpy(&bytes, in, sizeof bytes);
        if (!bytes)
            Fail(u"Assertion failure");
        uint16_t length;
        std::memcpy(&length, bytes, 2);
        // A value set by reference may be longer than the caller's buffer, which holds Length bytes.
        length = std::min(length, Field.Length);
        std::memcpy(out, &length, 2);
        std::memcpy(out + 2, bytes + 2, length);
        return;
    }
    case dtUInt32: {
        uint32_t value;
        std::memcpy(&value, in, 4);
        const uint64_t wide = value;
        std::memcpy(out, &wide, 8);
        return;
    }
    case dtWideString: {
        if (eol)
            return CopyWithCrLf<char16_t>(in, out, Field.Length);
        const int n = LengthZ<char16_t>(in, std::min<int>(Field.Length, Field.Size / 2));
        std::memcpy(out, in, size_t(n) * 2);
        out[2 * n] = out[2 * n + 1] = 0;
        return;
    }
    case dtFMTBCD:
        std::memcpy(out, in, sizeof(core::Bcd));
        return;
    default:
        std::memcpy(out, in, Field.Size);
    }
}

void TData::PutField(int FieldNo, void* RecBuf, const void* Source)
{
    const TFieldDesc& field = Desc(FieldNo);
    bool empty = !Source;
    if (!empty && !EnableEmptyStrings && IsTextCode(field.DataType)) {
        const bool wide = field.DataType == dtWideString || field.DataType == dtExtWideString;
        empty = wide ? LengthZ<char16_t>(static_cast<const uint8_t*>(Source), 1) == 0
                     : *static_cast<const char*>(Source) == 0;
    }
    if (empty) {
        SetNull(FieldNo, RecBuf, true);
        return;
    }
    if (field.HasParent()) {
        String name;
        if (TDBObject* object = AttributeObject(RecBuf, field, name))
            object->SetAttributeValue(name, Source);
        return;
    }
    PutFieldData(field, static_cast<uint8_t*>(RecBuf) + field.Offset, Source);
    *FlagOf(RecBuf, FieldNo) = 0;
}

void TData::PutFieldData(const TFieldDesc& Field, void* FieldBuf, const void* Source)
{
    auto* out = static_cast<uint8_t*>(FieldBuf);
    const auto* in = static_cast<const uint8_t*>(Source);
    switch (Field.DataType) {
    case dtString: {
        const int n = Field.Size > 0 ? LengthZ<char>(in, Field.Size - 1) : 0;
        std::memcpy(out, in, size_t(n));
        if (Field.Size > 0)
            out[n] = 0;
        return;
    }
    case dtFloat: {
        double value;
        std::memcpy(&value, in, 8);
        value = RoundToScale(value, Field.Scale);
        std::memcpy(out, &value, 8);
        return;
    }
    case dtDate: PutDateToBuf(out, Field, in, dfDate); return;
    case dtTime: PutDateToBuf(out, Field, in, dfTime); return;
    case dtDateTime: PutDateToBuf(out, Field, in, dfMSecs); return;
    case dtVariant: {
        void* object;
        std::memcpy(&object, out, sizeof object);
        if (!object) {
            object = new TVariantObject;
            std::memcpy(out, &object, sizeof object);
        }
        static_cast<TVariantObject*>(object)->SetValue(*static_cast<const core::Variant*>(Source));
        return;
    }
    case dtExtString: case dtExtWideString: {
        void* old;
        std::memcpy(&old, out, sizeof old);
        StringHeap->DisposeBuf(old);
        void* copy = Field.DataType == dtExtString ? StringHeap->AllocStr(reinterpret_cast<const char*>(in))
                                                   : StringHeap->AllocWideStr(in);
        std::memcpy(out, &copy, sizeof copy);
        return;
    }
    case dtExtVarBytes: {
        void* old;
        std::memcpy(&old, out, sizeof old);
        StringHeap->DisposeBuf(old);
        void* copy = nullptr;
        if (in) {
            uint16_t length;
            std::memcpy(&length, in, 2);
            copy = StringHeap->NewBuf(length + 2);
            std::memcpy(copy, in, size_t(length) + 2);
        }
        std::memcpy(out, &copy, sizeof copy);
        return;
    }
    case dtWideString: {
        // Never past the field's place: at most Size / 2 - 1 units and the zero.
        const int room = std::min<int>(Field.Length, Field.Size / 2 - 1);
        const int n = room > 0 ? LengthZ<char16_t>(in, room) : 0;
        std::memcpy(out, in, size_t(n) * 2);
        if (Field.Size >= 2)
            out[2 * n] = out[2 * n + 1] = 0;
        return;
    }
    default:
        std::memcpy(out, in, Field.Size);
    }
}

void TData::GetDateFromBuf(const void* Buf, const TFieldDesc&, void* Date, TDateFormat Format)
{
    double value;
    std::memcpy(&value, Buf, 8);
    if (Format == dfDateTime) {
        std::memcpy(Date, &value, 8);
        return;
    }
    const core::TimeStamp stamp = core::DateTimeToTimeStamp(value);
    switch (Format) {
    case dfMSecs: {
        const double msecs = double(core::TimeStampToMSecs(stamp));
        std::memcpy(Date, &msecs, 8);
        break;
    }
    case dfTime: std::memcpy(Date, &stamp.Time, 4); break;
    case dfDate: std::memcpy(Date, &stamp.Date, 4); break;
    case dfDateTime: break;
    }
}

void TData::PutDateToBuf(void* Buf, const TFieldDesc&, const void* Date, TDateFormat Format)
{
    double value = 0;
    switch (Format) {
    case dfDateTime:
        std::memcpy(&value, Date, 8);
        break;
    case dfMSecs: {
        double msecs;
        std::memcpy(&msecs, Date, 8);
        value = StampToDateTime(core::MSecsToTimeStamp(int64_t(std::llround(msecs))));
        break;
    }
    case dfTime: {
        core::TimeStamp stamp;
        std::memcpy(&stamp.Time, Date, 4);
        stamp.Date = core::DateDelta;
        value = StampToDateTime(stamp);
        break;
    }
    case dfDate: {
        core::TimeStamp stamp;
        std::memcpy(&stamp.Date, Date, 4);
        stamp.Time = 0;
        value = StampToDateTime(stamp);
        break;
    }
    }
    std::memcpy(Buf, &value, 8);
}

// ---- complex fields -----------------------------------------------------------------------------

void TData::CreateComplexField(void* RecBuf, int FieldIndex, bool WithBlob)
{
    const TFieldDesc& field = *FFields.Items(FieldIndex);
    switch (field.DataType) {
    case dtBlob: case dtMemo: case dtWideMemo:
        if (WithBlob) {
            auto* blob = new TCompressedBlob(field.DataType == dtWideMemo);
            blob->EnableRollback();
            SetSlot(RecBuf, field, blob);
        }
        break;
    case dtVariant:
        SetSlot(RecBuf, field, new TVariantObject);
        break;
    case dtExtString: case dtExtVarBytes: case dtExtWideString:
        SetSlot(RecBuf, field, nullptr);
        break;
    default:
        break;
    }
}

void TData::CreateComplexFields(void* RecBuf, bool WithBlob)
{
    for (int i = 0; i < FFields.Count(); ++i)
        if (!FFields.Items(i)->HasParent() && FFields.Items(i)->FieldDescKind != fdkCalculated)
            CreateComplexField(RecBuf, i, WithBlob);
}

void TData::FreeComplexFields(void* RecBuf, bool WithBlob)
{
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (field.HasParent() || field.FieldDescKind == fdkCalculated || !IsComplexFieldType(field.DataType))
            continue;
        void* slot = Slot(RecBuf, field);
        switch (field.DataType) {
        case dtBlob: case dtMemo: case dtWideMemo:
            if (WithBlob && slot) {
                auto* blob = static_cast<TSharedObject*>(slot);
                const bool last = blob->RefCount() == 1;
                TSharedObject::Free(blob);
                if (last)
                    SetSlot(RecBuf, field, nullptr);
            }
            break;
        case dtVariant:
            TSharedObject::Free(static_cast<TSharedObject*>(slot));
            break;
        case dtExtString: case dtExtVarBytes: case dtExtWideString:
            if (slot && !StringHeap->Empty()) {
                const bool last = TStringHeap::RefCounter(slot) == 101;
                StringHeap->DisposeBuf(slot);
                if (last)
                    SetSlot(RecBuf, field, nullptr);
            }
            break;
        default:
            break;
        }
    }
}

void TData::CopyComplexFields(const void* Source, void* Dest, bool WithBlob)
{
    if (WithBlob)
        Fail(u"Assertion failure");
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (field.HasParent() || !IsComplexFieldType(field.DataType))
            continue;
        void* from = Slot(Source, field);
        switch (field.DataType) {
        case dtVariant:
            if (from && Slot(Dest, field))
                static_cast<TVariantObject*>(Slot(Dest, field))->SetValue(static_cast<TVariantObject*>(from)->Value());
            break;
        case dtExtString:
            SetSlot(Dest, field, from ? StringHeap->AllocStr(static_cast<const char*>(from)) : nullptr);
            break;
        case dtExtWideString:
            SetSlot(Dest, field, from ? StringHeap->AllocWideStr(from) : nullptr);
            break;
        case dtExtVarBytes: {
            void* copy = nullptr;
            if (from) {
                uint16_t length;
                std::memcpy(&length, from, 2);
                copy = StringHeap->NewBuf(length + 2);
                std::memcpy(copy, from, size_t(length) + 2);
            }
            SetSlot(Dest, field, copy);
            break;
        }
        default:
            break;
        }
    }
}

void TData::AddRefComplexFields(void* RecBuf)
{
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (field.HasParent() || !IsComplexFieldType(field.DataType))
            continue;
        void* slot = Slot(RecBuf, field);
        if (IsByReference(field.DataType)) {
            StringHeap->AddRef(slot);
        } else {
            if (!slot)
                Fail(u"Shared object for " + field.Name + u"=nil");
            static_cast<TSharedObject*>(slot)->AddRef();
        }
    }
}

TSharedObject* TData::GetObject(int FieldNo, const void* RecBuf)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (!IsBlobFieldType(field.DataType))
        throw core::Exception(u"Field is not BLOB");
    void* slot = Slot(RecBuf, field);
    if (!slot)
        Fail(u"Object for field " + field.Name + u"(" + core::IntToStr(FieldNo) + u") = nil");
    return static_cast<TSharedObject*>(slot);
}

void TData::SetObject(int FieldNo, void* RecBuf, TSharedObject* Obj)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (!IsBlobFieldType(field.DataType))
        throw core::Exception(u"Field is not BLOB");
    SetSlot(RecBuf, field, Obj);
}

// ---- variants -----------------------------------------------------------------------------------

namespace {

[[noreturn]] void CannotConvert()
{
    throw core::EConvertError(u"Cannot convert type");
}

bool IsIntegerKind(core::VarType type)
{
    switch (type) {
    case core::varSmallint: case core::varInteger: case core::varShortInt: case core::varByte:
    case core::varWord: case core::varLongWord: case core::varInt64: case core::varUInt64:
        return true;
    default:
        return false;
    }
}

} // namespace

void TData::GetFieldAsVariant(int FieldNo, const void* RecBuf, core::Variant& Value)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (GetNull(FieldNo, const_cast<void*>(RecBuf))) {
        Value = core::Variant::Null();
        return;
    }
    const uint8_t* place = static_cast<const uint8_t*>(RecBuf) + field.Offset;
    void* temporary = nullptr;
    if (field.HasParent()) {
        String name;
        TDBObject* object = AttributeObject(RecBuf, field, name);
        bool is_null = true, is_temporary = false;
        void* value = object ? object->GetAttributeValue(name, is_null, is_temporary) : nullptr;
        if (!value) {
            Value = core::Variant::Null();
            return;
        }
        place = static_cast<const uint8_t*>(value);
        if (is_temporary)
            temporary = value;
    }
    struct Release {
        void* p;
        ~Release() { Marshal::FreeHGlobal(p); }
    } release{temporary};
    const bool trim = (field.Fixed && TrimFixedChar) || (!field.Fixed && TrimVarChar);
    switch (field.DataType) {
    case dtString: case dtGuid: {
        std::string text(reinterpret_cast<const char*>(place), size_t(LengthZ<char>(place, field.Size)));
        if (trim && field.DataType == dtString)
            text.erase(text.find_last_not_of(' ') + 1);
        Value = core::Variant::FromAnsiString(core::FromAnsi(text));
        return;
    }
    case dtInt8: Value = int8_t(ReadAt<int8_t>(place)); return;
    case dtInt16: Value = ReadAt<int16_t>(place); return;
    case dtInt32: Value = ReadAt<int32_t>(place); return;
    case dtFloat: case dtCurrency: Value = ReadAt<double>(place); return;
    case dtDate: case dtTime: case dtDateTime: Value = core::Variant::FromDate(ReadAt<double>(place)); return;
    case dtUInt16: Value = ReadAt<uint16_t>(place); return;
    case dtBoolean: Value = ReadAt<uint16_t>(place) != 0; return;
    case dtInt64: Value = ReadAt<int64_t>(place); return;
    case dtMemo: Value = core::Variant::FromAnsiString(core::FromAnsi(static_cast<TBlob*>(Slot(RecBuf, field))->AsAnsiString())); return;
    case dtWideMemo: Value = core::Variant::FromOleStr(static_cast<TBlob*>(Slot(RecBuf, field))->AsWideString()); return;
    case dtVariant: {
        auto* object = ReadAt<TVariantObject*>(place);
        Value = object ? object->Value() : core::Variant();
        return;
    }
    case dtExtString: {
        const auto* text = ReadAt<const uint8_t*>(place);
        Value = core::Variant::FromAnsiString(core::FromAnsi(std::string_view(reinterpret_cast<const char*>(text),
                                                                             size_t(LengthZ<char>(text, INT32_MAX)))));
        return;
    }
    case dtBytes:
        Value = core::Variant::Bytes(place, place + field.Length);
        return;
    case dtVarBytes: {
        const uint16_t length = ReadAt<uint16_t>(place);
        Value = core::Variant::Bytes(place + 2, place + 2 + length);
        return;
    }
    case dtExtVarBytes: {
        const auto* bytes = ReadAt<const uint8_t*>(place);
        const uint16_t length = ReadAt<uint16_t>(bytes);
        Value = core::Variant::Bytes(bytes + 2, bytes + 2 + length);
        return;
    }
    case dtUInt32: Value = ReadAt<uint32_t>(place); return;
    case dtWideString: case dtExtWideString: {
        const uint8_t* text = field.DataType == dtWideString ? place : ReadAt<const uint8_t*>(place);
        const int limit = field.DataType == dtWideString ? field.Size / 2 : INT32_MAX;
        String units(size_t(LengthZ<char16_t>(text, limit)), u'\0');
        std::memcpy(units.data(), text, units.size() * 2);
        if (field.DataType == dtWideString && trim)
            Value = units.substr(0, units.find_last_not_of(u' ') + 1);  // npos + 1: all blanks, empty
        else
            Value = core::Variant::FromOleStr(units);
        return;
    }
    case dtBCD: Value = core::Currency::FromRaw(ReadAt<int64_t>(place)); return;
    case dtFMTBCD: Value = ReadAt<core::Bcd>(place); return;
    case dtSQLTimeStamp: Value = ReadAt<core::SQLTimeStamp>(place); return;
    default:
        throw core::EConvertError(u"Cannot convert type " + core::IntToStr(field.DataType));
    }
}

void TData::PutFieldAsVariant(int FieldNo, void* RecBuf, const core::Variant& Value)
{
    const TFieldDesc& field = Desc(FieldNo);
    if (Value.IsEmpty() || Value.IsNull()) {
        SetNull(FieldNo, RecBuf, true);
        return;
    }
    if (field.HasParent())
        Fail(u"Assertion failure");
    uint8_t* place = static_cast<uint8_t*>(RecBuf) + field.Offset;
    const core::VarType type = Value.VarType();
    const bool integer = IsIntegerKind(type);
    auto rounded = [&](double v) { return RoundToScale(v, field.Scale); };
    switch (field.DataType) {
    case dtString: case dtGuid: {
        const std::string text = core::ToAnsi(Value.AsString());
        const size_t n = field.Size > 0 ? std::min(text.size(), size_t(field.Size - 1)) : 0;
        std::memcpy(place, text.data(), n);
        if (field.Size > 0)
            place[n] = 0;
        break;
    }
    case dtInt8:
        if (field.Size == 1)
            WriteAt(place, int8_t(Value.AsInteger()));
        else if (field.Size == 2)
            WriteAt(place, int16_t(Value.AsInteger()));
        else
            Fail(u"Assertion failure");
        break;
    case dtInt16:
        if (!integer)
            CannotConvert();
        WriteAt(place, int16_t(Value.AsInt64()));
        break;
    case dtInt32:
        if (integer || type == core::varSingle || type == core::varDouble || type == core::varCurrency)
            WriteAt(place, Value.AsInteger());
        else if (Value.IsString())
            WriteAt(place, core::StrToInt(Value.AsString()));
        else
            CannotConvert();
        break;
    case dtFloat: case dtCurrency:
        if (integer)
            WriteAt(place, Value.AsDouble());
        else if (type == core::varSingle || type == core::varDouble || type == core::varCurrency)
            WriteAt(place, rounded(Value.AsDouble()));
        else if (Value.IsString())
            WriteAt(place, rounded(core::StrToFloat(Value.AsString())));
        else
            CannotConvert();
        break;
    case dtDate: case dtTime: case dtDateTime: {
        const double date = Value.AsDateTime();
        PutDateToBuf(place, field, &date, dfDateTime);
        break;
    }
    case dtUInt16:
        if (!integer)
            CannotConvert();
        WriteAt(place, uint16_t(Value.AsInt64()));
        break;
    case dtBoolean:
        if (type != core::varBoolean)
            CannotConvert();
        WriteAt(place, uint16_t(Value.AsBoolean() ? 1 : 0));
        break;
    case dtInt64:
        if (type != core::varInt64)
            CannotConvert();
        WriteAt(place, Value.AsInt64());
        break;
    case dtBlob: case dtMemo:
        static_cast<TBlob*>(GetObject(FieldNo, RecBuf))->SetAsAnsiString(core::ToAnsi(Value.AsString()));
        break;
    case dtWideMemo:
        static_cast<TBlob*>(GetObject(FieldNo, RecBuf))->SetAsWideString(Value.AsString());
        break;
    case dtVariant: {
        auto* object = ReadAt<TVariantObject*>(place);
        if (!object) {
            object = new TVariantObject;
            WriteAt(place, object);
        }
        object->SetValue(Value);
        break;
    }
    case dtExtString: {
        const std::string text = core::ToAnsi(Value.AsString());
        StringHeap->DisposeBuf(ReadAt<void*>(place));
        WriteAt(place, StringHeap->AllocStr(text.c_str(), false, int(text.size())));
        break;
    }
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
        if (type != (core::varArray | core::varByte))
            Fail(u"Invalid VType");
        const core::Variant::Bytes bytes = Value.AsBytes();
        if (field.DataType == dtBytes) {
            if (bytes.size() != field.Length)
                Fail(u"Invalid data size");
            std::memcpy(place, bytes.data(), bytes.size());
        } else if (field.DataType == dtVarBytes) {
            if (bytes.size() > field.Length)
                Fail(u"Invalid data size");
            WriteAt(place, uint16_t(bytes.size()));
            std::memcpy(place + 2, bytes.data(), bytes.size());
        } else {
            StringHeap->DisposeBuf(ReadAt<void*>(place));
            auto* buffer = static_cast<uint8_t*>(StringHeap->NewBuf(int(bytes.size()) + 2));
            WriteAt(buffer, uint16_t(bytes.size()));
            std::memcpy(buffer + 2, bytes.data(), bytes.size());
            WriteAt(place, buffer);
        }
        break;
    }
    case dtUInt32:
        if (type != core::varLongWord)
            CannotConvert();
        WriteAt(place, uint32_t(Value.AsInt64()));
        break;
    case dtWideString: {
        const String text = Value.AsString();
        const size_t n = field.Size >= 2 ? std::min(text.size(), size_t(field.Size / 2 - 1)) : 0;
        std::memcpy(place, text.data(), n * 2);
        if (field.Size >= 2)
            WriteAt(place + 2 * n, char16_t(0));
        break;
    }
    case dtExtWideString: {
        const String text = Value.AsString();
        StringHeap->DisposeBuf(ReadAt<void*>(place));
        WriteAt(place, StringHeap->AllocWideStr(text.c_str(), false, int(text.size())));
        break;
    }
    case dtBCD:
        WriteAt(place, Value.AsCurrency().Raw());
        break;
    case dtFMTBCD:
        WriteAt(place, core::StrToBcd(Value.AsString()));
        break;
    case dtSQLTimeStamp:
        WriteAt(place, Value.AsSQLTimeStamp());
        break;
    default:
        CannotConvert();
    }
    *FlagOf(RecBuf, FieldNo) = 0;
}

void* TData::GetFieldBuf(const void* RecBuf, const TFieldDesc& FieldDesc, int& DataType, bool& IsBlank,
                         bool& NativeBuffer)
{
    NativeBuffer = true;
    DataType = FieldDesc.DataType;
    const int field_no = FieldDesc.FieldNo;
    uint8_t* place = const_cast<uint8_t*>(static_cast<const uint8_t*>(RecBuf)) + FieldDesc.Offset;
    if (FieldDesc.HasParent()) {
        String name;
        TDBObject* object = AttributeObject(RecBuf, FieldDesc, name);
        bool temporary = false;
        IsBlank = true;
        void* value = object ? object->GetAttributeValue(name, IsBlank, temporary) : nullptr;
        NativeBuffer = !temporary;
        return value;
    }
    IsBlank = GetNull(field_no, const_cast<void*>(RecBuf));
    if (IsBlank)
        return place;
    auto temporary = [&](size_t size) {
        NativeBuffer = false;
        return static_cast<uint8_t*>(Marshal::AllocHGlobal(size));
    };
    switch (FieldDesc.DataType) {
    case dtDate: case dtTime: case dtDateTime: {
        uint8_t* copy = temporary(8);
        std::memcpy(copy, place, 8);
        return copy;
    }
    case dtExtString:
        DataType = dtString;
        return ReadAt<void*>(place);
    case dtBytes: {
        uint8_t* copy = temporary(size_t(FieldDesc.Length) + 2);
        WriteAt(copy, uint16_t(FieldDesc.Length));
        std::memcpy(copy + 2, place, FieldDesc.Length);
        return copy;
    }
    case dtExtVarBytes:
        return ReadAt<void*>(place);
    case dtExtWideString:
        DataType = dtWideString;
        return ReadAt<void*>(place);
    case dtBCD: {
        uint8_t* copy = temporary(8);
        WriteAt(copy, double(ReadAt<int64_t>(place)) / 10000);
        return copy;
    }
    case dtBlob: case dtMemo: case dtWideMemo: {
        DataType = dtString;
        const int size = GetBlobSize(field_no, const_cast<void*>(RecBuf), false, true);
        uint8_t* copy = temporary(size_t(size) + 1);
        try {
            ReadBlob(field_no, RecBuf, 0, size, copy, false, true);
        } catch (...) {
            Marshal::FreeHGlobal(copy);
            throw;
        }
        copy[size] = 0;
        return copy;
    }
    default:
        return place;
    }
}

// ---- blob access --------------------------------------------------------------------------------

namespace {

// Shows a blob's rollback copy while it lives.
struct RollbackView {
    TBlob* blob;
    bool on;
    RollbackView(TBlob* b, bool fromRollback) : blob(b), on(fromRollback && !b->UseRollback())
    {
        if (on)
            blob->SetUseRollback(true);
    }
    ~RollbackView()
    {
        if (on)
            blob->SetUseRollback(false);
    }
};

} // namespace

int TData::ReadBlob(int FieldNo, const void* RecBuf, int Position, int Count, void* Dest, bool FromRollback,
                    bool TrueUnicode)
{
    auto* blob = static_cast<TBlob*>(GetObject(FieldNo, RecBuf));
    RollbackView view(blob, FromRollback);
    if (!blob->IsUnicode() || TrueUnicode)
        return int(blob->Read(uint32_t(Position), uint32_t(Count), Dest));
    // The bytes of Count characters from Position, converted, and never more than Count bytes out.
    const int total = blob->GetSizeAnsi();
    if (Position > total)
        return 0;
    const int end = Count == 0 ? total : std::min(total, Position + Count);
    const int from = blob->GetData()->TranslatePosition(Position);
    const int to = blob->GetData()->TranslatePosition(end);
    String units(size_t(to - from) / 2, u'\0');
    blob->Read(uint32_t(from), uint32_t(to - from), units.data());
    const std::string ansi = core::ToAnsi(units);
    const size_t n = Count == 0 ? ansi.size() : std::min(ansi.size(), size_t(Count));
    std::memcpy(Dest, ansi.data(), n);
    return int(n);
}

void TData::WriteBlob(int FieldNo, void* RecBuf, int Position, int Count, const void* Source, bool TrueUnicode)
{
    auto* blob = static_cast<TBlob*>(GetObject(FieldNo, RecBuf));
    blob->EnableRollback();
    if (!blob->IsUnicode() || TrueUnicode) {
        blob->Write(uint32_t(Position), uint32_t(Count), Source);
    } else {
        const String units = core::FromAnsi(std::string_view(static_cast<const char*>(Source), size_t(Count)));
        const int at = blob->GetData()->TranslatePosition(std::min(Position, blob->GetSizeAnsi()));
        blob->Write(uint32_t(at), uint32_t(units.size() * 2), units.data());
    }
    *FlagOf(RecBuf, FieldNo) = 0;
}

void TData::TruncateBlob(int FieldNo, void* RecBuf, int Size, bool TrueUnicode)
{
    auto* blob = static_cast<TBlob*>(GetObject(FieldNo, RecBuf));
    blob->EnableRollback();
    const int bytes = blob->IsUnicode() && !TrueUnicode ? blob->GetData()->TranslatePosition(Size) : Size;
    blob->Truncate(uint32_t(bytes));
    if (Size == 0)
        *FlagOf(RecBuf, FieldNo) = 1;
}

int TData::GetBlobSize(int FieldNo, void* RecBuf, bool FromRollback, bool TrueUnicode)
{
    if (GetNull(FieldNo, RecBuf))
        return 0;
    auto* blob = static_cast<TBlob*>(GetObject(FieldNo, RecBuf));
    RollbackView view(blob, FromRollback);
    return blob->IsUnicode() && !TrueUnicode ? blob->GetSizeAnsi() : int(blob->Size());
}

void TData::SetBlobSize(int FieldNo, void* RecBuf, int NewSize, bool FromRollback, bool TrueUnicode)
{
    *FlagOf(RecBuf, FieldNo) = 0;
    auto* blob = static_cast<TBlob*>(GetObject(FieldNo, RecBuf));
    RollbackView view(blob, FromRollback);
    if (!blob->IsUnicode() || TrueUnicode) {
        blob->SetSize(uint32_t(NewSize));
        return;
    }
    const int current = blob->GetSizeAnsi();
    if (NewSize > current)
        blob->SetSize(blob->Size() + uint32_t(NewSize - current) * 2);
    else if (NewSize < current)
        blob->Truncate(uint32_t(blob->GetData()->TranslatePosition(NewSize)));
}

// ---- editing ------------------------------------------------------------------------------------

void TData::AppendBlankRecord()
{
    void* buffer = AllocRecBuf();
    try {
        InitRecord(buffer);
        AppendRecord(buffer);
    } catch (...) {
        FreeRecBuf(buffer);
        throw;
    }
    FreeRecBuf(buffer);
}

void TData::EditRecord(void* RecBuf)
{
    void* stored = AllocRecBuf();
    try {
        GetRecord(stored);
        CreateComplexFields(stored, false);
        CopyComplexFields(RecBuf, stored, false);
        PutRecord(stored);
    } catch (...) {
        FreeRecBuf(stored);
        throw;
    }
    FreeRecBuf(stored);
}

void TData::PostRecord(void* RecBuf)
{
    void* old = AllocRecBuf();
    try {
        GetRecord(old);
        UpdateRecord(RecBuf);
        for (int i = 0; i < FFields.Count(); ++i) {
            const TFieldDesc& field = *FFields.Items(i);
            if (!field.HasParent() && IsBlobFieldType(field.DataType))
                if (auto* blob = static_cast<TBlob*>(Slot(RecBuf, field)))
                    blob->Commit();
        }
        FreeComplexFields(old, false);
    } catch (...) {
        FreeRecBuf(old);
        throw;
    }
    FreeRecBuf(old);
}

void TData::CancelRecord(void* RecBuf)
{
    for (int i = 0; i < FFields.Count(); ++i) {
        const TFieldDesc& field = *FFields.Items(i);
        if (!field.HasParent() && IsBlobFieldType(field.DataType))
            if (auto* blob = static_cast<TBlob*>(Slot(RecBuf, field)))
                blob->Cancel();
    }
    FreeComplexFields(RecBuf, false);
}

int TData::CompareBookmarks(TRecBookmark* Bookmark1, TRecBookmark* Bookmark2)
{
    if (!Bookmark1 && !Bookmark2)
        return 0;
    if (!Bookmark1)
        return 1;
    if (!Bookmark2)
        return -1;
    return Bookmark1->Order < Bookmark2->Order ? -1 : Bookmark1->Order > Bookmark2->Order ? 1 : 0;
}

} // namespace data
