// Registry: the parts that do not touch the system (path rules and the values built on others).
#include "support/registry.h"

#include <cstring>

namespace support {

using core::String;

Registry::Registry() = default;

Registry::Registry(RegistryRoot root) : m_root(root) {}

Registry::~Registry() { CloseKey(); }

void Registry::SetRootKey(RegistryRoot root)
{
    CloseKey();
    m_root = root;
}

bool Registry::OpenKey(const String& key, bool canCreate) { return Open(key, canCreate, false); }

bool Registry::OpenKeyReadOnly(const String& key) { return Open(key, false, true); }

String Registry::Resolve(const String& key) const
{
    if (!key.empty() && key.front() == u'\\')
        return key.substr(1);
    if (m_key == 0 || m_path.empty())
        return key;
    if (key.empty())
        return m_path;
    return m_path + u"\\" + key;
}

void Registry::WriteBool(const String& name, bool value) { WriteInteger(name, value ? 1 : 0); }

bool Registry::ReadBool(const String& name) const { return ReadInteger(name) != 0; }

void Registry::WriteDateTime(const String& name, double value)
{
    WriteBinaryData(name, &value, int(sizeof value));
}

double Registry::ReadDateTime(const String& name) const
{
    double value = 0;
    if (ReadBinaryData(name, &value, int(sizeof value)) != int(sizeof value))
        throw ERegistryException(u"Invalid data type for '" + name + u"'");
    return value;
}

} // namespace support
