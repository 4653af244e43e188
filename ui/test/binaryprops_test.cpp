// Binary property blocks: round trips, unknown names skipped, damaged blocks refused.
#include "ui/binaryprops.h"

#include "core/exception.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

std::string Bytes(core::MemoryStream& stream)
{
    stream.SetPosition(0);
    return stream.ReadToEnd();
}

void Put(core::MemoryStream& stream, const std::string& bytes)
{
    stream.SetSize(0);
    stream.SetPosition(0);
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
}

TEST(BinaryProperties, DataAndImgDataRoundTrip)
{
    core::MemoryStream data, img;
    Put(data, std::string("ASzf\0\x01\xFF", 7));
    Put(img, "");
    core::MemoryStream block;
    WriteBinaryProperties(block, {MemoryStreamProperty(u"Data", data), MemoryStreamProperty(u"ImgData", img)});
    EXPECT_EQ(Bytes(block), std::string("\x04" "Data" "\x07\0\0\0" "ASzf\0\x01\xFF" "\x07" "ImgData" "\0\0\0\0" "\0", 29));

    core::MemoryStream data2, img2;
    Put(img2, "stale");
    block.SetPosition(0);
    ReadBinaryProperties(block, {MemoryStreamProperty(u"Data", data2), MemoryStreamProperty(u"ImgData", img2)});
    EXPECT_EQ(Bytes(data2), Bytes(data));
    EXPECT_EQ(Bytes(img2), "") << "an empty value replaces the old bytes";
    EXPECT_EQ(block.Position(), block.Size());
}

TEST(BinaryProperties, UnknownNamesAreSkippedAndUnstoredOnesNotWritten)
{
    core::MemoryStream a, b;
    Put(a, "first");
    Put(b, "second");
    BinaryProperty hidden = MemoryStreamProperty(u"Hidden", b);
    hidden.stored = false;
    core::MemoryStream block;
    WriteBinaryProperties(block, {MemoryStreamProperty(u"Other", b), hidden, MemoryStreamProperty(u"Data", a)});
    EXPECT_EQ(Bytes(block).find("Hidden"), std::string::npos);
    core::MemoryStream only;
    block.SetPosition(0);
    ReadBinaryProperties(block, {MemoryStreamProperty(u"Data", only)});
    EXPECT_EQ(Bytes(only), "first");
}

TEST(BinaryProperties, DamagedBlocksAreRefused)
{
    struct Case { std::string bytes; bool readError; };
    const Case cases[] = {
        {std::string("\x04" "Data" "\xFF\xFF\xFF\x7F" "abc", 12), true}, // length beyond the stream
        {std::string("\x04" "Da", 3), true},                            // name cut short
        {std::string("\x04" "Data" "\x02\0", 7), true},                  // count cut short
        {std::string("\x04" "Data" "\x01\0\0\0" "x", 10), true},         // no end mark
        {std::string("\x02" "\x01\x02" "\0\0\0\0" "\0", 8), false},      // unprintable name
    };
    for (const Case& c : cases) {
        core::MemoryStream block, data;
        Put(block, c.bytes);
        if (c.readError)
            EXPECT_THROW(ReadBinaryProperties(block, {MemoryStreamProperty(u"Data", data)}), core::EReadError);
        else
            EXPECT_THROW(ReadBinaryProperties(block, {MemoryStreamProperty(u"Data", data)}), core::EStreamError);
    }
}

} // namespace
} // namespace ui
