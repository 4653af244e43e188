// The packed skin reader over archives made by the test writers.
#include "core/fileio.h"
#include "core/stream.h"
#include "skin/engine/skinpack.h"
#include "skin/engine/testwriters/writers.h"
#include "skin/engine/zlibstream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace skin {
namespace {

using skin::testing::Deflate;
using skin::testing::PackArchive;
using skin::testing::PackEntry;

std::string Noise(size_t n)
{
    std::string s(n, '\0');
    uint32_t seed = 99;
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    return s;
}

std::string Content(core::MemoryStream& s) { return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size())); }

struct Lent {
    TacSkinConvertor conv;
    core::StringStream data;
    explicit Lent(std::string bytes) : data(std::move(bytes)) { conv.LendPackedData(&data); }
    ~Lent() { conv.LendPackedData(nullptr); }
};

TEST(SkinPack, EntriesOptionsAndNames)
{
    const std::string big = Noise(200000); // more than 128 KiB compressed
    Lent a(PackArchive({{"a.bmp", "AAA"},
                        {"options.DAT", "[GLOBALINFO]"},
                        {"Big.png", big},
                        {"empty.BmP", ""},
                        {"Options.dat.bak", "x"},
                        {"x.bmp.jpg", "j"},
                        {"noext", "n"},
                        {"\xD6\xD0.bmp", "zh"}},
                       -1, "trailing bytes"));
    ASSERT_GT(Deflate(big).size(), 131072u);
    a.conv.Unpack();
    ASSERT_EQ(a.conv.ImageCount, 7);
    ASSERT_EQ(a.conv.Files.size(), 7u);
    struct Want {
        const char16_t* name;
        bool bitmap;
        std::string content;
    } want[] = {{u"a.bmp", true, "AAA"},       {u"Big.png", false, big},      {u"empty.BmP", true, ""},
                {u"Options.dat.bak", false, "x"}, {u"x.bmp.jpg", false, "j"}, {u"noext", false, "n"},
                {u"中.bmp", true, "zh"}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(a.conv.Files[i].FileName, want[i].name) << i;
        EXPECT_EQ(a.conv.Files[i].IsBitmap, want[i].bitmap) << i;
        EXPECT_EQ(Content(*a.conv.Files[i].FileStream), want[i].content) << i;
    }
    ASSERT_TRUE(a.conv.Options);
    EXPECT_EQ(Content(*a.conv.Options), "[GLOBALINFO]");
}

TEST(SkinPack, EmptyArchiveAndWrongMagic)
{
    Lent empty(PackArchive({}));
    EXPECT_EQ(empty.data.Size(), 8);
    empty.conv.Unpack();
    EXPECT_EQ(empty.conv.ImageCount, 0);
    EXPECT_FALSE(empty.conv.Options);
    for (std::string bytes : {std::string("ASz"), std::string("ASzg\0\0\0\0", 8)}) {
        Lent wrong(bytes);
        try {
            wrong.conv.Unpack();
            FAIL();
        } catch (const core::Exception& e) {
            EXPECT_EQ(e.Message(), u"Loaded data is not packed Quorra file");
        }
    }
}

TEST(SkinPack, FailuresKeepTheEntriesReadBefore)
{
    const std::string ok = Deflate("hello");
    std::string damaged = Deflate("world");
    damaged.back() = char(damaged.back() ^ 0x55);
    struct Case {
        const char* name;
        std::string archive;
        const char16_t* message;
    } cases[] = {
        {"more entries than data", PackArchive({{"a", "1"}}, 2), u"Stream read error"},
        {"name cut", PackArchive({{"a", "1"}}, 2) + std::string("\x10\0\0\0ab", 6), u"Stream read error"},
        {"negative name length", PackArchive({{"a", "1"}}, 2) + std::string("\xFF\xFF\xFF\xFF", 4), u"Stream read error"},
        {"negative size", PackArchive({{"a", "1"}, {"b", "2", -5}}), u"Stream read error"},
        {"stream shorter than its size", PackArchive({{"a", "1"}, {"b", "hello", 9}}), u"Stream read error"},
        {"stream cut", PackArchive({{"a", "1"}, {"b", "", 5, ok.substr(0, 4)}}), u"Stream read error"},
        {"damaged stream", PackArchive({{"a", "1"}, {"b", "world", skin::testing::kContentSize, damaged}}), u"data error"},
        {"huge name length", PackArchive({{"a", "1"}}, 2) + std::string("\xFF\xFF\xFF\x7F", 4), u"Stream read error"},
    };
    for (Case& c : cases) {
        Lent lent(c.archive);
        try {
            lent.conv.Unpack();
            FAIL() << c.name;
        } catch (const core::Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
        }
        ASSERT_EQ(lent.conv.Files.size(), 1u) << c.name;
        EXPECT_EQ(lent.conv.ImageCount, 1) << c.name;
        lent.conv.LendPackedData(nullptr);
        lent.conv.Clear();
        EXPECT_TRUE(lent.conv.Files.empty());
    }
}

TEST(SkinPack, LongerStreamIsSkippedToItsEnd)
{
    Lent lent(PackArchive({{"a", "abcdef", 3}, {"b", "next"}}));
    lent.conv.Unpack();
    ASSERT_EQ(lent.conv.ImageCount, 2);
    EXPECT_EQ(Content(*lent.conv.Files[0].FileStream), "abc");
    EXPECT_EQ(Content(*lent.conv.Files[1].FileStream), "next");
}

// A temporary archive file, removed at the end.
struct TempArchive {
    std::filesystem::path path;
    explicit TempArchive(const std::string& bytes)
        : path(std::filesystem::temp_directory_path() / ("skinpack-" + std::to_string(std::rand()) + ".asz"))
    {
        core::StringStream(bytes).ReadToEnd();
        FILE* f = std::fopen(path.string().c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~TempArchive() { std::filesystem::remove(path); }
    core::String Name() const { return core::FromUtf8(path.string()); }
};

TEST(SkinPack, UnpackSkinFile)
{
    std::unique_ptr<TacSkinConvertor> conv;
    UnpackSkinFile(u"/no/such/skin.asz", conv, true);
    EXPECT_FALSE(conv);
    TempArchive first(PackArchive({{"Options.dat", "1"}, {"a.bmp", "a"}, {"b.bmp", "b"}}));
    UnpackSkinFile(first.Name(), conv, false);
    ASSERT_TRUE(conv);
    EXPECT_EQ(conv->ImageCount, 2);
    EXPECT_NE(conv->PackedData(), nullptr);
    TempArchive second(PackArchive({{"c.png", "c"}}));
    UnpackSkinFile(second.Name(), conv, true);
    ASSERT_EQ(conv->ImageCount, 1);
    EXPECT_EQ(conv->Files[0].FileName, u"c.png");
    EXPECT_FALSE(conv->Options);
    EXPECT_EQ(conv->PackedData(), nullptr);
    TempArchive wrong("not an archive");
    EXPECT_THROW(UnpackSkinFile(wrong.Name(), conv, true), core::Exception);
    EXPECT_FALSE(conv);
    EXPECT_TRUE(DirExists(core::FromUtf8(std::filesystem::temp_directory_path().string())));
    EXPECT_FALSE(DirExists(first.Name()));
}

} // namespace
} // namespace skin
