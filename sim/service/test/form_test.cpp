// Form bodies as the client writes them, and what a malformed one gets.
#include "sim/service/form.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

using Fields = std::vector<FormField>;

TEST(DecodeForm, ReadsFieldsInBodyOrder) {
    struct Case {
        const char* body;
        Fields fields;
    } cases[] = {
        {"", {}},
        {"UserID=demo&Upassword=demo123", {{u"UserID", u"demo"}, {u"Upassword", u"demo123"}}},
        // Chinese user names arrive as percent-encoded UTF-8, in either hex case.
        {"UserID=%E5%BC%A0%e4%b8%89&Upassword=x", {{u"UserID", u"张三"}, {u"Upassword", u"x"}}},
        // "+" is a plus sign; blanks come as %20.
        {"p=a+b%20c", {{u"p", u"a+b c"}}},
        // An unescaped "&" inside a value splits it: the part after it becomes a field of its own.
        {"Upassword=ab&cd", {{u"Upassword", u"ab"}, {u"cd", u""}}},
        // "=" inside a value stays with the value.
        {"k=a=b", {{u"k", u"a=b"}}},
        {"&&a=1&&", {{u"a", u"1"}}},
        {"empty=", {{u"empty", u""}}},
        {"%41=%42", {{u"A", u"B"}}},
    };
    for (const auto& c : cases) {
        FormResult result = DecodeForm(c.body);
        EXPECT_EQ(result.error, "") << c.body;
        EXPECT_EQ(result.form.Fields(), c.fields) << c.body;
    }
}

TEST(DecodeForm, RefusesMalformedEscapesAndNonUtf8WithThePlace) {
    struct Case {
        const char* body;
        const char* error;
    } cases[] = {
        {"a=%", "malformed percent escape at byte 2"},
        {"a=%4", "malformed percent escape at byte 2"},
        {"ab=1&c%zz=2", "malformed percent escape at byte 6"},
        {"a=%FF", "field at byte 0 is not UTF-8 once unescaped"},
        {"a=1&b=%C0%AF", "field at byte 4 is not UTF-8 once unescaped"},  // overlong "/"
        {"a=%ED%A0%80", "field at byte 0 is not UTF-8 once unescaped"},    // a surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeForm(c.body).error, c.error) << c.body;
}

TEST(DecodeForm, LastFieldOfANameWins) {
    Form form = DecodeForm("a=1&b=2&a=3").form;
    EXPECT_EQ(form.Value(u"a"), u"3");
    EXPECT_EQ(form.Value(u"b"), u"2");
    EXPECT_EQ(form.Value(u"c"), std::nullopt);
}

TEST(IsValidUtf8, AcceptsEveryPlaneAndRefusesBrokenSequences) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE4\xB8\xAD\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));              // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));      // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\x80"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\x80"));
}

} // namespace
} // namespace sim::service
