// Byte streams: the abstract Stream with its buffer, copy and little-endian helpers, and the
// memory, OS-handle, file and string-backed streams.
#pragma once

#include "core/fileio.h"
#include "core/object.h"
#include "core/string.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

enum SeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class Stream : public Object {
public:
    // Move up to count bytes; return how many moved (0 at the end, never negative).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. A position before the start raises EStreamError.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t size);

    // All or nothing: a short transfer raises EReadError "Stream read error" or EWriteError
    // "Stream write error".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from the source's position; count <= 0 copies the whole source from its
    // start. Returns the number of bytes copied.
    int64_t CopyFrom(Stream& source, int64_t count);

    // Little-endian integers through ReadBuffer/WriteBuffer.
    uint8_t ReadUInt8() { return ReadLE<uint8_t>(); }
    uint16_t ReadUInt16() { return ReadLE<uint16_t>(); }
    uint32_t ReadUInt32() { return ReadLE<uint32_t>(); }
    uint64_t ReadUInt64() { return ReadLE<uint64_t>(); }
    int32_t ReadInt32() { return int32_t(ReadLE<uint32_t>()); }
    int64_t ReadInt64() { return int64_t(ReadLE<uint64_t>()); }
    void WriteUInt8(uint8_t value) { WriteLE(value); }
    void WriteUInt16(uint16_t value) { WriteLE(value); }
    void WriteUInt32(uint32_t value) { WriteLE(value); }
    void WriteUInt64(uint64_t value) { WriteLE(value); }
    void WriteInt32(int32_t value) { WriteLE(uint32_t(value)); }
    void WriteInt64(int64_t value) { WriteLE(uint64_t(value)); }

    // The rest of the stream, from the position to the end, as bytes.
    std::string ReadToEnd();

private:
    template <typename T> T ReadLE()
    {
        unsigned char bytes[sizeof(T)];
        ReadBuffer(bytes, sizeof(T));
        T value = 0;
        for (size_t i = sizeof(T); i-- > 0;)
            value = T((value << 8) | bytes[i]);
        return value;
    }
    template <typename T> void WriteLE(T value)
    {
        unsigned char bytes[sizeof(T)];
        for (size_t i = 0; i < sizeof(T); ++i, value = T(value >> 8))
            bytes[i] = static_cast<unsigned char>(value & 0xFF);
        WriteBuffer(bytes, sizeof(T));
    }
};

// Bytes in memory. Seeking past the end is allowed; a write there fills the gap with zeros.
class MemoryStream : public Stream {
public:
    MemoryStream() = default;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return int64_t(m_data.size()); }
    // New bytes are zeros; a position past the new end moves to the end.
    void SetSize(int64_t size) override;

    uint8_t* Memory() { return m_data.data(); }
    const uint8_t* Memory() const { return m_data.data(); }
    void Clear();

    // Replace the content with the whole source (read from its start); the position goes to 0.
    void LoadFromStream(Stream& source);
    void LoadFromFile(const String& fileName);
    // Write the whole content, whatever the position.
    void SaveToStream(Stream& target) const;
    void SaveToFile(const String& fileName) const;

private:
    std::vector<uint8_t> m_data;
    int64_t m_position = 0;
};

// A stream over an OS file handle that it does not own.
class HandleStream : public Stream {
public:
    explicit HandleStream(FileHandle handle) : m_handle(handle) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    // Cuts or extends the file; raises EOSError when the system refuses.
    void SetSize(int64_t size) override;

    FileHandle Handle() const { return m_handle; }

protected:
    FileHandle m_handle = InvalidFileHandle;
};

// A named file, opened or created by the constructor and closed by the destructor.
// mode: fmCreate or one of fmOpenRead/fmOpenWrite/fmOpenReadWrite, each optionally combined with
// a share flag. Failures raise EFCreateError "Cannot create file "<name>". <reason>" or
// EFOpenError "Cannot open file "<name>". <reason>".
class FileStream : public HandleStream {
public:
    FileStream(const String& fileName, unsigned mode);
    ~FileStream() override;

    const String& FileName() const { return m_file_name; }

private:
    String m_file_name;
};

// Bytes held in a std::string; behaves as MemoryStream does.
class StringStream : public Stream {
public:
    StringStream() = default;
    explicit StringStream(std::string data) : m_data(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return int64_t(m_data.size()); }
    void SetSize(int64_t size) override;

    const std::string& DataString() const { return m_data; }
    // Up to count bytes from the position (fewer at the end).
    std::string ReadString(int64_t count);
    void WriteString(std::string_view bytes);

private:
    std::string m_data;
    int64_t m_position = 0;
};

} // namespace core
