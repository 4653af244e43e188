// Raw memory, byte conversions, text encodings and a growable UTF-16 builder: the vocabulary through
// which the record store allocates, reads and writes its buffers and in which the SQL layers build
// statements.
//
// Three kinds of text meet here: AnsiString, bytes of text in the system ANSI code page (converted
// through core/codepage); WideString, UTF-16; and TBytes, a growable byte array. Multi-byte values
// are native (little-endian). Record fields sit at any offset, so every read and write is a memcpy.
#pragma once

#include "core/interface.h"
#include "core/string.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace data {

using core::Char;
using core::String;
using core::StringView;
using AnsiString = std::string;
using WideString = core::String;
using TBytes = std::vector<uint8_t>;

// ---- BitConverter -------------------------------------------------------------------------------

// Little-endian values to and from bytes; no bounds checks (the caller owns the layout).
class BitConverter {
public:
    BitConverter() = delete;

    static TBytes GetBytes(uint16_t value) { return Bytes(&value, sizeof value); }
    static TBytes GetBytes(uint32_t value) { return Bytes(&value, sizeof value); }
    static TBytes GetBytes(int64_t value) { return Bytes(&value, sizeof value); }
    static TBytes GetBytes(double value) { return Bytes(&value, sizeof value); }
    static TBytes GetBytes(float value) { return Bytes(&value, sizeof value); }

    static double Int64BitsToDouble(int64_t value) { return Read<double>(&value, 0); }
    static int64_t DoubleToInt64Bits(double value) { return Read<int64_t>(&value, 0); }

    static double ToDouble(const TBytes& value, int startIndex) { return Read<double>(value.data(), startIndex); }
    static double ToDouble(const char* value, int startIndex) { return Read<double>(value, startIndex); }
    static int64_t ToInt64(const TBytes& value, int startIndex) { return Read<int64_t>(value.data(), startIndex); }
    static int64_t ToInt64(const char* value, int startIndex) { return Read<int64_t>(value, startIndex); }
    static int32_t ToInt32(const TBytes& value, int startIndex) { return Read<int32_t>(value.data(), startIndex); }
    static int32_t ToInt32(const char* value, int startIndex) { return Read<int32_t>(value, startIndex); }
    static uint16_t ToUInt16(const TBytes& value, int startIndex) { return Read<uint16_t>(value.data(), startIndex); }
    static uint16_t ToUInt16(const char* value, int startIndex) { return Read<uint16_t>(value, startIndex); }
    static float ToSingle(const TBytes& value, int startIndex) { return Read<float>(value.data(), startIndex); }
    static int16_t ToInt16(const TBytes& value, int startIndex) { return Read<int16_t>(value.data(), startIndex); }
    static uint32_t ToUInt32(const TBytes& value, int startIndex) { return Read<uint32_t>(value.data(), startIndex); }

private:
    static TBytes Bytes(const void* p, size_t n)
    {
        TBytes result(n);
        std::memcpy(result.data(), p, n);
        return result;
    }
    template<class T>
    static T Read(const void* p, int offset)
    {
        T value;
        std::memcpy(&value, static_cast<const uint8_t*>(p) + offset, sizeof value);
        return value;
    }
};

// ---- Marshal ------------------------------------------------------------------------------------

// The allocator and accessor of every record buffer. No bounds checks: these run for every field of
// every record.
class Marshal {
public:
    Marshal() = delete;

    static void* AllocHGlobal(size_t cb);
    static void* ReallocHGlobal(void* pv, size_t cb);
    static void FreeHGlobal(void* hglobal);
    static void FreeCoTaskMem(void*) {}

    static uint8_t ReadByte(const void* ptr, int ofs = 0) { return Read<uint8_t>(ptr, ofs); }
    static int16_t ReadInt16(const void* ptr, int ofs = 0) { return Read<int16_t>(ptr, ofs); }
    static int32_t ReadInt32(const void* ptr, int ofs = 0) { return Read<int32_t>(ptr, ofs); }
    static int64_t ReadInt64(const void* ptr, int ofs = 0) { return Read<int64_t>(ptr, ofs); }
    static void* ReadIntPtr(const void* ptr, int ofs = 0) { return Read<void*>(ptr, ofs); }

    static void WriteByte(void* ptr, uint8_t val) { Write(ptr, 0, val); }
    static void WriteByte(void* ptr, int ofs, uint8_t val) { Write(ptr, ofs, val); }
    static void WriteInt16(void* ptr, int16_t val) { Write(ptr, 0, val); }
    static void WriteInt16(void* ptr, int ofs, int16_t val) { Write(ptr, ofs, val); }
    static void WriteInt32(void* ptr, int32_t val) { Write(ptr, 0, val); }
    static void WriteInt32(void* ptr, int ofs, int32_t val) { Write(ptr, ofs, val); }
    static void WriteInt64(void* ptr, int64_t val) { Write(ptr, 0, val); }
    static void WriteInt64(void* ptr, int ofs, int64_t val) { Write(ptr, ofs, val); }
    // The 8 bytes of the double, as the store keeps floating-point fields.
    static void WriteInt64(void* ptr, double val) { Write(ptr, 0, val); }
    static void WriteInt64(void* ptr, int ofs, double val) { Write(ptr, ofs, val); }
    static void WriteIntPtr(void* ptr, void* val) { Write(ptr, 0, val); }
    static void WriteIntPtr(void* ptr, int ofs, void* val) { Write(ptr, ofs, val); }

    // len <= 0: up to the first zero; otherwise exactly len bytes (units), zeros included.
    static AnsiString PtrToStringAnsi(const void* ptr, int len = 0);
    static WideString PtrToStringUni(const void* ptr, int len = 0);
    // The string's own zero-terminated characters: no copy, valid while the string lives.
    static void* StringToHGlobalAnsi(const AnsiString& s) { return const_cast<char*>(s.c_str()); }
    static void* StringToHGlobalUni(const WideString& s) { return const_cast<core::Char*>(s.c_str()); }

    static void Copy(const TBytes& source, int startIndex, void* destination, int length)
    {
        if (length > 0)
            std::memcpy(destination, source.data() + startIndex, size_t(length));
    }
    static void Copy(const void* source, TBytes& destination, int startIndex, int length)
    {
        if (length > 0)
            std::memcpy(destination.data() + startIndex, source, size_t(length));
    }

    // The object's interface with one reference added; the caller gives it back with Release.
    static core::IInterface* GetIUnknownForObject(core::IInterface* o)
    {
        if (o)
            o->AddRef();
        return o;
    }
    static int AddRef(core::IInterface* pUnk) { return pUnk->AddRef(); }
    static int Release(core::IInterface* pUnk) { return pUnk->Release(); }

private:
    template<class T>
    static T Read(const void* p, int offset)
    {
        T value;
        std::memcpy(&value, static_cast<const uint8_t*>(p) + offset, sizeof value);
        return value;
    }
    template<class T>
    static void Write(void* p, int offset, T value)
    {
        std::memcpy(static_cast<uint8_t*>(p) + offset, &value, sizeof value);
    }
};

// ---- Encoding -----------------------------------------------------------------------------------

// A text encoding. The base class is the system ANSI code page itself ("Default"); the shared objects
// and the cache of code pages belong to the unit and are never freed by callers.
//
// Ranged forms never touch memory outside their arrays: a range outside the source, or a destination
// too small for what is written, raises ERangeError "Range check error" (the code-page class keeps the
// operating system's error for a too-small destination). A code page the system does not support
// raises EOSError. Invalid input itself never raises: unmappable characters and bad bytes are replaced.
class Encoding {
public:
    Encoding() = default;
    Encoding(const Encoding&) = delete;
    Encoding& operator=(const Encoding&) = delete;
    virtual ~Encoding() = default;

    virtual TBytes GetBytes(const AnsiString& chars) const;
    virtual int GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const;
    virtual TBytes GetBytes(const WideString& chars) const;
    virtual int GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const;
    virtual AnsiString GetString(const TBytes& bytes) const;
    virtual AnsiString GetString(const TBytes& bytes, int index, int count) const;
    virtual WideString GetWideString(const TBytes& bytes) const;
    virtual WideString GetWideString(const TBytes& bytes, int index, int count) const;
    virtual int GetMaxByteCount(int charCount) const;

    // How many of the first `count` bytes form whole characters: a reader that decodes a stream in
    // blocks carries the rest over to the next block instead of splitting a character.
    virtual int CompleteByteCount(const uint8_t* bytes, int count) const;
    // The code page this object converts with (the system's for Default).
    virtual unsigned CodePage() const;

    static Encoding& Default();
    static Encoding& Unicode();
    static Encoding& UTF8();
    // 1200 the shared Unicode, 65001 the shared UTF8, the system ANSI code page the shared Default,
    // anything else one cached object per number.
    static Encoding& GetEncoding(int codepage);

    static TBytes Convert(const Encoding& srcEncoding, const Encoding& dstEncoding, const TBytes& bytes);
    static TBytes Convert(const Encoding& srcEncoding, const Encoding& dstEncoding, const TBytes& bytes,
                          int index, int count);
};

class UnicodeEncoding : public Encoding {
public:
    TBytes GetBytes(const AnsiString& chars) const override;
    int GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    TBytes GetBytes(const WideString& chars) const override;
    int GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    AnsiString GetString(const TBytes& bytes) const override;
    AnsiString GetString(const TBytes& bytes, int index, int count) const override;
    WideString GetWideString(const TBytes& bytes) const override;
    WideString GetWideString(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override { return charCount * 2; }
    int CompleteByteCount(const uint8_t* bytes, int count) const override;
    unsigned CodePage() const override { return 1200; }
};

class UTF8Encoding : public Encoding {
public:
    TBytes GetBytes(const AnsiString& chars) const override;
    // Both ranged GetBytes forms are an assertion failure "not implemented".
    int GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    TBytes GetBytes(const WideString& chars) const override;
    int GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    AnsiString GetString(const TBytes& bytes) const override;
    AnsiString GetString(const TBytes& bytes, int index, int count) const override;
    WideString GetWideString(const TBytes& bytes) const override;
    WideString GetWideString(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override { return charCount * 3; }
    int CompleteByteCount(const uint8_t* bytes, int count) const override;
    unsigned CodePage() const override { return 65001; }
};

class CodePageEncoding : public Encoding {
public:
    explicit CodePageEncoding(int codePage) : m_code_page(codePage) {}

    TBytes GetBytes(const AnsiString& chars) const override;
    int GetBytes(const AnsiString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    TBytes GetBytes(const WideString& chars) const override;
    int GetBytes(const WideString& chars, int charIndex, int charCount, TBytes& bytes, int byteIndex) const override;
    AnsiString GetString(const TBytes& bytes) const override;
    AnsiString GetString(const TBytes& bytes, int index, int count) const override;
    WideString GetWideString(const TBytes& bytes) const override;
    WideString GetWideString(const TBytes& bytes, int index, int count) const override;
    int GetMaxByteCount(int charCount) const override { return m_code_page == 1201 ? charCount * 2 : charCount; }
    unsigned CodePage() const override { return unsigned(m_code_page); }

private:
    int m_code_page;
};

// Whether a byte opens a two-byte character in a double-byte code page (932, 936, 949, 950).
bool IsLeadByte(unsigned codePage, uint8_t byte);

// ---- WideStringBuilder --------------------------------------------------------------------------

// Growable UTF-16 text. Growth: when n more characters do not fit, the capacity becomes the length in
// use + n + half the old capacity (one character: length + half the old capacity + 1); new room is
// zero.
class WideStringBuilder {
public:
    explicit WideStringBuilder(int capacity = 16);
    WideStringBuilder(StringView value, int capacity);

    WideStringBuilder& Append(StringView value);
    WideStringBuilder& Append(StringView value, int startIndex, int count);
    WideStringBuilder& Append(core::Char value);
    WideStringBuilder& Append(core::Char value, int repeatCount);
    WideStringBuilder& Append(const WideStringBuilder* value);
    void Insert(int index, StringView value);
    // Every occurrence, left to right; text inserted by a replacement is never matched again.
    void Replace(StringView oldValue, StringView newValue);
    String ToString() const { return m_string.substr(0, size_t(m_actual_length)); }

    int Length() const { return m_actual_length; }
    void SetLength(int value);
    int Capacity() const { return int(m_string.size()); }

private:
    void Reserve(int more);

    String m_string;  // its size is the capacity
    int m_actual_length = 0;
};

// Unit start-up and shut-down of the encodings (nesting-counted).
void InitEncodingUnit();
void DoneEncodingUnit();

} // namespace data
