// The build itself: the language level every module relies on, and in the host build the sanitizers
// that catch memory and undefined-behaviour faults.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

TEST(Toolchain, BuildsCpp20WithUtf16Strings)
{
    static_assert(__cplusplus >= 202002L);
    static_assert(sizeof(void*) == 8, "both targets are 64-bit");
    std::u16string text = u"客户端";
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text[0], 0x5BA2);
    EXPECT_TRUE(text.starts_with(u"客"));
}

#if !defined(_WIN32)

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CLIENT_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(CLIENT_ASAN)
TEST(Sanitizers, AddressSanitizerStopsHeapOverflow)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::vector<int> values(4);
            volatile int* data = values.data();
            volatile std::size_t at = values.size();
            data[at] = 1;
        },
        "heap-buffer-overflow");
}
#else
TEST(Sanitizers, AddressSanitizerStopsHeapOverflow)
{
    FAIL() << "the host build must run under AddressSanitizer";
}
#endif

TEST(Sanitizers, UndefinedBehaviourSanitizerStopsSignedOverflow)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            volatile int big = INT_MAX;
            volatile int sum = big + 1;
            (void)sum;
        },
        "signed integer overflow");
}

#endif
