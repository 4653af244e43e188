// Streams: memory, string, handle and file streams, their errors and the shared helpers.
#include "core/exception.h"
#include "core/fileio.h"
#include "core/stream.h"
#include "core/test/tempfile.h"

#include <gtest/gtest.h>

using namespace core;
using core::test::TempDir;
using core::test::TempFile;

namespace {

std::string Bytes(MemoryStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

template <typename E> String MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

} // namespace

TEST(MemoryStream, ReadWriteAndSeekFollowPosition)
{
    MemoryStream stream;
    EXPECT_EQ(stream.Write("hello world", 11), 11);
    EXPECT_EQ(stream.Position(), 11);
    EXPECT_EQ(stream.Size(), 11);

    struct Case { int64_t offset; SeekOrigin origin; int64_t position; int64_t ask; std::string got; } cases[] = {
        {0, soBeginning, 0, 5, "hello"},
        {-5, soEnd, 6, 100, "world"},  // a read past the end returns what there is
        {2, soBeginning, 2, 3, "llo"},
        {1, soCurrent, 6, 2, "wo"},   // from where the last read ended
        {11, soBeginning, 11, 4, ""},   // at the end
        {20, soBeginning, 20, 4, ""},   // beyond the end
        {0, soBeginning, 0, 0, ""},     // nothing asked
        {0, soBeginning, 0, -3, ""},    // negative counts move nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.position) << c.offset;
        char buffer[128] = {};
        const int64_t n = stream.Read(buffer, c.ask);
        EXPECT_EQ(std::string(buffer, size_t(n)), c.got) << c.offset;
        EXPECT_EQ(stream.Position(), c.position + n);
    }
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros)
{
    MemoryStream stream;
    stream.Write("ab", 2);
    stream.SetPosition(5);
    EXPECT_EQ(stream.Size(), 2);  // seeking alone does not grow
    stream.Write("z", 1);
    EXPECT_EQ(Bytes(stream), std::string("ab\0\0\0z", 6));
    stream.SetPosition(1);
    stream.Write("XY", 2);  // overwrites in place
    EXPECT_EQ(Bytes(stream), std::string("aXY\0\0z", 6));
}

TEST(MemoryStream, SetSizeZeroFillsAndClampsPosition)
{
    MemoryStream stream;
    stream.Write("abcdef", 6);
    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(Bytes(stream), "abc");
    stream.SetSize(5);
    EXPECT_EQ(Bytes(stream), std::string("abc\0\0", 5));
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_THROW(stream.SetSize(-1), EOutOfMemory);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, NegativeAndOverflowingPositionsAreRejected)
{
    MemoryStream stream;
    stream.Write("abc", 3);
    EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
    EXPECT_THROW(stream.Seek(-4, soEnd), EStreamError);
    EXPECT_THROW(stream.Seek(-4, soCurrent), EStreamError);
    EXPECT_THROW(stream.Seek(INT64_MAX, soEnd), EStreamError);
    EXPECT_EQ(stream.Position(), 3);  // a refused seek leaves the position alone
    EXPECT_THROW(stream.SetPosition(-2), EStreamError);
    // A position far beyond any sane size cannot be written at.
    stream.SetPosition(INT64_MAX - 1);
    EXPECT_THROW(stream.Write("x", 1), EOutOfMemory);
    EXPECT_EQ(stream.Size(), 3);
}

TEST(Stream, ReadBufferAndWriteBufferRaiseOnShortTransfers)
{
    MemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char buffer[8];
    EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(buffer, 3); }), u"Stream read error");
    stream.SetPosition(0);
    EXPECT_NO_THROW(stream.ReadBuffer(buffer, 3));
    EXPECT_NO_THROW(stream.ReadBuffer(buffer, 0));

    TempFile file;
    FileStream readOnly(file.Name(), fmOpenRead);
    EXPECT_EQ(readOnly.Write("x", 1), 0);
    EXPECT_EQ(MessageOf<EWriteError>([&] { readOnly.WriteBuffer("x", 1); }), u"Stream write error");
}

TEST(Stream, LittleEndianIntegersRoundTrip)
{
    MemoryStream stream;
    stream.WriteUInt8(0x01);
    stream.WriteUInt16(0x0302);
    stream.WriteUInt32(0x07060504);
    stream.WriteUInt64(0x0F0E0D0C0B0A0908ull);
    stream.WriteInt32(-2);
    stream.WriteInt64(-3);
    EXPECT_EQ(Bytes(stream).substr(0, 15), "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F");
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadUInt8(), 0x01);
    EXPECT_EQ(stream.ReadUInt16(), 0x0302);
    EXPECT_EQ(stream.ReadUInt32(), 0x07060504u);
    EXPECT_EQ(stream.ReadUInt64(), 0x0F0E0D0C0B0A0908ull);
    EXPECT_EQ(stream.ReadInt32(), -2);
    EXPECT_EQ(stream.ReadInt64(), -3);
    EXPECT_THROW(stream.ReadUInt8(), EReadError);
}

TEST(Stream, CopyFromCopiesCountOrTheWholeSource)
{
    struct Case { int64_t sourcePosition; int64_t count; int64_t copied; std::string result; } cases[] = {
        {2, 3, 3, "cde"},
        {4, 0, 6, "abcdef"},   // 0: the whole source from its start
        {4, -1, 6, "abcdef"},
    };
    for (const auto& c : cases) {
        MemoryStream source, target;
        source.Write("abcdef", 6);
        source.SetPosition(c.sourcePosition);
        EXPECT_EQ(target.CopyFrom(source, c.count), c.copied);
        EXPECT_EQ(Bytes(target), c.result);
    }
    MemoryStream source, target;
    source.Write("abc", 3);
    source.SetPosition(1);
    EXPECT_THROW(target.CopyFrom(source, 5), EReadError);

    // Large copies go through the buffer in several rounds.
    MemoryStream big;
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    big.WriteBuffer(data.data(), int64_t(data.size()));
    MemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(big, 0), int64_t(data.size()));
    EXPECT_EQ(Bytes(copy), data);
}

TEST(StringStream, HoldsBytesInAString)
{
    StringStream stream("0123456789");
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.ReadString(4), "0123");
    EXPECT_EQ(stream.ReadString(100), "456789");
    EXPECT_EQ(stream.ReadString(1), "");
    stream.SetPosition(2);
    stream.WriteString("ab");  // overwrites, keeps the rest
    EXPECT_EQ(stream.DataString(), "01ab456789");
    stream.Seek(2, soEnd);
    stream.WriteString("!");
    EXPECT_EQ(stream.DataString(), std::string("01ab456789\0\0!", 13));
    stream.SetSize(4);
    EXPECT_EQ(stream.DataString(), "01ab");
    EXPECT_EQ(stream.Position(), 4);
    EXPECT_THROW(stream.Seek(-5, soCurrent), EStreamError);
}

TEST(FileStream, CreateWriteReopenAndRead)
{
    TempFile file;
    {
        FileStream out(file.Name(), fmCreate);
        EXPECT_EQ(out.FileName(), file.Name());
        out.WriteBuffer("line one\n", 9);
        out.WriteUInt32(0xCAFEBABE);
        EXPECT_EQ(out.Size(), 13);
    }
    {
        FileStream in(file.Name(), fmOpenRead | fmShareDenyWrite);
        EXPECT_EQ(in.Size(), 13);
        EXPECT_EQ(in.ReadToEnd().substr(0, 9), "line one\n");
        in.SetPosition(9);
        EXPECT_EQ(in.ReadUInt32(), 0xCAFEBABE);
        char c;
        EXPECT_EQ(in.Read(&c, 1), 0);  // at the end
        EXPECT_THROW(in.Seek(-1, soBeginning), EStreamError);
    }
    {
        // Seeking past the end and writing leaves zeros in between; SetSize cuts.
        FileStream rw(file.Name(), fmOpenReadWrite | fmShareExclusive);
        rw.Seek(4, soEnd);
        rw.WriteBuffer("Z", 1);
        EXPECT_EQ(rw.Size(), 18);
        rw.SetPosition(13);
        EXPECT_EQ(rw.ReadToEnd(), std::string("\0\0\0\0Z", 5));
        rw.SetSize(4);
        EXPECT_EQ(rw.Size(), 4);
        rw.SetPosition(0);
        EXPECT_EQ(rw.ReadToEnd(), "line");
    }
    // fmCreate truncates an existing file.
    {
        FileStream again(file.Name(), fmCreate | fmShareDenyWrite);
        EXPECT_EQ(again.Size(), 0);
    }
}

TEST(FileStream, OpenAndCreateFailuresNameTheFile)
{
    TempDir dir;
    const String missingFolder = dir.Path() + String(1, PathDelim) + u"no such folder" + String(1, PathDelim) + u"f.txt";
    const String missingFile = dir.File(u"absent.txt");
    struct Case { String name; unsigned mode; bool create; } cases[] = {
        {missingFile, fmOpenRead, false},
        {missingFile, fmOpenReadWrite | fmShareDenyNone, false},
        {missingFolder, fmOpenRead, false},
        {missingFolder, fmCreate, true},
        {dir.Path(), fmOpenRead, false},  // a folder is not a file
    };
    for (const auto& c : cases) {
        const String prefix = (c.create ? u"Cannot create file \"" : u"Cannot open file \"") + c.name + u"\". ";
        try {
            FileStream stream(c.name, c.mode);
            ADD_FAILURE() << ToUtf8(c.name) << " opened";
        } catch (const EFCreateError& error) {
            EXPECT_TRUE(c.create);
            EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix);
            EXPECT_GT(error.Message().size(), prefix.size());  // the system's reason follows
        } catch (const EFOpenError& error) {
            EXPECT_FALSE(c.create);
            EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix);
            EXPECT_GT(error.Message().size(), prefix.size());
        }
    }
    EXPECT_FALSE(FileExists(missingFile));
}

TEST(FileStream, ExclusiveCreateRefusesAnExistingFile)
{
    TempFile file;
    EXPECT_THROW(FileStream(file.Name(), fmCreate | fmExclusive), EFCreateError);
    TempDir dir;
    const String fresh = dir.File(u"new.bin");
    FileStream created(fresh, fmCreate | fmExclusive);
    EXPECT_TRUE(FileExists(fresh));
}

TEST(HandleStream, WorksOnAHandleItDoesNotOwn)
{
    TempFile file;
    const FileHandle handle = FileOpen(file.Name(), fmOpenReadWrite);
    ASSERT_NE(handle, InvalidFileHandle);
    {
        HandleStream stream(handle);
        EXPECT_EQ(stream.Handle(), handle);
        stream.WriteBuffer("abc", 3);
    }
    // Still open after the stream is gone.
    EXPECT_EQ(FileSeek(handle, 0, 0), 0);
    char buffer[3];
    EXPECT_EQ(FileRead(handle, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    FileClose(handle);
}

TEST(MemoryStream, LoadAndSaveFilesAndStreams)
{
    TempFile file;
    MemoryStream stream;
    stream.WriteBuffer("\x00\x01\x02\xFF", 4);
    stream.SetPosition(2);
    stream.SaveToFile(file.Name());  // the whole content, whatever the position

    MemoryStream loaded;
    loaded.Write("junk junk junk", 14);
    loaded.LoadFromFile(file.Name());
    EXPECT_EQ(Bytes(loaded), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(loaded.Position(), 0);

    StringStream source("xyz");
    source.SetPosition(3);
    loaded.LoadFromStream(source);  // from the source's start
    EXPECT_EQ(Bytes(loaded), "xyz");
    StringStream target;
    loaded.SaveToStream(target);
    EXPECT_EQ(target.DataString(), "xyz");

    EXPECT_THROW(loaded.LoadFromFile(file.Name() + u".missing"), EFOpenError);
    EXPECT_EQ(Bytes(loaded), "xyz");  // a failed load keeps the content
}

TEST(FileIO, WholeFileOperations)
{
    TempDir dir;
    const String a = dir.File(u"a.txt");
    const String b = dir.File(u"b.txt");
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(a));
    { FileStream(a, fmCreate).WriteBuffer("1", 1); }
    EXPECT_TRUE(FileExists(a));
    EXPECT_FALSE(DirectoryExists(a));
    EXPECT_TRUE(RenameFile(a, b));
    EXPECT_FALSE(FileExists(a));
    EXPECT_TRUE(FileExists(b));
    { FileStream(a, fmCreate); }
    EXPECT_FALSE(RenameFile(a, b));  // never replaces an existing file
    EXPECT_TRUE(DeleteFile(a));
    EXPECT_FALSE(DeleteFile(a));
    EXPECT_NE(GetLastOSError(), 0u);
    EXPECT_FALSE(SysErrorMessage(GetLastOSError()).empty());
    EXPECT_FALSE(FileExists(u""));

    const String first = GetTempFile(u"pre");
    const String second = GetTempFile(u"pre");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(FileExists(first));
    EXPECT_TRUE(DeleteFile(first));
    EXPECT_TRUE(DeleteFile(second));
}

TEST(FileIO, ChineseFileNames)
{
    TempDir dir;
    const String name = dir.File(u"节点列表.ini");
    { FileStream(name, fmCreate).WriteBuffer("ok", 2); }
    EXPECT_TRUE(FileExists(name));
    FileStream in(name, fmOpenRead);
    EXPECT_EQ(in.ReadToEnd(), "ok");
}
