// Operating-system kind, the ANSI text routines, text-to-integer and the library description.
#include "dialup/dialsubs.h"

#include <gtest/gtest.h>

#include <climits>

namespace dialup {
namespace {

TEST(OSKind, FollowsPlatformAndVersion)
{
    struct Case { bool nt; uint32_t major, minor; OSKind kind; };
    const Case cases[] = {
        {false, 4, 10, OSW9x}, {true, 4, 0, OSNT4}, {true, 3, 51, OSNT4}, {true, 5, 0, OSW2K},
        {true, 5, 1, OSWXP},   {true, 5, 2, OSWXP}, {true, 6, 0, OSVista}, {true, 10, 0, OSVista},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KindFromVersion(c.nt, c.major, c.minor), c.kind) << c.major << "." << c.minor;
}

TEST(OSKind, ScopedKindRestores)
{
    const OSKind before = RasOSKind();
    {
        ScopedOSKind scoped(OSNT4);
        EXPECT_EQ(RasOSKind(), OSNT4);
    }
    EXPECT_EQ(RasOSKind(), before);
}

TEST(AnsiText, TrimLowerAndNumbers)
{
    EXPECT_EQ(TrimAnsi(std::string("\t \x01" "ab c\r\n ", 10)), "ab c");
    EXPECT_EQ(TrimRightAnsi(" ab \x1f"), " ab");
    EXPECT_EQ(LowerAnsi("ABC xyz \xC4\xE3"), "abc xyz \xC4\xE3");
    EXPECT_EQ(IntToStrAnsi(INT32_MIN), "-2147483648");
    EXPECT_EQ(IntToStrAnsi(-5), "-5");
    EXPECT_EQ(FixedToStr("a\0b", 3), std::string("a\0b", 3));
    EXPECT_EQ(PosChar('c', "abc"), 3);
    EXPECT_EQ(PosChar('z', "abc"), 0);
}

TEST(AnsiText, SplitDeviceName)
{
    struct Case { std::string field; std::string name, port; };
    const Case cases[] = {
        {std::string("Modem\0\0\0\0", 9), "Modem", ""},
        {std::string("WAN Port\0  COM1 \0\0", 18), "WAN Port", "com1"},
        {std::string("  Name  ", 8), "  Name", ""},
        {std::string("\0COM1", 5), "", ""},
    };
    for (const Case& c : cases) {
        std::string name, port;
        SplitDeviceName(c.field.data(), c.field.size(), name, port);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(port, c.port);
    }
}

TEST(TextToInteger, KeepsDigitsBeforeTheFirstBadCharacter)
{
    struct Case { const char* text; int32_t value; };
    const Case cases[] = {
        {"123", 123}, {"-45", -45}, {"+7", 7}, {" 86", 86}, {"12x9", 12}, {"-12x", 12}, {"", 0},
        {"abc", 0}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"21474836479", 2147483647},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StrToIntA(c.text), c.value) << c.text;
        EXPECT_EQ(StrToIntW(core::FromUtf8(c.text)), c.value) << c.text;
    }
}

TEST(DunInfo, ByProductVersion)
{
    struct Case { const char16_t* version; bool server; const char16_t* info; };
    const Case cases[] = {
        {u"4.0", false, u"Unknown DUN Version"},
        {u"4.10.2222", false, u"DUN 1.3/Win98SE"},
        {u"4.90.3000", false, u"DUN 1.3/WinME"},
        {u"4.00.1381", false, u"DUN NT4 SP1"},
        {u"5.1.2600", false, u"DUN WinXP SP1"},
        {u"5.2.3790", false, u"DUN Win2003 SP1"},
        {u"5.0.2195", false, u"DUN W2K SP1"},
        {u"6.0.6000", true, u"DUN Win2008 SP1"},
        {u"6.0.6000", false, u"DUN Vista SP1"},
        {u"6.1.7601", false, u"DUN Windows 7 SP1"},
        {u"6.1.7601", true, u"DUN Win2008 R2 SP1"},
        {u"6.3.9600", false, u"Unknown Windows 6/7 version SP1"},
        {u"10.0.19041", false, u"DUN SP1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DunInfoFor(c.version, u"SP1", c.server), c.info);
}

} // namespace
} // namespace dialup
