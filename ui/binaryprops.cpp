// Binary property blocks. The bytes, repeated per property:
//   1 byte       name length N (1..255); a 0 here ends the block
//   N bytes      the name, printable ASCII
//   4 bytes      byte count C, little-endian, unsigned
//   C bytes      the property's bytes as its writer produced them
#include "ui/binaryprops.h"

#include "core/exception.h"

#include <algorithm>
#include <string>

namespace ui {
namespace {

std::string Ascii(core::StringView name)
{
    std::string out;
    for (char16_t c : name)
        out.push_back(c >= 0x20 && c < 0x7F ? char(c) : '?');
    return out;
}

} // namespace

void WriteBinaryProperties(core::Stream& stream, const std::vector<BinaryProperty>& properties)
{
    for (const BinaryProperty& p : properties) {
        if (!p.stored || !p.write || p.name.empty())
            continue;
        const std::string name = Ascii(p.name).substr(0, 255);
        core::MemoryStream bytes;
        p.write(bytes);
        const int64_t size = bytes.Size();
        if (size > int64_t(UINT32_MAX))
            throw core::EWriteError(u"Stream write error");
        stream.WriteUInt8(uint8_t(name.size()));
        stream.WriteBuffer(name.data(), int64_t(name.size()));
        stream.WriteUInt32(uint32_t(size));
        bytes.SetPosition(0);
        if (size > 0)
            stream.CopyFrom(bytes, size);
    }
    stream.WriteUInt8(0);
}

void ReadBinaryProperties(core::Stream& stream, const std::vector<BinaryProperty>& properties)
{
    for (;;) {
        const uint8_t length = stream.ReadUInt8();
        if (length == 0)
            return;
        std::string name(length, '\0');
        stream.ReadBuffer(name.data(), length);
        if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            throw core::EStreamError(u"Invalid property name");
        const uint32_t size = stream.ReadUInt32();
        if (int64_t(size) > stream.Size() - stream.Position())
            throw core::EReadError(u"Stream read error");
        auto it = std::find_if(properties.begin(), properties.end(),
                               [&](const BinaryProperty& p) { return Ascii(p.name) == name && p.read; });
        if (it == properties.end()) {
            stream.Seek(size, core::soCurrent);
            continue;
        }
        core::MemoryStream bytes;
        if (size > 0)
            bytes.CopyFrom(stream, size);
        bytes.SetPosition(0);
        it->read(bytes);
    }
}

BinaryProperty MemoryStreamProperty(core::StringView name, core::MemoryStream& data)
{
    BinaryProperty p;
    p.name = core::String(name);
    p.read = [&data](core::Stream& bytes) {
        data.SetSize(0);
        data.CopyFrom(bytes, 0);
        data.SetPosition(0);
    };
    p.write = [&data](core::Stream& out) {
        if (data.Size() > 0)
            out.CopyFrom(data, 0);
    };
    return p;
}

} // namespace ui
