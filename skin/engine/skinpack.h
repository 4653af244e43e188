// Packed skins: one file that holds a skin's options file and every image it names, each compressed
// on its own.
//
// The archive's bytes (all integers signed 32-bit little-endian, no gaps):
//   "ASzf" (4 bytes), then the entry count N, then N entries back to back;
//   an entry is the name length L, L bytes of file name in the system's ANSI code page (no
//   terminator), the unpacked size S, and the file's content as one zlib stream (header, deflate
//   data, Adler-32 trailer) whose compressed length is not stored: the next entry begins at the first
//   byte after the trailer.
// The entry named "Options.dat" (ASCII letters in any case) is the options file; every other entry is
// an image file of the skin. Entries keep their order.
#pragma once

#include "core/exception.h"
#include "core/stream.h"
#include "core/string.h"

#include <memory>
#include <vector>

namespace skin {

// The data handed to the reader is no packed skin (message "Loaded data is not packed Quorra file").
CORE_DECLARE_EXCEPTION(ENotPackedSkin, core::Exception);

struct TacImageItem {
    core::String FileName;
    bool IsBitmap = false; // the last extension is ".BMP" in any letter case
    std::unique_ptr<core::MemoryStream> FileStream;
};
using TacImageItems = std::vector<TacImageItem>;

class TacSkinConvertor {
public:
    TacSkinConvertor() = default;
    ~TacSkinConvertor() { Clear(); }
    TacSkinConvertor(const TacSkinConvertor&) = delete;
    TacSkinConvertor& operator=(const TacSkinConvertor&) = delete;

    // Parses PackedData from its first byte. A wrong magic raises "Loaded data is not packed Quorra
    // file"; data that ends early (also a negative length or size, or a zlib stream that gives fewer
    // bytes than its size) raises "Stream read error"; a damaged zlib stream raises the inflate
    // layer's error. The entries read before a failure stay.
    void Unpack();
    // Releases the entries (last first), the options and the packed data (when owned).
    void Clear();

    // The packed data: loaded and owned by UnpackSkinFile, or a stream a caller lends by setting
    // this and takes back by setting it to null before Clear.
    void LendPackedData(core::Stream* stream);
    core::Stream* PackedData() const { return m_packed; }
    void FreePackedData();

    int ImageCount = 0;
    TacImageItems Files;
    std::unique_ptr<core::MemoryStream> Options;

private:
    friend void UnpackSkinFile(const core::String&, std::unique_ptr<TacSkinConvertor>&, bool);

    core::Stream* m_packed = nullptr;
    std::unique_ptr<core::MemoryStream> m_owned_packed;
};

// Unpacks the archive file into convertor (made when null, cleared otherwise); nothing when the file
// does not exist. On a wrong magic the convertor is released (null) and the error passes.
void UnpackSkinFile(const core::String& fileName, std::unique_ptr<TacSkinConvertor>& convertor, bool freePacked);

// True when the path names an existing folder.
bool DirExists(const core::String& path);

} // namespace skin
