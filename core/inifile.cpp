// CustomIniFile's typed access and MemIniFile.
#include "core/inifile.h"

#include "core/convert.h"
#include "core/exception.h"
#include "core/fileio.h"
#include "core/stream.h"
#include "core/stringlist.h"

namespace core {

namespace {

// Names are folded for every entry loaded and every lookup. ASCII maps the same in every locale (the
// system's default case table, not a linguistic one) and the CJK block from U+3000 to U+9FFF has no
// case at all, so names of only those (the node lists' names) are folded here without the call.
String Fold(StringView name)
{
    for (Char c : name)
        if (c >= 0x80 && (c < 0x3000 || c > 0x9FFF))
            return AnsiUpperCase(name);
    String folded(name);
    for (Char& c : folded)
        if (c >= u'a' && c <= u'z')
            c = Char(c - 32);
    return folded;
}

// Trim without the two copies: lines are cut into views and copied once, into their entries.
StringView TrimmedView(StringView text)
{
    size_t first = 0;
    while (first < text.size() && text[first] <= u' ')
        ++first;
    size_t end = text.size();
    while (end > first && text[end - 1] <= u' ')
        --end;
    return text.substr(first, end - first);
}

void CheckLine(StringView text)
{
    if (text.find_first_of(u"\r\n") != StringView::npos)
        throw EIniFileException(u"Line breaks are not allowed in INI file entries");
}

} // namespace

// ---- CustomIniFile ------------------------------------------------------------------------------

int32_t CustomIniFile::ReadInteger(StringView section, StringView ident, int32_t fallback) const
{
    return StrToIntDef(ReadString(section, ident, String()), fallback);
}

void CustomIniFile::WriteInteger(StringView section, StringView ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

bool CustomIniFile::ReadBool(StringView section, StringView ident, bool fallback) const
{
    return ReadInteger(section, ident, fallback ? 1 : 0) != 0;
}

void CustomIniFile::WriteBool(StringView section, StringView ident, bool value)
{
    WriteString(section, ident, value ? u"1" : u"0");
}

double CustomIniFile::ReadFloat(StringView section, StringView ident, double fallback) const
{
    const String text = ReadString(section, ident, String());
    return text.empty() ? fallback : StrToFloatDef(text, fallback);
}

void CustomIniFile::WriteFloat(StringView section, StringView ident, double value)
{
    WriteString(section, ident, FloatToStr(value));
}

int64_t CustomIniFile::ReadBinaryStream(StringView section, StringView ident, Stream& value) const
{
    const String text = ReadString(section, ident, String());
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigitValue(text[i]);
        const int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            break;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    value.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return int64_t(bytes.size());
}

void CustomIniFile::WriteBinaryStream(StringView section, StringView ident, Stream& value)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    const std::string bytes = value.ReadToEnd();
    String text;
    text.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    WriteString(section, ident, text);
}

bool CustomIniFile::SectionExists(StringView section) const
{
    StringList keys;
    ReadSection(section, keys);
    return keys.Count() > 0;
}

bool CustomIniFile::ValueExists(StringView section, StringView ident) const
{
    StringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(ident) >= 0;
}

// ---- MemIniFile ---------------------------------------------------------------------------------

String MemIniFile::Entry::Line() const
{
    if (bare)
        return key;
    String line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key);
    line.push_back(u'=');
    line.append(value);
    return line;
}

void MemIniFile::Section::AddEntry(Entry entry)
{
    if (!entry.bare)
        keys[Fold(entry.key)] = entries.size();
    entries.push_back(std::move(entry));
}

void MemIniFile::Section::Reindex()
{
    keys.clear();
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].bare)
            keys[Fold(entries[i].key)] = i;
}

MemIniFile::MemIniFile(String fileName) : CustomIniFile(std::move(fileName)) { LoadValues(); }

MemIniFile::~MemIniFile() = default;

void MemIniFile::LoadValues()
{
    Clear();
    if (FileName().empty() || !FileExists(FileName()))
        return;
    StringList lines;
    lines.LoadFromFile(FileName());
    m_encoding = lines.Encoding();
    SetStrings(lines);
}

void MemIniFile::Clear()
{
    m_sections.clear();
    m_section_index.clear();
}

MemIniFile::Section& MemIniFile::AddSection(String name)
{
    m_section_index[Fold(name)] = m_sections.size();
    auto section = std::make_unique<Section>();
    section->name = std::move(name);
    m_sections.push_back(std::move(section));
    return *m_sections.back();
}

void MemIniFile::ReindexSections()
{
    m_section_index.clear();
    for (size_t i = 0; i < m_sections.size(); ++i)
        m_section_index[Fold(m_sections[i]->name)] = i;
}

const MemIniFile::Section* MemIniFile::FindSection(StringView name) const
{
    const auto found = m_section_index.find(Fold(name));
    return found == m_section_index.end() ? nullptr : m_sections[found->second].get();
}

MemIniFile::Section* MemIniFile::FindSection(StringView name)
{
    return const_cast<Section*>(static_cast<const MemIniFile*>(this)->FindSection(name));
}

void MemIniFile::AddLine(Section*& current, StringView text)
{
    const StringView line = TrimmedView(text);
    if (line.empty() || line.front() == u';')
        return;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
        current = &AddSection(String(TrimmedView(line.substr(1, line.size() - 2))));
        return;
    }
    if (!current)
        return;
    const size_t equals = line.find(u'=');
    Entry entry;
    if (equals == StringView::npos) {
        entry.key = String(line);
        entry.bare = true;
    } else {
        entry.key = String(TrimmedView(line.substr(0, equals)));
        entry.value = String(TrimmedView(line.substr(equals + 1)));
    }
    current->AddEntry(std::move(entry));
}

void MemIniFile::SetStrings(const Strings& lines)
{
    Clear();
    Section* current = nullptr;
    for (int i = 0, n = lines.Count(); i < n; ++i)
        AddLine(current, lines.Get(i));
}

void MemIniFile::SetText(StringView text)
{
    Clear();
    Section* current = nullptr;
    size_t at = 0;
    const size_t n = text.size();
    while (at < n) {
        const size_t start = at;
        while (at < n && text[at] != u'\r' && text[at] != u'\n')
            ++at;
        AddLine(current, text.substr(start, at - start));
        if (at < n && text[at] == u'\r')
            ++at;
        if (at < n && text[at] == u'\n')
            ++at;
    }
}

void MemIniFile::GetStrings(Strings& lines) const
{
    lines.BeginUpdate();
    try {
        lines.Clear();
        for (const auto& section : m_sections) {
            lines.Add(u"[" + section->name + u"]");
            for (const Entry& entry : section->entries)
                lines.Add(entry.Line());
            lines.Add(String());
        }
    } catch (...) {
        lines.EndUpdate();
        throw;
    }
    lines.EndUpdate();
}

String MemIniFile::ReadString(StringView section, StringView ident, const String& fallback) const
{
    const Section* found = FindSection(section);
    if (!found)
        return fallback;
    const auto key = found->keys.find(Fold(ident));
    return key == found->keys.end() ? fallback : found->entries[key->second].value;
}

void MemIniFile::WriteString(StringView section, StringView ident, StringView value)
{
    CheckLine(section);
    CheckLine(ident);
    CheckLine(value);
    Section* target = FindSection(section);
    if (!target)
        target = &AddSection(String(section));
    const auto key = target->keys.find(Fold(ident));
    if (key != target->keys.end()) {
        Entry& entry = target->entries[key->second];
        entry.key.assign(ident);
        entry.value.assign(value);
        return;
    }
    target->AddEntry(Entry{String(ident), String(value), false});
}

void MemIniFile::ReadSection(StringView section, Strings& keys) const
{
    keys.BeginUpdate();
    try {
        keys.Clear();
        if (const Section* found = FindSection(section))
            for (const Entry& entry : found->entries)
                keys.Add(entry.bare ? String() : entry.key);
    } catch (...) {
        keys.EndUpdate();
        throw;
    }
    keys.EndUpdate();
}

void MemIniFile::ReadSections(Strings& sections) const
{
    sections.BeginUpdate();
    try {
        sections.Clear();
        for (const auto& section : m_sections)
            sections.Add(section->name);
    } catch (...) {
        sections.EndUpdate();
        throw;
    }
    sections.EndUpdate();
}

void MemIniFile::ReadSectionValues(StringView section, Strings& values) const
{
    values.BeginUpdate();
    try {
        values.Clear();
        if (const Section* found = FindSection(section))
            for (const Entry& entry : found->entries)
                values.Add(entry.Line());
    } catch (...) {
        values.EndUpdate();
        throw;
    }
    values.EndUpdate();
}

bool MemIniFile::SectionExists(StringView section) const { return FindSection(section) != nullptr; }

bool MemIniFile::ValueExists(StringView section, StringView ident) const
{
    const Section* found = FindSection(section);
    return found && found->keys.count(Fold(ident)) > 0;
}

void MemIniFile::EraseSection(StringView section)
{
    const String key = Fold(section);
    if (!m_section_index.count(key))
        return;
    std::erase_if(m_sections, [&](const std::unique_ptr<Section>& s) { return Fold(s->name) == key; });
    ReindexSections();
}

void MemIniFile::DeleteKey(StringView section, StringView ident)
{
    Section* found = FindSection(section);
    if (!found)
        return;
    const String key = Fold(ident);
    if (!found->keys.count(key))
        return;
    std::erase_if(found->entries, [&](const Entry& e) { return !e.bare && Fold(e.key) == key; });
    found->Reindex();
}

void MemIniFile::UpdateFile()
{
    if (FileName().empty())
        return;
    StringList lines;
    GetStrings(lines);
    lines.SaveToFile(FileName(), m_encoding);
}

void MemIniFile::Rename(const String& fileName, bool reload)
{
    SetFileName(fileName);
    if (reload)
        LoadValues();
}

} // namespace core
