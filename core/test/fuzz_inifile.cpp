// Fuzzes the text path of INI documents: arbitrary bytes are decoded as a text file, split into a
// string list and parsed into a MemIniFile, and every section and key is read back. The list's
// whole-text forms and the document's written form must read back unchanged, and the document parsed
// straight from the text must equal the one parsed from the lines.
#include "core/inifile.h"
#include "core/stringlist.h"
#include "core/textcodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace core;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ReadEverything(const MemIniFile& ini)
{
    StringList sections, keys, values;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        const String& section = sections[s];
        Check(ini.SectionExists(section));
        ini.ReadSection(section, keys);
        ini.ReadSectionValues(section, values);
        Check(keys.Count() == values.Count());
        for (int k = 0; k < keys.Count(); ++k) {
            ini.ReadString(section, keys[k], String());
            // Every key=value entry is found by its key; bare lines carry no "=".
            if (values[k].find(u'=') != String::npos)
                Check(ini.ValueExists(section, keys[k]));
            ini.ReadInteger(section, keys[k], 0);
            ini.ReadBool(section, keys[k], false);
            ini.ReadFloat(section, keys[k], 0.0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const String text = DecodeText(bytes);

    StringList lines;
    lines.SetText(text);
    StringList copy;
    copy.SetText(lines.Text());
    Check(copy.Equals(lines));
    copy.SetCommaText(lines.CommaText());
    Check(copy.Equals(lines));

    MemIniFile ini;
    ini.SetStrings(lines);
    ReadEverything(ini);

    StringList written;
    ini.GetStrings(written);

    // Parsing the whole text in place must give the document the lines give.
    MemIniFile fromText;
    fromText.SetText(text);
    ReadEverything(fromText);
    StringList writtenFromText;
    fromText.GetStrings(writtenFromText);
    Check(writtenFromText.Equals(written));

    MemIniFile reread;
    reread.SetStrings(written);
    StringList rewritten;
    reread.GetStrings(rewritten);
    Check(rewritten.Equals(written));
    return 0;
}
