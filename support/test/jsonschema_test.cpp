// Validation against rule documents: every violation with its kind and path, in traversal order.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsonreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace support;
using core::String;

struct Violation {
    TJsonValidateError error;
    String path;
    bool operator==(const Violation&) const = default;
};

void Collect(void* sender, TJsonValidateError error, const String& path)
{
    static_cast<std::vector<Violation>*>(sender)->push_back({error, path});
}

struct Case {
    const char16_t* rules;
    const char16_t* value;
    bool passes;
    std::vector<Violation> violations;
    const char16_t* defs = u"";
};

void PrintTo(const Violation& v, std::ostream* os) { *os << int(v.error) << "@" << core::ToUtf8(v.path); }

TEST(JsonSchema, RulesAndTheirViolations)
{
    const Case cases[] = {
        {u"{type:map,mapping:{id:{type:int}}}", u"{\"id\":\"x\"}", false, {{veInvalidDataType, u".id"}}},
        {u"{type:map,mapping:{id:{type:int}}}", u"{}", false, {{veFieldNotFound, u".id"}}},
        {u"{type:map,mapping:{id:{type:int}}}", u"{\"id\":1,\"x\":2}", false, {{veUnexpectedField, u".x"}}},
        {u"{type:map,mapping:{id:{type:int}}}", u"null", true, {}},
        {u"{type:map}", u"[]", false, {{veRuleMalformated, u""}}},
        {u"{type:seq,sequence:{type:str},length:{max:2}}", u"[\"a\",\"b\",\"c\"]", false, {{veInvalidLength, u""}}},
        {u"{type:seq,sequence:{type:str},length:{min:1}}", u"[]", false, {{veInvalidLength, u""}}},
        {u"{type:seq,sequence:{type:str,unique:true}}", u"[\"a\",\"b\",\"a\"]", false, {{veDuplicateEntry, u"[2]"}}},
        {u"{type:seq,sequence:{type:str,unique:true}}", u"[\"\",\"\"]", true, {}},
        {u"{type:seq,sequence:{type:map,mapping:{k:{type:int,unique:true}}}}",
         u"[{\"k\":1},{\"k\":2},5,{\"k\":1}]",
         false,
         {{veRuleMalformated, u"[2]"}, {veDuplicateEntry, u"[3].k"}}},
        {u"{type:seq,sequence:5}", u"[1]", false, {{veRuleMalformated, u""}}},
        {u"{type:seq}", u"[1,2]", true, {}},
        {u"{type:int,range:{minex:0}}", u"0", false, {{veInvalidRange, u""}}},
        {u"{type:int,range:{minex:0}}", u"1", true, {}},
        {u"{type:number,range:{min:1,max:2.5}}", u"3", false, {{veInvalidRange, u""}}},
        {u"{type:str,range:{maxex:\"b\"}}", u"\"b\"", false, {{veInvalidRange, u""}}},
        {u"{type:str,length:{min:2,maxex:4}}", u"\"abcd\"", false, {{veInvalidLength, u""}}},
        {u"{type:str,length:5}", u"\"a\"", false, {{veRuleMalformated, u""}}},
        {u"{type:text}", u"1.5", true, {}},
        {u"{type:text}", u"true", false, {{veInvalidDataType, u""}}},
        {u"{type:scalar}", u"true", true, {}},
        {u"{type:float}", u"1", false, {{veInvalidDataType, u""}}},
        {u"{type:bool}", u"false", true, {}},
        {u"{type:any}", u"[{}]", true, {}},
        {u"{type:date}", u"1", false, {{veRuleMalformated, u""}}},
        {u"{type:str,enum:[\"a\",\"b\"]}", u"\"c\"", false, {{veValueNotInEnum, u""}}},
        {u"{type:str,enum:[\"a\",\"b\"]}", u"\"b\"", true, {}},
        {u"{type:int,enum:[\"1\",2]}", u"1", true, {}},
                {u"{type:str,enum:\"a\"}", u"\"a\"", false, {{veRuleMalformated, u""}}},
        {u"{type:map,mapping:{a:{type:str,required:true}}}", u"{\"a\":null}", false,
         {{veInvalidDataType, u".a"}}},
        {u"{type:map,mapping:{a:{type:str,required:\"yes\"}}}", u"{\"b\":1}", false,
         {{veUnexpectedField, u".b"}, {veFieldNotFound, u".a"}}},
        {u"[]", u"1", false, {{veRuleMalformated, u""}}},
        // Named rules and inheritance.
        {u"{inherit:base}", u"\"s\"", true, {}, u"[{name:base,type:str}]"},
        {u"{inherit:base}", u"5", false, {{veInvalidDataType, u""}}, u"[{name:base,type:str}]"},
        {u"{type:map,inherit:base,mapping:{b:{type:int}}}", u"{\"b\":1}", false, {{veFieldNotFound, u".a"}},
         u"[{name:base,type:map,mapping:{a:{type:str}}}]"},
        {u"{type:int}", u"1", false, {{veRuleMalformated, u""}}, u"[{name:x},5]"},
        // A chain that comes back to itself ends there.
        {u"{name:a,inherit:b}", u"1", false, {{veRuleMalformated, u""}}, u"[{name:b,inherit:a}]"},
        {u"{type:map,mapping:{x:{name:item,type:int}}}", u"{\"x\":1}", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(String(c.rules) + u" / " + c.value));
        JsonRef value = ParseString(c.value, false);
        ASSERT_NE(value, nullptr);
        std::vector<Violation> got;
        EXPECT_EQ(value->Validate(c.rules, c.defs, Collect, &got), c.passes);
        EXPECT_EQ(got, c.violations);
    }
}

TEST(JsonSchema, NilValuesAndRequiredFlags)
{
    // Checked directly: a nil member is reported only when required, and a malformed flag counts as
    // false after it is reported.
    JsonRef value = ParseString(u"{}");
    value->AsObject();
    std::vector<Violation> got;
    JsonRef rules = ParseString(u"{type:map,mapping:{a:{type:str,required:\"yes\"},b:{type:str,required:true}}}");
    JsonRef doc = ParseString(u"{}");
    JsonRef holes = TJsonObject::Make(stObject);
    holes->PutPathObject(u"a", nullptr);
    holes->PutPathObject(u"b", nullptr);
    EXPECT_FALSE(holes->Validate(rules, nullptr, Collect, &got));
    EXPECT_EQ(got, (std::vector<Violation>{{veFieldIsRequired, u".b"}, {veRuleMalformated, u"required"}}));
    EXPECT_TRUE(doc->Validate(u"{type:any}", u"", nullptr, nullptr));

    // Nil enumeration entries count as the empty text; nil elements take no part in uniqueness.
    JsonRef enumRule = ParseString(u"{type:str,enum:[]}");
    enumRule->GetPathArray(u"enum")->PutItem(1, TJsonObject::Make(u"x"));
    EXPECT_TRUE(TJsonObject::Make(u"")->Validate(enumRule));
    JsonRef list = ParseString(u"[\"a\"]");
    list->AsArray()->PutItem(3, TJsonObject::Make(u"b"));
    got.clear();
    EXPECT_TRUE(list->Validate(ParseString(u"{type:seq,sequence:{type:str,unique:true}}"), nullptr, Collect, &got));
    EXPECT_TRUE(got.empty());
}

} // namespace
