// Registry on the host build: there is no registry, so nothing opens and nothing is found.
#include "support/registry.h"

#include "core/stringlist.h"

namespace support {

using core::String;

namespace {

[[noreturn]] void WriteFailed(const String& name)
{
    throw ERegistryException(u"Failed to set data for '" + name + u"'");
}

[[noreturn]] void ReadFailed(const String& name)
{
    throw ERegistryException(u"Failed to get data for '" + name + u"'");
}

} // namespace

bool Registry::Open(const String&, bool, bool)
{
    CloseKey();
    return false;
}

void Registry::CloseKey()
{
    m_key = 0;
    m_path.clear();
}

bool Registry::KeyExists(const String&) { return false; }
bool Registry::DeleteKey(const String&) { return false; }
bool Registry::HasSubKeys() const { return false; }
void Registry::GetKeyNames(core::Strings& names) const { names.Clear(); }
void Registry::GetValueNames(core::Strings& names) const { names.Clear(); }
bool Registry::ValueExists(const String&) const { return false; }
bool Registry::DeleteValue(const String&) { return false; }
RegistryDataType Registry::GetDataType(const String&) const { return RegistryDataType::Unknown; }
int Registry::GetDataSize(const String&) const { return -1; }

void Registry::WriteString(const String& name, const String&) { WriteFailed(name); }
void Registry::WriteExpandString(const String& name, const String&) { WriteFailed(name); }
void Registry::WriteInteger(const String& name, int32_t) { WriteFailed(name); }
void Registry::WriteBinaryData(const String& name, const void*, int) { WriteFailed(name); }

String Registry::ReadString(const String&) const { return String(); }
int32_t Registry::ReadInteger(const String& name) const { ReadFailed(name); }
int Registry::ReadBinaryData(const String& name, void*, int) const { ReadFailed(name); }

} // namespace support
