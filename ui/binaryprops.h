// Byte-stream properties of components ("Data" of a stored skin, "ImgData" of an image list item):
// an object names its binary properties with a reader and a writer, and a block of them is written
// to and read from a stream.
#pragma once

#include "core/stream.h"
#include "core/string.h"

#include <functional>
#include <vector>

namespace ui {

struct BinaryProperty {
    core::String name;                                   // ASCII, 1..255 characters
    std::function<void(core::Stream& bytes)> read;       // bytes holds exactly the stored bytes
    std::function<void(core::Stream& out)> write;        // writes the whole value
    bool stored = true;                                  // false: not written
};

// Writes the stored properties, in order, and the end mark.
void WriteBinaryProperties(core::Stream& stream, const std::vector<BinaryProperty>& properties);
// Reads a block: each known name's bytes go to its reader (in a memory stream of their own); unknown
// names are skipped. EReadError "Stream read error" for a block cut short or a length beyond the
// stream; EStreamError "Invalid property name" for a name that is not printable ASCII.
void ReadBinaryProperties(core::Stream& stream, const std::vector<BinaryProperty>& properties);

// A property that keeps its bytes in a memory stream owned by the object.
BinaryProperty MemoryStreamProperty(core::StringView name, core::MemoryStream& data);

} // namespace ui
