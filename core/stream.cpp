// Byte streams over memory, strings and OS files.
#include "core/stream.h"

#include "core/exception.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace core {

namespace {

// Largest size an in-memory stream may grow to; positions beyond it are refused rather than
// attempted, so that a wild position cannot ask for an absurd allocation.
constexpr int64_t MaxMemorySize = int64_t(1) << 40;

[[noreturn]] void SeekError() { throw EStreamError(u"Invalid stream position"); }

// New position of a seek over an in-memory buffer of the given size.
int64_t MemorySeek(int64_t position, int64_t size, int64_t offset, SeekOrigin origin)
{
    int64_t base = 0;
    switch (origin) {
    case soBeginning: base = 0; break;
    case soCurrent: base = position; break;
    case soEnd: base = size; break;
    default: SeekError();
    }
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset))
        SeekError();
    const int64_t target = base + offset;
    if (target < 0)
        SeekError();
    return target;
}

template <typename Bytes> int64_t MemoryRead(const Bytes& data, int64_t& position, void* buffer, int64_t count)
{
    const int64_t size = int64_t(data.size());
    if (count <= 0 || position >= size)
        return 0;
    const int64_t n = std::min(count, size - position);
    std::memcpy(buffer, data.data() + position, size_t(n));
    position += n;
    return n;
}

// Resizes with zeros for new bytes; growing by appends reserves geometrically so that many small
// writes stay linear overall.
template <typename Bytes> void MemoryResize(Bytes& data, int64_t size, bool appending = false)
{
    if (size < 0 || size > MaxMemorySize)
        throw EOutOfMemory(u"Out of memory");
    try {
        if (appending && size_t(size) > data.capacity())
            data.reserve(std::max(size_t(size), data.capacity() + data.capacity() / 2));
        data.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(u"Out of memory");
    } catch (const std::length_error&) {
        throw EOutOfMemory(u"Out of memory");
    }
}

template <typename Bytes> int64_t MemoryWrite(Bytes& data, int64_t& position, const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (count > MaxMemorySize || position > MaxMemorySize - count)
        throw EOutOfMemory(u"Out of memory");
    const int64_t end = position + count;
    if (end > int64_t(data.size()))
        MemoryResize(data, end, true);
    std::memcpy(data.data() + position, buffer, size_t(count));
    position = end;
    return count;
}

} // namespace

// ---- Stream -------------------------------------------------------------------------------------

int64_t Stream::Size()
{
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void Stream::SetSize(int64_t)
{
    throw EStreamError(u"Stream size cannot be changed");
}

void Stream::ReadBuffer(void* buffer, int64_t count)
{
    if (count > 0 && Read(buffer, count) != count)
        throw EReadError(u"Stream read error");
}

void Stream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count > 0 && Write(buffer, count) != count)
        throw EWriteError(u"Stream write error");
}

int64_t Stream::CopyFrom(Stream& source, int64_t count)
{
    if (count <= 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t BufferSize = 0xF000;
    std::vector<char> buffer(size_t(std::min(count, BufferSize)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, BufferSize);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

std::string Stream::ReadToEnd()
{
    std::string bytes;
    const int64_t left = Size() - Position();
    if (left > 0) {
        if (left > MaxMemorySize)
            throw EOutOfMemory(u"Out of memory");
        bytes.resize(size_t(left));
        bytes.resize(size_t(std::max<int64_t>(0, Read(bytes.data(), left))));
    }
    return bytes;
}

// ---- MemoryStream -------------------------------------------------------------------------------

int64_t MemoryStream::Read(void* buffer, int64_t count) { return MemoryRead(m_data, m_position, buffer, count); }

int64_t MemoryStream::Write(const void* buffer, int64_t count)
{
    return MemoryWrite(m_data, m_position, buffer, count);
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin)
{
    m_position = MemorySeek(m_position, int64_t(m_data.size()), offset, origin);
    return m_position;
}

void MemoryStream::SetSize(int64_t size)
{
    MemoryResize(m_data, size);
    m_position = std::min(m_position, size);
}

void MemoryStream::Clear()
{
    std::vector<uint8_t>().swap(m_data);
    m_position = 0;
}

void MemoryStream::LoadFromStream(Stream& source)
{
    source.SetPosition(0);
    const int64_t size = source.Size();
    std::vector<uint8_t> data;
    MemoryResize(data, size);
    source.ReadBuffer(data.data(), size);
    m_data.swap(data);
    m_position = 0;
}

void MemoryStream::LoadFromFile(const String& fileName)
{
    FileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void MemoryStream::SaveToStream(Stream& target) const { target.WriteBuffer(m_data.data(), int64_t(m_data.size())); }

void MemoryStream::SaveToFile(const String& fileName) const
{
    FileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---- HandleStream -------------------------------------------------------------------------------

int64_t HandleStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return std::max<int64_t>(0, FileRead(m_handle, buffer, count));
}

int64_t HandleStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return std::max<int64_t>(0, FileWrite(m_handle, buffer, count));
}

int64_t HandleStream::Seek(int64_t offset, SeekOrigin origin)
{
    const int64_t position = FileSeek(m_handle, offset, int(origin));
    if (position < 0)
        SeekError();
    return position;
}

void HandleStream::SetSize(int64_t size)
{
    if (!FileSetSize(m_handle, size)) {
        const unsigned code = GetLastOSError();
        throw EOSError(u"System Error.  Code: " + IntToStr(code) + u".\r\n" + SysErrorMessage(code), code);
    }
}

// ---- FileStream ---------------------------------------------------------------------------------

FileStream::FileStream(const String& fileName, unsigned mode)
    : HandleStream(InvalidFileHandle), m_file_name(fileName)
{
    if ((mode & fmCreate) == fmCreate) {
        m_handle = FileCreate(fileName, mode & 0xFF);
        if (m_handle == InvalidFileHandle)
            throw EFCreateError(u"Cannot create file \"" + fileName + u"\". " + SysErrorMessage(GetLastOSError()));
    } else {
        m_handle = FileOpen(fileName, mode);
        if (m_handle == InvalidFileHandle)
            throw EFOpenError(u"Cannot open file \"" + fileName + u"\". " + SysErrorMessage(GetLastOSError()));
    }
}

FileStream::~FileStream() { FileClose(m_handle); }

// ---- StringStream -------------------------------------------------------------------------------

int64_t StringStream::Read(void* buffer, int64_t count) { return MemoryRead(m_data, m_position, buffer, count); }

int64_t StringStream::Write(const void* buffer, int64_t count)
{
    return MemoryWrite(m_data, m_position, buffer, count);
}

int64_t StringStream::Seek(int64_t offset, SeekOrigin origin)
{
    m_position = MemorySeek(m_position, int64_t(m_data.size()), offset, origin);
    return m_position;
}

void StringStream::SetSize(int64_t size)
{
    MemoryResize(m_data, size);
    m_position = std::min(m_position, size);
}

std::string StringStream::ReadString(int64_t count)
{
    const int64_t size = int64_t(m_data.size());
    if (count <= 0 || m_position >= size)
        return {};
    const int64_t n = std::min(count, size - m_position);
    std::string out = m_data.substr(size_t(m_position), size_t(n));
    m_position += n;
    return out;
}

void StringStream::WriteString(std::string_view bytes) { WriteBuffer(bytes.data(), int64_t(bytes.size())); }

} // namespace core
