// The inflate layer: error texts and checks, inflater start-up and the decompression stream.
#include "skin/engine/zlibstream.h"

#include <algorithm>

namespace skin {
namespace {

constexpr const char* kVersion = "1.2.3";
const char16_t* const kInvalidOperation = u"Invalid ZStream operation!";

} // namespace

core::String ZLibErrorText(int code)
{
    static const char16_t* const texts[] = {u"need dictionary", u"stream end",  u"ok",           u"file error",
                                            u"stream error",    u"data error",  u"insufficient memory",
                                            u"buffer error",    u"incompatible version", u""};
    if (code > 2 || code < -7)
        return u"";
    return texts[2 - code];
}

int ZErrorCode(TZError error) { return -1 - int(error); }
core::EZLibError MakeZLibError(int code) { return core::EZLibError(ZLibErrorText(code), code); }
core::EZDecompressionError MakeZDecompressionError(int code) { return core::EZDecompressionError(ZLibErrorText(code), code); }

int CheckInflateResult(int code)
{
    if (code < 0)
        throw MakeZDecompressionError(code);
    return code;
}

int ZInflateInit(z_stream& stream) { return inflateInit_(&stream, kVersion, int(sizeof(z_stream))); }

int ZInflateInit2(z_stream& stream, int windowBits)
{
    return inflateInit2_(&stream, windowBits, kVersion, int(sizeof(z_stream)));
}

TZDecompressionStream::TZDecompressionStream(core::Stream& source)
    : m_source(source), m_start_pos(source.Position()), m_stream_pos(m_start_pos)
{
    Start(ZInflateInit(m_z));
}

TZDecompressionStream::TZDecompressionStream(core::Stream& source, int windowBits)
    : m_source(source), m_start_pos(source.Position()), m_stream_pos(m_start_pos)
{
    Start(ZInflateInit2(m_z, windowBits));
}

void TZDecompressionStream::Start(int result)
{
    m_z.next_in = m_buffer;
    m_z.avail_in = 0;
    if (result < 0) {
        inflateEnd(&m_z);
        CheckInflateResult(result);
    }
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&m_z); }

void TZDecompressionStream::NotifyProgress()
{
    if (OnProgress)
        OnProgress(*this);
}

int64_t TZDecompressionStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (m_source.Position() != m_stream_pos)
        m_source.Seek(m_stream_pos, core::soBeginning);
    uint8_t* out = static_cast<uint8_t*>(buffer);
    int64_t produced = 0;
    while (produced < count && m_last_result != Z_STREAM_END) {
        if (m_z.avail_in == 0) {
            const int64_t n = m_source.Read(m_buffer, kBufferSize);
            if (n <= 0)
                return produced;
            m_z.next_in = m_buffer;
            m_z.avail_in = uInt(n);
            m_stream_pos = m_source.Position();
            NotifyProgress();
        }
        const uInt room = uInt(std::min<int64_t>(count - produced, int64_t(1) << 30));
        m_z.next_out = out + produced;
        m_z.avail_out = room;
        const int result = inflate(&m_z, Z_NO_FLUSH);
        produced += room - m_z.avail_out;
        m_total_out += room - m_z.avail_out;
        CheckInflateResult(result);
        // Without a preset dictionary the inflater can make no progress: refuse the data.
        if (result == Z_NEED_DICT)
            throw MakeZDecompressionError(Z_NEED_DICT);
        m_last_result = result;
    }
    if (m_last_result == Z_STREAM_END && m_z.avail_in > 0) {
        m_source.Seek(-int64_t(m_z.avail_in), core::soCurrent);
        m_stream_pos = m_source.Position();
        m_z.avail_in = 0;
    }
    return produced;
}

int64_t TZDecompressionStream::Write(const void*, int64_t)
{
    throw core::EZDecompressionError(kInvalidOperation, Z_STREAM_ERROR);
}

int64_t TZDecompressionStream::Seek(int64_t offset, core::SeekOrigin origin)
{
    int64_t distance = -1;
    if (origin == core::soBeginning && offset == 0) {
        // A rewind goes back to where the zlib stream began in the source, not to the source's start.
        CheckInflateResult(inflateReset(&m_z));
        m_z.next_in = m_buffer;
        m_z.avail_in = 0;
        m_source.Seek(m_start_pos, core::soBeginning);
        m_stream_pos = m_start_pos;
        m_total_out = 0;
        m_last_result = Z_OK;
        return 0;
    }
    if (origin == core::soCurrent && offset >= 0)
        distance = offset;
    else if (origin == core::soBeginning && offset > m_total_out)
        distance = offset - m_total_out;
    uint8_t scratch[16384];
    if (distance >= 0) {
        while (distance > 0) {
            const int64_t n = std::min<int64_t>(distance, sizeof scratch);
            ReadBuffer(scratch, n);
            distance -= n;
        }
    } else if (origin == core::soEnd && offset == 0) {
        while (Read(scratch, sizeof scratch) > 0) {
        }
    } else {
        throw core::EZDecompressionError(kInvalidOperation, Z_STREAM_ERROR);
    }
    return m_total_out;
}

} // namespace skin
