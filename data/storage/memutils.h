// Free-standing routines that the record store, the datasets and the database layer share: block copy
// and fill, zero-terminated wide text, locale comparison with results -1/0/1, variant equality for
// keys and parameters, class tests, time-stamp checks and the compression hooks behind compressed
// blobs.
#pragma once

#include "data/storage/encoding.h"

#include "core/datetime.h"
#include "core/format.h"
#include "core/object.h"
#include "core/variant.h"

#include <cstring>
#include <initializer_list>

namespace data {


// ---- buffers ------------------------------------------------------------------------------------

// The record store's only copy primitive; overlapping ranges are moved correctly. No checks: it runs
// for every field of every record.
inline void CopyBuffer(const void* Source, void* Dest, size_t Count)
{
    if (Count)
        std::memmove(Dest, Source, Count);
}
inline void CopyFromAnsiString(const AnsiString& S, void* Dest, size_t Count) { CopyBuffer(S.data(), Dest, Count); }
// Count in bytes.
inline void CopyFromWideString(const WideString& S, void* Dest, size_t Count) { CopyBuffer(S.data(), Dest, Count); }
inline void FillBuffer(void* Dest, size_t Count, uint8_t Value)
{
    if (Count)
        std::memset(Dest, Value, Count);
}

// Zero-terminated UTF-16 texts at any address (record fields need not be aligned): read and written
// unit by unit, never through a Char pointer.
void WideCopyZ(void* Dest, const void* Source);
// Copies up to a zero character or MaxLen characters, then writes a zero.
void WideCopyZMax(void* Dest, const void* Source, int MaxLen);
int WideLengthZ(const void* S);
String WideTextAtZ(const void* S);
// Len -1 means the text's own length. From the last character backwards, spaces and zeros become
// zeros, stopping at the first other character or at the start (never before it).
void TrimTrailingBlanksA(char* S, int Len);
void TrimTrailingBlanksW(void* S, int Len);

// Object references are stored in record buffers as they are; buffers need no pinning.
inline void* ObjectToHandle(void* Obj) { return Obj; }
inline void* HandleToObject(void* Handle) { return Handle; }
inline void FreeObjectHandle(void*) {}
inline void FreeStringBuffer(void*) {}
inline void* PinBuffer(void* P) { return P; }
inline void UnpinBuffer(void*) {}

// ---- locale comparison --------------------------------------------------------------------------

// The user's locale order, -1, 0 or 1 (-2 when the system call fails). On Windows the system's
// string sort (hyphens and apostrophes are ordinary symbols); on the host a stand-in: case-folded
// code-unit order, and texts that differ only in case put the lower-case letter first.
// The wide forms are an assertion failure "Unicode support on Win9x" on Windows 9x.
int LocaleCompareLenW(StringView S1, StringView S2, int MaxLen);
int LocaleCompareTextLenW(StringView S1, StringView S2, int MaxLen);
int LocaleCompareW(StringView S1, StringView S2);      // up to the first zero character
int LocaleCompareTextW(StringView S1, StringView S2);  // up to the first zero character
int LocaleCompareZ(const char* S1, const char* S2);
int LocaleCompareTextZ(const char* S1, const char* S2);
int LocaleCompareA(const AnsiString& S1, const AnsiString& S2);
int LocaleCompareTextA(const AnsiString& S1, const AnsiString& S2);

// ---- text ---------------------------------------------------------------------------------------

String StrToLower(StringView S);
String StrToUpper(StringView S);
int StrCompareNoCase(StringView S1, StringView S2);
// The matching rule for field, parameter, macro and option names.
bool StrSameNoCase(StringView S1, StringView S2);
String StrQuote(StringView S, Char Quote);
String StrDequote(StringView S, Char Quote);
String VarToText(const core::Variant& V);
inline String FormatText(StringView Fmt, std::initializer_list<core::FormatArg> Args)
{
    return core::Format(Fmt, Args);
}

// ---- class tests --------------------------------------------------------------------------------

// Classes have one identity in a statically linked program, so the test is the inheritance test.
template<class T>
bool IsClassOf(const core::Object* Obj)
{
    return dynamic_cast<const T*>(Obj) != nullptr;
}
// The object's own class name equals ClassName exactly. The ancestors' names are not known at run
// time, so only the class itself is matched.
bool IsClassByName(const core::Object* Obj, StringView ClassName);

// ---- variants -----------------------------------------------------------------------------------

// Equality of keys and parameters: texts exactly, Null only with Null, an empty text only with an
// empty text, byte arrays by content, everything else by the variant's own equality.
bool VarEqual(const core::Variant& V1, const core::Variant& V2);

// ---- time stamps --------------------------------------------------------------------------------

// EConvertError "'<Date>.<Time>' is not a valid timestamp" when Time < 0 or Date <= 0. Unlike the
// core's check, a Time of a whole day or more passes.
void CheckTimeStamp(const core::TimeStamp& Stamp);
// Days before 30 December 1899 subtract the time of day.
double StampToDateTime(const core::TimeStamp& Stamp);

// ---- compression --------------------------------------------------------------------------------

// (Dest, DestLen, Source, SourceLen): the zlib status; DestLen gives the room and returns the bytes
// written.
using CompressionProc = int (*)(void* Dest, int& DestLen, const void* Source, int SourceLen);

extern CompressionProc CompressProc;
extern CompressionProc UncompressProc;
// Whether the platform reports the Windows 9x family (never on the host).
bool IsWin9x();

// Exception "Compressor function is not linked" / "Uncompressor function is not linked".
void CheckCompressorLinked();
int CompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen);
int UncompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen);
// One-shot deflate and inflate. Failures raise EZCompressionError / EZDecompressionError "Error", or
// EZLibError "ZLib error: target buffer may be too small" when the output does not reach the end of
// the stream. DestLen returns the bytes produced (an inflated stream may be shorter than the room).
int ZCompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen);
int ZUncompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen);

// ---- unit ---------------------------------------------------------------------------------------

void InitMemUtilsUnit();
void DoneMemUtilsUnit();

// Platform pieces (memutils_win32.cpp, memutils_host.cpp).
namespace platform {
bool DetectWin9x();
// CompareString's result (1, 2, 3; 0 on failure) on UTF-16 or system-ANSI text.
int CompareW(StringView S1, StringView S2, bool ignoreCase);
int CompareA(std::string_view S1, std::string_view S2, bool ignoreCase);
// The locale's decimal separator.
String DecimalSeparator();
} // namespace platform

} // namespace data
