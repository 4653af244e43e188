// Code page 936 output of replies.
#include "sim/service/text936.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

TEST(CodePage936, EncodesChineseAsTwoBytesAndKeepsAscii) {
    struct Case {
        const char* utf8;
        std::string bytes;
    } cases[] = {
        {"", ""},
        {"abc=1,2\r\n", "abc=1,2\r\n"},
        {"华东", "\xBB\xAA\xB6\xAB"},
        {"节点1=1.2.3.4", "\xBD\xDA\xB5\xE3" "1=1.2.3.4"},
        {"不支持", "\xB2\xBB\xD6\xA7\xB3\xD6"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToCodePage936(core::FromUtf8(c.utf8)), c.bytes) << c.utf8;
}

TEST(CodePage936, CharactersTheCodePageLacksBecomeQuestionMarks) {
    // An emoji (a surrogate pair: one "?" per unit, as the system writes it) and a lone surrogate;
    // the text around them is kept.
    core::String text = u"a\U0001F600b";
    text += char16_t(0xD800);
    text += u"c";
    EXPECT_EQ(ToCodePage936(text), "a??b?c");
}

} // namespace
} // namespace sim::service
