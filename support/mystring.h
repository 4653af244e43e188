// The utility interface: one small reference-counted object that holds a single text and offers
// string, path, environment, HTTP, base64, JSON, file, resource and registry operations on it
// through Istrings .. Istrings4 (implemented by strings .. strings4).
//
// Callers keep only an interface reference:
//     core::Ref<Istrings4> s = core::MakeRef<strings4>(u"a,b,c");
//     const auto parts = s->Split5(u",");
// Operations with a `store` argument also make their result the held text when it is true and
// leave the text as it was when it is false. Indexes are 1-based; lengths count UTF-16 code units.
// An object is used by one thread at a time; its reference count is atomic.
#pragma once

#include "core/datetime.h"
#include "core/interface.h"
#include "core/string.h"
#include "support/jsonobject.h"
#include "support/registry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace core {
class Strings;
class StringList;
}

namespace support {


// The interface identifiers the system registers for the four interfaces.
inline constexpr char16_t IID_Istrings[] = u"{FB4DCBAF-952D-49B3-B174-82C3672AB582}";
inline constexpr char16_t IID_Istrings2[] = u"{1CFA3717-9404-4DBC-9B80-F9FA6EFD2955}";
inline constexpr char16_t IID_Istrings3[] = u"{A10E1626-CCA8-4D31-A3C2-908DDCCD7FCD}";
inline constexpr char16_t IID_Istrings4[] = u"{5AAFD0A7-76C5-45E9-A6E6-E6F77A35A761}";

using Parts5 = std::array<core::String, 5>;
using Parts10 = std::array<core::String, 10>;
using Parts20 = std::array<core::String, 20>;

// Cuts text at every exact occurrence of separator (which may be several characters long). A piece
// before an occurrence is kept only when it is not empty; the rest after the last occurrence is
// always kept, also when empty. So the result has at least one piece; two separators in a row drop
// the empty piece between them, a leading separator gives no empty first piece, a trailing one gives
// an empty last piece, and an empty separator gives the whole text as the one piece.
std::vector<core::String> SplitText(core::StringView text, core::StringView separator);

class Istrings : public virtual core::IInterface {
public:
    virtual void SaveBackup() = 0;
    virtual void RestoreBackup() = 0;
    // The current local date and time in the date-time pattern.
    virtual core::String FormatNow(core::StringView format, bool store) = 0;
    // The environment variable "windir".
    virtual core::String GetWindowsDir(bool store) = 0;
    // The executable named by the text taken as a command line.
    virtual core::String ExtractExePath(bool store) = 0;
    // "strings: " + text to the debugger's output.
    virtual void DebugPrint(core::StringView text) = 0;
    // Environment variables expanded, trimmed; the text itself when the system refuses.
    virtual core::String ExpandEnvironment(bool store) = 0;
    // Decimal, or hex after "$" or "0x"; 0 for anything else.
    virtual int32_t ToInteger() = 0;
    virtual int64_t ToInt64() = 0;
    // count characters from index; an index of 0 or below counts from the end (index + length + 1).
    virtual core::String SubString(int index, int count) = 0;
    virtual core::String LeftPart(int count) = 0;
    virtual core::String RightPart(int count) = 0;
    // Position of sub from offset (the start when offset <= 0); 0 when absent or sub is empty.
    virtual int PosOf(core::StringView sub, int offset) = 0;
    // The first pieces of SplitText at separator; parts without a piece are empty.
    virtual Parts5 Split5(core::StringView separator) = 0;
    virtual Parts10 Split10(core::StringView separator) = 0;
    virtual Parts20 Split20(core::StringView separator) = 0;
    // A new list of the pieces; null for an empty separator.
    virtual std::unique_ptr<core::StringList> SplitToList(core::StringView separator) = 0;
    virtual core::String GetText() = 0;
    virtual void SetText(core::StringView value) = 0;
    // flags: core::rfReplaceAll, core::rfIgnoreCase.
    virtual core::String Replace(core::StringView oldText, core::StringView newText, unsigned flags, bool store) = 0;
    virtual core::String Lower(bool store) = 0;
    virtual core::String Upper(bool store) = 0;
    // Case-sensitive; an empty prefix is always true.
    virtual bool StartsWith(core::StringView prefix) = 0;
    // Case-sensitive; an empty suffix is always false.
    virtual bool EndsWith(core::StringView suffix) = 0;
    // The first of suffixes (in order) that the text ends with is replaced by newSuffix.
    virtual core::String ReplaceSuffix(std::span<const core::String> suffixes, core::StringView newSuffix,
                                       bool store) = 0;
    // ignoreCase 1: compared lower-cased; any other value: exact.
    virtual bool EqualsText(core::StringView value, uint8_t ignoreCase) = 0;
    // The first character ("" for an empty text); remove deletes it from the text.
    virtual core::String FirstChar(bool remove) = 0;
    virtual core::String Prepend(core::StringView prefix, bool store) = 0;
    virtual core::String LastChar(bool remove) = 0;
    // Deletes from the text (always kept) and returns the new text.
    virtual core::String DeleteChars(int index, int count) = 0;
    virtual core::String Append(core::StringView suffix, bool store) = 0;
    // Characters in reverse order; a surrogate pair stays one character.
    virtual core::String Reverse(bool store) = 0;
    // The text becomes the decimal form of value (always kept).
    virtual core::String FromInteger(int32_t value) = 0;
    virtual core::String RepeatText(int count, bool store) = 0;
    // count random decimal digits, each from 0 to 9.
    virtual core::String RandomDigits(int count, bool store) = 0;
    virtual core::String Quote(core::StringView mark, bool store) = 0;
    // The text as a date in the short date format (month/day/year); 0 when it is no date.
    virtual core::TDateTime ToDate() = 0;
    // The page body (system ANSI code page) fetched by GET; "" on any failure.
    virtual core::String HttpGet(const core::String& url, bool store) = 0;
    // One character per byte of the zero-terminated bytes (the byte's own code); "" for null.
    virtual core::String FromAnsiBuffer(const char* p, bool store) = 0;
    // As many characters as p has; character i is the first decimal digit of byte i of p's storage
    // (little-endian); "" for null.
    virtual core::String ByteDigits(const char16_t* p, bool store) = 0;
    virtual bool IsGuid() = 0;
    virtual core::String TrimText(bool store) = 0;
    virtual int TextLength() = 0;
    virtual core::String GetFileName() = 0;
    virtual core::String GetFileExt() = 0;
    // With its trailing delimiter.
    virtual core::String GetFilePath() = 0;
    // The drive ("c:" or "\\server\share") of the lower-cased text without a leading "file://".
    virtual core::String GetFileDrive() = 0;
    virtual core::String GetShortPath() = 0;
    // An empty path tests the text.
    virtual bool IsExistingFile(const core::String& path) = 0;
    // The text, in the system ANSI code page, base64-decoded.
    virtual core::String DecodeBase64(bool store) = 0;
};

class Istrings2 : public virtual Istrings {
public:
    // The lines of an existing file (byte-order mark, else ANSI), joined and trimmed, become the
    // text: true. A missing or unreadable file leaves the text alone: false.
    virtual bool LoadFromFile(const core::String& fileName) = 0;
    // The text's lines in the system ANSI code page, each ended by CR LF; raises when the file
    // cannot be written.
    virtual void SaveToFile(const core::String& fileName) = 0;
    // The lines of a resource of a module (0: the program), each followed by a line break; the text
    // is unchanged. EResNotFound when there is no such resource.
    virtual core::String LoadFromResource(std::uintptr_t instance, const core::String& resName,
                                          const core::String& resType) = 0;
};

class Istrings3 : public virtual Istrings2 {
public:
    // The text parsed as JSON, also kept by the object; nil when it does not parse.
    virtual core::Ref<IJsonObject> ParseJson() = 0;
};

// Registry operations: one open key, at prefix + "\" + key; values by the name SetValueName set
// (empty: the key's default value). Writes with no open key and reads of a value of another kind
// raise ERegistryException.
class Istrings4 : public virtual Istrings3 {
public:
    virtual void SetRootKey(RegistryRoot root) = 0;
    virtual void SetKeyPrefix(core::StringView prefix) = 0;
    // Always false.
    virtual bool SetValueName(core::StringView name) = 0;
    // Opens prefix + "\" + key (one leading "\" of key dropped), or the prefix alone for an empty
    // key; a failed open is not reported.
    virtual void OpenKey(core::StringView key, bool canCreate) = 0;
    virtual void WriteInteger(int32_t value) = 0;
    virtual void WriteString(core::StringView value) = 0;
    virtual void WriteBool(bool value) = 0;
    virtual void WriteDateTime(core::TDateTime value) = 0;
    // "" when the value does not exist.
    virtual core::String ReadString(bool store) = 0;
    // Binary data of at most 256 bytes read as UTF-16 up to the first NUL; "" on any failure.
    virtual core::String ReadBinary(bool store) = 0;
    // 0 / false / 0 when the value does not exist.
    virtual int32_t ReadInteger() = 0;
    virtual bool ReadBool() = 0;
    virtual core::TDateTime ReadDateTime() = 0;
    virtual bool DeleteKey(core::StringView key) = 0;
    virtual bool DeleteValue() = 0;
    virtual core::String GetKeyPath() = 0;
    virtual void CloseKey() = 0;
    virtual bool HasSubKeys() = 0;
    virtual bool KeyExists(core::StringView key) = 0;
    virtual bool ValueExists(core::StringView name) = 0;
    virtual void SetLazyWrite(bool value) = 0;
    virtual void GetKeyNames(core::Strings& list) = 0;
    // Every key below key under root, depth first, a key before its subkeys, as key + "\" + name.
    virtual void ListKeysRecursive(core::Strings& list, core::StringView key, RegistryRoot root) = 0;
    virtual void GetValueNames(core::Strings& list) = 0;
    virtual void SaveKey() = 0;
    // The saved key name comes back; the key is not reopened.
    virtual void RestoreKey() = 0;
};

class strings : public core::RefCounted, public virtual Istrings {
public:
    strings();
    explicit strings(int32_t value);
    explicit strings(core::String value);

    // How long HttpGet waits for one read (30000 ms unless changed).
    void SetHttpReadTimeout(unsigned milliseconds) { m_http_read_timeout = milliseconds; }

    void SaveBackup() override;
    void RestoreBackup() override;
    core::String FormatNow(core::StringView format, bool store) override;
    core::String GetWindowsDir(bool store) override;
    core::String ExtractExePath(bool store) override;
    void DebugPrint(core::StringView text) override;
    core::String ExpandEnvironment(bool store) override;
    int32_t ToInteger() override;
    int64_t ToInt64() override;
    core::String SubString(int index, int count) override;
    core::String LeftPart(int count) override;
    core::String RightPart(int count) override;
    int PosOf(core::StringView sub, int offset) override;
    Parts5 Split5(core::StringView separator) override;
    Parts10 Split10(core::StringView separator) override;
    Parts20 Split20(core::StringView separator) override;
    std::unique_ptr<core::StringList> SplitToList(core::StringView separator) override;
    core::String GetText() override;
    void SetText(core::StringView value) override;
    core::String Replace(core::StringView oldText, core::StringView newText, unsigned flags, bool store) override;
    core::String Lower(bool store) override;
    core::String Upper(bool store) override;
    bool StartsWith(core::StringView prefix) override;
    bool EndsWith(core::StringView suffix) override;
    core::String ReplaceSuffix(std::span<const core::String> suffixes, core::StringView newSuffix,
                               bool store) override;
    bool EqualsText(core::StringView value, uint8_t ignoreCase) override;
    core::String FirstChar(bool remove) override;
    core::String Prepend(core::StringView prefix, bool store) override;
    core::String LastChar(bool remove) override;
    core::String DeleteChars(int index, int count) override;
    core::String Append(core::StringView suffix, bool store) override;
    core::String Reverse(bool store) override;
    core::String FromInteger(int32_t value) override;
    core::String RepeatText(int count, bool store) override;
    core::String RandomDigits(int count, bool store) override;
    core::String Quote(core::StringView mark, bool store) override;
    core::TDateTime ToDate() override;
    core::String HttpGet(const core::String& url, bool store) override;
    core::String FromAnsiBuffer(const char* p, bool store) override;
    core::String ByteDigits(const char16_t* p, bool store) override;
    bool IsGuid() override;
    core::String TrimText(bool store) override;
    int TextLength() override;
    core::String GetFileName() override;
    core::String GetFileExt() override;
    core::String GetFilePath() override;
    core::String GetFileDrive() override;
    core::String GetShortPath() override;
    bool IsExistingFile(const core::String& path) override;
    core::String DecodeBase64(bool store) override;

protected:
    ~strings() override;
    // Makes result the text when store is true; returns it.
    core::String Keep(core::String result, bool store);

    core::String f_string;
    core::String f_backup;

private:
    unsigned m_http_read_timeout = 30000;
};

class strings2 : public strings, public virtual Istrings2 {
public:
    using strings::strings;

    bool LoadFromFile(const core::String& fileName) override;
    void SaveToFile(const core::String& fileName) override;
    core::String LoadFromResource(std::uintptr_t instance, const core::String& resName,
                                  const core::String& resType) override;

protected:
    ~strings2() override;
};

class strings3 : public strings2, public virtual Istrings3 {
public:
    using strings2::strings2;

    core::Ref<IJsonObject> ParseJson() override;

protected:
    ~strings3() override;

    core::Ref<IJsonObject> f_so;
};

class strings4 : public strings3, public virtual Istrings4 {
public:
    strings4();
    explicit strings4(int32_t value);
    explicit strings4(core::String value);

    void SetRootKey(RegistryRoot root) override;
    void SetKeyPrefix(core::StringView prefix) override;
    bool SetValueName(core::StringView name) override;
    void OpenKey(core::StringView key, bool canCreate) override;
    void WriteInteger(int32_t value) override;
    void WriteString(core::StringView value) override;
    void WriteBool(bool value) override;
    void WriteDateTime(core::TDateTime value) override;
    core::String ReadString(bool store) override;
    core::String ReadBinary(bool store) override;
    int32_t ReadInteger() override;
    bool ReadBool() override;
    core::TDateTime ReadDateTime() override;
    bool DeleteKey(core::StringView key) override;
    bool DeleteValue() override;
    core::String GetKeyPath() override;
    void CloseKey() override;
    bool HasSubKeys() override;
    bool KeyExists(core::StringView key) override;
    bool ValueExists(core::StringView name) override;
    void SetLazyWrite(bool value) override;
    void GetKeyNames(core::Strings& list) override;
    void ListKeysRecursive(core::Strings& list, core::StringView key, RegistryRoot root) override;
    void GetValueNames(core::Strings& list) override;
    void SaveKey() override;
    void RestoreKey() override;

    // The current key (relative to the prefix), as OpenKey and RestoreKey left it.
    const core::String& CurrentKey() const { return f_key; }

protected:
    ~strings4() override;

    std::unique_ptr<Registry> f_reg;
    RegistryRoot f_root = 0;
    core::String f_prekey;
    core::String f_key;
    core::String f_name;
    core::String f_bkey;
};

} // namespace support
