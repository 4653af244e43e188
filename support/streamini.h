// TStreamIniFile: an INI document held wholly in memory that loads from and saves to any stream as
// well as a named file. The client keeps the node list that the service sends in one of these.
//
// Parsing and lookup are those of core::MemIniFile: lines trimmed; empty lines and ";" comments
// skipped; every "[name]" opens a new section (a repeated name opens a second one); lines before the
// first header dropped; "key=value" split at the first "=" with both sides trimmed, other lines kept
// as bare entries; lookups ignore case and see the last section, and in it the last entry, of a name.
#pragma once

#include "core/inifile.h"
#include "core/string.h"

#include <string_view>

namespace core {
class Stream;
}

namespace support {

class TStreamIniFile : public core::MemIniFile {
public:
    // An empty document; when fileName names an existing file it is loaded. The base never touches
    // the file itself: loading and writing back go through this class.
    explicit TStreamIniFile(const core::String& fileName = {});
    // Writes the document back when FileName() names an existing file (UpdateFile); never throws.
    ~TStreamIniFile() override;

    // Each returns false on any failure and never throws.
    //
    // Reads the file with writes by others denied.
    bool LoadFromFile(const core::String& fileName);
    // Reads from the stream's position to its end: a byte-order mark selects UTF-8 or UTF-16, else
    // the system ANSI code page; lines end at CR LF, LF or CR. The content is replaced only when the
    // stream could be read.
    virtual bool LoadFromStream(core::Stream& stream);
    // The same from bytes already in memory (a reply's body), read in place rather than copied into
    // a stream and out again.
    bool LoadFromBytes(std::string_view bytes);
    // Creates or truncates the file and writes the document into it.
    bool SaveToFile(const core::String& fileName);
    // Writes "[name]", the section's entries and an empty line per section, every line ended by
    // CR LF, at the stream's position. The encoding is the one the document was loaded in: the
    // system ANSI code page without a mark for documents loaded without one (and new documents),
    // else the mark and encoding found at loading, so that writing back never loses characters.
    virtual bool SaveToStream(core::Stream& stream);

    // SaveToFile(FileName()) when that file exists; otherwise nothing.
    void UpdateFile() override;
};

} // namespace support
