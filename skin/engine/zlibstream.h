// The thin layer over the compression library's inflater that archive entries and PNG image data
// share: the library's error texts, the check that turns a negative result into an exception, the
// inflater's start-up with the system's version text, and TZDecompressionStream, a read-only,
// forward-only stream that decompresses one zlib stream taken from another stream.
//
// The source is borrowed. The stream remembers where in the source its next read continues, so the
// source may be moved by others between reads; when the zlib stream ends, the input read ahead is
// given back, leaving the source at the first byte after the stream's Adler-32 trailer.
#pragma once

#include "core/exception.h"
#include "core/stream.h"

#include <zlib.h>

#include <cstdint>
#include <functional>

namespace skin {

// zlib results -1 .. -6 in order.
enum TZError { zeError, zeStreamError, zeDataError, zeMemoryError, zeBufferError, zeVersionError };

// The library's text of a result code from -7 to 2 (-7: empty).
core::String ZLibErrorText(int code);
core::EZLibError MakeZLibError(int code);
core::EZDecompressionError MakeZDecompressionError(int code);
int ZErrorCode(TZError error);

// A code of 0 or more is returned unchanged; a negative one raises EZDecompressionError.
int CheckInflateResult(int code);
int ZInflateInit(z_stream& stream);
int ZInflateInit2(z_stream& stream, int windowBits);

class TZDecompressionStream : public core::Stream {
public:
    // Starts at the source's current position. A failed start raises EZDecompressionError.
    explicit TZDecompressionStream(core::Stream& source);
    TZDecompressionStream(core::Stream& source, int windowBits);
    ~TZDecompressionStream() override;
    TZDecompressionStream(const TZDecompressionStream&) = delete;
    TZDecompressionStream& operator=(const TZDecompressionStream&) = delete;

    // Up to count decompressed bytes; fewer (0 at the end) when the data ends.
    int64_t Read(void* buffer, int64_t count) override;
    // Always raises "Invalid ZStream operation!".
    int64_t Write(const void* buffer, int64_t count) override;
    // Rewind (0 from the beginning: back to where the stream started in the source), forward moves
    // by reading, and 0 from the end (reads to the end); anything else raises "Invalid ZStream
    // operation!". Returns the bytes decompressed so far.
    int64_t Seek(int64_t offset, core::SeekOrigin origin) override;

    // Called after every refill of the input buffer.
    std::function<void(TZDecompressionStream&)> OnProgress;

protected:
    virtual void NotifyProgress();

private:
    static constexpr int kBufferSize = 131072;

    void Start(int result);

    core::Stream& m_source;
    int64_t m_start_pos;  // the source position where the zlib stream begins
    int64_t m_stream_pos; // the source position where the next refill continues
    z_stream m_z{};
    int64_t m_total_out = 0;
    int m_last_result = Z_OK;
    uint8_t m_buffer[kBufferSize];
};

} // namespace skin
