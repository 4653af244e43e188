// TData, the abstract record set: descriptors and record layout, field values in flat record buffers
// (null flags, by-reference strings, variant and blob slots), the open/close and prepare/unprepare
// lifecycle through hooks, and the navigation and editing operations a concrete store supplies.
//
// Record buffer: the data part (every top-level, non-calculated field at its Offset, in descriptor
// order; an inline UTF-16 field at an even offset), then one null flag per descriptor (1 = null), then
// one filler byte when the sum is even: RecordSize is always odd. Buffers that ask for it carry the
// calculated fields after RecordSize (CalcRecordSize bytes, odd too unless empty). Fields sit at any
// offset: every access goes through memcpy.
#pragma once

#include "data/dataset/dbtypes.h"
#include "data/storage/blob.h"
#include "data/storage/fielddesc.h"
#include "data/storage/memblocks.h"

#include "core/variant.h"

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>

namespace data {

class TFilterExpression;
struct TExpressionNode;

// Values in record buffers sit at any address: they are read and written by copy.
template<class T>
T ReadAt(const void* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template<class T>
void WriteAt(void* p, T value)
{
    std::memcpy(p, &value, sizeof value);
}

// An integer field's stored value by its value code; anything else is read as 8 bytes.
inline int64_t ReadInteger(const void* p, int code)
{
    switch (code) {
    case dtInt8: return ReadAt<int8_t>(p);
    case dtInt16: return ReadAt<int16_t>(p);
    case dtInt32: return ReadAt<int32_t>(p);
    case dtUInt16: return ReadAt<uint16_t>(p);
    case dtUInt32: return ReadAt<uint32_t>(p);
    default: return ReadAt<int64_t>(p);
    }
}

// A set of enumerators (below 32), as the store's option sets are.
template<class E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items)
    {
        for (E item : items)
            m_bits |= 1u << unsigned(item);
    }
    constexpr bool Contains(E item) const { return (m_bits >> unsigned(item)) & 1u; }
    constexpr TEnumSet& Include(E item) { m_bits |= 1u << unsigned(item); return *this; }
    constexpr TEnumSet& Exclude(E item) { m_bits &= ~(1u << unsigned(item)); return *this; }
    constexpr TEnumSet With(E item) const { TEnumSet result = *this; return result.Include(item); }
    constexpr bool Empty() const { return m_bits == 0; }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    uint32_t m_bits = 0;
};

using TItemTypes = TEnumSet<TItemStatus>;
// The store's update kinds are the dataset framework's, in the same order; only the first is named
// after what the store does with it.
using TUpdateRecKind = TUpdateKind;
inline constexpr TUpdateRecKind ukUpdate = ukModify;

// The object of a structured field (codes 15 to 18 and 32): a provider keeps the attribute values and
// the store asks for them by the attribute's full name ("ADDR.CITY", "ITEMS[2]").
class TDBObject : public TSharedObject {
public:
    // The value's buffer, or null when the attribute is null; Temporary says the caller frees it with
    // Marshal::FreeHGlobal.
    virtual void* GetAttributeValue(StringView Name, bool& IsNull, bool& Temporary) = 0;
    virtual bool GetAttributeIsNull(StringView Name) = 0;
    // Null Source writes null.
    virtual void SetAttributeValue(StringView Name, const void* Source) = 0;
};

// A bookmark: the store's refresh iteration, its item and the record number (-1 for none).
struct TRecBookmark {
    int32_t RefreshIteration = 0;
    int32_t Order = -1;
    TItemHeader* Item = nullptr;
};
static_assert(sizeof(TRecBookmark) == 16, "x64 bookmark");

// Unit hooks, empty unless the application sets them.
extern std::function<void()> StartWaitProc;
extern std::function<void()> StopWaitProc;
extern std::function<void(String& Title)> ApplicationTitleProc;
void CallStartWaitHook();
void CallStopWaitHook();
String GetHostAppTitle();

class TData {
public:
    using TOnModifyRecord = std::function<void()>;
    // Applies one cached change; the handler sets Action.
    using TOnApplyRecord = std::function<void(TUpdateRecKind UpdateKind, TUpdateRecAction& Action, bool LastItem)>;

    TData();
    virtual ~TData();
    TData(const TData&) = delete;
    TData& operator=(const TData&) = delete;

    // ---- lifecycle ----
    virtual void Open();
    virtual void Close();
    virtual void Prepare();
    virtual void UnPrepare();
    virtual bool IsFullReopen() { return true; }
    virtual void Reopen();
    virtual void InitFields();
    virtual void ExplicitInitFields() { InitFields(); }
    virtual void ClearFields();
    bool Active() const { return FActive; }
    bool Prepared() const { return FPrepared; }

    // ---- descriptors ----
    TFieldDescs& Fields() { return FFields; }
    uint16_t FieldCount() const { return uint16_t(FFields.Count()); }
    TFieldDesc* FindField(StringView Name) const { return FFields.FindField(Name); }
    TFieldDesc* FieldByName(StringView Name) const { return FFields.FieldByName(Name); }
    // Makes the descriptor a record set uses (a descendant may make its own class).
    virtual std::unique_ptr<TFieldDesc> CreateFieldDesc() { return std::make_unique<TFieldDesc>(); }
    virtual String GetArrayFieldName(int Index) { return u"[" + core::IntToStr(Index) + u"]"; }
    virtual bool IsBlobFieldType(uint16_t DataType) const;
    virtual bool IsComplexFieldType(uint16_t DataType) const;
    bool HasFields(std::initializer_list<uint16_t> FieldTypes) const;
    bool HasBlobFields() const;
    bool CheckHasComplexFields();
    bool HasComplexFields() const { return FHasComplexFields; }
    int RecordSize() const { return FRecordSize; }
    int CalcRecordSize() const { return FCalcRecordSize; }
    int DataSize() const { return FDataSize; }

    // ---- record buffers ----
    void* AllocRecBuf(bool withCalculated = false);
    void FreeRecBuf(void* RecBuf);
    void InitRecord(void* RecBuf);
    virtual int GetIndicatorSize() { return FieldCount(); }

    // ---- field values ----
    // IsBlank reports null; a null value of a plain type (or of codes 20, 23, 26) leaves Dest alone.
    virtual void GetField(int FieldNo, const void* RecBuf, void* Dest, bool& IsBlank);
    virtual void GetFieldData(const TFieldDesc& Field, const void* FieldBuf, void* Dest);
    // A null Source, or an empty text while EnableEmptyStrings is off, makes the field null.
    void PutField(int FieldNo, void* RecBuf, const void* Source);
    virtual void PutFieldData(const TFieldDesc& Field, void* FieldBuf, const void* Source);
    virtual bool GetNull(int FieldNo, void* RecBuf);
    virtual void SetNull(int FieldNo, void* RecBuf, bool Value);
    // The value as a variant of the code's kind (Null for a null field); EConvertError "Cannot convert
    // type <code>" for codes without one.
    virtual void GetFieldAsVariant(int FieldNo, const void* RecBuf, core::Variant& Value);
    // An empty or Null value makes the field null; a variant the code does not take raises EConvertError
    // "Cannot convert type".
    virtual void PutFieldAsVariant(int FieldNo, void* RecBuf, const core::Variant& Value);
    // The value in the form value comparison takes: DataType reports the form's code; NativeBuffer
    // false means a temporary the caller frees with Marshal::FreeHGlobal.
    void* GetFieldBuf(const void* RecBuf, const TFieldDesc& FieldDesc, int& DataType, bool& IsBlank,
                      bool& NativeBuffer);
    virtual void GetDateFromBuf(const void* Buf, const TFieldDesc& Field, void* Date, TDateFormat Format);
    virtual void PutDateToBuf(void* Buf, const TFieldDesc& Field, const void* Date, TDateFormat Format);
    virtual bool NeedConvertEOL() { return false; }

    // ---- complex fields ----
    virtual void CreateComplexFields(void* RecBuf, bool WithBlob);
    virtual void CreateComplexField(void* RecBuf, int FieldIndex, bool WithBlob);
    virtual void FreeComplexFields(void* RecBuf, bool WithBlob);
    virtual void CopyComplexFields(const void* Source, void* Dest, bool WithBlob);
    virtual void AddRefComplexFields(void* RecBuf);
    // Exception "Field is not BLOB" for another type.
    TSharedObject* GetObject(int FieldNo, const void* RecBuf);
    void SetObject(int FieldNo, void* RecBuf, TSharedObject* Obj);

    // ---- blob access ----
    // FromRollback shows the blob's rollback copy for the call. With TrueUnicode false a UTF-16 blob
    // is seen as ANSI text: positions, counts and data are ANSI characters and bytes.
    int ReadBlob(int FieldNo, const void* RecBuf, int Position, int Count, void* Dest, bool FromRollback = false,
                 bool TrueUnicode = false);
    void WriteBlob(int FieldNo, void* RecBuf, int Position, int Count, const void* Source, bool TrueUnicode = false);
    void TruncateBlob(int FieldNo, void* RecBuf, int Size, bool TrueUnicode = false);
    int GetBlobSize(int FieldNo, void* RecBuf, bool FromRollback = false, bool TrueUnicode = false);
    void SetBlobSize(int FieldNo, void* RecBuf, int NewSize, bool FromRollback = false, bool TrueUnicode = false);

    // ---- navigation and editing (a concrete store supplies these) ----
    virtual void InitData();
    virtual void FreeData() { InitData(); }
    virtual bool GetEof() { return FEOF; }
    virtual bool GetBof() { return FBOF; }
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecordNo() { return -1; }
    virtual void SetRecordNo(int) {}
    virtual void SetToBegin() { FBOF = true; FEOF = false; }
    virtual void SetToEnd() { FEOF = true; FBOF = false; }
    virtual void GetRecord(void* RecBuf) = 0;
    virtual void GetNextRecord(void* RecBuf) = 0;
    virtual void GetPriorRecord(void* RecBuf) = 0;
    virtual void PutRecord(void* RecBuf) = 0;
    virtual void AppendRecord(void* RecBuf) = 0;
    virtual void InsertRecord(void* RecBuf) = 0;
    virtual void UpdateRecord(void* RecBuf) = 0;
    virtual void DeleteRecord() = 0;
    void AppendBlankRecord();
    // The stored record takes copies of RecBuf's by-reference and variant values.
    void EditRecord(void* RecBuf);
    // Stores RecBuf, commits its blobs and releases the old record's values.
    void PostRecord(void* RecBuf);
    // Restores RecBuf's blobs and releases its values.
    virtual void CancelRecord(void* RecBuf);

    // ---- filter ----
    // While the store is open the text is parsed first; a text that does not parse raises and leaves
    // the previous text and its expression in force.
    const String& FilterText() const { return FFilterText; }
    virtual void SetFilterText(StringView Value);
    TItemTypes FilterItemTypes() const { return FFilterItemTypes; }
    virtual void SetFilterItemTypes(TItemTypes Value) { FFilterItemTypes = Value; }
    // Resets the cached filter decisions (a store that caches them).
    virtual void FilterUpdated() {}
    bool FilterCaseInsensitive = false;
    bool FilterNoPartialCompare = false;
    // Test seam: evaluate every comparison through variants, never on the stored value.
    bool FilterVariantRoadOnly = false;
    bool HasFilterExpression() const { return bool(FFilterExpression); }
    const TFilterExpression* FilterExpression() const { return FFilterExpression.get(); }
    // Whether the filter text accepts the record (true without an expression).
    bool EvaluateFilter(const void* RecBuf);

    // ---- cached updates ----
    bool CachedUpdates() const { return FCachedUpdates; }
    // Switching off cancels every cached change; switching on hides deleted records.
    void SetCachedUpdates(bool Value);
    virtual bool GetUpdatesPending() { return false; }
    virtual TItemStatus GetUpdateStatus() { return isUnmodified; }
    virtual TUpdateRecAction GetUpdateResult() { return urNone; }
    // The dataset lends the two buffers the apply handler reads and writes.
    virtual void SetCacheRecBuf(void* NewBuf, void* OldBuf) { (void)NewBuf; (void)OldBuf; }
    virtual void ApplyUpdates() {}
    virtual void CommitUpdates() {}
    virtual void CancelUpdates() {}
    virtual void RestoreUpdates() {}
    virtual void RevertRecord() {}
    virtual void ApplyRecord(TUpdateRecKind UpdateKind, TUpdateRecAction& Action, bool LastItem)
    {
        if (OnApplyRecord)
            OnApplyRecord(UpdateKind, Action, LastItem);
    }
    virtual void GetOldRecord(void* RecBuf) { (void)RecBuf; }
    TOnApplyRecord OnApplyRecord;
    void* NewCacheRecBuf = nullptr;
    void* OldCacheRecBuf = nullptr;

    // ---- bookmarks by record number ----
    virtual void GetBookmark(TRecBookmark* Bookmark) { Bookmark->Order = GetRecordNo(); }
    virtual void SetToBookmark(TRecBookmark* Bookmark)
    {
        if (Bookmark->Order != -1)
            SetRecordNo(Bookmark->Order);
    }
    virtual bool BookmarkValid(TRecBookmark* Bookmark) { return Bookmark && Bookmark->Order != -1; }
    virtual int CompareBookmarks(TRecBookmark* Bookmark1, TRecBookmark* Bookmark2);

    // ---- settings and events ----
    bool AutoInitFields = true;
    bool TrimFixedChar = false;
    bool TrimVarChar = false;
    bool EnableEmptyStrings = false;
    bool SparseArrays = false;
    TOnModifyRecord OnAppend, OnDelete, OnUpdate;
    std::function<void()> OnFieldsChanged;
    std::function<void()> OnGetCachedFields;

protected:
    virtual void DoPrepare() {}
    virtual void DoUnPrepare() {}
    // The open hook; Open passes false. A store that fills itself from a server describes its fields
    // here unless DisableInitFields (they are known already).
    virtual void DoOpen(bool DisableInitFields) { (void)DisableInitFields; }
    virtual void DoClose() {}
    virtual void DoInitFields() {}
    virtual void DoAppend() { if (OnAppend) OnAppend(); }
    virtual void DoDelete() { if (OnDelete) OnDelete(); }
    virtual void DoUpdate() { if (OnUpdate) OnUpdate(); }

    // The unique-name pass over the top-level descriptors.
    void MakeNamesUnique();
    void* Slot(const void* RecBuf, const TFieldDesc& Field) const
    {
        void* value;
        std::memcpy(&value, static_cast<const uint8_t*>(RecBuf) + Field.Offset, sizeof value);
        return value;
    }
    void SetSlot(void* RecBuf, const TFieldDesc& Field, void* value) const
    {
        std::memcpy(static_cast<uint8_t*>(RecBuf) + Field.Offset, &value, sizeof value);
    }
    TFieldDesc& Desc(int FieldNo) const;
    // An attribute's name below its top-level field, and that field.
    String AttributeFullName(const TFieldDesc& Field, const TFieldDesc*& Top) const;
    TDBObject* AttributeObject(const void* RecBuf, const TFieldDesc& Field, String& Name) const;
    uint8_t* FlagOf(const void* RecBuf, int FieldNo) const
    {
        return const_cast<uint8_t*>(static_cast<const uint8_t*>(RecBuf)) + FDataSize + FieldNo - 1;
    }

    // Parses FilterText into the expression in force (none for an empty text).
    void ParseFilter();
    void FreeFilter();
    bool EvaluateNode(const TExpressionNode& Node, const void* RecBuf);
    bool EvaluateComparison(const TExpressionNode& Node, const void* RecBuf);
    // The stored value's answer; false when only the variant road can tell.
    bool EvaluateNative(const TExpressionNode& Node, const void* RecBuf, bool& Result);
    // EvaluateNative's commonest roads in short, for comparisons that read the record's own bytes.
    bool EvaluateInPlace(const TExpressionNode& Node, const void* RecBuf, bool& Result);

    String FFilterText;
    std::unique_ptr<TFilterExpression> FFilterExpression;
    TItemTypes FFilterItemTypes;
    bool FCachedUpdates = false;
    int FRecordSize = 0;
    int FCalcRecordSize = 0;
    int FDataSize = 0;
    int FRecordNoOffset = 0;
    int FRecordCount = 0;
    bool FBOF = true;
    bool FEOF = true;
    bool FActive = false;
    bool FPrepared = false;
    bool FHasComplexFields = false;
    TFieldDescs FFields;
    std::unique_ptr<TStringHeap> StringHeap = std::make_unique<TStringHeap>();
};

} // namespace data
