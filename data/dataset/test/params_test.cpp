// Parameters: the conversions of each kind of value through each typed getter, typing by the
// setters, name search, creation order, copying between parameters, lists and fields.
#include "data/dataset/params.h"

#include "data/dataset/test/fixture.h"

#include "core/convert.h"
#include "core/datetime.h"

#include <functional>

namespace data::test {
namespace {

const char* const kCastError = "<cast error>";

// One getter's result as text, or kCastError.
std::string Read(const TParam& param, const std::function<String(const TParam&)>& getter)
{
    try {
        return core::ToUtf8(getter(param));
    } catch (const core::EVariantTypeCastError&) {
        return kCastError;
    }
}

TEST(ParamTest, EachKindOfValueReadsThroughEachGetter)
{
    const core::SQLTimeStamp stamp{2009, 3, 5, 14, 7, 9, 0};
    using Getter = std::function<String(const TParam&)>;
    const Getter asString = [](const TParam& p) { return p.AsString(); };
    const Getter asInteger = [](const TParam& p) { return core::IntToStr(p.AsInteger()); };
    const Getter asLargeInt = [](const TParam& p) { return core::IntToStr(p.AsLargeInt()); };
    const Getter asFloat = [](const TParam& p) { return core::FloatToStr(p.AsFloat()); };
    const Getter asBoolean = [](const TParam& p) { return String(p.AsBoolean() ? u"T" : u"F"); };
    const Getter asFMTBCD = [](const TParam& p) { return core::BcdToStr(p.AsFMTBCD()); };
    const Getter asStamp = [](const TParam& p) { return core::SQLTimeStampToStr(p.AsSQLTimeStamp()); };
    const Getter asDate = [](const TParam& p) { return core::FloatToStr(p.AsDateTime()); };
    struct Case {
        const char* name;
        Variant value;
        const Getter* getter;
        std::string expected;
    };
    const Case cases[] = {
        // A missing value reads as the neutral value of every kind.
        {"Null as text", Variant::Null(), &asString, ""},
        {"Null as integer", Variant::Null(), &asInteger, "0"},
        {"Null as Boolean", Variant::Null(), &asBoolean, "F"},
        {"Null as decimal", Variant::Null(), &asFMTBCD, "0"},
        {"Empty as float", Variant(), &asFloat, "0"},
        {"Empty as large integer", Variant(), &asLargeInt, "0"},
        // Text converts when it reads as the kind, and raises otherwise.
        {"number text as integer", Variant(u"42"), &asInteger, "42"},
        {"number text as float", Variant(u"2.5"), &asFloat, "2.5"},
        {"word as integer", Variant(u"abc"), &asInteger, kCastError},
        {"word as Boolean", Variant(u"abc"), &asBoolean, kCastError},
        {"True as Boolean", Variant(u"True"), &asBoolean, "T"},
        // A decimal is a number.
        {"decimal as text", Variant(core::StrToBcd(u"12.5")), &asString, "12.5"},
        {"decimal as float", Variant(core::StrToBcd(u"12.5")), &asFloat, "12.5"},
        {"decimal as large integer", Variant(core::StrToBcd(u"12")), &asLargeInt, "12"},
        {"integer as decimal", Variant(int32_t(7)), &asFMTBCD, "7"},
        // A time stamp is a date.
        {"time stamp as date", Variant(stamp), &asDate,
         core::ToUtf8(core::FloatToStr(core::SQLTimeStampToDateTime(stamp)))},
        {"time stamp as time stamp", Variant(stamp), &asStamp, core::ToUtf8(core::SQLTimeStampToStr(stamp))},
        {"date as time stamp", Variant::FromDate(core::SQLTimeStampToDateTime(stamp)), &asStamp,
         core::ToUtf8(core::SQLTimeStampToStr(stamp))},
        {"word as time stamp", Variant(u"abc"), &asStamp, kCastError},
        {"integer as text", Variant(int32_t(-3)), &asString, "-3"},
    };
    for (const Case& c : cases) {
        TParam param;
        param.SetValue(c.value);
        EXPECT_EQ(Read(param, *c.getter), c.expected) << c.name;
    }
}

TEST(ParamTest, SettersTypeAnUntypedParameterOnly)
{
    struct Case {
        const char* name;
        std::function<void(TParam&)> write;
        TFieldType type;
    };
    const Case cases[] = {
        {"string", [](TParam& p) { p.SetAsString(u"x"); }, ftWideString},
        {"ANSI string", [](TParam& p) { p.SetAsAnsiString(u"x"); }, ftString},
        {"integer", [](TParam& p) { p.SetAsInteger(1); }, ftInteger},
        {"small integer", [](TParam& p) { p.SetAsSmallInt(1); }, ftSmallint},
        {"word", [](TParam& p) { p.SetAsWord(1); }, ftWord},
        {"short integer", [](TParam& p) { p.SetAsShortInt(1); }, ftShortint},
        {"byte", [](TParam& p) { p.SetAsByte(1); }, ftByte},
        {"large integer", [](TParam& p) { p.SetAsLargeInt(1); }, ftLargeint},
        {"float", [](TParam& p) { p.SetAsFloat(1); }, ftFloat},
        {"currency", [](TParam& p) { p.SetAsCurrency(core::Currency::FromRaw(1)); }, ftCurrency},
        {"Boolean", [](TParam& p) { p.SetAsBoolean(true); }, ftBoolean},
        {"date", [](TParam& p) { p.SetAsDate(1); }, ftDate},
        {"time", [](TParam& p) { p.SetAsTime(0.5); }, ftTime},
        {"date-time", [](TParam& p) { p.SetAsDateTime(1.5); }, ftDateTime},
        {"BCD", [](TParam& p) { p.SetAsBCD(core::Currency::FromRaw(1)); }, ftBCD},
        {"FMT BCD", [](TParam& p) { p.SetAsFMTBCD(core::StrToBcd(u"1")); }, ftFMTBcd},
        {"time stamp", [](TParam& p) { p.SetAsSQLTimeStamp({2000, 1, 1, 0, 0, 0, 0}); }, ftTimeStamp},
        {"bytes", [](TParam& p) { p.SetAsBytes({1}); }, ftVarBytes},
        {"blob", [](TParam& p) { p.SetAsBlob({1}); }, ftBlob},
        {"memo", [](TParam& p) { p.SetAsMemo(u"m"); }, ftMemo},
        {"variant integer", [](TParam& p) { p.SetValue(Variant(int64_t(5))); }, ftLargeint},
    };
    for (const Case& c : cases) {
        TParam untyped;
        c.write(untyped);
        EXPECT_EQ(untyped.DataType(), c.type) << c.name;
        EXPECT_TRUE(untyped.Bound()) << c.name;
        EXPECT_FALSE(untyped.IsNull()) << c.name;
        TParam typed;
        typed.SetDataType(ftFloat);
        c.write(typed);
        EXPECT_EQ(typed.DataType(), ftFloat) << c.name;
    }
    TParam param;
    param.SetAsInteger(5);
    param.Clear();
    EXPECT_TRUE(param.IsNull());
    EXPECT_EQ(param.DataType(), ftInteger);
}

TEST(ParamsTest, NamesAreFoundWithoutCaseAndUnknownOnesRaise)
{
    TParams params;
    TParam* first = params.CreateParam(ftInteger, u"Id", ptInput);
    TParam* second = params.CreateParam(ftString, u"ID", ptOutput);
    params.CreateParam(ftDate, u"When", ptUnknown);
    EXPECT_EQ(params.Count(), 3);
    EXPECT_EQ(params.Items(1), second);
    EXPECT_EQ(params.ParamNames(), u"Id;ID;When");
    EXPECT_EQ(second->ParamType(), ptOutput);
    EXPECT_EQ(second->DataType(), ftString);
    EXPECT_EQ(params.FindParam(u"id"), first);
    EXPECT_EQ(params.ParamByName(u"wHEN"), params.Items(2));
    EXPECT_EQ(params.FindParam(u"none"), nullptr);
    try {
        params.ParamByName(u"none");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Parameter 'none' not found");
    }
    EXPECT_EQ(params.Count(), 3);

    params.SetParamValues(u"Id;When", Variant::ArrayOf({Variant(int32_t(4)), Variant::FromDate(2)}));
    EXPECT_EQ(first->AsInteger(), 4);
    EXPECT_EQ(params.ParamValues(u"When").AsDateTime(), 2.0);
    EXPECT_EQ(params.ParamValues(u"Id;When").ArrayCount(), 2);

    auto loose = std::make_unique<TParam>();
    loose->SetName(u"Extra");
    params.AddParam(loose.get());
    EXPECT_EQ(params.FindParam(u"extra"), loose.get());
    params.RemoveParam(loose.get());
    EXPECT_EQ(params.FindParam(u"extra"), nullptr);
    EXPECT_EQ(loose->Collection(), nullptr);
}

TEST(ParamsTest, ValuesAreAssignedByNameAndListsCompare)
{
    TParams target;
    target.CreateParam(ftInteger, u"A", ptInput);
    target.CreateParam(ftString, u"B", ptInput)->SetAsString(u"kept");
    TParams source;
    source.CreateParam(ftInteger, u"a", ptUnknown)->SetAsInteger(9);
    source.CreateParam(ftInteger, u"C", ptInput)->SetAsInteger(1);

    target.AssignValues(source);
    EXPECT_EQ(target.Count(), 2);
    EXPECT_EQ(target.ParamByName(u"A")->AsInteger(), 9);
    EXPECT_EQ(target.ParamByName(u"A")->ParamType(), ptInput);  // a known direction stays
    EXPECT_EQ(target.ParamByName(u"B")->AsString(), u"kept");

    TParams copy;
    copy.Assign(target);
    EXPECT_TRUE(copy.IsEqual(target));
    copy.Items(1)->SetAsString(u"changed");
    EXPECT_FALSE(copy.IsEqual(target));
    copy.Items(1)->SetAsString(u"kept");
    EXPECT_TRUE(copy.IsEqual(target));
    copy.CreateParam(ftInteger, u"D", ptInput);
    EXPECT_FALSE(copy.IsEqual(target));
}

TEST(ParamTest, AssignTakesTypeValueAndNameFromFieldsAndGivesValuesBack)
{
    const core::SQLTimeStamp stamp{2009, 3, 5, 14, 7, 9, 0};
    struct Case {
        TFieldType type;
        int size;
        Variant value;
    };
    const Case cases[] = {
        {ftString, 10, Variant(u"text")},
        {ftWideString, 10, Variant(u"\u4f60\u597d")},
        {ftSmallint, 0, Variant(int16_t(-5))},
        {ftInteger, 0, Variant(int32_t(123456))},
        {ftWord, 0, Variant(uint16_t(65535))},
        {ftLargeint, 0, Variant((int64_t(1) << 62) + 1)},
        {ftBoolean, 0, Variant(true)},
        {ftFloat, 0, Variant(2.5)},
        {ftCurrency, 0, Variant(1.25)},
        {ftBCD, 4, Variant(core::Currency::FromRaw(123456))},
        {ftFMTBcd, 2, Variant(core::StrToBcd(u"123.45"))},
        {ftDateTime, 0, Variant::FromDate(core::EncodeDateTime(2009, 3, 5, 14, 7, 9, 0))},
        {ftTimeStamp, 0, Variant(stamp)},
        {ftVarBytes, 4, Variant(Variant::Bytes{1, 2, 3})},
        {ftMemo, 0, Variant(u"memo")},
    };
    for (const Case& c : cases) {
        const std::string name = core::ToUtf8(FieldTypeName(c.type));
        TArrayDataSet ds;
        ds.AddColumn(u"V", c.type, c.size);
        ds.Open();
        ds.Append();
        TField& field = *ds.FieldByName(u"V");
        field.SetValue(c.value);

        TParam param;
        param.Assign(field);
        EXPECT_EQ(param.DataType(), c.type) << name;
        EXPECT_EQ(param.Name(), u"V") << name;
        EXPECT_TRUE(param.Bound()) << name;
        EXPECT_EQ(param.Value(), field.Value()) << name;

        field.Clear();
        field.Assign(param);
        EXPECT_EQ(field.Value(), param.Value()) << name << " back into the field";
        field.Clear();
        param.AssignField(&field);
        EXPECT_TRUE(param.IsNull()) << name << " from a null field";
    }
}

TEST(ParamTest, AssignCopiesAnotherParameterAndRefusesOtherObjects)
{
    TParams params;
    TParam* source = params.CreateParam(ftInteger, u"P", ptInputOutput);
    source->SetAsInteger(3);
    source->SetSize(4);
    TParam copy;
    copy.Assign(*source);
    EXPECT_EQ(copy.Name(), u"P");
    EXPECT_EQ(copy.DataType(), ftInteger);
    EXPECT_EQ(copy.ParamType(), ptInputOutput);
    EXPECT_EQ(copy.AsInteger(), 3);
    EXPECT_EQ(copy.Size(), 4);

    TParam output;
    output.SetParamType(ptOutput);
    output.Assign(*source);
    EXPECT_EQ(output.ParamType(), ptOutput);

    TIndexDef unrelated;
    EXPECT_THROW(copy.Assign(unrelated), core::EConvertError);
    EXPECT_EQ(copy.AsInteger(), 3);
}

} // namespace
} // namespace data::test
