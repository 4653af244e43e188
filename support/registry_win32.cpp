// Registry over the Win32 registry functions.
#include "core/win32.h"

#include "support/registry.h"

#include "core/stringlist.h"

#include <cstring>
#include <iterator>
#include <vector>

namespace support {

using core::String;

namespace {

HKEY ToHkey(std::uintptr_t key) { return reinterpret_cast<HKEY>(key); }

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

[[noreturn]] void WriteFailed(const String& name)
{
    throw ERegistryException(u"Failed to set data for '" + name + u"'");
}

[[noreturn]] void ReadFailed(const String& name)
{
    throw ERegistryException(u"Failed to get data for '" + name + u"'");
}

[[noreturn]] void WrongType(const String& name)
{
    throw ERegistryException(u"Invalid data type for '" + name + u"'");
}

// A key handle of our own, closed on every path out.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Type and size of a value; false when it does not exist or cannot be queried.
bool QueryValue(HKEY key, const String& name, DWORD& type, DWORD& size)
{
    if (!key)
        return false;
    return RegQueryValueExW(key, W(name), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

// The value's bytes; the value may grow between the size query and the read, hence the loop.
bool ReadValue(HKEY key, const String& name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    if (!QueryValue(key, name, type, size))
        return false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        data.resize(size);
        DWORD got = size;
        const LONG rc = RegQueryValueExW(key, W(name), nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (rc != ERROR_MORE_DATA)
            return false;
        size = got > size ? got : size * 2 + 16;
    }
    return false;
}

void SetValue(HKEY key, const String& name, DWORD type, const void* data, DWORD size)
{
    if (!key || RegSetValueExW(key, W(name), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        WriteFailed(name);
}

RegistryDataType ToDataType(DWORD type)
{
    switch (type) {
    case REG_SZ: return RegistryDataType::String;
    case REG_EXPAND_SZ: return RegistryDataType::ExpandString;
    case REG_DWORD: return RegistryDataType::Integer;
    case REG_BINARY: return RegistryDataType::Binary;
    default: return RegistryDataType::Unknown;
    }
}

} // namespace

bool Registry::Open(const String& key, bool canCreate, bool readOnly)
{
    const String path = Resolve(key);
    CloseKey();
    const HKEY root = ToHkey(m_root);
    HKEY opened = nullptr;
    LONG rc = ERROR_ACCESS_DENIED;
    if (canCreate && !readOnly)
        rc = RegCreateKeyExW(root, W(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &opened, nullptr);
    else if (!readOnly)
        rc = RegOpenKeyExW(root, W(path), 0, KEY_ALL_ACCESS, &opened);
    // A key that may only be read still opens, so that reads of machine-wide settings work for a
    // user without the right to change them; writes then fail as they should.
    if (rc == ERROR_ACCESS_DENIED)
        rc = RegOpenKeyExW(root, W(path), 0, KEY_READ, &opened);
    if (rc != ERROR_SUCCESS)
        return false;
    m_key = reinterpret_cast<std::uintptr_t>(opened);
    m_path = path;
    return true;
}

void Registry::CloseKey()
{
    if (m_key) {
        if (!m_lazy_write)
            RegFlushKey(ToHkey(m_key));
        RegCloseKey(ToHkey(m_key));
    }
    m_key = 0;
    m_path.clear();
}

bool Registry::KeyExists(const String& key)
{
    KeyHandle probe;
    return RegOpenKeyExW(ToHkey(m_root), W(Resolve(key)), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                         probe.Out()) == ERROR_SUCCESS;
}

bool Registry::DeleteKey(const String& key)
{
    const String path = Resolve(key);
    // Never the root itself.
    if (path.empty())
        return false;
    return RegDeleteTreeW(ToHkey(m_root), W(path)) == ERROR_SUCCESS;
}

bool Registry::HasSubKeys() const
{
    DWORD subKeys = 0;
    return m_key &&
           RegQueryInfoKeyW(ToHkey(m_key), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

void Registry::GetKeyNames(core::Strings& names) const
{
    names.BeginUpdate();
    try {
        names.Clear();
        // Key names are at most 255 characters.
        wchar_t name[256];
        for (DWORD index = 0; m_key; ++index) {
            DWORD length = DWORD(std::size(name));
            const LONG rc = RegEnumKeyExW(ToHkey(m_key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc != ERROR_SUCCESS)
                break;
            names.Add(String(reinterpret_cast<const char16_t*>(name), length));
        }
    } catch (...) {
        names.EndUpdate();
        throw;
    }
    names.EndUpdate();
}

void Registry::GetValueNames(core::Strings& names) const
{
    names.BeginUpdate();
    try {
        names.Clear();
        // Value names are at most 16383 characters.
        std::vector<wchar_t> name(16384);
        for (DWORD index = 0; m_key; ++index) {
            DWORD length = DWORD(name.size());
            const LONG rc =
                RegEnumValueW(ToHkey(m_key), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc != ERROR_SUCCESS)
                break;
            names.Add(String(reinterpret_cast<const char16_t*>(name.data()), length));
        }
    } catch (...) {
        names.EndUpdate();
        throw;
    }
    names.EndUpdate();
}

bool Registry::ValueExists(const String& name) const
{
    DWORD type = 0, size = 0;
    return QueryValue(ToHkey(m_key), name, type, size);
}

bool Registry::DeleteValue(const String& name)
{
    return m_key && RegDeleteValueW(ToHkey(m_key), W(name)) == ERROR_SUCCESS;
}

RegistryDataType Registry::GetDataType(const String& name) const
{
    DWORD type = 0, size = 0;
    return QueryValue(ToHkey(m_key), name, type, size) ? ToDataType(type) : RegistryDataType::Unknown;
}

int Registry::GetDataSize(const String& name) const
{
    DWORD type = 0, size = 0;
    return QueryValue(ToHkey(m_key), name, type, size) ? int(size) : -1;
}

void Registry::WriteString(const String& name, const String& value)
{
    SetValue(ToHkey(m_key), name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(char16_t)));
}

void Registry::WriteExpandString(const String& name, const String& value)
{
    SetValue(ToHkey(m_key), name, REG_EXPAND_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(char16_t)));
}

void Registry::WriteInteger(const String& name, int32_t value)
{
    SetValue(ToHkey(m_key), name, REG_DWORD, &value, sizeof value);
}

void Registry::WriteBinaryData(const String& name, const void* data, int size)
{
    if (size < 0)
        WriteFailed(name);
    SetValue(ToHkey(m_key), name, REG_BINARY, data, DWORD(size));
}

String Registry::ReadString(const String& name) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(ToHkey(m_key), name, type, data))
        return String();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        WrongType(name);
    // The stored terminator is optional; the text ends at the first NUL either way.
    String text(data.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    const size_t nul = text.find(u'\0');
    if (nul != String::npos)
        text.resize(nul);
    return text;
}

int32_t Registry::ReadInteger(const String& name) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(ToHkey(m_key), name, type, data))
        ReadFailed(name);
    if (type != REG_DWORD || data.size() != 4)
        WrongType(name);
    return int32_t(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
}

int Registry::ReadBinaryData(const String& name, void* buffer, int size) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(ToHkey(m_key), name, type, data))
        ReadFailed(name);
    const RegistryDataType kind = ToDataType(type);
    if ((kind != RegistryDataType::Binary && kind != RegistryDataType::Unknown) || size < 0 ||
        data.size() > size_t(size))
        WrongType(name);
    if (!data.empty())
        std::memcpy(buffer, data.data(), data.size());
    return int(data.size());
}

} // namespace support
