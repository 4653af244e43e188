// Buffer, comparison, variant, time-stamp and compression routines.
#include "data/storage/memutils.h"

#include "core/convert.h"
#include "core/exception.h"

#include <zlib.h>

#include <cstdlib>

namespace data {

CompressionProc CompressProc = nullptr;
CompressionProc UncompressProc = nullptr;

namespace {

bool g_is_win9x = false;
int g_init_count = 0;

constexpr const char* kZLibVersion = "1.2.3";

void CheckWin9x()
{
    CORE_ASSERT(!g_is_win9x, u"Unicode support on Win9x");
}

// Text up to its first zero character, as the system's comparison of zero-terminated text sees it.
StringView UpToZero(StringView s)
{
    const size_t zero = s.find(u'\0');
    return zero == StringView::npos ? s : s.substr(0, zero);
}

int Result(int platformResult)
{
    return platformResult - 2;
}

bool IsByteArray(const core::Variant& v)
{
    return v.VarType() == (core::varArray | core::varByte);
}

bool IsUtf16Text(const core::Variant& v)
{
    return v.VarType() == core::varOleStr || v.VarType() == core::varUString;
}

voidpf ZAlloc(voidpf, uInt items, uInt size)
{
    return std::calloc(items, size);
}

void ZFree(voidpf, voidpf address)
{
    std::free(address);
}

z_stream NewStream(void* Dest, int DestLen, const void* Source, int SourceLen)
{
    z_stream stream{};
    stream.zalloc = ZAlloc;
    stream.zfree = ZFree;
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(Source));
    stream.avail_in = uInt(SourceLen > 0 ? SourceLen : 0);
    stream.next_out = static_cast<Bytef*>(Dest);
    stream.avail_out = uInt(DestLen > 0 ? DestLen : 0);
    return stream;
}

[[noreturn]] void RaiseTooSmall(int status)
{
    throw core::EZLibError(u"ZLib error: target buffer may be too small", status);
}

} // namespace

// ---- buffers ------------------------------------------------------------------------------------

// The wide-text helpers read and write unit by unit through memcpy: their texts may be record fields,
// which sit at any address.
namespace {

Char UnitAt(const void* S, size_t i)
{
    Char c;
    std::memcpy(&c, static_cast<const uint8_t*>(S) + 2 * i, 2);
    return c;
}

void SetUnitAt(void* S, size_t i, Char c)
{
    std::memcpy(static_cast<uint8_t*>(S) + 2 * i, &c, 2);
}

} // namespace

void WideCopyZ(void* Dest, const void* Source)
{
    const int n = WideLengthZ(Source);
    std::memmove(Dest, Source, size_t(n) * 2);
    SetUnitAt(Dest, size_t(n), 0);
}

void WideCopyZMax(void* Dest, const void* Source, int MaxLen)
{
    int i = 0;
    while (i < MaxLen && UnitAt(Source, size_t(i)))
        ++i;
    std::memmove(Dest, Source, size_t(i) * 2);
    SetUnitAt(Dest, size_t(i), 0);
}

int WideLengthZ(const void* S)
{
    int n = 0;
    while (UnitAt(S, size_t(n)))
        ++n;
    return n;
}

String WideTextAtZ(const void* S)
{
    const auto* bytes = static_cast<const uint8_t*>(S);
    String text;
    for (Char c;; bytes += 2) {
        std::memcpy(&c, bytes, 2);
        if (!c)
            return text;
        text += c;
    }
}

void TrimTrailingBlanksA(char* S, int Len)
{
    if (Len == -1)
        Len = int(std::strlen(S));
    for (int i = Len - 1; i >= 0 && (S[i] == ' ' || S[i] == 0); --i)
        S[i] = 0;
}

void TrimTrailingBlanksW(void* S, int Len)
{
    if (Len == -1)
        Len = WideLengthZ(S);
    for (int i = Len - 1; i >= 0; --i) {
        const Char c = UnitAt(S, size_t(i));
        if (c != u' ' && c != 0)
            break;
        SetUnitAt(S, size_t(i), 0);
    }
}

// ---- locale comparison --------------------------------------------------------------------------

int LocaleCompareLenW(StringView S1, StringView S2, int MaxLen)
{
    CheckWin9x();
    const size_t n = size_t(MaxLen > 0 ? MaxLen : 0);
    return Result(platform::CompareW(S1.substr(0, std::min(n, S1.size())), S2.substr(0, std::min(n, S2.size())), false));
}

int LocaleCompareTextLenW(StringView S1, StringView S2, int MaxLen)
{
    CheckWin9x();
    const size_t n = size_t(MaxLen > 0 ? MaxLen : 0);
    return Result(platform::CompareW(S1.substr(0, std::min(n, S1.size())), S2.substr(0, std::min(n, S2.size())), true));
}

int LocaleCompareW(StringView S1, StringView S2)
{
    CheckWin9x();
    return Result(platform::CompareW(UpToZero(S1), UpToZero(S2), false));
}

int LocaleCompareTextW(StringView S1, StringView S2)
{
    CheckWin9x();
    return Result(platform::CompareW(UpToZero(S1), UpToZero(S2), true));
}

int LocaleCompareZ(const char* S1, const char* S2)
{
    return Result(platform::CompareA(S1, S2, false));
}

int LocaleCompareTextZ(const char* S1, const char* S2)
{
    return Result(platform::CompareA(S1, S2, true));
}

int LocaleCompareA(const AnsiString& S1, const AnsiString& S2)
{
    return Result(platform::CompareA(S1, S2, false));
}

int LocaleCompareTextA(const AnsiString& S1, const AnsiString& S2)
{
    return Result(platform::CompareA(S1, S2, true));
}

// ---- text ---------------------------------------------------------------------------------------

String StrToLower(StringView S)
{
    return core::AnsiLowerCase(S);
}

String StrToUpper(StringView S)
{
    return core::AnsiUpperCase(S);
}

int StrCompareNoCase(StringView S1, StringView S2)
{
    return core::AnsiCompareText(S1, S2);
}

bool StrSameNoCase(StringView S1, StringView S2)
{
    return core::AnsiSameText(S1, S2);
}

String StrQuote(StringView S, Char Quote)
{
    String result(1, Quote);
    for (Char c : S) {
        result += c;
        if (c == Quote)
            result += c;
    }
    result += Quote;
    return result;
}

String StrDequote(StringView S, Char Quote)
{
    if (S.size() < 2 || S.front() != Quote || S.back() != Quote)
        return String(S);
    String result;
    const StringView inner = S.substr(1, S.size() - 2);
    for (size_t i = 0; i < inner.size(); ++i) {
        result += inner[i];
        if (inner[i] == Quote && i + 1 < inner.size() && inner[i + 1] == Quote)
            ++i;
    }
    return result;
}

String VarToText(const core::Variant& V)
{
    return core::VarToStr(V);
}

bool IsClassByName(const core::Object* Obj, StringView ClassName)
{
    return Obj && Obj->ClassName() == ClassName;
}

// ---- variants -----------------------------------------------------------------------------------

bool VarEqual(const core::Variant& V1, const core::Variant& V2)
{
    // Every text is UTF-16 here: a text against a text compares exactly.
    if ((IsUtf16Text(V1) && V2.IsString()) || (IsUtf16Text(V2) && V1.IsString()))
        return V1.AsString() == V2.AsString();
    if (V1.IsNull() || V2.IsNull())
        return V1.IsNull() && V2.IsNull();
    if (V1.IsString() && V1.AsString().empty())
        return V2.IsString() && V2.AsString().empty();
    if (V2.IsString() && V2.AsString().empty())
        return false;
    const bool bytes1 = IsByteArray(V1), bytes2 = IsByteArray(V2);
    if (!bytes1 && !bytes2)
        return V1 == V2;
    if (bytes1 != bytes2)
        return false;
    return V1.AsBytes() == V2.AsBytes();
}

// ---- time stamps --------------------------------------------------------------------------------

void CheckTimeStamp(const core::TimeStamp& Stamp)
{
    if (Stamp.Time < 0 || Stamp.Date <= 0)
        throw core::EConvertError(u"'" + core::IntToStr(Stamp.Date) + u"." + core::IntToStr(Stamp.Time) +
                                  u"' is not a valid timestamp");
}

double StampToDateTime(const core::TimeStamp& Stamp)
{
    CheckTimeStamp(Stamp);
    const double days = double(Stamp.Date) - core::DateDelta;
    const double time = double(Stamp.Time) / core::MSecsPerDay;
    return days >= 0 ? days + time : days - time;
}

// ---- compression --------------------------------------------------------------------------------

bool IsWin9x()
{
    return g_is_win9x;
}

void CheckCompressorLinked()
{
    if (!CompressProc)
        throw core::Exception(u"Compressor function is not linked");
    if (!UncompressProc)
        throw core::Exception(u"Uncompressor function is not linked");
}

int CompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen)
{
    CORE_ASSERT(CompressProc, u"Compressor function is not linked");
    return CompressProc(Dest, DestLen, Source, SourceLen);
}

int UncompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen)
{
    CORE_ASSERT(UncompressProc, u"Uncompressor function is not linked");
    return UncompressProc(Dest, DestLen, Source, SourceLen);
}

int ZCompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen)
{
    z_stream stream = NewStream(Dest, DestLen, Source, SourceLen);
    int status = deflateInit_(&stream, Z_DEFAULT_COMPRESSION, kZLibVersion, int(sizeof(z_stream)));
    if (status < 0)
        throw core::EZCompressionError(u"Error", status);
    status = deflate(&stream, Z_FINISH);
    const uLong produced = stream.total_out;
    const int ended = deflateEnd(&stream);
    if (status < 0)
        throw core::EZCompressionError(u"Error", status);
    if (status != Z_STREAM_END)
        RaiseTooSmall(status);
    if (ended < 0)
        throw core::EZCompressionError(u"Error", ended);
    DestLen = int(produced);
    return 1;
}

int ZUncompressBlock(void* Dest, int& DestLen, const void* Source, int SourceLen)
{
    z_stream stream = NewStream(Dest, DestLen, Source, SourceLen);
    int status = inflateInit_(&stream, kZLibVersion, int(sizeof(z_stream)));
    if (status < 0)
        throw core::EZDecompressionError(u"Error", status);
    status = inflate(&stream, Z_FINISH);
    const uLong produced = stream.total_out;
    const int ended = inflateEnd(&stream);
    if (status < 0)
        throw core::EZDecompressionError(u"Error", status);
    if (status != Z_STREAM_END)
        RaiseTooSmall(status);
    if (ended < 0)
        throw core::EZDecompressionError(u"Error", ended);
    // The bytes really produced: a stream shorter than its header claims shows up in the caller's
    // size check instead of leaving uninitialised bytes behind.
    DestLen = int(produced);
    return 1;
}

// ---- unit ---------------------------------------------------------------------------------------

void InitMemUtilsUnit()
{
    if (g_init_count++ > 0)
        return;
    try {
        g_is_win9x = platform::DetectWin9x();
    } catch (...) {
        --g_init_count;
        throw;
    }
    CompressProc = ZCompressBlock;
    UncompressProc = ZUncompressBlock;
}

void DoneMemUtilsUnit()
{
    if (g_init_count > 0)
        --g_init_count;
}

} // namespace data
