// Registry: access to the system registry through one open key at a time, the way the utility
// interface uses it. Paths that begin with "\" count from the root key; other paths count from the
// open key when there is one, else from the root. On the host build there is no registry: every
// open fails, lookups find nothing and writes raise.
#pragma once

#include "core/exception.h"
#include "core/string.h"

#include <cstdint>

namespace core {
class Strings;
}

namespace support {

// A root key handle, as the system numbers the predefined keys.
using RegistryRoot = std::uintptr_t;
inline constexpr RegistryRoot HKeyClassesRoot = 0x80000000u;
inline constexpr RegistryRoot HKeyCurrentUser = 0x80000001u;
inline constexpr RegistryRoot HKeyLocalMachine = 0x80000002u;
inline constexpr RegistryRoot HKeyUsers = 0x80000003u;
inline constexpr RegistryRoot HKeyCurrentConfig = 0x80000005u;

// Write failures: "Failed to set data for '<name>'"; reads of a value of another kind: "Invalid data
// type for '<name>'"; reads that the system refuses: "Failed to get data for '<name>'".
class ERegistryException : public core::Exception {
public:
    using Exception::Exception;
};

enum class RegistryDataType { Unknown, String, ExpandString, Integer, Binary };

class Registry {
public:
    // The root is HKeyCurrentUser until SetRootKey.
    Registry();
    explicit Registry(RegistryRoot root);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    RegistryRoot RootKey() const { return m_root; }
    // Closes the open key.
    void SetRootKey(RegistryRoot root);
    // When off, closing a key flushes it to disk first.
    bool LazyWrite() const { return m_lazy_write; }
    void SetLazyWrite(bool lazy) { m_lazy_write = lazy; }

    // Opens (with canCreate: creates when missing) the key and makes it the open key; the previous
    // one is closed. Full access is asked first; a key the caller may only read opens for reading,
    // so that reads work where writes are not allowed. False when the key cannot be opened.
    bool OpenKey(const core::String& key, bool canCreate);
    bool OpenKeyReadOnly(const core::String& key);
    void CloseKey();
    bool HasOpenKey() const { return m_key != 0; }
    // The path of the open key from the root, without a leading "\".
    const core::String& CurrentPath() const { return m_path; }

    bool KeyExists(const core::String& key);
    // Deletes the key with all its subkeys.
    bool DeleteKey(const core::String& key);
    bool HasSubKeys() const;
    // Cleared first; nothing when no key is open.
    void GetKeyNames(core::Strings& names) const;
    void GetValueNames(core::Strings& names) const;

    // Values of the open key; an empty name is the key's default value.
    bool ValueExists(const core::String& name) const;
    bool DeleteValue(const core::String& name);
    RegistryDataType GetDataType(const core::String& name) const;
    // Size in bytes; -1 when the value does not exist or no key is open.
    int GetDataSize(const core::String& name) const;

    void WriteString(const core::String& name, const core::String& value);
    void WriteExpandString(const core::String& name, const core::String& value);
    void WriteInteger(const core::String& name, int32_t value);
    void WriteBool(const core::String& name, bool value);
    // A date-time as the 8 bytes of its double.
    void WriteDateTime(const core::String& name, double value);
    void WriteBinaryData(const core::String& name, const void* data, int size);

    // "" when the value does not exist; ERegistryException for a value that is no string.
    core::String ReadString(const core::String& name) const;
    // ERegistryException when the value does not exist or has another kind.
    int32_t ReadInteger(const core::String& name) const;
    bool ReadBool(const core::String& name) const;
    double ReadDateTime(const core::String& name) const;
    // Copies up to size bytes of a binary value and returns the value's size; ERegistryException
    // when the value is larger than the buffer, missing or not binary.
    int ReadBinaryData(const core::String& name, void* buffer, int size) const;

private:
    // The absolute path (from the root) of a key argument.
    core::String Resolve(const core::String& key) const;
    bool Open(const core::String& key, bool canCreate, bool readOnly);

    RegistryRoot m_root = HKeyCurrentUser;
    std::uintptr_t m_key = 0;  // the open key's handle, 0 when none
    core::String m_path;
    bool m_lazy_write = true;
};

} // namespace support
