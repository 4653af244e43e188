// The coordinator's library as Wine provides it. Its entry point ends the process there, so it is
// found and never called.
#include "data/access/mtscall.h"

#include "core/win32.h"

#include <gtest/gtest.h>

using namespace data;

TEST(DtcBindingOnWindows, LoadFindsTheEntryPointAndFreeUnbinds)
{
    LoadDtcLibrary();
    ASSERT_TRUE(DtcLibraryLoaded());
    HMODULE module = GetModuleHandleW(L"xolehlp.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(DtcGetTransactionManagerEx.load()),
              reinterpret_cast<void*>(GetProcAddress(module, "DtcGetTransactionManagerEx")));
    LoadDtcLibrary();  // once per process
    FreeDtcLibrary();
    EXPECT_FALSE(DtcLibraryLoaded());
    EXPECT_EQ(DtcGetTransactionManagerEx.load(), &DtcNotLinked);
}
