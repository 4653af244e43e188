// A small INI document for the simulated remote-access library: phonebook files and scenario files.
// Sections keep their order, keys keep their order and may repeat (a phonebook entry lists its
// alternate numbers as repeated keys). Section and key lookups ignore ASCII case.
#pragma once

#include "core/string.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim::rasapi32 {

using core::String;
using core::StringView;

class IniSection {
public:
    explicit IniSection(String name = {}) : m_name(std::move(name)) {}
    explicit IniSection(StringView name) : m_name(name) {}

    const String& Name() const { return m_name; }
    void SetName(String name) { m_name = std::move(name); }

    // The first value of the key; fallback when the key is absent.
    String Value(StringView key, StringView fallback = {}) const;
    bool Has(StringView key) const;
    // Every value of a repeated key, in file order.
    std::vector<String> Values(StringView key) const;
    // Replaces the first value (appends the key when absent) and removes later repeats.
    void Set(StringView key, StringView value);
    // Replaces every value of the key by the given list, at the place of its first occurrence.
    void SetAll(StringView key, const std::vector<String>& values);
    void Remove(StringView key);

    const std::vector<std::pair<String, String>>& Items() const { return m_items; }
    void Append(String key, String value) { m_items.emplace_back(std::move(key), std::move(value)); }

private:
    String m_name;
    std::vector<std::pair<String, String>> m_items;
};

class IniDocument {
public:
    // Parses UTF-8 text (a byte-order mark is skipped; malformed bytes become U+FFFD).
    static IniDocument Parse(std::string_view utf8);
    // UTF-8 text with CRLF line ends; values are escaped so that Parse gives them back exactly.
    std::string Serialize() const;

    IniSection* Find(StringView name);
    const IniSection* Find(StringView name) const;
    // The section of that name, appended when absent.
    IniSection& Ensure(StringView name);
    bool Remove(StringView name);

    std::vector<IniSection>& Sections() { return m_sections; }
    const std::vector<IniSection>& Sections() const { return m_sections; }

private:
    std::vector<IniSection> m_sections;
};

// Escaping of values: backslash, CR, LF and the other control characters are written as \\, \r,
// \n and \xHH; everything else is written as it is, blanks at either end included.
String EscapeIniValue(StringView value);
String UnescapeIniValue(StringView text);

} // namespace sim::rasapi32
