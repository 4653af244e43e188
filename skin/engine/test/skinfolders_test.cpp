// Skin folders and names: resolving the skin directory against an injected program folder, the
// archive's place, which directory entries are skins, the sorted name list and extraction names.
#include "skin/engine/skinfolders.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(SkinFolders, DirectoryResolvesAgainstTheProgramFolder)
{
    struct Case {
        const char16_t* dir;
        const char16_t* program;
        const char16_t* expected;
    } cases[] = {
        {u"Skins", u"C:\\Apps\\Client\\", u"C:\\Apps\\Client\\Skins\\"},
        {u"..\\Skins", u"C:\\Apps\\Client\\", u"C:\\Apps\\Skins\\"},
        {u"../Skins/", u"C:\\Apps\\Client\\", u"C:\\Apps\\Skins\\"},
        {u".\\Skins", u"C:\\Apps\\Client\\", u"C:\\Apps\\Client\\Skins\\"},
        {u"./Skins", u"C:\\Apps\\Client\\", u"C:\\Apps\\Client\\Skins\\"},
        {u"c:\\Skins", u"C:\\Apps\\Client\\", u"c:\\Skins\\"},
        {u"\\\\server\\share\\Skins", u"C:\\Apps\\Client\\", u"\\\\server\\share\\Skins\\"},
        {u"D:", u"C:\\Apps\\", u"D:\\"},
        // At a drive's root ".." stays at the root instead of losing the drive.
        {u"..\\Skins", u"C:\\", u"C:\\Skins\\"},
        {u"..", u"C:\\", u"C:\\"},
        {u"..", u"C:\\Apps\\", u"C:\\"},
        {u"", u"C:\\Apps\\", u"C:\\Apps\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.dir) + " in " + core::ToUtf8(c.program));
        EXPECT_EQ(ResolveSkinDirectory(c.dir, c.program), core::String(c.expected));
    }
}

TEST(SkinFolders, ArchiveIsLookedForInTheDirectoryAsWritten)
{
    EXPECT_EQ(ArchiveFileOf(u"..\\Skins", u"Dark"), u"..\\Skins\\Dark.asz");
    EXPECT_EQ(ArchiveFileOf(u"Skins/", u"Dark"), u"Skins\\Dark.asz");
    EXPECT_EQ(ArchiveFileOf(u"D", u"Dark"), u"D:\\Dark.asz");
    EXPECT_EQ(ArchiveFileOf(u"", u"Dark"), u"Dark.asz");
}

TEST(SkinFolders, EntriesThatAreSkins)
{
    struct Case {
        SkinDirEntry entry;
        const char16_t* unpacked;
        const char16_t* packed;
        const char16_t* all;
    } cases[] = {
        {{u"Dark", true, true}, u"Dark", u"", u"Dark"},
        {{u"Dark", true, false}, u"", u"", u""},
        {{u"Dark.Blue.asz", false, false}, u"", u"Dark", u"Dark"},
        {{u"Blue.ASZ", false, false}, u"", u"", u""},
        {{u"Blue.asz.bak", false, false}, u"", u"", u""},
        {{u".hidden", true, true}, u"", u"", u""},
        {{u".asz", false, false}, u"", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.entry.Name));
        EXPECT_EQ(SkinNameOfEntry(c.entry, stUnpacked), core::String(c.unpacked));
        EXPECT_EQ(SkinNameOfEntry(c.entry, stPacked), core::String(c.packed));
        EXPECT_EQ(SkinNameOfEntry(c.entry, stAllSkins), core::String(c.all));
    }
}

TEST(SkinFolders, StoredSkinsComeFirstAndTheListIsSorted)
{
    core::StringList names;
    names.Add(u"old");
    core::String first = CollectSkinNames({u"Zeta", u"Alpha"}, {{u"Mid", true, true}, {u"Notes", true, false}},
                                          stAllSkins, names);
    EXPECT_EQ(first, u"Zeta");
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names[0], u"Alpha");
    EXPECT_EQ(names[1], u"Mid");
    EXPECT_EQ(names[2], u"Zeta");

    EXPECT_EQ(CollectSkinNames({}, {{u"Notes", true, false}}, stAllSkins, names), u"");
    EXPECT_EQ(names.Count(), 0);
}

TEST(SkinFolders, ExtractedFileNamesStayInTheFolder)
{
    EXPECT_EQ(ExtractedSkinFile(u"C:\\Out", u"Dark"), u"C:\\Out\\Dark extracted.asz");
    for (const char16_t* name : {u"Dark", u"Dark Blue", u"a.b"})
        EXPECT_TRUE(IsPlainSkinName(name)) << core::ToUtf8(name);
    for (const char16_t* name : {u"..\\Dark", u"sub\\Dark", u"sub/Dark", u"C:Dark", u"..", u"a..b"})
        EXPECT_FALSE(IsPlainSkinName(name)) << core::ToUtf8(name);
}

} // namespace
} // namespace skin
