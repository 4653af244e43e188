// IJsonObject: one reference-counted JSON value of any kind, and TJsonObject, the class behind it.
//
// Every value (null, boolean, double, 64-bit integer, object, array, string or method) handed out is
// one TJsonObject. Objects keep their members in a TJsonTableString (jsontable.h), arrays their
// elements in a TJsonArray (jsonarray.h), each in a TJsonSlot: small values read from text stay in
// their slot until someone asks for them. Containers hold counted references, a value may sit in several
// containers and a container may hold itself; Clear(true) breaks such cycles. The processing mark
// keeps every walk over a value (clear, pack, write, clone, merge, validate) from following a cycle.
//
// Nothing here reports failure by exception: a path that does not resolve gives nil, false, 0 or the
// empty text. The one exception is freeing a value that is still referenced ("Invalid pointer").
#pragma once

#include "core/interface.h"
#include "core/string.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace core {
class Stream;
}

namespace support {

using core::String;
using core::StringView;

class IJsonObject;
class TJsonArray;
class TJsonTableString;
class TJsonWriter;
class TJsonAvlIterator;
using JsonRef = core::Ref<IJsonObject>;

// The ordinals are part of the contract: kinds are stored and compared by them.
enum TJsonType : uint8_t { stNull, stBoolean, stDouble, stInt, stObject, stArray, stString, stMethod };

enum TJsonCompareResult { cpLess, cpEqu, cpGreat, cpError };

enum TJsonValidateError {
    veRuleMalformated,
    veFieldIsRequired,
    veInvalidDataType,
    veFieldNotFound,
    veUnexpectedField,
    veDuplicateEntry,
    veValueNotInEnum,
    veInvalidLength,
    veInvalidRange,
};

// Path options (a set of bits).
enum TJsonFindOption : unsigned { foCreatePath = 1, foPutValue = 2, foDelete = 4, foCallMethod = 8 };
using TJsonFindOptions = unsigned;

// A method value's procedure: `self` is the object or array in which the method was found, `params`
// the argument value; the procedure leaves its answer in `result`.
using TJsonMethod = void (*)(const JsonRef& self, const JsonRef& params, JsonRef& result);
using TJsonOnValidateError = void (*)(void* sender, TJsonValidateError error, const String& objpath);

// A socket handle for SaveTo; not owned.
using JsonSocket = intptr_t;

class TJsonEnumerator;

// Where a container keeps one element or member: nil, a counted reference to a value object, or a
// null, boolean, number or string value held in place. The reader stores the small values it makes in
// bulk in place, saving an allocation and the 56-byte object for each; such a value becomes an object
// of its own the first time anyone asks for one (Get), and the slot keeps that object from then on, so
// every caller that asks gets the same value and a change made through it shows in the container.
// A text of up to four units is held in the slot itself, so that short texts cost no block either.
// The type is plain data: the container moves slots as bytes and calls Release when it drops one.
struct TJsonSlot {
    // Bit 0 set: a value in place whose kind is in bits 1-3; bit 4 set: a text held in c_units, its
    // length in the bits above. Bit 0 clear: an object (or nil).
    uintptr_t ref;
    union {
        bool c_boolean;
        double c_double;
        int64_t c_int;
        unsigned char* c_string;  // as TJsonObject's: nil for the empty text, else length then units
        char16_t c_units[4];
    } v;

    bool IsNil() const { return Bits() == 0; }
    bool InPlace() const { return Bits() & 1; }
    // The kind of a value in place.
    TJsonType Kind() const { return TJsonType(Bits() >> 1 & 7); }
    // A text in place held in the slot itself rather than in a block.
    bool TextInSlot() const { return (Bits() & (kShortText | 1)) == (kShortText | 1); }
    StringView Text() const;
    // The object; a value in place is made into one first. Nil for nil. Safe against other readers.
    IJsonObject* Get() const
    {
        const uintptr_t bits = Bits();
        return bits & 1 ? MakeObject() : reinterpret_cast<IJsonObject*>(bits);
    }
    // The value's kind whatever its form; stNull for nil.
    TJsonType DataType() const;

    // These store into a nil slot (the container releases the old content first).
    void PutObject(IJsonObject* owned) { ref = reinterpret_cast<uintptr_t>(owned); }
    void PutNull() { Place(stNull); v.c_int = 0; }
    void PutBoolean(bool value) { Place(stBoolean); v.c_boolean = value; }
    void PutInt(int64_t value) { Place(stInt); v.c_int = value; }
    void PutDouble(double value) { Place(stDouble); v.c_double = value; }
    void PutString(StringView value);

    // The object with the slot's count; the slot is nil afterwards.
    IJsonObject* Take();
    // Drops the content (clearing an object first with all); the slot is nil afterwards.
    void Release(bool all = false);

private:
    uintptr_t Bits() const { return std::atomic_ref<uintptr_t>(const_cast<uintptr_t&>(ref)).load(std::memory_order_acquire); }
    static constexpr uintptr_t kShortText = 16;
    static constexpr int kShortLengthShift = 5;

    void Place(TJsonType kind) { ref = uintptr_t(kind) << 1 | 1; }
    IJsonObject* MakeObject() const;
};

// The text of a text block: nil for the empty text, else its length (32 bits) then its units.
inline StringView JsonBlockText(const unsigned char* block)
{
    if (!block)
        return {};
    uint32_t length;
    std::memcpy(&length, block, sizeof(length));
    return StringView(reinterpret_cast<const char16_t*>(block + sizeof(length)), length);
}

inline StringView TJsonSlot::Text() const
{
    if (const uintptr_t bits = Bits(); (bits & (kShortText | 1)) == (kShortText | 1))
        return StringView(v.c_units, bits >> kShortLengthShift);
    return JsonBlockText(v.c_string);
}

class IJsonObject : public virtual core::IInterface {
public:
    virtual std::unique_ptr<TJsonEnumerator> GetEnumerator() = 0;
    virtual TJsonType GetDataType() const = 0;
    virtual bool GetProcessing() const = 0;
    virtual void SetProcessing(bool value) = 0;

    // Paths (the path language of jsonreader.h), evaluated from this value.
    virtual JsonRef ForcePath(StringView path, TJsonType dataType = stObject) = 0;
    virtual String Format(StringView text, char16_t beginSep = u'%', char16_t endSep = u'%') = 0;
    virtual JsonRef GetPathObject(StringView path) = 0;
    virtual void PutPathObject(StringView path, const JsonRef& value) = 0;
    virtual bool GetPathBoolean(StringView path) = 0;
    virtual void PutPathBoolean(StringView path, bool value) = 0;
    virtual int64_t GetPathInteger(StringView path) = 0;
    virtual void PutPathInteger(StringView path, int64_t value) = 0;
    virtual double GetPathDouble(StringView path) = 0;
    virtual void PutPathDouble(StringView path, double value) = 0;
    virtual String GetPathString(StringView path) = 0;
    virtual void PutPathString(StringView path, StringView value) = 0;
    virtual TJsonMethod GetPathMethod(StringView path) = 0;
    virtual void PutPathMethod(StringView path, TJsonMethod value) = 0;
    virtual TJsonArray* GetPathArray(StringView path) = 0;
    // The value at the path; a new null value when there is none.
    virtual JsonRef GetN(StringView path) = 0;
    // As PutPathObject; a nil value is stored as a new null value.
    virtual void PutN(StringView path, const JsonRef& value) = 0;

    // Writing (jsonwriter.h). WriteValue returns the last sink result; negative means the sink failed.
    virtual int WriteValue(TJsonWriter& writer, bool indent, bool escape, int level) = 0;
    virtual int64_t SaveTo(core::Stream& stream, bool indent = false, bool escape = true) = 0;
    virtual int64_t SaveTo(const String& fileName, bool indent = false, bool escape = true) = 0;
    virtual int64_t SaveTo(JsonSocket socket, bool indent = false, bool escape = true) = 0;
    virtual int64_t CalcSize(bool indent = false, bool escape = true) = 0;
    virtual String AsJSon(bool indent = false, bool escape = true) = 0;

    // Conversions; they never fail.
    virtual bool AsBoolean() = 0;
    virtual int64_t AsInteger() = 0;
    virtual double AsDouble() = 0;
    virtual String AsString() = 0;
    virtual TJsonArray* AsArray() = 0;
    virtual TJsonTableString* AsObject() = 0;
    virtual TJsonMethod AsMethod() = 0;

    virtual void Clear(bool all = false) = 0;
    virtual void Pack(bool all = false) = 0;
    // Calls the method value at the path with the argument; the text form parses the argument first.
    virtual JsonRef call(StringView path, const JsonRef& param = nullptr) = 0;
    virtual JsonRef call(StringView path, StringView param) = 0;
    virtual JsonRef Clone() = 0;
    // Removes the value at the path and returns it.
    virtual JsonRef Delete(StringView path) = 0;
    virtual void Merge(const JsonRef& value, bool reference = false) = 0;
    virtual void Merge(StringView text) = 0;
    virtual bool Validate(StringView rules, StringView defs = {}, TJsonOnValidateError callback = nullptr,
                          void* sender = nullptr) = 0;
    virtual bool Validate(const JsonRef& rules, const JsonRef& defs = nullptr, TJsonOnValidateError callback = nullptr,
                          void* sender = nullptr) = 0;
    virtual TJsonCompareResult Compare(const JsonRef& value) = 0;
    virtual TJsonCompareResult Compare(StringView text) = 0;
    virtual bool IsType(TJsonType kind) const = 0;
    virtual void* GetDataPtr() const = 0;
    virtual void SetDataPtr(void* p) = 0;

protected:
    ~IJsonObject() override = default;
};

// The interface comes first so that the flags fit in the tail of the count: a value is 56 bytes.
class TJsonObject final : public IJsonObject, public core::RefCounted {
public:
    explicit TJsonObject(TJsonType kind = stObject);
    explicit TJsonObject(bool value);
    explicit TJsonObject(int64_t value);
    explicit TJsonObject(int value) : TJsonObject(int64_t(value)) {}
    explicit TJsonObject(double value);
    explicit TJsonObject(StringView value);
    explicit TJsonObject(const char16_t* value) : TJsonObject(StringView(value)) {}
    explicit TJsonObject(TJsonMethod value);
    ~TJsonObject() override;

    // A value in place made into an object (the object takes over a string's block); one count.
    static IJsonObject* FromSlot(const TJsonSlot& slot);

    // A new value, already referenced.
    template <class T> static JsonRef Make(T value)
    {
        auto* made = new TJsonObject(value);
        made->SetFirstReference();
        return JsonRef::Adopt(made);
    }
    // The same for the reader's containers, left out of the live count: the reader adds all it made
    // with CountLive in one step when it stops, since a change of the shared count per value would
    // cost about as much as making the value. With room (for a container known not to be empty), it
    // is made in one block with the room for its first member's entry or first elements.
    static JsonRef MakeUncounted(TJsonType kind, bool withRoom);
    static void CountLive(int32_t made);

    // Blocks are given back whole, with or without the room above: the deleting destructor passes no
    // object size that a block with room would not match.
    static void* operator new(size_t size) { return ::operator new(size); }
    static void operator delete(void* block) { ::operator delete(block); }

    int32_t AddRef() noexcept override { return RefCounted::AddRef(); }
    int32_t Release() noexcept override { return RefCounted::Release(); }

    std::unique_ptr<TJsonEnumerator> GetEnumerator() override;
    TJsonType GetDataType() const override { return FDataType; }
    bool GetProcessing() const override { return FProcessing; }
    void SetProcessing(bool value) override { FProcessing = value; }

    JsonRef ForcePath(StringView path, TJsonType dataType = stObject) override;
    String Format(StringView text, char16_t beginSep = u'%', char16_t endSep = u'%') override;
    JsonRef GetPathObject(StringView path) override;
    void PutPathObject(StringView path, const JsonRef& value) override;
    bool GetPathBoolean(StringView path) override;
    void PutPathBoolean(StringView path, bool value) override;
    int64_t GetPathInteger(StringView path) override;
    void PutPathInteger(StringView path, int64_t value) override;
    double GetPathDouble(StringView path) override;
    void PutPathDouble(StringView path, double value) override;
    String GetPathString(StringView path) override;
    void PutPathString(StringView path, StringView value) override;
    TJsonMethod GetPathMethod(StringView path) override;
    void PutPathMethod(StringView path, TJsonMethod value) override;
    TJsonArray* GetPathArray(StringView path) override;
    JsonRef GetN(StringView path) override;
    void PutN(StringView path, const JsonRef& value) override;

    int WriteValue(TJsonWriter& writer, bool indent, bool escape, int level) override;
    int64_t SaveTo(core::Stream& stream, bool indent = false, bool escape = true) override;
    int64_t SaveTo(const String& fileName, bool indent = false, bool escape = true) override;
    int64_t SaveTo(JsonSocket socket, bool indent = false, bool escape = true) override;
    int64_t CalcSize(bool indent = false, bool escape = true) override;
    String AsJSon(bool indent = false, bool escape = true) override;

    bool AsBoolean() override;
    int64_t AsInteger() override;
    double AsDouble() override;
    String AsString() override;
    TJsonArray* AsArray() override { return FDataType == stArray ? Items() : nullptr; }
    TJsonTableString* AsObject() override { return FDataType == stObject ? Table() : nullptr; }
    TJsonMethod AsMethod() override { return FDataType == stMethod ? FO.c_method : nullptr; }

    void Clear(bool all = false) override;
    void Pack(bool all = false) override;
    JsonRef call(StringView path, const JsonRef& param = nullptr) override;
    JsonRef call(StringView path, StringView param) override;
    JsonRef Clone() override;
    JsonRef Delete(StringView path) override;
    void Merge(const JsonRef& value, bool reference = false) override;
    void Merge(StringView text) override;
    bool Validate(StringView rules, StringView defs = {}, TJsonOnValidateError callback = nullptr,
                  void* sender = nullptr) override;
    bool Validate(const JsonRef& rules, const JsonRef& defs = nullptr, TJsonOnValidateError callback = nullptr,
                  void* sender = nullptr) override;
    TJsonCompareResult Compare(const JsonRef& value) override;
    TJsonCompareResult Compare(StringView text) override;
    bool IsType(TJsonType kind) const override { return FDataType == kind; }
    void* GetDataPtr() const override { return FDataPtr; }
    void SetDataPtr(void* p) override { FDataPtr = p; }

private:
    struct Uncounted {};
    TJsonObject(TJsonType kind, Uncounted);

    TJsonTableString* Table() const
    {
        return reinterpret_cast<TJsonTableString*>(const_cast<unsigned char*>(FO.c_container));
    }
    TJsonArray* Items() const
    {
        return reinterpret_cast<TJsonArray*>(const_cast<unsigned char*>(FO.c_container));
    }
    void SetString(StringView value);
    StringView Text() const { return JsonBlockText(FO.c_string); }
    JsonRef CloneMarked();
    static TJsonSlot CloneSlot(const TJsonSlot& slot);
    // The writer's body, for each kind of output (jsonwriter.cpp).
    template <class Out> int Emit(Out& out, bool indent, bool escape, int level);
    template <class Out> int EmitContainer(Out& out, bool indent, bool escape, int level);
    template <class Out> int EmitScalar(Out& out, bool escape);
    template <class Out>
    static int EmitSlot(Out& out, const TJsonSlot& slot, TJsonObject* item, bool indent, bool escape, int level);
    static TJsonObject* SlotObject(const TJsonSlot& slot);
    // Not written: a method, or a container already being written (it leads back to itself).
    static bool Skipped(const TJsonObject* item);

    bool FProcessing = false;
    TJsonType FDataType;
    void* FDataPtr = nullptr;
    // One payload by kind; a string value keeps its text in one heap block of its own (length and units
    // together, no string object around them) so that numbers stay small and texts cost one block.
    union {
        bool c_boolean;
        double c_double;
        int64_t c_int;
        // An object's member table or an array's header, made in place: one block and one step less
        // from a container to what it holds (the size is checked where both are known).
        alignas(8) unsigned char c_container[24];
        TJsonMethod c_method;
        unsigned char* c_string;  // nil for the empty text, else its length (32 bits) then its units
    } FO;

public:
    using ContainerRoom = decltype(FO.c_container);
};

// Walks an object's members or an array's elements; over any other value, the value itself once.
class TJsonEnumerator {
public:
    explicit TJsonEnumerator(JsonRef value);
    ~TJsonEnumerator();

    bool MoveNext();
    JsonRef GetCurrent() const;
    JsonRef Current() const { return GetCurrent(); }

private:
    JsonRef FObj;
    std::unique_ptr<TJsonAvlIterator> FObjEnum;
    int32_t FCount = -1;
};

// ---- unit-level operations ----------------------------------------------------------------------------

// The text read with partial parsing and no path context; nil on failure.
JsonRef ParseJsonText(StringView text);
// A nil value counts as stNull.
bool IsValueOfType(const JsonRef& value, TJsonType kind);
TJsonType ValueTypeOf(const JsonRef& value);

// A walk over an object's members in table order.
struct TJsonObjectIter {
    String key;
    JsonRef val;
    std::unique_ptr<TJsonAvlIterator> Ite;
};
bool FirstMember(const JsonRef& value, TJsonObjectIter& iter);
bool NextMember(TJsonObjectIter& iter);
void CloseMemberWalk(TJsonObjectIter& iter);

// The number of values alive in the process.
int32_t JsonLiveValues();
// The unit's finalisation: raises EAssertionFailed "Memory leak" while values are still alive.
void FinalizeJsonUnit();

} // namespace support
