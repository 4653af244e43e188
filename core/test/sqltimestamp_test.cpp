#include "core/sqltimestamp.h"

#include "core/exception.h"

#include <gtest/gtest.h>

using namespace core;

TEST(SQLTimeStampConversions, DateTimeRoundTripAndText)
{
    struct Case { int y, mo, d, h, mi, s, ms; const char16_t* text; } cases[] = {
        {2024, 1, 31, 8, 30, 0, 250, u"2024-01-31 08:30:00.250"},
        {1899, 12, 30, 0, 0, 0, 0, u"1899-12-30 00:00:00"},
        {1899, 12, 29, 6, 0, 0, 0, u"1899-12-29 06:00:00"},
        {1, 1, 1, 23, 59, 59, 999, u"0001-01-01 23:59:59.999"},
    };
    for (const auto& c : cases) {
        const TDateTime value = EncodeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms);
        const SQLTimeStamp stamp = DateTimeToSQLTimeStamp(value);
        EXPECT_EQ(stamp.Year, c.y);
        EXPECT_EQ(stamp.Month, c.mo);
        EXPECT_EQ(stamp.Day, c.d);
        EXPECT_EQ(stamp.Hour, c.h);
        EXPECT_EQ(stamp.Minute, c.mi);
        EXPECT_EQ(stamp.Second, c.s);
        EXPECT_EQ(stamp.Fractions, uint32_t(c.ms));
        EXPECT_EQ(SQLTimeStampToDateTime(stamp), value);
        EXPECT_EQ(SQLTimeStampToStr(stamp), c.text);
        EXPECT_EQ(StrToSQLTimeStamp(c.text), stamp);
    }
    // Milliseconds round up into the next day rather than to 24:00.
    const SQLTimeStamp carried = DateTimeToSQLTimeStamp(EncodeDate(2024, 2, 28) + (MSecsPerDay - 0.4) / MSecsPerDay);
    EXPECT_EQ(SQLTimeStampToStr(carried), u"2024-02-29 00:00:00");
}

TEST(SQLTimeStampConversions, TheEmptyStampIsDateZeroAndInvalidStampsRaise)
{
    EXPECT_EQ(SQLTimeStampToDateTime(SQLTimeStamp()), 0.0);
    struct Case { SQLTimeStamp stamp; const char16_t* message; } cases[] = {
        {{2024, 2, 30, 0, 0, 0, 0}, u"Invalid argument to date encode"},
        {{2024, 13, 1, 0, 0, 0, 0}, u"Invalid argument to date encode"},
        {{2024, 1, 1, 24, 0, 0, 0}, u"Invalid argument to time encode"},
        {{2024, 1, 1, 0, 0, 0, 1000}, u"Invalid argument to time encode"},
    };
    for (const auto& c : cases) {
        TDateTime value = 0;
        EXPECT_FALSE(TrySQLTimeStampToDateTime(c.stamp, value));
        try {
            (void)SQLTimeStampToDateTime(c.stamp);
            ADD_FAILURE() << ToUtf8(c.message);
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
    try {
        (void)StrToSQLTimeStamp(u"tomorrow");
        ADD_FAILURE();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), u"'tomorrow' is not a valid date and time");
    }
}

TEST(SQLTimeStampCompare, OrdersFieldByFieldFromTheYearDown)
{
    const SQLTimeStamp base{2024, 5, 6, 7, 8, 9, 10};
    SQLTimeStamp later = base;
    later.Fractions = 11;
    EXPECT_EQ(CompareSQLTimeStamp(base, later), -1);
    EXPECT_EQ(CompareSQLTimeStamp(later, base), 1);
    EXPECT_EQ(CompareSQLTimeStamp(base, base), 0);
    SQLTimeStamp earlier_year = later;
    earlier_year.Year = 2023;
    EXPECT_LT(earlier_year, base);
}
