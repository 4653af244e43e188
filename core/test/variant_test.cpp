#include "core/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace core;

namespace {

class Counted : public RefCounted {
public:
    explicit Counted(int* destroyed) : m_destroyed(destroyed) {}

protected:
    ~Counted() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

int32_t CountOf(const Ref<IInterface>& object)
{
    return dynamic_cast<RefCounted*>(object.get())->RefCount();
}

template<class E>
String ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return u"unexpected exception: " + ExceptionMessage(error);
    }
    return u"no exception";
}

} // namespace

TEST(VariantKinds, EachConstructorGivesItsTypeCodeAndName)
{
    int destroyed = 0;
    const Ref<IInterface> object = MakeRef<Counted>(&destroyed);
    long native_long = 1;  // 32 bits on Windows, 64 on the host
    struct Case { Variant value; VarType type; const char16_t* name; } cases[] = {
        {Variant(), varEmpty, u"Empty"},
        {Variant::Null(), varNull, u"Null"},
        {int8_t(-1), varShortInt, u"ShortInt"},
        {uint8_t(1), varByte, u"Byte"},
        {int16_t(1), varSmallint, u"Smallint"},
        {uint16_t(1), varWord, u"Word"},
        {1, varInteger, u"Integer"},
        {1u, varLongWord, u"LongWord"},
        {int64_t(1), varInt64, u"Int64"},
        {uint64_t(1), varUInt64, u"UInt64"},
        {native_long, sizeof(long) == 8 ? varInt64 : varInteger, sizeof(long) == 8 ? u"Int64" : u"Integer"},
        {1.5f, varSingle, u"Single"},
        {1.5, varDouble, u"Double"},
        {true, varBoolean, u"Boolean"},
        {Currency::FromRaw(1), varCurrency, u"Currency"},
        {u"text", varUString, u"UnicodeString"},
        {String(u"text"), varUString, u"UnicodeString"},
        {StringView(u"text"), varUString, u"UnicodeString"},
        {Variant::FromOleStr(u"text"), varOleStr, u"OleStr"},
        {Variant::FromAnsiString(u"text"), varString, u"String"},
        {Variant::FromDate(1), varDate, u"Date"},
        {Variant::FromUnknown(object), varUnknown, u"Unknown"},
        {Variant::FromError(5), varError, u"Error"},
        {Variant::Bytes{1, 2}, varArray | varByte, u"Array Byte"},
        {Variant::ArrayOf({1, u"a"}), varArray | varVariant, u"Array Variant"},
        {Variant::FromPointer(&destroyed), varByRef, u"ByRef Empty"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.VarType(), c.type) << ToUtf8(c.name);
        EXPECT_EQ(VarTypeAsText(c.value.VarType()), c.name);
    }
    EXPECT_EQ(VarTypeAsText(VarType(14)), u"Decimal");
    EXPECT_EQ(VarTypeAsText(VarType(15)), u"$000F");
    EXPECT_EQ(VarTypeAsText(VarType(0x48)), u"$0048");
    EXPECT_EQ(VarTypeAsText(varByRef | varInteger), u"ByRef Integer");

    const Variant plain = 5, text = u"5", null = Variant::Null();
    EXPECT_TRUE(plain.IsNumeric());
    EXPECT_FALSE(text.IsNumeric());
    EXPECT_TRUE(text.IsString());
    EXPECT_TRUE(VarIsNull(null));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_FALSE(Variant(true).IsNumeric());
    Variant cleared = u"x";
    cleared.Clear();
    EXPECT_TRUE(cleared.IsEmpty());
}

TEST(VariantConversions, EveryKindToNumbersBooleanCurrencyAndText)
{
    struct Case {
        Variant value;
        int32_t integer;
        double real;
        bool boolean;
        int64_t currency;  // ten-thousandths
        String text;
    } cases[] = {
        {Variant(), 0, 0, false, 0, u""},
        {int8_t(-5), -5, -5, true, -50000, u"-5"},
        {uint8_t(200), 200, 200, true, 2000000, u"200"},
        {int16_t(-300), -300, -300, true, -3000000, u"-300"},
        {uint16_t(65535), 65535, 65535, true, 655350000, u"65535"},
        {0, 0, 0, false, 0, u"0"},
        {uint32_t(7), 7, 7, true, 70000, u"7"},
        {int64_t(-9), -9, -9, true, -90000, u"-9"},
        {uint64_t(12), 12, 12, true, 120000, u"12"},
        {2.5, 2, 2.5, true, 25000, u"2.5"},   // half to even
        {3.5, 4, 3.5, true, 35000, u"3.5"},
        {-2.5, -2, -2.5, true, -25000, u"-2.5"},
        {0.1f, 0, double(0.1f), true, 1000, u"0.1"},  // a single prints its own digits
        {true, -1, -1, true, -10000, u"True"},
        {false, 0, 0, false, 0, u"False"},
        {Currency::FromRaw(25000), 2, 2.5, true, 25000, u"2.5"},
        {Currency::FromRaw(-1), 0, -0.0001, true, -1, u"-0.0001"},
        {u"42", 42, 42, true, 420000, u"42"},
        {u" -7", -7, -7, true, -70000, u" -7"},
        {u"$1F", 31, 31, true, 310000, u"$1F"},
        {u"2.5", 2, 2.5, true, 25000, u"2.5"},
        {u"1e3", 1000, 1000, true, 10000000, u"1e3"},
        {u"0", 0, 0, false, 0, u"0"},
        {u"0.5", 0, 0.5, true, 5000, u"0.5"},
        {u"True", -1, -1, true, -10000, u"True"},
        {u"false", 0, 0, false, 0, u"false"},
        {Variant::FromAnsiString(u"12"), 12, 12, true, 120000, u"12"},
        {Variant::FromOleStr(u"-3"), -3, -3, true, -30000, u"-3"},
        {Variant::FromDate(1.5), 2, 1.5, true, 15000, u"1899-12-31 12:00:00"},
    };
    for (const auto& c : cases) {
        const std::string label = ToUtf8(VarTypeAsText(c.value.VarType())) + " " + ToUtf8(c.text);
        EXPECT_EQ(c.value.AsInteger(), c.integer) << label;
        EXPECT_EQ(c.value.AsInt64(), c.integer) << label;
        EXPECT_DOUBLE_EQ(c.value.AsDouble(), c.real) << label;
        EXPECT_EQ(c.value.AsBoolean(), c.boolean) << label;
        EXPECT_EQ(c.value.AsCurrency().Raw(), c.currency) << label;
        EXPECT_EQ(c.value.AsString(), c.text) << label;
        EXPECT_EQ(VarToStr(c.value), c.text) << label;
    }
    EXPECT_EQ(Variant(uint64_t(18446744073709551615u)).AsString(), u"18446744073709551615");
    EXPECT_EQ(Variant(int64_t(-9223372036854775807 - 1)).AsString(), u"-9223372036854775808");
    EXPECT_EQ(Variant(1e20).AsString(), u"1E20");
    EXPECT_EQ(Variant(u"18446744073709551615").AsUInt64(), 18446744073709551615u);
    EXPECT_EQ(Variant().AsBytes(), Variant::Bytes());
    EXPECT_FALSE(Variant().AsUnknown());
}

TEST(VariantConversions, NullAndUnconvertibleValuesRaiseCastErrors)
{
    int destroyed = 0;
    const Variant null = Variant::Null();
    const Variant text = u"abc";
    const Variant unknown = Variant::FromUnknown(MakeRef<Counted>(&destroyed));
    const Variant bytes = Variant::Bytes{1};
    struct Case { const Variant* value; std::function<void(const Variant&)> convert; const char16_t* message; } cases[] = {
        {&null, [](const Variant& v) { (void)v.AsInteger(); }, u"(Null) into type (Integer)"},
        {&null, [](const Variant& v) { (void)v.AsInt64(); }, u"(Null) into type (Int64)"},
        {&null, [](const Variant& v) { (void)v.AsDouble(); }, u"(Null) into type (Double)"},
        {&null, [](const Variant& v) { (void)v.AsString(); }, u"(Null) into type (UnicodeString)"},
        {&null, [](const Variant& v) { (void)v.AsBoolean(); }, u"(Null) into type (Boolean)"},
        {&null, [](const Variant& v) { (void)v.AsCurrency(); }, u"(Null) into type (Currency)"},
        {&null, [](const Variant& v) { (void)v.AsDateTime(); }, u"(Null) into type (Date)"},
        {&null, [](const Variant& v) { (void)v.AsBytes(); }, u"(Null) into type (Array Byte)"},
        {&null, [](const Variant& v) { (void)v.AsType(varSmallint); }, u"(Null) into type (Smallint)"},
        {&text, [](const Variant& v) { (void)v.AsInteger(); }, u"(UnicodeString) into type (Integer)"},
        {&text, [](const Variant& v) { (void)v.AsDouble(); }, u"(UnicodeString) into type (Double)"},
        {&text, [](const Variant& v) { (void)v.AsBoolean(); }, u"(UnicodeString) into type (Boolean)"},
        {&text, [](const Variant& v) { (void)v.AsCurrency(); }, u"(UnicodeString) into type (Currency)"},
        {&text, [](const Variant& v) { (void)v.AsDateTime(); }, u"(UnicodeString) into type (Date)"},
        {&text, [](const Variant& v) { (void)v.AsBytes(); }, u"(UnicodeString) into type (Array Byte)"},
        {&text, [](const Variant& v) { (void)v.AsType(varWord); }, u"(UnicodeString) into type (Word)"},
        {&unknown, [](const Variant& v) { (void)v.AsInteger(); }, u"(Unknown) into type (Integer)"},
        {&unknown, [](const Variant& v) { (void)v.AsString(); }, u"(Unknown) into type (UnicodeString)"},
        {&bytes, [](const Variant& v) { (void)v.AsString(); }, u"(Array Byte) into type (UnicodeString)"},
        {&bytes, [](const Variant& v) { (void)v.AsDouble(); }, u"(Array Byte) into type (Double)"},
        {&bytes, [](const Variant& v) { (void)v.AsUnknown(); }, u"(Array Byte) into type (Unknown)"},
    };
    for (const auto& c : cases) {
        const String message = ErrorOf<EVariantTypeCastError>([&] { c.convert(*c.value); });
        EXPECT_EQ(message, u"Could not convert variant of type " + String(c.message)) << ToUtf8(c.message);
    }
    EXPECT_EQ(ErrorOf<EVariantTypeCastError>([] { (void)Variant::FromAnsiString(u"x").AsInt64(); }),
              u"Could not convert variant of type (String) into type (Int64)");
    EXPECT_EQ(ErrorOf<EVariantTypeCastError>([] { (void)Variant::ArrayOf({}).AsString(); }),
              u"Could not convert variant of type (Array Variant) into type (UnicodeString)");
    EXPECT_EQ(VarToStr(null), u"");
    EXPECT_EQ(VarToStrDef(null, u"-"), u"-");
    EXPECT_EQ(VarToStrDef(Variant(2), u"-"), u"2");
}

TEST(VariantConversions, ValuesOutsideTheTargetRaiseOverflow)
{
    struct Case { Variant value; std::function<void(const Variant&)> convert; const char16_t* message; } cases[] = {
        {uint32_t(4000000000u), [](const Variant& v) { (void)v.AsInteger(); }, u"(LongWord) into type (Integer)"},
        {int64_t(1) << 40, [](const Variant& v) { (void)v.AsInteger(); }, u"(Int64) into type (Integer)"},
        {1e10, [](const Variant& v) { (void)v.AsInteger(); }, u"(Double) into type (Integer)"},
        {u"99999999999", [](const Variant& v) { (void)v.AsInteger(); }, u"(UnicodeString) into type (Integer)"},
        {u"1e30", [](const Variant& v) { (void)v.AsInt64(); }, u"(UnicodeString) into type (Int64)"},
        {std::nan(""), [](const Variant& v) { (void)v.AsInt64(); }, u"(Double) into type (Int64)"},
        {uint64_t(18446744073709551615u), [](const Variant& v) { (void)v.AsInt64(); }, u"(UInt64) into type (Int64)"},
        {int64_t(1) << 60, [](const Variant& v) { (void)v.AsCurrency(); }, u"(Int64) into type (Currency)"},
        {1e300, [](const Variant& v) { (void)v.AsCurrency(); }, u"(Double) into type (Currency)"},
        {-1, [](const Variant& v) { (void)v.AsUInt64(); }, u"(Integer) into type (UInt64)"},
        {300, [](const Variant& v) { (void)v.AsType(varByte); }, u"(Integer) into type (Byte)"},
        {-1, [](const Variant& v) { (void)v.AsType(varLongWord); }, u"(Integer) into type (LongWord)"},
        {40000, [](const Variant& v) { (void)v.AsType(varSmallint); }, u"(Integer) into type (Smallint)"},
        {1e39, [](const Variant& v) { (void)v.AsType(varSingle); }, u"(Double) into type (Single)"},
    };
    for (const auto& c : cases) {
        const String message = ErrorOf<EVariantOverflowError>([&] { c.convert(c.value); });
        EXPECT_EQ(message, u"Overflow while converting variant of type " + String(c.message)) << ToUtf8(c.message);
    }
}

TEST(VariantConversions, AsTypeChangesTheTypeCode)
{
    struct Case { Variant value; VarType type; Variant expected; } cases[] = {
        {u"12", varSmallint, int16_t(12)},
        {2.5, varInteger, 2},
        {5, varInt64, int64_t(5)},
        {int64_t(5), varInteger, 5},
        {uint32_t(4000000000u), varLongWord, uint32_t(4000000000u)},
        {1.8e19, varUInt64, uint64_t(18000000000000000000u)},
        {255, varByte, uint8_t(255)},
        {-128, varShortInt, int8_t(-128)},
        {5, varUString, u"5"},
        {5, varString, Variant::FromAnsiString(u"5")},
        {u"True", varBoolean, true},
        {u"1.5", varCurrency, Currency::FromRaw(15000)},
        {u"2000-01-01", varDate, Variant::FromDate(36526)},
        {1.5, varSingle, 1.5f},
        {Variant::Null(), varNull, Variant::Null()},
        {7, varEmpty, Variant()},
        {Variant::Bytes{1}, varArray | varByte, Variant::Bytes{1}},
    };
    for (const auto& c : cases) {
        const Variant converted = c.value.AsType(c.type);
        EXPECT_EQ(converted.VarType(), c.expected.VarType()) << ToUtf8(VarTypeAsText(c.type));
        EXPECT_TRUE(converted == c.expected) << ToUtf8(VarTypeAsText(c.type));
    }
    EXPECT_EQ(VarAsType(Variant(u"3"), varDouble).AsDouble(), 3.0);
}

TEST(VariantDates, TextAndDayNumbersBothWays)
{
    struct Case { double value; String text; } cases[] = {
        {0, u"1899-12-30"},
        {1.5, u"1899-12-31 12:00:00"},
        {0.5, u"12:00:00"},  // day 0 with a time shows the time alone
        {-1.25, u"1899-12-29 06:00:00"},
        {-109512.25, u"1600-02-29 06:00:00"},
        {-693593, u"0001-01-01"},
        {2958465.999988426, u"9999-12-31 23:59:59"},
        {45000, u"2023-03-15"},
        {36585, u"2000-02-29"},
        {36526.00001157408, u"2000-01-01 00:00:01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Variant::FromDate(c.value).AsString(), c.text) << c.value;
        EXPECT_NEAR(Variant(c.text).AsDateTime(), c.value, 1e-9) << ToUtf8(c.text);
    }

    struct Read { String text; double value; } reads[] = {
        {u"2000/2/29", 36585},
        {u"2000-02-29T06:00", 36585.25},
        {u"  2000-01-01 00:00:01.5 ", 36526.00001736111},
        {u"23:59", 1439.0 / 1440},
        {u"1.5", 1.5},  // a number is a day number
    };
    for (const auto& r : reads)
        EXPECT_NEAR(Variant(r.text).AsDateTime(), r.value, 1e-9) << ToUtf8(r.text);

    const String bad[] = {
        u"2001-02-29", u"2000-13-01", u"2000-00-10", u"2000-01-32", u"0000-01-01", u"24:00", u"12:60",
        u"2000-01-01x", u"20-01-01", u"2000-01/01", u"2000-01-01 25:00", u"", u"abc", u"12:", u"2000-01-01T",
    };
    for (const auto& text : bad)
        EXPECT_THROW(Variant(text).AsDateTime(), EVariantTypeCastError) << ToUtf8(text);

    // Outside years 1..9999 a date has no text.
    for (double value : {-693594.0, 2958466.0, std::nan(""), double(INFINITY)}) {
        EXPECT_EQ(ErrorOf<EVariantTypeCastError>([&] { (void)Variant::FromDate(value).AsString(); }),
                  u"Could not convert variant of type (Date) into type (UnicodeString)")
            << value;
    }
    // A time a hair below midnight rounds to the next day.
    EXPECT_EQ(Variant::FromDate(1.99999).AsString(), u"1899-12-31 23:59:59");
    EXPECT_EQ(Variant::FromDate(1.9999999999).AsString(), u"1900-01-01");
    // Before 1899 the fraction is still the time of day: a hair below midnight of 29 December.
    EXPECT_EQ(Variant::FromDate(-1.9999999999).AsString(), u"1899-12-30");
}

TEST(VariantComparison, EqualityOrderAndRelationship)
{
    int destroyed = 0;
    const Ref<IInterface> one = MakeRef<Counted>(&destroyed), two = MakeRef<Counted>(&destroyed);
    const double nan = std::nan("");
    const Variant null = Variant::Null();
    // `orderable` false: kinds without an order, whose ordering raises (see below).
    struct Case { Variant a, b; bool equal, less, greater; VariantRelationship relation; bool orderable = true; } cases[] = {
        {null, null, true, false, false, vrEqual},
        {null, 1, false, false, false, vrNotEqual},
        {1, null, false, false, false, vrNotEqual},
        {null, Variant(), false, false, false, vrNotEqual},
        {Variant(), Variant(), true, false, false, vrEqual},
        {Variant(), 0, true, false, false, vrNotEqual},       // Empty stands for zero, but is not a value
        {Variant(), u"", true, false, false, vrNotEqual},
        {Variant(), 1, false, true, false, vrNotEqual},
        {-1, Variant(), false, true, false, vrNotEqual},
        {Variant(), false, true, false, false, vrNotEqual},
        {1, 1.0, true, false, false, vrEqual},
        {int8_t(-1), uint64_t(18446744073709551615u), false, true, false, vrLessThan},
        {int64_t(9007199254740993), int64_t(9007199254740992), false, false, true, vrGreaterThan},
        {int64_t(9007199254740993), 9007199254740992.0, false, false, true, vrGreaterThan},
        {Currency::FromRaw(15000), 1.5, true, false, false, vrEqual},
        {Currency::FromRaw(1), 0, false, false, true, vrGreaterThan},
        {Variant::FromDate(2), 1.5f, false, false, true, vrGreaterThan},
        {u"abc", u"abd", false, true, false, vrLessThan},
        {u"B", u"a", false, true, false, vrLessThan},  // ordinal, case-sensitive
        {u"a", u"A", false, false, true, vrGreaterThan},
        {Variant::FromAnsiString(u"x"), Variant::FromOleStr(u"x"), true, false, false, vrEqual},
        {u"10", 9, false, false, true, vrGreaterThan},  // numerically, not as text
        {2.5, u"2.5", true, false, false, vrEqual},
        {Variant::FromDate(1.5), u"1899-12-31 12:00:00", true, false, false, vrEqual},
        {true, u"True", true, false, false, vrEqual},
        {false, true, false, true, false, vrLessThan},
        {true, 5, true, false, false, vrEqual},  // a Boolean makes the comparison Boolean
        {nan, nan, false, false, false, vrNotEqual},
        {nan, 1, false, false, false, vrNotEqual},
        {Variant::Bytes{1, 2}, Variant::Bytes{1, 2}, true, false, false, vrEqual, false},
        {Variant::Bytes{1, 2}, Variant::Bytes{1, 3}, false, false, false, vrNotEqual, false},
        {Variant::FromUnknown(one), Variant::FromUnknown(one), true, false, false, vrEqual, false},
        {Variant::FromUnknown(one), Variant::FromUnknown(two), false, false, false, vrNotEqual, false},
        {Variant::ArrayOf({1, u"a", null}), Variant::ArrayOf({1.0, u"a", null}), true, false, false, vrEqual, false},
        {Variant::ArrayOf({1}), Variant::ArrayOf({2}), false, false, false, vrNotEqual, false},
        {Variant::FromError(3), Variant::FromError(3), true, false, false, vrEqual, false},
        {Variant::FromUnknown(one), 1, false, false, false, vrNotEqual, false},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row++);
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
        EXPECT_EQ(c.a != c.b, !c.equal);
        EXPECT_EQ(VarCompareValue(c.a, c.b), c.relation);
        if (!c.orderable)
            continue;
        EXPECT_EQ(c.a < c.b, c.less);
        EXPECT_EQ(c.b > c.a, c.less);
        EXPECT_EQ(c.a > c.b, c.greater);
        EXPECT_EQ(c.a <= c.b, c.less || (c.equal && !c.a.IsNull()));
        EXPECT_EQ(c.a >= c.b, c.greater || (c.equal && !c.a.IsNull()));
    }
}

TEST(VariantComparison, OrderingUnorderedKindsRaises)
{
    int destroyed = 0;
    const Variant unknown = Variant::FromUnknown(MakeRef<Counted>(&destroyed));
    const Variant pairs[][2] = {
        {Variant::Bytes{1}, Variant::Bytes{1}},
        {unknown, unknown},
        {Variant::ArrayOf({1}), Variant::ArrayOf({1})},
        {Variant(), unknown},
        {unknown, 1},
    };
    for (const auto& pair : pairs) {
        EXPECT_EQ(ErrorOf<EVariantInvalidOpError>([&] { (void)(pair[0] < pair[1]); }), u"Invalid variant operation");
        EXPECT_THROW((void)(pair[0] >= pair[1]), EVariantInvalidOpError);
    }
    // Text that is no number cannot be compared with a number, not even for equality.
    EXPECT_EQ(ErrorOf<EVariantTypeCastError>([] { (void)(Variant(u"abc") == Variant(1)); }),
              u"Could not convert variant of type (UnicodeString) into type (Double)");
    // With a Null on either side nothing is raised: there is simply no order.
    EXPECT_FALSE(Variant::Null() < unknown);
}

TEST(VariantInterfaces, CopiesHoldReferences)
{
    int destroyed = 0;
    {
        Ref<IInterface> object = MakeRef<Counted>(&destroyed);
        Variant held = Variant::FromUnknown(object);
        EXPECT_EQ(CountOf(object), 2);
        {
            Variant copy = held;
            Variant array = Variant::ArrayOf({held, copy});
            EXPECT_EQ(CountOf(object), 5);
            Variant moved = std::move(copy);
            EXPECT_EQ(CountOf(object), 5);
            array.SetArrayItem(0, 1);
            EXPECT_EQ(CountOf(object), 4);
            EXPECT_TRUE(moved.AsUnknown() == object);
        }
        EXPECT_EQ(CountOf(object), 2);
        object = nullptr;
        EXPECT_EQ(destroyed, 0);  // the variant keeps it alive
        held = 5;
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(VariantArrays, ItemsOfVariantAndByteArrays)
{
    Variant keys = Variant::ArrayOf({1, u"two", Variant::Null()});
    EXPECT_TRUE(keys.IsArray());
    EXPECT_EQ(keys.ArrayCount(), 3);
    EXPECT_EQ(keys.ArrayItem(1).AsString(), u"two");
    EXPECT_TRUE(keys.ArrayItem(2).IsNull());
    keys.SetArrayItem(2, 3.5);
    EXPECT_EQ(keys.ArrayItem(2).AsDouble(), 3.5);

    Variant bytes = Variant::Bytes{10, 20};
    EXPECT_EQ(bytes.ArrayCount(), 2);
    EXPECT_EQ(bytes.ArrayItem(1).VarType(), varByte);
    EXPECT_EQ(bytes.ArrayItem(1).AsInteger(), 20);
    bytes.SetArrayItem(0, u"255");
    EXPECT_EQ(bytes.AsBytes(), (Variant::Bytes{255, 20}));
    EXPECT_THROW(bytes.SetArrayItem(0, 256), EVariantOverflowError);
    EXPECT_EQ(bytes.AsBytes(), (Variant::Bytes{255, 20}));

    for (int index : {-1, 3}) {
        EXPECT_EQ(ErrorOf<EVariantBadIndexError>([&] { (void)keys.ArrayItem(index); }),
                  u"Variant or safe array index out of bounds");
        EXPECT_THROW(keys.SetArrayItem(index, 0), EVariantBadIndexError);
    }
    EXPECT_EQ(ErrorOf<EVariantNotAnArrayError>([] { (void)Variant(1).ArrayCount(); }), u"Variant is not an array");
    EXPECT_THROW((void)Variant().ArrayItem(0), EVariantNotAnArrayError);
}

TEST(VariantDatabaseKinds, DecimalsConvertAndCompareExactly)
{
    const Variant decimal(StrToBcd(u"12.50"));
    EXPECT_EQ(decimal.VarType(), varFMTBcd);
    EXPECT_EQ(VarTypeAsText(decimal.VarType()), u"FMTBcd");
    EXPECT_TRUE(decimal.IsNumeric());
    EXPECT_EQ(decimal.AsString(), u"12.5");
    EXPECT_EQ(decimal.AsDouble(), 12.5);
    EXPECT_EQ(decimal.AsInt64(), 12);  // half to even
    EXPECT_EQ(decimal.AsCurrency().Raw(), 125000);
    EXPECT_TRUE(decimal.AsBoolean());
    EXPECT_EQ(Variant(StrToBcd(u"13.5")).AsInteger(), 14);

    EXPECT_EQ(Variant(u"0.1").AsType(varFMTBcd).AsBcd(), StrToBcd(u"0.1"));
    EXPECT_EQ(Variant(Currency::FromRaw(1)).AsBcd(), StrToBcd(u"0.0001"));
    EXPECT_EQ(Variant(uint64_t(18446744073709551615u)).AsBcd(), StrToBcd(u"18446744073709551615"));
    EXPECT_EQ(Variant(0.25).AsBcd(), StrToBcd(u"0.25"));
    EXPECT_THROW((void)Variant(std::numeric_limits<double>::infinity()).AsBcd(), EVariantOverflowError);
    EXPECT_THROW((void)Variant::Null().AsBcd(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant(StrToBcd(u"1E30")).AsInt64(), EVariantOverflowError);

    // Digits beyond a double's reach still tell values apart against integers, currency and text.
    const Variant big(StrToBcd(u"9007199254740993"));
    EXPECT_TRUE(big == Variant(int64_t(9007199254740993)));
    EXPECT_TRUE(big > Variant(int64_t(9007199254740992)));
    EXPECT_TRUE(Variant(StrToBcd(u"0.00001")) > Variant(Currency::FromRaw(0)));
    EXPECT_TRUE(Variant(u"0.30000000000000000001") > Variant(StrToBcd(u"0.3")));
    EXPECT_TRUE(decimal == Variant(u"12.5"));
    EXPECT_TRUE(decimal == Variant(12.5));
    EXPECT_TRUE(decimal < Variant(13));
    EXPECT_FALSE(decimal == Variant::Null());
    EXPECT_TRUE(Variant(Bcd()) == Variant());
    EXPECT_EQ(VarCompareValue(Variant(StrToBcd(u"-1")), Variant(StrToBcd(u"-0.5"))), vrLessThan);
}

TEST(VariantDatabaseKinds, TimeStampsConvertAndCompareAsDates)
{
    const SQLTimeStamp stamp{2024, 1, 31, 12, 0, 0, 0};
    const Variant value(stamp);
    EXPECT_EQ(value.VarType(), varSQLTimeStamp);
    EXPECT_EQ(VarTypeAsText(value.VarType()), u"SQLTimeStamp");
    EXPECT_FALSE(value.IsNumeric());
    const TDateTime date = EncodeDate(2024, 1, 31) + 0.5;
    EXPECT_EQ(value.AsDateTime(), date);
    EXPECT_EQ(value.AsString(), u"2024-01-31 12:00:00");
    EXPECT_EQ(Variant::FromDate(date).AsSQLTimeStamp(), stamp);
    EXPECT_EQ(Variant(u"2024-01-31 12:00").AsType(varSQLTimeStamp).AsSQLTimeStamp(), stamp);
    EXPECT_EQ(value.AsType(varDate).VarType(), varDate);
    EXPECT_THROW((void)Variant(u"soon").AsSQLTimeStamp(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant(1e9).AsSQLTimeStamp(), EVariantOverflowError);
    EXPECT_THROW((void)value.AsBoolean(), EVariantTypeCastError);

    EXPECT_TRUE(value == Variant::FromDate(date));
    EXPECT_TRUE(value < Variant::FromDate(date + 1));
    EXPECT_TRUE(value == Variant(u"2024-01-31 12:00:00"));
    EXPECT_TRUE(value > Variant(date - 1));
    SQLTimeStamp later = stamp;
    later.Fractions = 1;
    EXPECT_TRUE(value < Variant(later));
    EXPECT_TRUE(Variant(later) == Variant(later));
}
