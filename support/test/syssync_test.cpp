// Error classes, wait results, the named mutex and the shared-block directory.
#ifdef _WIN32
#include "core/win32.h"
#endif

#include "support/syserror.h"
#include "support/syssync.h"
#include "support/sysos.h"
#include "support/winversion.h"

#include "core/fileio.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

namespace support {
namespace {

core::String UniqueName(const char16_t* stem)
{
    static int counter = 0;
    return core::String(stem) + core::UIntToStr(sysos::CurrentProcessId()) + u"_" + core::IntToStr(++counter);
}

TEST(SysWaitResult, MapsPlatformResults)
{
    const struct {
        uint32_t raw;
        TSysWaitResult result;
    } cases[] = {{0, wrSignaled}, {0x80, wrAbandoned}, {0xC0, wrIoCompletion}, {0x102, wrTimeout},
                 {0xFFFFFFFF, wrError}, {1, wrError}, {0x81, wrError}};
    for (const auto& c : cases)
        EXPECT_EQ(WaitResultOf(c.raw), c.result) << c.raw;
}

TEST(SysWin32Error, WrapsTheLastErrorAndItsMessage)
{
    // The code is taken when the exception is made.
    const unsigned code = 2;
#ifdef _WIN32
    ::SetLastError(code);
#else
    errno = int(code);
#endif
    ESysWin32Error error(u"Failed to create mutex");
    EXPECT_EQ(error.LastError(), code);
    EXPECT_EQ(error.LastErrorMsg(), core::SysErrorMessage(code));
    EXPECT_EQ(error.Message(), u"Win32 error: " + core::SysErrorMessage(code) + u" (2)\r\nFailed to create mutex");

    ESysMutexError formatted(u"%s #%d", {u"block", 7});
    EXPECT_NE(formatted.Message().find(u"\r\nblock #7"), core::String::npos);
    EXPECT_TRUE(dynamic_cast<const ESysError*>(&formatted));
}

TEST(SysMutex, TellsWhetherTheNameExisted)
{
    const core::String name = UniqueName(u"SysMutexTest_");
    TSysMutex first(nullptr, false, name);
    EXPECT_FALSE(first.Existed());
    TSysMutex second(nullptr, false, name);
    EXPECT_TRUE(second.Existed());
    EXPECT_EQ(second.Name(), name);
    ASSERT_TRUE(first.Acquire(0));
    EXPECT_TRUE(first.Release());

    std::unique_ptr<TSysMutex> opened(TSysMutex::Open(kMutexAllAccess, false, name));
    EXPECT_TRUE(opened->Existed());
    try {
        std::unique_ptr<TSysMutex> missing(TSysMutex::Open(kMutexAllAccess, false, UniqueName(u"SysMutexMissing_")));
        ADD_FAILURE() << "opened a mutex that does not exist";
    } catch (const ESysMutexError& e) {
        EXPECT_NE(e.Message().find(u"\r\nFailed to open mutex"), core::String::npos);
    }
}

TEST(SysMutex, ReportsAbandonmentByAnEndedOwner)
{
    const core::String name = UniqueName(u"SysMutexAbandon_");
    TSysMutex mutex(nullptr, false, name);
    std::thread owner([&] {
        TSysMutex mine(nullptr, false, name);
        ASSERT_EQ(mine.WaitFor(1000), wrSignaled);
        // Ends without releasing.
    });
    owner.join();
    EXPECT_EQ(mutex.WaitFor(1000), wrAbandoned);
    EXPECT_TRUE(mutex.Release());
}

TEST(SysCriticalSection, CreateAndEnterInstallsOneSection)
{
    std::atomic<TSysCriticalSection*> section{nullptr};
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                TSysCriticalSection::CreateAndEnter(section);
                ++counter;
                section.load()->Leave();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 4000);
    delete section.load();
}

TEST(SharedBlock, OpensOneBlockPerNameAndCountsReferences)
{
    const core::String name = UniqueName(u"SharedBlockTest_");
    void* first = nullptr;
    void* second = nullptr;
    EXPECT_EQ(OpenSharedBlock(first, name, 64, kMapAllAccess), 0u);
    ASSERT_NE(first, nullptr);
    static_cast<char*>(first)[0] = 'x';
    // Names ignore ASCII case within the directory.
    core::String upper = name;
    for (auto& c : upper)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
    EXPECT_EQ(OpenSharedBlock(second, upper, 64, kMapAllAccess), 183u);
    EXPECT_EQ(second, first);
    EXPECT_EQ(SharedBlockReferences(first), 2);

    void* kept = first;
    EXPECT_TRUE(ReleaseSharedBlock(first));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(SharedBlockReferences(kept), 1);
    EXPECT_EQ(static_cast<char*>(second)[0], 'x');  // still mapped
    EXPECT_TRUE(CloseSharedBlock(second));
    EXPECT_EQ(SharedBlockReferences(kept), 0);

    void* stranger = &upper;
    EXPECT_FALSE(ReleaseSharedBlock(stranger));
    EXPECT_EQ(stranger, &upper);
    void* none = nullptr;
    EXPECT_TRUE(ReleaseSharedBlock(none));
}

TEST(SharedBlock, RefusesEmptyBlocksAndOldSystemNames)
{
    const core::String name = UniqueName(u"SharedBlockEmpty_");
    void* address = nullptr;
    try {
        OpenSharedBlock(address, name, 0, kMapAllAccess);
        ADD_FAILURE() << "made an empty block";
    } catch (const ESharedMemError& e) {
        EXPECT_EQ(e.Message(), u"The MMF named \"" + name + u"\" cannot be created empty");
    }

    VersionFacts nt4;
    nt4.platform = kPlatformNT;
    nt4.major = 4;
    VersionFacts win10 = nt4;
    win10.major = 10;  // code 0 like an unknown system, yet no NT 4
    for (const core::String& bad : {core::String(), core::String(u"Global\\Name")}) {
        ScopedVersionFacts old(nt4);
        try {
            OpenSharedBlock(address, bad, 16, kMapAllAccess);
            ADD_FAILURE() << "accepted a name NT 4 refuses";
        } catch (const ESharedMemError& e) {
            EXPECT_EQ(e.Message(), u"Invalid MMF name \"" + bad + u"\"");
        }
    }
    ScopedVersionFacts recent(win10);
    EXPECT_EQ(OpenSharedBlock(address, UniqueName(u"Local\\SharedBlockNew_"), 16, kMapAllAccess), 0u);
    EXPECT_TRUE(ReleaseSharedBlock(address));
}

TEST(SharedBlock, ABlockTheSystemRefusesRaisesTheOperatingSystemsError)
{
    // A small block made outside the directory cannot be mapped at a larger size.
    const core::String small = UniqueName(u"SharedBlockSmall_");
    bool existed = false;
    const sysos::Handle held = sysos::CreateMapping(16, false, small, existed);
    ASSERT_NE(held, 0u);
    struct Cases {
        core::String name;
        uint32_t size;
    };
    std::vector<Cases> cases{{small, 1u << 20}};
#ifdef _WIN32
    cases.push_back({u"NoSuchNamespace\\" + UniqueName(u"SharedBlock_"), 16}); // cannot be created
#endif
    for (const Cases& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name));
        void* address = nullptr;
        try {
            OpenSharedBlock(address, c.name, c.size, kMapAllAccess);
            ADD_FAILURE() << "obtained a block the system refuses";
        } catch (const core::EOSError& e) {
            EXPECT_NE(e.ErrorCode(), 0u);
            EXPECT_EQ(e.Message(), u"System Error.  Code: " + core::IntToStr(e.ErrorCode()) + u".\r\n" +
                                       core::SysErrorMessage(e.ErrorCode()));
        }
        EXPECT_EQ(address, nullptr);
    }
    sysos::CloseObject(held);
}

TEST(SysUtilities, ZeroesBlocksAndFreesModules)
{
    char bytes[4] = {1, 2, 3, 4};
    ZeroMemoryBlock(bytes, 3);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 4);
    ZeroMemoryBlock(bytes, 0);
    std::uintptr_t module = 0;
    FreeModuleHandle(module);
    EXPECT_EQ(module, 0u);
}

} // namespace
} // namespace support
