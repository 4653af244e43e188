// TStreamIniFile.
#include "support/streamini.h"

#include "core/fileio.h"
#include "core/stream.h"
#include "core/stringlist.h"
#include "core/textcodec.h"

namespace support {

using core::String;

TStreamIniFile::TStreamIniFile(const String& fileName) : core::MemIniFile(String())
{
    SetFileName(fileName);
    if (!fileName.empty() && core::FileExists(fileName))
        LoadFromFile(fileName);
}

TStreamIniFile::~TStreamIniFile()
{
    try {
        UpdateFile();
    } catch (...) {
        // A destructor must not throw; SaveToFile already swallows its own failures.
    }
}

bool TStreamIniFile::LoadFromFile(const String& fileName)
{
    try {
        core::FileStream file(fileName, core::fmOpenRead | core::fmShareDenyWrite);
        return LoadFromStream(file);
    } catch (...) {
        return false;
    }
}

bool TStreamIniFile::LoadFromStream(core::Stream& stream)
{
    try {
        return LoadFromBytes(stream.ReadToEnd());
    } catch (...) {
        return false;
    }
}

bool TStreamIniFile::LoadFromBytes(std::string_view bytes)
{
    try {
        core::TextEncoding encoding = core::TextEncoding::Ansi;
        SetText(core::DecodeText(bytes, &encoding));
        SetEncoding(encoding);
        return true;
    } catch (...) {
        return false;
    }
}

bool TStreamIniFile::SaveToFile(const String& fileName)
{
    try {
        core::FileStream file(fileName, core::fmCreate);
        return SaveToStream(file);
    } catch (...) {
        return false;
    }
}

bool TStreamIniFile::SaveToStream(core::Stream& stream)
{
    try {
        core::StringList lines;
        GetStrings(lines);
        const std::string bytes = core::EncodeText(lines.Text(), Encoding());
        stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        return true;
    } catch (...) {
        return false;
    }
}

void TStreamIniFile::UpdateFile()
{
    if (!FileName().empty() && core::FileExists(FileName()))
        SaveToFile(FileName());
}

} // namespace support
