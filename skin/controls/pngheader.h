// The header of a PNG picture: enough to tell a picture's size and pixel format before it is
// decoded (the push-button glyph list checks its pictures with it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace skin {

struct PngHeader {
    uint32_t Width = 0, Height = 0;
    uint8_t BitDepth = 0, ColorType = 0, Interlace = 0;
    bool HasAlpha() const { return ColorType == 4 || ColorType == 6; }
};

// Nothing unless the bytes start with the PNG signature and a well-formed IHDR chunk.
std::optional<PngHeader> ReadPngHeader(const uint8_t* data, size_t size);

} // namespace skin
