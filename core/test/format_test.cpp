// Format: every directive type with widths, precisions, alignment, indexes and "*", and the errors of
// broken formats and mismatched arguments.
#include "core/format.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace core;

TEST(Format, ExpandsDirectives)
{
    const String name = u"客户端";
    const int answer = 42;
    struct Case { String format; std::vector<FormatArg> args; String text; } cases[] = {
        {u"plain text", {}, u"plain text"},
        {u"", {}, u""},
        {u"100%%", {}, u"100%"},
        {u"%d", {0}, u"0"},
        {u"%d|%D", {-12, 7}, u"-12|7"},
        {u"[%5d]", {42}, u"[   42]"},
        {u"[%-5d]", {42}, u"[42   ]"},
        {u"[%1d]", {12345}, u"[12345]"},          // width never cuts
        {u"%.4d", {42}, u"0042"},
        {u"%.4d", {-42}, u"-0042"},
        {u"[%6.3d]", {-7}, u"[  -007]"},
        {u"%d", {std::numeric_limits<int32_t>::min()}, u"-2147483648"},
        {u"%d", {std::numeric_limits<int64_t>::min()}, u"-9223372036854775808"},
        {u"%d", {std::numeric_limits<uint64_t>::max()}, u"18446744073709551615"},
        {u"%u", {-1}, u"4294967295"},
        {u"%u", {int64_t(-1)}, u"18446744073709551615"},
        {u"%u.%u.%u.%u", {192u, 168u, 0u, 1u}, u"192.168.0.1"},
        {u"%x", {255}, u"FF"},
        {u"%X", {0xABCu}, u"ABC"},
        {u"%x", {-1}, u"FFFFFFFF"},
        {u"%x", {int64_t(-1)}, u"FFFFFFFFFFFFFFFF"},
        {u"%.4x%.4x", {0x12, 0xBEEF}, u"0012BEEF"},
        {u"0%x", {0x7E}, u"07E"},
        {u"Unknown service status $%X (%d)", {255, 255}, u"Unknown service status $FF (255)"},
        {u"%s%.8d", {u"id", 123}, u"id00000123"},
        {u"%s", {name}, u"客户端"},
        {u"%s", {StringView(u"view")}, u"view"},
        {u"%s", {u'Z'}, u"Z"},
        {u"[%5s]", {u"ab"}, u"[   ab]"},
        {u"[%-5s]", {u"ab"}, u"[ab   ]"},
        {u"%.2s", {u"abcdef"}, u"ab"},
        {u"[%-4.2s]", {u"abcdef"}, u"[ab  ]"},
        {u"%.1s", {u"\U0001F600x"}, u""},            // never half a surrogate pair
        {u"%s", {static_cast<const char16_t*>(nullptr)}, u""},
        {u"%s:  time%s%d ms", {u"Reply", u"<1", 0}, u"Reply:  time<10 ms"},
        {u"%s %d", {u"Server", 3}, u"Server 3"},
        {u"padding-left:%dpx;padding-right:%0:dpx;", {4}, u"padding-left:4px;padding-right:4px;"},
        {u"%1:s %0:s %s", {u"a", u"b"}, u"b a b"},
        {u"%d %d %0:d %d", {1, 2}, u"1 2 1 2"},
        {u"[%*d]", {4, 7}, u"[   7]"},
        {u"[%-*d]", {4, 7}, u"[7   ]"},
        {u"[%.*d]", {3, 7}, u"[007]"},
        {u"[%*.*f]", {8, 1, 3.14159}, u"[     3.1]"},
        {u"[%*d]", {-4, 7}, u"[7]"},
        {u"%e", {1234.5}, u"1.23450000000000E+003"},
        {u"%.3e", {-0.000123456}, u"-1.23E-004"},
        {u"%e", {0.0}, u"0.00000000000000E+000"},
        {u"%f", {1.0 / 3.0}, u"0.33"},
        {u"%.0f", {2.5}, u"3"},
        {u"%.3F", {-1.0006}, u"-1.001"},
        {u"%f", {-0.001}, u"0.00"},
        {u"%g", {0.1}, u"0.1"},
        {u"%g", {1e20}, u"1E20"},
        {u"%.3g", {3.14159}, u"3.14"},
        {u"%G", {1.5e-5}, u"1.5E-5"},
        {u"%n", {1234567.891}, u"1,234,567.89"},
        {u"%.0n", {-1000.0}, u"-1,000"},
        {u"%m", {1234.5}, u"1,234.50"},
        {u"%8.1f|", {2.25}, u"     2.3|"},
        {u"%f", {std::numeric_limits<double>::quiet_NaN()}, u"NAN"},
        {u"%p", {reinterpret_cast<const void*>(uintptr_t(0xDEADBEEF))}, u"00000000DEADBEEF"},
        {u"%p", {nullptr}, u"0000000000000000"},
        {u"%d/%d", {answer, int64_t(answer)}, u"42/42"},
        {u"%d", {short(-3)}, u"-3"},
        {u"%d", {size_t(99)}, u"99"},
        {u"%g", {1.5f}, u"1.5"},
        {u"MinPoolSize=%d\rMaxPoolSize=%d\r", {0, 100}, u"MinPoolSize=0\rMaxPoolSize=100\r"},
    };
    for (const auto& c : cases) {
        String text;
        EXPECT_NO_THROW(text = Format(c.format, std::span<const FormatArg>(c.args))) << ToUtf8(c.format);
        EXPECT_EQ(text, c.text) << ToUtf8(c.format);
    }
}

TEST(Format, TakesAnInitializerList)
{
    EXPECT_EQ(Format(u"%s=%d", {u"Count", 3}), u"Count=3");
    EXPECT_EQ(Format(u"none", {}), u"none");
    FormatSettings comma;
    comma.DecimalSeparator = u',';
    comma.ThousandSeparator = u'.';
    EXPECT_EQ(Format(u"%n|%g", {12345.5, 0.25}, comma), u"12.345,50|0,25");
}

TEST(Format, BrokenFormatsAndWrongArgumentsRaise)
{
    const String invalid = u"invalid or incompatible with argument";
    struct Case { String format; std::vector<FormatArg> args; String message; } cases[] = {
        {u"%d", {1.5}, u"Format '%d' " + invalid},
        {u"%d", {u"12"}, u"Format '%d' " + invalid},
        {u"%f", {1}, u"Format '%f' " + invalid},       // integers are not floats, as on the platform
        {u"%s", {7}, u"Format '%s' " + invalid},
        {u"%p", {7}, u"Format '%p' " + invalid},
        {u"%x", {u'A'}, u"Format '%x' " + invalid},
        {u"%*d", {u"w", 1}, u"Format '%*d' " + invalid},
        {u"%q", {1}, u"Format '%q' " + invalid},
        {u"%", {1}, u"Format '%' " + invalid},
        {u"abc %5", {1}, u"Format 'abc %5' " + invalid},
        {u"%-", {1}, u"Format '%-' " + invalid},
        {u"%5:d", {1}, u"No argument for format '%5:d'"},
        {u"%d %d", {1}, u"No argument for format '%d %d'"},
        {u"%*d", {3}, u"No argument for format '%*d'"},
        {u"%d", {}, u"No argument for format '%d'"},
        {u"%999999d", {1}, u"Format '%999999d' " + invalid},   // absurd widths are not honoured
        {u"%*d", {1000000, 1}, u"Format '%*d' " + invalid},
        {u"The value is %d and that is a long format text", {u"x"},
         u"Format 'The value is %d and that is a l' " + invalid},  // quoted up to 31 characters
    };
    for (const auto& c : cases) {
        String message = u"<no error>";
        try {
            Format(c.format, std::span<const FormatArg>(c.args));
        } catch (const EConvertError& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, c.message) << ToUtf8(c.format);
    }
}
