// The packed skin reader.
#include "skin/engine/skinpack.h"

#include "core/codepage.h"
#include "core/exception.h"
#include "core/fileio.h"
#include "skin/engine/zlibstream.h"

#include <algorithm>

namespace skin {
namespace {

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

[[noreturn]] void ReadError() { throw core::EReadError(u"Stream read error"); }

// A length field: negative or beyond the data left counts as data that ends early.
int32_t ReadLength(core::Stream& s, bool boundedByData)
{
    const int32_t value = s.ReadInt32();
    if (value < 0)
        ReadError();
    if (boundedByData && value > s.Size() - s.Position())
        ReadError();
    return value;
}

// Exactly size bytes of the entry, grown as they arrive; then the rest of the zlib stream is passed
// over so that the next entry starts right after it.
std::unique_ptr<core::MemoryStream> CopyEntry(TZDecompressionStream& z, int64_t size)
{
    auto out = std::make_unique<core::MemoryStream>();
    uint8_t chunk[65536];
    while (size > 0) {
        const int64_t n = std::min<int64_t>(size, sizeof chunk);
        z.ReadBuffer(chunk, n);
        out->WriteBuffer(chunk, n);
        size -= n;
    }
    z.Seek(0, core::soEnd);
    return out;
}

} // namespace

void TacSkinConvertor::LendPackedData(core::Stream* stream)
{
    m_owned_packed.reset();
    m_packed = stream;
}

void TacSkinConvertor::FreePackedData()
{
    m_owned_packed.reset();
    m_packed = nullptr;
}

void TacSkinConvertor::Clear()
{
    while (!Files.empty())
        Files.pop_back();
    ImageCount = 0;
    Options.reset();
    FreePackedData();
}

void TacSkinConvertor::Unpack()
{
    if (!m_packed)
        return;
    core::Stream& data = *m_packed;
    data.Seek(0, core::soBeginning);
    char magic[4] = {};
    if (data.Read(magic, 4) != 4 || std::string_view(magic, 4) != "ASzf")
        throw ENotPackedSkin(u"Loaded data is not packed Quorra file");
    const int32_t count = data.ReadInt32();
    ImageCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t nameLength = ReadLength(data, true);
        std::string name(size_t(nameLength), '\0');
        data.ReadBuffer(name.data(), nameLength);
        const int32_t size = ReadLength(data, false);
        TZDecompressionStream z(data);
        if (AsciiUpper(name) == "OPTIONS.DAT") {
            Options = CopyEntry(z, size);
            continue;
        }
        TacImageItem item;
        item.FileName = core::FromAnsi(name);
        const size_t dot = name.rfind('.');
        item.IsBitmap = dot != std::string::npos && AsciiUpper(name.substr(dot)) == ".BMP";
        item.FileStream = CopyEntry(z, size);
        Files.push_back(std::move(item));
        ImageCount = int(Files.size());
    }
}

void UnpackSkinFile(const core::String& fileName, std::unique_ptr<TacSkinConvertor>& convertor, bool freePacked)
{
    if (!core::FileExists(fileName))
        return;
    if (convertor)
        convertor->Clear();
    else
        convertor = std::make_unique<TacSkinConvertor>();
    auto packed = std::make_unique<core::MemoryStream>();
    packed->LoadFromFile(fileName);
    convertor->m_owned_packed = std::move(packed);
    convertor->m_packed = convertor->m_owned_packed.get();
    try {
        convertor->Unpack();
    } catch (const ENotPackedSkin&) {
        // Not an archive: the convertor goes with the data it loaded.
        convertor.reset();
        throw;
    }
    if (freePacked)
        convertor->FreePackedData();
}

bool DirExists(const core::String& path) { return core::DirectoryExists(path); }

} // namespace skin
