// Arbitrary bytes as compressed blob content (signature, stored size and stream), read whole, read in
// parts and decompressed: only the blob's own errors may come out, and nothing is read or written
// outside the buffers.
#include "data/storage/blob.h"
#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    if (size < 2)
        return 0;
    const uint8_t signature[16] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                   0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};
    // The first byte chooses whether the real signature goes in front and how the reads are cut.
    std::vector<uint8_t> content;
    if (data[0] & 1)
        content.assign(signature, signature + 16);
    content.insert(content.end(), data + 1, data + size);
    const uint32_t piece = 1 + (data[0] >> 1);
    // Buffers follow the input: no deflate stream inflates more than 1032-fold, so a larger size
    // claim can only fail on reading, which smaller false claims already take the fuzzer through.
    const size_t most = content.size() * 1032 + 1024;

    for (int mode = 0; mode < 3; ++mode) {
        TCompressedBlob blob;
        blob.GetData()->SetPieceSize(piece);
        blob.GetData()->TCRBlobData::Write(0, uint32_t(content.size()), content.data());
        try {
            const uint32_t total = blob.Size();
            if (total > most)
                continue;
            std::vector<uint8_t> out;
            if (mode == 0) {
                out.resize(size_t(total) + 1);
                if (blob.Read(0, 0, out.data()) > total)
                    std::abort();
            } else if (mode == 1) {
                const uint32_t at = total / 3;
                out.resize(size_t(piece) + 1);
                if (blob.Read(at, piece, out.data()) > piece)
                    std::abort();
            } else {
                blob.SetCompressed(false);
                blob.SetCompressed(true);
                // Plain content that begins with the signature reads as compressed once it is one
                // piece, so the size is asked again before the buffer is made.
                const uint32_t now = blob.Size();
                if (now > most)
                    continue;
                out.assign(size_t(now) + 1, 0);
                if (blob.Read(0, 0, out.data()) != now)
                    std::abort();
            }
        } catch (const core::Exception&) {
        }
    }
    return 0;
}
