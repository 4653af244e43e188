// The reader's extended syntax, its nesting limit, reading streams and files, and the path language.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsonreader.h"
#include "support/jsontable.h"

#include "core/stream.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace support::test {
void JsonSum(const JsonRef& self, const JsonRef& params, JsonRef& result);
}

namespace {

using namespace support;
using core::String;

// The compact, unescaped text of what the text reads as, or "<nil>".
String Reads(StringView text, bool partial = false)
{
    JsonRef value = ParseString(text, partial);
    if (!value)
        return u"<nil>";
    return value->GetDataType() == stString ? u"'" + value->AsString() + u"'" : value->AsJSon(false, false);
}

TEST(JsonReader, ExtendedSyntax)
{
    struct Case {
        const char16_t* text;
        const char16_t* reads;
    };
    const Case cases[] = {
        {u"[1, 2,]", u"[1,2]"},
        {u"[,1]", u"[\"\",1]"},
        {u"[1,,2]", u"[1,\"\",2]"},
        {u"{a: 1}", u"{\"a\":1}"},
        {u"{a :1}", u"{\"a \":1}"},
        {u"{'a':'b'}", u"{\"a\":\"b\"}"},
        {u"{\"a\":1,}", u"{\"a\":1}"},
        {u"{\"a\":1,\"a\":2}", u"{\"a\":2}"},
        {u"[hello world, x]", u"[\"hello world\",\"x\"]"},
        {u"hello, world", u"'hello, world'"},
        {u"", u"''"},
        {u"   ", u"''"},
        {u"True", u"'True'"},
        {u"NULL", u"'NULL'"},
        {u"nullx", u"'nullx'"},
        {u"null", u"null"},
        {u"[true,false,null]", u"[true,false,null]"},
        {u"+5", u"'+5'"},
        {u".5", u"'.5'"},
        {u"-5", u"-5"},
        {u"1e3", u"1000.0"},
        {u"1.0", u"1.0"},
        {u"1-2", u"'1-2'"},
        {u"[1.2.3]", u"[\"1.2.3\"]"},
        {u"123456789012345678901234", u"1.23456789012346e+23"},
        {u"-9223372036854775808", u"-9223372036854775808"},
        {u"9999999999999999999", u"1e+19"},
        {u"-999999999999999999", u"-999999999999999999"},
        {u"-", u"'-'"},
        {u"[-0,007]", u"[0,7]"},
        {u"[1 /* c */ ,2 // x\n]", u"[1,2]"},
        {u"1 // x", u"1"},
        {u"1 /* x", u"1"},
        {u"\"\\u0041\\x42\"", u"'AB'"},
        {u"\"a\nb\"", u"'a\nb'"},
        {u"\"a\\u0000b\"", u"'a'"},
        {u"\"\\q\\/\\'\"", u"'q/''"},
        {u"{\"\\u00e9\":[]}", u"{\"\u00e9\":[]}"},
        {u"[\u4e2d\u6587, 2]", u"[\"\u4e2d\u6587\",2]"},
        // Failures.
        {u"{:1}", u"<nil>"},
        {u"[1 / 2]", u"<nil>"},
        {u"[1 /* c **/ 2]", u"<nil>"},
        {u"\"\\u12G4\"", u"<nil>"},
        {u"[1", u"<nil>"},
        {u"[[1] //", u"<nil>"},
        {u"{\"a\" 1}", u"<nil>"},
        {u"{\"a\":1 \"b\":2}", u"<nil>"},
        {u"[1 2]", u"<nil>"},
        {u"\"open", u"<nil>"},
        {u"1 2", u"<nil>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Reads(c.text), c.reads) << core::ToUtf8(c.text);
    EXPECT_EQ(Reads(u"1 2", true), u"1");
}

TEST(JsonReader, ErrorsNameTheFault)
{
    struct Case {
        const char16_t* text;
        TJsonTokenizerError error;
    };
    const Case cases[] = {
        {u"{:1}", teParseObjectKeyName}, {u"[1 / 2]", teParseComment}, {u"\"\\u12G4\"", teParseString},
        {u"[1 2]", teParseArray},        {u"{a 1", teParseObjectKeySep}, {u"{a:1 2}", teParseObjectValueSep},
        {u"\"x", teParseEof},            {u"[1]", teSuccess},
    };
    for (const Case& c : cases) {
        TJsonTokenizerError error = teSuccess;
        ParseString(c.text, false, nullptr, 0, nullptr, stNull, &error);
        EXPECT_EQ(error, c.error) << core::ToUtf8(c.text);
    }
}

TEST(JsonReader, ThirtyOneNestedContainersReadAndThirtyTwoFail)
{
    auto nested = [](int n) {
        String text(size_t(n), u'[');
        text += u"1";
        text += String(size_t(n), u']');
        return text;
    };
    EXPECT_NE(ParseString(nested(31), false), nullptr);
    TJsonTokenizerError error = teSuccess;
    EXPECT_EQ(ParseString(nested(32), false, nullptr, 0, nullptr, stNull, &error), nullptr);
    EXPECT_EQ(error, teDepth);
    EXPECT_NE(ParseString(u"{a:{b:{c:[[{}]]}}}", false), nullptr);
}

// Decimals read as the full conversion reads them, bit for bit, whether they stand alone, sit in an
// array or are a member's value (the last two are read without a level of their own).
TEST(JsonReader, DecimalsReadAsTheFullConversionReadsThem)
{
    std::vector<std::string> texts = {"0.0", "-0.0", "1.5", "1e22", "1e23", "1.0e-22", "1e-23", "0.000001",
                                      "123456789012345.6", "9007199254740993.0", "0.1234567890123456789",
                                      "4.9e-324", "1e-400", "1e400", "2.5E+3", "1.", "00.5", "1e", "1e+", "-1.25e-5",
                                      "999999999999999.0", "0.30000000000000004"};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int digits = 1 + int(random() % 17);
        const int point = int(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                text += d == 0 ? "0." : ".";
            text += char('0' + (d == 0 && point != 0 ? 1 + random() % 9 : random() % 10));
        }
        if (point == digits || point == 0)
            text += point == digits ? ".5" : "";
        if (random() % 2)
            text += "e" + std::to_string(int(random() % 61) - 30);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        double expected = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
        const bool isDouble = ec == std::errc() && end == text.data() + text.size();
        const String wide(text.begin(), text.end());
        const JsonRef alone = ParseString(wide, false);
        const JsonRef inArray = ParseString(u"[" + wide + u"]", false);
        const JsonRef asMember = ParseString(u"{\"v\":" + wide + u"}", false);
        ASSERT_TRUE(alone && inArray && asMember) << text;
        for (const JsonRef& value : {alone, inArray->AsArray()->GetItem(0), asMember->GetN(u"v")}) {
            ASSERT_EQ(value->GetDataType(), isDouble ? stDouble : stString) << text;
            if (isDouble)
                EXPECT_EQ(std::bit_cast<uint64_t>(value->AsDouble()), std::bit_cast<uint64_t>(expected)) << text;
            else
                EXPECT_EQ(value->AsString(), wide) << text;
        }
    }
}

// Values inside containers are read on a shorter path than a value alone; both give the same value,
// and both leave what that path cannot take (a NUL, a bad escape, keywords in other cases) to the machine.
TEST(JsonReader, ValuesInContainersReadAsValuesAlone)
{
    const String texts[] = {u"\"plain\"", u"'single'", u"\"a\\\"b\\\\c\\/d\"", u"\"\\b\\f\\n\\r\\t\\q\"",
                            u"\"\\u4E2d\\x41\\u00e9\"", u"\"cut\\u0000here\"", u"\"bad\\u12G4\"", u"\"short\\x4\"",
                            u"true", u"false", u"null", u"True", u"nul", u"nullx", u"12", u"-1.5e3", u"1-2",
                            u"0", u"-0", u"007", u"-", u"1+", u"12e", u"123456789012345678", u"-123456789012345678",
                            u"1234567890123456789", u"9223372036854775807", u"9223372036854775808",
                            u"-9223372036854775808", u"-9223372036854775809", u"99999999999999999999"};
    for (const String& text : texts) {
        const JsonRef alone = ParseString(text, false);
        const JsonRef inArray = ParseString(u"[" + text + u",0]", false);
        const JsonRef asMember = ParseString(u"{\"v\":" + text + u"}", false);
        if (!alone) {
            EXPECT_EQ(inArray, nullptr);
            EXPECT_EQ(asMember, nullptr);
            continue;
        }
        ASSERT_TRUE(inArray && asMember);
        for (const JsonRef& value : {inArray->AsArray()->GetItem(0), asMember->GetN(u"v")}) {
            EXPECT_EQ(value->GetDataType(), alone->GetDataType());
            EXPECT_EQ(value->AsJSon(), alone->AsJSon());
        }
    }
}

// A member read again replaces the first, whatever the kinds of the two values.
TEST(JsonReader, RepeatedMembersKeepTheLastValue)
{
    const int32_t live = JsonLiveValues();
    {
        const JsonRef doc = ParseString(u"{\"a\":[1],\"b\":2,\"a\":{\"x\":1},\"b\":[3],\"c\":{},\"c\":4}", false);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->AsJSon(), u"{\"c\":4,\"b\":[3],\"a\":{\"x\":1}}");
    }
    EXPECT_EQ(JsonLiveValues(), live);
}

// Plain runs of texts and names are scanned several units at a time: an escape or the closing quote
// at any place among units of any size ends the run where it stands.
TEST(JsonReader, PlainRunsEndWhereTheirFirstSpecialUnitStands)
{
    const String fill = u"ab\u4E2D\uFFFFc\u0100d\u8000e";
    struct Piece {
        const char16_t* text;  // as written between double quotes
        const char16_t* value;
    };
    const Piece pieces[] = {{u"\\\"", u"\""}, {u"\\\\", u"\\"}, {u"\\n", u"\n"}, {u"'", u"'"}, {u"", u""}};
    for (size_t n = 0; n <= fill.size(); ++n) {
        for (const Piece& piece : pieces) {
            const String written = fill.substr(0, n) + piece.text + fill.substr(n);
            const String value = fill.substr(0, n) + piece.value + fill.substr(n);
            SCOPED_TRACE(core::ToUtf8(written));
            const JsonRef doc = ParseString(u"[\"" + written + u"\",{\"" + written + u"\":1}]", false);
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(doc->AsArray()->GetItem(0)->AsString(), value);
            const JsonRef names = doc->AsArray()->GetItem(1)->AsObject()->GetNames();
            EXPECT_EQ(names->AsArray()->GetItem(0)->AsString(), value);
            const JsonRef quoted = ParseString(u"'" + fill.substr(0, n) + u"\"" + fill.substr(n) + u"'", false);
            ASSERT_NE(quoted, nullptr);
            EXPECT_EQ(quoted->AsString(), fill.substr(0, n) + u"\"" + fill.substr(n));
        }
    }
}

// An object read from text keeps its first member's entry in its own block. Whichever member that is
// and in whatever order members are deleted, the others stay as they were; a member read twice keeps
// the last value; nothing is left behind.
TEST(JsonReader, ObjectsKeepTheirFirstMemberInTheirOwnBlock)
{
    const int32_t live = JsonLiveValues();
    const String names[] = {u"a", u"b", u"c", u"d", u"e"};
    const String values[] = {u"1", u"[2]", u"{\"x\":3}", u"\"four\"", u"\"five and more\""};
    for (int first = 0; first < 5; ++first) {
        for (int deleted = 0; deleted < 5; ++deleted) {
            SCOPED_TRACE(first * 10 + deleted);
            String text = u"{";
            for (int i = 0; i < 5; ++i) {
                const int k = (first + i) % 5;
                text += (i ? u",\"" : u"\"") + names[k] + u"\":" + values[k];
            }
            JsonRef doc = ParseString(text + u"}", false);
            ASSERT_NE(doc, nullptr);
            JsonRef expected = TJsonObject::Make(stObject);
            for (int k = 0; k < 5; ++k)
                expected->PutPathObject(names[k], ParseString(values[k], false));
            EXPECT_EQ(doc->AsJSon(), expected->AsJSon());
            EXPECT_EQ(doc->Clone()->AsJSon(), expected->AsJSon());
            for (int i = 0; i < 5; ++i) {
                const String& name = names[(deleted + i * 2) % 5];
                EXPECT_NE(doc->Delete(name), nullptr) << core::ToUtf8(name);
                expected->Delete(name);
                EXPECT_EQ(doc->AsJSon(), expected->AsJSon());
            }
            doc->PutPathInteger(names[first], 6);
            EXPECT_EQ(doc->AsJSon(), u"{\"" + names[first] + u"\":6}");
        }
    }
    const JsonRef twice = ParseString(u"{\"a\":1,\"b\":2,\"a\":{\"x\":[3]},\"b\":\"bee\"}", false);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice->AsJSon(), u"{\"b\":\"bee\",\"a\":{\"x\":[3]}}");
    twice->Clear(true);
    EXPECT_EQ(twice->AsJSon(), u"{}");
    EXPECT_EQ(JsonLiveValues(), live + 1);
}

// White space and comments may stand between any two tokens; the reader takes the short way over
// plain white space and the long one over comments, escapes and the end of a piece of a stream. Each
// document is also read from a stream with each of its characters in turn at a 1024-byte boundary.
TEST(JsonReader, WhiteSpaceAndCommentsBetweenTokens)
{
    struct Case {
        const char* text;
        const char16_t* reads;
    };
    const Case cases[] = {
        {"{ \"a\" : 1 , \"b\" :\t[ 1 ,\r\n2 ] , 'c' : { } }", u"{\"c\":{},\"b\":[1,2],\"a\":1}"},
        {"{/*c*/\"a\"/*c*/:/*c*/1/*c*/,/*c*/\"b\"/*c*/:/*c*/[/*c*/2/*c*/]/*c*/}", u"{\"b\":[2],\"a\":1}"},
        {"{ \"a\": // c\n {\"x\" :[ ] } , // c\n \"b\":[[3] , {} ] }", u"{\"b\":[[3],{}],\"a\":{\"x\":[]}}"},
        {"{\"a\\u0062\" : 1, \"q\\\"\":2}", u"{\"q\\\"\":2,\"ab\":1}"},
        {"[1 ,/*c*/2, 3 ,]", u"[1,2,3]"},
        {"{\"a\":1 ,/*c*/\"b\":2, \"c\" :3,}", u"{\"c\":3,\"b\":2,\"a\":1}"},
        {"{\"a\" 1}", u"<nil>"},
        {"{\"a\": 1 , }", u"{\"a\":1}"},
        {"[ 1 , , 2 ]", u"[1,\"\",2]"},
        {"{\"a\":1 /* open", u"<nil>"},
    };
    for (const Case& c : cases) {
        const std::string text = c.text;
        auto written = [](const JsonRef& value) { return value ? value->AsJSon(false, false) : String(u"<nil>"); };
        EXPECT_EQ(written(ParseString(core::FromUtf8(text), false)), c.reads) << text;
        for (size_t at = 0; at < text.size(); ++at) {
            core::StringStream stream(std::string(1024 - at, ' ') + text);
            EXPECT_EQ(written(ParseStream(stream, false)), c.reads) << text << " split before " << at;
        }
    }
}

TEST(JsonReader, StreamsEndTheTextWithTheData)
{
    struct Case {
        std::string bytes;
        const char16_t* reads;
    };
    const Case cases[] = {
        {"123", u"123"},
        {"123 ", u"123"},
        {"true", u"true"},
        {"", u"''"},
        {"{\"a\":[1,2]} // end", u"{\"a\":[1,2]}"},
        {"\xe9", u"'\u00e9'"},  // bytes are widened, not decoded
        {"[1,", u"<nil>"},
        {"1 x", u"<nil>"},
    };
    for (const Case& c : cases) {
        core::StringStream stream(c.bytes);
        JsonRef value = ParseStream(stream, false);
        const String got = !value ? u"<nil>"
                           : value->GetDataType() == stString ? u"'" + value->AsString() + u"'"
                                                              : value->AsJSon(false, false);
        EXPECT_EQ(got, c.reads) << c.bytes;
    }
    // Text across many 1024-byte pieces, with a token split at every boundary somewhere.
    std::string big = "[";
    for (int i = 0; i < 3000; ++i)
        big += (i ? "," : "") + std::to_string(i * 7) + ",\"s" + std::to_string(i) + "\"";
    big += "]";
    core::StringStream stream(big);
    JsonRef value = ParseStream(stream, false);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->AsArray()->Length(), 6000);
    EXPECT_EQ(value->GetPathString(u"5999"), u"s2999");
    core::StringStream partial("1 2");
    EXPECT_EQ(ParseStream(partial, true)->AsInteger(), 1);
}

TEST(JsonReader, FilesReadAndWriteBack)
{
    const auto path = std::filesystem::temp_directory_path() / ("json_reader_test_" + std::to_string(std::random_device()()) + ".json");
    struct Remove {
        std::filesystem::path p;
        ~Remove() { std::filesystem::remove(p); }
    } guard{path};
    const String name = core::FromUtf8(path.string());
    JsonRef doc = ParseString(u"{\"a\":[1,2.5,\"\u20ac\"]}");
    EXPECT_GT(doc->SaveTo(name), 0);
    JsonRef back = ParseFile(name, false);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->AsJSon(), doc->AsJSon());
    EXPECT_EQ(ParseFile(name + u".missing"), nullptr);
}

TEST(JsonReader, PathsOnADocument)
{
    auto doc = [] { return ParseString(u"{\"a\":{\"b\":[10,20]}}"); };
    struct Case {
        const char16_t* path;
        const char16_t* json;  // of the root: the value reached, or <nil>
        const char16_t* result;
    };
    const Case cases[] = {
        {u"a.b[1]", u"{}", u"20"},
        {u"a.b[5]", u"{}", u"<nil>"},
        {u"a.b[-1]", u"{}", u"<nil>"},
        {u"a.b[x]", u"{}", u"20"},
        {u"a.b[x]", u"{\"x\":0}", u"10"},
        {u"a.b[x]", u"{\"x\":\"s\"}", u"<nil>"},
        {u"a.b[]", u"{}", u"20"},
        {u"a.b", u"{}", u"[10,20]"},
        {u"a.c.d", u"{}", u"<nil>"},
        {u"a.b.c", u"{}", u"<nil>"},
        {u"a .b", u"{}", u"{\"b\":[10,20]}"},  // a blank ends the path
        {u"a.b[1] rest", u"{}", u"20"},
    };
    for (const Case& c : cases) {
        JsonRef root = doc();
        root->Merge(ParseString(c.json), true);
        JsonRef value = root->GetPathObject(c.path);
        EXPECT_EQ(value ? value->AsJSon() : String(u"<nil>"), c.result) << core::ToUtf8(c.path);
    }
    TJsonTokenizerError error = teSuccess;
    JsonRef root = doc();
    ParseString(u"a.b[-1]", true, root.get(), 0, nullptr, stNull, &error);
    EXPECT_EQ(error, teEvalInt);
    ParseString(u"a.b.c", true, root.get(), 0, nullptr, stNull, &error);
    EXPECT_EQ(error, teEvalObject);
}

TEST(JsonReader, PathsCreateStoreAndDelete)
{
    JsonRef root = ParseString(u"{\"a\":{\"b\":[10,20]}}");
    JsonRef d = root->ForcePath(u"a.c.d", stArray);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetDataType(), stArray);
    EXPECT_EQ(root->GetPathObject(u"a.c")->GetDataType(), stObject);

    root->PutN(u"a.b[]", TJsonObject::Make(30));
    EXPECT_EQ(root->GetPathObject(u"a.b")->AsJSon(), u"[10,20,30]");
    root->PutN(u"a.n", nullptr);
    EXPECT_EQ(root->GetPathObject(u"a.n")->GetDataType(), stNull);
    EXPECT_EQ(root->GetN(u"missing")->GetDataType(), stNull);
    EXPECT_EQ(root->GetPathObject(u"missing"), nullptr);

    EXPECT_EQ(root->Delete(u"a.b[0]")->AsInteger(), 10);
    EXPECT_EQ(root->GetPathObject(u"a.b")->AsJSon(), u"[20,30]");
    root->PutPathInteger(u"a.b[3]", 5);
    EXPECT_EQ(root->GetPathObject(u"a.b")->AsJSon(), u"[20,30,null,5]");
    EXPECT_EQ(root->Delete(u"a")->GetDataType(), stObject);
    EXPECT_EQ(root->AsJSon(), u"{}");

    root->PutPathString(u"x.y", u"s");
    root->PutPathBoolean(u"x.t", true);
    root->PutPathDouble(u"x.f", 1.5);
    root->PutPathInteger(u"7", 7);
    EXPECT_EQ(root->GetPathString(u"x.y"), u"s");
    EXPECT_TRUE(root->GetPathBoolean(u"x.t"));
    EXPECT_EQ(root->GetPathDouble(u"x.f"), 1.5);
    EXPECT_EQ(root->GetPathInteger(u"7"), 7);
    EXPECT_EQ(root->GetPathInteger(u"nothing"), 0);
    EXPECT_EQ(root->GetPathString(u"nothing"), u"");
    EXPECT_EQ(root->GetPathArray(u"x"), nullptr);

    // Numbers index an array context directly.
    JsonRef array = ParseString(u"[1,2,3]");
    EXPECT_EQ(array->GetPathInteger(u"2"), 3);
    EXPECT_EQ(array->Delete(u"0")->AsInteger(), 1);
    EXPECT_EQ(array->AsJSon(), u"[2,3]");

    // An index no array can hold stores nothing and gives nil.
    JsonRef big = ParseString(u"{\"l\":[]}");
    EXPECT_EQ(ParseString(u"l[3000000000]", true, big.get(), foCreatePath | foPutValue, TJsonObject::Make(1)), nullptr);
    EXPECT_EQ(big->AsJSon(), u"{\"l\":[]}");
}

TEST(JsonReader, MethodCalls)
{
    JsonRef root = ParseString(u"{\"base\":100,\"o\":{\"base\":1}}");
    root->PutPathMethod(u"sum", test::JsonSum);
    root->PutPathMethod(u"o.sum", test::JsonSum);
    EXPECT_EQ(root->GetPathMethod(u"sum"), &test::JsonSum);
    EXPECT_EQ(root->GetPathInteger(u"sum(1, 2)"), 103);
    EXPECT_EQ(root->GetPathInteger(u"sum(5)"), 105);
    EXPECT_EQ(root->GetPathInteger(u"sum()"), 100);
    EXPECT_EQ(root->GetPathInteger(u"o.sum(base)"), 101);  // a bare name is a path from the context
    EXPECT_EQ(root->call(u"sum", TJsonObject::Make(4))->AsInteger(), 104);
    EXPECT_EQ(root->call(u"o.sum", u"[1,2,3]")->AsInteger(), 7);
    EXPECT_EQ(root->GetPathObject(u"base(1)"), nullptr);
    // A method value as context takes the argument list at once.
    JsonRef method = root->GetPathObject(u"sum");
    JsonRef result = ParseString(u"(2, 3)", true, method.get());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->AsInteger(), 5);
}

} // namespace
