// Base64 decoder: alphabet, pads, skipped characters, incomplete groups and the final trim.
#include "support/base64.h"

#include <gtest/gtest.h>

namespace {

using support::Base64Decode;

struct DecodeCase {
    const char* input;
    std::string expected;
};

TEST(Base64Decode, DecodesTextAndDropsWhatTheTrimRemoves)
{
    const DecodeCase cases[] = {
        {"SGVsbG8=", "Hello"},             // one pad: its zero byte is trimmed away
        {"SA==", "H"},                     // two pads
        {"SGk=", "Hi"},
        {"SGVs\r\nbG8=", "Hello"},         // line break inside
        {" S G V s b G 8 = ", "Hello"},    // blanks anywhere
        {"S*G!V-s", "Hel"},                // characters outside the alphabet are skipped
        {"SGVsbG", "Hel"},                 // six characters: the incomplete group is ignored
        {"SGV", ""},                       // no complete group at all
        {"IEhpIA0K", "Hi"},                // " Hi \r\n": blanks and line breaks at both ends go
        {"CWFiIGMK", "ab c"},              // "\tab c\n": a tab too, inner blank stays
        {"1tDOxA==", "\xd6\xd0\xce\xc4"},  // two-byte characters of the ANSI code page pass unchanged
        {"+/+/", "\xfb\xff\xbf"},          // the two last alphabet characters
        {"====", ""},                      // pads alone decode to zero bytes, all trimmed
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(Base64Decode(c.input), c.expected) << c.input;
}

TEST(Base64Decode, EmptyInputLeavesTheOutputUntouched)
{
    std::string output = "unchanged";
    Base64Decode("", output);
    EXPECT_EQ(output, "unchanged");
    // Input without a complete group is not empty: the output becomes empty.
    Base64Decode("\r\n", output);
    EXPECT_EQ(output, "");
}

TEST(Base64Decode, HighBytesInTheInputAreSkipped)
{
    const std::string input = std::string("\x80\xff") + "SGk=" + "\xfe";
    EXPECT_EQ(Base64Decode(input), "Hi");
}

} // namespace
