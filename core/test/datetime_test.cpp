#include "core/datetime.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace core;

namespace {

// Restores the system clock when a test ends, also when it fails.
struct TestClock {
    explicit TestClock(TDateTime value) { SetNowFunction([value] { return value; }); }
    ~TestClock() { SetNowFunction({}); }
};

struct Parts {
    int year, month, day, hour, min, sec, msec;
};

Parts Decode(TDateTime value)
{
    Parts p{};
    DecodeDateTime(value, p.year, p.month, p.day, p.hour, p.min, p.sec, p.msec);
    return p;
}

} // namespace

TEST(DateTime, EncodeDecodeRoundTrips)
{
    struct Case { int y, m, d; double days; } cases[] = {
        {1899, 12, 30, 0},     {1899, 12, 31, 1},      {1900, 1, 1, 2},       {1900, 3, 1, 61},
        {1899, 12, 29, -1},    {2000, 1, 1, 36526},    {2000, 2, 29, 36585},  {2024, 3, 3, 45354},
        {2100, 3, 1, 73110},   {1, 1, 1, -693593},     {9999, 12, 31, 2958465},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        EXPECT_TRUE(DecodeDate(c.days, y, m, d));
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
    }
    // Every day of four leap cycles decodes to what encoded it.
    for (int day = 0; day < 4 * 1461; ++day) {
        int y = 0, m = 0, d = 0;
        DecodeDate(double(36000 + day), y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), double(36000 + day));
    }
}

TEST(DateTime, InvalidDatesAndTimesAreRejected)
{
    struct DateCase { int y, m, d; } dates[] = {
        {1900, 2, 29}, {2001, 2, 29}, {2100, 2, 29}, {2000, 13, 1}, {2000, 0, 1},
        {0, 1, 1},     {10000, 1, 1}, {2000, 4, 31}, {2000, 1, 0},  {2000, 1, 32},
    };
    for (const auto& c : dates) {
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, value));
        EXPECT_EQ(value, 123); // untouched
        try {
            EncodeDate(c.y, c.m, c.d);
            ADD_FAILURE() << c.y << "-" << c.m << "-" << c.d;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), u"Invalid argument to date encode");
        }
    }
    struct TimeCase { int h, n, s, ms; } times[] = {
        {24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1},
    };
    for (const auto& c : times) {
        TDateTime value = 0;
        EXPECT_FALSE(TryEncodeTime(c.h, c.n, c.s, c.ms, value));
        try {
            EncodeTime(c.h, c.n, c.s, c.ms);
            ADD_FAILURE() << c.h << ":" << c.n << ":" << c.s << "." << c.ms;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), u"Invalid argument to time encode");
        }
    }
    EXPECT_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / MSecsPerDay);
}

TEST(DateTime, TimesDecodeToTheExactMillisecond)
{
    // Every millisecond value survives encode and decode on a real date.
    for (int ms = 0; ms < 1000; ++ms) {
        const TDateTime value = EncodeDateTime(2024, 3, 3, 9, 5, 7, ms);
        const Parts p = Decode(value);
        ASSERT_EQ(p.msec, ms);
        ASSERT_EQ(p.sec, 7);
    }
    struct Case { TDateTime value; Parts parts; } cases[] = {
        {EncodeDateTime(2024, 3, 3, 9, 5, 7, 42), {2024, 3, 3, 9, 5, 7, 42}},
        // Half a millisecond before midnight rounds into the next day, date included.
        {EncodeDate(2023, 12, 31) + (MSecsPerDay - 0.4) / MSecsPerDay, {2024, 1, 1, 0, 0, 0, 0}},
        // Before 30 December 1899 the fraction is still the time of day.
        {-1.25, {1899, 12, 29, 6, 0, 0, 0}},
        {-0.25, {1899, 12, 30, 6, 0, 0, 0}},
        {-693593.5, {1, 1, 1, 12, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const Parts p = Decode(c.value);
        EXPECT_EQ(p.year, c.parts.year) << c.value;
        EXPECT_EQ(p.month, c.parts.month) << c.value;
        EXPECT_EQ(p.day, c.parts.day) << c.value;
        EXPECT_EQ(p.hour, c.parts.hour) << c.value;
        EXPECT_EQ(p.min, c.parts.min) << c.value;
        EXPECT_EQ(p.sec, c.parts.sec) << c.value;
        EXPECT_EQ(p.msec, c.parts.msec) << c.value;
    }
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(DateTime, ValuesOutsideTheCalendarRaiseInsteadOfMisbehaving)
{
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 2e8}) {
        int y, m, d;
        EXPECT_THROW(DecodeDate(bad, y, m, d), EConvertError) << bad;
        EXPECT_THROW(FormatDateTime(u"yyyy", bad), EConvertError) << bad;
    }
    // A format with nothing to decode does not need a valid value.
    EXPECT_EQ(FormatDateTime(u"'x'", std::nan("")), u"x");
    // Before 1 January 0001 there is no date, and no crash either.
    int y = 1, m = 1, d = 1;
    EXPECT_FALSE(DecodeDate(-800000, y, m, d));
    EXPECT_EQ(y + m + d, 0);
    EXPECT_EQ(FormatDateTime(u"mmmm|yyyy", -800000), u"|0000");
    try {
        TimeStampToDateTime(TimeStamp{0, 0});
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"'0.0' is not a valid timestamp");
    }
}

TEST(DateTime, CalendarHelpers)
{
    struct Leap { int year; bool leap; } leaps[] = {{1900, false}, {2000, true}, {2023, false}, {2024, true}, {2100, false}, {2400, true}};
    for (const auto& c : leaps)
        EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    struct Days { int y, m, days; } days[] = {
        {2023, 2, 28}, {2024, 2, 29}, {1900, 2, 28}, {2024, 1, 31}, {2024, 4, 30}, {2024, 12, 31}, {2024, 13, 0}, {2024, 0, 0},
    };
    for (const auto& c : days)
        EXPECT_EQ(DaysInMonth(c.y, c.m), c.days) << c.y << "-" << c.m;
    EXPECT_EQ(DaysInMonth(EncodeDate(2000, 2, 10)), 29);

    struct Week { int y, m, d, dow; } weeks[] = {
        {1899, 12, 30, 7}, {2024, 3, 3, 1}, {2009, 11, 5, 5}, {1, 1, 1, 2}, {1899, 12, 24, 1},
    };
    for (const auto& c : weeks)
        EXPECT_EQ(DayOfWeek(EncodeDate(c.y, c.m, c.d)), c.dow) << c.y << "-" << c.m << "-" << c.d;
}

TEST(DateTime, IncrementsAndSpansUseTheStraightTimeLine)
{
    const TDateTime base = EncodeDateTime(2024, 2, 28, 23, 59, 59, 999);
    EXPECT_EQ(IncMilliSecond(base), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncSecond(base, 1), EncodeDateTime(2024, 2, 29, 0, 0, 0, 999));
    EXPECT_EQ(IncDay(base, 2), EncodeDateTime(2024, 3, 1, 23, 59, 59, 999));
    EXPECT_EQ(IncDay(base, -365), EncodeDateTime(2023, 2, 28, 23, 59, 59, 999));
    EXPECT_EQ(IncMilliSecond(base, -1), EncodeDateTime(2024, 2, 28, 23, 59, 59, 998));
    EXPECT_EQ(IncHour(base, 1), EncodeDateTime(2024, 2, 29, 0, 59, 59, 999));
    EXPECT_EQ(IncMinute(base, -60), EncodeDateTime(2024, 2, 28, 22, 59, 59, 999));

    // Across 30 December 1899, where plain addition of days would go wrong.
    const TDateTime before = EncodeDateTime(1899, 12, 29, 18, 0, 0, 0);
    EXPECT_EQ(IncDay(before, 1), EncodeDateTime(1899, 12, 30, 18, 0, 0, 0));
    EXPECT_EQ(IncDay(EncodeDateTime(1899, 12, 30, 18, 0, 0, 0), -1), before);
    EXPECT_EQ(IncMilliSecond(EncodeDateTime(1899, 12, 29, 23, 59, 59, 999)), 0.0);
    EXPECT_EQ(MilliSecondsBetween(before, 0.0), 6 * 3600000);
    EXPECT_THROW(IncDay(EncodeDate(1, 1, 1), -1), EConvertError);

    const TDateTime start = EncodeDateTime(2024, 3, 3, 9, 5, 7, 42);
    struct Case { TDateTime later; int64_t ms; int64_t s; } cases[] = {
        {start, 0, 0},
        {EncodeDateTime(2024, 3, 3, 9, 5, 9, 41), 1999, 1},
        {EncodeDateTime(2024, 3, 4, 9, 5, 7, 42), 86400000, 86400},
        {EncodeDateTime(2024, 3, 3, 9, 5, 8, 42), 1000, 1}, // exactly one second, not 0.999...
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MilliSecondsBetween(c.later, start), c.ms);
        EXPECT_EQ(MilliSecondsBetween(start, c.later), c.ms);
        EXPECT_EQ(SecondsBetween(c.later, start), c.s);
    }
}

TEST(DateTime, FormatSpecifiers)
{
    const TDateTime morning = EncodeDateTime(2024, 3, 3, 9, 5, 7, 42);     // a Sunday
    const TDateTime evening = EncodeDateTime(2009, 11, 5, 18, 19, 8, 5);   // a Thursday
    const TDateTime midnight = EncodeDateTime(2024, 3, 3, 0, 30, 0, 0);
    struct Case { const char16_t* format; TDateTime value; const char16_t* text; } cases[] = {
        {u"d", morning, u"3"},          {u"dd", morning, u"03"},        {u"ddd", morning, u"Sun"},
        {u"dddd", morning, u"Sunday"},  {u"ddddd", morning, u"3/3/2024"},
        {u"dddddd", morning, u"Sunday, March 3, 2024"},
        {u"m", morning, u"3"},          {u"mm", morning, u"03"},        {u"mmm", morning, u"Mar"},
        {u"mmmm", evening, u"November"},
        {u"yy", morning, u"24"},        {u"yyyy", morning, u"2024"},    {u"y", evening, u"09"},
        {u"yyy", morning, u"2024"},
        {u"h", morning, u"9"},          {u"hh", morning, u"09"},        {u"hhh", morning, u"09"},
        {u"h", evening, u"18"},
        {u"n", morning, u"5"},          {u"nn", morning, u"05"},
        {u"s", morning, u"7"},          {u"ss", morning, u"07"},
        {u"z", morning, u"42"},         {u"zz", morning, u"42"},        {u"zzz", morning, u"042"},
        {u"z", evening, u"5"},          {u"zz", evening, u"05"},        {u"zzz", evening, u"005"},
        {u"zzzz", evening, u"005"},
        {u"t", morning, u"9:05 AM"},    {u"tt", evening, u"6:19:08 PM"},
        {u"c", morning, u"3/3/2024 9:05:07 AM"},
        {u"c", EncodeDate(2024, 3, 3), u"3/3/2024"},
        {u"", evening, u"11/5/2009 6:19:08 PM"},
        {u"am/pm", morning, u"am"},     {u"AM/PM", evening, u"PM"},     {u"Am/Pm", evening, u"Pm"},
        {u"a/p", morning, u"a"},        {u"A/P", evening, u"P"},        {u"ampm", evening, u"PM"},
        {u"h am/pm", evening, u"6 pm"}, {u"hh AMPM", midnight, u"12 AM"},
        {u"h:nn a/p", midnight, u"12:30 a"},
        {u"hh 'am/pm'", evening, u"18 am/pm"}, // a quoted marker is only text
        {u"aaa", morning, u"Sun"},      {u"aaaa", evening, u"Thursday"}, {u"a", morning, u"a"},
        // m after h means minutes, also across separators and quoted text, but not past a letter.
        {u"h:m", morning, u"9:5"},      {u"hh:mm:ss", morning, u"09:05:07"},
        {u"h 'x' mm", morning, u"9 x 05"}, {u"h x m", morning, u"9 x 3"},
        {u"mm/dd/yy", morning, u"03/03/24"},
        {u"'yyyy'\"mm\"", morning, u"yyyymm"}, {u"'unterminated", morning, u"unterminated"},
        {u"yyyy年m月d日", morning, u"2024年3月3日"},
        {u"YYYY-MM-DD HH:NN:SS", morning, u"2024-03-03 09:05:07"},
        {u"yyyy-mm-dd hh:nn:ss", evening, u"2009-11-05 18:19:08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(c.format, c.value), c.text) << ToUtf8(c.format);
}

TEST(DateTime, FormatPatternsOfTheClient)
{
    struct Case { TDateTime value; const char16_t* format; const char16_t* text; } cases[] = {
        {EncodeDateTime(1995, 3, 3, 9, 5, 7, 42), u"mmddhnszz", u"030395742"},
        {EncodeDateTime(2031, 3, 3, 9, 5, 7, 42), u"mmddhnszz", u"030395742"},
        {EncodeDateTime(2024, 3, 3, 9, 5, 7, 42), u"yyyymmddhnszz", u"2024030395742"},
        {EncodeDateTime(2024, 3, 3, 9, 5, 7, 4), u"mmddhnszz", u"030395704"},
        {EncodeDateTime(2024, 12, 31, 23, 59, 59, 999), u"yyyymmddhnszz", u"20241231235959999"},
        {EncodeDateTime(2024, 3, 3, 9, 5, 7, 42), u"hh:nn:ss", u"09:05:07"},
        // An online time of a day, two hours, three minutes and four seconds: days are dropped.
        {1 + EncodeTime(2, 3, 4, 0), u"hh:nn:ss", u"02:03:04"},
        {0.0, u"hh:nn:ss", u"00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(c.format, c.value), c.text) << ToUtf8(c.format);
}

TEST(DateTime, SettingsAndNestedFormats)
{
    DateTimeFormatSettings settings;
    settings.DateSeparator = u'-';
    settings.TimeSeparator = u'.';
    settings.ShortDateFormat = u"yyyy/mm/dd";
    settings.LongTimeFormat = u"hh:nn:ss";
    const TDateTime value = EncodeDateTime(2024, 3, 3, 9, 5, 7, 42);
    EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd hh:nn", value, settings), u"2024-03-03 09.05");
    EXPECT_EQ(DateTimeToStr(value, settings), u"2024-03-03 09.05.07");
    EXPECT_EQ(DateToStr(value, settings), u"2024-03-03");
    EXPECT_EQ(TimeToStr(value, settings), u"09.05.07");
    settings.DateSeparator = 0; // no separator at all
    EXPECT_EQ(FormatDateTime(u"yyyy/mm", value, settings), u"202403");

    // A format that names itself stops after two levels instead of recursing: the inner "c" adds
    // only its blank before the time.
    settings.ShortDateFormat = u"[c]";
    EXPECT_EQ(FormatDateTime(u"ddddd", value, settings), u"[ ]");
}

TEST(DateTime, ClockCanBeReplacedForTests)
{
    {
        TestClock clock(EncodeDateTime(2024, 3, 3, 9, 5, 7, 42));
        EXPECT_EQ(Now(), EncodeDateTime(2024, 3, 3, 9, 5, 7, 42));
        EXPECT_EQ(Date(), EncodeDate(2024, 3, 3));
        EXPECT_EQ(Time(), EncodeTime(9, 5, 7, 42));
        const NowFunction previous = SetNowFunction([] { return 1.5; });
        EXPECT_EQ(Now(), 1.5);
        ASSERT_TRUE(previous);
        EXPECT_EQ(previous(), EncodeDateTime(2024, 3, 3, 9, 5, 7, 42));
    }
    // Back on the system clock, which has milliseconds and a plausible date.
    const TDateTime system = SystemNow();
    EXPECT_LE(MilliSecondsBetween(Now(), system), 60000);
    int y = 0, m = 0, d = 0;
    DecodeDate(system, y, m, d);
    EXPECT_GE(y, 2020);
    EXPECT_EQ(std::floor(Date()), Date());
}
