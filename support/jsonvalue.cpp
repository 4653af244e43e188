// JSON values: construction, conversions, clear and pack, clone, merge, compare, template expansion,
// the path accessors, enumeration and the unit-level helpers.
#include "support/jsonobject.h"

#include "core/convert.h"
#include "core/exception.h"
#include "support/jsonarray.h"
#include "support/jsonreader.h"
#include "support/jsontable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <mutex>
#include <new>
#include <utility>

namespace support {

namespace {

std::atomic<int32_t> g_live_values{0};

// Sets the processing mark for the life of the guard; the mark also drops when an exception passes.
class ProcessingMark {
public:
    explicit ProcessingMark(IJsonObject& value) : m_value(value) { m_value.SetProcessing(true); }
    ~ProcessingMark() { m_value.SetProcessing(false); }
    ProcessingMark(const ProcessingMark&) = delete;
    ProcessingMark& operator=(const ProcessingMark&) = delete;

private:
    IJsonObject& m_value;
};

// The whole text as a 64-bit integer: optional blanks and sign, then decimal digits, or hexadecimal
// digits after "$", "x" or "0x" in either case.
bool TextToInteger(StringView text, int64_t& value)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    size_t digits = i;
    if (digits < text.size() && (text[digits] == u'+' || text[digits] == u'-'))
        ++digits;
    if (digits < text.size() && (text[digits] == u'x' || text[digits] == u'X')) {
        String copy(text);
        copy[digits] = u'$';
        return core::TryStrToInt64(copy, value);
    }
    return core::TryStrToInt64(text, value);
}

} // namespace

// ---- construction -------------------------------------------------------------------------------------

static_assert(sizeof(TJsonTableString) <= sizeof(TJsonObject::ContainerRoom) &&
              sizeof(TJsonArray) <= sizeof(TJsonObject::ContainerRoom));

TJsonObject::TJsonObject(TJsonType kind) : TJsonObject(kind, Uncounted{})
{
    g_live_values.fetch_add(1, std::memory_order_relaxed);
}

TJsonObject::TJsonObject(TJsonType kind, Uncounted) : FDataType(kind)
{
    FO.c_int = 0;
    switch (kind) {
    case stObject:
        new (FO.c_container) TJsonTableString;
        break;
    case stArray:
        new (FO.c_container) TJsonArray;
        break;
    case stString:
        FO.c_string = nullptr;  // the empty text needs no block
        break;
    default:
        break;
    }
}

JsonRef TJsonObject::MakeUncounted(TJsonType kind, bool withRoom)
{
    static_assert(sizeof(TJsonObject) % alignof(TJsonAvlEntry) == 0 && sizeof(TJsonObject) % alignof(TJsonSlot) == 0);
    const size_t room = !withRoom         ? 0
                        : kind == stObject ? sizeof(TJsonAvlEntry)
                                           : TJsonArray::kFirstRoom * sizeof(TJsonSlot);
    void* block = ::operator new(sizeof(TJsonObject) + room);
    // Making an empty container cannot fail.
    auto* made = ::new (block) TJsonObject(kind, Uncounted{});
    void* behind = static_cast<char*>(block) + sizeof(TJsonObject);
    if (withRoom && kind == stObject)
        made->Table()->GiveEntryRoom(behind);
    else if (withRoom)
        made->Items()->GiveFirstRoom(static_cast<TJsonSlot*>(behind));
    made->SetFirstReference();
    return JsonRef::Adopt(made);
}

void TJsonObject::CountLive(int32_t made) { g_live_values.fetch_add(made, std::memory_order_relaxed); }

TJsonObject::TJsonObject(bool value) : TJsonObject(stBoolean) { FO.c_boolean = value; }
TJsonObject::TJsonObject(int64_t value) : TJsonObject(stInt) { FO.c_int = value; }
TJsonObject::TJsonObject(double value) : TJsonObject(stDouble) { FO.c_double = value; }
TJsonObject::TJsonObject(StringView value) : TJsonObject(stString) { SetString(value); }
TJsonObject::TJsonObject(TJsonMethod value) : TJsonObject(stMethod) { FO.c_method = value; }

TJsonObject::~TJsonObject()
{
    switch (FDataType) {
    case stObject:
        Table()->~TJsonTableString();
        break;
    case stArray:
        Items()->~TJsonArray();
        break;
    case stString:
        ::operator delete(FO.c_string);
        break;
    default:
        break;
    }
    g_live_values.fetch_sub(1, std::memory_order_relaxed);
}

namespace {

// A text block: nil for the empty text, else its length (32 bits) then its units.
unsigned char* MakeTextBlock(StringView value)
{
    if (value.empty())
        return nullptr;
    if (value.size() > UINT32_MAX)
        throw std::bad_alloc();
    const auto length = uint32_t(value.size());
    auto* block = static_cast<unsigned char*>(::operator new(sizeof(length) + value.size() * sizeof(char16_t)));
    std::memcpy(block, &length, sizeof(length));
    std::memcpy(block + sizeof(length), value.data(), value.size() * sizeof(char16_t));
    return block;
}

// Values in place are made into objects under one lock: two readers asking at once get one object.
std::mutex g_slot_lock;

} // namespace

void TJsonObject::SetString(StringView value)
{
    unsigned char* block = MakeTextBlock(value);
    // The old block goes only now: the new text may be a view of it.
    ::operator delete(FO.c_string);
    FO.c_string = block;
}

IJsonObject* TJsonObject::FromSlot(const TJsonSlot& slot)
{
    auto* made = new TJsonObject(slot.Kind());
    if (slot.Kind() == stString && slot.TextInSlot())
        made->SetString(slot.Text());
    else if (slot.Kind() == stString)
        made->FO.c_string = slot.v.c_string;
    else
        made->FO.c_int = slot.v.c_int;
    made->SetFirstReference();
    return made;
}

// ---- slots --------------------------------------------------------------------------------------------

TJsonType TJsonSlot::DataType() const
{
    const uintptr_t bits = Bits();
    if (bits & 1)
        return TJsonType(bits >> 1 & 7);
    return bits ? reinterpret_cast<IJsonObject*>(bits)->GetDataType() : stNull;
}

void TJsonSlot::PutString(StringView value)
{
    if (value.size() <= std::size(v.c_units)) {
        v.c_int = 0;
        std::copy(value.begin(), value.end(), v.c_units);
        ref = (uintptr_t(value.size()) << kShortLengthShift) | kShortText | uintptr_t(stString) << 1 | 1;
        return;
    }
    v.c_string = MakeTextBlock(value);
    Place(stString);
}

IJsonObject* TJsonSlot::MakeObject() const
{
    std::lock_guard<std::mutex> lock(g_slot_lock);
    const uintptr_t bits = Bits();
    if (!(bits & 1))
        return reinterpret_cast<IJsonObject*>(bits);
    IJsonObject* made = TJsonObject::FromSlot(*this);
    std::atomic_ref<uintptr_t>(const_cast<uintptr_t&>(ref))
        .store(reinterpret_cast<uintptr_t>(made), std::memory_order_release);
    return made;
}

IJsonObject* TJsonSlot::Take()
{
    IJsonObject* object = Get();
    ref = 0;
    return object;
}

void TJsonSlot::Release(bool all)
{
    const uintptr_t bits = std::exchange(ref, 0);
    if (bits & 1) {
        if (TJsonType(bits >> 1 & 7) == stString && !(bits & kShortText))
            ::operator delete(v.c_string);
    } else if (auto* object = reinterpret_cast<IJsonObject*>(bits)) {
        // Emptying nested containers first breaks reference cycles through them.
        if (all)
            object->Clear(true);
        object->Release();
    }
}

// ---- conversions --------------------------------------------------------------------------------------

bool TJsonObject::AsBoolean()
{
    switch (FDataType) {
    case stNull:
        return false;
    case stBoolean:
        return FO.c_boolean;
    case stDouble:
        return FO.c_double != 0;
    case stInt:
        return FO.c_int != 0;
    case stString:
        return !Text().empty();
    default:
        return true;
    }
}

int64_t TJsonObject::AsInteger()
{
    switch (FDataType) {
    case stBoolean:
        return FO.c_boolean ? 1 : 0;
    case stDouble: {
        // Halves go to the even neighbour; NaN is 0 and what lies beyond 64 bits the nearest bound.
        const double d = FO.c_double;
        if (std::isnan(d))
            return 0;
        if (d >= 9223372036854775808.0)
            return std::numeric_limits<int64_t>::max();
        if (d < -9223372036854775808.0)
            return std::numeric_limits<int64_t>::min();
        const double r = std::nearbyint(d);
        if (r >= 9223372036854775808.0)
            return std::numeric_limits<int64_t>::max();
        return int64_t(r);
    }
    case stInt:
        return FO.c_int;
    case stString: {
        int64_t value = 0;
        return TextToInteger(Text(), value) ? value : 0;
    }
    default:
        return 0;
    }
}

double TJsonObject::AsDouble()
{
    switch (FDataType) {
    case stBoolean:
        return FO.c_boolean ? 1 : 0;
    case stDouble:
        return FO.c_double;
    case stInt:
        return double(FO.c_int);
    case stString: {
        double value = 0;
        return core::TryStrToFloat(Text(), value) ? value : 0;
    }
    default:
        return 0;
    }
}

String TJsonObject::AsString()
{
    if (FDataType == stString)
        return String(Text());
    return AsJSon(false, false);
}

// ---- clear, pack, clone -------------------------------------------------------------------------------

void TJsonObject::Clear(bool all)
{
    if (FProcessing)
        return;
    ProcessingMark mark(*this);
    switch (FDataType) {
    case stBoolean:
        FO.c_boolean = false;
        break;
    case stDouble:
        FO.c_double = 0;
        break;
    case stInt:
        FO.c_int = 0;
        break;
    case stObject:
        Table()->Clear(all);
        break;
    case stArray:
        Items()->Clear(all);
        break;
    case stString:
        ::operator delete(FO.c_string);
        FO.c_string = nullptr;
        break;
    case stMethod:
        FO.c_method = nullptr;
        break;
    case stNull:
        break;
    }
}

void TJsonObject::Pack(bool all)
{
    if (FProcessing)
        return;
    ProcessingMark mark(*this);
    if (FDataType == stObject)
        Table()->Pack(all);
    else if (FDataType == stArray)
        Items()->Pack(all);
}

JsonRef TJsonObject::Clone()
{
    // A value reached again while it is being copied is copied as nil, so a cycle ends there.
    if (FProcessing)
        return nullptr;
    ProcessingMark mark(*this);
    return CloneMarked();
}

// A copy of an element or member: a value in place stays in place, an object is cloned.
TJsonSlot TJsonObject::CloneSlot(const TJsonSlot& slot)
{
    TJsonSlot copy{};
    if (slot.InPlace()) {
        copy = slot;
        if (slot.Kind() == stString && !slot.TextInSlot())
            copy.v.c_string = MakeTextBlock(slot.Text());
    } else if (IJsonObject* item = slot.Get()) {
        copy.PutObject(item->Clone().Detach());
    }
    return copy;
}

JsonRef TJsonObject::CloneMarked()
{
    switch (FDataType) {
    case stBoolean:
        return Make(FO.c_boolean);
    case stDouble:
        return Make(FO.c_double);
    case stInt:
        return Make(FO.c_int);
    case stString:
        return Make(StringView(Text()));
    case stMethod:
        return Make(FO.c_method);
    case stObject: {
        JsonRef result = Make(stObject);
        TJsonTableString* table = result->AsObject();
        TJsonAvlIterator it(*Table());
        while (it.MoveNext()) {
            TJsonSlot copy = CloneSlot(it.Current()->Slot());
            table->PutMember(String(it.Current()->Name()), copy);
        }
        return result;
    }
    case stArray: {
        JsonRef result = Make(stArray);
        TJsonArray* array = result->AsArray();
        for (int32_t i = 0; i < Items()->Length(); ++i) {
            TJsonSlot copy = CloneSlot(Items()->Slot(i));
            if (TJsonSlot* slot = array->AddSlot())
                *slot = copy;
            else
                copy.Release();
        }
        return result;
    }
    case stNull:
        break;
    }
    return nullptr;
}

// ---- merge and compare --------------------------------------------------------------------------------

void TJsonObject::Merge(const JsonRef& value, bool reference)
{
    if (ValueTypeOf(value) != FDataType || !value)
        return;
    // Values on the way down are marked: a cycle back to one of them is not followed again.
    if (FProcessing || value->GetProcessing())
        return;
    switch (FDataType) {
    case stBoolean:
        FO.c_boolean = value->AsBoolean();
        break;
    case stDouble:
        FO.c_double = value->AsDouble();
        break;
    case stInt:
        FO.c_int = value->AsInteger();
        break;
    case stString:
        SetString(value->AsString());
        break;
    case stMethod:
        FO.c_method = value->AsMethod();
        break;
    case stObject: {
        ProcessingMark mine(*this);
        std::unique_ptr<ProcessingMark> theirs;
        if (value.get() != static_cast<IJsonObject*>(this))
            theirs = std::make_unique<ProcessingMark>(*value);
        TJsonTableString* table = Table();
        TJsonAvlIterator it(*value->AsObject());
        while (it.MoveNext()) {
            JsonRef other = it.Current()->Value();
            const String& name = it.Current()->Name();
            JsonRef existing = table->GetMember(name);
            if (existing && other && existing->GetDataType() == other->GetDataType())
                existing->Merge(other, false);
            else
                table->PutMember(name, reference ? other : (other ? other->Clone() : nullptr));
        }
        break;
    }
    case stArray: {
        ProcessingMark mine(*this);
        std::unique_ptr<ProcessingMark> theirs;
        if (value.get() != static_cast<IJsonObject*>(this))
            theirs = std::make_unique<ProcessingMark>(*value);
        TJsonArray* array = Items();
        TJsonArray* source = value->AsArray();
        for (int32_t i = 0; i < source->Length(); ++i) {
            JsonRef other = source->GetItem(i);
            JsonRef existing = array->GetItem(i);
            if (existing && other && existing->GetDataType() == other->GetDataType())
                existing->Merge(other, false);
            else
                array->PutItem(i, reference ? other : (other ? other->Clone() : nullptr));
        }
        break;
    }
    case stNull:
        break;
    }
}

void TJsonObject::Merge(StringView text) { Merge(ParseJsonText(text), true); }

TJsonCompareResult TJsonObject::Compare(const JsonRef& value)
{
    const TJsonType mine = FDataType;
    const TJsonType theirs = ValueTypeOf(value);
    auto scalar = [](TJsonType t) { return t == stBoolean || t == stDouble || t == stInt || t == stString; };
    if (!scalar(mine) || !scalar(theirs))
        return cpError;
    if (mine == stString || theirs == stString) {
        const int c = StringView(AsString()).compare(value->AsString());
        return c < 0 ? cpLess : c == 0 ? cpEqu : cpGreat;
    }
    if (mine != stDouble && theirs != stDouble) {
        // Compared, not subtracted: the difference of two 64-bit values may not fit.
        const int64_t a = AsInteger();
        const int64_t b = value->AsInteger();
        return a < b ? cpLess : a == b ? cpEqu : cpGreat;
    }
    const double d = AsDouble() - value->AsDouble();
    return d > 0 ? cpGreat : d == 0 ? cpEqu : cpLess;
}

TJsonCompareResult TJsonObject::Compare(StringView text)
{
    JsonRef other = ParseJsonText(text);
    if (!other)
        return cpError;
    return Compare(other);
}

// ---- paths --------------------------------------------------------------------------------------------

String TJsonObject::Format(StringView text, char16_t beginSep, char16_t endSep)
{
    String result;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != beginSep) {
            result += text[i++];
            continue;
        }
        const size_t close = text.find(endSep, i + 1);
        if (close == StringView::npos)
            break;  // an unclosed stretch drops the rest
        result += GetPathString(text.substr(i + 1, close - i - 1));
        i = close + 1;
    }
    return result;
}

JsonRef TJsonObject::ForcePath(StringView path, TJsonType dataType)
{
    return ParseString(path, true, this, foCreatePath, nullptr, dataType);
}

JsonRef TJsonObject::GetPathObject(StringView path) { return ParseString(path, true, this, 0, nullptr, stNull); }

void TJsonObject::PutPathObject(StringView path, const JsonRef& value)
{
    ParseString(path, true, this, foCreatePath | foPutValue, value, stNull);
}

bool TJsonObject::GetPathBoolean(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v->AsBoolean() : false;
}

void TJsonObject::PutPathBoolean(StringView path, bool value) { PutPathObject(path, Make(value)); }

int64_t TJsonObject::GetPathInteger(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v->AsInteger() : 0;
}

void TJsonObject::PutPathInteger(StringView path, int64_t value) { PutPathObject(path, Make(value)); }

double TJsonObject::GetPathDouble(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v->AsDouble() : 0;
}

void TJsonObject::PutPathDouble(StringView path, double value) { PutPathObject(path, Make(value)); }

String TJsonObject::GetPathString(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v->AsString() : String();
}

void TJsonObject::PutPathString(StringView path, StringView value) { PutPathObject(path, Make(value)); }

TJsonMethod TJsonObject::GetPathMethod(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v->AsMethod() : nullptr;
}

void TJsonObject::PutPathMethod(StringView path, TJsonMethod value) { PutPathObject(path, Make(value)); }

TJsonArray* TJsonObject::GetPathArray(StringView path)
{
    // The array stays alive through its container; a path that reaches no container cannot give one.
    JsonRef v = GetPathObject(path);
    return v ? v->AsArray() : nullptr;
}

JsonRef TJsonObject::GetN(StringView path)
{
    JsonRef v = GetPathObject(path);
    return v ? v : Make(stNull);
}

void TJsonObject::PutN(StringView path, const JsonRef& value) { PutPathObject(path, value ? value : Make(stNull)); }

JsonRef TJsonObject::call(StringView path, const JsonRef& param)
{
    return ParseString(path, true, this, foCallMethod, param, stNull);
}

JsonRef TJsonObject::call(StringView path, StringView param) { return call(path, ParseJsonText(param)); }

JsonRef TJsonObject::Delete(StringView path) { return ParseString(path, true, this, foDelete, nullptr, stNull); }

// ---- enumeration --------------------------------------------------------------------------------------

std::unique_ptr<TJsonEnumerator> TJsonObject::GetEnumerator() { return std::make_unique<TJsonEnumerator>(JsonRef(this)); }

TJsonEnumerator::TJsonEnumerator(JsonRef value) : FObj(std::move(value))
{
    if (FObj && FObj->GetDataType() == stObject)
        FObjEnum = std::make_unique<TJsonAvlIterator>(*FObj->AsObject());
}

TJsonEnumerator::~TJsonEnumerator() = default;

bool TJsonEnumerator::MoveNext()
{
    if (!FObj)
        return false;
    switch (FObj->GetDataType()) {
    case stObject:
        return FObjEnum->MoveNext();
    case stArray:
        ++FCount;
        return FCount < FObj->AsArray()->Length();
    default:
        return false;
    }
}

JsonRef TJsonEnumerator::GetCurrent() const
{
    if (!FObj)
        return nullptr;
    switch (FObj->GetDataType()) {
    case stObject:
        return FObjEnum->Current() ? FObjEnum->Current()->Value() : nullptr;
    case stArray:
        return FObj->AsArray()->GetItem(FCount);
    default:
        return FObj;
    }
}

// ---- unit-level operations ----------------------------------------------------------------------------

JsonRef ParseJsonText(StringView text) { return ParseString(text, true, nullptr, 0, nullptr, stNull); }

bool IsValueOfType(const JsonRef& value, TJsonType kind) { return ValueTypeOf(value) == kind; }

TJsonType ValueTypeOf(const JsonRef& value) { return value ? value->GetDataType() : stNull; }

bool FirstMember(const JsonRef& value, TJsonObjectIter& iter)
{
    iter.Ite.reset();
    iter.val = nullptr;
    iter.key.clear();
    if (!IsValueOfType(value, stObject))
        return false;
    iter.Ite = std::make_unique<TJsonAvlIterator>(*value->AsObject());
    return NextMember(iter);
}

bool NextMember(TJsonObjectIter& iter)
{
    if (!iter.Ite || !iter.Ite->MoveNext()) {
        iter.val = nullptr;
        iter.key.clear();
        return false;
    }
    iter.key = iter.Ite->Current()->Name();
    iter.val = iter.Ite->Current()->Value();
    return true;
}

void CloseMemberWalk(TJsonObjectIter& iter)
{
    iter.Ite.reset();
    iter.val = nullptr;
}

int32_t JsonLiveValues() { return g_live_values.load(std::memory_order_relaxed); }

void FinalizeJsonUnit()
{
    if (JsonLiveValues() != 0)
        throw core::EAssertionFailed(u"Memory leak");
}

} // namespace support
