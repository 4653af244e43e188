// The core's headers must work whichever comes first: the Windows headers or ours.
#include "core/win32.h"
#include "core/sync.h"
#include "core/thread.h"

#include <gtest/gtest.h>

TEST(HeaderOrder, SyncAfterTheWindowsHeaders)
{
    core::Event event(true, true);
    EXPECT_EQ(event.WaitFor(INFINITE), core::WaitResult::Signaled);
    static_assert(INFINITE == 0xFFFFFFFFu);
}
