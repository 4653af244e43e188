// Sinks of JSON text: a growable UTF-16 buffer (also the reader's token buffer), a byte stream, a
// socket, and a counting sink that only measures. Values write themselves into them (WriteValue).
#pragma once

#include "support/jsonobject.h"

#include <cstdint>
#include <utility>

namespace core {
class Stream;
}

namespace support {

class TJsonWriter {
public:
    virtual ~TJsonWriter() = default;
    // Appends size UTF-16 units; returns the sink's result (negative when it failed).
    virtual int Append(const char16_t* buffer, int size) = 0;
    // Appends a NUL-terminated text.
    int Append(const char16_t* buffer);
    int Append(StringView text) { return Append(text.data(), int(text.size())); }
    virtual void Reset() = 0;
};

// Text in memory: capacity 32 units at first, then the larger of twice the capacity and what is
// needed, always NUL-terminated. The text is a String, so that whoever asked for it can take it
// without a copy. A value written into it (WriteValue) goes straight into that String, which keeps
// its room after Reset, so that a buffer kept for writing again and again takes no new memory.
class TJsonWriterString final : public TJsonWriter {
public:
    TJsonWriterString() { FBuf.reserve(31); }  // 32 units with the NUL

    int Append(const char16_t* buffer, int size) override
    {
        if (size <= 0)
            return size;
        Reserve(size);
        FBuf.append(buffer, size_t(size));
        return size;
    }
    using TJsonWriter::Append;
    void Reset() override { FBuf.clear(); }
    // Removes trailing blanks (unit 32 only).
    void TrimRight();

    void AppendUnit(char16_t c)
    {
        Reserve(1);
        FBuf.push_back(c);
    }
    // Cuts the text to count units.
    void Truncate(int count) { FBuf.resize(size_t(count)); }

    const char16_t* Data() const { return FBuf.c_str(); }
    int Length() const { return int(FBuf.size()); }
    int Capacity() const { return int(FBuf.capacity()) + 1; }
    StringView View() const { return FBuf; }
    // Hands the text over; the buffer is empty afterwards.
    String TakeText() { return std::exchange(FBuf, String()); }

private:
    void Reserve(int size)
    {
        if (size_t(size) >= FBuf.capacity() + 1 - FBuf.size())
            Grow(size);
    }
    void Grow(int size);

    friend class TJsonObject;  // writes a value's text straight into FBuf
    String FBuf;
};

// Bytes into a stream it does not own: each unit up to 255 as one byte; a unit above 255 (only met
// inside strings and names) as its \u escape, so that no text is cut to its low byte.
class TJsonWriterStream final : public TJsonWriter {
public:
    explicit TJsonWriterStream(core::Stream& stream) : FStream(stream) {}
    int Append(const char16_t* buffer, int size) override;
    using TJsonWriter::Append;
    void Reset() override;

private:
    core::Stream& FStream;
};

// Counts units.
class TJsonWriterFake final : public TJsonWriter {
public:
    int Append(const char16_t*, int size) override
    {
        FSize += size;
        return int(FSize);
    }
    using TJsonWriter::Append;
    void Reset() override { FSize = 0; }
    int64_t Size() const { return FSize; }

private:
    int64_t FSize = 0;
};

// Bytes to a socket it does not own, converted as the stream writer does, one send per append.
class TJsonWriterSock final : public TJsonWriter {
public:
    explicit TJsonWriterSock(JsonSocket socket) : FSocket(socket) {}
    int Append(const char16_t* buffer, int size) override;
    using TJsonWriter::Append;
    void Reset() override
    {
        FSize = 0;
        FFailed = false;
    }
    int64_t Size() const { return FSize; }
    bool Failed() const { return FFailed; }

private:
    JsonSocket FSocket;
    int64_t FSize = 0;
    bool FFailed = false;
};

// One send of the bytes; the platform's result (negative on failure).
int JsonSocketSend(JsonSocket socket, const char* bytes, int count);

} // namespace support
