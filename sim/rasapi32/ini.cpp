// INI document of the simulated remote-access library.
//
// File format: UTF-8 text, optionally starting with a byte-order mark, lines ended by LF or CRLF.
// A line whose first character is "[" opens a section; its name is the text up to the last "]" on
// the line (names may contain "]" themselves). A line holding "=" is a key line: the key is the text
// before the first "=", trimmed; the value is everything after it, not trimmed, with the escapes of
// EscapeIniValue undone. Empty lines, lines of blanks and lines that start with ";" or "#" after
// leading blanks are comments. Key lines before the first section belong to a section with an empty
// name. Keys that begin with "[", ";", "#" or a byte-order mark are dropped. Any other line is
// ignored, so a damaged file still yields every line that can be read.
#include "sim/rasapi32/ini.h"

namespace sim::rasapi32 {

namespace {

bool IsBlank(core::Char c) { return c <= u' '; }

int HexDigit(core::Char c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

String IniSection::Value(StringView key, StringView fallback) const
{
    for (const auto& [k, v] : m_items)
        if (core::SameText(k, key))
            return v;
    return String(fallback);
}

bool IniSection::Has(StringView key) const
{
    for (const auto& item : m_items)
        if (core::SameText(item.first, key))
            return true;
    return false;
}

std::vector<String> IniSection::Values(StringView key) const
{
    std::vector<String> out;
    for (const auto& [k, v] : m_items)
        if (core::SameText(k, key))
            out.push_back(v);
    return out;
}

void IniSection::Set(StringView key, StringView value)
{
    SetAll(key, {String(value)});
}

void IniSection::SetAll(StringView key, const std::vector<String>& values)
{
    size_t at = m_items.size();
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (core::SameText(m_items[i].first, key)) {
            at = i;
            break;
        }
    }
    std::erase_if(m_items, [&](const auto& item) { return core::SameText(item.first, key); });
    std::vector<std::pair<String, String>> fresh;
    for (const String& value : values)
        fresh.emplace_back(String(key), value);
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(std::min(at, m_items.size())), fresh.begin(),
                   fresh.end());
}

void IniSection::Remove(StringView key)
{
    std::erase_if(m_items, [&](const auto& item) { return core::SameText(item.first, key); });
}

IniDocument IniDocument::Parse(std::string_view utf8)
{
    if (utf8.starts_with("\xEF\xBB\xBF"))
        utf8.remove_prefix(3);
    const String text = core::FromUtf8(utf8);
    IniDocument doc;
    IniSection* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == String::npos)
            end = text.size();
        StringView line(text.data() + start, end - start);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        start = end + 1;

        size_t first = 0;
        while (first < line.size() && IsBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == u';' || line[first] == u'#')
            continue;
        if (line[0] == u'[') {
            const size_t close = line.rfind(u']');
            if (close == StringView::npos || close == 0)
                continue;
            doc.m_sections.emplace_back(line.substr(1, close - 1));
            current = &doc.m_sections.back();
            continue;
        }
        const size_t equals = line.find(u'=');
        if (equals == StringView::npos)
            continue;
        String key = core::Trim(line.substr(0, equals));
        // A key that would read as a section, a comment or a byte-order mark once written at the
        // start of a line is dropped, so that writing a document and reading it back agree.
        if (key.empty() || key[0] == u'[' || key[0] == u';' || key[0] == u'#' || key[0] == 0xFEFF)
            continue;
        if (!current) {
            doc.m_sections.emplace_back(String());
            current = &doc.m_sections.back();
        }
        current->Append(std::move(key), UnescapeIniValue(line.substr(equals + 1)));
    }
    return doc;
}

std::string IniDocument::Serialize() const
{
    // Every section gets its header, the nameless one of orphan keys too ("[]"), so that reading
    // the text back gives the same sections.
    String out;
    for (const IniSection& section : m_sections) {
        if (!out.empty())
            out += u"\r\n";
        out += u"[";
        out += section.Name();
        out += u"]\r\n";
        for (const auto& [key, value] : section.Items()) {
            out += key;
            out += u"=";
            out += EscapeIniValue(value);
            out += u"\r\n";
        }
    }
    return core::ToUtf8(out);
}

IniSection* IniDocument::Find(StringView name)
{
    for (IniSection& section : m_sections)
        if (core::SameText(section.Name(), name))
            return &section;
    return nullptr;
}

const IniSection* IniDocument::Find(StringView name) const
{
    return const_cast<IniDocument*>(this)->Find(name);
}

IniSection& IniDocument::Ensure(StringView name)
{
    if (IniSection* found = Find(name))
        return *found;
    m_sections.emplace_back(name);
    return m_sections.back();
}

bool IniDocument::Remove(StringView name)
{
    const auto before = m_sections.size();
    std::erase_if(m_sections, [&](const IniSection& s) { return core::SameText(s.Name(), name); });
    return m_sections.size() != before;
}

String EscapeIniValue(StringView value)
{
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    String out;
    out.reserve(value.size());
    for (core::Char c : value) {
        if (c == u'\\') {
            out += u"\\\\";
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c < 0x20 || c == 0x7F) {
            out += u"\\x";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

String UnescapeIniValue(StringView text)
{
    String out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const core::Char c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const core::Char next = text[i + 1];
        if (next == u'\\') {
            out += u'\\';
            ++i;
        } else if (next == u'r') {
            out += u'\r';
            ++i;
        } else if (next == u'n') {
            out += u'\n';
            ++i;
        } else if (next == u'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<core::Char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            // An unknown escape stays as written: hand-made files keep their backslashes.
            out += c;
        }
    }
    return out;
}

} // namespace sim::rasapi32
