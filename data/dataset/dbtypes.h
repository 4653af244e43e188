// The vocabulary of the dataset framework: field types, dataset states, field kinds, update states
// and actions, bookmark flags, data events, option sets, and the database error with its fixed texts.
#pragma once

#include "core/exception.h"
#include "core/string.h"

#include <cstdint>
#include <vector>

namespace data {

using core::String;
using core::StringView;

// Field types. The order is fixed: maps and tables index by it.
enum TFieldType : uint8_t {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate,
    ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo,
    ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT,
    ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid,
    ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo, ftOraTimeStamp, ftOraInterval, ftLongWord,
    ftShortint, ftByte, ftExtended, ftConnection, ftParams, ftStream, ftTimeStampOffset, ftObject,
    ftSingle,
};
constexpr int FieldTypeCount = int(ftSingle) + 1;
// The name of the type without its prefix ("String", "Integer"), for messages.
String FieldTypeName(TFieldType type);
bool IsBlobFieldType(TFieldType type);
// The names of a ";"-separated field list, trimmed, empty entries left out.
std::vector<String> SplitFieldNames(StringView names);

enum TDataSetState : uint8_t {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue,
    dsCurValue, dsBlockRead, dsInternalCalc, dsOpening,
};

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// In the order of the record store's item status, whose byte a record buffer carries.
enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };

enum TUpdateAction : uint8_t { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TUpdateKind : uint8_t { ukModify, ukInsert, ukDelete };

enum TUpdateRecordType : unsigned { rtModified = 1u << 0, rtInserted = 1u << 1, rtDeleted = 1u << 2, rtUnmodified = 1u << 3 };
using TUpdateRecordTypes = unsigned;

enum TLocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using TLocateOptions = unsigned;

enum TFilterOption : unsigned { foCaseInsensitive = 1u << 0, foNoPartialCompare = 1u << 1 };
using TFilterOptions = unsigned;

enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };

// The byte a record buffer carries to say what it holds.
enum TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum TBlobStreamMode : uint8_t { bmRead, bmWrite, bmReadWrite };

enum TDataEvent : uint8_t {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
    deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl,
    deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange,
};

enum TResyncMode : unsigned { rmExact = 1u << 0, rmCenter = 1u << 1 };
using TResyncModes = unsigned;

enum TAutoRefreshFlag : uint8_t { arNone, arAutoInc, arDefault };

enum TDataAction : uint8_t { daFail, daAbort, daRetry };

// How a provider uses a field when it writes changes back: in the changed columns, in the row's
// search condition, as part of the key; hidden fields are not shown to the client.
enum TProviderFlag : unsigned { pfInUpdate = 1u << 0, pfInWhere = 1u << 1, pfInKey = 1u << 2, pfHidden = 1u << 3 };
using TProviderFlags = unsigned;

// Field definition attributes.
enum TFieldAttribute : unsigned {
    faHiddenCol = 1u << 0, faReadonly = 1u << 1, faRequired = 1u << 2, faLink = 1u << 3,
    faUnNamed = 1u << 4, faFixed = 1u << 5,
};
using TFieldAttributes = unsigned;

// A user-level condition of a dataset: closed, not editing, unknown field, missing value.
CORE_DECLARE_EXCEPTION(EDatabaseError, core::Exception);
[[noreturn]] void DatabaseError(StringView message);
[[noreturn]] void DatabaseErrorFmt(StringView format, StringView argument);

// Fixed texts.
namespace texts {
inline constexpr core::Char DataSetClosed[] = u"Cannot perform this operation on a closed dataset";
inline constexpr core::Char DataSetOpen[] = u"Cannot perform this operation on an open dataset";
inline constexpr core::Char FieldNotFound[] = u"Field '%s' not found";
inline constexpr core::Char NotEditing[] = u"Dataset not in edit or insert mode";
inline constexpr core::Char FieldReadOnly[] = u"Field '%s' cannot be modified";
inline constexpr core::Char FieldRequired[] = u"Field '%s' must have a value";
inline constexpr core::Char DataSetReadOnly[] = u"Cannot modify a read-only dataset";
inline constexpr core::Char DataSetEmpty[] = u"Cannot perform this operation on an empty dataset";
inline constexpr core::Char RecordNotFound[] = u"Record not found";
inline constexpr core::Char NotBrowsing[] = u"Dataset is not in browse mode";
inline constexpr core::Char CircularDataLink[] = u"Circular datalinks are not allowed";
inline constexpr core::Char DuplicateFieldName[] = u"Duplicate field name '%s'";
inline constexpr core::Char FieldTypeMismatch[] = u"Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr core::Char FieldSizeMismatch[] = u"Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr core::Char UnknownFieldType[] = u"Field '%s' is of an unknown type";
inline constexpr core::Char FieldAccessError[] = u"Cannot access field '%s' as type %s";
inline constexpr core::Char FieldRangeError[] = u"%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr core::Char InvalidFieldValue[] = u"'%s' is not a valid value for field '%s'";
inline constexpr core::Char FieldValueTooLong[] = u"Value of field '%s' is too long";
inline constexpr core::Char NoDataSet[] = u"Missing DataSet property";
inline constexpr core::Char LookupInfoError[] = u"Lookup information for field '%s' is incomplete";
inline constexpr core::Char NotCalculated[] = u"Field '%s' is not a calculated field";
inline constexpr core::Char ParamNotFound[] = u"Parameter '%s' not found";
} // namespace texts

} // namespace data
