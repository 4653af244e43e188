// Sharing modes of file streams, which only Windows enforces, and the file layer seen from code
// that includes the Windows headers first.
#include "core/win32.h"

#include "core/exception.h"
#include "core/stream.h"
#include "core/test/tempfile.h"

#include <gtest/gtest.h>

using namespace core;
using core::test::TempFile;

TEST(FileStreamSharing, ShareFlagsDecideWhoElseMayOpen)
{
    struct Case { unsigned first; unsigned second; bool allowed; } cases[] = {
        {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
        {fmCreate | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
        {fmCreate, fmOpenRead | fmShareDenyNone, false},
    };
    for (const auto& c : cases) {
        TempFile file;
        FileStream first(file.Name(), c.first);
        if (c.allowed)
            EXPECT_NO_THROW(FileStream(file.Name(), c.second)) << c.first << " " << c.second;
        else
            EXPECT_THROW(FileStream(file.Name(), c.second), EFOpenError) << c.first << " " << c.second;
    }
}

TEST(FileIOWin32, DeleteFileIsReachableWhereTheSystemMacroIsDefined)
{
    TempFile file;
    ASSERT_TRUE(core::FileExists(file.Name()));
    EXPECT_TRUE(core::DeleteFile(file.Name()));  // the macro makes this core::DeleteFileW
    EXPECT_FALSE(core::FileExists(file.Name()));
}
