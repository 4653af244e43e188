// File-name helpers on Windows-style and host-style names.
#include "core/path.h"

#include <gtest/gtest.h>

using namespace core;

TEST(Path, SplitsNamesAtEitherDelimiterAndTheDrive)
{
    struct Case { String name, path, dir, file, ext; } cases[] = {
        {u"C:\\dir\\name.ext", u"C:\\dir\\", u"C:\\dir", u"name.ext", u".ext"},
        {u"/tmp/dir/name.tar.gz", u"/tmp/dir/", u"/tmp/dir", u"name.tar.gz", u".gz"},
        {u"C:\\dir.d/name", u"C:\\dir.d/", u"C:\\dir.d", u"name", u""},  // a dot in a folder is no extension
        {u"name.ini", u"", u"", u"name.ini", u".ini"},
        {u"C:name.ini", u"C:", u"C:", u"name.ini", u".ini"},
        {u"C:\\", u"C:\\", u"C:\\", u"", u""},
        {u"\\", u"\\", u"\\", u"", u""},
        {u"\\\\server\\share\\f.txt", u"\\\\server\\share\\", u"\\\\server\\share", u"f.txt", u".txt"},
        {u"dir\\.profile", u"dir\\", u"dir", u".profile", u".profile"},
        {u"", u"", u"", u"", u""},
        {u"客户端\\配置.ini", u"客户端\\", u"客户端", u"配置.ini", u".ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << ToUtf8(c.name);
        EXPECT_EQ(ExtractFileDir(c.name), c.dir) << ToUtf8(c.name);
        EXPECT_EQ(ExtractFileName(c.name), c.file) << ToUtf8(c.name);
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << ToUtf8(c.name);
    }
}

TEST(Path, ChangesExtensionsAndTrailingDelimiters)
{
    struct Ext { String name, ext, result; } exts[] = {
        {u"a\\b.txt", u".ini", u"a\\b.ini"},
        {u"a\\b", u".ini", u"a\\b.ini"},
        {u"a.d\\b", u".ini", u"a.d\\b.ini"},
        {u"a\\b.tar.gz", u"", u"a\\b.tar"},
    };
    for (const auto& c : exts)
        EXPECT_EQ(ChangeFileExt(c.name, c.ext), c.result);

    const String d(1, PathDelim);
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"dir"), u"dir" + d);
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"dir\\"), u"dir\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(u"dir/"), u"dir/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(u""), d);
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"dir\\"), u"dir");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"dir/"), u"dir");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(u"dir"), u"dir");
    EXPECT_TRUE(IsPathDelimiter(u"a/b", 2));
    EXPECT_FALSE(IsPathDelimiter(u"a/b", 3));
    EXPECT_FALSE(IsPathDelimiter(u"a/b", 0));
    EXPECT_FALSE(IsPathDelimiter(u"a/b", 4));
}
