// Phonebook store of the simulated remote-access library.
//
// A phonebook file is INI text (see ini.cpp): one section per entry, named after the entry. Its keys
// are the entry's properties, named after the fields of the entry record (Options, CountryID,
// LocalPhoneNumber, DeviceName, VpnStrategy, ...; numbers in decimal, addresses dotted), the
// alternate numbers of the first link as repeated "Alternate" keys, "Guid" (made when the entry is
// created), the stored credentials ("UserName", "Password", "Domain", "CallbackNumber", and
// "DefaultUserName", "DefaultPassword", "DefaultDomain" for the all-users default set) and the
// links after the first as "Sub<n>.Flags", "Sub<n>.DeviceType", "Sub<n>.DeviceName",
// "Sub<n>.LocalPhoneNumber" and repeated "Sub<n>.Alternate", with their count in "SubEntries".
// Passwords are kept as plain text: the file is a test fixture of a simulated system.
#include "sim/rasapi32/phonebook.h"

#include "sim/rasapi32/codes.h"

#include <random>

namespace sim::rasapi32 {

namespace {

constexpr size_t kMaxEntryName = 256;

String SubKey(uint32_t index, StringView field)
{
    String key = u"Sub" + core::IntToStr(index) + u".";
    key += field;
    return key;
}

uint32_t ParseCount(const String& text)
{
    uint32_t value = 0;
    for (core::Char c : text) {
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + static_cast<uint32_t>(c - u'0');
        if (value > 1000)
            return 1000;
    }
    return value;
}

// Links after the first, as stored; a damaged count is clipped to the links that are present.
uint32_t ExtraLinks(const IniSection& entry)
{
    uint32_t count = ParseCount(entry.Value(key::kSubEntries, u"1"));
    if (count < 1)
        count = 1;
    uint32_t present = 1;
    while (present < count && entry.Has(SubKey(present + 1, key::kDeviceName)))
        ++present;
    return present - 1;
}

void StoreLink(IniSection& entry, uint32_t index, const SubEntry& in)
{
    if (index == 1) {
        entry.Set(key::kDeviceType, in.deviceType);
        entry.Set(key::kDeviceName, in.deviceName);
        entry.Set(key::kLocalPhoneNumber, in.localPhoneNumber);
        entry.Set(u"Sub1.Flags", core::UIntToStr(in.flags));
        entry.SetAll(key::kAlternate, in.alternates);
        return;
    }
    entry.Set(SubKey(index, u"Flags"), core::UIntToStr(in.flags));
    entry.Set(SubKey(index, key::kDeviceType), in.deviceType);
    entry.Set(SubKey(index, key::kDeviceName), in.deviceName);
    entry.Set(SubKey(index, key::kLocalPhoneNumber), in.localPhoneNumber);
    entry.SetAll(SubKey(index, key::kAlternate), in.alternates);
}

SubEntry LoadLink(const IniSection& entry, uint32_t index)
{
    SubEntry out;
    if (index == 1) {
        out.flags = ParseCount(entry.Value(u"Sub1.Flags"));
        out.deviceType = entry.Value(key::kDeviceType);
        out.deviceName = entry.Value(key::kDeviceName);
        out.localPhoneNumber = entry.Value(key::kLocalPhoneNumber);
        out.alternates = entry.Values(key::kAlternate);
        return out;
    }
    out.flags = ParseCount(entry.Value(SubKey(index, u"Flags")));
    out.deviceType = entry.Value(SubKey(index, key::kDeviceType));
    out.deviceName = entry.Value(SubKey(index, key::kDeviceName));
    out.localPhoneNumber = entry.Value(SubKey(index, key::kLocalPhoneNumber));
    out.alternates = entry.Values(SubKey(index, key::kAlternate));
    return out;
}

void RemoveLink(IniSection& entry, uint32_t index)
{
    for (StringView field : {StringView(u"Flags"), key::kDeviceType, key::kDeviceName, key::kLocalPhoneNumber,
                             key::kAlternate})
        entry.Remove(SubKey(index, field));
}

} // namespace

uint32_t CheckEntryName(StringView name)
{
    if (name.empty() || name.size() > kMaxEntryName || name[0] == u'.')
        return code::kInvalidName;
    bool allBlank = true;
    for (core::Char c : name) {
        if (c < 0x20 || c == 0x7F || StringView(u"\\/:*?\"<>|").find(c) != StringView::npos)
            return code::kInvalidName;
        if (c != u' ')
            allBlank = false;
    }
    return allBlank ? code::kInvalidName : code::kSuccess;
}

String NewGuidText()
{
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::random_device device;
    std::mt19937_64 generator((uint64_t(device()) << 32) ^ device());
    String out = u"{";
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20)
            out += u'-';
        out += kHex[generator() & 0xF];
    }
    out += u'}';
    return out;
}

std::vector<String> Phonebook::EntryNames() const
{
    std::vector<String> names;
    for (const IniSection& section : m_doc.Sections())
        if (!section.Name().empty())
            names.push_back(section.Name());
    return names;
}

const IniSection* Phonebook::Entry(StringView name) const
{
    if (name.empty())
        return nullptr;
    return m_doc.Find(name);
}

IniSection* Phonebook::MutableEntry(StringView name)
{
    if (name.empty())
        return nullptr;
    return m_doc.Find(name);
}

uint32_t Phonebook::Validate(StringView name) const
{
    if (const uint32_t bad = CheckEntryName(name))
        return bad;
    return Entry(name) ? code::kAlreadyExists : code::kSuccess;
}

uint32_t Phonebook::Write(StringView name, const Fields& fields, const std::vector<String>& alternates)
{
    if (const uint32_t bad = CheckEntryName(name))
        return bad;
    IniSection* entry = MutableEntry(name);
    if (!entry) {
        entry = &m_doc.Ensure(name);
        entry->Set(key::kGuid, NewGuidText());
        entry->Set(key::kSubEntries, u"1");
    }
    for (const auto& [k, v] : fields)
        entry->Set(k, v);
    entry->SetAll(key::kAlternate, alternates);
    return code::kSuccess;
}

uint32_t Phonebook::Delete(StringView name)
{
    if (name.empty())
        return code::kCannotFindEntry;
    return m_doc.Remove(name) ? code::kSuccess : code::kCannotFindEntry;
}

uint32_t Phonebook::Rename(StringView from, StringView to)
{
    IniSection* entry = MutableEntry(from);
    if (!entry)
        return code::kCannotFindEntry;
    if (const uint32_t bad = CheckEntryName(to))
        return bad;
    // A new spelling of the same name is a rename, not a clash.
    const IniSection* other = Entry(to);
    if (other && other != entry)
        return code::kAlreadyExists;
    entry->SetName(String(to));
    return code::kSuccess;
}

uint32_t Phonebook::GetCredentials(StringView name, uint32_t mask, Credentials& out) const
{
    out = {};
    const IniSection* entry = Entry(name);
    if (!entry)
        return code::kCannotFindEntry;
    const bool defaults = (mask & mask::kDefaultCreds) != 0;
    const StringView userKey = defaults ? key::kDefaultUserName : key::kUserName;
    const StringView passwordKey = defaults ? key::kDefaultPassword : key::kPassword;
    const StringView domainKey = defaults ? key::kDefaultDomain : key::kDomain;
    if ((mask & mask::kUserName) && entry->Has(userKey)) {
        out.mask |= mask::kUserName;
        out.userName = entry->Value(userKey);
    }
    if ((mask & mask::kPassword) && entry->Has(passwordKey)) {
        out.mask |= mask::kPassword;
        out.password = String(kPasswordHandle);
    }
    if ((mask & mask::kDomain) && entry->Has(domainKey)) {
        out.mask |= mask::kDomain;
        out.domain = entry->Value(domainKey);
    }
    if (defaults)
        out.mask |= mask::kDefaultCreds;
    return code::kSuccess;
}

uint32_t Phonebook::SetCredentials(StringView name, const Credentials& in, bool clear)
{
    IniSection* entry = MutableEntry(name);
    if (!entry)
        return code::kCannotFindEntry;
    const bool defaults = (in.mask & mask::kDefaultCreds) != 0;
    const StringView userKey = defaults ? key::kDefaultUserName : key::kUserName;
    const StringView passwordKey = defaults ? key::kDefaultPassword : key::kPassword;
    const StringView domainKey = defaults ? key::kDefaultDomain : key::kDomain;
    if (in.mask & mask::kUserName) {
        if (clear)
            entry->Remove(userKey);
        else
            entry->Set(userKey, in.userName);
    }
    if (in.mask & mask::kPassword) {
        if (clear)
            entry->Remove(passwordKey);
        else if (in.password != kPasswordHandle || !entry->Has(passwordKey))
            entry->Set(passwordKey, in.password == kPasswordHandle ? StringView() : StringView(in.password));
    }
    if (in.mask & mask::kDomain) {
        if (clear)
            entry->Remove(domainKey);
        else
            entry->Set(domainKey, in.domain);
    }
    return code::kSuccess;
}

String Phonebook::StoredPassword(StringView name, bool defaultSet) const
{
    const IniSection* entry = Entry(name);
    if (!entry)
        return {};
    return entry->Value(defaultSet ? key::kDefaultPassword : key::kPassword);
}

uint32_t Phonebook::SetCallbackNumber(StringView name, StringView number)
{
    IniSection* entry = MutableEntry(name);
    if (!entry)
        return code::kCannotFindEntry;
    entry->Set(key::kCallbackNumber, number);
    return code::kSuccess;
}

uint32_t Phonebook::SubEntryCount(StringView name) const
{
    const IniSection* entry = Entry(name);
    return entry ? 1 + ExtraLinks(*entry) : 0;
}

uint32_t Phonebook::GetSubEntry(StringView name, uint32_t index, SubEntry& out) const
{
    out = {};
    const IniSection* entry = Entry(name);
    if (!entry)
        return code::kCannotFindEntry;
    if (index < 1 || index > 1 + ExtraLinks(*entry))
        return code::kInvalidParameter;
    out = LoadLink(*entry, index);
    return code::kSuccess;
}

uint32_t Phonebook::SetSubEntry(StringView name, uint32_t index, const SubEntry& in)
{
    IniSection* entry = MutableEntry(name);
    if (!entry)
        return code::kCannotFindEntry;
    if (index < 1)
        return code::kInvalidParameter;
    const uint32_t count = 1 + ExtraLinks(*entry);
    if (index > count) {
        index = count + 1;
        entry->Set(key::kSubEntries, core::UIntToStr(index));
    }
    StoreLink(*entry, index, in);
    return code::kSuccess;
}

uint32_t Phonebook::DeleteSubEntry(StringView name, uint32_t index)
{
    IniSection* entry = MutableEntry(name);
    if (!entry)
        return code::kCannotFindEntry;
    const uint32_t count = 1 + ExtraLinks(*entry);
    if (index < 2 || index > count)
        return code::kInvalidParameter;
    for (uint32_t i = index; i < count; ++i)
        StoreLink(*entry, i, LoadLink(*entry, i + 1));
    RemoveLink(*entry, count);
    entry->Set(key::kSubEntries, core::UIntToStr(count - 1));
    return code::kSuccess;
}

} // namespace sim::rasapi32
