// The vocabulary of the record store: data-type codes with the storage form of each in a record
// buffer, field descriptors and their list with the name-lookup rules, and the descriptors of
// structured (object) types.
//
// Storage of each code in the record's data part (a slot is a pointer-sized cell holding an object
// reference or a string-heap pointer):
//    0 unknown: none                      17 array: slot (provider object)
//    1 ANSI string: Size bytes, zero-ended  18 nested table: slot (provider object)
//    2 8-bit integer: 1 byte              19 variant: slot (TVariantObject)
//    3 16-bit integer: 2 bytes            20 ANSI string by reference: slot (heap text), nil for none
//    4 32-bit integer: 4 bytes            21 fixed bytes: Length bytes
//    5 float: 8-byte double               22 variable bytes: 16-bit length, then up to Length bytes
//    6 date, 7 time, 8 date and time: 8-byte double, days since 30 December 1899
//    9 16-bit unsigned: 2 bytes           23 variable bytes by reference: slot (heap length and bytes)
//   10 Boolean: 2 bytes, 0 or 1           24 32-bit unsigned: 4 bytes
//   11 64-bit integer: 8 bytes            25 UTF-16 string: Size bytes at an even offset, zero-ended
//   12 currency as a double: 8 bytes      26 UTF-16 string by reference: slot (heap text)
//   13 blob, 14 ANSI memo: slot (TBlob)   27 decimal as value x 10000: 8-byte integer
//   15 object, 16 reference: slot         28 packed decimal: 34 bytes (core::Bcd)
//   29 GUID as text: Size bytes, zero-ended  30 UTF-16 memo: slot (TBlob, IsUnicode)
//   31 time stamp: 16 bytes (core::SQLTimeStamp)  32 cursor: slot (provider object)
#pragma once

#include "data/storage/sharedobject.h"

#include "core/string.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace data {

using core::String;
using core::StringView;

enum : uint16_t {
    dtUnknown = 0, dtString = 1, dtInt8 = 2, dtInt16 = 3, dtInt32 = 4, dtFloat = 5, dtDate = 6, dtTime = 7,
    dtDateTime = 8, dtUInt16 = 9, dtBoolean = 10, dtInt64 = 11, dtCurrency = 12, dtBlob = 13, dtMemo = 14,
    dtObject = 15, dtReference = 16, dtArray = 17, dtTable = 18, dtVariant = 19, dtExtString = 20, dtBytes = 21,
    dtVarBytes = 22, dtExtVarBytes = 23, dtUInt32 = 24, dtWideString = 25, dtExtWideString = 26, dtBCD = 27,
    dtFMTBCD = 28, dtGuid = 29, dtWideMemo = 30, dtSQLTimeStamp = 31, dtCursor = 32,
};

enum TDateFormat { dfMSecs, dfDateTime, dfTime, dfDate };
enum TFieldDescKind { fdkData, fdkCached, fdkCalculated };

class TObjectType;

// One field of a record. Made through the store's GetFieldDescType, so that a record set can make its
// own descendant.
class TFieldDesc : public core::Object {
public:
    TFieldDesc() = default;
    ~TFieldDesc() override;

    // Copies Name, ActualName, DataType, Length, Scale, Size, Offset, Required and FieldNo; nothing else.
    virtual void Assign(const TFieldDesc& FieldDesc);

    TObjectType* ObjectType() const { return FObjectType; }
    // Takes a reference on the new type and releases the old one.
    void SetObjectType(TObjectType* value);
    bool HasParent() const { return ParentField != nullptr; }

    String Name;        // as the dataset shows it, made unique by the store
    String ActualName;  // at the source, or the full path of an attribute
    uint16_t DataType = dtUnknown;
    uint16_t SubDataType = 0;
    uint16_t Length = 0;
    uint16_t Scale = 0;
    uint16_t FieldNo = 0;  // 1-based position in the list
    uint16_t ActualFieldNo = 0;
    uint16_t Size = 0;     // bytes in the record
    int Offset = 0;        // in the record buffer
    int DataOffset = 0;    // in a provider's fetch buffer
    bool Required = false;
    bool ReadOnly = false;
    bool IsKey = false;
    bool Fixed = false;
    bool Hidden = false;
    TFieldDesc* ParentField = nullptr;
    bool HiddenObject = false;
    void* Handle = nullptr;
    bool Reserved = false;  // a work mark of the unique-name pass
    TFieldDescKind FieldDescKind = fdkData;

private:
    TObjectType* FObjectType = nullptr;
};

// The owning list of a record set's descriptors; index 0 is field number 1.
class TFieldDescs {
public:
    TFieldDescs() = default;
    TFieldDescs(const TFieldDescs&) = delete;
    TFieldDescs& operator=(const TFieldDescs&) = delete;

    int Count() const { return int(m_items.size()); }
    TFieldDesc* Items(int Index) const { return m_items[size_t(Index)].get(); }
    void Add(std::unique_ptr<TFieldDesc> desc) { m_items.push_back(std::move(desc)); }
    void Clear() { m_items.clear(); }

    // First a top-level field by Name; then, for a name with "." or "[", any field by ActualName, and
    // otherwise an attribute field by Name. Names compare without case (locale). Null when absent.
    TFieldDesc* FindField(StringView Name) const;
    // Exception "Field <name> not found" when absent.
    TFieldDesc* FieldByName(StringView Name) const;

private:
    std::vector<std::unique_ptr<TFieldDesc>> m_items;
};

class TAttribute;

// A structured type: its attributes, shared and counted.
class TObjectType : public TSharedObject {
public:
    TObjectType(StringView name = {}, uint16_t dataType = dtObject) : FName(name), FDataType(dataType) {}
    ~TObjectType() override;

    const String& Name() const { return FName; }
    uint16_t DataType() const { return FDataType; }
    int Size() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    int AttributeCount() const { return int(FAttributes.size()); }
    TAttribute* AttributeAt(int Index) const { return FAttributes[size_t(Index)].get(); }
    // Appends an attribute owned by this type.
    TAttribute& AddAttribute(StringView name, uint16_t dataType, TObjectType* objectType = nullptr);

    // A path through nested types: "A.B", "ITEMS[3].PRICE" (an index stands for the element
    // attribute "ELEMENT"; its value plays no part). Null when a part is missing or a path goes on
    // below a scalar.
    TAttribute* FindAttribute(StringView Name) const;
    // Exception "Attribute <name> not found" when absent.
    TAttribute* AttributeByName(StringView Name) const;

private:
    String FName;
    uint16_t FDataType;
    int FSize = 0;
    std::vector<std::unique_ptr<TAttribute>> FAttributes;
};

class TAttribute {
public:
    TAttribute(TObjectType* owner, StringView name, uint16_t dataType, TObjectType* objectType);
    ~TAttribute();
    TAttribute(const TAttribute&) = delete;
    TAttribute& operator=(const TAttribute&) = delete;

    const String& Name() const { return FName; }
    uint16_t DataType() const { return FDataType; }
    TObjectType* ObjectType() const { return FObjectType; }
    TObjectType* Owner() const { return FOwner; }

    uint16_t SubDataType = 0, Length = 0, Scale = 0, Size = 0, DataSize = 0, Offset = 0, IndicatorOffset = 0,
             AttributeNo = 0;
    bool Fixed = false;

private:
    // A type that contains itself is not counted, so that no cycle keeps it alive.
    bool Counts() const;

    String FName;
    uint16_t FDataType;
    TObjectType* FObjectType;
    TObjectType* FOwner;
};

} // namespace data
