// JSON values: conversions, arrays with holes, clear and pack, clone, merge, compare, templates,
// cycles and the live-value count.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsonreader.h"
#include "support/jsontable.h"

#include "core/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace support;
using core::String;

JsonRef Read(StringView text)
{
    JsonRef value = ParseString(text, false);
    EXPECT_NE(value, nullptr) << core::ToUtf8(text);
    return value;
}

TEST(JsonValue, Conversions)
{
    struct Case {
        JsonRef value;
        bool b;
        int64_t i;
        double d;
        String s;
    };
    const Case cases[] = {
        {TJsonObject::Make(stNull), false, 0, 0, u"null"},
        {TJsonObject::Make(true), true, 1, 1, u"true"},
        {TJsonObject::Make(2.5), true, 2, 2.5, u"2.5"},
        {TJsonObject::Make(3.5), true, 4, 3.5, u"3.5"},
        {TJsonObject::Make(-2.5), true, -2, -2.5, u"-2.5"},
        {TJsonObject::Make(5), true, 5, 5, u"5"},
        {TJsonObject::Make(u"12x"), true, 0, 0, u"12x"},
        {TJsonObject::Make(u"$10"), true, 16, 0, u"$10"},
        {TJsonObject::Make(u"x1f"), true, 31, 0, u"x1f"},
        {TJsonObject::Make(u"0X1F"), true, 31, 0, u"0X1F"},
        {TJsonObject::Make(u" -12"), true, -12, -12, u" -12"},
        {TJsonObject::Make(u"1.5"), true, 0, 1.5, u"1.5"},
        {TJsonObject::Make(u"false"), true, 0, 0, u"false"},
        {TJsonObject::Make(u""), false, 0, 0, u""},
        {TJsonObject::Make(stObject), true, 0, 0, u"{}"},
        {TJsonObject::Make(stArray), true, 0, 0, u"[]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.s));
        EXPECT_EQ(c.value->AsBoolean(), c.b);
        EXPECT_EQ(c.value->AsInteger(), c.i);
        EXPECT_EQ(c.value->AsDouble(), c.d);
        EXPECT_EQ(c.value->AsString(), c.s);
    }
    EXPECT_EQ(TJsonObject::Make(std::nan(""))->AsInteger(), 0);
    EXPECT_EQ(TJsonObject::Make(1e300)->AsInteger(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(TJsonObject::Make(-1e300)->AsInteger(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(TJsonObject::Make(stInt)->AsArray(), nullptr);
    EXPECT_NE(TJsonObject::Make(stArray)->AsArray(), nullptr);
}

TEST(JsonValue, ArrayHolesGrowthAndInsert)
{
    TJsonArray array;
    EXPECT_EQ(array.Capacity(), 32);
    EXPECT_TRUE(array.PutItem(5, TJsonObject::Make(1)));
    EXPECT_EQ(array.Length(), 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(array.GetItem(i), nullptr);
    EXPECT_EQ(array.GetItem(6), nullptr);
    EXPECT_FALSE(array.PutItem(-1, TJsonObject::Make(1)));

    TJsonArray full;
    for (int i = 0; i < 32; ++i)
        full.Add(TJsonObject::Make(i));
    ASSERT_EQ(full.Length(), full.Capacity());
    EXPECT_TRUE(full.Insert(3, TJsonObject::Make(100)));
    EXPECT_EQ(full.Length(), 33);
    EXPECT_EQ(full.Capacity(), 64);
    EXPECT_EQ(full.GetItem(3)->AsInteger(), 100);
    EXPECT_EQ(full.GetItem(32)->AsInteger(), 31);
    EXPECT_EQ(full.Delete(3)->AsInteger(), 100);
    EXPECT_EQ(full.GetItem(3)->AsInteger(), 3);
    EXPECT_EQ(full.Delete(40), nullptr);
    EXPECT_TRUE(full.PutItem(100, TJsonObject::Make(1)));
    EXPECT_EQ(full.Capacity(), 128);

    // Growth past the largest length changes nothing.
    EXPECT_FALSE(full.PutItem(0x7FFFFFFF, TJsonObject::Make(1)));
    EXPECT_EQ(full.Length(), 101);

    JsonRef doc = Read(u"[1,null,[null,2]]");
    doc->AsArray()->PutItem(1, nullptr);
    doc->AsArray()->GetItem(2)->AsArray()->PutItem(0, nullptr);
    doc->Pack(true);
    EXPECT_EQ(doc->AsJSon(), u"[1,[2]]");
}

// An array read from text starts in room beside its value and moves out as it grows; at every length
// around that room and around the first capacity it holds, grows and shrinks as any other array.
TEST(JsonValue, ReadArraysGrowAsOtherArrays)
{
    const int32_t live = JsonLiveValues();
    for (int n : {0, 1, 3, 4, 5, 8, 31, 32, 33, 40}) {
        SCOPED_TRACE(n);
        String text = u"[";
        TJsonArray made;
        for (int i = 0; i < n; ++i) {
            text += (i ? u"," : u"") + core::IntToStr(i);
            made.Add(TJsonObject::Make(i));
        }
        JsonRef doc = Read(text + u"]");
        TJsonArray* array = doc->AsArray();
        EXPECT_EQ(array->Length(), n);
        EXPECT_EQ(array->Capacity(), made.Capacity());
        EXPECT_TRUE(array->Insert(0, TJsonObject::Make(u"front")));
        EXPECT_GE(array->Add(TJsonObject::Make(u"back")), 0);
        EXPECT_EQ(array->Length(), n + 2);
        EXPECT_EQ(array->GetItem(0)->AsString(), u"front");
        EXPECT_EQ(array->GetItem(n + 1)->AsString(), u"back");
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(array->GetItem(i + 1)->AsInteger(), i);
        EXPECT_EQ(array->Delete(0)->AsString(), u"front");
        EXPECT_TRUE(array->PutItem(n + 3, TJsonObject::Make(1)));
        array->Pack(false);
        EXPECT_EQ(array->Length(), n + 2);
        EXPECT_EQ(doc->Clone()->AsJSon(), doc->AsJSon());
    }
    EXPECT_EQ(JsonLiveValues(), live);
}

TEST(JsonValue, ClearEmptiesEachKind)
{
    JsonRef doc = Read(u"{\"b\":true,\"d\":1.5,\"i\":3,\"s\":\"x\",\"a\":[1],\"o\":{\"k\":1}}");
    JsonRef a = doc->GetPathObject(u"a");
    doc->GetPathObject(u"b")->Clear();
    doc->GetPathObject(u"d")->Clear();
    doc->GetPathObject(u"i")->Clear();
    doc->GetPathObject(u"s")->Clear();
    a->Clear();
    doc->GetPathObject(u"o")->Clear();
    EXPECT_EQ(doc->AsJSon(), u"{\"s\":\"\",\"o\":{},\"i\":0,\"d\":0.0,\"b\":false,\"a\":[]}");
}

TEST(JsonValue, CloneIsDeep)
{
    JsonRef doc = Read(u"{\"a\":[1,{\"b\":\"x\"}],\"n\":null}");
    doc->AsArray();
    const String before = doc->AsJSon();
    JsonRef copy = doc->Clone();
    EXPECT_EQ(copy->AsJSon(), before);
    copy->Clear(true);
    EXPECT_EQ(doc->AsJSon(), before);
    EXPECT_EQ(TJsonObject::Make(stNull)->Clone(), nullptr);
    // A nil member clones as nil.
    doc->AsObject()->PutMember(u"hole", nullptr);
    EXPECT_EQ(doc->Clone()->AsObject()->Count(), 3);
}

TEST(JsonValue, MergeCombinesMembersOfTheSameKind)
{
    JsonRef doc = Read(u"{\"a\":{\"y\":2}}");
    doc->Merge(Read(u"{\"a\":{\"x\":1}}"));
    EXPECT_EQ(doc->AsJSon(), u"{\"a\":{\"y\":2,\"x\":1}}");

    doc->Merge(Read(u"[1]"));
    EXPECT_EQ(doc->AsJSon(), u"{\"a\":{\"y\":2,\"x\":1}}");

    JsonRef array = Read(u"[1,{\"k\":1},3]");
    array->Merge(Read(u"[5,{\"j\":2},\"s\",4]"));
    EXPECT_EQ(array->AsJSon(), u"[5,{\"k\":1,\"j\":2},\"s\",4]");

    // reference: the member itself is put, not a copy.
    JsonRef target = Read(u"{}");
    JsonRef source = Read(u"{\"o\":{}}");
    target->Merge(source, true);
    EXPECT_EQ(target->GetPathObject(u"o"), source->GetPathObject(u"o"));
    target->Merge(u"{\"z\":1}");
    EXPECT_EQ(target->GetPathInteger(u"z"), 1);
}

TEST(JsonValue, CompareByKinds)
{
    struct Case {
        const char16_t* a;
        const char16_t* b;
        TJsonCompareResult result;
    };
    const Case cases[] = {
        {u"1", u"\"1\"", cpEqu},         {u"2", u"1.5", cpGreat},      {u"true", u"1", cpEqu},
        {u"false", u"0.5", cpLess},      {u"\"a\"", u"\"b\"", cpLess}, {u"{}", u"1", cpError},
        {u"1", u"[]", cpError},          {u"null", u"null", cpError},  {u"1.5", u"1.5", cpEqu},
        {u"9223372036854775807", u"-9223372036854775807", cpGreat},
        {u"-9223372036854775807", u"9223372036854775807", cpLess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(String(c.a) + u" ? " + c.b));
        EXPECT_EQ(Read(c.a)->Compare(Read(c.b)), c.result);
    }
    EXPECT_EQ(Read(u"1")->Compare(JsonRef()), cpError);
    EXPECT_EQ(Read(u"1")->Compare(StringView(u"{")), cpError);
    EXPECT_EQ(Read(u"1")->Compare(StringView(u"1")), cpEqu);
    EXPECT_EQ(TJsonObject::Make(std::nan(""))->Compare(Read(u"1")), cpLess);
}

TEST(JsonValue, FormatExpandsPaths)
{
    JsonRef doc = Read(u"{\"id\":7,\"a\":{\"b\":\"x\"}}");
    EXPECT_EQ(doc->Format(u"id=%id%"), u"id=7");
    EXPECT_EQ(doc->Format(u"<a.b>!", u'<', u'>'), u"x!");
    EXPECT_EQ(doc->Format(u"id=%id% and %id"), u"id=7 and ");
    EXPECT_EQ(doc->Format(u"%missing%."), u".");
}

TEST(JsonValue, EnumeratorAndMemberWalk)
{
    JsonRef doc = Read(u"{\"a\":1,\"b\":2}");
    auto e = doc->GetEnumerator();
    std::vector<int64_t> seen;
    while (e->MoveNext())
        seen.push_back(e->Current()->AsInteger());
    EXPECT_EQ(seen, (std::vector<int64_t>{2, 1}));

    JsonRef array = Read(u"[3,4]");
    auto ae = array->GetEnumerator();
    seen.clear();
    while (ae->MoveNext())
        seen.push_back(ae->Current()->AsInteger());
    EXPECT_EQ(seen, (std::vector<int64_t>{3, 4}));
    EXPECT_FALSE(Read(u"5")->GetEnumerator()->MoveNext());

    TJsonObjectIter iter;
    std::vector<String> keys;
    for (bool more = FirstMember(doc, iter); more; more = NextMember(iter))
        keys.push_back(iter.key + u"=" + iter.val->AsString());
    CloseMemberWalk(iter);
    EXPECT_EQ(keys, (std::vector<String>{u"b=2", u"a=1"}));
    EXPECT_FALSE(FirstMember(array, iter));
    EXPECT_TRUE(IsValueOfType(nullptr, stNull));
    EXPECT_EQ(ValueTypeOf(array), stArray);
}

void Sum(const JsonRef& self, const JsonRef& params, JsonRef& result)
{
    int64_t total = self ? self->GetPathInteger(u"base") : 0;
    if (params && params->AsArray())
        for (int32_t i = 0; i < params->AsArray()->Length(); ++i)
            total += params->AsArray()->GetItem(i)->AsInteger();
    else if (params)
        total += params->AsInteger();
    result = TJsonObject::Make(total);
}

// The reader keeps small values in their container; asked for, each is one value, the same every time,
// and a change made through it is the container's.
TEST(JsonValue, ReadValuesAreSharedWithTheirContainer)
{
    JsonRef doc = Read(u"{\"n\":[1,2.5,\"t\",true,null],\"i\":3,\"s\":\"x\"}");
    struct Case {
        const char16_t* path;
        TJsonType kind;
    };
    const Case cases[] = {{u"n[0]", stInt},     {u"n[1]", stDouble}, {u"n[2]", stString}, {u"n[3]", stBoolean},
                          {u"n[4]", stNull},    {u"i", stInt},       {u"s", stString}};
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        JsonRef first = doc->GetPathObject(c.path);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->GetDataType(), c.kind);
        EXPECT_EQ(doc->GetPathObject(c.path).get(), first.get());
        first->Clear();
    }
    EXPECT_EQ(doc->AsJSon(), u"{\"s\":\"\",\"n\":[0,0.0,\"\",false,null],\"i\":0}");

    JsonRef fresh = Read(u"{\"n\":[1,2],\"i\":3}");
    fresh->Merge(Read(u"{\"n\":[5],\"i\":4}"));
    EXPECT_EQ(fresh->AsJSon(), u"{\"n\":[5,2],\"i\":4}");
    JsonRef copy = fresh->Clone();
    copy->PutPathInteger(u"n[1]", 9);
    EXPECT_EQ(fresh->GetPathInteger(u"n[1]"), 2);
    EXPECT_EQ(copy->AsJSon(), u"{\"n\":[5,9],\"i\":4}");
    EXPECT_EQ(fresh->Delete(u"i")->AsInteger(), 4);
    EXPECT_EQ(fresh->AsArray(), nullptr);
    EXPECT_EQ(fresh->GetPathArray(u"n")->Delete(0)->AsInteger(), 5);
    EXPECT_EQ(fresh->AsJSon(), u"{\"n\":[2]}");
}

// A text read in place is held in the slot itself when it is short and in a block of its own when
// not; either way it writes, clones and becomes a value alike, and nothing of it is left behind.
TEST(JsonValue, ShortAndLongTextsInPlace)
{
    const int32_t live = JsonLiveValues();
    const String texts[] = {u"", u"a", u"ab", u"\u4E2D\u6587", u"abcd", u"abcde", u"\u4E0A\u6D77\u7535\u4FE1\u8282"};
    for (const String& text : texts) {
        SCOPED_TRACE(core::ToUtf8(text));
        const String quoted = u"\"" + text + u"\"";
        const String json = u"{\"m\":" + quoted + u",\"a\":[" + quoted + u"," + quoted + u"]}";
        JsonRef doc = Read(json);
        EXPECT_EQ(doc->AsJSon(false, false), json);
        EXPECT_EQ(doc->GetPathArray(u"a")->Slot(1).Text(), text);
        JsonRef copy = doc->Clone();
        EXPECT_EQ(copy->AsJSon(false, false), json);
        JsonRef member = doc->GetN(u"m");
        EXPECT_EQ(member->GetDataType(), stString);
        EXPECT_EQ(member->AsString(), text);
        EXPECT_EQ(doc->GetPathString(u"a[0]"), text);
        member->Merge(TJsonObject::Make(u"changed"));
        EXPECT_EQ(doc->GetPathString(u"m"), u"changed");
        EXPECT_EQ(copy->GetPathString(u"m"), text);
        EXPECT_EQ(copy->Delete(u"a")->AsJSon(false, false), u"[" + quoted + u"," + quoted + u"]");
    }
    EXPECT_EQ(JsonLiveValues(), live);
}

TEST(JsonValue, ContainersHoldingThemselves)
{
    const int32_t live = JsonLiveValues();
    {
        JsonRef doc = Read(u"{\"a\":1,\"l\":[2]}");
        doc->AsObject()->PutMember(u"self", doc);
        doc->GetPathArray(u"l")->Add(doc);
        doc->PutPathMethod(u"m", Sum);
        // Written without the member that leads back, and without the method.
        EXPECT_EQ(doc->AsJSon(), u"{\"l\":[2],\"a\":1}");
        EXPECT_EQ(doc->CalcSize(), int64_t(doc->AsJSon().size()));

        JsonRef copy = doc->Clone();
        EXPECT_EQ(copy->GetPathObject(u"self"), nullptr);
        EXPECT_EQ(copy->AsJSon(), u"{\"l\":[2,null],\"a\":1,\"self\":null}");
        copy->Clear(true);

        doc->Merge(doc);
        doc->Merge(Read(u"{\"l\":[7]}"));
        EXPECT_EQ(doc->GetPathInteger(u"l[0]"), 7);
        EXPECT_TRUE(doc->Validate(u"{\"type\":\"any\"}"));
        EXPECT_TRUE(doc->Validate(u"{\"type\":\"map\",\"mapping\":{\"self\":{\"type\":\"map\"},"
                                  u"\"a\":{\"type\":\"int\"},\"l\":{\"type\":\"any\"},\"m\":{\"type\":\"any\"}}}"));
        doc->Clear(true);
    }
    EXPECT_EQ(JsonLiveValues(), live);
}

TEST(JsonValue, FreeingAReferencedValueRaises)
{
    JsonRef held = TJsonObject::Make(1);
    auto* object = dynamic_cast<TJsonObject*>(held.get());
    EXPECT_THROW(object->Free(), core::EInvalidPointer);
    auto* loose = new TJsonObject(stInt);
    EXPECT_NO_THROW(loose->Free());
}

TEST(JsonValue, UnitFinalisationReportsLiveValues)
{
    if (JsonLiveValues() != 0)
        GTEST_SKIP() << "values of other tests are alive";
    EXPECT_NO_THROW(FinalizeJsonUnit());
    JsonRef alive = TJsonObject::Make(1);
    try {
        FinalizeJsonUnit();
        ADD_FAILURE() << "no exception";
    } catch (const core::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), u"Memory leak");
    }
}

TEST(JsonValue, DataPtrIsKeptButNotCopied)
{
    int marker = 0;
    JsonRef value = TJsonObject::Make(1);
    value->SetDataPtr(&marker);
    EXPECT_EQ(value->GetDataPtr(), &marker);
    EXPECT_EQ(value->Clone()->GetDataPtr(), nullptr);
    EXPECT_TRUE(value->IsType(stInt));
}

} // namespace

namespace support::test {
// The method used by the path tests.
void JsonSum(const JsonRef& self, const JsonRef& params, JsonRef& result) { Sum(self, params, result); }
} // namespace support::test
