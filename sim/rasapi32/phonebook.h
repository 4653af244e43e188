// The phonebook store of the simulated remote-access library: one phonebook file held in memory,
// its entries with their properties, sub-entries and stored credentials, and the rules the
// remote-access interface applies to entry names. Every operation answers with a remote-access
// result code. The caller reads the file, runs operations and writes the file back.
#pragma once

#include "sim/rasapi32/ini.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim::rasapi32 {

// What reading the credentials gives for a stored password: the interface never hands a stored
// password out. Writing this text as the password, or dialling with it, means "the stored one".
inline constexpr StringView kPasswordHandle = u"****************";

struct Credentials {
    uint32_t mask = 0;  // mask:: bits
    String userName;
    String password;
    String domain;
};

struct SubEntry {
    uint32_t flags = 0;
    String deviceType;
    String deviceName;
    String localPhoneNumber;
    std::vector<String> alternates;
};

// Field names of an entry section that the store itself works with; the other properties are
// named by the record glue.
namespace key {
inline constexpr StringView kDeviceType = u"DeviceType";
inline constexpr StringView kDeviceName = u"DeviceName";
inline constexpr StringView kLocalPhoneNumber = u"LocalPhoneNumber";
inline constexpr StringView kAlternate = u"Alternate";
inline constexpr StringView kGuid = u"Guid";
inline constexpr StringView kSubEntries = u"SubEntries";
inline constexpr StringView kUserName = u"UserName";
inline constexpr StringView kPassword = u"Password";
inline constexpr StringView kDomain = u"Domain";
inline constexpr StringView kCallbackNumber = u"CallbackNumber";
inline constexpr StringView kDefaultUserName = u"DefaultUserName";
inline constexpr StringView kDefaultPassword = u"DefaultPassword";
inline constexpr StringView kDefaultDomain = u"DefaultDomain";
} // namespace key

// 0 when the text can name an entry, 123 (invalid name) otherwise: empty or blank, longer than 256
// characters, starting with ".", or holding a control character or one of \ / : * ? " < > |.
uint32_t CheckEntryName(StringView name);

// A fresh identifier in registry form, {8-4-4-4-12} upper-case hex.
String NewGuidText();

class Phonebook {
public:
    using Fields = std::vector<std::pair<String, String>>;

    static Phonebook Parse(std::string_view utf8) { return Phonebook(IniDocument::Parse(utf8)); }
    std::string Serialize() const { return m_doc.Serialize(); }

    // Entry names in file order.
    std::vector<String> EntryNames() const;
    const IniSection* Entry(StringView name) const;

    // 0 when the name is valid and free, 183 when an entry bears it, 123 when it is invalid.
    uint32_t Validate(StringView name) const;
    // Creates or updates an entry: the given fields replace their stored values, other stored
    // fields stay; the alternate numbers of the first link are replaced. 123 for a bad name.
    uint32_t Write(StringView name, const Fields& fields, const std::vector<String>& alternates);
    uint32_t Delete(StringView name);                 // 0 or 623
    uint32_t Rename(StringView from, StringView to);  // 0, 623, 123 or 183

    // Reads the parts named by mask (with mask::kDefaultCreds: the all-users default set); the
    // answer's mask holds the parts that are stored; a stored password reads as kPasswordHandle.
    uint32_t GetCredentials(StringView entry, uint32_t mask, Credentials& out) const;
    // Stores (or with clear, removes) the parts named by in.mask; kPasswordHandle as the password
    // keeps the stored one.
    uint32_t SetCredentials(StringView entry, const Credentials& in, bool clear);
    // The stored password itself, for dialling with the password handle.
    String StoredPassword(StringView entry, bool defaultSet) const;
    uint32_t SetCallbackNumber(StringView entry, StringView number);

    // Sub-entries are numbered from 1; sub-entry 1 is the entry's own device and number.
    uint32_t SubEntryCount(StringView entry) const;
    uint32_t GetSubEntry(StringView entry, uint32_t index, SubEntry& out) const;
    // An index past the last sub-entry appends one.
    uint32_t SetSubEntry(StringView entry, uint32_t index, const SubEntry& in);
    // Sub-entry 1 cannot be deleted; later ones move down.
    uint32_t DeleteSubEntry(StringView entry, uint32_t index);

private:
    explicit Phonebook(IniDocument doc) : m_doc(std::move(doc)) {}
    IniSection* MutableEntry(StringView name);

    IniDocument m_doc;
};

} // namespace sim::rasapi32
