// The writer: layouts, escaping, numbers, the sinks, and round trips of generated documents.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsonreader.h"
#include "support/jsontable.h"
#include "support/jsonwriter.h"

#include "core/stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace {

using namespace support;
using core::String;

TEST(JsonWriter, CompactAndIndentedLayouts)
{
    JsonRef doc = ParseString(u"{\"a\":1,\"b\":[1,2]}");
    EXPECT_EQ(doc->AsJSon(), u"{\"b\":[1,2],\"a\":1}");
    EXPECT_EQ(doc->AsJSon(true), u"{\r\n \"b\": [\r\n  1,2],\r\n \"a\": 1\r\n}");
    for (bool indent : {false, true}) {
        EXPECT_EQ(ParseString(u"{}")->AsJSon(indent), u"{}");
        EXPECT_EQ(ParseString(u"[]")->AsJSon(indent), u"[]");
        EXPECT_EQ(doc->CalcSize(indent), int64_t(doc->AsJSon(indent).size()));
    }
    // Deep levels take their blanks modulo 256.
    TJsonWriterString w;
    TJsonObject::Make(u"x")->WriteValue(w, true, true, 300);
    EXPECT_EQ(w.View(), u"\"x\"");
}

TEST(JsonWriter, EscapeModes)
{
    struct Case {
        const char16_t* text;
        const char16_t* full;
        const char16_t* minimal;
    };
    const Case cases[] = {
        {u"\u00e9/\u00fc", u"\"\\u00e9\\/\\u00fc\"", u"\"\u00e9\\/\u00fc\""},
        {u"\u20ac", u"\"\\u20ac\"", u"\"\u20ac\""},
        {u"\u007f", u"\"\u007f\"", u"\"\u007f\""},
        {u"\"\\\b\t\n\f\r\u0001", u"\"\\\"\\\\\\b\\t\\n\\f\\r\\u0001\"", u"\"\\\"\\\\\b\t\n\f\r\u0001\""},
        {u"plain text", u"\"plain text\"", u"\"plain text\""},
    };
    for (const Case& c : cases) {
        JsonRef value = TJsonObject::Make(c.text);
        EXPECT_EQ(value->AsJSon(false, true), c.full);
        EXPECT_EQ(value->AsJSon(false, false), c.minimal);
        EXPECT_EQ(value->CalcSize(false, true), int64_t(String(c.full).size()));
    }
    // A NUL written unescaped does not cut the text.
    JsonRef nul = TJsonObject::Make(StringView(u"a\0b", 3));
    EXPECT_EQ(nul->AsJSon(false, false), String(u"\"a\0b\"", 5));
    EXPECT_EQ(nul->AsJSon(false, true), u"\"a\\u0000b\"");
    EXPECT_EQ(nul->CalcSize(false, false), 5);

    JsonRef object = TJsonObject::Make(stObject);
    object->AsObject()->PutMember(u"k\u00e9", TJsonObject::Make(1));
    EXPECT_EQ(object->AsJSon(), u"{\"k\\u00e9\":1}");
}

// Texts of every length up to a few blocks, with units that need escaping at every place, escape as
// the rules say in both modes and into every kind of output (text, sink, count), member names too.
TEST(JsonWriter, EscapingIsTheSameAtEveryLengthAndPlace)
{
    const char16_t alphabet[] = {u'a', u'"', u'\\', u'/', 1, 8, 10, 31, 0x7f, 0x80, 0xe9, 0x4e2d, 0x8000, 0xffff};
    auto expected = [](const String& text, bool escape) {
        String out = u"\"";
        for (char16_t c : text) {
            const char* shortForm = nullptr;
            switch (c) {
            case u'"': shortForm = "\\\""; break;
            case u'\\': shortForm = "\\\\"; break;
            case u'/': shortForm = "\\/"; break;
            case 8: shortForm = escape ? "\\b" : nullptr; break;
            case 10: shortForm = escape ? "\\n" : nullptr; break;
            default: break;
            }
            if (shortForm) {
                for (const char* p = shortForm; *p; ++p)
                    out += char16_t(*p);
            } else if (escape && (c < 32 || c > 127)) {
                char hex[8];
                std::snprintf(hex, sizeof(hex), "\\u%04x", unsigned(c));
                for (const char* p = hex; *p; ++p)
                    out += char16_t(*p);
            } else {
                out += c;
            }
        }
        return out + u"\"";
    };
    std::mt19937 random(5);
    for (int length = 0; length < 40; ++length) {
        for (int round = 0; round < 30; ++round) {
            String text(size_t(length), u'x');
            for (char16_t& c : text)
                if (random() % 4 == 0)
                    c = alphabet[random() % std::size(alphabet)];
            for (bool escape : {false, true}) {
                const String want = expected(text, escape);
                JsonRef value = TJsonObject::Make(StringView(text));
                ASSERT_EQ(value->AsJSon(false, escape), want);
                ASSERT_EQ(value->CalcSize(false, escape), int64_t(want.size()));
                TJsonWriterString sink;
                value->WriteValue(sink, false, escape, 0);
                ASSERT_EQ(sink.View(), want);
                JsonRef object = TJsonObject::Make(stObject);
                object->AsObject()->PutMember(text, TJsonObject::Make(1));
                ASSERT_EQ(object->AsJSon(false, escape), u"{" + want + u":1}");
            }
        }
    }
}

TEST(JsonWriter, NumbersAreValidJsonWhateverTheValue)
{
    struct Case {
        double value;
        const char16_t* text;
    };
    const Case cases[] = {
        {100, u"100.0"},
        {0.1, u"0.1"},
        {-2.5, u"-2.5"},
        {1e20, u"1e+20"},
        {1.5e-7, u"1.5e-07"},
        {1.0 / 3, u"0.333333333333333"},
        {123000000, u"123000000.0"},
        {1e15, u"1e+15"},
        {0.0001, u"0.0001"},
        {-0.0, u"-0.0"},
        {1e-300, u"1e-300"},
        {std::numeric_limits<double>::quiet_NaN(), u"null"},
        {std::numeric_limits<double>::infinity(), u"null"},
        {-std::numeric_limits<double>::infinity(), u"null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TJsonObject::Make(c.value)->AsJSon(), c.text);
    // The digits and layout are printf's "%.15g" (with ".0" after a whole number).
    std::mt19937_64 random(3);
    for (int i = 0; i < 60000; ++i) {
        uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof(value));
        if (i % 3 == 1)
            value = std::ldexp(double(int64_t(bits >> 11)), int(bits % 120) - 80);
        if (i % 3 == 2) {
            // Short decimals, as text read back gives.
            const int64_t scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
            value = double(int64_t(bits >> 16) % scale[bits % 10] * (bits & 0x100 ? -1 : 1)) /
                    double(scale[(bits >> 4) % 10]) * (bits & 0x200 ? 1e5 : 1);
        }
        if (i % 7 == 3)
            value = double(int64_t(bits >> 20) - (int64_t(1) << 43)) / 4096.0;  // exact ties at 15 digits
        if (i % 13 == 6)
            value = double(int64_t(bits % 4000000) - 2000000) / double(uint64_t(1) << (bits >> 40) % 40);  // few binary places
        if (i % 11 == 5)
            value = std::ldexp(double(bits >> 11), int(bits % 300) - 200);  // beyond 64-bit arithmetic
        if (!std::isfinite(value))
            continue;
        char expected[64];
        std::snprintf(expected, sizeof(expected), "%.15g", value);
        std::string text = core::ToUtf8(TJsonObject::Make(value)->AsJSon());
        if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0 && !std::strchr(expected, '.'))
            text.resize(text.size() - 2);
        ASSERT_EQ(text, expected);
    }
    EXPECT_EQ(TJsonObject::Make(std::numeric_limits<int64_t>::min())->AsJSon(), u"-9223372036854775808");
    // A whole double reads back as a double.
    EXPECT_EQ(ParseString(TJsonObject::Make(100.0)->AsJSon())->GetDataType(), stDouble);
}

TEST(JsonWriter, StreamsGetBytesAndNeverACutUnit)
{
    struct Case {
        const char16_t* text;
        bool escape;
        std::string bytes;
    };
    const Case cases[] = {
        {u"\u00e9", false, "\x22\xe9\x22"},
        {u"\u20ac", false, "\"\\u20ac\""},
        {u"\u20ac", true, "\"\\u20ac\""},
        {u"a/b", false, "\"a\\/b\""},
    };
    for (const Case& c : cases) {
        core::StringStream stream;
        EXPECT_EQ(TJsonObject::Make(c.text)->SaveTo(stream, false, c.escape), int64_t(c.bytes.size()));
        EXPECT_EQ(stream.DataString(), c.bytes);
    }
    // A long piece goes through a heap block.
    JsonRef big = TJsonObject::Make(String(3000, u'\u4e2d'));
    core::StringStream stream;
    EXPECT_EQ(big->SaveTo(stream, false, false), 2 + 3000 * 6);
    core::StringStream back(stream.DataString());
    EXPECT_EQ(ParseStream(back)->AsString(), String(3000, u'\u4e2d'));
}

TEST(JsonWriter, TextBufferGrowsAndTrims)
{
    TJsonWriterString w;
    EXPECT_EQ(w.Capacity(), 32);
    EXPECT_EQ(w.Append(u"", 0), 0);
    for (int i = 0; i < 100; ++i)
        w.Append(u"ab  ", 4);
    EXPECT_EQ(w.Length(), 400);
    EXPECT_GE(w.Capacity(), 401);
    w.TrimRight();
    EXPECT_EQ(w.Length(), 398);
    EXPECT_EQ(w.Data()[398], 0);
    w.Reset();
    EXPECT_EQ(w.Length(), 0);
}

TEST(JsonWriter, TextBufferTakesValuesInPlaceAndKeepsItsRoom)
{
    JsonRef doc = TJsonObject::Make(stArray);
    for (int i = 0; i < 20000; ++i)
        doc->AsArray()->Add(TJsonObject::Make(int64_t(i)));
    const String whole = doc->AsJSon();
    TJsonWriterString w;
    w.Append(u"x=");
    doc->WriteValue(w, false, true, 0);  // appended to what the buffer holds
    EXPECT_EQ(w.View(), u"x=" + whole);
    EXPECT_EQ(w.Data()[w.Length()], 0);
    // Written again after Reset, the text goes into the same memory.
    const char16_t* data = w.Data();
    const int capacity = w.Capacity();
    w.Reset();
    doc->WriteValue(w, false, true, 0);
    EXPECT_EQ(w.View(), whole);
    EXPECT_EQ(w.Data(), data);
    EXPECT_EQ(w.Capacity(), capacity);
    // The buffer still takes plain appends after a value.
    w.AppendUnit(u'!');
    EXPECT_EQ(w.View(), whole + u"!");
}

// A random document of every kind, nested a few levels.
JsonRef Generate(std::mt19937& random, int depth)
{
    const int kind = int(random() % (depth > 4 ? 6 : 8));
    switch (kind) {
    case 0:
        return TJsonObject::Make(stNull);
    case 1:
        return TJsonObject::Make(random() % 2 == 0);
    case 2:
        return TJsonObject::Make(std::ldexp(double(int32_t(random())), int(random() % 40) - 20));
    case 3:
        return TJsonObject::Make(int64_t(uint64_t(random()) * uint64_t(random()) * 4099u));
    case 4:
    case 5: {
        String text;
        for (int n = int(random() % 8); n > 0; --n)
            text += char16_t(random() % 3 == 0 ? 1 + random() % 0x3000 : 32 + random() % 95);
        return TJsonObject::Make(StringView(text));
    }
    case 6: {
        JsonRef array = TJsonObject::Make(stArray);
        for (int n = int(random() % 5); n > 0; --n)
            array->AsArray()->Add(Generate(random, depth + 1));
        return array;
    }
    default: {
        // A NUL written unescaped does not cut the text.
    JsonRef nul = TJsonObject::Make(StringView(u"a\0b", 3));
    EXPECT_EQ(nul->AsJSon(false, false), String(u"\"a\0b\"", 5));
    EXPECT_EQ(nul->AsJSon(false, true), u"\"a\\u0000b\"");
    EXPECT_EQ(nul->CalcSize(false, false), 5);

    JsonRef object = TJsonObject::Make(stObject);
        for (int n = int(random() % 5); n > 0; --n)
            object->AsObject()->PutMember(core::IntToStr(random() % 100) + u"\u00e9\"", Generate(random, depth + 1));
        return object;
    }
    }
}

TEST(JsonWriter, CompactOutputReadsBackToItself)
{
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        JsonRef doc = Generate(random, 0);
        for (bool escape : {true, false}) {
            const String text = doc->AsJSon(false, escape);
            JsonRef back = ParseString(text, false);
            ASSERT_NE(back, nullptr) << core::ToUtf8(text);
            EXPECT_EQ(back->AsJSon(false, escape), text);
            EXPECT_EQ(doc->CalcSize(true, escape), int64_t(doc->AsJSon(true, escape).size()));
        }
    }
}

} // namespace
