// INI documents: the abstract CustomIniFile with typed reads and writes over strings, and
// MemIniFile, the whole document held in memory.
//
// Text form read by MemIniFile: every line is trimmed; empty lines and lines starting with ";" are
// skipped; "[name]" opens a section (name trimmed; a repeated header opens another section of that
// name); other lines belong to the last section opened, lines before the first header are dropped.
// A line holding "=" is an entry split at the first "=", key and value trimmed; a line without one
// is kept as a bare entry. Lookups ignore case (locale-aware) and take the last section of a name
// and, within it, the last entry of a key; bare entries are never found by key.
#pragma once

#include "core/object.h"
#include "core/string.h"
#include "core/textcodec.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace core {

class Stream;
class Strings;

class CustomIniFile : public Object {
public:
    explicit CustomIniFile(String fileName) : m_file_name(std::move(fileName)) {}

    const String& FileName() const { return m_file_name; }

    virtual String ReadString(StringView section, StringView ident, const String& fallback) const = 0;
    virtual void WriteString(StringView section, StringView ident, StringView value) = 0;
    // Decimal or hex ("$1F", "0x1F"); anything else gives the fallback.
    int32_t ReadInteger(StringView section, StringView ident, int32_t fallback) const;
    void WriteInteger(StringView section, StringView ident, int32_t value);
    // Any integer: non-zero is true; anything else gives the fallback. Written as "1" or "0".
    bool ReadBool(StringView section, StringView ident, bool fallback) const;
    void WriteBool(StringView section, StringView ident, bool value);
    double ReadFloat(StringView section, StringView ident, double fallback) const;
    void WriteFloat(StringView section, StringView ident, double value);
    // Bytes as upper-case hex text. Reading decodes pairs of hex digits up to the first pair that
    // is not one, writes the bytes at the stream's position and returns their number.
    int64_t ReadBinaryStream(StringView section, StringView ident, Stream& value) const;
    // Writes the stream from its position to its end.
    void WriteBinaryStream(StringView section, StringView ident, Stream& value);

    // Each clears the list first. ReadSection: the key of every entry of the section (empty for a
    // bare entry); ReadSections: every section name in order; ReadSectionValues: every entry as a
    // line (key=value or the bare line).
    virtual void ReadSection(StringView section, Strings& keys) const = 0;
    virtual void ReadSections(Strings& sections) const = 0;
    virtual void ReadSectionValues(StringView section, Strings& values) const = 0;
    virtual bool SectionExists(StringView section) const;
    virtual bool ValueExists(StringView section, StringView ident) const;
    virtual void EraseSection(StringView section) = 0;
    virtual void DeleteKey(StringView section, StringView ident) = 0;
    // Writes the document to its file.
    virtual void UpdateFile() = 0;

protected:
    void SetFileName(String fileName) { m_file_name = std::move(fileName); }

private:
    String m_file_name;
};

class MemIniFile : public CustomIniFile {
public:
    // Loads the file when the name is not empty and the file exists.
    explicit MemIniFile(String fileName = {});
    ~MemIniFile() override;

    String ReadString(StringView section, StringView ident, const String& fallback) const override;
    // Replaces the value of the key's last entry in the section's last instance, or adds an entry
    // (and the section) at the end. A line break in the section, key or value raises
    // EIniFileException, as it would split the line when the document is written.
    void WriteString(StringView section, StringView ident, StringView value) override;
    void ReadSection(StringView section, Strings& keys) const override;
    void ReadSections(Strings& sections) const override;
    void ReadSectionValues(StringView section, Strings& values) const override;
    // A section exists when its header does, entries or not.
    bool SectionExists(StringView section) const override;
    bool ValueExists(StringView section, StringView ident) const override;
    // Removes every section of that name.
    void EraseSection(StringView section) override;
    // Removes every entry of that key from the section that lookups see.
    void DeleteKey(StringView section, StringView ident) override;
    // Writes the document to FileName in Encoding(); nothing when the name is empty.
    void UpdateFile() override;

    void Clear();
    // Replaces the content by parsing the lines.
    void SetStrings(const Strings& lines);
    // The same from the whole text, its lines ending at CR LF, LF or CR.
    void SetText(StringView text);
    // The document as lines: per section "[name]", its entries, then an empty line.
    void GetStrings(Strings& lines) const;
    // Switches to another file; reload replaces the content with that file's (empty when it does
    // not exist).
    void Rename(const String& fileName, bool reload);

    // The encoding of the loaded file, used when writing it back.
    TextEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TextEncoding encoding) { m_encoding = encoding; }

private:
    struct Entry {
        String key;
        String value;
        bool bare = false;  // a line without "=": key holds the line, value is empty
        String Line() const;
    };
    struct Section {
        String name;
        std::vector<Entry> entries;
        std::unordered_map<String, size_t> keys;  // folded key -> last entry of that key
        void AddEntry(Entry entry);
        void Reindex();
    };

    void LoadValues();
    // Parses one line into the document; current is the section it goes to, or null.
    void AddLine(Section*& current, StringView text);
    const Section* FindSection(StringView name) const;
    Section* FindSection(StringView name);
    Section& AddSection(String name);
    void ReindexSections();

    std::vector<std::unique_ptr<Section>> m_sections;
    std::unordered_map<String, size_t> m_section_index;  // folded name -> last section of that name
    TextEncoding m_encoding = TextEncoding::Ansi;
};

} // namespace core
