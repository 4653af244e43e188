#include "data/storage/filter.h"

#include "data/storage/test/error_of.h"
#include "data/storage/test/table_store.h"

#include "core/datetime.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace data;
using namespace storetest;

namespace {

// Id, Name (ANSI 20), Qty (int32), Price (double), [Order Date] (date-time), W (UTF-16 10), Big (int64).
std::unique_ptr<TableStore> Goods()
{
    auto store = std::make_unique<TableStore>(std::vector<Column>{
        {u"Id", dtInt32, 4},
        {u"Name", dtString, 21, 20},
        {u"Qty", dtInt32, 4},
        {u"Price", dtFloat, 8},
        {u"Order Date", dtDateTime, 8},
        {u"W", dtWideString, 22, 10},
        {u"Big", dtInt64, 8},
    });
    auto date = [](const char16_t* text) { return Variant::FromDate(Variant(text).AsDateTime()); };
    store->Add({int32_t(1), u"Apple", int32_t(5), 12.5, date(u"2009-12-31"), u"apple", int64_t(100)});
    store->Add({int32_t(2), u"avocado", int32_t(-5), 500.0, date(u"2010-01-02"), u"AVOCADO", int64_t(200)});
    store->Add({int32_t(3), u"Banana", int32_t(10), 499.99, date(u"2011-06-01"), u"banana", int64_t(300)});
    store->Add({int32_t(4), Variant(), int32_t(0), 7.0, Variant(), Variant(), Variant()});
    store->Add({int32_t(5), u"A*", int32_t(20), 1000.0, date(u"2010-01-01 12:00"), u"a*", int64_t(400)});
    store->Add({int32_t(6), u"It's", int32_t(7), 0.5, date(u"2010-01-01"), u"\u00e4pfel", int64_t(-1)});
    store->Add({int32_t(7), u"ABBC", int32_t(5), 5.0, date(u"2012-01-01"), u"ABC", int64_t(5)});
    return store;
}

String Ids(TableStore& store)
{
    String ids;
    for (const String& id : store.Walk(u"Id"))
        ids += (ids.empty() ? u"" : u",") + id;
    return ids;
}

struct FilterCase {
    const char16_t* text;
    const char16_t* ids;
    bool caseInsensitive = false;
    bool noPartial = false;
};

const FilterCase kCases[] = {
    {u"Qty = 5", u"1,7"},
    {u"Qty = -5", u"2"},
    {u"Qty <> 5", u"2,3,4,5,6"},
    {u"Qty > 5", u"3,5,6"},
    {u"5 < Qty", u"3,5,6"},
    {u"Qty >= 5.5", u"3,5,6"},
    {u"Price >= 500", u"2,5"},
    {u"Price < 7", u"6,7"},
    {u"Price <= 7 AND Qty >= 0", u"4,6,7"},
    {u"Big > 150", u"2,3,5"},
    {u"Big = 5", u"7"},
    {u"Big IS NULL", u"4"},
    {u"Qty > NULL", u""},
    {u"Qty = NULL", u""},
    {u"Name IS NULL", u"4"},
    {u"Name IS NOT NULL", u"1,2,3,5,6,7"},
    {u"NOT Name IS NULL AND Qty < 6", u"1,2,7"},
    {u"Name = 'Apple'", u"1"},
    {u"Name = 'apple'", u"1", true},
    {u"Name = 'A*'", u"1,5,7"},
    {u"Name = 'A*'", u"5", false, true},
    {u"Name = 'a*'", u"1,2,5,7", true},
    {u"Name LIKE 'A%'", u"1,5,7"},
    {u"Name NOT LIKE 'A%'", u"2,3,4,6"},
    {u"Name LIKE 'A_BC'", u"7"},
    {u"Name LIKE '%an%'", u"3"},
    {u"Name <> 'Apple'", u"2,3,4,5,6,7"},
    {u"Name > 'B'", u"2,3,6"},
    {u"'B' > Name", u"1,5,7"},
    {u"Name >= 'banana'", u"3,6", true},
    {u"Name = 'It''s'", u"6"},
    {u"W = 'APPLE'", u"1", true},
    {u"W LIKE '_pfel'", u"6"},
    {u"W = 'a%'", u"1,5"},
    {u"W > 'B'", u"1,3,5,6"},
    {u"[Order Date] > '2010-01-01'", u"2,3,5,7"},
    {u"[Order Date] = '2010-01-01'", u"6"},
    {u"[Order Date] <= '2010-01-01'", u"1,6"},
    {u"Qty = 5 OR Qty = 10 AND Price > 100", u"1,3,7"},
    {u"(Qty = 5 OR Qty = 10) AND Price > 10", u"1,3"},
    {u"TRUE", u"1,2,3,4,5,6,7"},
    {u"FALSE OR Id = 2", u"2"},
    {u"Id = 2 OR Name = 'x' AND Qty > 1", u"2"},
    // Both sides of AND and OR taken on the stored values.
    {u"Price >= 500 AND Name LIKE 'A%'", u"5"},
    {u"Qty < 6 OR Name = 'Banana'", u"1,2,3,4,7"},
    {u"Name IS NULL OR Price < 1", u"4,6"},
    {u"Name LIKE 'a%' AND Qty > 0", u"1,5,7", true},
    {u"Big > 150 AND Price < 600", u"2,3"},
    {u"600 > Price AND 150 < Big", u"2,3"},
    {u"Big > 150 OR Qty = 0", u"2,3,4,5"},
    {u"Name LIKE 'A%' OR Name LIKE 'B%'", u"1,3,5,7"},
    {u"Name NOT LIKE 'A%' AND Id < 4", u"2,3"},
    {u"Qty = Id", u""},
    {u"Qty > Id", u"1,3,5,6"},
    {u"Name = 5", u""},
    {u"Qty = '10'", u"3"},
    {u"  ", u"1,2,3,4,5,6,7"},
};

} // namespace

TEST(FilterText, EveryCaseGivesTheSameRecordsOnBothRoads)
{
    auto store = Goods();
    for (const FilterCase& c : kCases) {
        for (bool variants : {false, true}) {
            SCOPED_TRACE(core::ToAnsi(String(c.text) + (variants ? u" (variants)" : u" (native)")));
            store->FilterVariantRoadOnly = variants;
            store->FilterCaseInsensitive = c.caseInsensitive;
            store->FilterNoPartialCompare = c.noPartial;
            store->SetFilterText(c.text);
            store->FilterUpdated();
            EXPECT_EQ(core::ToAnsi(Ids(*store)), core::ToAnsi(c.ids));
            store->SetFilterText(u"");
        }
    }
}

TEST(FilterText, AComparisonWithAFieldIsDecidedOnTheStoredValueWhereItCan)
{
    auto store = Goods();
    struct Case {
        const char16_t* text;
        TNativeCompare native;
    } cases[] = {
        {u"Qty = 5", TNativeCompare::Number},   {u"5.5 > Price", TNativeCompare::Number},
        {u"Name LIKE 'A%'", TNativeCompare::Text}, {u"'A' < Name", TNativeCompare::Text},
        {u"'A%' = Name", TNativeCompare::None},  {u"Name IS NULL", TNativeCompare::IsNull},
        {u"Name = '\u00e4'", TNativeCompare::None}, {u"[Order Date] > '2010-01-01'", TNativeCompare::None},
        {u"Qty = '5'", TNativeCompare::None},    {u"Qty = Id", TNativeCompare::None},
    };
    for (const Case& c : cases) {
        store->SetFilterText(c.text);
        EXPECT_EQ(int(store->FilterExpression()->Root()->Native), int(c.native)) << core::ToAnsi(c.text);
    }
}

namespace {

String Dump(const TExpressionNode* node)
{
    if (!node)
        return u"-";
    static const char16_t* names[] = {u"Equal", u"More", u"Less", u"MoreEqual", u"LessEqual", u"NoEqual", u"And",
                                      u"Or", u"Not", u"Field", u"Value", u"True", u"False", u"Like", u"NotLike"};
    switch (node->NodeType) {
    case ntField:
        return node->FieldDesc->Name;
    case ntValue: {
        const Variant& v = node->Value;
        if (v.IsNull())
            return u"Null";
        if (v.VarType() == core::varInt64)
            return u"i" + v.AsString();
        if (v.VarType() == core::varDouble)
            return u"d" + v.AsString();
        if (v.VarType() == core::varBoolean)
            return v.AsBoolean() ? u"true" : u"false";
        return u"'" + v.AsString() + u"'";
    }
    case ntTrue: case ntFalse:
        return names[node->NodeType];
    case ntNot:
        return u"Not(" + Dump(node->LeftOperand) + u")";
    default:
        return String(names[node->NodeType]) + u"(" + Dump(node->LeftOperand) + u"," + Dump(node->RightOperand) +
            u")";
    }
}

} // namespace

TEST(FilterText, ParsesIntoTheNodeTree)
{
    auto store = Goods();
    struct Case {
        const char16_t* text;
        const char16_t* tree;
    } cases[] = {
        {u"Price >= 10 AND (Name LIKE 'A%' OR Name IS NULL)", u"And(MoreEqual(Price,i10),Or(Like(Name,'A%'),Equal(Name,Null)))"},
        {u"[Order Date] > '2010-01-01'", u"More(Order Date,'2010-01-01')"},
        {u"Qty = -5", u"Equal(Qty,d-5)"},
        {u"Qty = 5", u"Equal(Qty,i5)"},
        {u"Qty = +2.5", u"Equal(Qty,d2.5)"},
        {u"Name = 'It''s'", u"Equal(Name,'It's')"},
        {u"Name = ''", u"Equal(Name,'')"},
        {u"a = 1 OR b = 2 OR c = 3", nullptr},
        {u"Id = 1 OR Qty = 2 OR Big = 3", u"Or(Or(Equal(Id,i1),Equal(Qty,i2)),Equal(Big,i3))"},
        {u"Id = 1 AND Qty = 2 AND NOT Big = 3", u"And(And(Equal(Id,i1),Equal(Qty,i2)),Not(Equal(Big,i3)))"},
        {u"Name IS NOT NULL", u"NoEqual(Name,Null)"},
        {u"Name not like 'x'", u"NotLike(Name,'x')"},
        {u"TRUE AND FALSE", u"And(True,False)"},
        {u"Qty = TRUE", u"Equal(Qty,true)"},
        {u"name = null", u"Equal(Name,Null)"},
    };
    for (const Case& c : cases) {
        if (!c.tree)
            continue;
        store->SetFilterText(c.text);
        EXPECT_EQ(core::ToAnsi(Dump(store->FilterExpression()->Root())), core::ToAnsi(c.tree)) << core::ToAnsi(c.text);
    }
}

TEST(FilterText, IllegalTextsRaiseAndKeepThePreviousFilter)
{
    auto store = Goods();
    store->SetFilterText(u"Qty = 5");
    struct Case {
        const char16_t* text;
        const char16_t* message;
    } cases[] = {
        {u"Name IS 5", u"Illegal filter expression"},
        {u"Name NOT = 'x'", u"Illegal filter expression"},
        {u"Qty =", u"Illegal filter expression"},
        {u"Qty = 5 AND", u"Illegal filter expression"},
        {u"(Qty = 5", u"Illegal filter expression"},
        {u"Qty = 5)", u"Illegal filter expression"},
        {u"Qty", u"Illegal filter expression"},
        {u"- 'x' = Qty", u"Illegal filter expression"},
        {u"Qty = - Id", u"Illegal filter expression"},
        {u"Qty = 5 Id = 3", u"Illegal filter expression"},
        {u"= 5", u"Illegal filter expression"},
        {u"Nope = 1", u"Field Nope not found"},
        {u"[No Such] = 1", u"Field No Such not found"},
        {u"Name.Part = 1", u"Field Name.Part not found"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::ToAnsi(ErrorOf<core::Exception>([&] { store->SetFilterText(c.text); })), core::ToAnsi(c.message))
            << core::ToAnsi(c.text);
        EXPECT_EQ(store->FilterText(), u"Qty = 5");
        store->FilterUpdated();
        EXPECT_EQ(core::ToAnsi(Ids(*store)), "1,7");
    }
}

TEST(FilterText, TheTextIsParsedAtOpenAndItsNodesFreedAtClose)
{
    TableStore store({{u"Id", dtInt32, 4}}, false);
    store.SetFilterText(u"Nope = 1");  // not checked while closed
    EXPECT_EQ(ErrorOf<core::Exception>([&] { store.Open(); }), u"Field Nope not found");
    EXPECT_FALSE(store.Active());
    EXPECT_FALSE(store.HasFilterExpression());
    store.SetFilterText(u"Id > 1");
    store.Open();
    for (int i = 1; i <= 3; ++i)
        store.Add({int32_t(i)});
    store.FilterUpdated();
    EXPECT_EQ(store.Walk(u"Id"), Texts({u"2", u"3"}));
    store.Close();
    EXPECT_FALSE(store.HasFilterExpression());
}

TEST(FilterText, ADateTextThatIsNoDatePassesTheErrorToTheCaller)
{
    auto store = Goods();
    store->SetFilterText(u"[Order Date] > 'soon'");
    EXPECT_ANY_THROW(store->FilterUpdated());
}

TEST(FilterPattern, MatchTable)
{
    struct Case {
        const char16_t* text;
        const char16_t* pattern;
        bool match;
    } cases[] = {
        {u"ABC", u"A_C", true},   {u"ABBC", u"A_C", false}, {u"AC", u"A%C", true},    {u"ABBC", u"A%C", true},
        {u"", u"", true},         {u"A", u"", false},        {u"", u"A", false},       {u"", u"%", true},
        {u"", u"_", false},       {u"abc", u"*", true},      {u"abc", u"a*c*", true},  {u"abc", u"*b", false},
        {u"abc", u"*c", true},    {u"abc", u"%b%", true},    {u"abc", u"a%%c", true},  {u"ab", u"a%b%c", false},
        {u"aXbXc", u"a%b%c", true}, {u"abc", u"ABC", false}, {u"a%c", u"a%c", true},   {u"abcd", u"a_c", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchPattern(c.text, c.pattern), c.match) << core::ToAnsi(c.text) << " " << core::ToAnsi(c.pattern);
        EXPECT_EQ(MatchPatternA(core::ToAnsi(c.text), core::ToAnsi(c.pattern)), c.match);
    }
}

TEST(FilterPattern, ManyWildcardsStayLinearWhenTheTextRunsOut)
{
    const String text(40, u'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(MatchPattern(text, u"%a%a%a%a%a%a%b"));
    EXPECT_FALSE(MatchPattern(String(5000, u'a'), u"%a%a%a%a%a%a%a%a%a%a%a%a%b"));
    EXPECT_TRUE(MatchPattern(text, u"%a%a%a%a%a%a%a"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(FilterDecision, FilterFunctionShortCircuitsAndTheDecisionIsCached)
{
    auto store = Goods();
    int calls = 0;
    store->FilterFunc = [&](void*) {
        ++calls;
        return false;
    };
    store->SetFilterText(u"Qty > 'not a number'");  // would raise if it were evaluated
    store->FilterUpdated();
    EXPECT_EQ(store->GetRecordCount(), 0);
    EXPECT_TRUE(store->GetEof());
    const int afterUpdate = calls;
    store->SetToBegin();
    store->GetNextRecord(nullptr);
    EXPECT_EQ(calls, afterUpdate);  // cached
    store->FilterFunc = nullptr;
    store->SetFilterText(u"Qty = 5");
    store->FilterUpdated();
    EXPECT_EQ(core::ToAnsi(Ids(*store)), "1,7");
}

TEST(FilterText, IsNullKeepsOnlyNullsNotEmptyTexts)
{
    TableStore store({{u"Id", dtInt32, 4}, {u"Name", dtString, 11, 10}});
    store.EnableEmptyStrings = true;
    store.Add({int32_t(1), u""});
    store.Add({int32_t(2), Variant()});
    store.Add({int32_t(3), u"x"});
    const struct {
        const char16_t* text;
        const char16_t* ids;
    } cases[] = {{u"Name IS NULL", u"2"}, {u"Name IS NOT NULL", u"1,3"}, {u"Name = ''", u"1"}, {u"Name LIKE '%'", u"1,3"}};
    for (const auto& c : cases)
        for (bool variants : {false, true}) {
            store.FilterVariantRoadOnly = variants;
            store.SetFilterText(c.text);
            store.FilterUpdated();
            EXPECT_EQ(core::ToAnsi(Ids(store)), core::ToAnsi(c.ids)) << core::ToAnsi(c.text) << variants;
        }
}

TEST(FilterText, TrimmedAndByReferenceTextsOnBothRoads)
{
    TableStore store({{u"Id", dtInt32, 4}, {u"S", dtString, 11, 10}, {u"R", dtExtString, 8, 10}, {u"W", dtExtWideString, 8, 10}});
    store.Add({int32_t(1), u"ab  ", u"ab  ", u"ab  "});
    store.Add({int32_t(2), u"ab", u"ab", u"ab"});
    const struct {
        const char16_t* text;
        bool trim;
        const char16_t* ids;
    } cases[] = {
        {u"S = 'ab'", false, u"2"}, {u"S = 'ab'", true, u"1,2"},     {u"R = 'ab'", true, u"2"},
        {u"R LIKE 'ab %'", true, u"1"}, {u"W = 'ab'", true, u"2"},  {u"S > 'ab'", false, u"1"},
        {u"S > 'ab'", true, u""},   {u"R >= 'ab '", true, u"1"},     {u"W LIKE '%b'", false, u"2"},
    };
    for (const auto& c : cases)
        for (bool variants : {false, true}) {
            store.FilterVariantRoadOnly = variants;
            store.TrimVarChar = c.trim;
            store.SetFilterText(u"");
            store.SetFilterText(c.text);
            store.FilterUpdated();
            EXPECT_EQ(core::ToAnsi(Ids(store)), core::ToAnsi(c.ids)) << core::ToAnsi(c.text) << c.trim << variants;
        }
}
