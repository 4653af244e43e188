#include "data/storage/blob.h"

#include "data/storage/memutils.h"
#include "data/storage/test/error_of.h"

#include "core/codepage.h"
#include "core/fileio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace data;

namespace {

std::string Content(TBlob& blob)
{
    const TBytes bytes = blob.AsBytes();
    return std::string(bytes.begin(), bytes.end());
}

void Put(TBlob& blob, std::string_view bytes, uint32_t pieceSize)
{
    blob.Clear();
    blob.SetPieceSize(pieceSize);
    blob.Write(0, uint32_t(bytes.size()), bytes.data());
}

std::string Letters(size_t n, char c = 'a') { return std::string(n, c); }

} // namespace

TEST(BlobData, PiecesGrowByAppendingAndWritesPastTheEndAppend)
{
    TBlob blob;
    Put(blob, "0123456789", 4);
    EXPECT_EQ(blob.GetData()->PieceCount(), 3);
    const std::string hundred = Letters(100, 'x');
    blob.Write(500, 100, hundred.data());
    EXPECT_EQ(blob.Size(), 110u);
    EXPECT_EQ(Content(blob), "0123456789" + hundred);
    blob.Write(2, 3, "abc");
    EXPECT_EQ(Content(blob).substr(0, 6), "01abc5");

    char part[8] = {};
    EXPECT_EQ(blob.Read(3, 5, part), 5u);
    EXPECT_EQ(std::string(part, 5), "bc567");
    EXPECT_EQ(blob.Read(111, 5, part), 0u);

    blob.Truncate(6);
    EXPECT_EQ(Content(blob), "01abc5");
    blob.Write(6, 4, "WXYZ");  // reuses the truncated pieces' room
    EXPECT_EQ(Content(blob), "01abc5WXYZ");
    blob.SetSize(12);
    EXPECT_EQ(Content(blob), std::string("01abc5WXYZ\0\0", 12));
    blob.Defrag();
    EXPECT_EQ(blob.GetData()->PieceCount(), 1);
    EXPECT_EQ(Content(blob), std::string("01abc5WXYZ\0\0", 12));
}

TEST(BlobData, RollbackHandsOverThePiecesAndCancelRestoresThem)
{
    TBlob blob;
    Put(blob, "before", 3);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { blob.SaveToRollback(); }), u"Blob must be in cached mode");
    blob.EnableRollback();
    TPieceHeader* first = blob.GetData()->FirstPiece();
    blob.Write(0, 5, "AFTER");
    ASSERT_TRUE(blob.CanRollback());
    EXPECT_EQ(Content(blob), "AFTERe");
    blob.SetUseRollback(true);
    EXPECT_EQ(Content(blob), "before");
    EXPECT_EQ(blob.GetData()->FirstPiece(), first);  // the old pieces themselves
    blob.SetUseRollback(false);
    blob.Cancel();
    EXPECT_EQ(Content(blob), "before");
    EXPECT_FALSE(blob.CanRollback());
    blob.Write(0, 1, "B");
    blob.Commit();
    EXPECT_EQ(Content(blob), "Before");
    EXPECT_FALSE(blob.CanRollback());
}

TEST(BlobViews, TextFormsStreamsAndFiles)
{
    core::SetHostAnsiCodePage(936);
    TBlob wide(true);
    wide.SetAsWideString(u"\u4E2Da");
    EXPECT_EQ(wide.Size(), 4u);
    EXPECT_EQ(wide.AsAnsiString(), "\xD6\xD0" "a");
    EXPECT_EQ(wide.GetSizeAnsi(), 3);
    EXPECT_EQ(wide.GetData()->TranslatePosition(2), 2);
    EXPECT_EQ(wide.GetData()->TranslatePosition(3), 4);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { wide.GetData()->TranslatePosition(1); }), u"Invalid BLOB position");
    EXPECT_EQ(ErrorOf<core::Exception>([&] { wide.GetData()->TranslatePosition(4); }), u"Invalid BLOB position");
    EXPECT_EQ(ErrorOf<core::Exception>([&] { wide.SetIsUnicode(false); }), u"Cannot change IsUnicode if Size > 0");

    TBlob ansi;
    ansi.SetAsWideString(u"\u4E2D");
    EXPECT_EQ(Content(ansi), "\xD6\xD0");
    EXPECT_EQ(ansi.AsString(), u"\u4E2D");
    TBlob empty;
    empty.SetIsUnicode(true);
    EXPECT_TRUE(empty.IsUnicode());

    core::MemoryStream stream;
    wide.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 4);
    TBlob loaded(true);
    loaded.SetPieceSize(3);
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.AsWideString(), u"\u4E2Da");
    const String path = core::GetTempFile(u"blob");
    wide.SaveToFile(path);
    TBlob from_file(true);
    from_file.LoadFromFile(path);
    EXPECT_TRUE(core::DeleteFile(path));
    EXPECT_EQ(from_file.AsWideString(), u"\u4E2Da");
    TBlob copy;
    copy.Assign(wide);
    EXPECT_TRUE(copy.IsUnicode());
    EXPECT_EQ(copy.AsWideString(), u"\u4E2Da");
}

TEST(BlobLineBreaks, AcrossPieceBoundaries)
{
    struct Case { const char* in; uint32_t piece; bool add; const char* out; } cases[] = {
        {"x\ny", 64, true, "x\r\ny"},
        {"ab\r\ncd", 3, true, "ab\r\ncd"},  // the pair is split over two pieces
        {"ab\r", 2, true, "ab\r\n"},        // a final lone CR
        {"a\rb", 64, true, "a\rb"},
        {"\n\n", 1, true, "\r\n\r\n"},
        {"ab\r\ncd\r\n", 3, false, "ab\ncd\n"},
        {"a\rb\n", 2, false, "a\rb\n"},
    };
    for (const auto& c : cases) {
        TBlob blob;
        Put(blob, c.in, c.piece);
        c.add ? blob.AddCR() : blob.RemoveCR();
        EXPECT_EQ(Content(blob), c.out) << c.in;
    }
    TBlob wide(true);
    wide.SetPieceSize(6);
    wide.SetAsWideString(u"a\r\nb\nc\r");
    wide.AddCR();
    EXPECT_EQ(wide.AsWideString(), u"a\r\nb\r\nc\r");  // the final CR stays in UTF-16 content
    wide.RemoveCR();
    EXPECT_EQ(wide.AsWideString(), u"a\nb\nc\r");
}

TEST(CompressedBlob, HeaderThresholdAndPartialAccess)
{
    TCompressedBlob blob;
    blob.SetAsAnsiString(Letters(40));
    blob.SetCompressed(true);
    EXPECT_FALSE(blob.Compressed());  // 40 bytes are never compressed

    blob.SetAsAnsiString(Letters(1000));
    EXPECT_FALSE(blob.Compressed());  // plain content stays plain on writing
    blob.SetCompressed(true);
    ASSERT_TRUE(blob.Compressed());
    EXPECT_EQ(blob.Size(), 1000u);
    EXPECT_LT(blob.CompressedSize(), 100u);
    const uint8_t* stored = TCRBlobData::PieceData(blob.GetData()->FirstPiece());
    const uint8_t signature[] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                 0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E, 0xE8, 0x03, 0, 0};
    EXPECT_EQ(std::memcmp(stored, signature, sizeof signature), 0);
    EXPECT_EQ(Content(blob), Letters(1000));  // a whole read leaves it compressed
    EXPECT_TRUE(blob.Compressed());

    char part[10];
    EXPECT_EQ(blob.Read(5, 10, part), 10u);
    EXPECT_EQ(std::string(part, 10), Letters(10));
    EXPECT_FALSE(blob.Compressed());

    // A whole replacement of compressed content is stored compressed when it pays.
    blob.SetCompressed(true);
    const std::string other = Letters(1000, 'z');
    blob.Write(0, uint32_t(other.size()), other.data());
    EXPECT_TRUE(blob.Compressed());
    EXPECT_EQ(Content(blob), other);

    std::mt19937 random(3);
    std::string noise(500, '\0');
    for (char& c : noise)
        c = char(random());
    blob.SetAsAnsiString(noise);
    blob.SetCompressed(true);
    EXPECT_FALSE(blob.Compressed());  // does not pay
    EXPECT_EQ(ErrorOf<core::Exception>([&] { blob.CompressedSize(); }), u"Blob is not compressed");
}

TEST(CompressedBlob, DamagedContentIsRefusedBeforeAllocating)
{
    TCompressedBlob source;
    source.SetAsAnsiString(Letters(1000));
    source.SetCompressed(true);
    const TBytes good(TCRBlobData::PieceData(source.GetData()->FirstPiece()),
                      TCRBlobData::PieceData(source.GetData()->FirstPiece()) + source.CompressedSize());

    auto load = [](TCompressedBlob& blob, TBytes bytes) {
        blob.GetData()->Clear();
        blob.GetData()->TCRBlobData::Write(0, uint32_t(bytes.size()), bytes.data());
    };
    struct Case { const char* name; std::function<void(TBytes&)> damage; const char16_t* message; } cases[] = {
        {"size beyond deflate's limit", [](TBytes& b) { b[19] = 0x7F; }, u"Invalid compressed blob size"},
        {"less room than the stream fills", [](TBytes& b) { b[16] = 0xE7; }, u"Invalid compressed blob data"},
        {"fewer bytes than stored", [](TBytes& b) { b[16] = 0xE9; }, u"Invalid uncompressed blob size"},
        {"broken stream", [](TBytes& b) { b[22] ^= 0xFF; b[23] ^= 0xFF; }, u"Invalid compressed blob data"},
    };
    for (const auto& c : cases) {
        TBytes bytes = good;
        c.damage(bytes);
        TCompressedBlob blob;
        load(blob, bytes);
        ASSERT_TRUE(blob.Compressed()) << c.name;
        // Room for what the stream really holds: the checks come before any bytes are written.
        std::vector<char> whole(1001);
        EXPECT_EQ(ErrorOf<core::Exception>([&] { blob.Read(0, 0, whole.data()); }), c.message) << c.name;
        EXPECT_EQ(ErrorOf<core::Exception>([&] { blob.SetCompressed(false); }), c.message) << c.name;
        EXPECT_TRUE(blob.Compressed()) << c.name;  // left as it was
    }
}
